// Reading the whole configuration from the controller into the working image.
#include <cstring>

#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/image/paired_fields.h"
#include "core/image/range_checks.h"
#include "core/image/working_image.h"
#include "core/protocol/device_frame.h"
#include "core/protocol/device_protocol.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "core/transfer/config_transfer.h"

namespace dp = device_protocol;

namespace {

// A parameter this controller does not have: its refusal (error 6 or 7), or a reply that names
// another parameter or kind (host error 7). The field then takes its "absent" value.
bool refused(const error_record& e)
{
    return (e.type == err_type_device || e.type == err_type_host) && (e.code == 6 || e.code == 7);
}

void read_info_text()
{
    uint8_t block[59] = {};
    error_record e;
    if (dev_query_info(dp::info_device_text, block, e)) {
        // The text starts at frame byte 5, zero-terminated within the block.
        char text[59] = {};
        std::memcpy(text, block + 1, 58);
        g_device().info_text = "\"" + std::string(text) + "\"";
    } else {
        g_device().info_text = "\"----------\"";
    }
}

bool read_functions(config_image& image, uint32_t count, error_record& err)
{
    for (uint32_t n = 0; n < image_layout::function_count; ++n)
        image.function(n).set_in_use(false);
    for (uint32_t n = 0; n < count; ++n) {
        transfer_progress(int(n * 100 / (count + 1)));
        device_frame f = device_frame::make(dp::req_read_function, dp::count_read_parameter);
        f.set_u16(dp::function_number_offset, uint16_t(n));
        device_frame reply;
        if (!dev_transact(f, reply.data(), err))
            return false;
        if (reply.u16(dp::function_number_offset) != n) {
            err.set(err_type_host, host_error_wrong_reply);
            return false;
        }
        function_record rec = image.function(n);
        if (reply.type() & dp::type_second) {
            rec.fill(0, image_layout::function_size, 0);
            continue;
        }
        const size_t data = reply.data_count() > 2 ? size_t(reply.data_count()) - 2 : 0;
        if (data > dp::reply_count_function - 2) {
            const size_t end = std::min<size_t>(dp::function_data_offset + data, dp::frame_size);
            for (size_t i = dp::function_data_offset + device_function_record_size; i < end; ++i)
                if (reply[i] != 0) {
                    g_device().change_flags |= compat_host_too_old;
                    g_transfer().unsupported_data = true;
                    break;
                }
        }
        const function_record_bytes unpacked =
            device_record_unpack(const_byte_view(reply.data() + dp::function_data_offset, device_function_record_size));
        std::memcpy(rec.data(), unpacked.data(), unpacked.size());
    }
    return true;
}

bool read_tool_types(config_image& image, error_record& err)
{
    for (uint32_t t = 0; t < image_layout::tool_type_count; ++t)
        image.tool_type(t).set_in_use(0);
    for (uint32_t t = 0; t < image_layout::tool_type_count; ++t) {
        transfer_progress(int(t * 100 / 255));
        tool_type_slot s = image.tool_type(t);
        bool found = false;
        if (!dev_read_record179(uint16_t(t), found, s.data() + slot::record, err))
            return false;
        s.set_in_use(found ? 1 : 0);
    }
    return true;
}

bool read_parameters(config_image& image, error_record& err)
{
    settings_header h = image.header();
    const auto& steps = parameter_steps();
    for (size_t k = 0; k < steps.size(); ++k) {
        const parameter_step& s = steps[k];
        if (!g_device().pm_capable && s.param >= 92 && s.param <= 96) {
            h.set_field(s.field_offset, -1);
            continue;
        }
        uint32_t raw = 0;
        if (!dev_read_param_u32(s.param, raw, err)) {
            if (!refused(err)) {
                g_parameter_error().parameter_error_index = int32_t(k);
                return false;
            }
            err.clear();
            raw = k == 44 ? 1 : 0;
        }
        int32_t v = int32_t(raw);
        // Of the two signed fields the controller keeps 16 bits: a negative value comes back
        // negative, not as a large positive one that the window would clamp and write back.
        if (s.signed_16())
            v = int16_t(uint16_t(raw));
        switch (s.part) {
        case value_part::whole:
            h.set_field(s.field_offset, k == 19 ? intensity_from_device(v) : v);
            break;
        case value_part::low_byte:
            h.set_field(s.field_offset, v & 0xFF);
            break;
        case value_part::high_byte:
            h.set_field(s.field_offset, paired_fields::from_16_bits(s.field_offset, uint32_t(h.field(s.field_offset)) |
                                                                                        ((uint32_t(v) & 0xFF) << 8)));
            break;
        }
    }
    return true;
}

bool read_all(config_image& image, error_record& err)
{
    device_state& d = g_device();
    if (!dev_wait_idle_or_error(err))
        return false;
    if (!dev_read_system_info(err))
        return false;
    g_device_info().valid = true;
    const uint8_t family = read_device_variant(err);
    if (err.failed())
        return false;
    d.family_code = family;

    read_info_text();

    uint32_t revision = 0;
    error_record re;
    if (dev_read_param_u32(dp::param_revision, revision, re))
        d.revision_word = revision_from_device(revision);
    else
        d.revision_word = dp::revision_unreadable;
    update_compatibility(d.revision_word);

    settings_header h = image.header();
    h.set_field(hdr::variant_bits, variant_bits_from_flags());
    const uint32_t count = d.family_flag ? 4 : image_layout::function_count;
    if (!read_functions(image, count, err))
        return false;

    if (d.pm_capable && (family >> 4) == 0x3) {
        if (!read_tool_types(image, err))
            return false;
        if (!read_tool_table_from_device(err))
            return false;
        for (uint32_t i = 0; i < image_layout::pm_record_count; ++i)
            g_images().pm_record(i).set_in_use(0);
    }
    return read_parameters(image, err);
}

}  // namespace

uint32_t revision_from_device(uint32_t raw)
{
    if ((raw & 0xFF) == uint8_t(')'))
        raw = (raw & ~0xFFu) | uint8_t('+');
    return raw;
}

bool read_configuration_from_device(error_record& err)
{
    err.clear();
    config_image& image = g_config_image();
    device_state& d = g_device();
    ui::current().progress_begin(QString::fromLatin1(txt_label(118).c_str()));
    ui::current().progress_set(0);
    const bool ok = read_all(image, err);
    ui::current().progress_end();

    if (ok) {
        uint8_t mode_flag = 0;
        // The range box names the first value out of range; the host error after it only
        // says that the program cannot be used as it is.
        if (!check_configuration_ranges(image, mode_flag)) {
            err.set(err_type_host, mode_flag ? 29 : 21);
            d.change_flags |= compat_host_too_old;
        }
        image.header().set_field(hdr::format_code, int32_t(image_layout::format_code));
        if (int(d.revision_word & 0xFF) > host_settings_fields && d.revision_word != dp::revision_unreadable) {
            // During a reset to factory defaults the extra settings are expected; otherwise
            // the program cannot show them all.
            if (g_transfer().factory_reset_count > 0) {
                d.change_flags |= compat_host_older;
            } else {
                d.change_flags |= compat_host_too_old;
                g_transfer().unsupported_data = true;
            }
        }
        g_transfer().read_from_controller = true;
    }
    if (!err.failed() && d.family_flag) {
        function_record r0 = image.function(0);
        if (!r0.in_use()) {
            const function_record_bytes def = function_record_clear(image.header());
            std::memcpy(r0.data(), def.data(), def.size());
            r0.set_in_use(true);
        }
        apply_basic_copy(image);
    }
    if (err.failed())
        show_error_record(err);
    return !err.failed();
}
