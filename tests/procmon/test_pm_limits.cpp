// The limit curves of a monitored tool: rounding, the thresholds with and without the tool
// type's values, the per-sample limits, gaps, clamping, and the sliding window against a
// plain scan of every window.
#include <gtest/gtest.h>

#include <random>

#include "core/image/byte_record.h"
#include "core/image/config_image.h"
#include "core/image/tool_records.h"
#include "procmon/pm_limits.h"

namespace {

struct record {
    uint8_t bytes[tool_record_size] = {};
    void set(const char* name, int64_t v) { view().set(*tool_record_fields().find(name), v); }
    basic_byte_view<uint8_t> view() { return basic_byte_view<uint8_t>(bytes, tool_record_size); }
};

void set_type(config_image& image, int n, const char* name, int64_t v)
{
    image.tool_type(uint32_t(n)).record().set(*tool_type_record_fields().find(name), v);
}

TEST(limits, rounding_is_half_away_from_zero)
{
    const struct {
        int64_t n, d, r;
    } cases[] = {{61725, 10000, 6}, {-25, 10, -3}, {15, 10, 2}, {-15, 10, -2}, {14, 10, 1}, {-14, 10, -1}, {0, 7, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(pm_round_div(c.n, c.d), c.r) << c.n << "/" << c.d;
}

TEST(limits, thresholds_relative_or_absolute)
{
    config_image image;
    record r;
    r.set("MissingLimit", 1000);
    r.set("MissingTolerance", 1250);  // 12.5 %
    r.set("BluntLimit", 2000);
    r.set("BluntTolerance", 333);
    r.set("BreakLimit", 3001);
    r.set("BreakTolerance", 50);
    pm_limit_set s = pm_limit_thresholds(r.bytes, image);
    EXPECT_EQ(s.tMiss, 1000 - 1250);
    EXPECT_EQ(s.tBlunt, 2000 + 333);
    EXPECT_EQ(s.tBreak, 3001 + 50);
    r.set("MissingOptions", 2);
    r.set("BluntOptions", 2);
    r.set("BreakOptions", 3);
    s = pm_limit_thresholds(r.bytes, image);
    EXPECT_EQ(s.tMiss, 875);           // 1000 * 0.875
    EXPECT_EQ(s.tBlunt, 2067);         // 2066.6
    EXPECT_EQ(s.tBreak, 3016);         // 3016.005
}

TEST(limits, tool_type_values_by_tolerance_and_the_record_unchanged)
{
    config_image image;
    set_type(image, 7, "Number", 7);
    set_type(image, 7, "MissingLimit", 500);
    set_type(image, 7, "BluntOptions", 1);
    set_type(image, 7, "ToleranceOptions", 0b010);  // medium is relative
    set_type(image, 7, "X_ToleranceFineRewind", 1);
    set_type(image, 7, "X_ToleranceMediumRewind", 2);
    set_type(image, 7, "X_ToleranceHighRewind", 3);
    set_type(image, 7, "ToleranceFine", 100);
    set_type(image, 7, "ToleranceMedium", 200);
    set_type(image, 7, "ToleranceHigh", 300);

    const struct {
        int type, tolerance;
        int64_t rewind, tMiss;
        uint32_t bluntOptions;
    } cases[] = {
        {7, 1, 1, 500 - 100, 1},   // fine, absolute
        {7, 2, 2, 490, 1 | 2},     // medium, relative: 500 * 0.98
        {7, 3, 3, 500 - 300, 1},   // high, absolute
        {7, 9, 0, 500 - 40, 1},    // limits taken, tolerances kept
        {0, 1, 0, 900 - 40, 0},    // no tool type
        {300, 1, 0, 900 - 40, 0},  // beyond the table
        {-1, 1, 0, 900 - 40, 0},
        {8, 1, 0, 900 - 40, 0},    // a free tool type (Number 0)
    };
    for (const auto& c : cases) {
        record r;
        r.set("ToolType", c.type);
        r.set("Tolerance", c.tolerance);
        r.set("MissingLimit", 900);
        r.set("MissingTolerance", 40);
        record before = r;
        const pm_limit_set s = pm_limit_thresholds(r.bytes, image);
        SCOPED_TRACE(testing::Message() << "type " << c.type << " tolerance " << c.tolerance);
        EXPECT_EQ(s.rewind, c.rewind);
        EXPECT_EQ(s.tMiss, c.tMiss);
        EXPECT_EQ(s.bluntOptions, c.bluntOptions);
        EXPECT_EQ(0, std::memcmp(before.bytes, r.bytes, tool_record_size));
    }
}

// Every window scanned in full, as the limits are defined.
void naive(const pm_limit_set& s, const std::vector<int16_t>& x, std::vector<int16_t>& m, std::vector<int16_t>& b,
           std::vector<int16_t>& k)
{
    const int n = int(x.size());
    m.clear();
    b.clear();
    k.clear();
    for (int i = 0; i < n; ++i) {
        if (x[size_t(i)] == -32767) {
            m.push_back(-32767);
            b.push_back(-32767);
            k.push_back(-32767);
            continue;
        }
        int lo = 32767, hi = -32764;
        for (int j = i - 1; j >= std::max(0, i - s.rewind) && x[size_t(j)] != -32767; --j)
            lo = std::min<int>(lo, x[size_t(j)]), hi = std::max<int>(hi, x[size_t(j)]);
        for (int j = i; j <= std::min(i + s.forward, n - 1) && x[size_t(j)] != -32767; ++j)
            lo = std::min<int>(lo, x[size_t(j)]), hi = std::max<int>(hi, x[size_t(j)]);
        m.push_back(pm_missing_limit(s, lo, hi));
        b.push_back(pm_blunt_limit(s, lo, hi));
        k.push_back(pm_break_limit(s, lo, hi));
    }
}

TEST(limits, curves_by_hand_with_gaps)
{
    pm_limit_set s;
    s.rewind = 2;
    s.forward = 1;
    s.missingMode = 2;
    s.tMiss = 10;  // absolute: min - 10 - range share
    s.missingRange = 5000;
    s.bluntMode = 1;
    s.tBlunt = 1000;  // every blunt value is 1000
    s.breakMode = 2;
    s.breakOptions = 1;
    s.tBreak = 15000;  // relative: max * 1.5
    const std::vector<int16_t> x{100, 120, 90, -32767, 50, 60, 70, 80, -32767, -32767, 40, 30};
    std::vector<int16_t> m, b, k;
    int yMin = 0, yMax = 0;
    pm_limit_curves(s, x.data(), x.size(), m, b, k, yMin, yMax);
    // windows: [100,120] [100,120,90] [100,120,90] gap [50,60] [50,60,70] [50..80] [60..80] gap gap [40,30] [40,30]
    const std::vector<int16_t> wantM{80, 65, 65, -32767, 35, 30, 25, 40, -32767, -32767, 15, 15};
    const std::vector<int16_t> wantK{180, 180, 180, -32767, 90, 105, 120, 120, -32767, -32767, 60, 60};
    EXPECT_EQ(m, wantM);
    EXPECT_EQ(k, wantK);
    for (size_t i = 0; i < x.size(); ++i)
        EXPECT_EQ(b[i], x[i] == -32767 ? -32767 : 1000) << i;
    EXPECT_EQ(yMin, 0);  // the bounds only widen
    EXPECT_EQ(yMax, 1000);

    s.tMiss = 40000;  // min - 40000 is below the lowest limit
    pm_limit_curves(s, x.data(), x.size(), m, b, k, yMin, yMax);
    EXPECT_EQ(m[0], -32764);
    EXPECT_EQ(yMin, -32764);
}

TEST(limits, sliding_window_equals_the_plain_scan)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        pm_limit_set s;
        s.rewind = int(rng() % 20);
        s.forward = int(rng() % 20);
        s.missingMode = s.bluntMode = s.breakMode = 2;
        s.missingOptions = rng() % 2;
        s.bluntOptions = rng() % 2;
        s.tMiss = 500, s.tBlunt = 11000, s.tBreak = 300;
        s.missingRange = s.bluntRange = s.breakRange = 2500;
        std::vector<int16_t> x(rng() % 300);
        for (int16_t& v : x)
            v = (rng() % 13 == 0) ? int16_t(-32767) : int16_t(int(rng() % 65536) - 32768);
        std::vector<int16_t> m, b, k, m2, b2, k2;
        int lo = 0, hi = 0;
        pm_limit_curves(s, x.data(), x.size(), m, b, k, lo, hi);
        naive(s, x, m2, b2, k2);
        ASSERT_EQ(m, m2) << round;
        ASSERT_EQ(b, b2) << round;
        ASSERT_EQ(k, k2) << round;
    }
}

}  // namespace
