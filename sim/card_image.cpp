#include "sim/card_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "core/image/byte_record.h"
#include "sim/world.h"

namespace L = sd_card_layout;

namespace card_image {

uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc)
{
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t samples_crc32(const std::vector<uint16_t>& samples)
{
    std::vector<uint8_t> bytes(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        le::put16(&bytes[2 * i], samples[i]);
    return crc32(bytes.data(), bytes.size());
}

namespace {

template <size_t N>
void distinct(std::array<uint8_t, N>& rec, const field_table& fields, bool name32)
{
    byte_view v(rec.data(), rec.size());
    int i = 0;
    for (const field_desc& f : fields) {
        ++i;
        if (f.kind == field_kind::reserved) {
            v.fill(f.offset, f.width, unread_fill);
        } else if (f.kind == field_kind::text || f.kind == field_kind::chars) {
            std::string s;
            for (uint32_t k = 0; k < (name32 ? f.width : f.width - 1); ++k)
                s += char('A' + k % 26);
            v.set_chars(f.offset, f.width, s);
        } else if (f.width == 1) {
            v.set(f, 10 + 3 * i);
        } else {
            v.set(f, 1000 + 7 * i);
        }
    }
}

void set_field(uint8_t* rec, size_t size, const field_table& t, const char* name, int64_t value)
{
    const field_desc* f = t.find(name);
    if (f)
        byte_view(rec, size).set(*f, value);
}

void set_name(uint8_t* rec, size_t size, const field_table& t, const std::string& name)
{
    const field_desc* f = t.find("Name");
    byte_view(rec, size).set_chars(f->offset, f->width, name);
}

void tool_set(tool_bytes& r, const char* name, int64_t v) { set_field(r.data(), r.size(), tool_record_fields(), name, v); }
void type_set(tool_type_bytes& r, const char* name, int64_t v)
{
    set_field(r.data(), r.size(), tool_type_record_fields(), name, v);
}

template <size_t N>
void reserved_fill(std::array<uint8_t, N>& rec, const field_table& fields)
{
    byte_view v(rec.data(), rec.size());
    for (const field_desc& f : fields)
        if (f.kind == field_kind::reserved)
            v.fill(f.offset, f.width, unread_fill);
}

}  // namespace

tool_type_bytes distinct_tool_type(bool name32)
{
    tool_type_bytes r{};
    distinct(r, tool_type_record_fields(), name32);
    return r;
}

tool_bytes distinct_tool(bool name32)
{
    tool_bytes r{};
    distinct(r, tool_record_fields(), name32);
    return r;
}

void describe_samples(tool_bytes& rec, const std::vector<uint16_t>& samples)
{
    tool_set(rec, "DataCnt", int64_t(samples.size()));
    const auto mm = std::minmax_element(samples.begin(), samples.end());
    tool_set(rec, "DataMin", samples.empty() ? 0 : *mm.first);
    tool_set(rec, "DataMax", samples.empty() ? 0 : *mm.second);
    tool_set(rec, "DataCRC32", samples_crc32(samples));
}

// ---- builder

builder::builder(const std::string& path, uint64_t size)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ >= 0 && ::ftruncate(fd_, off_t(size)) != 0)
        ok_ = false;
}

builder::~builder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void builder::write(uint64_t offset, const uint8_t* p, size_t n)
{
    while (ok_ && fd_ >= 0 && n > 0) {
        const ssize_t w = ::pwrite(fd_, p, n, off_t(offset));
        if (w <= 0) {
            ok_ = false;
            return;
        }
        p += w;
        n -= size_t(w);
        offset += uint64_t(w);
    }
}

void builder::raw_sector(uint32_t sector, const uint8_t* bytes512)
{
    write(uint64_t(sector) * L::sector_size, bytes512, L::sector_size);
}

void builder::signature(const std::string& bytes)
{
    uint8_t s[L::sector_size];
    std::memset(s, unread_fill, sizeof s);
    std::memcpy(s, bytes.data(), std::min<size_t>(bytes.size(), sizeof s));
    raw_sector(0, s);
}

