// Writing the working image back to the controller: the tests before anything is sent, the
// stop, the changed function records, tool types, tools with their curves and parameters,
// the reboot question and the change flags.
#include <cstring>

#include "core/device/command_mailbox.h"
#include "core/device/device_calls.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/program_file.h"
#include "core/files/scanner_sets.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/image/range_checks.h"
#include "core/protocol/device_protocol.h"
#include "core/text/error_texts.h"
#include "core/text/safe_format.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "core/transfer/config_transfer.h"
#include "platform/clock.h"

namespace dp = device_protocol;

namespace {

constexpr uint32_t stop_wait_ms = 60000;
constexpr uint8_t scanning_bit = 0x02;
constexpr int32_t device_error_not_active = 32;

QString latin1(const std::string& s) { return QString::fromLatin1(s.c_str()); }

bool write_u32(uint16_t param, uint32_t v, error_record& err)
{
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return dev_write_param(param, 4, b, err);
}

bool is_device_error(const error_record& e, int32_t code) { return e.type == err_type_device && e.code == code; }

// Stops the controller and waits until it no longer scans.
bool stop_controller(error_record& err)
{
    device_frame f;
    function_record_to_request(byte_view(f.data(), dp::frame_size));
    f[dp::command_offset] = dp::cmd_stop;
    f[dp::command_offset + 1] = 0xFF;
    f[dp::command_offset + 2] = 0xFF;
    device_frame reply;
    if (!dev_send_and_wait(f, reply.data(), dev_timeout_ms, err)) {
        // The controller's refusal of the stop is reported with its device text.
        if ((reply[dp::type_offset] & dp::type_error) && reply[dp::error_code_offset] != 0)
            err.set(err_type_device, reply[dp::error_code_offset], err_severity_error);
        return false;
    }
    const uint32_t start = platform::tick_count_ms();
    for (;;) {
        device_frame poll = device_frame::make(dp::req_status, dp::count_status_request);
        if (!dev_transact(poll, reply.data(), err))
            return false;
        if (!(reply[dp::data_offset] & scanning_bit))
            break;
        if (platform::tick_count_ms() - start > stop_wait_ms) {
            err.set(err_type_host, host_error_status_in_flight);
            return false;
        }
        dev_event_pass();
    }
    return dev_read_system_info(err);
}

// The in-use flag and the record bytes, as the controller keeps them.
bool function_differs(const config_image& a, const config_image& b, uint32_t n)
{
    const const_function_record x = a.function(n), y = b.function(n);
    return x.in_use() != y.in_use() ||
           std::memcmp(x.data() + fr::name, y.data() + fr::name, image_layout::function_size - fr::name) != 0;
}

template <typename Slot>
bool slot_differs(const Slot& x, const Slot& y)
{
    return x.in_use_flag() != y.in_use_flag() ||
           std::memcmp(x.data() + slot::record, y.data() + slot::record, Slot::record_size) != 0;
}

bool write_functions(const config_image& image, const config_image& ref, bool force_all, error_record& err)
{
    const uint32_t count = g_device().family_flag ? 4 : image_layout::function_count;
    for (uint32_t n = 0; n < count; ++n) {
        transfer_progress(int(n * 100 / (count + 1)));
        if (!force_all && !function_differs(image, ref, n))
            continue;
        device_frame f;
        if (image.function(n).in_use()) {
            f = device_frame::make(dp::req_write_function, dp::count_write_function);
            device_record_pack(image.function(n),
                               byte_view(f.data() + dp::function_data_offset, device_function_record_size));
        } else {
            f = device_frame::make(dp::req_free_function, dp::count_free_function);
        }
        f.set_u16(dp::function_number_offset, uint16_t(n));
        device_frame reply;
        if (!dev_send_and_wait(f, reply.data(), dev_long_timeout_ms, err)) {
            g_parameter_error().parameter_error_function = int32_t(n);
            return false;
        }
    }
    return true;
}

bool write_tool_curves(const config_image& image, const tool_data_context& tools, error_record& err)
{
    const QString folder = curve_folder_for(tools.program_file);
    uint32_t count = 0;
    for (uint32_t n = 0; n < image_layout::tool_count; ++n)
        count += image.tool(n).in_use() ? 1 : 0;
    uint32_t sent = 0;
    std::vector<int16_t> samples;
    for (uint32_t n = 0; n < image_layout::tool_count; ++n) {
        const const_tool_slot s = image.tool(n);
        if (!s.in_use())
            continue;
        if (!load_tool_curve(folder, s.data() + slot::record, samples, err)) {
            err.set(err_type_host, 57);
            return false;
        }
        ui::current().progress_begin(latin1(safe_format("Tool-Nr: %d  toolcount: %d remaining tools: %d / data: %d",
                                                        {int(n), int(count), int(count - sent), int(samples.size())})));
        dev_progress progress;
        progress.total = uint32_t(samples.size() * 2);
        if (!dev_write_value_list(uint16_t(n), samples, progress, err)) {
            ui::critical(QStringLiteral("Error Sending PM-Data to TVX!"));
            return false;
        }
        ++sent;
    }
    return true;
}

bool write_tools(const config_image& image, const config_image& ref, bool force_all, const tool_data_context* tools,
                 error_record& err)
{
    for (uint32_t t = 128; t < image_layout::tool_type_count; ++t) {
        transfer_progress(int(t * 100 / 257));
        const const_tool_type_slot s = image.tool_type(t);
        if (!force_all && !slot_differs(s, ref.tool_type(t)))
            continue;
        if (!dev_write_record179(uint16_t(t), s.in_use(), s.data() + slot::record, err))
            return false;
    }
    for (uint32_t n = 0; n < image_layout::tool_count; ++n) {
        transfer_progress(int(n * 100 / 501));
        const const_tool_slot s = image.tool(n);
        if (!force_all && !slot_differs(s, ref.tool(n)))
            continue;
        if (!dev_write_record222(uint16_t(n), s.in_use(), s.data() + slot::record, err))
            return false;
    }
    if (!tools)
        return true;
    if (!write_tool_curves(image, *tools, err))
        return false;
    return dev_clear_records(true, dp::clear_all_records, err);
}

// The value parameter step k carries for the controller.
uint32_t step_value(const config_image& image, size_t k)
{
    const parameter_step& s = parameter_steps()[k];
    const int32_t v = image.header().field(s.field_offset);
    switch (s.part) {
    case value_part::low_byte: return uint32_t(v) & 0xFF;
    case value_part::high_byte: return (uint32_t(v) >> 8) & 0xFF;
    case value_part::whole: break;
    }
    if (s.signed_16())
        return uint32_t(v) & 0xFFFF;
    if (k == 19)
        return uint32_t(intensity_to_device(v));
    return uint32_t(v);
}

// Writes the parameters; a parameter the controller reports as not active is remembered in
// `refusal` (with its position) and the loop goes on.
bool write_parameters(const config_image& image, const config_image& ref, size_t limit, error_record& refusal,
                      int32_t& refusal_index, error_record& err)
{
    const auto& steps = parameter_steps();
    for (size_t k = 0; k < limit && k < steps.size(); ++k) {
        const uint8_t param = steps[k].param;
        if (!g_device().pm_capable && param >= 92 && param <= 96)
            continue;
        const uint32_t v = step_value(image, k);
        const bool same = v == step_value(ref, k);
        if (g_transfer().reference_is_device_state && same)
            continue;
        if (write_u32(param, v, err))
            continue;
        if (is_device_error(err, device_error_not_active)) {
            if (!refusal.failed() && !same) {
                refusal = err;
                refusal_index = int32_t(k);
            }
            err.clear();
            continue;
        }
        g_parameter_error().parameter_error_index = int32_t(k);
        return false;
    }
    return true;
}

bool cluster_of_four(const config_image& image)
{
    for (uint32_t n = 0; n < 4; ++n) {
        const const_function_record r = image.function(n);
        if (!r.in_use() || !(r.field(fr::flags) & fr::flag_cluster))
            return false;
    }
    return true;
}

void ask_reboot()
{
    transfer_state& t = g_transfer();
    if (!t.reboot_asked)
        return;
    if (ui::question(latin1(txt_message(28)), ui::yes | ui::no) == ui::yes) {
        device_frame f = device_frame::make(dp::req_command, dp::count_command);
        f[dp::command_offset] = dp::cmd_reset;
        f[dp::command_offset + 1] = 0x03;
        queue_set_single(f);
        t.reboot_requested = true;
        if (const auto& show = g_host_context().reset_message)
            show();
    }
    t.reboot_asked = false;
}

void set_change_flags_after_write()
{
    update_compatibility(g_device().revision_word);
    g_transfer().image_is_controllers = true;
}

}  // namespace

