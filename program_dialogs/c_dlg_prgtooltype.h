// The modal dialog that makes or edits one custom tool type of the program in the window's
// tool-type edit buffer. One instance for the whole run, made by the program window.
#pragma once
#include <QDialog>
#include <cstdint>

#include "program_dialogs/close_rule.h"
#include "program_dialogs/dialog_support.h"

namespace Ui {
class c_dlg_prgtooltype;
}

class c_dlg_prgtooltype : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_prgtooltype(QWidget* parent = nullptr);
    ~c_dlg_prgtooltype() override;

    Ui::c_dlg_prgtooltype* form() const { return ui; }

    // Prepares one run from the buffer: a new tool type (the buffer holds the template) or an
    // edit of the buffer's tool type. The caller then runs the dialog.
    void open(bool isNew);

public slots:
    void on_bn_Close_clicked();
    void on_bn_Cancel_clicked();
    void on_bn_SetDefault_clicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void record_to_form(const uint8_t* record);
    // The form as a record; false when no number is chosen.
    bool form_to_record(uint8_t* record, int32_t* number);

    Ui::c_dlg_prgtooltype* ui;
    close_rule closeRule_;
    record_name_field name_;
    bool isNew_ = false;
};

// The one tool-type dialog, or none.
c_dlg_prgtooltype* tool_type_dialog();
