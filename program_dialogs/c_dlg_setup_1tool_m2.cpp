#include "program_dialogs/c_dlg_setup_1tool_m2.h"

#include "ui_c_dlg_setup_1tool_m2.h"

c_dlg_setup_1tool_m2::c_dlg_setup_1tool_m2(test_scan_call test_scan, QWidget* parent)
    : c_dlg_setup_wizard(method::one_tool_distances, std::move(test_scan), parent), ui(new Ui::c_dlg_setup_1tool_m2)
{
    ui->setupUi(this);
    wizard_widgets f;
    f.inputs = {ui->ebx_Distance1, ui->ebx_Distance2, ui->ebx_Distance3, ui->ebx_ToolLength1};
    f.angles = {ui->pn_ObjAngle1};
    f.teach = {ui->bn_SU_Teach1};
    f.ref_angle = ui->pn_RefAngle90;
    f.vert_distance = ui->pn_VertDistance;
    f.ref_tool_length = ui->pn_RefToolLength;
    f.picture = ui->l_Picture;
    f.hint = ui->l_Hint;
    f.calculate = ui->bn_Calculate;
    attach(f, QStringLiteral(":/bitmaps/BitMaps/MmMode_Setups/Wrd_Paint_1_Tool_Setup_M2.bmp"));
}

c_dlg_setup_1tool_m2::~c_dlg_setup_1tool_m2() { delete ui; }
