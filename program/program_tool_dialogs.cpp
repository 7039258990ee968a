// The program window's side of the tool-type and tool dialogs: the edit buffers filled from
// the working image before a dialog opens and taken back after it closed.
#include <QDebug>

#include "core/image/core_state.h"
#include "core/text/user_seam.h"
#include "page_common/c_dlg_plotter.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_prgtool.h"
#include "program_dialogs/c_dlg_prgtooltype.h"
#include "program_dialogs/program_state.h"
#include "program_dialogs/tool_edit_buffers.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"
#include "widgets/window_place.h"

namespace {

const char* const no_source_row = "ERROR: Es ist keine Source-Zeile fokussiert";

}  // namespace

void c_dlgw_program::run_tool_type_dialog(c_qtableview_functab* source, bool isNew)
{
    const int n = source->current_array_index();
    if (n < 0 || n >= int(image_layout::tool_type_count)) {
        qDebug("%s", no_source_row);
        return;
    }
    c_dlg_prgtooltype* dialog = tool_type_dialog();
    if (!dialog)
        return;
    config_image& img = g_config_image();
    tool_type_edit_record& b = tool_type_edit_buffer();
    b.index = isNew ? -1 : n;
    const const_byte_view rec = img.tool_type(uint32_t(n)).record();
    std::copy(rec.data(), rec.data() + tool_type_record_size, b.record.begin());
    dialog->open(isNew);
    ui::current().run_modal(dialog);
    // Only a custom slot takes a tool type from the dialog.
    if (b.index < 128 || b.index >= int(image_layout::tool_type_count))
        return;
    const tool_type_slot target = img.tool_type(uint32_t(b.index));
    std::copy(b.record.begin(), b.record.end(), target.record().data());
    target.set_in_use(1);
    ui->tbvx_PM_ToolTypes_Custom->set_row(b.index, true);
    ui->tbvx_PM_Tools_TT->set_row(b.index, true);
    // The listed tools of an edited type show its new name; the current row stays.
    const std::vector<int> listed = ui->tbvx_PM_Tools->row_ids();
    for (int tool : listed)
        ui->tbvx_PM_Tools->set_row(tool, false);
    update_table_buttons();
}

void c_dlgw_program::on_bn_PM_TT_NewFromVendor_clicked() { run_tool_type_dialog(ui->tbvx_PM_ToolTypes_Vendor, true); }

void c_dlgw_program::on_bn_PM_TT_NewFromCustom_clicked() { run_tool_type_dialog(ui->tbvx_PM_ToolTypes_Custom, true); }

void c_dlgw_program::on_bn_PM_TT_Edit_clicked() { run_tool_type_dialog(ui->tbvx_PM_ToolTypes_Custom, false); }

void c_dlgw_program::on_tbvx_PM_ToolTypes_Custom_doubleClicked(const QModelIndex&) { on_bn_PM_TT_Edit_clicked(); }

void c_dlgw_program::on_bn_PM_Tool_Edit_clicked()
{
    c_qtableview_functab* view = ui->tbvx_PM_Tools;
    const int n = view->current_array_index();
    if (n < 0 || n >= int(image_layout::tool_count)) {
        qDebug("%s", no_source_row);
        return;
    }
    c_dlg_prgtool* dialog = tool_dialog();
    if (!dialog)
        return;
    tool_edit_buffer().index = n;
    if (!g_program_page().tool_checked[size_t(n)]) {
        if (QStandardItem* it = view->item_of_array_index(n, 0))
            it->setCheckState(Qt::Checked);
        on_tbvx_PM_Tools_cb_clicked(n, 0, Qt::Checked);
    }
    if (c_dlg_plotter* p = g_objects().plotter)
        p->showCurves(true, p->auto_range(), true, view, nullptr, false);
    const const_byte_view rec = g_config_image().tool(uint32_t(n)).record();
    std::copy(rec.data(), rec.data() + tool_record_size, tool_edit_buffer().record.begin());
    if (QWidget* main = mainWindow_ ? mainWindow_ : window()) {
        mainPos_ = main->pos();
        main->hide();
    }
    dialog->open_edit();
    dialog->show();
}

void c_dlgw_program::on_tbvx_PM_Tools_doubleClicked(const QModelIndex&) { on_bn_PM_Tool_Edit_clicked(); }

void c_dlgw_program::on_dlg_prgtool_closed()
{
    qDebug("on_dlg_prgtool_accepted");
    if (QWidget* main = mainWindow_ ? mainWindow_ : window()) {
        // Back where it stood, not where the window system puts a window shown anew.
        show_where_it_stood(main, mainPos_);
    }
    const tool_edit_record& b = tool_edit_buffer();
    // A close without a tool behind the buffer takes nothing back.
    if (b.index < 0 || b.index >= int(image_layout::tool_count))
        return;
    const int n = b.index;
    std::copy(b.record.begin(), b.record.end(), g_config_image().tool(uint32_t(n)).record().data());
    c_qtableview_functab* view = ui->tbvx_PM_Tools;
    view->update_rows(n, 1);
    if (c_dlg_plotter* p = g_objects().plotter) {
        const int slot = p->tool_slot_of(n);
        if (slot >= 0)
            view->set_row_background(n, 0, c_dlg_plotter::slot_colour(slot));
    }
    // The edited tool is the current one: its record and tool-type strip follow.
    show_current_tool(n);
    update_table_buttons();
    show_tool_counts();
}
