#include "sim/pm_tools_scenario.h"

#include <algorithm>
#include <string>

#include "core/image/byte_record.h"
#include "core/image/tool_records.h"
#include "sim/world.h"

namespace sim {

namespace {

void set(basic_byte_view<uint8_t> r, const field_table& t, const char* name, int64_t v) { r.set(*t.find(name), v); }
void set_name(basic_byte_view<uint8_t> r, const field_table& t, const std::string& name)
{
    r.set_text(*t.find("Name"), name);
}

// A load curve of n samples: a ramp up, a plateau with ripple and the run out, scaled by `peak`
// hundredths; `seed` shifts the ripple so that curves differ.
std::vector<int16_t> curve(uint32_t n, int peak, uint32_t seed)
{
    std::vector<int16_t> c(n);
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t rise = n / 6 + 1;
        int v = k < rise ? int(int64_t(peak) * k / rise) : k > n - rise ? int(int64_t(peak) * (n - k) / rise) : peak;
        v += int((k * 37u + seed * 11u) % 29u) - 14;
        c[k] = int16_t(std::max(0, v));
    }
    return c;
}

struct tool_type_row {
    int number;
    const char* name;
    int mode;      // Missing, Blunt and Break mode: 1 Simple, 2 Envelop
    int limit;     // hundredths
    int tolerance;
};
const tool_type_row tool_types[] = {
    {1, "Drill", 1, 2000, 500},       {2, "Tap", 2, 2500, 800},         {3, "Reamer", 1, 1500, 400},
    {4, "End Mill", 2, 3000, 1000},   {5, "Boring Bar", 1, 1800, 600},  {128, "Drill 10 fine", 2, 1200, 300},
    {129, "Tap M6 custom", 1, 2200, 700},
};

struct tool_row {
    int slot;
    const char* name;
    int dn, pn, type, tolerance, status;
    int counter_teach, counter_value;
    uint32_t samples;
    uint32_t crc;
};
const tool_row tools[] = {
    {0, "Drill 10", 1, 100, 1, 1, 0x08, 3, 250, 120, 0x1A2B3C01u},
    {3, "Tap M6", 2, 200, 128, 2, 0x12, 5, 731, 500, 0x1A2B3C02u},
    {7, "Reamer 8H7", 3, 300, 0, 3, 0x09, 2, 1200, 2600, 0x1A2B3C03u},
};

}  // namespace

