// The controller's whole configuration as one fixed-layout little-endian block: the
// settings header, 512 function records, 256 tool-type slots and 500 tool slots, with
// the defaults, the parameter numbers of the settings and the default function record.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "core/image/byte_record.h"

// ---- layout
namespace image_layout {
constexpr uint32_t image_size = 274008;
constexpr uint32_t header_offset = 0;
constexpr uint32_t header_size = 552;
constexpr uint32_t header_field_count = 76;      // signed 32-bit fields at 0..300
constexpr uint32_t header_reserved_offset = 304;  // 248 bytes, always 0xFF
constexpr uint32_t function_offset = 552;
constexpr uint32_t function_size = 184;
constexpr uint32_t function_count = 512;
constexpr uint32_t tool_type_offset = 94760;
constexpr uint32_t tool_type_slot_size = 208;
constexpr uint32_t tool_type_count = 256;
constexpr uint32_t tool_offset = 148008;
constexpr uint32_t tool_slot_size = 252;
constexpr uint32_t tool_count = 500;
// The two older program-file sizes: header plus all functions, header plus 128 functions.
constexpr uint32_t size_without_tools = tool_type_offset;
constexpr uint32_t size_128_functions = function_offset + 128 * function_size;
constexpr uint32_t format_code = 0x344B;
constexpr uint32_t pm_record_count = 8300;  // entries of the process-monitor record store

static_assert(tool_type_offset == function_offset + function_count * function_size, "layout");
static_assert(tool_offset == tool_type_offset + tool_type_count * tool_type_slot_size, "layout");
static_assert(image_size == tool_offset + tool_count * tool_slot_size, "layout");
static_assert(size_128_functions == 24104, "layout");
}  // namespace image_layout

// ---- settings header fields, one row each: X(name, offset, default, device parameter,
// high-byte parameter). Parameter -1: the field travels to no device parameter (format code,
// variant bits); high-byte parameter -1: the value travels whole, else as its low byte under
// the parameter and its high byte under the second number. The offsets (`hdr::`), the
// defaults, the field table and the transfer steps all come from these rows.
#define TARVIX_SETTINGS_FIELDS(X) \
    X(format_code, 0, 0x344B, -1, -1)           \
    X(return_travel_mon, 4, 0, 11, -1)          \
    X(rot_dir, 8, 1, 4, -1)                     \
    X(power_on_move, 12, 1, 12, -1)             \
    X(scanner, 16, 0, 6, -1)                    \
    X(out1, 20, 1, 1, -1)                       \
    X(out2, 24, 1, 2, -1)                       \
    X(out3, 28, 1, 32, -1)                      \
    X(out4, 32, 1, 33, -1)                      \
    X(out_pulse_time, 36, 0, 14, -1)            \
    X(signal_mode, 40, 0, 13, -1)               \
    X(teach_cnt_clear, 44, 0, 34, -1)           \
    X(profibus_addr, 48, 50, 35, -1)            \
    X(def_area_rel, 52, 0, 36, -1)              \
    X(def_mode, 56, 1, 3, -1)                   \
    X(def_back_mode, 60, 0, 37, -1)             \
    X(def_back_angle, 64, 0, 38, -1)            \
    X(setting_68, 68, 0, 39, -1)                \
    X(def_teach_limit, 72, 27000, 40, -1)       \
    X(def_tolerance, 76, 300, 5, -1)            \
    X(def_intensity, 80, 0, 0, -1)              \
    X(def_out1_func, 84, 1, 41, -1)             \
    X(def_out2_func, 88, 2, 42, -1)             \
    X(def_out3_func, 92, 2, 43, -1)             \
    X(def_out4_func, 96, 1, 44, -1)             \
    X(def_warn_min, 100, 0, 45, -1)             \
    X(def_warn_max, 104, 0, 46, -1)             \
    X(def_err_min, 108, 0, 47, -1)              \
    X(def_err_max, 112, 0, 48, -1)              \
    X(variant_bits, 116, 0, -1, -1)             \
    X(vert_distance, 120, 0, 22, 23)            \
    X(ref_angle_90, 124, 0, 24, 25)             \
    X(ref_tool_length, 128, 0, 26, 27)          \
    X(area_flag, 132, 0, 21, -1)                \
    X(position1, 136, 4000, 7, 8)               \
    X(position2, 140, 13000, 9, 10)             \
    X(crash_free_area, 144, 0, 20, -1)          \
    X(home_pos_offset, 148, 0, 18, -1)          \
    X(tool_change_time, 152, 0, 19, -1)         \
    X(profibus_options, 156, 0, 67, -1)         \
    X(limit_position, 160, 0, 15, -1)           \
    X(outputs_time, 164, 500, 68, -1)           \
    X(in_func1, 168, 1, 53, -1)                 \
    X(in_func3, 172, 3, 55, -1)                 \
    X(scanning_mode, 176, 0, 69, -1)            \
    X(preposition_intensity, 180, 0, 70, -1)    \
    X(go_back_monitoring, 184, 0, 72, -1)       \
    X(home_pos_variant, 188, 0, 73, -1)         \
    X(ko_detection, 192, 0, 74, -1)             \
    X(devicenet_options, 196, 0, 79, -1)        \
    X(mac_id, 200, 63, 80, -1)                  \
    X(dn_baudrate, 204, 0, 81, -1)              \
    X(crash_free_relative, 208, 0, 82, -1)      \
    X(rescan, 212, 0, 83, -1)                   \
    X(dip_tolerance1, 216, 10, 86, -1)          \
    X(dip_tolerance2, 220, 100, 87, -1)         \
    X(dip_tolerance3, 224, 300, 88, -1)         \
    X(dip_tolerance4, 228, 1000, 89, -1)        \
    X(min_teach_pos, 232, 0, 90, -1)            \
    X(preposition_offset, 236, 0, 91, -1)       \
    X(tolerance_offset, 240, 0, 85, -1)         \
    X(add_teach_cycles, 244, 0, 100, -1)        \
    X(pm_sampling_time, 248, 10, 92, -1)        \
    X(pm_averaging, 252, 0, 93, -1)             \
    X(pm_recording_mode, 256, 2, 94, -1)        \
    X(pm_blunt_duration, 260, 0, 95, -1)        \
    X(pm_setting_264, 264, 0, 96, -1)           \
    X(relay_switch, 268, 0, 104, -1)            \
    X(neg_teach_limit, 272, 0, 105, -1)         \
    X(in_func_key, 276, 1, 71, -1)              \
    X(pb_cmd_options, 280, 0x10111111, 107, -1) \
    X(swarf_area, 284, 0, 108, -1)              \
    X(softscan_intensity, 288, 5000, 106, -1)   \
    X(in_func13, 292, 4, 65, -1)                \
    X(customer_config, 296, 0, 109, -1)         \
    X(setting_300, 300, 0, 110, -1)            

