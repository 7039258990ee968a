#include "sim/pm_live.h"

#include <algorithm>
#include <cstring>

#include "core/image/byte_record.h"
#include "core/image/tool_records.h"
#include "sim/world.h"

namespace sim {

namespace dp = device_protocol;

namespace {

constexpr int16_t marker_start = int16_t(-32768), marker_end = int16_t(-32766);
// The cycle result in the process-data block.
constexpr size_t result_flags = 20, result_name = 26, result_dn = 55, result_pn = 56, result_end = 76;
constexpr uint16_t sampling_param = 92;
constexpr uint32_t demo_samples = 40, demo_rate = 10;

int32_t period(const world& w)
{
    auto it = w.parameters.find(sampling_param);
    return it == w.parameters.end() ? 10 : it->second;
}

// The sample value of the cycle at sample k: a smooth load curve.
int16_t sample(uint32_t k, uint32_t n) { return int16_t(100 + int32_t((k * (n - k) * 1200ull) / (uint64_t(n) * n + 1)) + int32_t(k % 7) * 3); }

void push(world& w, int16_t v)
{
    pm_live& p = w.pm;
    p.ring[p.head] = v;
    p.times[p.head] = p.clock;
    p.head = uint8_t((p.head + 1) % pm_live::slot_count);
    p.unread = std::min<uint32_t>(p.unread + 1, pm_live::slot_count);
    p.clock = int32_t(uint32_t(p.clock) + uint32_t(period(w)));
}

void finish(world& w)
{
    pm_live& p = w.pm;
    push(w, marker_end);
    p.active = false;
    std::vector<int16_t> curve(p.samples);
    for (uint32_t k = 0; k < p.samples; ++k)
        curve[k] = sample(k, p.samples);
    world::record222& tool = w.tools[p.tool];
    world::record222 rec = tool;
    w.program_changed = true;  // the tool's counters, and a teach's curve
    le::put32(rec.data() + tr::data_cnt, p.samples);
    le::put32(rec.data() + tr::counter_value, le::u32(tool.data() + tr::counter_value) + 1);
    if (p.teach) {
        le::put32(rec.data() + tr::counter_teach, le::u32(tool.data() + tr::counter_teach) + 1);
        tool = rec;
        w.tool_lists[p.tool] = curve;
    } else {
        le::put32(tool.data() + tr::counter_value, le::u32(rec.data() + tr::counter_value));
        w.last_cycle = rec;
        w.last_cycle_valid = true;
        w.pm_lists[uint16_t(w.pm_records.size())] = curve;
        w.pm_records.push_back(rec);
    }
    // The result stays in the process data until the next cycle ends.
    uint8_t* d = w.process_data.data();
    std::fill(d + 18, d + result_end, uint8_t(0));
    d[result_flags] = p.teach ? 0 : 0x02;
    std::memcpy(d + result_name, rec.data() + tr::name, std::min<size_t>(tr::name_size, result_dn - result_name - 1));
    d[result_dn] = rec[tr::dn];
    d[result_pn] = rec[tr::pn];
    d[result_pn + 1] = rec[tr::pn + 1];
}

}  // namespace

bool pm_profile(const world& w)
{
    auto it = w.parameters.find(dp::param_variant);
    return it != w.parameters.end() && ((it->second & 0xFF) >> 4) == 0x3;
}

bool pm_start_cycle(world& w, uint32_t samples, uint32_t rate, uint32_t gap_at, uint32_t gap, bool teach,
                    uint16_t tool)
{
    if (tool >= w.tools.size() || !w.tool_used[tool] || samples == 0 || samples > 2000000 || rate == 0)
        return false;
    pm_live& p = w.pm;
    p.active = true;
    p.teach = teach;
    p.tool = tool;
    p.samples = samples;
    p.done = 0;
    p.rate = rate;
    p.gap_at = gap_at;
    p.gap = gap;
    p.start_written = false;
    p.live_due_ms = 0;
    return true;
}

void pm_advance(world& w)
{
    pm_live& p = w.pm;
    if (!p.active || w.live)
        return;
    if (!p.start_written) {
        push(w, marker_start);
        p.start_written = true;
    }
    // A request's samples end before a skipped stretch, so the skip falls between two reads.
    for (uint32_t n = 0; n < p.rate && p.done < p.samples; ++n) {
        if (p.done == p.gap_at && p.gap > 0) {
            if (n > 0)
                break;
            p.clock = int32_t(uint32_t(p.clock) + p.gap * uint32_t(period(w)));
            p.gap = 0;
        }
        push(w, sample(p.done, p.samples));
        ++p.done;
    }
    if (p.done == p.samples)
        finish(w);
}

void pm_advance_live(world& w, uint64_t now_ms)
{
    pm_live& p = w.pm;
    if (!p.active)
        return;
    // A period of 0 or less in the parameters still lets real time pass.
    const uint64_t step = uint64_t(std::max<int32_t>(period(w), 1));
    if (p.live_due_ms == 0)
        p.live_due_ms = now_ms;
    while (p.active && p.live_due_ms <= now_ms) {
        if (!p.start_written) {
            push(w, marker_start);
            p.start_written = true;
        } else if (p.done == p.gap_at && p.gap > 0) {
            // The skipped periods pass in real time too, without entries.
            p.clock = int32_t(uint32_t(p.clock) + p.gap * uint32_t(period(w)));
            p.live_due_ms += p.gap * step;
            p.gap = 0;
            continue;
        } else if (p.done < p.samples) {
            push(w, sample(p.done, p.samples));
            ++p.done;
        } else {
            finish(w);
        }
        p.live_due_ms += step;
    }
}

void pm_read_ring(world& w, uint8_t* b)
{
    pm_live& p = w.pm;
    std::memset(b, 0, 58);
    b[0] = p.head;
    b[1] = uint8_t(p.unread);
    le::put32(b + 2, uint32_t(p.unread ? p.times[(p.head - p.unread + pm_live::slot_count) % pm_live::slot_count] : p.clock));
    for (int i = 0; i < pm_live::slot_count; ++i)
        le::put16(b + 6 + 2 * i, uint16_t(p.ring[size_t(i)]));
    p.unread = 0;
}

void pm_load_demo_tools(world& w)
{
    static const char* names[] = {"Drill 0", "Drill 1", "Tap 2", "Reamer 3"};
    std::fill(w.tool_used.begin(), w.tool_used.end(), false);
    w.tool_lists.clear();
    for (uint16_t n = 0; n < 4; ++n) {
        world::record222& r = w.tools[n];
        r.fill(0);
        le::put16(r.data() + tr::number, n + 1u);
        std::strncpy(reinterpret_cast<char*>(r.data() + tr::name), names[n], tr::name_size);
        le::put16(r.data() + tr::dn, n + 1u);
        le::put16(r.data() + tr::pn, 100u + n);
        le::put16(r.data() + tr::tool_type, 128);
        le::put32(r.data() + tr::data_cnt, demo_samples);
        w.tool_used[n] = true;
        std::vector<int16_t> curve(demo_samples);
        for (uint32_t k = 0; k < demo_samples; ++k)
            curve[k] = sample(k, demo_samples);
        w.tool_lists[n] = curve;
    }
    world::record179& t = w.tool_types[128];
    t.fill(0);
    le::put16(t.data() + ttr::number, 128);
    std::strncpy(reinterpret_cast<char*>(t.data() + ttr::name), "Demo drill", ttr::name_size);
    w.tool_type_used[128] = true;
}

void pm_start_demo_cycle(world& w, uint16_t function, bool teach)
{
    if (pm_profile(w) && function < 4 && w.tool_used[function] && !w.pm.active)
        pm_start_cycle(w, demo_samples, demo_rate, 0, 0, teach, function);
}

}  // namespace sim
