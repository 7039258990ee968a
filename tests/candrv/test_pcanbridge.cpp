#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/devices/pcan_slot.h"
#include "sim/pcan_adapter_model.h"
#include "support/driver_lib.h"
#include "support/fake_bus_port.h"

namespace pcan = platform::pcan;
using sim::can_frame;
using testing_support::make_frame;

namespace {

// An adapter that answers with set results and keeps the records written to it.
class scripted_adapter : public pcan::adapter {
public:
    uint32_t close() override { return 0; }
    uint32_t init(uint16_t, int) override { return 0; }
    uint32_t read(uint8_t*) override { return pcan::st_queue_empty; }
    uint32_t status() override { return status_bits; }
    uint32_t write(const uint8_t* record) override
    {
        written.emplace_back(record, record + pcan::record_size);
        return 0;
    }
    uint32_t status_bits = 0;
    std::vector<std::vector<uint8_t>> written;
};

}  // namespace

class Pcanbridge : public ::testing::Test {
protected:
    void SetUp() override
    {
        pcan::install(adapter);
        lib.load("pcanbridge");
    }
    void TearDown() override
    {
        lib.unload();
        pcan::install(nullptr);
    }
    uint16_t read_id(int16_t h, uint8_t* data = nullptr, uint8_t* len = nullptr)
    {
        uint8_t d[8], l = 0xEE;
        int16_t id = -1, extra = -1;
        lib.rd_msg(h, data ? data : d, len ? len : &l, &id, &extra);
        EXPECT_EQ(extra, 0);
        return static_cast<uint16_t>(id);
    }

    std::shared_ptr<testing_support::fake_bus_port> bus = std::make_shared<testing_support::fake_bus_port>();
    std::shared_ptr<sim::pcan_adapter_model> adapter = std::make_shared<sim::pcan_adapter_model>(bus);
    testing_support::driver_lib lib;
};

TEST_F(Pcanbridge, RequestOnTheBusAndTheReplyThroughTheReceiveObject)
{
    ASSERT_EQ(lib.open_device(4, 0, 0), 1);
    EXPECT_EQ(bus->bitrate(), 125000u);
    int16_t rcv = -1, snd = -1;
    ASSERT_EQ(lib.open_rcv(&rcv, 0x585, nullptr, 0, 0, 0), 1);
    ASSERT_EQ(lib.open_snd(&snd, 0x605, 0, 0), 1);
    EXPECT_EQ(rcv, 1);
    EXPECT_EQ(snd, 0);
    const uint8_t request[8] = {0x40, 0x00, 0x10, 0x00, 1, 2, 3, 4};
    ASSERT_EQ(lib.snd_ready(snd), 1);
    ASSERT_EQ(lib.wr_msg(snd, request, 8, 0x605), 1);
    ASSERT_EQ(bus->sent().size(), 1u);
    EXPECT_EQ(bus->sent()[0].id, 0x605u);
    EXPECT_EQ(bus->sent()[0].dlc, 8);
    EXPECT_EQ(0, std::memcmp(bus->sent()[0].data.data(), request, 8));

    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    bus->put(make_frame(0x585, 8, 0x60));
    EXPECT_EQ(lib.rcv_ready(rcv), 1);
    uint8_t data[8], len = 0;
    EXPECT_EQ(read_id(rcv, data, &len), 0x585);
    EXPECT_EQ(len, 8);
    EXPECT_EQ(data[7], 0x67);
    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    EXPECT_EQ(lib.error() & 0xFF, 0u);
}

TEST_F(Pcanbridge, ReceiveDispatchOverTheAdaptersSingleQueue)
{
    auto overrun = [&] { return lib.extra<uint8_t (*)(void)>("CANOverrun")(); };
    struct row {
        const char* name;
        std::vector<can_frame> queued;
        int16_t asked;
        uint8_t ready;
        std::function<void()> then;
    } rows[] = {
        {"three frames for object 2 while object 3 is asked: all taken, the last one kept, overrun",
         {make_frame(0x582, 1, 0x10), make_frame(0x582, 1, 0x20), make_frame(0x582, 1, 0x30)},
         3,
         0,
         [&] {
             uint8_t d[8];
             EXPECT_EQ(read_id(2, d), 0x582);
             EXPECT_EQ(d[0], 0x30);
             EXPECT_EQ(overrun(), 1);
             EXPECT_EQ(overrun(), 0);
             EXPECT_EQ(adapter->status() & pcan::st_queue_empty, pcan::st_queue_empty);
         }},
        {"a frame for object 1 behind one for object 2: both stored, and object 2 is reported later",
         {make_frame(0x582, 2, 0x40), make_frame(0x581, 2, 0x50)},
         1,
         1,
         [&] {
             EXPECT_EQ(read_id(1), 0x581);
             EXPECT_EQ(lib.rcv_ready(2), 1);
             EXPECT_EQ(read_id(2), 0x582);
             EXPECT_EQ(lib.rcv_ready(2), 0);
         }},
        {"remote and extended frames never reach an object",
         {make_frame(0x581, 0, 0, can_frame::flag_rtr), make_frame(0x581, 8, 0, can_frame::flag_ext)},
         1,
         0,
         [&] { EXPECT_EQ(overrun(), 0); }},
        {"an object with a FIFO never reports a message",
         {make_frame(0x584, 8, 0x70)},
         4,
         0,
         [&] { EXPECT_EQ(lib.rcv_ready(4), 0); }},
        {"a length of 15 on the wire is cut to 8",
         {make_frame(0x583, 15, 0x80)},
         3,
         1,
         [&] {
             uint8_t d[8], len = 0;
             EXPECT_EQ(read_id(3, d, &len), 0x583);
             EXPECT_EQ(len, 8);
             EXPECT_EQ(d[7], 0x87);
         }},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        lib.unload();
        lib.load("pcanbridge");
        ASSERT_EQ(lib.open_device(6, 0, 0), 1);
        uint8_t fifo_memory[64];
        for (uint16_t id = 0x581; id <= 0x584; ++id) {
            int16_t h = -1;
            ASSERT_EQ(lib.open_rcv(&h, id, id == 0x584 ? fifo_memory : nullptr, 0, 0, 0), 1);
            ASSERT_EQ(h, id - 0x580);
        }
        for (const can_frame& f : r.queued)
            bus->put(f);
        EXPECT_EQ(lib.rcv_ready(r.asked), r.ready);
        r.then();
    }
}

