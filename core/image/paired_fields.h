// Header fields that travel to the controller as a pair of byte parameters (low byte, then
// high byte) hold 16 bits there. The reference angle at 90 degrees and the reference tool
// length are signed, so what comes back is sign-extended; a value the 16 bits cannot carry
// would lose its high part on the way and is refused before it reaches the header.
#pragma once
#include <cstdint>

#include "core/image/config_image.h"

namespace paired_fields {

// The two signed ones; the vertical distance and the two positions are unsigned.
constexpr bool is_signed(uint32_t offset) { return offset == hdr::ref_angle_90 || offset == hdr::ref_tool_length; }

// The field value of the 16 bits that the two parameters carried.
constexpr int32_t from_16_bits(uint32_t offset, uint32_t bits)
{
    bits &= 0xFFFFu;
    return is_signed(offset) ? int32_t(int16_t(uint16_t(bits))) : int32_t(bits);
}

constexpr int32_t minimum(uint32_t offset) { return is_signed(offset) ? -32768 : 0; }
constexpr int32_t maximum(uint32_t offset) { return is_signed(offset) ? 32767 : 65535; }

// Whether `value` comes back from the controller as it was written.
constexpr bool fits(uint32_t offset, int64_t value) { return value >= minimum(offset) && value <= maximum(offset); }

}  // namespace paired_fields
