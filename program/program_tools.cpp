// The PM Tools tab of the program window: custom tool types made, edited and deleted, tools
// edited and deleted, the one checked tool handed to the plotter, and the tool view's column
// filter (page_common/tool_views.h, shared with manual mode).
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "page_common/c_dlg_plotter.h"
#include "page_common/tool_views.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"
#include "widgets/c_qtableview_functab.h"

namespace {

c_dlg_plotter* plotter() { return g_objects().plotter; }

}  // namespace

// ---- slots of the program window -------------------------------------------------------------

void c_dlgw_program::connect_tool_views()
{
    c_qtableview_functab* tools = ui->tbvx_PM_Tools;
    connect(tools, &c_qtableview_functab::sig_cb_clicked, this, &c_dlgw_program::on_tbvx_PM_Tools_cb_clicked);
    connect(tools, &c_qtableview_functab::sig_fixRow_clicked, this, &c_dlgw_program::on_tbvx_PM_Tools_fixRow_clicked);
    connect(tools, &c_qtableview_functab::sig_SelectionChanged, this,
            &c_dlgw_program::on_tbvx_PM_Tools_selectionChanged);
}

void c_dlgw_program::on_tbvx_PM_Tools_cb_clicked(int arrIndexP, int, Qt::CheckState stateP)
{
    if (arrIndexP < 0 || arrIndexP >= int(image_layout::tool_count))
        return;
    program_page_state& P = g_program_page();
    c_qtableview_functab* view = ui->tbvx_PM_Tools;
    const uint8_t checked = stateP == Qt::Checked ? 1 : 0;
    if (checked != P.tool_checked[size_t(arrIndexP)]) {
        // At most one tool is checked: every other one is unchecked first.
        for (int n = 0; n < int(image_layout::tool_count); ++n) {
            if (n == arrIndexP || !P.tool_checked[size_t(n)])
                continue;
            P.tool_checked[size_t(n)] = 0;
            if (QStandardItem* it = view->item_of_array_index(n, 0))
                it->setCheckState(Qt::Unchecked);
        }
        P.tool_checked[size_t(arrIndexP)] = checked;
    }
    show_tool_counts();
    c_dlg_plotter* p = plotter();
    if (p && !p->showCurves(true, p->auto_range(), false, view, nullptr, stateP == Qt::Unchecked)) {
        if (QStandardItem* it = view->item_of_array_index(arrIndexP, 0))
            it->setCheckState(Qt::Unchecked);
        P.tool_checked[size_t(arrIndexP)] = 0;
        show_tool_counts();
    }
}

void c_dlgw_program::on_tbvx_PM_Tools_fixRow_clicked(int fixRowP, int columnP)
{
    setup_pm_status_columns(this, ui->tbvx_PM_Tools, fixRowP, columnP);
    show_tool_counts();
}

void c_dlgw_program::on_tbvx_PM_Tools_selectionChanged(int arrIndexP)
{
    if (arrIndexP >= 0 && arrIndexP < int(image_layout::tool_count))
        show_current_tool(arrIndexP);
}

void c_dlgw_program::on_bn_PM_Tool_Delete_clicked()
{
    const int n = ui->tbvx_PM_Tools->current_array_index();
    if (n < 0 || n >= int(image_layout::tool_count))
        return;
    g_config_image().tool(uint32_t(n)).set_in_use(0);
    g_program_page().tool_checked[size_t(n)] = 0;
    ui->tbvx_PM_Tools->remove_array_rows(n, 1);
    update_table_buttons();
    show_tool_counts();
}

void c_dlgw_program::on_bn_PM_TT_Delete_clicked()
{
    const int n = ui->tbvx_PM_ToolTypes_Custom->current_array_index();
    if (n < 128 || n >= int(image_layout::tool_type_count))
        return;
    g_config_image().tool_type(uint32_t(n)).set_in_use(0);
    ui->tbvx_PM_ToolTypes_Custom->remove_array_rows(n, 1);
    update_table_buttons();
}

void c_dlgw_program::on_bn_ExportAllTools_clicked()
{
    export_tools_of_image(this, tool_source_image, true, ui->tbvx_PM_Tools);
}

void c_dlgw_program::on_bn_ExportSelectedTools_clicked()
{
    export_tools_of_image(this, tool_source_image, false, ui->tbvx_PM_Tools);
}
