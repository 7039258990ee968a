// The set-up wizard for one tool of known vertical distance and reference tool length: the reference angle.
#pragma once
#include "program_dialogs/c_dlg_setup_wizard.h"

namespace Ui {
class c_dlg_setup_1tool_m1;
}

class c_dlg_setup_1tool_m1 : public c_dlg_setup_wizard {
    Q_OBJECT
public:
    explicit c_dlg_setup_1tool_m1(test_scan_call test_scan, QWidget* parent = nullptr);
    ~c_dlg_setup_1tool_m1() override;

    Ui::c_dlg_setup_1tool_m1* form() const { return ui; }

private:
    Ui::c_dlg_setup_1tool_m1* ui;
};