void builder::tool_type(int32_t n, uint8_t flag, const tool_type_bytes& rec)
{
    uint8_t s[L::sector_size];
    std::memset(s, unread_fill, sizeof s);
    s[L::flag_offset] = flag;
    std::memcpy(s + L::record_offset, rec.data(), rec.size());
    raw_sector(L::tool_type_sector(n), s);
}

void builder::header_block(uint32_t header, uint8_t flag, const uint8_t* rec, size_t rec_size,
                           const std::vector<uint16_t>& samples)
{
    uint8_t s[L::sector_size];
    std::memset(s, unread_fill, sizeof s);
    s[L::flag_offset] = flag;
    std::memcpy(s + L::record_offset, rec, rec_size);
    raw_sector(header, s);
    const size_t count = std::min<size_t>(samples.size(), size_t(L::max_samples));
    if (count == 0)
        return;
    const size_t sectors = (count + L::samples_per_sector - 1) / L::samples_per_sector;
    std::vector<uint8_t> data(sectors * L::sector_size, tail_fill);
    for (size_t k = 0; k < count; ++k)
        le::put16(&data[2 * k], samples[k]);
    write(uint64_t(header + 1) * L::sector_size, data.data(), data.size());
}

void builder::tool(int32_t t, uint8_t flag, const tool_bytes& rec, const std::vector<uint16_t>& samples)
{
    header_block(L::tool_header_sector(t), flag, rec.data(), rec.size(), samples);
}

void builder::ring_directory(uint32_t nextSlot, uint64_t totalWritten)
{
    uint8_t s[L::sector_size];
    std::memset(s, unread_fill, sizeof s);
    le::put32(s + L::ring_next_slot, nextSlot);
    le::put32(s + L::ring_total_low, uint32_t(totalWritten));
    le::put32(s + L::ring_total_high, uint32_t(totalWritten >> 32));
    raw_sector(L::ring_directory, s);
}

void builder::ring_slot(int32_t slot, uint8_t flag, const tool_bytes& rec, const std::vector<uint16_t>& samples)
{
    header_block(L::ring_header_sector(slot), flag, rec.data(), rec.size(), samples);
}

int32_t builder::slot_of(int32_t i, uint32_t nextSlot, uint64_t totalWritten)
{
    const bool wrapped = totalWritten >= uint64_t(L::ring_slots);
    const uint32_t start = wrapped ? nextSlot % uint32_t(L::ring_slots) : 0;
    return int32_t((uint32_t(i) + start) % uint32_t(L::ring_slots));
}

void builder::stamp(uint32_t sector)
{
    uint8_t s[L::sector_size];
    std::memset(s, unread_fill, sizeof s);
    le::put32(s, sector);
    le::put32(s + 4, 0);
    raw_sector(sector, s);
}

// ---- scenarios

bool write_scenario(const scenario& s, const std::string& path)
{
    const bool cut = s.size < L::card_bytes;
    bool ok;
    {
        builder b(path, cut ? L::card_bytes : s.size);
        b.signature(s.signature);
        for (const auto& t : s.tool_types)
            b.tool_type(t.n, t.flag, t.record);
        for (const auto& t : s.tools)
            b.tool(t.index, t.flag, t.record, t.samples);
        b.ring_directory(s.next_slot, s.total_written);
        for (const auto& r : s.recordings)
            b.ring_slot(r.index, r.flag, r.record, r.samples);
        ok = b.ok();
    }
    if (cut && ::truncate(path.c_str(), off_t(s.size)) != 0)
        return false;
    return ok;
}

