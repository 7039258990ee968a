// Where the simulated boot loader keeps its flash and RAM: the sector map of each flash
// type code (the low part of a control record's flash byte) and the RAM windows. One table
// for the loader and the tests, covering every sector the installed download settings
// erase: the first controllers (type 0: twelve 64 KiB sectors from address 0, firmware in
// 1-7, the flash configuration at segment 0x8000 in 8-11) and the redesign (type 1: the
// megabyte slot 0x80, sectors of 16, 64 and 128 KiB, firmware in 4-10, the flash
// configuration at 0xE000:0000 in 11). Sector 0 of every map holds the boot loader.
#pragma once
#include <cstddef>
#include <cstdint>

namespace boot_flash {

struct sector {
    uint8_t number;
    uint32_t base;  // absolute address, megabyte slot included
    uint32_t size;
};

struct layout {
    uint8_t type_code;
    uint16_t megabyte_slot;  // the high address part that reaches it (address >> 20)
    const sector* sectors;
    size_t count;
};

struct ram_window {
    uint32_t base;
    uint32_t size;
};

// The layout of a type code; null for a code no controller has.
const layout* layout_for(uint8_t type_code);
// The sector of the layout that holds the address; null outside the flash.
const sector* sector_at(const layout& l, uint32_t address);
// Whether [address, address + length) lies inside one RAM window.
bool in_ram(uint32_t address, uint32_t length);

const ram_window* ram_windows(size_t* count);

// The loader's version text (7 characters) at the end of its boot sector, in each map.
constexpr const char* loader_version_text = "1.05.03";
constexpr uint32_t loader_version_address_type0 = 0xFFF0;
constexpr uint32_t loader_version_address_type1 = (0x80u << 20) + 0x3FF0;

// The flash configuration (segment 0x8000, or 0xE000 in the megabyte slot 0x80): where the
// application keeps the part of its program that does not fit its device memory.
constexpr uint32_t flash_config_address_type0 = 0x80000;
constexpr uint32_t flash_config_address_type1 = (0x80u << 20) + 0xE0000;
constexpr uint32_t flash_config_size = 0x8000;

}  // namespace boot_flash