TEST_F(Pcanbridge, ObjectsAndOpen)
{
    ASSERT_EQ(lib.open_device(0, 0, 0), 1);
    EXPECT_EQ(bus->bitrate(), 10000u);
    int16_t snd = -1, h = -1;
    ASSERT_EQ(lib.open_snd(&snd, 0x601, 0, 0), 1);
    // Object 0 is the send object: a receive object there is refused with handle 0.
    EXPECT_EQ(lib.open_rcv(&h, 0x581, nullptr, 0, 1, 0), 0);
    EXPECT_EQ(h, 0);
    for (int i = 1; i <= 14; ++i)
        ASSERT_EQ(lib.open_rcv(&h, static_cast<uint16_t>(0x500 + i), nullptr, 0, 0, 0), 1);
    EXPECT_EQ(lib.open_rcv(&h, 0x581, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(h, 15);
    // Opening again initialises the adapter again and frees every object.
    ASSERT_EQ(lib.open_device(8, 0, 0), 1);
    EXPECT_EQ(adapter->inits(), 2);
    EXPECT_EQ(bus->bitrate(), 1000000u);
    EXPECT_EQ(lib.open_rcv(&h, 0x581, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(h, 1);
    // Rows past the timing table are refused.
    EXPECT_EQ(lib.open_device(9, 0, 0), 0);
    EXPECT_EQ(lib.open_device(-1, 0, 0), 0);
    EXPECT_EQ(adapter->inits(), 2);
}

TEST_F(Pcanbridge, OnlyErrorBitsCountAsErrorsAndTheReceiveLoopEnds)
{
    auto scripted = std::make_shared<scripted_adapter>();
    pcan::install(scripted);
    struct row {
        uint32_t status;
        uint32_t error;
        uint8_t send_ready;
    } rows[] = {
        {0, 0, 1},
        {pcan::st_queue_empty, 0, 1},
        {pcan::st_transmit_full | pcan::st_queue_empty, 0, 0},
        {pcan::st_bus_off, pcan::st_bus_off, 0},
        {pcan::st_queue_overrun, pcan::st_queue_overrun, 1},
        {pcan::st_no_adapter, pcan::st_no_adapter, 0},
    };
    for (const row& r : rows) {
        scripted->status_bits = r.status;
        EXPECT_EQ(lib.error(), r.error) << std::hex << r.status;
        EXPECT_EQ(lib.snd_ready(0), r.send_ready) << std::hex << r.status;
    }

    // Bytes past the length are zero in the record handed to the adapter; longer is refused.
    const uint8_t data[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_EQ(lib.wr_msg(0, data, 3, 0x601), 1);
    EXPECT_EQ(lib.wr_msg(0, data, 9, 0x601), 0);
    ASSERT_EQ(scripted->written.size(), 1u);
    const std::vector<uint8_t>& rec = scripted->written[0];
    EXPECT_EQ(rec[pcan::rec_id], 0x01);
    EXPECT_EQ(rec[pcan::rec_id + 1], 0x06);
    EXPECT_EQ(rec[pcan::rec_length], 3);
    EXPECT_EQ(rec[pcan::rec_data + 2], 3);
    for (size_t i = pcan::rec_data + 3; i < pcan::record_size; ++i)
        EXPECT_EQ(rec[i], 0) << i;

    // An error status: no read at all. A read that keeps failing: the call still ends.
    pcan::install(adapter);
    ASSERT_EQ(lib.open_device(4, 0, 0), 1);
    int16_t h = -1;
    ASSERT_EQ(lib.open_rcv(&h, 0x581, nullptr, 0, 0, 0), 1);
    bus->put(make_frame(0x581, 1, 0));
    adapter->force_status(pcan::st_bus_off);
    EXPECT_EQ(lib.rcv_ready(h), 0);
    adapter->force_status(0);
    adapter->fail_reads(true);
    EXPECT_EQ(lib.rcv_ready(h), 0);
    adapter->fail_reads(false);
    EXPECT_EQ(lib.rcv_ready(h), 1);
    EXPECT_EQ(lib.rcv_ready(-1), 0);
    EXPECT_EQ(lib.rcv_ready(16), 0);
}
