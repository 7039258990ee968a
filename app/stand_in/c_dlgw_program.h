// Stand-in of the program page (stack index 1): its return signal, its close request and the
// scanner finder it makes at start.
#pragma once
#include <QWidget>

class c_dlg_scannerfinder;

class c_dlgw_program : public QWidget {
    Q_OBJECT
public:
    explicit c_dlgw_program(QWidget* parent = nullptr);

    // Asked before the main window leaves the page; true lets it go.
    bool close_request() { return closeAnswer_; }
    // For tests of the main window until the real page asks about unsaved data.
    void set_close_answer(bool answer) { closeAnswer_ = answer; }

    c_dlg_scannerfinder* scanner_finder() const { return scannerFinder_; }
    // Prepares the finder for the working image and runs it modally.
    void on_bn_ScannerFinder_clicked();

signals:
    void sig_Return();

private:
    bool closeAnswer_ = true;
    c_dlg_scannerfinder* scannerFinder_ = nullptr;
};
