#include "sim/update_images.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "sim/image_markers.h"
#include "sim/test_image.h"

namespace update_images {
namespace {

namespace fs = std::filesystem;

// Random bytes with the marker text at the start.
std::vector<uint8_t> marked_bytes(const std::string& marker, size_t n, uint32_t seed)
{
    std::mt19937 g(seed);
    std::vector<uint8_t> b(n);
    for (auto& v : b)
        v = uint8_t(std::uniform_int_distribution<int>(0, 0xFE)(g));
    for (size_t i = 0; i < marker.size() && i < n; ++i)
        b[i] = uint8_t(marker[i]);
    if (marker.size() < n)
        b[marker.size()] = 0;
    return b;
}

// Intel-HEX of contiguous bytes from `base`: linear address records where the upper half
// changes, 32-byte data records, the end record.
std::string to_hex(uint32_t base, const std::vector<uint8_t>& bytes)
{
    std::string s;
    uint32_t upper = 0xFFFFFFFF;
    for (size_t off = 0; off < bytes.size();) {
        const uint32_t a = base + uint32_t(off);
        if ((a >> 16) != upper) {
            upper = a >> 16;
            s += test_image::hex_line(4, 0, {uint8_t(upper >> 8), uint8_t(upper)}) + "\n";
        }
        // A record never crosses a 64 KiB boundary.
        size_t n = std::min<size_t>({size_t(32), bytes.size() - off, size_t(0x10000 - (a & 0xFFFF))});
        s += test_image::hex_line(0, uint16_t(a), std::vector<uint8_t>(bytes.begin() + long(off),
                                                                      bytes.begin() + long(off + n))) +
             "\n";
        off += n;
    }
    s += test_image::hex_line(1, 0, {}) + "\n";
    return s;
}

std::string format(const char* f, unsigned a, unsigned b, unsigned c = 0, unsigned d = 0)
{
    char x[64];
    std::snprintf(x, sizeof x, f, a, b, c, d);
    return x;
}

void set_sum_zero(std::vector<uint8_t>& p, size_t fix_at)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < p.size(); ++i)
        if (i != fix_at)
            sum = uint8_t(sum + p[i]);
    p[fix_at] = uint8_t(0x100 - sum);
}

}  // namespace

std::string firmware_hex(const version& v, uint32_t data_bytes, uint32_t seed, uint32_t base)
{
    const std::string m = image_marker::make(image_marker::firmware, {v.major, v.minor, v.patch, v.build});
    return to_hex(base, marked_bytes(m, data_bytes, seed));
}

std::vector<uint8_t> loader_image(const version& v, uint32_t seed)
{
    return marked_bytes(image_marker::make(image_marker::loader, {v.major, v.minor, v.patch}), 0x8000, seed);
}

std::string hook_hex(const std::string& marker, uint32_t seed)
{
    return to_hex(0x20000000, marked_bytes(marker, 256, seed));
}

std::vector<uint8_t> logic_package(const std::vector<logic_record>& records, logic_fault fault, uint32_t seed)
{
    std::vector<uint8_t> p = {0x44, 0xBB};
    for (size_t i = 0; i < records.size(); ++i) {
        const logic_record& r = records[i];
        // Bytes 4 and 5 are not read by the program; byte 4 of the first header evens the sum.
        p.insert(p.end(), {uint8_t(r.length >> 8), r.minor, uint8_t(r.length), r.major, 0, uint8_t(i)});
        const std::vector<uint8_t> data =
            marked_bytes(image_marker::make(image_marker::logic, {r.major, r.minor}), r.length, seed + uint32_t(i));
        p.insert(p.end(), data.begin(), data.end());
    }
    const size_t fix_at = 2 + 4;
    switch (fault) {
    case logic_fault::none:
    case logic_fault::sum_off_by_one:
        break;
    case logic_fault::wrong_magic:
        p[1] = 0xBC;
        break;
    case logic_fault::truncated:
        // The last record loses the second half of its data.
        if (!records.empty())
            p.resize(p.size() - records.back().length / 2);
        break;
    case logic_fault::length_past_end:
        // The last record claims more data than the file holds.
        if (!records.empty()) {
            size_t h = p.size() - records.back().length - 6;
            const uint16_t n = uint16_t(records.back().length + 0x100);
            p[h] = uint8_t(n >> 8);
            p[h + 2] = uint8_t(n);
        }
        break;
    }
    if (p.size() > fix_at)
        set_sum_zero(p, fix_at);
    if (fault == logic_fault::sum_off_by_one)
        p[fix_at] = uint8_t(p[fix_at] + 1);
    return p;
}

