// The program's one progress dialog, shown by every long transfer with the controller and
// by the update flows. Closing it while work runs asks that work to stop.
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

    // While work runs, the close button and Escape only record a cancel request: the work
    // decides when to stop and hides the dialog itself. Starting work clears the request.
    void set_work_running(bool running);
    bool cancel_requested() const { return cancelRequested_; }

public slots:
    void reject() override;

private:
    Ui::c_dlg_progressbar* ui;
    bool workRunning_ = false;
    bool cancelRequested_ = false;
};
