#include "core/image/config_image.h"

#include <algorithm>

using namespace image_layout;

namespace {

// The 76 signed fields and the reserved run, from the settings rows.
constexpr std::array<field_desc, header_field_count + 1> make_header_fields()
{
    std::array<field_desc, header_field_count + 1> out{};
    for (size_t i = 0; i < header_field_count; ++i)
        out[i] = {settings_fields[i].name, settings_fields[i].offset, 4, field_kind::signed_int};
    out[header_field_count] = {"reserved", hdr::reserved, header_size - hdr::reserved, field_kind::reserved};
    return out;
}
constexpr std::array<field_desc, header_field_count + 1> k_header_fields = make_header_fields();

// The transfer steps follow the fields in offset order; a 16-bit value travels as its low
// byte and then its high byte, each under its own parameter number.
constexpr std::array<parameter_step, parameter_step_count> make_steps()
{
    std::array<parameter_step, parameter_step_count> out{};
    size_t k = 0;
    for (const settings_field_info& f : settings_fields) {
        if (f.param < 0)
            continue;
        const uint16_t off = uint16_t(f.offset);
        if (f.param_high < 0) {
            out[k++] = {uint8_t(f.param), off, value_part::whole};
        } else {
            out[k++] = {uint8_t(f.param), off, value_part::low_byte};
            out[k++] = {uint8_t(f.param_high), off, value_part::high_byte};
        }
    }
    return out;
}

constexpr size_t count_steps()
{
    size_t k = 0;
    for (const settings_field_info& f : settings_fields)
        k += f.param < 0 ? 0 : f.param_high < 0 ? 1 : 2;
    return k;
}
static_assert(count_steps() == parameter_step_count, "one transfer step per device parameter");

constexpr std::array<parameter_step, parameter_step_count> k_steps = make_steps();

constexpr std::array<uint8_t, parameter_step_count> make_parameter_numbers()
{
    std::array<uint8_t, parameter_step_count> out{};
    for (size_t k = 0; k < parameter_step_count; ++k)
        out[k] = k_steps[k].param;
    return out;
}
}  // namespace

// One entry per transfer step, in the order the settings travel.
const std::array<uint8_t, parameter_step_count> parameter_number_table = make_parameter_numbers();

namespace {

const field_desc k_function_fields[] = {
    {"in_use", fr::in_use, 4, field_kind::signed_int},
    {"Name", fr::name, fr::name_size, field_kind::text},
    {"Mode", fr::mode, 4, field_kind::signed_int},
    {"BackMode", fr::back_mode, 4, field_kind::signed_int},
    {"BackAngle", fr::back_angle, 4, field_kind::signed_int},
    {"Flags", fr::flags, 4, field_kind::signed_int},
    {"ObjectPos", fr::object_pos, 4, field_kind::signed_int},
    {"TeachLimit", fr::teach_limit, 4, field_kind::signed_int},
    {"Tolerance", fr::tolerance, 4, field_kind::signed_int},
    {"Intensity", fr::intensity, 4, field_kind::signed_int},
    {"Out1 Function", fr::out1, 4, field_kind::signed_int},
    {"Out2 Function", fr::out2, 4, field_kind::signed_int},
    {"Out3 Function", fr::out3, 4, field_kind::signed_int},
    {"Out4 Function", fr::out4, 4, field_kind::signed_int},
    {"Warning Min", fr::warn_min, 4, field_kind::signed_int},
    {"Warning Max", fr::warn_max, 4, field_kind::signed_int},
    {"Error Min", fr::err_min, 4, field_kind::signed_int},
    {"Error Max", fr::err_max, 4, field_kind::signed_int},
    {"Counter", fr::counter, 4, field_kind::signed_int},
    {"Counter Limit", fr::counter_limit, 4, field_kind::signed_int},
    {"NextFunc", fr::next_func, 4, field_kind::signed_int},
    {"KOFunc", fr::ko_func, 4, field_kind::signed_int},
    {"KOBackMode", fr::ko_back_mode, 4, field_kind::signed_int},
    {"reserved", fr::reserved, 4 * fr::reserved_words, field_kind::reserved},
};

const field_desc k_tool_type_slot_fields[] = {
    {"in_use", slot::in_use, 4, field_kind::signed_int},
    {"record", slot::record, slot::tool_type_record_size, field_kind::reserved},
    {"fill", slot::tool_type_fill, tool_type_slot_size - slot::tool_type_fill, field_kind::reserved},
};

const field_desc k_tool_slot_fields[] = {
    {"in_use", slot::in_use, 4, field_kind::signed_int},
    {"record", slot::record, slot::tool_record_size, field_kind::reserved},
    {"fill", slot::tool_fill, slot::tool_fill_size, field_kind::reserved},
    {"last", slot::tool_fill + slot::tool_fill_size, 1, field_kind::reserved},
};

template <size_t N>
field_table make_table(const field_desc (&f)[N], uint32_t size)
{
    return field_table{f, N, size};
}

}  // namespace

