#include <gtest/gtest.h>

#include <memory>

#include "platform/portio/portio.h"
#include "sim/isa_board_model.h"
#include "support/driver_lib.h"
#include "support/fake_bus_port.h"

namespace portio = platform::portio;
using sim::can_frame;
using testing_support::make_frame;

class Isacan : public ::testing::Test {
protected:
    static constexpr uint16_t base = 0x300;
    void SetUp() override
    {
        portio::map(base, board);
        lib.load("isacan");
    }
    void TearDown() override
    {
        lib.unload();
        portio::unmap_all();
    }

    std::shared_ptr<testing_support::fake_bus_port> bus = std::make_shared<testing_support::fake_bus_port>();
    std::shared_ptr<sim::isa_board_model> board = std::make_shared<sim::isa_board_model>(base, bus);
    testing_support::driver_lib lib;
};

TEST_F(Isacan, OpenLeavesTheBoardRunningAtTheTimingPair)
{
    ASSERT_EQ(lib.open_device(4, 5, base), 1);
    struct reg_value {
        int reg;
        uint8_t value;
    } after_open[] = {{0, 0x1C}, {1, 0},  {2, 0xDA}, {3, 0x03},  {4, 0},     {5, 0},
                      {10, 0},   {16, 0}, {17, 0},   {18, 3},    {24, 0xFF}, {25, 0xFF}};
    for (const reg_value& r : after_open)
        EXPECT_EQ(board->reg(r.reg), r.value) << "register " << r.reg;
    EXPECT_EQ(board->reg(44) & 0xCD, 0xCD);
    EXPECT_EQ(board->bitrate(), 125000u);
    EXPECT_EQ(bus->bitrate(), 125000u);
    EXPECT_EQ(lib.open_device(4, 5, base), 0);  // already open

    // Every open call counts; only closes lower the count.
    for (int i = 0; i < 2; ++i)
        lib.close_device();
    ASSERT_EQ(lib.open_device(7, 0, base), 1);
    EXPECT_EQ(board->bitrate(), 800000u);
    lib.close_device();
    ASSERT_EQ(lib.open_device(8, 0, base), 1);
    EXPECT_EQ(board->bitrate(), 1000000u);
    lib.close_device();
    // Refused rows and a missing board raise the count all the same.
    EXPECT_EQ(lib.open_device(0, 0, base), 0);
    EXPECT_EQ(lib.open_device(9, 0, base), 0);
    lib.close_device();
    lib.close_device();
    EXPECT_EQ(lib.open_device(4, 0, 0x200), 0);
    lib.close_device();
    lib.close_device();  // at 0 already: nothing happens
    EXPECT_EQ(lib.open_device(4, 0, base), 1);
}

TEST_F(Isacan, SendsOnTheRequestBitAndReceivesByExactIdentifier)
{
    ASSERT_EQ(lib.open_device(6, 0, base), 1);
    int16_t rcv = -1, snd = -1;
    ASSERT_EQ(lib.open_rcv(&rcv, 0x583, nullptr, 0, 0, 0), 1);
    ASSERT_EQ(lib.open_snd(&snd, 0x603, 0, 0), 1);
    EXPECT_EQ(rcv, 1);
    EXPECT_EQ(snd, 15);
    const uint8_t data[8] = {0x40, 0x00, 0x10, 0x00, 1, 2, 3, 4};
    ASSERT_EQ(lib.snd_ready(snd), 1);
    ASSERT_EQ(lib.wr_msg(snd, data, 8, 0x603), 1);
    ASSERT_EQ(bus->sent().size(), 1u);
    EXPECT_EQ(bus->sent()[0].id, 0x603u);
    EXPECT_EQ(bus->sent()[0].data[7], 4);
    EXPECT_EQ(bus->sent()[0].bitrate, 500000u);

    bus->put(make_frame(0x584, 8, 0x10));                         // another identifier
    bus->put(make_frame(0x583, 0, 0, can_frame::flag_rtr));       // remote
    bus->put(make_frame(0x583, 8, 0, can_frame::flag_ext));       // extended
    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    bus->put(make_frame(0x583, 15, 0x20));
    ASSERT_EQ(lib.rcv_ready(rcv), 1);
    uint8_t got[8] = {}, len = 0;
    int16_t id = 0, extra = -1;
    lib.rd_msg(rcv, got, &len, &id, &extra);
    EXPECT_EQ(id, 0x583);
    EXPECT_EQ(len, 8);  // 15 on the wire, eight bytes held
    EXPECT_EQ(got[0], 0x20);
    EXPECT_EQ(got[7], 0x27);
    EXPECT_EQ(extra, 0);
    EXPECT_EQ(lib.rcv_ready(rcv), 0);

    // The board's error bits, reported once.
    board->raise_error_bits(0xFF);
    EXPECT_EQ(lib.error(), 0x64u);
    EXPECT_EQ(lib.error(), 0u);
}

