// The tool views shared by the program window and manual mode: the column filter of a view's
// filter row, the listed and checked tools, the used tools of an image, and the views' set-up.
#include <QLabel>
#include <QScrollBar>
#include <QSet>
#include <QStandardItem>
#include <QHeaderView>

#include "core/image/byte_record.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/text/global_tables.h"
#include "core/text/user_seam.h"
#include "page_common/c_dlg_filter.h"
#include "page_common/tool_cells.h"
#include "page_common/tool_views.h"
#include "widgets/c_qtableview_functab.h"

namespace {

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

const quint16 tool_widths[15] = {21, 39, 100, 30, 50, 100, 58, 32, 30, 52, 45, 50, 45, 45, 45};
const quint16 tool_colours[15] = {0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2};
const quint16 tool_group_widths[3] = {398, 209, 135};
const quint16 tool_group_colours[3] = {0, 1, 2};
constexpr quint32 tool_filter_mask = 0x63FF;

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

bool record_in_use(int, const void* record) { return le::i32(static_cast<const uint8_t*>(record)) != 0; }

const QVector<QColor>& header_colours()
{
    static QVector<QColor> colours;
    if (colours.isEmpty()) {
        const std::vector<rgba_colour>& c = g_global_tables().table_group_colours;
        static const rgba_colour fallback[6] = {{167, 168, 170, 51}, {238, 127, 0, 25},   {0, 155, 186, 25},
                                                {20, 210, 10, 51},   {255, 255, 127, 51}, {153, 51, 255, 51}};
        for (int i = 0; i < 6; ++i) {
            const rgba_colour& x = size_t(i) < c.size() ? c[size_t(i)] : fallback[i];
            colours << QColor(x.r, x.g, x.b, x.a);
        }
    }
    return colours;
}

void setup_group_view(c_qtableview_functab* group, c_qtableview_functab* data, const QStringList& titles,
                      const quint16* widths, const quint16* colours)
{
    table_view_options o;
    o.colours = &header_colours();
    o.columnColours = colours;
    o.alignment = 1;
    group->setup(0, nullptr, &titles, 0, widths, nullptr, nullptr, 0, &o);
    group->verticalHeader()->hide();
    group->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    group->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QObject::connect(data->horizontalScrollBar(), &QScrollBar::valueChanged, group->horizontalScrollBar(),
                     &QScrollBar::setValue);
}

QStringList titles_or(const QStringList& list, int n)
{
    QStringList t = list;
    while (t.size() < n)
        t << QString();
    return t.mid(0, n);
}

void setup_pm_tool_view(c_qtableview_functab* view, c_qtableview_functab* group)
{
    const global_tables& g = g_global_tables();
    const QStringList toolColumns = titles_or(g.pm_tool_column_labels, 15);
    table_view_options o;
    o.colours = &header_colours();
    o.columnColours = tool_colours;
    o.checkColumn = 1;
    o.fixedRows = 1;
    o.filterableMask[0] = tool_filter_mask;
    view->setup(0, nullptr, &toolColumns, 0, tool_widths, record_in_use, tool_view_display_cb1, 0, &o);
    view->verticalHeader()->hide();
    setup_group_view(group, view, titles_or(g.pm_group_labels, 3), tool_group_widths, tool_group_colours);
    // The fixed row's first cell switches column filtering on and off.
    if (QStandardItem* cell = view->model_item(0, 0))
        cell->setCheckable(true);
}