namespace hdr {
enum : uint32_t {
#define TARVIX_SETTINGS_OFFSET(name, offset, def, param, high) name = offset,
    TARVIX_SETTINGS_FIELDS(TARVIX_SETTINGS_OFFSET)
#undef TARVIX_SETTINGS_OFFSET
    reserved = 304,
};
}  // namespace hdr

// ---- function record field offsets (signed 32-bit unless noted)
namespace fr {
enum : uint32_t {
    in_use = 0,
    name = 4,  // 16 bytes, Latin-1, zero-terminated
    mode = 20,
    back_mode = 24,
    back_angle = 28,
    flags = 32,
    object_pos = 36,
    teach_limit = 40,
    tolerance = 44,
    intensity = 48,
    out1 = 52,
    out2 = 56,
    out3 = 60,
    out4 = 64,
    warn_min = 68,
    warn_max = 72,
    err_min = 76,
    err_max = 80,
    counter = 84,
    counter_limit = 88,
    next_func = 92,
    ko_func = 96,
    ko_back_mode = 100,
    reserved = 104,  // 20 words
};
constexpr uint32_t name_size = 16;
constexpr uint32_t reserved_words = 20;
// flags
constexpr int32_t flag_area_relative = 0x01;
constexpr int32_t flag_cluster = 0x02;
constexpr int32_t flag_member_mask = 0x0C;  // 4 Base+1 R, 8 Base+2 L, 0xC Base+3
constexpr int32_t flag_start_marker = 0x10;
constexpr int32_t flag_ko_latch = 0x20;
}  // namespace fr

// ---- slots
namespace slot {
constexpr uint32_t in_use = 0;
constexpr uint32_t record = 4;  // the tool-type or tool record
constexpr uint32_t tool_type_record_size = 179;
constexpr uint32_t tool_record_size = 222;
constexpr uint32_t tool_type_fill = 183;  // 25 bytes of 0xFF up to the end of the slot
constexpr uint32_t tool_fill = 226;       // 25 bytes of 0xFF; byte 251 is left alone
constexpr uint32_t tool_fill_size = 25;
}  // namespace slot

