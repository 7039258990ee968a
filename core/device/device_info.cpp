#include "core/device/device_info.h"

#include <cstring>
#include <tuple>

#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/function_rows.h"
#include "core/image/paired_fields.h"
#include "core/protocol/device_frame.h"
#include "core/text/error_texts.h"
#include "core/text/safe_format.h"

namespace dp = device_protocol;

namespace {

std::string dec(const char* fmt, int64_t v) { return safe_format(fmt, {format_arg(static_cast<long long>(v))}); }

void read_io_module(device_info_state& d)
{
    device_frame r;
    error_record e;
    if (!dev_query_info_frame(dp::info_io_module, r, e)) {
        d.io_module_text = "-----";
        d.io_module_article = 0;
        d.io_module_suffix = 0;
        d.io_module_word = 0;
        d.io_module_main = 0;
        d.io_module_above9 = false;
        return;
    }
    // The 16 text bytes carry no terminator of their own: read as "%d.%s" reads them, on a
    // bounded copy. The number may follow blanks and carry a sign; the text starts after the
    // dot, past any blanks, and ends at the first blank. Without a number, or without the dot
    // after it, there is no text.
    char text[dp::io_module_text_size + 1] = {};
    std::memcpy(text, r.data() + dp::io_module_text, dp::io_module_text_size);
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const char* p = text;
    while (blank(*p))
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    const char* digits = p;
    int32_t main = 0;
    while (*p >= '0' && *p <= '9') {
        if (main < 100000000)
            main = main * 10 + (*p - '0');
        ++p;
    }
    d.io_module_main = p == digits ? 0 : negative ? -main : main;
    d.io_module_text.clear();
    if (p != digits && *p == '.') {
        ++p;
        while (blank(*p))
            ++p;
        const char* end = p;
        while (*end && !blank(*end))
            ++end;
        d.io_module_text.assign(p, end);
    }
    d.io_module_above9 = d.io_module_main > 9;
    d.io_module_article = r.u32(dp::io_module_article);
    d.io_module_suffix = r.u16(dp::io_module_suffix);
    d.io_module_word = r.u16(dp::io_module_word);
}

// The identification texts are for show only: whatever stops the four reads (a refusal, any
// other device error, a failed exchange) leaves the placeholders, never a failed read.
void read_identification(device_info_state& d)
{
    error_record err;
    uint32_t v[4] = {};
    const uint16_t params[4] = {dp::param_cu_article, dp::param_cu_serial, dp::param_scanner_article,
                                dp::param_scanner_serial};
    int got = 0;
    for (; got < 4; ++got)
        if (!dev_read_param_u32(params[got], v[got], err))
            break;
    if (got < 4) {
        d.cu_article_text = d.cu_serial_text = d.scanner_article_text = d.scanner_serial_text = "-----";
        d.cu_serial_value = 0;
        d.configuration_number = d.configuration_index = 0;
        return;
    }
    d.cu_article_text = dec("%07d", int32_t(v[0]));
    d.cu_serial_value = int32_t(v[1]);
    d.cu_serial_text = safe_format("%07d.%03d", {format_arg(int32_t(v[1]) / 1000), format_arg(int32_t(v[1]) % 1000)});
    d.scanner_article_text = dec("%07d", int32_t(v[2]));
    d.scanner_serial_text = dec("%07d", int32_t(v[3]));
    d.configuration_number = int32_t(v[1]) / 1000;
    d.configuration_index = int32_t(v[1]) % 1000;
}

}  // namespace

device_info_state& g_device_info()
{
    static device_info_state s;
    return s;
}