void load_scenario(sim::world& w, const scenario& s)
{
    const auto curve = [](const std::vector<uint16_t>& v) { return std::vector<int16_t>(v.begin(), v.end()); };
    for (const tool_type_entry& t : s.tool_types) {
        if (t.n < 0 || t.n >= int32_t(w.tool_types.size()))
            continue;
        std::copy(t.record.begin(), t.record.end(), w.tool_types[size_t(t.n)].begin());
        w.tool_type_used[size_t(t.n)] = (t.flag & L::flag_in_use) != 0;
    }
    for (const tool_entry& t : s.tools) {
        if (t.index < 0 || t.index >= int32_t(w.tools.size()))
            continue;
        std::copy(t.record.begin(), t.record.end(), w.tools[size_t(t.index)].begin());
        w.tool_used[size_t(t.index)] = (t.flag & L::flag_in_use) != 0;
        w.tool_lists[uint16_t(t.index)] = curve(t.samples);
    }
    std::vector<const tool_entry*> by_age;
    const bool wrapped = s.total_written >= uint64_t(L::ring_slots);
    const int32_t start = wrapped ? int32_t(s.next_slot % uint32_t(L::ring_slots)) : 0;
    for (const tool_entry& r : s.recordings)
        by_age.push_back(&r);
    std::sort(by_age.begin(), by_age.end(), [&](const tool_entry* a, const tool_entry* b) {
        return (a->index - start + L::ring_slots) % L::ring_slots < (b->index - start + L::ring_slots) % L::ring_slots;
    });
    w.pm_records.clear();
    w.pm_lists.clear();
    for (const tool_entry* r : by_age) {
        sim::world::record222 rec{};
        std::copy(r->record.begin(), r->record.end(), rec.begin());
        w.pm_lists[uint16_t(w.pm_records.size())] = curve(r->samples);
        w.pm_records.push_back(rec);
    }
}

namespace {

std::vector<uint16_t> ramp(int n, uint16_t base = 0)
{
    std::vector<uint16_t> v(size_t(std::max(n, 0)));
    for (int k = 0; k < n; ++k)
        v[size_t(k)] = uint16_t(base + k);
    return v;
}

tool_type_bytes type_record(int16_t number, const std::string& name)
{
    tool_type_bytes r{};
    reserved_fill(r, tool_type_record_fields());
    type_set(r, "Number", number);
    set_name(r.data(), r.size(), tool_type_record_fields(), name);
    type_set(r, "ToleranceFine", 500);
    type_set(r, "ToleranceMedium", 1000);
    type_set(r, "ToleranceHigh", 1500);
    type_set(r, "BreakMode", 1);
    type_set(r, "BreakLimit", 2000);
    type_set(r, "BreakTime", 50);
    type_set(r, "BluntMode", 2);
    type_set(r, "BluntLimit", 13000);
    type_set(r, "BluntWork", 12000);
    type_set(r, "MissingMode", 1);
    type_set(r, "MissingLimit", 3000);
    type_set(r, "CounterLimit", 5000);
    return r;
}

tool_bytes tool_record(int16_t number, const std::string& name, uint16_t dn, uint16_t pn, int16_t type)
{
    tool_bytes r{};
    reserved_fill(r, tool_record_fields());
    tool_set(r, "Number", number);
    set_name(r.data(), r.size(), tool_record_fields(), name);
    tool_set(r, "DN", dn);
    tool_set(r, "PN", pn);
    tool_set(r, "ToolType", type);
    tool_set(r, "Tolerance", 2);
    tool_set(r, "CounterTeach", 10 + number);
    tool_set(r, "CounterValue", 40 + number);
    tool_set(r, "CounterLimit", 5000);
    return r;
}

tool_entry tool_with(int32_t index, uint8_t flag, tool_bytes rec, std::vector<uint16_t> samples)
{
    describe_samples(rec, samples);
    return tool_entry{index, flag, rec, std::move(samples)};
}

scenario s1()
{
    scenario s;
    s.name = "S1";
    s.tool_types = {{0, 0x01, type_record(12, "Drill 12")}, {5, 0x01, type_record(112, "Tap 112")},
                    {9, 0x01, type_record(7, "Mill 7")},    {20, 0x02, type_record(20, "Unused 20")},
                    {30, 0x03, type_record(30, "Reamer 30")}};
    s.tools = {tool_with(3, 1, tool_record(3, "T3", 3, 30, 12), ramp(300, 1000)),
               tool_with(4, 1, tool_record(4, "T4", 4, 40, 112), ramp(50, 2000)),
               tool_with(7, 1, tool_record(7, "T7", 7, 123, 7), ramp(200, 900)),
               tool_with(8, 0x02, tool_record(8, "T8", 8, 80, 12), ramp(10)),
               tool_with(10, 1, tool_record(10, "T10", 10, 100, 12), {}),
               tool_with(11, 1, tool_record(11, "T11", 11, 110, 12), ramp(100)),
               tool_with(12, 1, tool_record(12, "T12", 12, 120, 12), ramp(1000))};
    s.next_slot = 100;
    s.total_written = 7100;
    auto rec = [&](int32_t logical, uint8_t flag, tool_bytes r, std::vector<uint16_t> v) {
        return tool_with(builder::slot_of(logical, s.next_slot, s.total_written), flag, r, std::move(v));
    };
    s.recordings = {rec(0, 1, tool_record(3, "T3", 3, 30, 12), ramp(300, 1100)),
                    rec(5, 1, tool_record(7, "T7", 7, 123, 7), ramp(300, 1000)),
                    rec(6, 0, tool_record(4, "T4", 4, 40, 112), ramp(20)),
                    rec(7031, 1, tool_record(11, "T11", 11, 110, 12), ramp(100, 5))};
    return s;
}

scenario s6()
{
    scenario s;
    s.name = "S6";
    s.tool_types = {{0, 1, type_record(1, "a/b")}, {1, 1, type_record(2, "..")}, {2, 1, type_record(3, "")}};
    const char* names[] = {"a/b", "..", "semi;colon", "quote\"d", "cr\rlf\n", ""};
    int i = 0;
    for (const char* n : names) {
        s.tools.push_back(tool_with(i, 1, tool_record(int16_t(i), n, 1, 2, 1), ramp(10)));
        ++i;
    }
    tool_bytes full = tool_record(int16_t(i), "", 1, 2, 1);
    set_name(full.data(), full.size(), tool_record_fields(), std::string(32, 'N'));
    s.tools.push_back(tool_with(i++, 1, full, ramp(10)));
    const int32_t counts[] = {-5, 0x7FFFFFFF, L::max_samples + 1};
    for (int32_t c : counts) {
        tool_entry e = tool_with(i, 1, tool_record(int16_t(i), "count", 1, 2, 1), ramp(300));
        tool_set(e.record, "DataCnt", c);
        s.tools.push_back(e);
        ++i;
    }
    s.next_slot = 9000;
    s.total_written = 10;
    return s;
}

}  // namespace