bool send_configuration_to_device(bool force_all, bool settings_only, const tool_data_context* tools,
                                  const QString& name, error_record& err)
{
    err.clear();
    if (g_host_context().data_source() != 1) {
        const int rc = write_file_with_permissions(name);
        if (rc != 0) {
            err.set(err_type_host, rc);
            return false;
        }
        ui::information(QStringLiteral("File save successfull"));
        return true;
    }

    const config_image& image = g_config_image();
    const config_image& ref = g_reference_image();
    device_state& d = g_device();
    auto fail_early = [&err] {
        show_error_record(err);
        return false;
    };
    if (!dev_wait_idle_or_error(err))
        return fail_early();

    // The count needs the controller: a read that fails says why, not that no scanner fits.
    const int supported = count_supported_scanners(err);
    if (err.failed())
        return fail_early();
    const int32_t scanner = image.header().field(hdr::scanner);
    if (!(scanner & 0x80) && scanner >= supported) {
        ui::critical(latin1(safe_format(
            "Host ERROR: The selected scanner is not supported from the old Tarvix FSW.\nOnly Scanners P000 - P%03d allowed",
            {supported - 1})));
        return false;
    }

    const device_state saved = d;
    const uint8_t family = read_device_variant(err);
    if (err.failed())
        return fail_early();
    if (!variant_accepted(image.header().field(hdr::variant_bits))) {
        d.family_flag = saved.family_flag;
        d.pm_capable = saved.pm_capable;
        d.variant_bit2 = saved.variant_bit2;
        d.variant_bit3 = saved.variant_bit3;
        err.set(err_type_host, 13);
        return fail_early();
    }
    d.family_code = family;

    uint32_t revision = 0;
    error_record re;
    d.revision_word = dev_read_param_u32(dp::param_revision, revision, re) ? revision_from_device(revision)
                                                                 : dp::revision_unreadable;
    update_compatibility(d.revision_word);
    const bool legacy = d.revision_word == dp::revision_unreadable;

    ui::current().progress_begin(latin1(txt_label(119)));
    ui::current().progress_set(1);

    error_record refusal;
    int32_t refusal_index = -1;
    bool ok = stop_controller(err);
    if (ok && legacy)
        ok = check_legacy_firmware_ranges(image, settings_only, err);

    size_t limit = parameter_step_count;
    const int fields = int(d.revision_word & 0xFF);
    if (ok && fields < host_settings_fields) {
        const int entry = changed_data_entry(image, fields);
        if (entry >= 0 && entry != 53) {
            error_record w;
            w.set(err_type_host, 24, err_severity_warning);
            g_parameter_error().parameter_error_index = entry;
            const int answer = ui::current().message(ui::box_kind::warning, ui::title_warning(),
                                                     latin1(error_record_text(w)), ui::ignore | ui::cancel);
            if (answer != ui::ignore) {
                ui::current().progress_end();
                return false;
            }
        }
        limit = std::min<size_t>(limit, size_t(fields) + 4);
    }

    if (ok && !settings_only)
        ok = write_functions(image, ref, force_all, err);
    if (ok && d.pm_capable && !settings_only)
        ok = write_tools(image, ref, force_all, tools, err);
    if (ok)
        ok = write_parameters(image, ref, limit, refusal, refusal_index, err);
    if (ok && fw_version_at_least(1, 15, 0)) {
        ok = write_u32(17, cluster_of_four(image) ? 1 : 0, err);
        if (!ok && is_device_error(err, device_error_not_active)) {
            err.clear();
            ok = true;
        }
    }
    ui::current().progress_end();

    if (!ok) {
        // An old firmware refuses values it cannot take with "data not supported": the user
        // needs to hear which parameter is out of its range.
        if (legacy && is_device_error(err, 7))
            err.set(err_type_device, 30, err_severity_error);
        err.severity = err_severity_error;
        d.change_flags |= compat_fw_too_old;
        show_error_record(err);
        return false;
    }
    if (refusal.failed()) {
        g_parameter_error().parameter_error_index = refusal_index;
        show_error_record(refusal);
    } else {
        ui::information(latin1(txt_label(171)));
    }
    ask_reboot();
    set_change_flags_after_write();
    return true;
}
