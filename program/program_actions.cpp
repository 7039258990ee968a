// Device actions of the program window: Start and Teach of the selected function, its
// cluster or the Basic page, Stop, parameter read and write, the scanner finder and the
// Teach enabling after a table click. Commands only fill the mailbox; the link timer sends.
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/protocol/device_protocol.h"
#include "core/text/error_texts.h"
#include "core/text/user_seam.h"
#include "page_common/c_dlg_scannerfinder.h"
#include "page_common/kept_values.h"
#include "page_common/manual_commands.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"

namespace dp = device_protocol;

namespace {

constexpr size_t flags_byte = 24;  // the packed flags byte inside a command frame

device_frame function_frame(uint32_t n, uint8_t command)
{
    device_frame f;
    function_record_to_device_record_cmd(n, command, byte_view(f.data(), dp::frame_size));
    f[dp::command_offset] = command;
    f.set_u16(5, 0xFFFF);
    return f;
}

bool is_cluster(uint32_t n) { return (g_config_image().function(n).field(fr::flags) & fr::flag_cluster) != 0; }

void set_all_commands(uint8_t command)
{
    command_mailbox_state& m = command_mailbox();
    for (int i = 0; i < 3; ++i)
        m.frames[i][dp::command_offset] = command;
}

}  // namespace

void c_dlgw_program::basic_side_to_function(uint32_t n, bool left, int32_t flags)
{
    Ui::c_dlgw_program& f = *ui;
    const function_record r = g_config_image().function(n);
    r.set_field(fr::mode, combo_kept_value(f.cb_TS_Mode, r.field(fr::mode)));
    r.set_field(fr::back_mode, 0);
    r.set_field(fr::object_pos, (left ? f.ebx_TS_ObjectAngleX : f.ebx_TS_ObjectAngle)->value());
    r.set_field(fr::teach_limit, (left ? f.ebx_TS_AngleX : f.ebx_TS_Angle)->value());
    r.set_field(fr::tolerance, (left ? f.ebx_TS_ToleranceX : f.ebx_TS_Tolerance)->value());
    QComboBox* intensity = left ? f.cb_TS_IntensityX : f.cb_TS_Intensity;
    r.set_field(fr::intensity, combo_kept_value(intensity, r.field(fr::intensity)));
    r.set_field(fr::out3, f.rbg_TS_AlarmOut->index() == 1 ? 5 : 0);
    r.set_field(fr::counter, (left ? f.ebx_TS_CounterX : f.ebx_TS_Counter)->value());
    r.set_field(fr::counter_limit, (left ? f.ebx_TS_AlarmCounterX : f.ebx_TS_AlarmCounter)->value());
    r.set_field(fr::next_func, -1);
    r.set_field(fr::ko_func, -1);
    r.set_field(fr::flags, flags);
}

bool c_dlgw_program::queue_start()
{
    config_image& img = g_config_image();
    if (g_device().family_flag) {
        if (ui->chb_TS_RL_Mode->isChecked()) {
            basic_side_to_function(0, false, fr::flag_cluster);
            for (uint32_t n = 1; n < 4; ++n)
                std::copy(img.function(0).data(), img.function(0).data() + image_layout::function_size,
                          img.function(n).data());
            img.function(1).set_field(fr::flags, fr::flag_cluster | 4);
            basic_side_to_function(2, true, fr::flag_cluster | 8);
            device_frame a = function_frame(0, dp::cmd_start), b = function_frame(1, dp::cmd_start),
                         c = function_frame(2, dp::cmd_start);
            for (device_frame* x : {&a, &b, &c})
                (*x)[flags_byte] |= fr::flag_start_marker;
            queue_set_three(a, b, c);
        } else {
            basic_side_to_function(0, false, 0);
            queue_set_single(function_frame(0, dp::cmd_start));
        }
        return true;
    }
    // No selected row: nothing to start.
    const int n = ui->tbwx_FuncTab->currentRowIndex();
    if (n < 0 || n >= int(image_layout::function_count))
        return false;
    if (!is_cluster(uint32_t(n))) {
        queue_set_single(function_frame(uint32_t(n), dp::cmd_start));
        return true;
    }
    const uint32_t base = uint32_t(n) & ~3u;
    const uint32_t m = uint32_t(n) & 3u;
    if (m == 1 || m == 2) {
        queue_set_single(function_frame(uint32_t(n), dp::cmd_start));
        return true;
    }
    device_frame a = function_frame(uint32_t(n), dp::cmd_start), b = function_frame(base + 1, dp::cmd_start),
                 c = function_frame(base + 2, dp::cmd_start);
    if (n == 0 || n == 3)
        for (device_frame* x : {&a, &b, &c})
            (*x)[flags_byte] |= fr::flag_start_marker;
    queue_set_three(a, b, c);
    return true;
}