// ---- field tables
const field_table& settings_header_fields();  // 76 signed fields + the reserved run
const field_table& function_record_fields();
const field_table& tool_type_slot_fields();  // in-use, record, fill
const field_table& tool_slot_fields();       // in-use, record, fill, last byte

// One settings field with its default and the device parameter number(s) it travels as.
struct settings_field_info {
    const char* name;
    uint32_t offset;
    int32_t default_value;
    int16_t param;       // -1: no device parameter (format code, variant bits)
    int16_t param_high;  // the high-byte parameter of a 16-bit value, else -1
};
// The 76 fields in offset order.
inline constexpr std::array<settings_field_info, image_layout::header_field_count> settings_fields = {{
#define TARVIX_SETTINGS_INFO(name, offset, def, param, high) {#name, offset, int32_t(def), param, high},
    TARVIX_SETTINGS_FIELDS(TARVIX_SETTINGS_INFO)
#undef TARVIX_SETTINGS_INFO
}};
namespace settings_fields_check {
constexpr bool offsets_follow_one_another()
{
    for (uint32_t i = 0; i < settings_fields.size(); ++i)
        if (settings_fields[i].offset != 4 * i)
            return false;
    return true;
}
static_assert(offsets_follow_one_another(), "the settings fields are signed 32-bit words at 0, 4, .. 300");
static_assert(hdr::reserved == image_layout::header_reserved_offset, "the reserved run follows the last field");
}  // namespace settings_fields_check
const std::array<settings_field_info, image_layout::header_field_count>& settings_field_infos();
// The default of a header field (an offset 0..300 that is a multiple of 4).
int32_t settings_default(uint32_t offset);

// The one-byte device parameter numbers, one per transfer step.
constexpr size_t parameter_step_count = 79;
extern const std::array<uint8_t, parameter_step_count> parameter_number_table;
// Which part of which header field transfer step k carries.
enum class value_part : uint8_t { whole, low_byte, high_byte };
struct parameter_step {
    uint8_t param;
    uint16_t field_offset;
    value_part part;

    // The two signed fields of which the controller keeps 16 bits (the preposition offset and
    // the negative teach limit): written as their low 16 bits, read back sign-extended.
    bool signed_16() const
    {
        return part == value_part::whole &&
               (field_offset == hdr::preposition_offset || field_offset == hdr::neg_teach_limit);
    }
};
const std::array<parameter_step, parameter_step_count>& parameter_steps();

// ---- record views
template <typename Byte>
class basic_settings_header : public basic_byte_view<Byte> {
public:
    using base = basic_byte_view<Byte>;
    explicit basic_settings_header(Byte* p) : base(p, image_layout::header_size) {}
    template <typename Other, typename = std::enable_if_t<std::is_same<Byte, const Other>::value>>
    basic_settings_header(const basic_settings_header<Other>& o) : base(o.data(), image_layout::header_size)
    {
    }
    int32_t field(uint32_t off) const { return base::i32(off); }
    template <bool W = base::writable, typename = std::enable_if_t<W>>
    void set_field(uint32_t off, int32_t v) const
    {
        base::set_i32(off, v);
    }
};
using settings_header = basic_settings_header<uint8_t>;
using const_settings_header = basic_settings_header<const uint8_t>;

template <typename Byte>
class basic_function_record : public basic_byte_view<Byte> {
public:
    using base = basic_byte_view<Byte>;
    explicit basic_function_record(Byte* p) : base(p, image_layout::function_size) {}
    template <typename Other, typename = std::enable_if_t<std::is_same<Byte, const Other>::value>>
    basic_function_record(const basic_function_record<Other>& o) : base(o.data(), image_layout::function_size)
    {
    }
    bool in_use() const { return base::i32(fr::in_use) != 0; }
    std::string name() const { return base::text(fr::name, fr::name_size); }
    int32_t field(uint32_t off) const { return base::i32(off); }
    template <bool W = base::writable, typename = std::enable_if_t<W>>
    void set_field(uint32_t off, int32_t v) const
    {
        base::set_i32(off, v);
    }
    template <bool W = base::writable, typename = std::enable_if_t<W>>
    void set_in_use(bool used) const
    {
        base::set_i32(fr::in_use, used ? 1 : 0);
    }
    template <bool W = base::writable, typename = std::enable_if_t<W>>
    void set_name(const std::string& latin1) const
    {
        base::set_text(fr::name, fr::name_size, latin1);
    }
};
using function_record = basic_function_record<uint8_t>;
using const_function_record = basic_function_record<const uint8_t>;
// An owned function record (a default record, a copy on the clipboard, ...).
using function_record_bytes = std::array<uint8_t, image_layout::function_size>;

