// The user scanner set dialog: for USER_0 or USER_1, a *.sp file to load into it or a request
// to clear it. It only records the choice in the scanner document; the main window's Scanner
// command carries it out.
#pragma once
#include <QDialog>

namespace Ui {
class c_dlg_scanparausw;
}
class QFileDialog;

class c_dlg_scanparausw : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_scanparausw(QWidget* parent = nullptr);
    ~c_dlg_scanparausw() override;

    // Before each modal run: the file dialog's folder and filter, the two user set names.
    void prepare();

    Ui::c_dlg_scanparausw* form() const { return ui; }
    QFileDialog* file_dialog() const { return fileDialog_; }

public slots:
    void on_bn_Cancel_clicked();
    // Both Load buttons; the sender tells the set.
    void on_bn_Scanner0_clicked();
    // Both Clear buttons; the sender tells the set.
    void on_bn_ClrScanner0_clicked();

private:
    Ui::c_dlg_scanparausw* ui;
    QFileDialog* fileDialog_;
};

// The main window's Scanner command: rebuilds the scanner lists, runs the dialog and carries
// out the choice (a *.sp file written into the chosen user set, or the set cleared).
void run_user_scanner_set_command(c_dlg_scanparausw& dialog);
