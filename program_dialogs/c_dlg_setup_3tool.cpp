#include "program_dialogs/c_dlg_setup_3tool.h"

#include "ui_c_dlg_setup_3tool.h"

c_dlg_setup_3tool::c_dlg_setup_3tool(test_scan_call test_scan, QWidget* parent)
    : c_dlg_setup_wizard(method::three_tools, std::move(test_scan), parent), ui(new Ui::c_dlg_setup_3tool)
{
    ui->setupUi(this);
    wizard_widgets f;
    f.inputs = {ui->ebx_ToolLength1, ui->ebx_ToolLength2, ui->ebx_ToolLength3};
    f.angles = {ui->pn_ObjAngle1, ui->pn_ObjAngle2, ui->pn_ObjAngle3};
    f.teach = {ui->bn_SU_Teach1, ui->bn_SU_Teach2, ui->bn_SU_Teach3};
    f.ref_angle = ui->pn_RefAngle90;
    f.vert_distance = ui->pn_VertDistance;
    f.ref_tool_length = ui->pn_RefToolLength;
    f.picture = ui->l_Picture;
    f.hint = ui->l_Hint;
    f.calculate = ui->bn_Calculate;
    attach(f, QStringLiteral(":/bitmaps/BitMaps/MmMode_Setups/Wrd_Paint_3_Tool_SetupX.bmp"));
}

c_dlg_setup_3tool::~c_dlg_setup_3tool() { delete ui; }