std::vector<std::string> scenario_names() { return {"S1", "S2", "S3", "S4", "S4b", "S5", "S6"}; }

scenario make_scenario(const std::string& name)
{
    if (name == "S1")
        return s1();
    scenario s;
    s.name = name;
    if (name == "S3")
        s.signature = "XVX_SDC";
    if (name == "S4" || name == "S4b")
        s.tool_types = {{0, 1, type_record(name == "S4" ? 1 : 2, name)}};
    if (name == "S5") {
        s = s1();
        s.name = name;
        s.size = uint64_t(L::tool_header_sector(7) + 1) * L::sector_size;  // tool 7's data is cut off
    }
    if (name == "S6")
        return s6();
    return s;
}

// ---- realistic cards

namespace {

struct rng {
    std::mt19937 g;
    explicit rng(uint32_t seed) : g(seed) {}
    int range(int lo, int hi) { return lo + int(g() % uint32_t(hi - lo + 1)); }
};

std::vector<uint16_t> taught_curve(rng& r, int n, int level)
{
    std::vector<uint16_t> v(static_cast<size_t>(n));
    const int rise = std::max(1, n / 10);
    for (int k = 0; k < n; ++k) {
        int x = level;
        if (k < rise)
            x = level * k / rise;
        else if (k >= n - rise)
            x = level * (n - k) / rise;
        x += r.range(-level / 50 - 1, level / 50 + 1);
        v[size_t(k)] = uint16_t(std::clamp(x, 0, 65535));
    }
    return v;
}

}  // namespace

