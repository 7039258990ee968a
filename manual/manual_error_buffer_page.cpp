// The Error Buffer tab of the manual mode page: reading the controller's buffer while the
// tab is shown, the table, the advanced view, Clear and the report file.
#include <QCheckBox>
#include <QDate>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QThread>
#include <cstring>

#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/image/function_rows.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_error_buffer.h"
#include "manual/manual_state.h"
#include "ui_c_dlgw_manualx.h"

namespace dp = device_protocol;

namespace {

constexpr int16_t host_error_bad_reply = 7;
constexpr int16_t host_error_write_access = 63;
constexpr size_t entry_offset = 7;

const QStringList& error_buffer_header()
{
    static const QStringList h{"No.",      "Counter",   "Timestamp", "Source", "FuncNo", "Setpoint",
                               "Tolerance", "Position", "S-Code",    "E-Code", "F-Code"};
    return h;
}

QString version_text(const version_record& v) { return QString::fromStdString(version_record_text(v)); }

QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }

void pause(int ms)
{
    error_buffer_state& B = g_error_buffer();
    if (B.sleep)
        B.sleep(ms);
    else
        QThread::msleep(unsigned(ms));
}

}  // namespace

void c_dlgw_manualx::setup_error_buffer_table()
{
    static const quint16 widths[] = {35, 60, 120, 70, 55, 65, 65, 65, 130, 200, 200};
    ui->tbwx_ErrorBuf->setup_columns(error_buffer_header(), widths);
    ui->tbwx_ErrorBuf->verticalHeader()->hide();
    ui->tbwx_ErrorBuf->setColumnHidden(8, !ui->chb_AdvancedErrorBuf->isChecked());
}

bool c_dlgw_manualx::load_error_buffer(error_record& result)
{
    error_buffer_state& B = g_error_buffer();
    result.clear();
    // Host error 4 when the link timer's request stays unanswered, the link's error when the
    // controller is gone.
    if (dev_wait_idle_or_error(result)) {
        int good = 0;
        for (int index = 0; index < error_buffer_entries; ++index) {
            device_frame f = device_frame::make(dp::req_info, dp::count_info_sub);
            f[dp::info_index_offset] = dp::info_error_buffer;
            f[dp::info_sub_offset] = uint8_t(index);
            device_frame reply;
            if (!dev_transact(f, reply.data(), result))
                break;
            // Another index or a short entry would put foreign bytes into the list.
            if (reply[dp::info_index_offset] != dp::info_error_buffer ||
                reply.data_count() < entry_offset - dp::info_index_offset + error_buffer_entry_size) {
                result.set(err_type_host, host_error_bad_reply);
                break;
            }
            std::memcpy(B.entries[size_t(index)].data(), reply.data() + entry_offset, error_buffer_entry_size);
            good = index + 1;
        }
        if (result.type == err_type_device && result.code == dp::device_error_list_end)
            result.clear();
        B.count = uint16_t(good);
        if (result.failed() && !dev_controller_gone(result))
            show_error_record(result);
    }
    // A controller that left is the link timer's to show, at once: this runs inside its
    // tick, where a box or the pause would hold it.
    if (!dev_controller_gone(result))
        pause(300);
    return !result.failed();
}

void c_dlgw_manualx::fill_error_buffer_table(bool advanced)
{
    error_buffer_state& B = g_error_buffer();
    const std::vector<error_buffer_row> rows = error_buffer_rows(B.entries.data(), B.count, advanced);
    B.ecode_details.clear();
    B.fcode_details.clear();
    B.power_on_rows = 0;
    c_qtablewidget_seq* t = ui->tbwx_ErrorBuf;
    t->clear_rows();
    for (const error_buffer_row& r : rows) {
        B.power_on_rows += r.power_on ? 1 : 0;
        B.ecode_details << r.ecode_detail;
        B.fcode_details << r.fcode_detail;
        t->append_row(r.cells);
        if (!r.power_on) {
            const int row = t->rowCount() - 1;
            t->item(row, 9)->setToolTip(r.ecode_tip);
            t->item(row, 10)->setToolTip(r.fcode_tip);
        }
    }
}

uint16_t c_dlgw_manualx::error_buffer_count() const { return g_error_buffer().count; }

void c_dlgw_manualx::enable_error_buffer_controls()
{
    // Diagnostic saves the self-check buffer, not this one: the access level alone shows it.
    const bool entries = error_buffer_count() > 0;
    for (QPushButton* b : {ui->bn_Clear_ErrBuf, ui->bn_Save_ErrBuf})
        b->setEnabled(entries);
}

