// The PROFIBUS and DeviceNet tabs of the manual mode page and the page's tab change: the
// fixed set-up of the bit tables, the word tables of the current process-data format, their
// refresh from the blocks the status tick reads, and what entering each tab resets.
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <algorithm>

#include "core/device/device_commands.h"
#include "core/device/device_info.h"
#include "core/image/byte_record.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/text/text_tables.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_fieldbus.h"
#include "manual/manual_selfcheck.h"
#include "manual/manual_state.h"
#include "page_common/fieldbus_texts.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/c_my_led.h"
#include "widgets/fixed_point.h"

namespace {

QString label(int n) { return QString::fromLatin1(txt_label(n, true).c_str()); }

constexpr int blink_period = 25;

// Bit meanings of one row of a bit table: label per bit 0..31, 0 = none.
struct bit_row {
    const char* title;
    int labels[8];  // bits 0..7
};
const bit_row device_status = {"Device Status", {371, 372, 373, 374, 375, 376, 377, 378}};
const bit_row device_error = {"Device Error", {379, 380, 381, 382, 383, 384, 385, 0}};
const bit_row parameter_status = {"Parameter Status", {368, 369, 370, 0, 0, 0, 0, 0}};
const bit_row parameter_cmd = {"ParameterCmd", {387, 388, 389, 0, 0, 0, 0, 0}};
const bit_row short_cmd = {"DeviceCmd", {20, 21, 0, 0, 0, 0, 0, 0}};
const bit_row long_cmd = {"DeviceCmd", {20, 21, 23, 243, 260, 0, 0, 394}};
const bit_row third_cmd = {"DeviceCmd", {20, 21, 23, 243, 260, 202, 0, 394}};

// Keeps the last (hex) column of a sideways scrolling bit table as wide as the room that whole
// bit columns leave beside it, whatever width the table's visible part takes; scrolled to its
// end, the table then starts with a whole column. It follows the header, which learns its new
// width only after the table has kept the offset of a table scrolled to its end for the old
// one; that offset is set again.
class hex_column_fit : public QObject {
public:
    hex_column_fit(QTableWidget* table, int hex_width) : QObject(table), t_(table), hex_width_(hex_width)
    {
        table->horizontalHeader()->installEventFilter(this);
        fit();
    }

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Resize)
            fit();
        return false;
    }

private:
    void fit()
    {
        QHeaderView* header = t_->horizontalHeader();
        const int last = t_->columnCount() - 1;
        const int room = header->width();
        int used = hex_width_, first = last;
        while (first > 0 && used + t_->columnWidth(first - 1) <= room)
            used += t_->columnWidth(--first);
        t_->setColumnWidth(last, first > 0 ? hex_width_ + room - used : hex_width_);
        const QScrollBar* bar = t_->horizontalScrollBar();
        if (bar->maximum() > 0 && bar->value() == bar->maximum()) {
            header->setOffsetToLastSection();
            t_->viewport()->update();
        }
    }

    QTableWidget* t_;
    int hex_width_;
};