const field_table& settings_header_fields()
{
    static const field_table t{k_header_fields.data(), k_header_fields.size(), header_size};
    return t;
}

const field_table& function_record_fields()
{
    static const field_table t = make_table(k_function_fields, function_size);
    return t;
}

const field_table& tool_type_slot_fields()
{
    static const field_table t = make_table(k_tool_type_slot_fields, tool_type_slot_size);
    return t;
}

const field_table& tool_slot_fields()
{
    static const field_table t = make_table(k_tool_slot_fields, tool_slot_size);
    return t;
}

const std::array<settings_field_info, header_field_count>& settings_field_infos() { return settings_fields; }

int32_t settings_default(uint32_t offset)
{
    if (offset % 4 != 0 || offset / 4 >= header_field_count)
        return 0;
    return settings_fields[offset / 4].default_value;
}

const std::array<parameter_step, parameter_step_count>& parameter_steps() { return k_steps; }

void reset_config_image(config_image& image)
{
    settings_header h = image.header();
    for (const settings_field_info& f : settings_fields)
        h.set_field(f.offset, f.default_value);
    h.fill(header_reserved_offset, header_size - header_reserved_offset, 0xFF);

    for (uint32_t n = 0; n < function_count; ++n) {
        function_record r = image.function(n);
        r.set_in_use(false);
        r.fill(fr::reserved, function_size - fr::reserved, 0xFF);
    }
    for (uint32_t n = 0; n < tool_type_count; ++n) {
        tool_type_slot s = image.tool_type(n);
        s.set_in_use(0);
        s.fill(slot::tool_type_fill, tool_type_slot_size - slot::tool_type_fill, 0xFF);
    }
    for (uint32_t n = 0; n < tool_count; ++n) {
        tool_slot s = image.tool(n);
        s.set_in_use(0);
        s.fill(slot::tool_fill, slot::tool_fill_size, 0xFF);
    }
}

function_record_bytes function_record_clear(const_settings_header h)
{
    function_record_bytes bytes{};
    function_record r(bytes.data());
    r.set_field(fr::mode, h.field(hdr::def_mode));
    r.set_field(fr::back_mode, h.field(hdr::def_back_mode));
    r.set_field(fr::ko_back_mode, h.field(hdr::def_back_mode));
    r.set_field(fr::back_angle, h.field(hdr::def_back_angle));
    r.set_field(fr::flags, h.field(hdr::def_area_rel));
    r.set_field(fr::teach_limit, h.field(hdr::def_teach_limit));
    r.set_field(fr::tolerance, h.field(hdr::def_tolerance));
    r.set_field(fr::intensity, h.field(hdr::def_intensity));
    r.set_field(fr::out1, h.field(hdr::def_out1_func));
    r.set_field(fr::out2, h.field(hdr::def_out2_func));
    r.set_field(fr::out3, h.field(hdr::def_out3_func));
    r.set_field(fr::out4, h.field(hdr::def_out4_func));
    r.set_field(fr::warn_min, h.field(hdr::def_warn_min));
    r.set_field(fr::warn_max, h.field(hdr::def_warn_max));
    r.set_field(fr::err_min, h.field(hdr::def_err_min));
    r.set_field(fr::err_max, h.field(hdr::def_err_max));
    r.set_field(fr::next_func, -1);
    r.set_field(fr::ko_func, -1);
    r.fill(fr::reserved, function_size - fr::reserved, 0xFF);
    return bytes;
}

bool reserved_words_valid(const config_image& image)
{
    for (uint32_t n = 0; n < function_count; ++n) {
        const_function_record r = image.function(n);
        if (!r.in_use())
            continue;
        for (uint32_t w = 0; w < fr::reserved_words; ++w) {
            const int32_t v = r.field(fr::reserved + 4 * w);
            if (v != 0 && v != -1)
                return false;
        }
    }
    return true;
}