void c_dlgw_manualx::error_buffer_cycle(bool bit_raised)
{
    manual_tick_state& T = g_manual_tick();
    error_buffer_state& B = g_error_buffer();
    if (!bit_raised)
        B.failed_on_raised_bit = false;
    // A controller that keeps failing must not open box after box on the same raised bit.
    const bool load = T.error_buffer_reload || (bit_raised && !B.failed_on_raised_bit);
    if (!load)
        return;
    T.error_buffer_reload = false;
    error_record result;
    const bool ok = load_error_buffer(result);
    B.failed_on_raised_bit = !ok && bit_raised;
    fill_error_buffer_table(ui->chb_AdvancedErrorBuf->isChecked());
}

void c_dlgw_manualx::on_chb_AdvancedErrorBuf_stateChanged(int state)
{
    ui->tbwx_ErrorBuf->setColumnHidden(8, state != Qt::Checked);
    fill_error_buffer_table(state == Qt::Checked);
}

void c_dlgw_manualx::on_bn_Clear_ErrBuf_clicked()
{
    error_record e;
    if (!dev_wait_idle_or_error(e)) {
        show_error_record(e);
        return;
    }
    if (!dev_clear_error_buffer(e)) {
        show_error_record(e);
        return;
    }
    error_buffer_state& B = g_error_buffer();
    ui->tbwx_ErrorBuf->clear_rows();
    B.count = 0;
    B.power_on_rows = 0;
    B.ecode_details.clear();
    B.fcode_details.clear();
}

QByteArray c_dlgw_manualx::error_report(const QString& date, const QString& info_text)
{
    const device_info_state& D = g_device_info();
    error_report_head h;
    h.cu_label = label(430);
    h.cu_id_label = label(346);
    h.scanner_label = label(347);
    h.date = date;
    uint8_t block[59] = {};
    error_record e;
    const QString dashes = QStringLiteral("----------");
    if (dev_query_info(0, block, e)) {
        block[58] = 0;
        h.control_unit = QString::fromLatin1(reinterpret_cast<const char*>(block + 17));
    } else {
        h.control_unit = dashes;
    }
    if (D.valid) {
        h.control_unit_id = QString::asprintf("%s / %s / %s / L%d.%02d", D.cu_article_text.c_str(), D.cu_serial_text.c_str(),
                                              D.io_module_text.c_str(), D.logic_major, D.logic_minor * 10);
        // The report splits the scanner's serial number as the control unit's: "%07d.%03d".
        bool number = false;
        const int serial = QString::fromStdString(D.scanner_serial_text).toInt(&number);
        const QString serial_text = number ? QString::asprintf("%07d.%03d", serial / 1000, serial % 1000)
                                           : QString::fromStdString(D.scanner_serial_text);
        h.scanner_id = QString::asprintf("%s / %s ", D.scanner_article_text.c_str(), serial_text.toLatin1().constData());
    } else {
        h.control_unit_id = h.scanner_id = dashes;
    }
    h.io_module = QString::fromStdString(format_output_state_text(D.io_module_word));
    h.firmware = version_text(D.firmware);
    h.loader = version_text(D.loader);
    h.info_text = info_text;
    std::vector<QStringList> rows;
    c_qtablewidget_seq* t = ui->tbwx_ErrorBuf;
    for (int r = 0; r < t->rowCount(); ++r) {
        QStringList c;
        for (int k = 0; k < 9; ++k)
            c << (t->item(r, k) ? t->item(r, k)->text() : QString());
        rows.push_back(c);
    }
    const error_buffer_state& B = g_error_buffer();
    return error_report_text(h, error_buffer_header(), rows, B.ecode_details, B.fcode_details);
}

void c_dlgw_manualx::on_bn_Save_ErrBuf_clicked()
{
    const QString info = ui::current().text_line(this, QStringLiteral("Optional info text ..."), QString());
    QString path = ui::current().save_file_name(this, QStringLiteral("Save error trace to"),
                                                data_file(QStringLiteral("diagnostic")), QStringLiteral("ErrorTrace(*.txt)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".txt");
    const error_buffer_state& B = g_error_buffer();
    const QDate today = B.today ? B.today() : QDate::currentDate();
    const QByteArray text = error_report(today.toString(Qt::TextDate), info);
    // Written to a temporary name and renamed: a failed write leaves no half report.
    const file_write_result r = replace_file(path, text);
    if (!r.ok) {
        show_error_code(host_error_write_access, err_severity_error, err_type_host, err_arg_once, r.sys_errno);
        return;
    }
    ui::information(label(414));
}
