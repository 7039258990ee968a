// The controller's program in its non-volatile memory: what a clone copies is what the
// controller runs after its next start. The application loads the program from there when it
// starts and writes every change back; the layout is the simulator's own.
//
// Two parts, each a 16-byte header and a payload, all numbers little-endian:
//
//   header   0 magic (4 bytes)  4 layout version (u16)  6 flags (u16)
//            8 payload length (u32)  12 CRC-32 of the payload (u32)
//
// Device part, at the start of memory area 3 (magic "TVXP"; flag bit 0: the demo program's
// cycles run); the rest of the area is zero:
//   u16 n, n x (u16 parameter number, i32 value)   every parameter but the controller's
//                                                   identity (variant, revision, article and
//                                                   serial numbers, hardware configuration)
//   u16 n, n x (u16 function number, 52 bytes)     the used function records
//   2 x (u8 present, 224 bytes when present)       the two user scanner sets
//
// Flash part, in the flash configuration (magic "TVXT"). Its bytes run through the 0x8000 bytes
// in order but step over offsets 8..11 and 0x2008..0x200B, the controller's own value that
// programming keeps; the rest of the configuration is 0xFF:
//   u16 n, n x (u16 tool type 0 or 128..255, 179 bytes)   the user's tool types in use
//   u16 n, n x (u16 tool number < 500, 222 bytes)         the tools in use
//   u16 n, n x (u16 tool number, u32 count, count x i16)  the non-empty value lists
//
// Loading checks the magic, version, length, CRC, every count and number and that the payload
// ends where it says; a part that fails leaves the stores it holds at what they were (the
// factory program, when the caller starts from it). The flash part limits what the controller
// takes: a tool, tool type or value list that would not fit is refused.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/world.h"

namespace sim {
namespace program_memory {

constexpr size_t header_size = 16;
constexpr uint16_t layout_version = 1;
// Payload bytes each part can hold.
constexpr size_t device_capacity = device_protocol::clone_area_size - header_size;
size_t flash_capacity();

// The parts of the world's program as they are stored (header included).
std::vector<uint8_t> device_part(const world& w);
std::vector<uint8_t> flash_part(const world& w);
// The length of the flash part without building it.
size_t flash_part_size(const world& w);

// Writes a part into its memory (area 3; the 0x8000 bytes of the flash configuration).
void write_device_part(std::vector<uint8_t>& area, const std::vector<uint8_t>& part);
void write_flash_part(std::vector<uint8_t>& flash, const std::vector<uint8_t>& part);

// Takes a stored part into the world's stores; false (the world unchanged) when the memory
// holds no valid part.
bool load_device_part(world& w, const std::vector<uint8_t>& area);
bool load_flash_part(world& w, const std::vector<uint8_t>& flash);

// Whether the parameter belongs to the controller rather than to its program.
bool identity_parameter(uint16_t number);
// The program's stores of `from` copied into `to` (the rest of `to` is kept).
void copy_program(world& to, const world& from);

}  // namespace program_memory
}  // namespace sim