void pm_load_tools_scenario(world& w)
{
    const field_table& tt = tool_type_record_fields();
    const field_table& tr = tool_record_fields();
    std::fill(w.tool_type_used.begin(), w.tool_type_used.end(), false);
    std::fill(w.tool_used.begin(), w.tool_used.end(), false);
    w.tool_lists.clear();
    w.pm_records.clear();
    w.pm_lists.clear();

    for (const tool_type_row& t : tool_types) {
        world::record179& rec = w.tool_types[size_t(t.number)];
        rec.fill(0);
        basic_byte_view<uint8_t> r(rec.data(), rec.size());
        set(r, tt, "Number", t.number);
        set_name(r, tt, t.name);
        for (const char* f : {"X_ToleranceFineRewind", "X_ToleranceFineForward"})
            set(r, tt, f, 2);
        for (const char* f : {"X_ToleranceMediumRewind", "X_ToleranceMediumForward"})
            set(r, tt, f, 4);
        for (const char* f : {"X_ToleranceHighRewind", "X_ToleranceHighForward"})
            set(r, tt, f, 6);
        set(r, tt, "ToleranceFine", t.tolerance / 2);
        set(r, tt, "ToleranceMedium", t.tolerance);
        set(r, tt, "ToleranceHigh", t.tolerance * 2);
        set(r, tt, "ToleranceOptions", t.number & 7);
        for (const char* m : {"MissingMode", "BluntMode", "BreakMode"})
            set(r, tt, m, t.mode);
        set(r, tt, "MissingLimit", t.limit / 4);
        set(r, tt, "MissingTime", 20);
        set(r, tt, "MissingRange", 5000);
        set(r, tt, "BluntLimit", t.limit);
        set(r, tt, "BluntOptions", 1);
        set(r, tt, "BluntTime", 50);
        set(r, tt, "BluntWork", 8000);
        set(r, tt, "BluntRange", 9000);
        set(r, tt, "BreakLimit", t.limit * 2);
        set(r, tt, "BreakTime", 10);
        set(r, tt, "BreakRange", 9500);
        set(r, tt, "DelayTime", 100);
        set(r, tt, "CounterLimit", 5000);
        w.tool_type_used[size_t(t.number)] = true;
    }

    for (const tool_row& t : tools) {
        world::record222& rec = w.tools[size_t(t.slot)];
        rec.fill(0);
        basic_byte_view<uint8_t> r(rec.data(), rec.size());
        const std::vector<int16_t> c = curve(t.samples, 1500 + 400 * t.slot, uint32_t(t.slot));
        set(r, tr, "MonitoringStatus", t.status);
        set(r, tr, "MonitoringWork", 4200 + t.slot);
        set(r, tr, "Number", t.slot);
        set_name(r, tr, t.name);
        set(r, tr, "DN", t.dn);
        set(r, tr, "PN", t.pn);
        set(r, tr, "ToolType", t.type);
        set(r, tr, "Tolerance", t.tolerance);
        set(r, tr, "X_ToleranceRewind", 3);
        set(r, tr, "X_ToleranceForward", 4);
        // A tool without a tool type carries its own limits.
        for (const char* m : {"MissingMode", "BluntMode", "BreakMode"})
            set(r, tr, m, t.type == 0 ? 2 : 1);
        set(r, tr, "MissingLimit", 300);
        set(r, tr, "MissingTolerance", 150);
        set(r, tr, "MissingTime", 20);
        set(r, tr, "MissingRange", 5000);
        set(r, tr, "BluntLimit", 2500);
        set(r, tr, "BluntTolerance", 500);
        set(r, tr, "BluntTime", 50);
        set(r, tr, "BluntWork", 8000);
        set(r, tr, "BluntRange", 9000);
        set(r, tr, "BreakLimit", 4000);
        set(r, tr, "BreakTolerance", 800);
        set(r, tr, "BreakTime", 10);
        set(r, tr, "BreakRange", 9500);
        set(r, tr, "DelayTime", 100);
        set(r, tr, "IdleLimit", 350);
        set(r, tr, "CounterTeach", t.counter_teach);
        set(r, tr, "CounterValue", t.counter_value);
        set(r, tr, "CounterLimit", 5000);
        set(r, tr, "DataCnt", t.samples);
        set(r, tr, "DataMin", *std::min_element(c.begin(), c.end()));
        set(r, tr, "DataMax", *std::max_element(c.begin(), c.end()));
        set(r, tr, "DataCRC32", t.crc);
        w.tool_used[size_t(t.slot)] = true;
        w.tool_lists[uint16_t(t.slot)] = c;
    }

    // Eight monitoring runs of the three tools, each with its own count and curve.
    for (uint32_t k = 0; k < 8; ++k) {
        const tool_row& t = tools[k % 3];
        world::record222 rec = w.tools[size_t(t.slot)];
        basic_byte_view<uint8_t> r(rec.data(), rec.size());
        const uint32_t n = t.samples + 10 * k;
        const std::vector<int16_t> c = curve(n, 1500 + 400 * t.slot + 30 * int(k), 100 + k);
        set(r, tr, "MonitoringStatus", k == 5 ? 0x14 : 0x08);
        set(r, tr, "CounterValue", t.counter_value + 1 + int(k));
        set(r, tr, "DataCnt", n);
        set(r, tr, "DataMin", *std::min_element(c.begin(), c.end()));
        set(r, tr, "DataMax", *std::max_element(c.begin(), c.end()));
        set(r, tr, "DataCRC32", 0x5E000000u + k);
        w.pm_lists[uint16_t(w.pm_records.size())] = c;
        w.pm_records.push_back(rec);
    }
}

}  // namespace sim
