#include "sim/program_memory.h"

#include <algorithm>
#include <cstring>

#include "core/image/byte_record.h"
#include "sim/boot_flash_map.h"
#include "sim/card_image.h"

namespace sim {
namespace program_memory {
namespace {

namespace dp = device_protocol;

constexpr char device_magic[4] = {'T', 'V', 'X', 'P'};
constexpr char flash_magic[4] = {'T', 'V', 'X', 'T'};
constexpr uint16_t flag_demo_cycles = 0x0001;
constexpr size_t user_set_first = 128, user_set_count = 2;
constexpr size_t tool_type_entry = 2 + dp::record179_size;
constexpr size_t tool_entry = 2 + dp::record222_size;
constexpr size_t list_entry = 2 + 4;

// The controller's own value in its flash configuration, which its program leaves alone.
constexpr size_t own_value_size = 4;
constexpr size_t own_value_at[2] = {8, 0x2008};

bool user_tool_type(size_t n) { return n == 0 || n >= 128; }

class writer {
public:
    void u8(uint8_t v) { b_.push_back(v); }
    void u16(uint32_t v) { put(2, v); }
    void u32(uint32_t v) { put(4, v); }
    void bytes(const uint8_t* p, size_t n) { b_.insert(b_.end(), p, p + n); }
    std::vector<uint8_t> part(const char (&magic)[4], uint16_t flags)
    {
        std::vector<uint8_t> out(header_size);
        std::memcpy(out.data(), magic, 4);
        le::put16(out.data() + 4, layout_version);
        le::put16(out.data() + 6, flags);
        le::put32(out.data() + 8, uint32_t(b_.size()));
        le::put32(out.data() + 12, card_image::crc32(b_.data(), b_.size()));
        out.insert(out.end(), b_.begin(), b_.end());
        return out;
    }

private:
    void put(unsigned width, uint32_t v)
    {
        for (unsigned i = 0; i < width; ++i)
            b_.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t> b_;
};

// Reads a payload; any read past its end fails the whole part.
class reader {
public:
    reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    bool take(size_t n, const uint8_t*& at)
    {
        if (n > n_ - pos_)
            return false;
        at = p_ + pos_;
        pos_ += n;
        return true;
    }
    bool u8(uint32_t& v) { return number(1, v); }
    bool u16(uint32_t& v) { return number(2, v); }
    bool u32(uint32_t& v) { return number(4, v); }
    // A count of entries of `entry` bytes each that the rest can hold.
    bool count(size_t entry, uint32_t& n) { return u16(n) && size_t(n) * entry <= n_ - pos_; }
    bool at_end() const { return pos_ == n_; }

private:
    bool number(unsigned width, uint32_t& v)
    {
        const uint8_t* at = nullptr;
        if (!take(width, at))
            return false;
        v = le::get_u(at, width);
        return true;
    }
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
};

// The payload of a stored part after its header checks; false when there is none.
bool valid_part(const std::vector<uint8_t>& stored, const char (&magic)[4], size_t capacity,
                std::vector<uint8_t>& payload, uint16_t& flags)
{
    if (stored.size() < header_size || std::memcmp(stored.data(), magic, 4) != 0 ||
        le::u16(stored.data() + 4) != layout_version)
        return false;
    const size_t length = le::u32(stored.data() + 8);
    if (length > capacity || length > stored.size() - header_size)
        return false;
    payload.assign(stored.begin() + header_size, stored.begin() + long(header_size + length));
    if (card_image::crc32(payload.data(), payload.size()) != le::u32(stored.data() + 12))
        return false;
    flags = le::u16(stored.data() + 6);
    return true;
}

// The flash configuration's bytes in the order a part runs through them.
std::vector<size_t> flash_positions()
{
    std::vector<size_t> at;
    for (size_t i = 0; i < boot_flash::flash_config_size; ++i)
        if (std::none_of(std::begin(own_value_at), std::end(own_value_at),
                         [i](size_t o) { return i >= o && i < o + own_value_size; }))
            at.push_back(i);
    return at;
}
const std::vector<size_t>& positions()
{
    static const std::vector<size_t> p = flash_positions();
    return p;
}

}  // namespace

size_t flash_capacity() { return positions().size() - header_size; }

bool identity_parameter(uint16_t number)
{
    for (uint16_t p : {dp::param_variant, dp::param_revision, dp::param_cu_article, dp::param_cu_serial,
                       dp::param_scanner_article, dp::param_scanner_serial, dp::param_hw_config})
        if (number == p)
            return true;
    return false;
}

std::vector<uint8_t> device_part(const world& w)
{
    writer out;
    uint32_t n = 0;
    for (const auto& p : w.parameters)
        n += !identity_parameter(p.first);
    out.u16(n);
    for (const auto& p : w.parameters)
        if (!identity_parameter(p.first)) {
            out.u16(p.first);
            out.u32(uint32_t(p.second));
        }
    out.u16(uint32_t(std::count(w.function_used.begin(), w.function_used.end(), true)));
    for (size_t f = 0; f < world::function_count; ++f)
        if (w.function_used[f]) {
            out.u16(uint32_t(f));
            out.bytes(w.functions[f].data(), world::function_size);
        }
    for (size_t k = 0; k < user_set_count; ++k) {
        const std::vector<uint8_t>& set = w.scanner_sets[user_set_first + k];
        out.u8(set.size() == dp::scanner_set_size);
        if (set.size() == dp::scanner_set_size)
            out.bytes(set.data(), set.size());
    }
    return out.part(device_magic, w.program_loaded ? flag_demo_cycles : 0);
}

size_t flash_part_size(const world& w)
{
    size_t n = header_size + 6;
    for (size_t t = 0; t < w.tool_types.size(); ++t)
        n += user_tool_type(t) && w.tool_type_used[t] ? tool_type_entry : 0;
    n += size_t(std::count(w.tool_used.begin(), w.tool_used.end(), true)) * tool_entry;
    for (const auto& l : w.tool_lists)
        n += l.second.empty() ? 0 : list_entry + 2 * l.second.size();
    return n;
}

std::vector<uint8_t> flash_part(const world& w)
{
    writer out;
    uint32_t n = 0;
    for (size_t t = 0; t < w.tool_types.size(); ++t)
        n += user_tool_type(t) && w.tool_type_used[t];
    out.u16(n);
    for (size_t t = 0; t < w.tool_types.size(); ++t)
        if (user_tool_type(t) && w.tool_type_used[t]) {
            out.u16(uint32_t(t));
            out.bytes(w.tool_types[t].data(), dp::record179_size);
        }
    out.u16(uint32_t(std::count(w.tool_used.begin(), w.tool_used.end(), true)));
    for (size_t t = 0; t < w.tools.size(); ++t)
        if (w.tool_used[t]) {
            out.u16(uint32_t(t));
            out.bytes(w.tools[t].data(), dp::record222_size);
        }
    n = 0;
    for (const auto& l : w.tool_lists)
        n += !l.second.empty();
    out.u16(n);
    for (const auto& l : w.tool_lists)
        if (!l.second.empty()) {
            out.u16(l.first);
            out.u32(uint32_t(l.second.size()));
            for (int16_t v : l.second)
                out.u16(uint16_t(v));
        }
    return out.part(flash_magic, 0);
}

void write_device_part(std::vector<uint8_t>& area, const std::vector<uint8_t>& part)
{
    std::fill(area.begin(), area.end(), uint8_t(0));
    std::copy_n(part.begin(), std::min(part.size(), area.size()), area.begin());
}

void write_flash_part(std::vector<uint8_t>& flash, const std::vector<uint8_t>& part)
{
    flash.resize(boot_flash::flash_config_size, 0xFF);
    const std::vector<size_t>& at = positions();
    for (size_t i = 0; i < at.size(); ++i)
        flash[at[i]] = i < part.size() ? part[i] : uint8_t(0xFF);
}

bool load_device_part(world& w, const std::vector<uint8_t>& area)
{
    std::vector<uint8_t> payload;
    uint16_t flags = 0;
    if (!valid_part(area, device_magic, device_capacity, payload, flags))
        return false;
    reader in(payload.data(), payload.size());
    std::vector<std::pair<uint16_t, int32_t>> parameters;
    std::vector<std::pair<uint16_t, const uint8_t*>> functions;
    std::vector<const uint8_t*> sets(user_set_count, nullptr);
    uint32_t n = 0, a = 0, b = 0;
    if (!in.count(6, n))
        return false;
    for (uint32_t i = 0; i < n; ++i) {
        if (!in.u16(a) || !in.u32(b))
            return false;
        parameters.emplace_back(uint16_t(a), int32_t(b));
    }
    if (!in.count(2 + world::function_size, n))
        return false;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* rec = nullptr;
        if (!in.u16(a) || a >= world::function_count || !in.take(world::function_size, rec))
            return false;
        functions.emplace_back(uint16_t(a), rec);
    }
    for (size_t k = 0; k < user_set_count; ++k)
        if (!in.u8(a) || a > 1 || (a == 1 && !in.take(dp::scanner_set_size, sets[k])))
            return false;
    if (!in.at_end())
        return false;