TEST_F(Isacan, EdgeCases)
{
    struct row {
        const char* name;
        std::function<void()> check;
    } rows[] = {
        {"objects 1..15 receiving: the send object is 0; with all sixteen in use none",
         [&] {
             int16_t h = -1;
             for (int i = 1; i <= 15; ++i)
                 ASSERT_EQ(lib.open_rcv(&h, static_cast<uint16_t>(0x500 + i), nullptr, 0, 0, 0), 1);
             int16_t snd = -1;
             EXPECT_EQ(lib.open_snd(&snd, 0x601, 0, 0), 1);
             EXPECT_EQ(snd, 0);
             snd = 77;
             EXPECT_EQ(lib.open_snd(&snd, 0x601, 0, 0), 0);
             EXPECT_EQ(snd, 77);
             // Past the last object: refused, and nothing may reach a register with handle 16.
             EXPECT_EQ(lib.open_rcv(&h, 0x581, nullptr, 0, 0, 0), 0);
             EXPECT_EQ(h, 16);
             EXPECT_EQ(lib.rcv_ready(h), 0);
             EXPECT_EQ(lib.wr_msg(h, nullptr, 0, 0x601), 0);
             lib.close_obj(h);
         }},
        {"the extra flag with the first free object at 9 is refused, handle 9",
         [&] {
             int16_t h = -1;
             for (int i = 1; i <= 8; ++i)
                 ASSERT_EQ(lib.open_rcv(&h, static_cast<uint16_t>(0x500 + i), nullptr, 0, 0, 0), 1);
             EXPECT_EQ(lib.open_rcv(&h, 0x581, nullptr, 0, 0, 1), 0);
             EXPECT_EQ(h, 9);
         }},
        {"the extra flag takes objects up to 7: with 1..7 in use one more is refused, object 8 left free",
         [&] {
             int16_t h = -1;
             for (int i = 1; i <= 6; ++i)
                 ASSERT_EQ(lib.open_rcv(&h, static_cast<uint16_t>(0x500 + i), nullptr, 0, 0, 0), 1);
             ASSERT_EQ(lib.open_rcv(&h, 0x507, nullptr, 0, 0, 1), 1);
             EXPECT_EQ(h, 7);
             EXPECT_EQ(board->reg(64 + 2 * 7), 0x507 >> 3);
             EXPECT_EQ(lib.open_rcv(&h, 0x581, nullptr, 0, 0, 1), 0);
             EXPECT_EQ(h, 8) << "the candidate is written to the handle";
             EXPECT_EQ(board->reg(64 + 2 * 8), 0) << "object 8's descriptor untouched";
             EXPECT_EQ(board->reg(65 + 2 * 8), 0);
             bus->put(make_frame(0x581, 1, 0));
             EXPECT_EQ(lib.rcv_ready(8), 0) << "object 8 receives nothing";
             // Object 8 is still free for an object without the flag.
             ASSERT_EQ(lib.open_rcv(&h, 0x582, nullptr, 0, 0, 0), 1);
             EXPECT_EQ(h, 8);
         }},
        {"reading object 11 clears bit 3 of register 5 and leaves register 4",
         [&] {
             int16_t h = -1;
             for (int i = 1; i <= 11; ++i)
                 ASSERT_EQ(lib.open_rcv(&h, static_cast<uint16_t>(0x580 + i), nullptr, 0, 0, 0), 1);
             bus->put(make_frame(0x581, 1, 0));
             bus->put(make_frame(0x58B, 1, 0));
             ASSERT_EQ(lib.rcv_ready(11), 1);
             EXPECT_EQ(board->reg(4), 0x02);
             EXPECT_EQ(board->reg(5), 0x08);
             uint8_t d[8], len;
             int16_t id, extra;
             lib.rd_msg(11, d, &len, &id, &extra);
             EXPECT_EQ(id, 0x58B);
             EXPECT_EQ(board->reg(5), 0x00);
             EXPECT_EQ(board->reg(4), 0x02);
         }},
        {"reset keeps the objects: an open receive object goes on receiving",
         [&] {
             int16_t h = -1;
             ASSERT_EQ(lib.open_rcv(&h, 0x585, nullptr, 0, 0, 0), 1);
             EXPECT_EQ(lib.reset(), 1);
             EXPECT_EQ(board->reg(16), 0);
             EXPECT_EQ(board->reg(0), 0x1C);
             bus->put(make_frame(0x585, 2, 0));
             EXPECT_EQ(lib.rcv_ready(h), 1);
         }},
        {"lengths above 8 are refused; a closed send object's bit goes to register 25",
         [&] {
             int16_t snd = -1;
             ASSERT_EQ(lib.open_snd(&snd, 0x601, 0, 0), 1);
             const uint8_t nine[9] = {};
             EXPECT_EQ(lib.wr_msg(snd, nine, 9, 0x601), 0);
             EXPECT_TRUE(bus->sent().empty());
             lib.close_obj(snd);
             EXPECT_EQ(board->reg(25), 0x80);
             EXPECT_EQ(board->reg(64 + 2 * 15), 0);
         }},
        {"LEDs: bit 0x40 for LED 1, 0x80 for LED 0; only 1 switches on",
         [&] {
             auto led = lib.extra<void (*)(uint8_t, uint8_t)>("CANSwitchLED");
             led(1, 1);
             led(0, 1);
             EXPECT_EQ(board->reg(46), 0xC0);
             led(0, 2);
             EXPECT_EQ(board->reg(46), 0x40);
             auto word = lib.extra<uint16_t (*)(uint16_t)>("CANRdPortWord");
             EXPECT_EQ(word(24), 0xFFFF);
         }},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        lib.unload();
        lib.load("isacan");
        ASSERT_EQ(lib.open_device(4, 0, base), 1);
        r.check();
    }
}