void setup_bit_table(c_qtablewidget_functab* t, std::initializer_list<const bit_row*> rows, int bits,
                     c_qtablewidget_functab::row_text_fn text)
{
    QStringList columns, titles;
    for (int b = bits - 1; b >= 0; --b)
        columns << QString::number(b);
    columns << QStringLiteral("Hex");
    for (const bit_row* r : rows)
        titles << QString::fromLatin1(r->title);
    t->setupTable(int(rows.size()), &titles, &columns, 0, nullptr, nullptr, text, 0);
    // Every column at least 27 pixels (the form's minimum), so that the two-digit bit numbers
    // of the headers show whole; the 32-bit tables scroll sideways.
    const int bit_width = 27;
    if (bits > 8) {
        QFont small = t->horizontalHeader()->font();
        small.setPointSize(7);
        t->horizontalHeader()->setFont(small);
        t->horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView::section { padding: 0px; }"));
        t->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
        for (int c = 0; c < bits; ++c)
            t->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
    }
    for (int c = 0; c < bits; ++c)
        t->setColumnWidth(c, bit_width);
    // The hex value whole in the table's font: its widest digits, and the margins a cell
    // draws its text within.
    const QFontMetrics fm(t->font());
    int digit = 0;
    for (QChar d : QStringLiteral("0123456789ABCDEF"))
        digit = std::max(digit, fm.horizontalAdvance(d));
    const int margin = t->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 1;
    const int hex_width = std::max(t->horizontalHeader()->sectionSizeHint(bits), digit * bits / 4 + 2 * margin + 1);
    t->setColumnWidth(bits, hex_width);
    // The 32-bit tables scroll sideways, by whole columns, to their low bits and hex value
    // (what a person looks for first). Scrolled to its end a table puts its last column at the
    // right edge, so the hex column takes the room whole bit columns leave, and the column at
    // the left edge is whole too.
    t->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    if (bits > 8)
        new hex_column_fit(t, hex_width);
    int r = 0;
    for (const bit_row* row : rows) {
        for (int b = 0; b < bits; ++b) {
            QTableWidgetItem* it = t->item(r, bits - 1 - b);
            const int n = b < 8 ? row->labels[b] : 0;
            if (n) {
                it->setToolTip(label(n));
                it->setBackground(QColor(255, 255, 255));
            } else {
                it->setToolTip(QStringLiteral("Reserved"));
                it->setBackground(QColor(224, 224, 224));
            }
            it->setTextAlignment(Qt::AlignCenter);
        }
        ++r;
    }
}

devicenet_block shown_devicenet() { return decode_devicenet(g_dev_commands().fieldbus_status.data()); }

void dn_input_row(int id, const void*, QStringList* texts) { *texts = devicenet_input_row(shown_devicenet(), id); }
void dn_output_row(int id, const void*, QStringList* texts) { *texts = devicenet_output_row(shown_devicenet(), id); }

void pb_input_row(int id, const void*, QStringList* texts)
{
    *texts = profibus_row(g_dev_commands().process_data.data(), true, id, g_fieldbus_view().profibus);
}
void pb_output_row(int id, const void*, QStringList* texts)
{
    *texts = profibus_row(g_dev_commands().process_data.data(), false, id, g_fieldbus_view().profibus);
}

const char* const input_descriptions[9] = {"Parameter", "Error + Status", "Position", "ParNr | GrPart", "Status",
                                           "Error", "Reserved", "ParVal.Full | GD", "ParVal.High | GD"};
const char* const output_descriptions[9] = {"Parameter", "Tolerance", "Pos./FuncNr", "ParNr | GrPart", "Order",
                                            "ToolType/Tol.", "Proc.Data", "ParVal.Full | TN", "ParVal.High | TN"};

QString word_description(bool input, int r)
{
    if (r < 9)
        return QString::fromLatin1(input ? input_descriptions[r] : output_descriptions[r]);
    if (input)
        return QStringLiteral("GD");
    if (r <= 20)
        return QStringLiteral("TN");
    return r == 21 ? QStringLiteral("DuploNr | TN") : r == 22 ? QStringLiteral("ProcessNr") : QStringLiteral("Reserved");
}

