#include "core/image/config_image.h"

#include <algorithm>

using namespace image_layout;

namespace {

// offset, default, parameter, high-byte parameter
constexpr settings_field_info k_settings[header_field_count] = {
    {0, 0x344B, -1, -1},  // format_code
    {4, 0, 11, -1},  // return_travel_mon
    {8, 1, 4, -1},  // rot_dir
    {12, 1, 12, -1},  // power_on_move
    {16, 0, 6, -1},  // scanner
    {20, 1, 1, -1},  // out1
    {24, 1, 2, -1},  // out2
    {28, 1, 32, -1},  // out3
    {32, 1, 33, -1},  // out4
    {36, 0, 14, -1},  // out_pulse_time
    {40, 0, 13, -1},  // signal_mode
    {44, 0, 34, -1},  // teach_cnt_clear
    {48, 50, 35, -1},  // profibus_addr
    {52, 0, 36, -1},  // def_area_rel
    {56, 1, 3, -1},  // def_mode
    {60, 0, 37, -1},  // def_back_mode
    {64, 0, 38, -1},  // def_back_angle
    {68, 0, 39, -1},  // setting_68
    {72, 27000, 40, -1},  // def_teach_limit
    {76, 300, 5, -1},  // def_tolerance
    {80, 0, 0, -1},  // def_intensity
    {84, 1, 41, -1},  // def_out1_func
    {88, 2, 42, -1},  // def_out2_func
    {92, 2, 43, -1},  // def_out3_func
    {96, 1, 44, -1},  // def_out4_func
    {100, 0, 45, -1},  // def_warn_min
    {104, 0, 46, -1},  // def_warn_max
    {108, 0, 47, -1},  // def_err_min
    {112, 0, 48, -1},  // def_err_max
    {116, 0, -1, -1},  // variant_bits
    {120, 0, 22, 23},  // vert_distance
    {124, 0, 24, 25},  // ref_angle_90
    {128, 0, 26, 27},  // ref_tool_length
    {132, 0, 21, -1},  // area_flag
    {136, 4000, 7, 8},  // position1
    {140, 13000, 9, 10},  // position2
    {144, 0, 20, -1},  // crash_free_area
    {148, 0, 18, -1},  // home_pos_offset
    {152, 0, 19, -1},  // tool_change_time
    {156, 0, 67, -1},  // profibus_options
    {160, 0, 15, -1},  // limit_position
    {164, 500, 68, -1},  // outputs_time
    {168, 1, 53, -1},  // in_func1
    {172, 3, 55, -1},  // in_func3
    {176, 0, 69, -1},  // scanning_mode
    {180, 0, 70, -1},  // preposition_intensity
    {184, 0, 72, -1},  // go_back_monitoring
    {188, 0, 73, -1},  // home_pos_variant
    {192, 0, 74, -1},  // ko_detection
    {196, 0, 79, -1},  // devicenet_options
    {200, 63, 80, -1},  // mac_id
    {204, 0, 81, -1},  // dn_baudrate
    {208, 0, 82, -1},  // crash_free_relative
    {212, 0, 83, -1},  // rescan
    {216, 10, 86, -1},  // dip_tolerance1
    {220, 100, 87, -1},  // dip_tolerance2
    {224, 300, 88, -1},  // dip_tolerance3
    {228, 1000, 89, -1},  // dip_tolerance4
    {232, 0, 90, -1},  // min_teach_pos
    {236, 0, 91, -1},  // preposition_offset
    {240, 0, 85, -1},  // tolerance_offset
    {244, 0, 100, -1},  // add_teach_cycles
    {248, 10, 92, -1},  // pm_sampling_time
    {252, 0, 93, -1},  // pm_averaging
    {256, 2, 94, -1},  // pm_recording_mode
    {260, 0, 95, -1},  // pm_blunt_duration
    {264, 0, 96, -1},  // pm_setting_264
    {268, 0, 104, -1},  // relay_switch
    {272, 0, 105, -1},  // neg_teach_limit
    {276, 1, 71, -1},  // in_func_key
    {280, 0x10111111, 107, -1},  // pb_cmd_options
    {284, 0, 108, -1},  // swarf_area
    {288, 5000, 106, -1},  // softscan_intensity
    {292, 4, 65, -1},  // in_func13
    {296, 0, 109, -1},  // customer_config
    {300, 0, 110, -1},  // setting_300
};
const field_desc k_header_fields[] = {
    {"format_code", 0, 4, field_kind::signed_int},
    {"return_travel_mon", 4, 4, field_kind::signed_int},
    {"rot_dir", 8, 4, field_kind::signed_int},
    {"power_on_move", 12, 4, field_kind::signed_int},
    {"scanner", 16, 4, field_kind::signed_int},
    {"out1", 20, 4, field_kind::signed_int},
    {"out2", 24, 4, field_kind::signed_int},
    {"out3", 28, 4, field_kind::signed_int},
    {"out4", 32, 4, field_kind::signed_int},
    {"out_pulse_time", 36, 4, field_kind::signed_int},
    {"signal_mode", 40, 4, field_kind::signed_int},
    {"teach_cnt_clear", 44, 4, field_kind::signed_int},
    {"profibus_addr", 48, 4, field_kind::signed_int},
    {"def_area_rel", 52, 4, field_kind::signed_int},
    {"def_mode", 56, 4, field_kind::signed_int},
    {"def_back_mode", 60, 4, field_kind::signed_int},
    {"def_back_angle", 64, 4, field_kind::signed_int},
    {"setting_68", 68, 4, field_kind::signed_int},
    {"def_teach_limit", 72, 4, field_kind::signed_int},
    {"def_tolerance", 76, 4, field_kind::signed_int},
    {"def_intensity", 80, 4, field_kind::signed_int},
    {"def_out1_func", 84, 4, field_kind::signed_int},
    {"def_out2_func", 88, 4, field_kind::signed_int},
    {"def_out3_func", 92, 4, field_kind::signed_int},
    {"def_out4_func", 96, 4, field_kind::signed_int},
    {"def_warn_min", 100, 4, field_kind::signed_int},
    {"def_warn_max", 104, 4, field_kind::signed_int},
    {"def_err_min", 108, 4, field_kind::signed_int},
    {"def_err_max", 112, 4, field_kind::signed_int},
    {"variant_bits", 116, 4, field_kind::signed_int},
    {"vert_distance", 120, 4, field_kind::signed_int},
    {"ref_angle_90", 124, 4, field_kind::signed_int},
    {"ref_tool_length", 128, 4, field_kind::signed_int},
    {"area_flag", 132, 4, field_kind::signed_int},
    {"position1", 136, 4, field_kind::signed_int},
    {"position2", 140, 4, field_kind::signed_int},
    {"crash_free_area", 144, 4, field_kind::signed_int},
    {"home_pos_offset", 148, 4, field_kind::signed_int},
    {"tool_change_time", 152, 4, field_kind::signed_int},
    {"profibus_options", 156, 4, field_kind::signed_int},
    {"limit_position", 160, 4, field_kind::signed_int},
    {"outputs_time", 164, 4, field_kind::signed_int},
    {"in_func1", 168, 4, field_kind::signed_int},
    {"in_func3", 172, 4, field_kind::signed_int},
    {"scanning_mode", 176, 4, field_kind::signed_int},
    {"preposition_intensity", 180, 4, field_kind::signed_int},
    {"go_back_monitoring", 184, 4, field_kind::signed_int},
    {"home_pos_variant", 188, 4, field_kind::signed_int},
    {"ko_detection", 192, 4, field_kind::signed_int},
    {"devicenet_options", 196, 4, field_kind::signed_int},
    {"mac_id", 200, 4, field_kind::signed_int},
    {"dn_baudrate", 204, 4, field_kind::signed_int},
    {"crash_free_relative", 208, 4, field_kind::signed_int},
    {"rescan", 212, 4, field_kind::signed_int},
    {"dip_tolerance1", 216, 4, field_kind::signed_int},
    {"dip_tolerance2", 220, 4, field_kind::signed_int},
    {"dip_tolerance3", 224, 4, field_kind::signed_int},
    {"dip_tolerance4", 228, 4, field_kind::signed_int},
    {"min_teach_pos", 232, 4, field_kind::signed_int},
    {"preposition_offset", 236, 4, field_kind::signed_int},
    {"tolerance_offset", 240, 4, field_kind::signed_int},
    {"add_teach_cycles", 244, 4, field_kind::signed_int},
    {"pm_sampling_time", 248, 4, field_kind::signed_int},
    {"pm_averaging", 252, 4, field_kind::signed_int},
    {"pm_recording_mode", 256, 4, field_kind::signed_int},
    {"pm_blunt_duration", 260, 4, field_kind::signed_int},
    {"pm_setting_264", 264, 4, field_kind::signed_int},
    {"relay_switch", 268, 4, field_kind::signed_int},
    {"neg_teach_limit", 272, 4, field_kind::signed_int},
    {"in_func_key", 276, 4, field_kind::signed_int},
    {"pb_cmd_options", 280, 4, field_kind::signed_int},
    {"swarf_area", 284, 4, field_kind::signed_int},
    {"softscan_intensity", 288, 4, field_kind::signed_int},
    {"in_func13", 292, 4, field_kind::signed_int},
    {"customer_config", 296, 4, field_kind::signed_int},
    {"setting_300", 300, 4, field_kind::signed_int},
    {"reserved", 304, 248, field_kind::reserved},
};

// The transfer steps follow the fields in offset order; a 16-bit value travels as its low
// byte and then its high byte, each under its own parameter number.
constexpr std::array<parameter_step, parameter_step_count> make_steps()
{
    std::array<parameter_step, parameter_step_count> out{};
    size_t k = 0;
    for (const settings_field_info& f : k_settings) {
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
    for (const settings_field_info& f : k_settings)
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
    static const field_table t = make_table(k_header_fields, header_size);
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

const std::array<settings_field_info, header_field_count>& settings_field_infos()
{
    static const std::array<settings_field_info, header_field_count> a = [] {
        std::array<settings_field_info, header_field_count> r{};
        std::copy(std::begin(k_settings), std::end(k_settings), r.begin());
        return r;
    }();
    return a;
}

int32_t settings_default(uint32_t offset)
{
    if (offset % 4 != 0 || offset / 4 >= header_field_count)
        return 0;
    return k_settings[offset / 4].default_value;
}

const std::array<parameter_step, parameter_step_count>& parameter_steps() { return k_steps; }

void reset_config_image(config_image& image)
{
    settings_header h = image.header();
    for (const settings_field_info& f : k_settings)
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
