#include "core/image/device_function_record.h"

#include <iterator>

#include "core/text/text_tables.h"

namespace {

constexpr auto S = field_kind::signed_int;
constexpr auto U = field_kind::unsigned_int;

const device_field k_fields[] = {
    {{"Name", dfr::name, dfr::name_size, field_kind::chars}, fr::name},
    {{"Mode", dfr::mode, 1, U}, fr::mode},
    {{"BackMode", dfr::back_mode, 1, U}, fr::back_mode},
    {{"BackAngle", dfr::back_angle, 2, S}, fr::back_angle},
    {{"Flags", dfr::flags, 1, U}, fr::flags},
    {{"NextFunc", dfr::next_func, 2, S}, fr::next_func},
    {{"ObjectPos", dfr::object_pos, 4, S}, fr::object_pos},
    {{"TeachLimit", dfr::teach_limit, 2, S}, fr::teach_limit},
    {{"Tolerance", dfr::tolerance, 2, S}, fr::tolerance},
    {{"Intensity", dfr::intensity, 1, U}, fr::intensity},
    {{"Counter", dfr::counter, 4, S}, fr::counter},
    {{"Counter Limit", dfr::counter_limit, 4, S}, fr::counter_limit},
    {{"Out1 Function", dfr::out1, 1, U}, fr::out1},
    {{"Out2 Function", dfr::out1 + 1, 1, U}, fr::out2},
    {{"Out3 Function", dfr::out1 + 2, 1, U}, fr::out3},
    {{"Out4 Function", dfr::out1 + 3, 1, U}, fr::out4},
    {{"Warning Min", dfr::warn_min, 2, S}, fr::warn_min},
    {{"Warning Max", dfr::warn_max, 2, S}, fr::warn_max},
    {{"Error Min", dfr::err_min, 2, S}, fr::err_min},
    {{"Error Max", dfr::err_max, 2, S}, fr::err_max},
    {{"KOFunc", dfr::ko_func, 2, S}, fr::ko_func},
    {{"KOBackMode", dfr::ko_back_mode, 1, U}, fr::ko_back_mode},
};

const field_desc k_table[] = {
    {"Name", dfr::name, dfr::name_size, field_kind::chars},
    {"unused", dfr::unused, 1, field_kind::reserved},
    {"Mode", dfr::mode, 1, U},
    {"BackMode", dfr::back_mode, 1, U},
    {"BackAngle", dfr::back_angle, 2, S},
    {"Flags", dfr::flags, 1, U},
    {"NextFunc", dfr::next_func, 2, S},
    {"ObjectPos", dfr::object_pos, 4, S},
    {"TeachLimit", dfr::teach_limit, 2, S},
    {"Tolerance", dfr::tolerance, 2, S},
    {"Intensity", dfr::intensity, 1, U},
    {"Counter", dfr::counter, 4, S},
    {"Counter Limit", dfr::counter_limit, 4, S},
    {"Out1 Function", dfr::out1, 1, U},
    {"Out2 Function", dfr::out1 + 1, 1, U},
    {"Out3 Function", dfr::out1 + 2, 1, U},
    {"Out4 Function", dfr::out1 + 3, 1, U},
    {"Warning Min", dfr::warn_min, 2, S},
    {"Warning Max", dfr::warn_max, 2, S},
    {"Error Min", dfr::err_min, 2, S},
    {"Error Max", dfr::err_max, 2, S},
    {"KOFunc", dfr::ko_func, 2, S},
    {"KOBackMode", dfr::ko_back_mode, 1, U},
};

constexpr uint32_t frame_record_offset = 7;

void check_frame(const byte_view& frame) { assert(frame.size() >= frame_record_offset + device_function_record_size); (void)frame; }

}  // namespace

const device_field* device_function_record_fields(size_t* count)
{
    if (count)
        *count = std::size(k_fields);
    return k_fields;
}

const field_table& device_function_record_table()
{
    static const field_table t{k_table, std::size(k_table), device_function_record_size};
    return t;
}

void device_record_pack(const_function_record rec, byte_view dest, const device_state& d)
{
    byte_view out = dest.sub(0, device_function_record_size);
    for (const device_field& f : k_fields) {
        if (f.packed.kind == field_kind::chars) {
            out.set_chars(f.packed.offset, f.packed.width, rec.name());
            continue;
        }
        int32_t v = rec.field(f.source);
        if (f.source == fr::intensity)
            v = intensity_to_device(v, d);
        out.set(f.packed, v);
    }
    out.set_u8(dfr::unused, 0);
}