bool dev_read_system_info(error_record& err)
{
    device_info_state& d = g_device_info();
    device_frame r;
    if (!dev_query_info_frame(dp::info_firmware, r, err))
        return false;
    d.firmware.major = r[5];
    d.firmware.minor = r[6];
    d.firmware.patch = r[7];
    d.firmware.build = r.u16(8);
    d.firmware.day = r[10];
    d.firmware.month = r[11];
    d.firmware.year = r.u16(12);
    d.firmware.hw_revision = r.u16(dp::firmware_hw_revision);
    d.logic_major = r[17];
    d.logic_minor = r[18];
    d.article_number = r.data_count() > 17 ? r.u32(19) : dp::default_article_number;

    error_record e;
    d.info_word = dev_query_info_frame(dp::info_word, r, e) ? r.u16(5) : 0xFFFF;
    d.redesign = d.info_word != 0xFFFF && (d.info_word & dp::info_word_redesign_bit) != 0;

    uint32_t hw = 0;
    if (dev_read_param_u32(dp::param_hw_config, hw, e)) {
        d.hw_config = uint8_t(hw & 0x0F);
        d.hw_config_suffix = dec(" / C%d", d.hw_config);
    } else {
        d.hw_config = 0;
        d.hw_config_suffix.clear();
    }

    read_io_module(d);

    error_record ve;
    uint8_t family = read_device_variant(ve);
    d.extended_valid = false;
    d.profinet_present = false;
    if (!ve.failed()) {
        g_device().family_code = family;
        if (dev_query_info_frame(dp::info_extended, r, e)) {
            std::memcpy(d.extended.data(), r.data() + dp::info_data_offset, d.extended.size());
            d.extended_valid = (family & 0x0F) == 4;
            d.fieldbus_kind = char(d.extended[dp::extended_fieldbus_kind]);
            d.profinet_letter = char(d.extended[dp::extended_profinet_letter]);
            std::memcpy(d.profinet_version.data(), d.extended.data() + dp::extended_profinet_version, 4);
            d.profinet_present = d.extended_valid && (d.fieldbus_kind & 0x0F) == 4;
        }
    }

    read_identification(d);

    d.status_layout = false;
    const version_record& f = d.firmware;
    d.status_layout = std::make_tuple(f.major, f.minor, f.patch) >= std::make_tuple(uint8_t(1), uint8_t(15), uint8_t(13));

    if (!dev_query_info_frame(dp::info_loader, r, err))
        return false;
    d.loader.major = r[5];
    d.loader.minor = r[6];
    d.loader.patch = r[7];
    d.loader.build = 0;
    d.loader.day = r[10];
    d.loader.month = r[11];
    d.loader.year = r.u16(12);
    d.valid = true;
    return true;
}

uint8_t read_device_variant(error_record& err)
{
    uint32_t v = 0;
    if (!dev_read_param_u32(dp::param_variant, v, err))
        return 0x10;
    device_state& d = g_device();
    const uint8_t code = uint8_t(v);
    const uint8_t n = code >> 4;
    if (n >= 0x2 && n <= 0x5) {
        d.family_flag = 0;
        d.pm_capable = n == 0x3;
        d.variant_bit2 = n == 0x3 || n == 0x4;
    } else {
        d.family_flag = 1;
        d.variant_bit3 = n == 0x6;
    }
    return code;
}

bool read_device_family_code(int& out)
{
    out = 1;
    error_record e;
    uint32_t v = 0;
    if (!dev_read_param_u32(dp::param_variant, v, e))
        return false;
    switch ((v >> 4) & 0x0F) {
    case 0x2: out = 0; break;
    case 0x3: out = 2; break;
    case 0x4: out = 4; break;
    default: out = 1; break;
    }
    return true;
}

uint8_t family_code_from_flags()
{
    const device_state& d = g_device();
    if (d.family_flag)
        return d.variant_bit3 ? 0x60 : 0x10;
    if (d.pm_capable)
        return 0x30;
    return d.variant_bit2 ? 0x40 : 0x20;
}

bool record0_is_cluster()
{
    const_function_record r0 = g_config_image().function(0);
    return r0.in_use() && (r0.field(fr::flags) & fr::flag_cluster) != 0;
}

bool fw_version_at_least(uint8_t major, uint8_t minor, uint8_t patch)
{
    const device_info_state& d = g_device_info();
    if (!d.valid)
        return false;
    return std::make_tuple(d.firmware.major, d.firmware.minor, d.firmware.patch) >= std::make_tuple(major, minor, patch);
}

