// The Selfcheck tab of the manual mode page: starting a self test, following it on every
// status tick while the tab is shown, its results, the plot buttons, and the Diagnostic
// button that saves the whole diagnostic buffer.
#include <QFileInfo>
#include <QPushButton>

#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/files/app_dirs.h"
#include "core/image/byte_record.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/c_frm_selftest.h"
#include "manual/manual_selfcheck.h"
#include "ui_c_dlgw_manualx.h"
#include "ui_c_frm_selftest.h"

namespace {

constexpr int16_t host_error_diagnostic_write = 18;

}  // namespace

void c_dlgw_manualx::on_bn_StartSelfCheck_clicked()
{
    const int32_t area = ui->ebx_ST_AreaChk->value();
    if (area == 0) {
        ui::critical(QStringLiteral("Please enter in the \"Area\" field a valid degree-value!"));
        return;
    }
    queue_set_single(selfcheck_start_frame(int16_t(area)));
    selfcheck_state& S = g_selfcheck();
    S.total = 0;
    S.previous_count = 0;
    error_record e;
    dev_write_zero_block(diag_buffer::area, 0, diag_buffer::header_size, e);
    on_bn_ST_ClearPlotter_clicked();
    S.running = true;
    S.previous_status = false;
}

void c_dlgw_manualx::selfcheck_cycle()
{
    selfcheck_state& S = g_selfcheck();
    if (!S.running)
        return;
    uint8_t header[diag_buffer::header_size];
    error_record e;
    // Read failures during a test wait for the next tick.
    if (!dev_read_block(diag_buffer::area, header, 0, sizeof header, e, true))
        return;
    const uint16_t status = le::u16(header + diag_buffer::status);
    if (S.previous_status && !(status & 1)) {
        S.running = false;
        int32_t results[6];
        if (dev_query_info_28(results, false, e)) {
            std::copy(results, results + 6, S.results.begin());
            S.results_valid = true;
            show_selfcheck_results(false);
        }
        return;
    }
    S.previous_status = status != 0;
    const selfcheck_step step = selfcheck_plan(S.previous_count, le::u16(header + diag_buffer::count));
    if (step.next_previous == S.previous_count && step.n == 0)
        return;
    if (step.n > 0) {
        qDebug("Cnt %d Status %02X", int(step.n), unsigned(status));
        if (step.overflow)
            qDebug("ST_CycleTask Overflow. Cnt %d", int(step.n));
        const uint32_t n = step.n, first = step.first;
        std::vector<uint8_t> pos(4 * n), pwm(2 * n), speed(2 * n), var(4 * n);
        if (!dev_read_block(diag_buffer::area, pos.data(), diag_buffer::position + 4 * first, 4 * n, e, true) ||
            !dev_read_block(diag_buffer::area, pwm.data(), diag_buffer::pwm + 2 * first, 2 * n, e, true) ||
            !dev_read_block(diag_buffer::area, speed.data(), diag_buffer::speed + 2 * first, 2 * n, e, true) ||
            !dev_read_block(diag_buffer::area, var.data(), diag_buffer::variable + 4 * first, 4 * n, e, true))
            return;
        selftest_curves& c = g_selftest_curves();
        for (uint32_t i = 0; i < n; ++i) {
            c.position.append(qint16(le::u16(pos.data() + 4 * i)));
            c.pwm.append(qint16(le::u16(pwm.data() + 2 * i)));
            c.speed.append(qint16(le::u16(speed.data() + 2 * i)));
            c.variable.append(qint16((le::u32(var.data() + 4 * i) >> 16) & 0xFF));
        }
        S.total += n;
        ui->frm_selftest->form()->plot_Main->draw_increment(int(S.total));
        ui->frm_selftest->form()->plot_Zoom->draw_increment(int(S.total));
    }
    S.previous_count = step.next_previous;
}

void c_dlgw_manualx::show_selfcheck_results(bool clear)
{
    QLabel* labels[6] = {ui->l_ST_SerialNr, ui->l_ST_ScannerOpTime, ui->l_ST_ScannerOvTempTime,
                         ui->l_ST_MeanPower, ui->l_ST_MeanSpeed, ui->l_ST_TimeDiff};
    if (clear) {
        for (QLabel* l : labels)
            l->setText(QStringLiteral("-----"));
        return;
    }
    const auto& r = g_selfcheck().results;
    ui->l_ST_SerialNr->setText(selfcheck_serial_text(uint32_t(r[0])));
    ui->l_ST_ScannerOpTime->setText(selfcheck_time_text(uint32_t(r[1])));
    ui->l_ST_ScannerOvTempTime->setText(selfcheck_time_text(uint32_t(r[2])));
    ui->l_ST_MeanPower->setText(selfcheck_percent_text(r[3]));
    ui->l_ST_MeanSpeed->setText(selfcheck_percent_text(r[4]));
    ui->l_ST_TimeDiff->setText(selfcheck_percent_text(r[5]));
}

void c_dlgw_manualx::on_bn_ST_ShowPlotter_clicked() { ui->frm_selftest->showChannels(false); }

void c_dlgw_manualx::on_bn_ST_ClearPlotter_clicked()
{
    Ui::c_frm_selftest* f = ui->frm_selftest->form();
    f->plot_Main->set_visible_curve_mask(0x3C0);
    f->plot_Zoom->set_visible_curve_mask(0x3C0);
    selftest_curves& c = g_selftest_curves();
    c.position.clear();
    c.pwm.clear();
    c.speed.clear();
    c.variable.clear();
    f->plot_Main->redraw_hide_band();
    f->plot_Zoom->redraw_hide_band();
}

void c_dlgw_manualx::on_bn_Diagnostic_clicked()
{
    QString path = ui::current().save_file_name(this, QStringLiteral("Save diagnostic data to file ..."),
                                                data_file(QStringLiteral("diagnostic")),
                                                QStringLiteral("Tarvix diagnostic trace files (*.dat)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".dat");
    dev_wait_idle();
    error_record e;
    selfcheck_state& S = g_selfcheck();
    if (!dev_read_block(diag_buffer::area, S.buffer.data(), 0, diag_buffer::size, e)) {
        show_error_record(e);
        return;
    }
    if (!write_diagnostic_trace_file(path)) {
        show_error_code(host_error_diagnostic_write, err_severity_error, err_type_host, err_arg_none, 0);
        return;
    }
    ui::information(QString::fromLatin1(txt_label(252).c_str()));
}
