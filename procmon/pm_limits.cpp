#include "procmon/pm_limits.h"

#include <algorithm>

#include "core/image/config_image.h"
#include "core/image/tool_records.h"

namespace {

constexpr int16_t gap_value = -32767;
constexpr int lowest_limit = -32764;
constexpr int highest_limit = 32767;

const field_desc& tool_field(const char* name)
{
    const field_desc* f = tool_record_fields().find(name);
    assert(f);
    return *f;
}

const field_desc& type_field(const char* name)
{
    const field_desc* f = tool_type_record_fields().find(name);
    assert(f);
    return *f;
}

int16_t clamp_limit(int64_t v)
{
    return int16_t(std::min<int64_t>(highest_limit, std::max<int64_t>(lowest_limit, v)));
}

// Fields the tool type hands to a tool of its type under the same name.
const char* const shared_fields[] = {"MissingMode", "MissingLimit", "MissingTime",  "MissingRange", "BluntMode",
                                     "BluntLimit",  "BluntTime",    "BluntWork",    "BluntRange",   "BreakMode",
                                     "BreakLimit",  "BreakTime",    "BreakRange",   "DelayTime",    "CounterLimit"};
const char* const bit0_fields[] = {"MissingOptions", "BluntOptions", "BreakOptions", "IdleOptions"};

// Takes the tool type's values into `rec` (a copy of the tool record).
void take_tool_type(const basic_byte_view<uint8_t>& rec, const config_image& image)
{
    const int type = int(rec.get(tool_field("ToolType")));
    if (type < 1 || type > 255)
        return;
    const auto t = image.tool_type(uint32_t(type)).record();
    if (t.get(type_field("Number")) == 0)
        return;
    for (const char* name : bit0_fields) {
        const field_desc& f = tool_field(name);
        const uint32_t bit = uint32_t(t.get(type_field(name))) & 1u;
        rec.set(f, (uint32_t(rec.get(f)) & ~1u) | bit);
    }
    for (const char* name : shared_fields)
        rec.set(tool_field(name), t.get(type_field(name)));
    static const struct {
        const char* rewind;
        const char* forward;
        const char* tolerance;
    } grades[] = {{"X_ToleranceFineRewind", "X_ToleranceFineForward", "ToleranceFine"},
                  {"X_ToleranceMediumRewind", "X_ToleranceMediumForward", "ToleranceMedium"},
                  {"X_ToleranceHighRewind", "X_ToleranceHighForward", "ToleranceHigh"}};
    const int grade = int(rec.get(tool_field("Tolerance")));
    if (grade < 1 || grade > 3)
        return;
    const auto& g = grades[grade - 1];
    rec.set(tool_field("X_ToleranceRewind"), t.get(type_field(g.rewind)));
    rec.set(tool_field("X_ToleranceForward"), t.get(type_field(g.forward)));
    const uint32_t bit = (uint32_t(t.get(type_field("ToleranceOptions"))) >> (grade - 1)) & 1u;
    const int64_t tolerance = t.get(type_field(g.tolerance));
    for (const char* kind : {"Missing", "Blunt", "Break"}) {
        const std::string k(kind);
        const field_desc& o = tool_field((k + "Options").c_str());
        rec.set(o, (uint32_t(rec.get(o)) & ~2u) | (bit << 1));
        rec.set(tool_field((k + "Tolerance").c_str()), tolerance);
    }
}

// The value of one limit from the window minimum and maximum.
int64_t upper_limit(int mode, uint32_t options, int64_t threshold, int64_t range, int64_t dataMax, int lo, int hi)
{
    if (mode == 2)
        return ((options & 1u) ? pm_round_div(int64_t(hi) * threshold, 10000) : hi + threshold) +
               pm_round_div(range * (hi - lo), 10000);
    return (options & 1u) ? pm_round_div(dataMax * threshold, 10000) : threshold;
}

}  // namespace

int64_t pm_round_div(int64_t n, int64_t d)
{
    const int64_t t = (2 * n) / d;
    int64_t r = t / 2;
    if (t % 2 != 0)
        r += t > 0 ? 1 : -1;
    return r;
}

