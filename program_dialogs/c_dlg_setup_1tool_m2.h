// The set-up wizard for one tool and three measured distances: the whole set-up.
#pragma once
#include "program_dialogs/c_dlg_setup_wizard.h"

namespace Ui {
class c_dlg_setup_1tool_m2;
}

class c_dlg_setup_1tool_m2 : public c_dlg_setup_wizard {
    Q_OBJECT
public:
    explicit c_dlg_setup_1tool_m2(test_scan_call test_scan, QWidget* parent = nullptr);
    ~c_dlg_setup_1tool_m2() override;

    Ui::c_dlg_setup_1tool_m2* form() const { return ui; }

private:
    Ui::c_dlg_setup_1tool_m2* ui;
};
