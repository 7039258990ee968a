// The live sample ring of the process monitor: order of the ring slots, markers, gaps, hostile
// blocks and the cycle state machine.
#include <gtest/gtest.h>

#include <vector>

#include "manual/pm_monitor.h"

namespace {

constexpr int16_t S = pm::marker_start, E = pm::marker_end, G = pm::marker_gap;

// A block whose n new entries are `v`, written so that they end just before `head`.
pm::ring_block block(int head, const std::vector<int16_t>& v, int32_t time)
{
    pm::ring_block b;
    b.head = uint8_t(head);
    b.n = uint8_t(v.size());
    b.time = time;
    for (size_t k = 0; k < v.size(); ++k)
        b.ring[size_t((head - int(v.size()) + 26 + int(k)) % 26)] = v[k];
    return b;
}

TEST(pm_ring_block, parse_and_time_order)
{
    uint8_t raw[58] = {};
    raw[0] = 3;
    raw[1] = 5;
    raw[2] = 0x78, raw[3] = 0x56, raw[4] = 0x34, raw[5] = 0x12;
    for (int i = 0; i < 26; ++i)
        raw[6 + 2 * i] = uint8_t(i), raw[7 + 2 * i] = 0x80 * (i == 25);
    const pm::ring_block b = pm::ring_block::parse(raw);
    EXPECT_EQ(b.time, 0x12345678);
    // head 3, n 5: slots 24, 25, 0, 1, 2.
    std::vector<int16_t> got;
    for (int k = 0; k < b.n; ++k)
        got.push_back(b.entry(k));
    EXPECT_EQ(got, (std::vector<int16_t>{24, int16_t(0x8019), 0, 1, 2}));
}

struct ring_case {
    const char* name;
    bool recording;
    int32_t next_time;  // pm_next_sample_time before the block (recording)
    int32_t period;
    pm::ring_block b;
    bool answer;
    bool flag;
    std::vector<int16_t> curve;  // the online curve after the block (it starts with {7, 7})
    int32_t next_after;
};

TEST(pm_read_ring, cases)
{
    const std::vector<ring_case> cases = {
        {"start marker mid-block", false, 0, 10, block(5, {1, 2, S, 3, 4}, 100), true, true, {3, 4}, 150},
        {"no start marker", false, 0, 10, block(5, {1, 2, 3}, 100), true, false, {7, 7}, 0},
        {"samples, end marker, samples", true, 100, 10, block(9, {5, 6, E, 8}, 100), true, false, {7, 7, 5, 6}, 140},
        {"plain samples", true, 100, 10, block(0, {5, 6}, 100), true, true, {7, 7, 5, 6}, 120},
        {"three periods late", true, 100, 10, block(1, {5}, 130), true, true, {7, 7, G, G, G, 5}, 140},
        {"n = 0", true, 100, 10, block(4, {}, 500), false, true, {7, 7}, 100},
        {"head above 25", true, 100, 10, [] { auto b = block(2, {5}, 100); b.head = 26; return b; }(), false, true,
         {7, 7}, 100},
        {"n above 26", true, 100, 10, [] { auto b = block(2, {5}, 100); b.n = 27; return b; }(), false, true,
         {7, 7}, 100},
        {"period 0 draws no gaps", true, 100, 0, block(1, {5}, 900), true, true, {7, 7, 5}, 900},
        {"negative period draws no gaps", true, 100, -5, block(1, {5}, 900), true, true, {7, 7, 5}, 895},
        {"start while recording (end lost)", true, 100, 10, block(3, {5, S, 6}, 5000), true, true, {6}, 5030},
        {"start then own end while recording", true, 100, 10, block(3, {S, 6, E, 9}, 5000), true, false, {6}, 5040},
    };
    for (const ring_case& c : cases) {
        SCOPED_TRACE(c.name);
        pm::monitor m;
        m.online = {7, 7};
        m.sample_count = 2;
        m.next_sample_time = c.next_time;
        bool flag = true;
        EXPECT_EQ(m.read_ring(c.b, c.period, c.recording, flag), c.answer);
        EXPECT_EQ(flag, c.flag);
        EXPECT_EQ(m.online, c.curve);
        EXPECT_EQ(m.next_sample_time, c.next_after);
        EXPECT_EQ(m.sample_count, int32_t(c.curve.size()));
    }
}

TEST(pm_read_ring, wrap_safe_and_bounded_gaps)
{
    // Expected just below INT32_MAX, the block comes three periods later, past the wrap.
    pm::monitor m;
    m.next_sample_time = 2147483640;
    bool flag = true;
    ASSERT_TRUE(m.read_ring(block(1, {5}, int32_t(2147483640u + 30u)), 10, true, flag));
    EXPECT_EQ(m.online, (std::vector<int16_t>{G, G, G, 5}));
    // A huge jump draws at most the cap and resynchronises to the block's time.
    pm::monitor j;
    j.next_sample_time = 0;
    ASSERT_TRUE(j.read_ring(block(1, {5}, 2000000000), 1, true, flag));
    EXPECT_EQ(j.online.size(), size_t(pm::max_gaps_per_block) + 1);
    EXPECT_EQ(j.next_sample_time, 2000000001);
    // A block far in the past (an earlier cycle's time) is not late: no gaps.
    pm::monitor p;
    p.next_sample_time = 1000;
    ASSERT_TRUE(p.read_ring(block(1, {5}, 10), 10, true, flag));
    EXPECT_EQ(p.online, (std::vector<int16_t>{5}));
}

TEST(pm_read_ring, local_ring_wraps)
{
    pm::monitor m;
    bool flag = false;
    ASSERT_TRUE(m.read_ring(block(1, {S}, 0), 1, false, flag));
    std::vector<int16_t> v(26);
    int32_t t = 1;
    int16_t value = 0;
    while (m.sample_count < 10010) {
        for (auto& x : v)
            x = value++;
        ASSERT_TRUE(m.read_ring(block(0, v, t), 1, true, flag));
        t += 26;
    }
    EXPECT_EQ(m.local_ring_index, m.sample_count % pm::local_ring_size);
    EXPECT_EQ(m.local_ring[0], int16_t(10000));
    EXPECT_EQ(m.local_ring[9999], int16_t(9999));
    EXPECT_EQ(m.online.size(), size_t(m.sample_count));
}

TEST(pm_cycle, state_machine)
{
    pm::monitor m;
    using st = pm::monitor::step;
    EXPECT_EQ(m.advance(nullptr, 10), st::none);
    EXPECT_EQ(m.cycle_state, pm::waiting);
    // A failed read keeps the state.
    EXPECT_EQ(m.advance(nullptr, 10), st::none);
    EXPECT_EQ(m.cycle_state, pm::waiting);
    auto b1 = block(3, {1, S, 2, 3}, 0);
    EXPECT_EQ(m.advance(&b1, 10), st::started);
    EXPECT_EQ(m.cycle_state, pm::recording);
    auto b2 = block(6, {4, 5, 6}, 40);
    EXPECT_EQ(m.advance(&b2, 10), st::none);
    EXPECT_EQ(m.advance(nullptr, 10), st::none);
    EXPECT_EQ(m.cycle_state, pm::recording);
    auto b3 = block(8, {7, E}, 70);
    EXPECT_EQ(m.advance(&b3, 10), st::ended);
    EXPECT_EQ(m.cycle_state, pm::waiting);
    EXPECT_EQ(m.online, (std::vector<int16_t>{2, 3, 4, 5, 6, 7}));
    // A whole cycle in one block starts and ends at once.
    auto b4 = block(12, {S, 9, E, 1}, 200);
    EXPECT_EQ(m.advance(&b4, 10), st::ended);
    EXPECT_EQ(m.cycle_state, pm::waiting);
    EXPECT_EQ(m.online, (std::vector<int16_t>{9}));
}

}  // namespace