void setup_word_table(c_qtablewidget_functab* t, bool input, int rows, c_qtablewidget_functab::row_text_fn text)
{
    QStringList columns{QStringLiteral("Name"), QStringLiteral("Value"), QStringLiteral("Hex")}, titles;
    quint16 widths[19] = {90, 62, 40};
    for (int i = 3; i < 19; ++i) {
        const int bit = 18 - i;
        columns << (bit >= 10 ? QString::asprintf("%01d\n%01d", bit / 10, bit % 10) : QString::asprintf("%01d", bit));
        widths[i] = 14;
    }
    for (int r = 0; r < rows; ++r)
        titles << QString::asprintf(input ? "EW%d" : "AW%d", r);
    t->setupTable(rows, &titles, &columns, 0, widths, nullptr, text, 1);
    QFont header_font(QStringLiteral("HelveticaNeue LT 55 Roman"), 7, 50);
    for (int c = 0; c < 19; ++c) {
        QTableWidgetItem* h = t->horizontalHeaderItem(c);
        h->setFont(header_font);
        if (c >= 3)
            h->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    t->horizontalHeader()->setFixedHeight(30);
    // The bit columns are narrower than a style's usual smallest section.
    t->horizontalHeader()->setMinimumSectionSize(14);
    for (int c = 0; c < 19; ++c)
        t->setColumnWidth(c, widths[c]);
    t->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    t->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int r = 0; r < rows; ++r) {
        t->item(r, 0)->setText(word_description(input, r));
        const bool odd = r % 2 == 1;
        for (int c = 0; c < 19; ++c) {
            const bool darker = (c >= 3 && c <= 6) || (c >= 11 && c <= 14);
            const int alpha = odd ? (darker ? 204 : 153) : (darker ? 102 : 51);
            QTableWidgetItem* it = t->item(r, c);
            it->setBackground(QColor(0, 155, 186, alpha));
            const int n = profibus_tip_label(input ? r : 32 + r, c);
            it->setToolTip(n < 0 ? QStringLiteral("Reserved") : QString::fromLatin1(txt_label(n).c_str()));
        }
    }
}

QString option_text(const QStringList& texts, int n)
{
    return n >= 0 && n < texts.size() ? texts[n] : QStringLiteral("Option Bit Reserved (%1)").arg(n);
}

}  // namespace

fieldbus_view_state& g_fieldbus_view()
{
    static fieldbus_view_state s;
    return s;
}

void c_dlgw_manualx::init_fieldbus_bit_tables()
{
    setup_bit_table(ui->tbwx_DN_ShortProtP, {&device_status}, 8, dn_input_row);
    setup_bit_table(ui->tbwx_DN_ShortProtC, {&short_cmd}, 8, dn_output_row);
    setup_bit_table(ui->tbwx_DN_In, {&parameter_status, &device_status, &device_error}, 32, dn_input_row);
    setup_bit_table(ui->tbwx_DN_Out, {&parameter_cmd, &long_cmd}, 32, dn_output_row);
    setup_bit_table(ui->tbwx_DN_OkumaProtP, {&device_status, &device_error}, 8, dn_input_row);
    setup_bit_table(ui->tbwx_DN_OkumaProtC, {&third_cmd}, 8, dn_output_row);
}

void c_dlgw_manualx::init_fieldbus_io_tables()
{
    fieldbus_view_state& V = g_fieldbus_view();
    V.profibus = profibus_layout_of(le::u32(g_dev_commands().process_data.data() + process_block::format_word));
    V.profibus_built = true;
    setup_word_table(ui->tbwx_PB_In, true, V.profibus.rows, pb_input_row);
    setup_word_table(ui->tbwx_PB_Out, false, V.profibus.rows, pb_output_row);
    ui->l_PB_Format->setText(V.profibus.big_endian ? QStringLiteral("Big Endian") : QStringLiteral("Little Endian"));
}

void c_dlgw_manualx::update_fieldbus_data_view()
{
    const fieldbus_view_state& V = g_fieldbus_view();
    if (!V.profibus_built || le::u32(g_dev_commands().process_data.data()) != V.profibus.format_word)
        init_fieldbus_io_tables();
    ui->tbwx_PB_In->refillRows(-1);
    ui->tbwx_PB_Out->refillRows(-1);
}

