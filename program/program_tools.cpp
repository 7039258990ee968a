// The PM Tools tab of the program window: custom tool types made, edited and deleted, tools
// edited and deleted, the one checked tool handed to the plotter, and the tool view's column
// filter. The column filter and the tool lists serve manual mode's views as well.
#include <QDebug>
#include <QLabel>
#include <QSet>

#include "app/shell_state.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/text/user_seam.h"
#include "procmon/windows/c_dlg_filter.h"
#include "procmon/windows/c_dlg_plotter.h"
#include "program/c_dlgw_program.h"
#include "program/program_state.h"
#include "program/program_tools.h"
#include "ui_c_dlgw_program.h"
#include "widgets/c_qtableview_functab.h"

namespace {

const char* const no_source_row = "ERROR: Es ist keine Source-Zeile fokussiert";

// The filter kind of each column of a tool view, -1 for a column without one. The dialog's
// page and decimals follow from the kind.
int kind_of_column(int column)
{
    switch (column) {
    case 1: case 3: case 4: return filter_number;
    case 9: case 13: case 14: return filter_hundredths;
    case 2: case 5: case 6: return filter_text;
    case 7: case 8: return filter_hex;
    default: return -1;
    }
}

const QStringList& status_bit_names()
{
    static const QStringList n{"B0 Ready", "B1 Scanning", "B2 KO",    "B3 OK",
                               "B4 Break", "B5 Blunt",    "B6 Missing", "B7 Contact"};
    return n;
}
const QStringList& error_bit_names()
{
    static const QStringList n{"B0 Command",      "B1 Data Read", "B2 Data Write",  "B3 No Tool Type",
                               "B4 No Tool",      "B5 Out Of Mem", "B6 Reserved 1", "B7 Reserved 0"};
    return n;
}

bool cell_checked(c_qtableview_functab* view, int position)
{
    QStandardItem* it = view->item_of_array_index(position, 0);
    return it && it->checkState() == Qt::Checked;
}

c_dlg_plotter* plotter() { return g_objects().plotter; }

}  // namespace

const uint8_t* tool_source_record(int source, int index)
{
    if (source == tool_source_records) {
        if (index < 0 || index >= int(image_layout::pm_record_count))
            return nullptr;
        return g_images().pm_record(uint32_t(index)).record().data();
    }
    if (index < 0 || index >= int(image_layout::tool_count))
        return nullptr;
    return g_config_image().tool(uint32_t(index)).record().data();
}

void collect_checked_tools(int source, c_qtableview_functab* view, tool_selection* out)
{
    *out = tool_selection();
    QVector<int> shown;
    view->visible_array_indices(&shown);
    for (int n : shown) {
        const uint8_t* r = tool_source_record(source, n);
        if (!r)
            continue;
        const long long cnt = le::i32(r + tr::data_cnt);
        out->listed << n;
        out->listedCount += cnt;
        if (cell_checked(view, n)) {
            out->checked << n;
            out->checkedCount += cnt;
        }
    }
}

void show_tool_counts(int source, c_qtableview_functab* view, QLabel* all, QLabel* checked)
{
    tool_selection sel;
    collect_checked_tools(source, view, &sel);
    all->setText(QString::asprintf("%d rows, %lld cnt", sel.listed.size(), sel.listedCount));
    checked->setText(QString::asprintf("%d rows, %lld cnt", sel.checked.size(), sel.checkedCount));
}

int count_used_tools(const config_image& image, long long* dataCount)
{
    int used = 0;
    long long sum = 0;
    for (uint32_t n = 0; n < image_layout::tool_count; ++n) {
        const const_tool_slot s = image.tool(n);
        if (!s.in_use())
            continue;
        ++used;
        sum += s.record().i32(tr::data_cnt);
    }
    if (dataCount)
        *dataCount = sum;
    return used;
}

void setup_pm_status_columns(QWidget* parent, c_qtableview_functab* view, int fixRow, int column)
{
    if (!view)
        return;
    if (column == 0) {
        QStandardItem* cell = view->model_item(fixRow, 0);
        const bool on = cell && cell->checkState() == Qt::Checked;
        if (column_filter_record* rec = view->column_filter(0)) {
            rec->kind = filter_none;
            rec->active = on ? 1 : 0;
        }
        view->set_filter_active(fixRow, 0, on);
        view->invalidate_filter();
        return;
    }
    if (!view->filter_on()) {
        ui::information(QStringLiteral("You should enable filtering by marking the checkbox in column 0"));
        return;
    }
    column_filter_record* rec = view->column_filter(column);
    const int kind = kind_of_column(column);
    if (!rec || !rec->filterable || kind < 0)
        return;
    rec->kind = kind;
    int decimals = 0;
    const c_dlg_filter::filter_page page = c_dlg_filter::page_for_kind(kind, &decimals);
    QStringList texts;
    if (page == c_dlg_filter::page_bits) {
        rec->pattern = QStringLiteral("%02XH");
        texts = column == 7 ? status_bit_names() : error_bit_names();
    } else if (page == c_dlg_filter::page_string) {
        QVector<int> shown;
        view->visible_array_indices(&shown);
        QSet<QString> seen;
        for (int n : shown) {
            QStringList cells;
            view->row_texts(n, &cells);
            const QString t = column < cells.size() ? cells.at(column) : QString();
            if (!seen.contains(t)) {
                seen.insert(t);
                texts << t;
            }
        }
    }
    const QVariant title = view->model()->headerData(column, Qt::Horizontal);
    c_dlg_filter dialog(parent);
    dialog.setWindowTitle(QString::asprintf("Filter %s Column %d", qUtf8Printable(title.toString()), column));
    dialog.setFilter(*rec, page, decimals, &texts);
    ui::current().run_modal(&dialog);
    view->update_filter_cell(fixRow, column);
    view->invalidate_filter();
}

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
