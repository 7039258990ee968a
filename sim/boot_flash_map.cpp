#include "sim/boot_flash_map.h"

namespace boot_flash {
namespace {

constexpr uint32_t KiB = 1024;

constexpr sector type0_sectors[] = {
    {0, 0x00000, 64 * KiB},  {1, 0x10000, 64 * KiB},  {2, 0x20000, 64 * KiB},  {3, 0x30000, 64 * KiB},
    {4, 0x40000, 64 * KiB},  {5, 0x50000, 64 * KiB},  {6, 0x60000, 64 * KiB},  {7, 0x70000, 64 * KiB},
    {8, 0x80000, 64 * KiB},  {9, 0x90000, 64 * KiB},  {10, 0xA0000, 64 * KiB}, {11, 0xB0000, 64 * KiB},
};

constexpr uint32_t slot80 = 0x80u << 20;
constexpr sector type1_sectors[] = {
    {0, slot80 + 0x00000, 16 * KiB},   {1, slot80 + 0x04000, 16 * KiB},   {2, slot80 + 0x08000, 16 * KiB},
    {3, slot80 + 0x0C000, 16 * KiB},   {4, slot80 + 0x10000, 64 * KiB},   {5, slot80 + 0x20000, 128 * KiB},
    {6, slot80 + 0x40000, 128 * KiB},  {7, slot80 + 0x60000, 128 * KiB},  {8, slot80 + 0x80000, 128 * KiB},
    {9, slot80 + 0xA0000, 128 * KiB},  {10, slot80 + 0xC0000, 128 * KiB}, {11, slot80 + 0xE0000, 128 * KiB},
};

constexpr layout layouts[] = {
    {0, 0x00, type0_sectors, sizeof type0_sectors / sizeof type0_sectors[0]},
    {1, 0x80, type1_sectors, sizeof type1_sectors / sizeof type1_sectors[0]},
};

// RAM of the first controllers above their flash, of the redesign, and the window the
// logic image is loaded into (megabyte slot 0x40).
constexpr ram_window rams[] = {
    {0xC0000, 256 * KiB},
    {0x20000000, 256 * KiB},
    {0x40u << 20, 256 * KiB},
};

}  // namespace

const layout* layout_for(uint8_t type_code)
{
    for (const auto& l : layouts)
        if (l.type_code == type_code)
            return &l;
    return nullptr;
}

const sector* sector_at(const layout& l, uint32_t address)
{
    for (size_t i = 0; i < l.count; ++i)
        if (address >= l.sectors[i].base && address - l.sectors[i].base < l.sectors[i].size)
            return &l.sectors[i];
    return nullptr;
}

bool in_ram(uint32_t address, uint32_t length)
{
    for (const auto& r : rams)
        if (address >= r.base && uint64_t(address - r.base) + length <= r.size)
            return true;
    return false;
}

const ram_window* ram_windows(size_t* count)
{
    *count = sizeof rams / sizeof rams[0];
    return rams;
}

}  // namespace boot_flash
