// The controller's packed 52-byte form of a function record, the code maps that differ by
// controller variant (intensity, function mode, input functions), the output-function
// vocabulary and the request frames that carry a packed record.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "core/image/byte_record.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"

constexpr uint32_t device_function_record_size = 52;
using device_function_record_bytes = std::array<uint8_t, device_function_record_size>;

// Packed field offsets.
namespace dfr {
enum : uint32_t {
    name = 0,  // 12 bytes, not terminated when 12 characters long
    unused = 12,
    mode = 13,
    back_mode = 14,
    back_angle = 15,
    flags = 17,
    next_func = 18,
    object_pos = 20,
    teach_limit = 24,
    tolerance = 26,
    intensity = 28,
    counter = 29,
    counter_limit = 33,
    out1 = 37,
    warn_min = 41,
    warn_max = 43,
    err_min = 45,
    err_max = 47,
    ko_func = 49,
    ko_back_mode = 51,
};
constexpr uint32_t name_size = 12;
}  // namespace dfr

// The packed layout; `source` is the offset of the function_record field each packed field
// carries (for the name: the name field).
struct device_field {
    field_desc packed;
    uint32_t source;
};
const device_field* device_function_record_fields(size_t* count);
// The packed layout as a plain field table (every byte covered, byte 12 named "unused").
const field_table& device_function_record_table();

// Writes the 52 packed bytes of `rec` at `dest`: every field truncated to its width, the
// intensity through the intensity code map, byte 12 zero. No range test here.
void device_record_pack(const_function_record rec, byte_view dest, const device_state& d = g_device());
// The function record of 52 packed bytes: zero first, 8-bit fields unsigned, 16-bit fields
// sign-extended, the intensity through the inverse map, in use 1, reserved words 0.
function_record_bytes device_record_unpack(const_byte_view packed, const device_state& d = g_device());

// Intensity: dialog index <-> device code, by family_flag. Only the low byte is mapped; the
// bits above it pass unchanged.
int32_t intensity_to_device(int32_t value, const device_state& d = g_device());
int32_t intensity_from_device(int32_t value, const device_state& d = g_device());

// Function mode: list index <-> device code, by variant_bit2 and variant_bit3.
int32_t device_type_from_function_type(int32_t index, const device_state& d = g_device());
int32_t function_type_from_device_type(int32_t code, const device_state& d = g_device());

// Inputs 1, 3 and 13: radio-group choice -> device input-function code, and back.
int32_t kind_to_row(int32_t row, int input);
int32_t row_to_kind(int32_t code, int input);

// The fifteen output functions (the list index is what outputs 1 to 4 hold).
constexpr int output_function_count = 15;
extern const int output_function_labels[output_function_count];
std::string output_function_label(int index);

// Frame bytes 1..4 = BB 02 37 01 (start of a new function), then the packed default record
// built from the working image's header from byte 7. Bytes 5 and 6 are the caller's.
void function_record_to_request(byte_view frame);
// Frame bytes 1..3 = BB 02 37, bytes 4..7 = the command word, then the packed record of the
// working image's function n from byte 7 (its first name byte replaces the word's top byte).
void function_record_to_device_record(uint32_t n, uint32_t command_word, byte_view frame);
// The same with only the sub-command byte 4 written; bytes 5 and 6 keep what they hold.
void function_record_to_device_record_cmd(uint32_t n, uint8_t sub_command, byte_view frame);