void c_dlgw_manualx::reset_devicenet_view()
{
    for (QLabel* l : {ui->l_MacId, ui->l_DN_Format, ui->l_DN_BaudrateType, ui->l_DN_BaudrateVal, ui->l_ProtocolP,
                      ui->l_ProtocolC, ui->l_ParNrSts, ui->l_ParNrStsH, ui->l_ParValSts, ui->l_ParValStsH,
                      ui->l_MeasuredToolPos, ui->l_MeasuredToolPosH, ui->l_ParNrCmd, ui->l_ParNrCmdH, ui->l_ParValCmd,
                      ui->l_ParValCmdH, ui->l_ScanningTolerance, ui->l_ScanningToleranceH, ui->l_ToolPositionSetpoint,
                      ui->l_ToolPositionSetpointH, ui->l_DN_ToolNr, ui->l_DN_ToolNrH, ui->l_DN_ToolNr3,
                      ui->l_DN_ToolNr3H, ui->l_ToolPositionSetpoint3, ui->l_ToolPositionSetpoint3H})
        l->setText(QStringLiteral("---"));
    for (c_qtablewidget_functab* t : {ui->tbwx_DN_ShortProtP, ui->tbwx_DN_ShortProtC, ui->tbwx_DN_In, ui->tbwx_DN_Out,
                                      ui->tbwx_DN_OkumaProtP, ui->tbwx_DN_OkumaProtC}) {
        const bool short_table = t == ui->tbwx_DN_ShortProtP || t == ui->tbwx_DN_ShortProtC;
        const int last = t->columnCount() - 1;
        for (int r = 0; r < t->rowCount(); ++r)
            for (int c = 0; c <= last; ++c)
                if (QTableWidgetItem* it = t->item(r, c))
                    it->setText(c < last ? QStringLiteral("-") : short_table ? QStringLiteral("--") : QStringLiteral("-----"));
    }
    g_fieldbus_view().dn_status = 255;
}