pm_limit_set pm_limit_thresholds(const uint8_t* record, const config_image& image)
{
    uint8_t copy[tool_record_size];
    std::copy(record, record + tool_record_size, copy);
    const basic_byte_view<uint8_t> rec(copy, tool_record_size);
    take_tool_type(rec, image);

    pm_limit_set s;
    auto get = [&](const char* name) { return rec.get(tool_field(name)); };
    s.missingOptions = uint32_t(get("MissingOptions"));
    s.bluntOptions = uint32_t(get("BluntOptions"));
    s.breakOptions = uint32_t(get("BreakOptions"));
    s.missingMode = int(get("MissingMode"));
    s.bluntMode = int(get("BluntMode"));
    s.breakMode = int(get("BreakMode"));
    s.missingRange = get("MissingRange");
    s.bluntRange = get("BluntRange");
    s.breakRange = get("BreakRange");
    s.rewind = int(get("X_ToleranceRewind"));
    s.forward = int(get("X_ToleranceForward"));
    s.dataMin = get("DataMin");
    s.dataMax = get("DataMax");

    const int64_t missingLimit = get("MissingLimit"), missingTol = get("MissingTolerance");
    const int64_t bluntLimit = get("BluntLimit"), bluntTol = get("BluntTolerance");
    const int64_t breakLimit = get("BreakLimit"), breakTol = get("BreakTolerance");
    s.tMiss = (s.missingOptions & 2u) ? pm_round_div(missingLimit * (10000 - missingTol), 10000)
                                      : missingLimit - missingTol;
    s.tBlunt = (s.bluntOptions & 2u) ? pm_round_div(bluntLimit * (10000 + bluntTol), 10000) : bluntLimit + bluntTol;
    s.tBreak = (s.breakOptions & 2u) ? pm_round_div(breakLimit * (10000 + breakTol), 10000) : breakLimit + breakTol;
    return s;
}

int16_t pm_missing_limit(const pm_limit_set& s, int lo, int hi)
{
    int64_t v;
    if (s.missingMode == 2)
        v = ((s.missingOptions & 1u) ? pm_round_div(int64_t(lo) * s.tMiss, 10000) : lo - s.tMiss) -
            pm_round_div(s.missingRange * (hi - lo), 10000);
    else
        v = (s.missingOptions & 1u) ? pm_round_div(s.dataMin * s.tMiss, 10000) : s.tMiss;
    return clamp_limit(v);
}

int16_t pm_blunt_limit(const pm_limit_set& s, int lo, int hi)
{
    return clamp_limit(upper_limit(s.bluntMode, s.bluntOptions, s.tBlunt, s.bluntRange, s.dataMax, lo, hi));
}

int16_t pm_break_limit(const pm_limit_set& s, int lo, int hi)
{
    return clamp_limit(upper_limit(s.breakMode, s.breakOptions, s.tBreak, s.breakRange, s.dataMax, lo, hi));
}

void pm_limit_curves(const pm_limit_set& s, const int16_t* samples, size_t n, std::vector<int16_t>& missing,
                     std::vector<int16_t>& blunt, std::vector<int16_t>& breakCurve, int& yMin, int& yMax)
{
    missing.assign(n, gap_value);
    blunt.assign(n, gap_value);
    breakCurve.assign(n, gap_value);
    // Monotonic queues of sample indices: values rising (for the minimum) and falling (for the
    // maximum) from front to back.
    std::vector<size_t> minQ(n), maxQ(n);
    auto widen = [&](int16_t v) {
        yMin = std::min<int>(yMin, v);
        yMax = std::max<int>(yMax, v);
    };
    size_t i = 0;
    while (i < n) {
        if (samples[i] == gap_value) {
            ++i;
            continue;
        }
        size_t end = i;  // one past the run of samples without a gap
        while (end < n && samples[end] != gap_value)
            ++end;
        size_t minHead = 0, minTail = 0, maxHead = 0, maxTail = 0;
        size_t next = i;  // the next sample to enter the window
        for (size_t k = i; k < end; ++k) {
            const size_t hi = std::min(end - 1, k + size_t(s.forward));
            const size_t lo = k - std::min(k - i, size_t(s.rewind));
            for (; next <= hi; ++next) {
                while (minTail > minHead && samples[minQ[minTail - 1]] >= samples[next])
                    --minTail;
                minQ[minTail++] = next;
                while (maxTail > maxHead && samples[maxQ[maxTail - 1]] <= samples[next])
                    --maxTail;
                maxQ[maxTail++] = next;
            }
            while (minQ[minHead] < lo)
                ++minHead;
            while (maxQ[maxHead] < lo)
                ++maxHead;
            const int wMin = std::min<int>(32767, samples[minQ[minHead]]);
            const int wMax = std::max<int>(-32764, samples[maxQ[maxHead]]);
            missing[k] = pm_missing_limit(s, wMin, wMax);
            blunt[k] = pm_blunt_limit(s, wMin, wMax);
            breakCurve[k] = pm_break_limit(s, wMin, wMax);
            widen(missing[k]);
            widen(blunt[k]);
            widen(breakCurve[k]);
        }
        i = end;
    }
}
