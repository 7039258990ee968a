#include "sim/profiles.h"

#include "core/image/config_image.h"
#include "sim/pm_tools_scenario.h"
#include "sim/diagnostics.h"

namespace sim {
namespace {

namespace dp = device_protocol;

void put_u16(std::array<uint8_t, dp::frame_size - 5>& d, size_t frame_offset, uint16_t v)
{
    d[frame_offset - 5] = uint8_t(v);
    d[frame_offset - 4] = uint8_t(v >> 8);
}
void put_u32(std::array<uint8_t, dp::frame_size - 5>& d, size_t frame_offset, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        d[frame_offset - 5 + i] = uint8_t(v >> (8 * i));
}
void put_text(std::array<uint8_t, dp::frame_size - 5>& d, size_t frame_offset, const char* t, size_t max)
{
    for (size_t i = 0; i < max && t[i]; ++i)
        d[frame_offset - 5 + i] = uint8_t(t[i]);
}

struct versions {
    uint8_t fw_major = 1, fw_minor = 16, fw_patch = 2;
    uint16_t fw_build = 45;
    uint8_t firmware_count = dp::reply_count_info;  // 17: without the article number
};

// The scanner sets, by position as the installed scannerx.lst lists them: set 0 is the
// auto-detected scanner (a copy of set 3), sets 1 to 9 the standard scanners, then two
// reserved sets; the user sets start empty.
const char* const scanner_names[] = {nullptr,          "P001 S10 long",  "P002 S20 std",   "P003 S20 long",
                                     "P004 S30 heavy", "P005 B10 Basic", "P006 B10 long",  "P007 B20 Basic",
                                     "P008 S40 PM",    "P009 S50 comp",  "ZP Reserved",    "ZP Reserved"};
constexpr size_t auto_detected_set = 3;

std::vector<uint8_t> scanner_set(const char* name, size_t index)
{
    std::vector<uint8_t> s(dp::scanner_set_size, 0);
    for (size_t i = 0; i < 15 && name[i]; ++i)
        s[i] = uint8_t(name[i]);
    for (size_t off = 16; off + 4 <= s.size(); off += 4) {
        uint32_t v = uint32_t(index * 1000 + off);
        for (size_t b = 0; b < 4; ++b)
            s[off + b] = uint8_t(v >> (8 * b));
    }
    return s;
}

// Parameters every application profile knows: the settings the configuration travels as
// (their defaults), 17 (cluster), 28 (variant; low byte the family code), 66 (revision word),
// 75 to 78 (article and serial numbers), 109 (hardware configuration), and on the
// process-monitor variant 92 to 96.
void base_application(world& w, uint8_t family, const versions& v = versions{})
{
    w.loader_only = false;
    w.status_count = dp::status_data_count;
    w.status.fill(0);
    w.status[dp::status_output_word] = dp::status_teach_permitted;
    w.parameters.clear();
    for (const auto& step : parameter_steps()) {
        int32_t value = settings_default(step.field_offset);
        if (step.part == value_part::low_byte)
            value &= 0xFF;
        else if (step.part == value_part::high_byte)
            value = (value >> 8) & 0xFF;
        w.parameters[step.param] = value;
    }
    const uint8_t n = family >> 4;
    if (n != 0x3)
        for (uint16_t p = 92; p <= 96; ++p)
            w.parameters.erase(p);
    w.parameters[17] = 0;
    w.parameters[dp::param_variant] = family;
    w.parameters[dp::param_revision] = int32_t(dp::host_revision);
    w.parameters[dp::param_cu_article] = 5206252;
    w.parameters[dp::param_cu_serial] = 1234567;
    w.parameters[dp::param_scanner_article] = 5206719;
    w.parameters[dp::param_scanner_serial] = 7654321;
    w.parameters[dp::param_hw_config] = 0x12;

    // Reduced Premium controllers keep 64 functions; Basic ones use 0 to 3 but answer all.
    w.function_limit = (n == 0x3 || n == 0x4) ? 64 : uint16_t(world::function_count);

    w.info.clear();
    world::info_block b;
    put_text(b.data, 21, n == 0x1 || n == 0x6 ? "TVX-9 Basic" : "TVX-9 Premium", 30);
    w.info[dp::info_control_unit] = b;

    b = {};
    b.count = v.firmware_count;
    b.data[0] = v.fw_major;
    b.data[1] = v.fw_minor;
    b.data[2] = v.fw_patch;
    put_u16(b.data, 8, v.fw_build);
    b.data[10 - 5] = 12;
    b.data[11 - 5] = 3;
    put_u16(b.data, 12, 2024);
    put_u16(b.data, dp::firmware_hw_revision, 0x9121);
    // Logic 3.20 as the logic package names it; the controller reports minor / 10.
    b.data[17 - 5] = 3;
    b.data[18 - 5] = 2;
    if (v.firmware_count > 17)
        put_u32(b.data, 19, 5206252);
    w.info[dp::info_firmware] = b;

    b = {};
    b.data[0] = 1;
    b.data[1] = 5;
    b.data[2] = 3;
    b.data[10 - 5] = 1;
    b.data[11 - 5] = 2;
    put_u16(b.data, 12, 2023);
    w.info[dp::info_loader] = b;

    b = {};
    put_u16(b.data, 5, 0x0003);
    w.info[dp::info_word] = b;

    b = {};
    put_u16(b.data, dp::io_module_word, 0x0010);
    put_text(b.data, dp::io_module_text, "2.IO-Module-A", dp::io_module_text_size);
    put_u32(b.data, dp::io_module_article, 5206800);
    put_u16(b.data, dp::io_module_suffix, 17);
    w.info[dp::info_io_module] = b;

    w.info[dp::info_fieldbus] = {};
    w.info[dp::info_error_detail] = {};
    w.info[dp::info_pm_ring] = {};

    b = {};
    // Controllers of sub-variant 4 carry a PROFINET chip.
    const bool profinet = (family & 0x0F) == 4;
    // The fieldbus kind is the family code: low nibble 3 DeviceNet, 4 PROFINET.
    b.data[dp::extended_fieldbus_kind] = family;
    b.data[dp::extended_profinet_letter] = profinet ? 'C' : 0;
    if (profinet) {
        b.data[dp::extended_profinet_version] = 2;
        b.data[dp::extended_profinet_version + 1] = 1;
        b.data[dp::extended_profinet_version + 2] = 0;
        b.data[dp::extended_profinet_version + 3] = 7;
    }
    for (size_t i = 6; i < dp::extended_block_size; ++i)
        b.data[i] = uint8_t(0xA0 + i);
    if (profinet) {
        // The helpers take frame offsets; the block starts at frame byte 5.
        put_u32(b.data, 5 + dp::extended_ip_address, 0xC0A8000Au);
        put_u32(b.data, 5 + dp::extended_subnet_mask, 0xFFFFFF00u);
        put_u32(b.data, 5 + dp::extended_gateway, 0xC0A80001u);
        std::fill(b.data.begin() + dp::extended_station_name,
                  b.data.begin() + dp::extended_station_name + dp::extended_station_name_size, uint8_t(0));
        put_text(b.data, 5 + dp::extended_station_name, "tarvix-sim", dp::extended_station_name_size);
    }
    w.info[dp::info_extended] = b;
    load_fieldbus_blocks(w, family);

    b = {};
    put_text(b.data, 5, "Tarvix simulated controller", 57);
    w.info[dp::info_device_text] = b;
    w.info[dp::info_pm_count] = {};

    w.self_test.clear();
    b = {};
    w.self_test[dp::self_test_first] = b;
    w.self_test[dp::self_test_second] = b;
    const int32_t results[6] = {1234567, 98765, 12, 450, 1200, 100};
    for (int i = 0; i < 6; ++i)
        set_self_test_result(w, i, results[i]);

    w.error_buffer.assign(3, {});
    for (size_t i = 0; i < w.error_buffer.size(); ++i)
        w.error_buffer[i][0] = uint8_t(i + 1);

    for (auto& s : w.scanner_sets)
        s.clear();
    for (size_t i = 1; i < sizeof scanner_names / sizeof *scanner_names; ++i)
        w.scanner_sets[i] = scanner_set(scanner_names[i], i);
    w.scanner_sets[0] = w.scanner_sets[auto_detected_set];
}

void premium(world& w) { base_application(w, 0x20); }
void premium21(world& w) { base_application(w, 0x21); }
void premium22(world& w) { base_application(w, 0x22); }
void premium_dn(world& w) { base_application(w, 0x23); }
void premium24(world& w) { base_application(w, 0x24); }
void premium_pm(world& w) { base_application(w, 0x30); }
void premium_pm_x(world& w) { base_application(w, 0x34); }
void premium_pm_dn(world& w) { base_application(w, 0x33); }
void premium_pm_tools(world& w)
{
    base_application(w, 0x30);
    pm_load_tools_scenario(w);
}
void reduced(world& w) { base_application(w, 0x40); }
void family50(world& w) { base_application(w, 0x50); }
void basic(world& w) { base_application(w, 0x10); }
void basic_b(world& w) { base_application(w, 0x60); }
// Firmware before the revision word and the identification parameters: parameter 66 and
// 75..78, 109 unknown, info 0x02 without the article number.
void old_firmware(world& w)
{
    versions v;
    v.fw_major = 1;
    v.fw_minor = 14;
    v.fw_patch = 3;
    v.firmware_count = 17;
    base_application(w, 0x20, v);
    for (uint16_t p : {dp::param_revision, dp::param_cu_article, dp::param_cu_serial, dp::param_scanner_article,
                       dp::param_scanner_serial, dp::param_hw_config})
        w.parameters.erase(p);
}
void loader(world& w)
{
    base_application(w, 0x20);
    w.loader_only = true;
    w.status_count = 0;
}
}  // namespace

const std::vector<profile>& profiles()
{
    static const std::vector<profile> list = {
        {"premium", "Premium, family 0x20", premium},
        {"premium-21", "Premium, family 0x21", premium21},
        {"premium-22", "Premium, family 0x22", premium22},
        {"premium-dn", "Premium with DeviceNet, family 0x23", premium_dn},
        {"premium-24", "Premium with PROFINET, family 0x24", premium24},
        {"premium-pm", "Premium PM (process monitor, reduced to 64 functions), family 0x30", premium_pm},
        {"premium-pm-tools", "Premium PM with tool types, taught tools and records with curves, family 0x30",
         premium_pm_tools},
        {"premium-pm-x", "Premium PM with the extended block and PROFINET, family 0x34", premium_pm_x},
        {"premium-pm-dn", "Premium PM with DeviceNet (64 functions), family 0x33", premium_pm_dn},
        {"reduced", "reduced Premium (64 functions), family 0x40", reduced},
        {"family-50", "Premium, family 0x50", family50},
        {"basic", "Basic, family 0x10", basic},
        {"basic-b", "Basic sub-variant, family 0x60", basic_b},
        {"old-firmware", "firmware 1.14.3 without revision word and identification, family 0x20", old_firmware},
        {"loader", "only the firmware loader runs", loader},
    };
    return list;
}

const profile* find_profile(const std::string& name)
{
    for (const auto& p : profiles())
        if (p.name == name)
            return &p;
    return nullptr;
}

bool load_profile(world& w, const std::string& name)
{
    const profile* p = find_profile(name);
    if (!p)
        return false;
    w = world{};
    w.profile_name = p->name;
    p->apply(w);
    return true;
}

}  // namespace sim