function_record_bytes device_record_unpack(const_byte_view packed, const device_state& d)
{
    const const_byte_view in = packed.sub(0, device_function_record_size);
    function_record_bytes bytes{};
    function_record rec(bytes.data());
    for (const device_field& f : k_fields) {
        if (f.packed.kind == field_kind::chars) {
            rec.set_name(in.text(f.packed.offset, f.packed.width));
            continue;
        }
        int32_t v = int32_t(in.get(f.packed));
        if (f.source == fr::intensity)
            v = intensity_from_device(v, d);
        rec.set_field(f.source, v);
    }
    rec.set_in_use(true);
    return bytes;
}

int32_t intensity_to_device(int32_t value, const device_state& d)
{
    const int32_t low = value & 0xFF;
    int32_t code = 0;
    if (d.family_flag) {
        switch (low) {
        case 1: code = 3; break;
        case 2: code = 5; break;
        case 3: code = 1; break;
        default: code = 0; break;
        }
    } else {
        if (low == 7)
            code = 1;
        else if (low >= 1 && low <= 6)
            code = low + 1;
    }
    return int32_t((uint32_t(value) & ~0xFFu) | uint32_t(code));
}

int32_t intensity_from_device(int32_t value, const device_state& d)
{
    const int32_t low = value & 0xFF;
    int32_t index = 0;
    if (d.family_flag) {
        if (low == 1)
            index = 3;
        else if (low == 2 || low == 3)
            index = 1;
        else if (low == 4 || low == 5)
            index = 2;
    } else {
        if (low == 1)
            index = 7;
        else if (low >= 2)
            index = low - 1;
    }
    return int32_t((uint32_t(value) & ~0xFFu) | uint32_t(index));
}

int32_t device_type_from_function_type(int32_t index, const device_state& d)
{
    if (index < 8) {
        if (d.variant_bit2 && index != 0 && index != 1)
            return index == 2 ? 6 : 1;
        return index;
    }
    if (d.variant_bit2 || d.variant_bit3)
        return 1;
    return index + 120 < 130 ? index + 120 : index + 122;
}

int32_t function_type_from_device_type(int32_t code, const device_state& d)
{
    if (code & 0x80) {
        if (d.variant_bit2 || d.variant_bit3)
            return 0;
        return code < 130 ? (code & 0x7F) + 8 : (code & 0x7F) + 6;
    }
    if (d.variant_bit2 && code != 0 && code != 1)
        return code == 6 ? 2 : 1;
    return code;
}

int32_t kind_to_row(int32_t row, int input)
{
    switch (row) {
    case -1: return 0;
    case 1: return 4;
    case 2: return 5;
    default: break;
    }
    if (input == 1)
        return 1;
    switch (row) {
    case 3: return 6;
    case 4: return 7;
    case 5: return 8;
    case 6: return 9;
    default: return 3;
    }
}

int32_t row_to_kind(int32_t code, int input)
{
    switch (code) {
    case 4: return 1;
    case 5: return 2;
    default: break;
    }
    if (input == 1)
        return 0;
    switch (code) {
    case 6: return 3;
    case 7: return 4;
    case 8: return 5;
    case 9: return 6;
    case 0: return -1;
    default: return 0;
    }
}

const int output_function_labels[output_function_count] = {131, 132, 133, 134, 135, 242, 137, 138,
                                                           123, 258, 259, 289, 290, 315, 316};

std::string output_function_label(int index)
{
    if (index < 0 || index >= output_function_count)
        return {};
    return txt_label(output_function_labels[index]);
}

void function_record_to_request(byte_view frame)
{
    check_frame(frame);
    frame.set_u8(1, 0xBB);
    frame.set_u8(2, 0x02);
    frame.set_u8(3, 0x37);
    frame.set_u8(4, 0x01);
    const function_record_bytes def = function_record_clear(g_config_image().header());
    device_record_pack(const_function_record(def.data()), frame.sub(frame_record_offset, device_function_record_size));
}

void function_record_to_device_record(uint32_t n, uint32_t command_word, byte_view frame)
{
    check_frame(frame);
    frame.set_u8(1, 0xBB);
    frame.set_u8(2, 0x02);
    frame.set_u8(3, 0x37);
    frame.set_u32(4, command_word);
    device_record_pack(g_config_image().function(n), frame.sub(frame_record_offset, device_function_record_size));
}

void function_record_to_device_record_cmd(uint32_t n, uint8_t sub_command, byte_view frame)
{
    check_frame(frame);
    frame.set_u8(1, 0xBB);
    frame.set_u8(2, 0x02);
    frame.set_u8(3, 0x37);
    frame.set_u8(4, sub_command);
    device_record_pack(g_config_image().function(n), frame.sub(frame_record_offset, device_function_record_size));
}
