// The program's one progress dialog, shown by every long transfer with the controller and
// by the update flows. Escape and its close button close it as any dialog's do; the work
// goes on and shows it again with its next run.
#pragma once
#include <QDialog>

namespace Ui {
class c_dlg_progressbar;
}
class QLabel;
class QProgressBar;

class c_dlg_progressbar : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_progressbar(QWidget* parent = nullptr);
    ~c_dlg_progressbar() override;

    // 0 to 100; other values are ignored by the bar.
    void setValue(int value);
    int value() const;

    QProgressBar* progressBar() const;
    QLabel* l_FileInfo() const;

private:
    Ui::c_dlg_progressbar* ui;
};
