#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "candrv/candrv_core.h"
#include "sim/can_dongle_model.h"

using namespace candrv;

TEST(CanDriverTiming, TablesOfAllLibraries)
{
    struct row {
        int index;
        uint32_t bitrate;
        uint16_t pcan, port;
        uint8_t isa0, isa3;
    };
    const row expected[] = {
        {0, 10000, 0x672F, 0x672F, 0x1C, 0x31},   {1, 20000, 0x532F, 0x532F, 0x1C, 0x18},
        {2, 50000, 0x472F, 0x472F, 0x1C, 0x09},   {3, 100000, 0x432F, 0x432F, 0x1C, 0x04},
        {4, 125000, 0x031C, 0x031C, 0x1C, 0x03},  {5, 250000, 0x011C, 0x011C, 0x1C, 0x01},
        {6, 500000, 0x001C, 0x001C, 0x1C, 0x00},  {7, 1000000, 0x0014, 0x001C, 0x16, 0x00},
        {8, 1000000, 0x0014, 0x0014, 0x14, 0x00},
    };
    for (const row& r : expected) {
        SCOPED_TRACE(r.index);
        const timing_row& t = timing_table[r.index];
        EXPECT_EQ(t.bitrate, r.bitrate);
        EXPECT_EQ(t.pcanbridge, r.pcan);
        EXPECT_EQ(t.portcan, r.port);
        EXPECT_EQ(t.isacan_reg0, r.isa0);
        EXPECT_EQ(t.isacan_reg3, r.isa3);
        // The words are what an SJA1000 at 16 MHz needs for the rate (portcan's row 7 is a 500 kbit/s word).
        EXPECT_EQ(sim::can_dongle_model::bitrate_of(r.pcan >> 8, r.pcan & 0xFF), r.bitrate);
        EXPECT_EQ(sim::can_dongle_model::bitrate_of(r.port >> 8, r.port & 0xFF), r.index == 7 ? 500000u : r.bitrate);
    }
    // Accepted indices per library
    for (int i = -1; i <= 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(baud_accepted(library::pcanbridge, i), i >= 0 && i <= 8);
        EXPECT_EQ(baud_accepted(library::portcan, i), (i >= 1 && i <= 6) || i == 8);
        EXPECT_EQ(baud_accepted(library::isacan, i), i >= 1 && i <= 8);
    }
}

class ObjectTable : public ::testing::Test {
protected:
    void SetUp() override { t.clear(); }
    int16_t open_rcv(uint16_t id, bool object0 = false, uint8_t* f = nullptr)
    {
        auto a = t.allocate_receive(id, f, object0, 14);
        t.note_candidate(a.candidate);
        return a.taken ? a.candidate : static_cast<int16_t>(-100 - a.candidate);
    }
    object_table t;
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
};

TEST_F(ObjectTable, AllocationTakesFirstFreeOrObjectZeroAndReportsTheCandidateWhenFull)
{
    EXPECT_EQ(t.global_mask, 0x7FF);
    EXPECT_EQ(t.diag_mask, 0);
    EXPECT_EQ(open_rcv(0x581), 1);
    EXPECT_EQ(open_rcv(0x582), 2);
    EXPECT_EQ(t.top, 2);
    EXPECT_EQ(open_rcv(0x100, true), 0);
    EXPECT_EQ(open_rcv(0x101, true), -100);  // object 0 in use: refused, handle 0
    for (int i = 3; i <= 14; ++i)
        EXPECT_EQ(open_rcv(static_cast<uint16_t>(0x200 + i)), i);
    EXPECT_EQ(open_rcv(0x300), -115);  // 1..14 in use: refused, handle 15
    EXPECT_EQ(t.top, 15);
    // The ISA board's range ends at 15; its scan candidate past that is no object at all.
    object_table isa;
    isa.clear();
    for (int i = 1; i <= 15; ++i)
        isa.kind[i] = kind_receive;
    auto a = isa.allocate_receive(0x10, nullptr, false, 15);
    EXPECT_FALSE(a.taken);
    EXPECT_EQ(a.candidate, 16);
    EXPECT_FALSE(valid_handle(a.candidate));
}

