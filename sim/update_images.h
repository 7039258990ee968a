// The installed files of the update flows, made from versions and a seed: firmware images
// (Intel-HEX for the flash sectors 1 to 7), loader images, the hook images that program
// loader and logic, logic packages (with faults on request) and PROFINET images. Each
// carries the marker by which the simulated controller learns its version, so an update
// test needs no hand-made binary. write_installed() lays a whole set out in an application
// directory under the names the update flows search for.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace update_images {

struct version {
    unsigned major = 0, minor = 0, patch = 0, build = 0;
};

// Intel-HEX of a firmware image: `data_bytes` bytes from `base` (0x10000: flash sectors 1
// to 7), 32 bytes a record, its marker in the first bytes.
std::string firmware_hex(const version& v, uint32_t data_bytes = 16 * 1024, uint32_t seed = 1,
                         uint32_t base = 0x10000);
// A loader image of 0x8000 bytes with its marker.
std::vector<uint8_t> loader_image(const version& v, uint32_t seed = 2);
// A small RAM image in Intel-HEX at 0x20000000 that carries `marker` (may be empty).
std::string hook_hex(const std::string& marker, uint32_t seed = 3);

// One record of a logic package: its version as the file gives it and its data length.
struct logic_record {
    uint8_t major = 0, minor = 0;
    uint16_t length = 64;
};
// Faults a logic package can be made with.
enum class logic_fault { none, sum_off_by_one, wrong_magic, truncated, length_past_end };
// "D", 0xBB, the records with their 6-byte headers, byte sum 0 (a fault is made before the
// sum is set, except the sum fault itself). Record data starts with the logic marker.
std::vector<uint8_t> logic_package(const std::vector<logic_record>& records, logic_fault fault = logic_fault::none,
                                   uint32_t seed = 4);
// Where record `index` of a package made without faults has its data, and how long.
void logic_record_place(const std::vector<logic_record>& records, size_t index, uint32_t& position,
                        uint32_t& length);
// A PROFINET image of `size` bytes with its marker (when the size allows).
std::vector<uint8_t> profinet_image(const version& v, size_t size, uint32_t seed = 5);

// A whole installed set below an application directory:
//   tvx_fsw/F252_<v>.hex, tvx_firmload/F251_<v>.bin (the names below),
//   tvx_firmload/IntHook.hex, JmpHook.hex, PrgFld.hex, tvx_firmloadx/PrgFld.hexx,
//   tvx_logic/Logic_<name>.bin and ispProg.hex, tps_fsw/4418062-<v>.img ("%u%u%02u%02u").
// A field left empty (major 0 and minor 0) is not written.
struct installed_set {
    version firmware;
    uint32_t firmware_bytes = 16 * 1024;
    version loader;
    std::vector<logic_record> logic;  // empty: no logic package
    std::string logic_name = "Logic_0001";
    version profinet;
    size_t profinet_bytes = 4096;
    // Also the redesigned hardware's files: tvx_firmloadx/F356_<v>.binx (the same loader
    // image) and tvx_fsw/F355_<v>.hexx (the firmware from 0x40000, flash sectors 4 to 10).
    bool redesign = false;
};
// False when a file cannot be written. `dir` must exist.
bool write_installed(const std::string& dir, const installed_set& s);

// File names of the set (relative to the application directory). The firmware and loader
// names carry the versions as the program names the files of a clone of a controller that
// runs them, so that a clone finds the files its update came from: the firmware as
// "%u%02u" (patch 0) or "%u%02u.%02u.%03u" with patch and build, the loader as "%u%02u"
// with "%02u" of the patch behind when it is not 0.
std::string firmware_name(const version& v);   // "tvx_fsw/F252_117.06.012.hex", "tvx_fsw/F252_118.hex"
std::string loader_name(const version& v);     // "tvx_firmload/F251_106.bin", "tvx_firmload/F251_10503.bin"
std::string profinet_name(const version& v);   // "tps_fsw/4418062-210008.img"

bool write_file(const std::string& path, const void* data, size_t n);

}  // namespace update_images