bool fw_version_at_least4(uint8_t major, uint8_t minor, uint8_t patch, uint16_t build)
{
    const device_info_state& d = g_device_info();
    if (!d.valid)
        return false;
    return std::make_tuple(d.firmware.major, d.firmware.minor, d.firmware.patch, d.firmware.build) >=
           std::make_tuple(major, minor, patch, build);
}

void update_compatibility(uint32_t r)
{
    uint32_t& w = g_device().change_flags;
    const uint32_t h = g_device().host_revision;
    // Both "older" bits are cleared first, so a controller replaced by an equal one no longer
    // shows the host as older.
    w &= ~(compat_host_older | compat_fw_older);
    if (r > h)
        w |= compat_host_older;
    else if (r < h || (g_device_info().valid && !fw_version_at_least(1, 14, 20)))
        w |= compat_fw_older;
    w |= compat_host_known | compat_fw_known;
}

int compatibility_text(bool firmware_side)
{
    const uint32_t w = g_device().change_flags;
    if (firmware_side) {
        if (!(w & compat_fw_known))
            return 58;
        if (!(w & compat_fw_older))
            return 15;
        return (w & compat_fw_too_old) ? 17 : 16;
    }
    if (!(w & compat_host_known))
        return 59;
    if (!(w & compat_host_older))
        return 19;
    return (w & compat_host_too_old) ? 21 : 20;
}

void refresh_device_info(bool connected)
{
    device_state& d = g_device();
    if (connected && !d.loader_state) {
        uint32_t v = 0;
        error_record e;
        if (dev_read_param_u32(dp::param_revision, v, e)) {
            if ((v & 0xFF) == 0x29)
                v = (v & ~0xFFu) | 0x2B;
            d.revision_word = v;
            // Its result does not change what follows.
            error_record se;
            dev_read_system_info(se);
        } else {
            d.revision_word = dp::revision_unreadable;
        }
        update_compatibility(d.revision_word);
    } else {
        d.change_flags &= ~compat_fw_known;
    }
    d.status_full_refresh = true;
}

setup_values& g_setup_values()
{
    static setup_values s;
    return s;
}

bool read_setup_values(error_record& err, bool read)
{
    err.clear();
    setup_values& s = g_setup_values();
    if (!read)
        return s.vertical_distance != 0;
    error_record status;
    if (!dev_wait_idle(&status)) {
        if (status.failed())
            err = status;
        else
            err.set(err_type_host, host_error_status_in_flight);
        show_error_record(err);
        return false;
    }
    int32_t* targets[3] = {&s.vertical_distance, &s.reference_angle, &s.reference_length};
    const uint32_t fields[3] = {hdr::vert_distance, hdr::ref_angle_90, hdr::ref_tool_length};
    uint32_t bits[3] = {};
    for (size_t pos = 28; pos <= 33; ++pos) {
        uint32_t v = 0;
        if (!dev_read_param_u32(parameter_number_table[pos], v, err)) {
            show_error_record(err);
            return false;
        }
        bits[(pos - 28) / 2] |= (v & 0xFF) << ((pos - 28) % 2 * 8);
    }
    for (size_t i = 0; i < 3; ++i)
        *targets[i] = paired_fields::from_16_bits(fields[i], bits[i]);
    return s.vertical_distance != 0;
}

namespace {
int windows_class = 1;
}  // namespace

int windows_version_class() { return windows_class; }
void set_windows_version_class(int value) { windows_class = value; }

std::string version_record_text(const version_record& v)
{
    // The three words of the device's version record.
    const uint32_t w1 = (uint32_t(v.day) << 8) | (uint32_t(v.month) << 16);
    const uint32_t w2 = v.year | (uint32_t(v.major) << 16) | (uint32_t(v.minor) << 24);
    const uint32_t w3 = v.patch | (uint32_t(v.build) << 16);
    return format_version_text(w1, w2, w3);
}