void c_dlgw_manualx::show_fieldbus_status()
{
    fieldbus_view_state& V = g_fieldbus_view();
    manual_tick_state& T = g_manual_tick();
    const devicenet_block b = shown_devicenet();
    const bool online = (b.status & 2) != 0;
    if (online && !(V.dn_status & 2))
        T.dn_redraw = true;
    if (b.config != V.dn_config || b.mac != V.dn_mac || b.baud != V.dn_baud || b.status != V.dn_status) {
        ui->l_MacId->setText(QString::number(b.mac));
        ui->l_DN_Format->setText(b.big_endian() ? QStringLiteral("Big Endian") : QStringLiteral("Little Endian"));
        if (((b.config ^ V.dn_config) & 0x7F8) || T.dn_redraw) {
            // The low bits and the hex value are what a person looks for first.
            for (QTableWidget* t : {static_cast<QTableWidget*>(ui->tbwx_DN_In), static_cast<QTableWidget*>(ui->tbwx_DN_Out)})
                t->horizontalScrollBar()->setValue(t->horizontalScrollBar()->maximum());
            ui->l_ProtocolP->setText(devicenet_protocol_text(b.produced()));
            ui->l_ProtocolC->setText(devicenet_protocol_text(b.consumed()));
            ui->stw_DN_In->setCurrentIndex(devicenet_page(b.produced()));
            ui->stw_DN_Out->setCurrentIndex(devicenet_page(b.consumed()));
        }
        if (online) {
            ui->l_DN_BaudrateType->setText(label((b.config & 1) ? 366 : 356));
            ui->l_DN_BaudrateVal->setText(devicenet_baud_text(b.baud));
        } else {
            reset_devicenet_view();
            ui->l_DN_BaudrateType->setText(label(395));
            ui->l_DN_BaudrateVal->clear();
        }
        ui->l_DN_24V_State->setText(label((b.status & 1) ? 132 : 133));
        V.dn_config = b.config;
        V.dn_mac = b.mac;
        V.dn_baud = b.baud;
        V.dn_status = b.status;
    }
    if (!online)
        return;
    QString t;
    switch (b.produced()) {
    case 1:
        ui->l_ParNrSts->setText(QString::number(b.sts_number));
        ui->l_ParNrStsH->setText(QString::asprintf("%04XH", unsigned(b.sts_number)));
        ui->l_ParValSts->setText(QString::number(b.sts_value));
        ui->l_ParValStsH->setText(QString::asprintf("%08XH", b.sts_value));
        ui->l_MeasuredToolPos->setText(value_to_text(b.measured, t, 2));
        ui->l_MeasuredToolPosH->setText(QString::asprintf("%08XH", uint32_t(b.measured)));
        ui->tbwx_DN_In->refillRows(-1);
        ui->l_ParNrCmd->setText(QString::number(b.cmd_number));
        ui->l_ParNrCmdH->setText(QString::asprintf("%04XH", unsigned(b.cmd_number)));
        ui->l_ParValCmd->setText(QString::number(b.cmd_value));
        ui->l_ParValCmdH->setText(QString::asprintf("%08XH", b.cmd_value));
        ui->l_ScanningTolerance->setText(value_to_text(b.tolerance, t, 1));
        ui->l_ScanningToleranceH->setText(QString::asprintf("%08XH", uint32_t(b.tolerance)));
        ui->l_ToolPositionSetpoint->setText(value_to_text(b.setpoint, t, 2));
        ui->l_ToolPositionSetpointH->setText(QString::asprintf("%08XH", uint32_t(b.setpoint)));
        ui->tbwx_DN_Out->refillRows(-1);
        break;
    case 2: {
        const QString none = QStringLiteral("-----");
        const QString dec = QString::number(b.cmd_number), hex = QString::asprintf("%02XH", unsigned(b.cmd_number));
        const bool tool = (b.cmd_flags & 0x80) != 0;
        ui->l_DN_ToolNr3->setText(tool ? dec : none);
        ui->l_DN_ToolNr3H->setText(tool ? hex : none);
        ui->l_ToolPositionSetpoint3->setText(tool ? none : dec);
        ui->l_ToolPositionSetpoint3H->setText(tool ? none : hex);
        ui->tbwx_DN_OkumaProtP->refillRows(-1);
        ui->tbwx_DN_OkumaProtC->refillRows(-1);
        break;
    }
    default: {
        const unsigned low = b.cmd_number & 0xFF;
        ui->l_DN_ToolNr->setText(QString::number(low));
        ui->l_DN_ToolNrH->setText(QString::asprintf("%02XH", low));
        ui->tbwx_DN_ShortProtP->refillRows(-1);
        ui->tbwx_DN_ShortProtC->refillRows(-1);
        break;
    }
    }
}

void c_dlgw_manualx::read_fieldbus_block()
{
    manual_tick_state& T = g_manual_tick();
    fieldbus_view_state& V = g_fieldbus_view();
    error_record e;
    if (!dev_query_info_14(e))
        return;
    blink_fieldbus_led();
    const auto& block = g_dev_commands().fieldbus_status;
    if (block != V.dn_block || T.dn_redraw) {
        V.dn_block = block;
        show_fieldbus_status();
    }
    T.dn_redraw = false;
}

void c_dlgw_manualx::blink_fieldbus_led()
{
    manual_tick_state& T = g_manual_tick();
    ++T.fieldbus_led_count;
    const uint32_t status = le::u32(g_dev_commands().fieldbus_status.data());
    if (!(status & 2)) {
        ui->rl_DN_RcvState->set_colour_index(0);
        T.fieldbus_led_on = false;
        return;
    }
    if (T.fieldbus_led_count < blink_period)
        return;
    if (T.fieldbus_led_on) {
        T.fieldbus_led_on = false;
        ui->rl_DN_RcvState->set_colour_index(0);
    } else if (status & 4) {
        T.fieldbus_led_on = true;
        ui->rl_DN_RcvState->set_colour_index(1);
    }
    T.fieldbus_led_count = 0;
}

