// Chooses the language of the help file and of the downloader's messages (the language
// index of konfig.cfg); the program's own texts stay as they are.
#pragma once
#include <QDialog>

namespace Ui {
class c_dlg_language;
}

class c_dlg_language : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_language(QWidget* parent = nullptr);
    ~c_dlg_language() override;

    // Checks the item of the current language index.
    void select_current();
    Ui::c_dlg_language* form() const { return ui; }

public slots:
    void on_bn_Close_clicked();
    void on_bn_Cancel_clicked();

private:
    Ui::c_dlg_language* ui;
};
