// The set-up page of the program window: the test scan and the tool length it implies, the
// three set-up wizards and where their taught angles come in; and the plotter button.
#include <QLabel>

#include "core/image/core_state.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "page_common/c_dlg_plotter.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_setup_1tool_m1.h"
#include "program_dialogs/c_dlg_setup_1tool_m2.h"
#include "program_dialogs/c_dlg_setup_3tool.h"
#include "program_dialogs/setup_geometry.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"

namespace {

// Wizard slots by the buttons of `rbg_SU_SelectMode`.
enum : int { wizard_m1 = 0, wizard_m2 = 1, wizard_3tool = 2 };

}  // namespace

void c_dlgw_program::create_setup_wizards()
{
    const auto test_scan = [this](int32_t code) { send_test_scan_command(code); };
    setupWizards_[wizard_m1] = new c_dlg_setup_1tool_m1(test_scan, this);
    setupWizards_[wizard_m2] = new c_dlg_setup_1tool_m2(test_scan, this);
    setupWizards_[wizard_3tool] = new c_dlg_setup_3tool(test_scan, this);
    // Fields 1 to 3 are the three-tool wizard's, 5 and 6 the one-tool wizards', 4 the page's.
    g_status_hooks().setup_teach = [this](int field, int32_t value) {
        if (field == 4)
            show_test_scan(value);
        else if (field >= 1 && field <= 3)
            setupWizards_[wizard_3tool]->take_teach(field, value);
        else if (field == 5)
            setupWizards_[wizard_m1]->take_teach(field, value);
        else if (field == 6)
            setupWizards_[wizard_m2]->take_teach(field, value);
    };
}

void c_dlgw_program::show_test_scan(int32_t angle)
{
    ui->l_ScanObjAngle->setText(setup_value_text(angle));
    const int32_t length = setup_position_from_angle(angle, ui->ebx_VertDistance->value(), ui->ebx_RefAngle90->value(),
                                                     ui->ebx_RefToolLength->value());
    ui->l_ScanToolLength->setText(setup_value_text(length));
}

void c_dlgw_program::on_bn_TestScan_clicked() { send_test_scan_command(teach_setup + 4); }

void c_dlgw_program::on_bn_SU_Activate_clicked()
{
    settings_header h = g_config_image().header();
    h.set_field(hdr::vert_distance, ui->ebx_VertDistance->value());
    h.set_field(hdr::ref_angle_90, ui->ebx_RefAngle90->value());
    h.set_field(hdr::ref_tool_length, ui->ebx_RefToolLength->value());
    g_status().setup_activation = true;
    if (c_dlg_setup_wizard* wizard = setup_wizard(ui->rbg_SU_SelectMode->index())) {
        ui->l_ScanUnit->setText(QString::fromLatin1(txt_label(204).c_str()));
        wizard->init_dialog();
        ui::current().run_modal(wizard);
    }
    g_status().setup_activation = false;
    // The wizard may have stored a new set-up.
    ui->ebx_VertDistance->setValue(h.field(hdr::vert_distance));
    ui->ebx_RefAngle90->setValue(h.field(hdr::ref_angle_90));
    ui->ebx_RefToolLength->setValue(h.field(hdr::ref_tool_length));
    ui->bn_TestScan->setEnabled(ui->ebx_VertDistance->value() != 0 && ui->ebx_RefAngle90->value() != 0);
}

void c_dlgw_program::on_bn_ShowPlotter_clicked()
{
    if (c_dlg_plotter* plotter = g_objects().plotter)
        plotter->showCurves(true, plotter->auto_range(), true, ui->tbvx_PM_Tools, nullptr, false);
}