void c_dlgw_manualx::init_fieldbus_from_device()
{
    const const_settings_header h = g_config_image().header();
    const uint8_t kind = uint8_t(g_device_info().fieldbus_kind);
    fieldbus_view_state& V = g_fieldbus_view();
    auto& D = g_dev_commands();
    if (kind == 0x23 || kind == 0x33) {
        reset_devicenet_view();
        ui->rl_DN_RcvState->set_colour_index(0);
        const uint32_t word = uint32_t(h.field(hdr::devicenet_options));
        byte_view(D.fieldbus_status.data(), D.fieldbus_status.size()).set_u32(4, word);
        V.dn_block = D.fieldbus_status;
        V.dn_config = word;
        ui->stw_DN_In->setCurrentIndex(devicenet_page(int((word >> 3) & 0xF)));
        ui->stw_DN_Out->setCurrentIndex(devicenet_page(int((word >> 7) & 0xF)));
        set_tab_visible(tab_devicenet, true);
        set_tab_visible(tab_profibus, false);
        return;
    }
    set_tab_visible(tab_devicenet, false);
    const bool profibus = kind == 0x20 || kind == 0x22 || kind == 0x24 || kind == 0x30 || kind == 0x32 || kind == 0x34;
    set_tab_visible(tab_profibus, profibus);
    if (!profibus)
        return;
    ui->rl_PB_RcvState->set_colour_index(0);
    byte_view(D.process_data.data(), D.process_data.size()).set_u32(0, uint32_t(h.field(hdr::profibus_options)));
    manual_tick_state& T = g_manual_tick();
    T.shown_block = D.process_data;
    T.shown_valid = true;
    init_fieldbus_io_tables();
    const uint32_t options = uint32_t(h.field(hdr::pb_cmd_options));
    ui->tbwx_PB_Out->item(1, 12)->setToolTip(option_text(pb_enable_pcd_texts(), int((options >> 24) & 0xF)));
    const int bit2 = int((options >> 8) & 0xF);
    ui->tbwx_PB_Out->item(1, 14)->setToolTip(
        bit2 <= 2 ? pb_cmd_options_bit2_texts()[bit2 > 1 ? 1 : 0] : option_text({}, bit2));
}

void c_dlgw_manualx::on_tab_ManualX_currentChanged(int)
{
    manual_tick_state& T = g_manual_tick();
    manual_panel_state& P = g_manual_panel();
    g_device().status_full_refresh = true;
    const bool has_rows = ui->tbwx_FuncTab->rowCount() > 0;
    ui->bn_Trc_Start->setEnabled(has_rows);
    ui->bn_Trc_Stop->setEnabled(has_rows);
    switch (ui->tab_ManualX->current_logical_index()) {
    case tab_profibus:
        ui->rl_PB_RcvState->set_colour_index(0);
        T.process_divider = 0;
        T.process_piece = 0;
        T.force_redraw = true;
        T.dn_redraw = false;
        T.dn_divider = 0;
        break;
    case tab_devicenet:
        reset_devicenet_view();
        ui->rl_DN_RcvState->set_colour_index(0);
        T.fieldbus_led_count = 0;
        T.dn_divider = 0;
        T.dn_redraw = true;
        T.force_redraw = false;
        T.process_divider = 0;
        break;
    case tab_error_buffer:
        T.error_buffer_reload = true;
        break;
    case tab_monitoring:
    case tab_trace: {
        c_qtablewidget_functab* t = ui->tab_ManualX->current_logical_index() == tab_trace ? ui->tbwx_trc_FuncTab
                                                                                          : ui->tbwx_FuncTab;
        if (t->currentRow() >= 0)
            t->setCurrentCell(t->currentRow(), 0);
        const int selected = t->currentRowIndex();
        P.function_info_force = true;
        if (selected >= 0)
            update_function_info(uint16_t(selected), false, nullptr, false);
        break;
    }
    case tab_selfcheck: {
        error_record e;
        dev_write_zero_block(diag_buffer::area, 0, diag_buffer::header_size, e);
        break;
    }
    default:
        T.force_redraw = false;
        T.dn_redraw = false;
        T.process_divider = 0;
        T.dn_divider = 0;
        break;
    }
}
