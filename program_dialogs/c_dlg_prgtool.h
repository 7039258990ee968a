// The modeless dialog that edits the process-monitoring settings of one tool in the program
// window's tool edit buffer, beside the tool's read-only monitoring results. The window learns
// of its end through sig_closed. One instance for the whole run, made by the program window.
#pragma once
#include <QDialog>
#include <array>
#include <cstdint>

#include "core/image/tool_records.h"
#include "program_dialogs/close_rule.h"
#include "program_dialogs/dialog_support.h"

namespace Ui {
class c_dlg_prgtool;
}

class c_dlg_prgtool : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_prgtool(QWidget* parent = nullptr);
    ~c_dlg_prgtool() override;

    Ui::c_dlg_prgtool* form() const { return ui; }

    // Prepares one opening from the buffer; the caller then shows the dialog.
    void open_edit();
    // Back to the buffer's record: every edit is dropped.
    void on_bn_SetDefault_clicked();
    // The record "&Apply" last drew, with the edits of the form.
    const std::array<uint8_t, tool_record_size>& working_copy() const { return working_; }
    // Tool types below 128 in the list when it was last filled.
    int vendor_count() const { return vendorCount_; }

signals:
    // A close of the dialog was accepted (after the buffer was updated, if at all).
    void sig_closed();

public slots:
    void on_bn_Close_clicked();
    void on_bn_Cancel_clicked();
    void on_bn_Apply_clicked();
    void on_cb_PM_Tool_TT_currentIndexChanged(int index);
    void on_bn_RM_Tool_BluntDurationClear_clicked();
    void on_bn_PM_Tool_StartCounterClear_clicked();

    // Escape closes the window as its close box does: the close rule decides and the program
    // window hears of the end (a bare reject would hide the dialog and leave the main window
    // hidden for good).
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void record_to_form(const uint8_t* record);
    // The form over a copy of `record`: fields the form does not show keep their values.
    void form_to_record(uint8_t* record);

    Ui::c_dlg_prgtool* ui;
    close_rule closeRule_;
    record_name_field name_;
    std::array<uint8_t, tool_record_size> working_{};
    int vendorCount_ = 0;
};

// The one tool dialog, or none.
c_dlg_prgtool* tool_dialog();
