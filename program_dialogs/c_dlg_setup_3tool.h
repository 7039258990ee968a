// The set-up wizard for three tools of different lengths: the whole set-up.
#pragma once
#include "program_dialogs/c_dlg_setup_wizard.h"

namespace Ui {
class c_dlg_setup_3tool;
}

class c_dlg_setup_3tool : public c_dlg_setup_wizard {
    Q_OBJECT
public:
    explicit c_dlg_setup_3tool(test_scan_call test_scan, QWidget* parent = nullptr);
    ~c_dlg_setup_3tool() override;

    Ui::c_dlg_setup_3tool* form() const { return ui; }

private:
    Ui::c_dlg_setup_3tool* ui;
};