scenario realistic(const realistic_options& o)
{
    rng r(o.seed);
    scenario s;
    s.name = "realistic-" + std::to_string(o.seed);
    const char* kinds[] = {"Drill", "Tap", "Mill", "Reamer", "Saw", "Countersink"};
    std::vector<int16_t> type_numbers;
    for (int i = 0; i < o.tool_types && i < L::tool_type_count; ++i) {
        const int16_t number = int16_t(i < 3 ? i + 1 : 128 + i);
        type_numbers.push_back(number);
        const std::string name = std::string(kinds[i % 6]) + " " + std::to_string(r.range(3, 20)) + "." +
                                 std::to_string(r.range(0, 9));
        s.tool_types.push_back({i, 0x01, type_record(number, name)});
    }
    struct taught {
        tool_bytes rec;
        int level;
        int n;
    };
    std::vector<taught> tools;
    for (int t = 0; t < o.tools && t < L::tool_count; ++t) {
        const int16_t type = type_numbers.empty() ? 0 : type_numbers[size_t(r.range(0, int(type_numbers.size()) - 1))];
        tool_bytes rec = tool_record(int16_t(t + 1), "T" + std::to_string(t + 1), uint16_t(r.range(1, 250)),
                                     uint16_t(r.range(1, 65535)), type);
        tool_set(rec, "Tolerance", r.range(1, 3));
        tool_set(rec, "CounterTeach", r.range(1, 500));
        tool_set(rec, "CounterValue", 0);
        const int level = r.range(3000, 25000);
        const int n = r.range(std::min(200, o.max_samples), o.max_samples);
        std::vector<uint16_t> curve = taught_curve(r, n, level);
        s.tools.push_back(tool_with(t, 0x01, rec, curve));
        tools.push_back({s.tools.back().record, level, n});
    }
    const int32_t slots = L::ring_slots;
    const int count = std::min(o.recordings, int(slots));
    switch (o.ring) {
    case ring_state::not_wrapped: s.next_slot = uint32_t(count); s.total_written = uint64_t(count); break;
    case ring_state::wrapped: s.next_slot = uint32_t(r.range(1, slots - 1)); s.total_written = uint64_t(slots) * 3 + s.next_slot; break;
    case ring_state::eager_wrap: s.next_slot = 0; s.total_written = uint64_t(slots); break;
    }
    const int32_t ring_count = o.ring == ring_state::not_wrapped ? count : slots;
    for (int j = 0; j < count && !tools.empty(); ++j) {
        const int32_t logical = ring_count - count + j;  // the newest ones
        const taught& t = tools[size_t(r.range(0, int(tools.size()) - 1))];
        tool_bytes rec = t.rec;
        std::vector<uint16_t> curve = taught_curve(r, t.n, t.level);
        uint16_t errors = 0;
        switch (r.range(0, 5)) {
        case 0:  // break: the load falls away part way through
            for (size_t k = curve.size() * size_t(r.range(30, 80)) / 100; k < curve.size(); ++k)
                curve[k] = uint16_t(curve[k] / 40);
            errors = 0x0001;
            break;
        case 1:  // blunt: more work throughout
            for (auto& x : curve)
                x = uint16_t(std::min(65535, x * 13 / 10));
            errors = 0x0002;
            break;
        case 2:  // missing: hardly any load
            for (auto& x : curve)
                x = uint16_t(x / 10);
            errors = 0x0004;
            break;
        default: break;
        }
        tool_set(rec, "MonitoringErrors", errors);
        tool_set(rec, "MonitoringStatus", errors ? 0x0101 : 0x0001);
        tool_set(rec, "CounterValue", 1 + j);
        s.recordings.push_back(tool_with(builder::slot_of(logical, s.next_slot, s.total_written), 0x01, rec, curve));
    }
    return s;
}

// ---- stamps

std::vector<uint32_t> stamped_sectors()
{
    std::vector<uint32_t> v;
    for (int32_t n = 0; n < L::tool_type_count; ++n)
        v.push_back(L::tool_type_sector(n));
    for (int32_t t = 0; t < L::tool_count; ++t)
        v.push_back(L::tool_header_sector(t));
    for (int32_t t : {0, 1, 499})
        for (int32_t k : {0, 1, 255, 7030})
            v.push_back(L::tool_header_sector(t) + 1 + uint32_t(k));
    for (int32_t s : {0, 1, 99, 100, 7031}) {
        v.push_back(L::ring_header_sector(s));
        for (int32_t k : {0, 1, 7030})
            v.push_back(L::ring_header_sector(s) + 1 + uint32_t(k));
    }
    return v;
}

bool write_stamp_image(const std::string& path)
{
    builder b(path);
    b.signature();
    for (uint32_t s : stamped_sectors())
        b.stamp(s);
    b.ring_directory(100, 7100);
    return b.ok();
}

}  // namespace card_image