    // Parameters this controller does not know, and its identity, stay as they are.
    for (const auto& p : parameters) {
        auto it = w.parameters.find(p.first);
        if (it != w.parameters.end() && !identity_parameter(p.first))
            it->second = p.second;
    }
    std::fill(w.function_used.begin(), w.function_used.end(), false);
    for (auto& f : w.functions)
        f.fill(0);
    for (const auto& f : functions)
        if (f.first < w.function_limit) {
            std::memcpy(w.functions[f.first].data(), f.second, world::function_size);
            w.function_used[f.first] = true;
        }
    for (size_t k = 0; k < user_set_count; ++k) {
        std::vector<uint8_t>& set = w.scanner_sets[user_set_first + k];
        set.clear();
        if (sets[k])
            set.assign(sets[k], sets[k] + dp::scanner_set_size);
    }
    w.program_loaded = (flags & flag_demo_cycles) != 0;
    return true;
}

bool load_flash_part(world& w, const std::vector<uint8_t>& flash)
{
    if (flash.size() != boot_flash::flash_config_size)
        return false;
    std::vector<uint8_t> stored;
    for (size_t at : positions())
        stored.push_back(flash[at]);
    std::vector<uint8_t> payload;
    uint16_t flags = 0;
    if (!valid_part(stored, flash_magic, flash_capacity(), payload, flags))
        return false;
    reader in(payload.data(), payload.size());
    std::vector<std::pair<uint16_t, const uint8_t*>> types, tools;
    std::map<uint16_t, std::vector<int16_t>> lists;
    uint32_t n = 0, a = 0, count = 0;
    if (!in.count(tool_type_entry, n))
        return false;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* rec = nullptr;
        if (!in.u16(a) || a >= w.tool_types.size() || !user_tool_type(a) || !in.take(dp::record179_size, rec))
            return false;
        types.emplace_back(uint16_t(a), rec);
    }
    if (!in.count(tool_entry, n))
        return false;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* rec = nullptr;
        if (!in.u16(a) || a >= w.tools.size() || !in.take(dp::record222_size, rec))
            return false;
        tools.emplace_back(uint16_t(a), rec);
    }
    if (!in.count(list_entry, n))
        return false;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* values = nullptr;
        if (!in.u16(a) || !in.u32(count) || count == 0 || count > payload.size() / 2 ||
            !in.take(size_t(count) * 2, values) || lists.count(uint16_t(a)))
            return false;
        std::vector<int16_t>& l = lists[uint16_t(a)];
        for (uint32_t k = 0; k < count; ++k)
            l.push_back(le::i16(values + 2 * k));
    }
    if (!in.at_end())
        return false;

    for (size_t t = 0; t < w.tool_types.size(); ++t)
        if (user_tool_type(t)) {
            w.tool_type_used[t] = false;
            w.tool_types[t].fill(0);
        }
    for (const auto& t : types) {
        std::memcpy(w.tool_types[t.first].data(), t.second, dp::record179_size);
        w.tool_type_used[t.first] = true;
    }
    std::fill(w.tool_used.begin(), w.tool_used.end(), false);
    for (auto& t : w.tools)
        t.fill(0);
    for (const auto& t : tools) {
        std::memcpy(w.tools[t.first].data(), t.second, dp::record222_size);
        w.tool_used[t.first] = true;
    }
    w.tool_lists = std::move(lists);
    return true;
}

void copy_program(world& to, const world& from)
{
    for (auto& p : to.parameters) {
        auto it = from.parameters.find(p.first);
        if (it != from.parameters.end() && !identity_parameter(p.first))
            p.second = it->second;
    }
    to.functions = from.functions;
    to.function_used = from.function_used;
    for (size_t k = 0; k < user_set_count; ++k)
        to.scanner_sets[user_set_first + k] = from.scanner_sets[user_set_first + k];
    to.program_loaded = from.program_loaded;
    to.tool_types = from.tool_types;
    to.tool_type_used = from.tool_type_used;
    to.tools = from.tools;
    to.tool_used = from.tool_used;
    to.tool_lists = from.tool_lists;
}

}  // namespace program_memory
}  // namespace sim