void c_dlgw_program::on_bn_Start_clicked() { queue_start(); }

void c_dlgw_program::on_bn_Teach_clicked()
{
    if (!queue_start())
        return;
    set_all_commands(dp::cmd_teach);
    g_status().teach_code = g_device().family_flag ? 0 : ui->tbwx_FuncTab->currentRowIndex();
}

void c_dlgw_program::queue_start_side(bool left)
{
    if (left) {
        basic_side_to_function(2, true, fr::flag_cluster | 8 | fr::flag_start_marker);
        queue_set_single(function_frame(2, dp::cmd_start));
    } else {
        basic_side_to_function(0, false, 0);
        queue_set_single(function_frame(0, dp::cmd_start));
    }
}

void c_dlgw_program::on_bn_Start_R_clicked() { queue_start_side(false); }
void c_dlgw_program::on_bn_Start_L_clicked() { queue_start_side(true); }

void c_dlgw_program::on_bn_Teach_R_clicked()
{
    queue_start_side(false);
    command_mailbox().frames[0][dp::command_offset] = dp::cmd_teach;
    g_status().teach_code = teach_cluster + 1;
}

void c_dlgw_program::on_bn_Teach_L_clicked()
{
    queue_start_side(true);
    command_mailbox().frames[0][dp::command_offset] = dp::cmd_teach;
    g_status().teach_code = teach_cluster + 2;
}

void c_dlgw_program::on_bn_Stop_clicked() { queue_stop(); }

namespace {

bool parameter_number(c_qlineedit_extend* field, uint16_t& n)
{
    const int v = field->value();
    if (v < 1 || v > 255)
        return false;
    n = uint16_t(v);
    return true;
}

void show_parameter_error(const error_record& e)
{
    g_parameter_error().parameter_error_index = -1;
    show_error_record(e);
}

}  // namespace

void c_dlgw_program::on_bn_Read_clicked()
{
    ui->ebx_ParValue->setValue(-1);
    uint16_t n = 0;
    if (!parameter_number(ui->ebx_ParNumber, n))
        return;
    error_record e;
    if (!dev_wait_idle(&e)) {
        if (!e.failed())
            e.set(err_type_host, host_error_status_in_flight);
        show_parameter_error(e);
        return;
    }
    e.clear();
    int32_t value = 0;
    if (dev_read_param(n, 4, &value, e))
        ui->ebx_ParValue->setValue(value);
    else
        show_parameter_error(e);
}

void c_dlgw_program::on_bn_Write_clicked()
{
    uint16_t n = 0;
    if (!parameter_number(ui->ebx_ParNumber, n))
        return;
    const int32_t value = ui->ebx_ParValue->value();
    error_record e;
    if (!dev_wait_idle(&e)) {
        if (!e.failed())
            e.set(err_type_host, host_error_status_in_flight);
        show_parameter_error(e);
        return;
    }
    e.clear();
    if (!dev_write_param(n, 4, &value, e))
        show_parameter_error(e);
}

void c_dlgw_program::on_bn_ScannerFinder_clicked()
{
    g_config_image().header().set_field(hdr::scanner, scanner_of_window());
    scannerFinder_->findForConfigured();
    ui::current().run_modal(scannerFinder_);
    program_page_state& P = g_program_page();
    P.finder_writing = true;
    show_scanner(g_config_image().header().field(hdr::scanner));
    P.finder_writing = false;
}

void c_dlgw_program::on_tbwx_FuncTab_clicked()
{
    Ui::c_dlgw_program& f = *ui;
    if (g_program_document().source != 1 || f.tbwx_FuncTab->rowCount() == 0)
        return;
    const bool basic = g_device().family_flag != 0;
    const int n = basic ? 0 : f.tbwx_FuncTab->currentRowIndex();
    if (n < 0)
        return;
    const config_image& img = g_config_image();
    const bool ready = g_status().teach_permitted;
    const bool zero_cluster = img.function(0).in_use() && is_cluster(0);
    if (is_cluster(uint32_t(n))) {
        const bool teach = (uint32_t(n) & ~3u) == 0 || (ready && zero_cluster);
        f.bn_Teach->setEnabled(teach);
        if (basic) {
            f.bn_Teach_R->setEnabled(teach);
            f.bn_Teach_L->setEnabled(teach);
        }
    } else if (zero_cluster) {
        f.bn_Teach->setEnabled(ready);
        if (basic)
            f.bn_Teach_R->setEnabled(ready);
    } else {
        f.bn_Teach->setEnabled(true);
    }
}
