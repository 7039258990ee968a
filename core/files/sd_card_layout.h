// The controller's memory card: no file system, 512-byte sectors at fixed places. Shared by the
// card reader and the image generator of the simulator, so both agree on every number.
#pragma once
#include <cstdint>

namespace sd_card_layout {

constexpr uint32_t sector_size = 512;
constexpr char signature[8] = "TVX_SDC";  // bytes 0 to 6 of sector 0, no terminator tested
constexpr uint32_t signature_length = 7;

constexpr uint32_t tool_type_first = 202050;  // tool-type sector n = first + n
constexpr int32_t tool_type_count = 256;

constexpr uint32_t block_sectors = 7032;  // one header sector and 7031 data sectors
constexpr int32_t data_sectors = 7031;
constexpr int32_t samples_per_sector = 256;
constexpr int32_t max_samples = data_sectors * samples_per_sector;  // 1,799,936

constexpr uint32_t tool_first = 202306;  // header of tool t = first + t * block_sectors
constexpr int32_t tool_count = 500;

constexpr uint32_t ring_directory = 3718306;
constexpr uint32_t ring_first = 3718307;  // header of ring slot s = first + s * block_sectors
constexpr int32_t ring_slots = 7032;

constexpr uint32_t last_sector = ring_first + (ring_slots - 1) * block_sectors + data_sectors;  // 53167330
constexpr uint64_t card_bytes = uint64_t(last_sector + 1) * sector_size;                     // 27,221,673,472

// Sector kinds: a flag byte, then the record from byte 1.
constexpr uint32_t flag_offset = 0;
constexpr uint32_t record_offset = 1;
constexpr uint8_t flag_in_use = 0x01;

// Ring directory
constexpr uint32_t ring_next_slot = 0;     // uint32
constexpr uint32_t ring_total_low = 4;     // uint32, low half of the uint64 written count
constexpr uint32_t ring_total_high = 8;    // uint32, high half

constexpr uint32_t tool_type_sector(int32_t n) { return tool_type_first + uint32_t(n); }
constexpr uint32_t tool_header_sector(int32_t t) { return tool_first + uint32_t(t) * block_sectors; }
constexpr uint32_t ring_header_sector(int32_t slot) { return ring_first + uint32_t(slot) * block_sectors; }
// Data sectors a record of `count` samples fills (0 for none or a negative count).
constexpr int32_t sectors_for(int32_t count)
{
    return count <= 0 ? 0 : (count > max_samples ? data_sectors : (count + samples_per_sector - 1) / samples_per_sector);
}
// A stored sample count brought into the block's capacity.
constexpr int32_t clamp_count(int32_t count) { return count < 0 ? 0 : (count > max_samples ? max_samples : count); }

static_assert(last_sector == 53167330, "card format");
static_assert(tool_header_sector(499) + 1 == 3711275, "card format");

}  // namespace sd_card_layout