void logic_record_place(const std::vector<logic_record>& records, size_t index, uint32_t& position, uint32_t& length)
{
    uint32_t at = 2;
    for (size_t i = 0; i < records.size(); ++i) {
        if (i == index) {
            position = at + 6;
            length = records[i].length;
            return;
        }
        at += 6 + records[i].length;
    }
    position = length = 0;
}

std::vector<uint8_t> profinet_image(const version& v, size_t size, uint32_t seed)
{
    return marked_bytes(image_marker::make(image_marker::profinet, {v.major, v.minor, v.patch, v.build}), size, seed);
}

// The version part of a firmware name as the controller's clone header names its firmware:
// major and minor ("117"), and only with a patch also patch and build ("117.06.012").
namespace {

std::string firmware_digits(const version& v)
{
    if (v.patch == 0)
        return format("%u%02u", v.major, v.minor);
    return format("%u%02u.%02u.%03u", v.major, v.minor, v.patch, v.build);
}

// The version part of a loader name: major, minor, and the patch when it is not 0
// ("106", "10503").
std::string loader_digits(const version& v)
{
    if (v.patch == 0)
        return format("%u%02u", v.major, v.minor);
    return format("%u%02u%02u", v.major, v.minor, v.patch);
}

}  // namespace

std::string firmware_name(const version& v) { return "tvx_fsw/F252_" + firmware_digits(v) + ".hex"; }
std::string loader_name(const version& v) { return "tvx_firmload/F251_" + loader_digits(v) + ".bin"; }
std::string profinet_name(const version& v)
{
    return format("tps_fsw/4418062-%u%u%02u%02u.img", v.major, v.minor, v.patch, v.build);
}

bool write_file(const std::string& path, const void* data, size_t n)
{
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(static_cast<const char*>(data), std::streamsize(n));
    return bool(f);
}

bool write_installed(const std::string& dir, const installed_set& s)
{
    auto put = [&](const std::string& name, const std::string& text) {
        return write_file(dir + "/" + name, text.data(), text.size());
    };
    auto put_bytes = [&](const std::string& name, const std::vector<uint8_t>& b) {
        return write_file(dir + "/" + name, b.data(), b.size());
    };
    bool ok = true;
    auto given = [](const version& v) { return v.major || v.minor; };
    if (given(s.firmware))
        ok &= put(firmware_name(s.firmware), firmware_hex(s.firmware, s.firmware_bytes));
    if (given(s.loader))
        ok &= put_bytes(loader_name(s.loader), loader_image(s.loader));
    if (s.redesign && given(s.loader))
        ok &= put_bytes("tvx_firmloadx/F356_" + loader_digits(s.loader) + ".binx", loader_image(s.loader));
    if (s.redesign && given(s.firmware))
        ok &= put("tvx_fsw/F355_" + firmware_digits(s.firmware) + ".hexx",
                  firmware_hex(s.firmware, s.firmware_bytes, 1, 0x40000));
    ok &= put("tvx_firmload/IntHook.hex", hook_hex("int hook", 11));
    ok &= put("tvx_firmload/JmpHook.hex", hook_hex("jump hook", 12));
    ok &= put("tvx_firmload/PrgFld.hex", hook_hex(image_marker::program_loader, 13));
    ok &= put("tvx_firmloadx/PrgFld.hexx", hook_hex(image_marker::program_loader, 14));
    ok &= put("tvx_logic/ispProg.hex", hook_hex(image_marker::program_logic, 15));
    if (!s.logic.empty())
        ok &= put_bytes("tvx_logic/" + s.logic_name + ".bin", logic_package(s.logic));
    if (given(s.profinet))
        ok &= put_bytes(profinet_name(s.profinet), profinet_image(s.profinet, s.profinet_bytes));
    return ok;
}

}  // namespace update_images
