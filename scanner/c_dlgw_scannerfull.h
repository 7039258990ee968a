// The scanner parameter page (stack page 3 of the main window): a user scanner parameter set
// typed in and written to one of the controller's user sets or to a *.sp file. It edits the
// working scanner record and compares it with the device copy, the state last written or
// loaded.
#pragma once
#include <QWidget>

#include "core/files/scanner_record.h"

namespace Ui {
class c_dlgw_scannerfull;
}
class c_dlg_srcauswahl;

class c_dlgw_scannerfull : public QWidget {
    Q_OBJECT
public:
    explicit c_dlgw_scannerfull(QWidget* parent = nullptr);
    ~c_dlgw_scannerfull() override;

    // Writes the form into `rec` (the working record): name, fields, the derived intensity and
    // speed steps and the option bits; renames the document's file after the name.
    void read_form(scanner_record& rec);
    // Shows `rec` in the form: fields, steps as minimum and increment, option bits.
    void fill_form(const scanner_record& rec);
    // The leave check of the main window's return routine: true lets the page go.
    bool confirm_return();

    Ui::c_dlgw_scannerfull* form() const { return ui; }
    bool clear_requested() const { return clearFlag_; }

signals:
    void sig_Return();

public slots:
    void on_bn_Close_clicked();
    void on_bn_ClearScanner_clicked();
    void on_bn_Save_clicked();
    void on_bn_SaveAs_clicked();

protected:
    // Each time the page is brought up the form shows the working record.
    void showEvent(QShowEvent* event) override;

private:
    void init_fields();
    // Writes the working record by the document's source; on success the device copy follows
    // and the main window's title names the target.
    bool write_record();
    c_dlg_srcauswahl* source_dialog();

    Ui::c_dlgw_scannerfull* ui;
    bool clearFlag_ = false;
    c_dlg_srcauswahl* ownSourceDialog_ = nullptr;
};