// A tool-type slot (208 bytes) or a tool slot (252 bytes): in-use flag and the record at 4.
template <typename Byte, uint32_t Size, uint32_t RecordSize>
class basic_record_slot : public basic_byte_view<Byte> {
public:
    using base = basic_byte_view<Byte>;
    static constexpr uint32_t slot_size = Size;
    static constexpr uint32_t record_size = RecordSize;
    explicit basic_record_slot(Byte* p) : base(p, Size) {}
    template <typename Other, typename = std::enable_if_t<std::is_same<Byte, const Other>::value>>
    basic_record_slot(const basic_record_slot<Other, Size, RecordSize>& o) : base(o.data(), Size)
    {
    }
    bool in_use() const { return base::i32(slot::in_use) != 0; }
    int32_t in_use_flag() const { return base::i32(slot::in_use); }
    template <bool W = base::writable, typename = std::enable_if_t<W>>
    void set_in_use(int32_t flag) const
    {
        base::set_i32(slot::in_use, flag);
    }
    // The packed record inside the slot.
    basic_byte_view<Byte> record() const { return base::sub(slot::record, RecordSize); }
};
using tool_type_slot = basic_record_slot<uint8_t, image_layout::tool_type_slot_size, slot::tool_type_record_size>;
using const_tool_type_slot =
    basic_record_slot<const uint8_t, image_layout::tool_type_slot_size, slot::tool_type_record_size>;
using tool_slot = basic_record_slot<uint8_t, image_layout::tool_slot_size, slot::tool_record_size>;
using const_tool_slot = basic_record_slot<const uint8_t, image_layout::tool_slot_size, slot::tool_record_size>;

// ---- the image
class config_image {
public:
    config_image() : bytes_(image_layout::image_size, 0) {}

    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }
    static constexpr size_t size() { return image_layout::image_size; }
    byte_view view() { return byte_view(bytes_.data(), bytes_.size()); }
    const_byte_view view() const { return const_byte_view(bytes_.data(), bytes_.size()); }

    settings_header header() { return settings_header(bytes_.data()); }
    const_settings_header header() const { return const_settings_header(bytes_.data()); }
    // n in 0..511
    function_record function(uint32_t n) { return function_record(at(image_layout::function_offset, image_layout::function_size, n, image_layout::function_count)); }
    const_function_record function(uint32_t n) const
    {
        return const_function_record(at(image_layout::function_offset, image_layout::function_size, n, image_layout::function_count));
    }
    // n in 0..255 (the tool-type number)
    tool_type_slot tool_type(uint32_t n) { return tool_type_slot(at(image_layout::tool_type_offset, image_layout::tool_type_slot_size, n, image_layout::tool_type_count)); }
    const_tool_type_slot tool_type(uint32_t n) const
    {
        return const_tool_type_slot(at(image_layout::tool_type_offset, image_layout::tool_type_slot_size, n, image_layout::tool_type_count));
    }
    // n in 0..499 (the tool index)
    tool_slot tool(uint32_t n) { return tool_slot(at(image_layout::tool_offset, image_layout::tool_slot_size, n, image_layout::tool_count)); }
    const_tool_slot tool(uint32_t n) const
    {
        return const_tool_slot(at(image_layout::tool_offset, image_layout::tool_slot_size, n, image_layout::tool_count));
    }

    bool operator==(const config_image& o) const { return bytes_ == o.bytes_; }
    bool operator!=(const config_image& o) const { return bytes_ != o.bytes_; }

private:
    uint8_t* at(uint32_t base, uint32_t size, uint32_t n, uint32_t count)
    {
        assert(n < count);
        (void)count;
        return bytes_.data() + base + size_t(n) * size;
    }
    const uint8_t* at(uint32_t base, uint32_t size, uint32_t n, uint32_t count) const
    {
        assert(n < count);
        (void)count;
        return bytes_.data() + base + size_t(n) * size;
    }

    std::vector<uint8_t> bytes_;
};

// ---- operations on the image

// The reset to defaults (the first step of every load, and "New"): every header default,
// the reserved runs 0xFF, no function, tool type or tool in use. Bytes of free records
// other than their reserved runs keep what they held.
void reset_config_image(config_image& image);

// The default function record built from the default-function fields of a header.
function_record_bytes function_record_clear(const_settings_header h);

// True when, in every function record in use, each of the 20 reserved words is 0 or -1.
bool reserved_words_valid(const config_image& image);