TEST_F(ObjectTable, DispatchByIdentifierUnderTheMasks)
{
    int16_t a = open_rcv(0x585);
    int16_t b = open_rcv(0x586);
    struct row {
        uint16_t global_mask, frame;
        int expected;
    };
    const row rows[] = {
        {0x7FF, 0x585, a}, {0x7FF, 0x586, b}, {0x7FF, 0x587, -1},
        {0x7F0, 0x58F, b},  // both match under the wider mask; the walk from the top finds b first
    };
    for (const row& r : rows) {
        t.global_mask = r.global_mask;
        EXPECT_EQ(t.dispatch(r.frame), r.expected) << std::hex << r.frame;
    }
    t.global_mask = 0x7FF;
    // Object 0 with the diagnostic mask at 0 takes whatever nobody else takes.
    EXPECT_EQ(open_rcv(0x000, true), 0);
    EXPECT_EQ(t.dispatch(0x123), 0);
    EXPECT_EQ(t.dispatch(0x585), a);
    t.diag_mask = 0x7FF;
    EXPECT_EQ(t.dispatch(0x123), -1);
    // Closing the top object lowers the top; the walk then no longer reaches it.
    t.close(b);
    EXPECT_EQ(t.top, 1);
    EXPECT_EQ(t.dispatch(0x586), -1);
    // With the top at 0, object 0 is tried under the global mask first.
    t.close(a);
    EXPECT_EQ(t.top, 0);
    t.diag_mask = 0x000;
    t.id[0] = 0x400;
    EXPECT_EQ(t.dispatch(0x400), 0);
    EXPECT_EQ(t.dispatch(0x401), 0);
}

TEST_F(ObjectTable, DeliverLatchesOverrunAndReadClearsPending)
{
    int16_t h = open_rcv(0x585);
    t.deliver(h, 0x585, 3, data);
    EXPECT_FALSE(t.overrun);
    t.deliver(h, 0x585, 15, data);  // a length field above 8 is held as 8
    EXPECT_TRUE(t.overrun);
    uint8_t out[8] = {};
    uint8_t len = 0;
    int16_t id = 0, extra = 7;
    t.read(h, out, &len, &id, &extra);
    EXPECT_EQ(len, 8);
    EXPECT_EQ(id, 0x585);
    EXPECT_EQ(extra, 0);
    EXPECT_EQ(0, std::memcmp(out, data, 8));
    EXPECT_EQ(t.pending[h], 0);
}

TEST(CanDriverBounds, HandlesAndLengthsOutsideTheInterfaceNeverReachAnArray)
{
    object_table t;
    t.clear();
    for (int h : {-1, 16, 0x7FFF, -32768}) {
        EXPECT_FALSE(valid_handle(h));
        uint8_t out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
        uint8_t len = 99;
        t.read(h, out, &len, nullptr, nullptr);
        t.deliver(h, 1, 1, out);
        t.close(h);
        EXPECT_EQ(len, 99);
        EXPECT_EQ(out[0], 9);
    }
    EXPECT_EQ(clamp_length(15), 8);
    EXPECT_EQ(clamp_length(8), 8);
    EXPECT_EQ(clamp_length(0), 0);
    // A corrupt length byte in a buffer still gives at most 8.
    t.rxbuf[3][0] = 0x0F;
    uint8_t len = 0;
    t.read(3, nullptr, &len, nullptr, nullptr);
    EXPECT_EQ(len, 8);
}

TEST(CanMessageFifo, HeaderRingAndCapacityLimits)
{
    std::vector<uint8_t> mem(fifo::size_for(4), 0xEE);
    fifo::init(mem.data(), 4);
    const uint8_t header[16] = {4, 0, 64, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(0, std::memcmp(mem.data(), header, 16));
    EXPECT_EQ(fifo::size_for(4), 64);
    uint8_t rec[12];
    for (uint8_t i = 0; i < 3; ++i) {
        std::memset(rec, i, sizeof(rec));
        EXPECT_TRUE(fifo::push(mem.data(), rec));
    }
    EXPECT_TRUE(fifo::full(mem.data()));
    EXPECT_FALSE(fifo::push(mem.data(), rec));  // capacity 4 holds three records
    for (uint8_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(fifo::pop(mem.data(), rec));
        EXPECT_EQ(rec[0], i);
    }
    EXPECT_TRUE(fifo::empty(mem.data()));
    EXPECT_FALSE(fifo::pop(mem.data(), rec));

    EXPECT_FALSE(fifo::valid_capacity(0));
    EXPECT_TRUE(fifo::valid_capacity(5459));
    EXPECT_EQ(fifo::size_for(5459), 65524);
    EXPECT_FALSE(fifo::valid_capacity(5460));

    // Indices past the capacity (memory written by someone else) are neither read nor written.
    put_field(mem.data(), fifo::write_index, 200);
    EXPECT_TRUE(fifo::empty(mem.data()));
    EXPECT_FALSE(fifo::push(mem.data(), rec));
    EXPECT_FALSE(fifo::pop(mem.data(), rec));
}
