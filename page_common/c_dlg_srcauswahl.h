// Asks where a program comes from or goes to (the controller or a program file) and owns
// the load and save file dialogs; leaves its answer in program_document.
#pragma once
#include <QDialog>

namespace Ui {
class c_dlg_srcauswahl;
}
class QFileDialog;

class c_dlg_srcauswahl : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_srcauswahl(QWidget* parent = nullptr);
    ~c_dlg_srcauswahl() override;

    // Called before each use, after the caller set the save mode (shell_state).
    void prepareFileDialog();

    // Made on first use: a file dialog watches its folder for as long as it exists.
    QFileDialog* load_dialog() const { return file_dialog(false); }
    QFileDialog* save_dialog() const { return file_dialog(true); }
    Ui::c_dlg_srcauswahl* form() const { return ui; }

public slots:
    void on_bn_Tarvix_clicked();
    void on_bn_File_clicked();
    void on_bn_Cancel_clicked();

private:
    // Ends the modal run: accepted when the user chose a source.
    void finish();
    QFileDialog* file_dialog(bool save) const;

    Ui::c_dlg_srcauswahl* ui;
    mutable QFileDialog* loadDialog_ = nullptr;
    mutable QFileDialog* saveDialog_ = nullptr;
};
