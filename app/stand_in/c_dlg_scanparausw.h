// Stand-in of the scanner parameter selection dialog.
#pragma once
#include <QDialog>

class c_dlg_scanparausw : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_scanparausw(QWidget* parent = nullptr);

    // Sets up its file dialog and the names of the two user sets before a modal run.
    void prepare() {}
};
