#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/devices/devices.h"
#include "platform/devices/win_error.h"
#include "sim/cankdrv_model.h"
#include "support/driver_lib.h"
#include "support/fake_bus_port.h"

namespace devices = platform::devices;
using sim::can_frame;
using sim::cankdrv_model;
using testing_support::make_frame;

class Kerncan : public ::testing::Test {
protected:
    void SetUp() override
    {
        devices::register_device("CANKDRV", driver);
        lib.load("kerncan");
        last_error = lib.extra<uint32_t (*)(uint16_t*)>("GetLastErrorX");
    }
    void TearDown() override
    {
        lib.unload();
        devices::unregister_device("CANKDRV");
    }
    void open_with_receive_object(int16_t& rcv)
    {
        ASSERT_EQ(lib.open_device(4, 7, 1), 1);
        ASSERT_EQ(lib.open_rcv(&rcv, 0x583, nullptr, 0, 0, 0), 1);
    }

    std::shared_ptr<testing_support::fake_bus_port> bus = std::make_shared<testing_support::fake_bus_port>();
    std::shared_ptr<cankdrv_model> driver = std::make_shared<cankdrv_model>(bus);
    testing_support::driver_lib lib;
    uint32_t (*last_error)(uint16_t*) = nullptr;
};

TEST_F(Kerncan, RequestsOfATransferAndTheirRecords)
{
    int16_t rcv = -1, snd = -1;
    ASSERT_EQ(lib.open_device(4, 7, 1), 1);
    std::vector<uint8_t> open_request = driver->last_input();
    EXPECT_EQ(bus->bitrate(), 125000u);
    ASSERT_EQ(lib.open_rcv(&rcv, 0x583, nullptr, 0, 0, 0), 1);
    ASSERT_EQ(lib.open_snd(&snd, 0x603, 0, 0), 1);
    EXPECT_EQ(rcv, 1);
    EXPECT_EQ(snd, 15);

    const uint8_t data[8] = {0x40, 0x00, 0x10, 0x00, 5, 6, 7, 8};
    ASSERT_EQ(lib.snd_ready(snd), 1);
    ASSERT_EQ(lib.wr_msg(snd, data, 3, 0x601), 1);
    std::vector<uint8_t> write_request = driver->last_input();
    ASSERT_EQ(write_request.size(), 22u);
    EXPECT_EQ(write_request[12] | (write_request[13] << 8), 0x3601);
    EXPECT_EQ(write_request[6], cankdrv_model::connection);
    ASSERT_EQ(bus->sent().size(), 1u);
    EXPECT_EQ(bus->sent()[0].id, 0x601u);
    EXPECT_EQ(bus->sent()[0].dlc, 3);

    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    bus->put(make_frame(0x583, 8, 0x20));
    ASSERT_EQ(lib.rcv_ready(rcv), 1);
    uint8_t got[8] = {}, len = 0;
    int16_t id = 0, extra = -1;
    lib.rd_msg(rcv, got, &len, &id, &extra);
    EXPECT_EQ(id, 0x583);
    EXPECT_EQ(len, 8);
    EXPECT_EQ(got[7], 0x27);
    EXPECT_EQ(extra, 0);
    lib.close_obj(rcv);
    lib.close_obj(snd);  // never opened at the driver: no request
    ASSERT_EQ(lib.close_device(), 1);
    EXPECT_FALSE(driver->device_open());

    ASSERT_EQ(open_request.size(), 16u);
    EXPECT_EQ(open_request[4], 4);
    EXPECT_EQ(open_request[6], 7);
    EXPECT_EQ(open_request[8], 1);
    std::vector<uint32_t> expected;
    for (int f : {1, 6, 8, 9, 11, 11, 7, 4})
        expected.push_back(cankdrv_model::code_of(f));
    EXPECT_EQ(driver->requests(), expected);
    EXPECT_EQ(cankdrv_model::code_of(13), 0xC0020036u);
    EXPECT_EQ(cankdrv_model::code_of(1), 0xC0020004u);
}

TEST_F(Kerncan, EdgeCases)
{
    int16_t rcv = -1;
    open_with_receive_object(rcv);

    // A second open while open sends nothing.
    size_t before = driver->requests().size();
    EXPECT_EQ(lib.open_device(4, 0, 1), 0);
    EXPECT_EQ(driver->requests().size(), before);

    // Reading without a message: length 0, identifier untouched.
    uint8_t data[8], len = 0xEE;
    int16_t id = 0x123, extra = 0;
    lib.rd_msg(rcv, data, &len, &id, &extra);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(id, 0x123);

    // The status word of a reply: a high byte is an overrun, a low byte an error.
    auto overrun = lib.extra<uint8_t (*)(void)>("CANOverrun");
    driver->set_status_word(0x0100);
    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    EXPECT_EQ(lib.error(), 0u);
    EXPECT_EQ(overrun(), 1);
    EXPECT_EQ(overrun(), 0);
    driver->set_status_word(0x0004);
    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    EXPECT_EQ(overrun(), 0);
    EXPECT_EQ(lib.error(), 4u);
    EXPECT_EQ(lib.error(), 0u);

    // Outside the interface: handles past 0..15, lengths past 8, a length of 15 on the wire.
    const uint8_t nine[9] = {};
    EXPECT_EQ(lib.wr_msg(15, nine, 9, 0x601), 0);
    EXPECT_EQ(lib.wr_msg(14, nine, 1, 0x601), 0);
    EXPECT_EQ(lib.rcv_ready(16), 0);
    EXPECT_EQ(lib.rcv_ready(-1), 0);
    lib.rd_msg(16, data, &len, &id, &extra);
    bus->put(make_frame(0x583, 15, 0x30));
    ASSERT_EQ(lib.rcv_ready(rcv), 1);
    lib.rd_msg(rcv, data, &len, &id, &extra);
    EXPECT_EQ(len, 8);
    EXPECT_EQ(data[7], 0x37);
    // FIFO calls on an object without a FIFO do nothing.
    uint8_t status = 0xEE;
    EXPECT_EQ(lib.extra<uint8_t (*)(int16_t, uint8_t*)>("CANMsgInFifo")(rcv, &status), 0);
    EXPECT_EQ(status, 0);
    lib.extra<void (*)(int16_t)>("CANClearMsgFifo")(rcv);
    lib.extra<void (*)(int16_t, uint8_t*, uint8_t*, int16_t*, int16_t*)>("CANRdFifoMsg")(rcv, data, &len, &id,
                                                                                        &extra);
}

TEST_F(Kerncan, LastErrorAndItsClass)
{
    struct row {
        const char* name;
        std::function<uint8_t()> act;
        uint32_t error;
        uint16_t error_class;
    } rows[] = {
        {"no device", [&] {
             devices::unregister_device("CANKDRV");
             uint8_t r = lib.open_device(4, 0, 1);
             devices::register_device("CANKDRV", driver);
             return r;
         }, platform::win_error::file_not_found, 0},
        {"a Windows error from the request", [&] {
             driver->fail_next_request(platform::win_error::gen_failure);
             return lib.open_device(4, 0, 1);
         }, platform::win_error::gen_failure, 0},
        {"a driver-defined error", [&] {
             driver->fail_next_request(0x20000005);
             return lib.open_device(4, 0, 1);
         }, 5, 1},
        {"a status in the reply (port 3)", [&] { return lib.open_device(4, 0, 3); }, 1, 2},
        {"a refused option", [&] {
             int16_t h = 9;
             EXPECT_EQ(lib.open_device(4, 0, 1), 1);
             uint8_t r = lib.open_rcv(&h, 0x581, nullptr, 1, 0, 0);
             EXPECT_EQ(h, 0);
             EXPECT_EQ(lib.close_device(), 1);
             return r;
         }, 6, 2},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.act(), 0);
        uint16_t cls = 0xEEEE;
        EXPECT_EQ(last_error(&cls), r.error);
        EXPECT_EQ(cls, r.error_class);
        EXPECT_EQ(last_error(&cls), 0u);
        EXPECT_FALSE(driver->device_open());
    }
}

TEST_F(Kerncan, FifoFilledByTheDriverOnRequest)
{
    auto open_fifo = lib.extra<uint8_t (*)(void**, uint16_t, uint8_t)>("CANOpenMsgFifo");
    auto close_fifo = lib.extra<void (*)(void*)>("CANCloseMsgFifo");
    auto msg_in_fifo = lib.extra<uint8_t (*)(int16_t, uint8_t*)>("CANMsgInFifo");
    auto rd_fifo = lib.extra<void (*)(int16_t, uint8_t*, uint8_t*, int16_t*, int16_t*)>("CANRdFifoMsg");
    void* fifo = nullptr;
    EXPECT_EQ(open_fifo(&fifo, 0, 1), 0);
    ASSERT_EQ(open_fifo(&fifo, 4, 1), 1);
    ASSERT_EQ(lib.open_device(5, 0, 2), 1);
    int16_t h = -1;
    ASSERT_EQ(lib.open_rcv(&h, 0x585, fifo, 0, 0, 0), 1);
    uint8_t status = 0xEE;
    EXPECT_EQ(msg_in_fifo(h, &status), 0);
    for (uint8_t i = 0; i < 5; ++i)
        bus->put(make_frame(0x585, 1, static_cast<uint8_t>(i * 16)));
    // Three fit a ring of four; the driver marks the overflow.
    ASSERT_EQ(msg_in_fifo(h, &status), 1);
    EXPECT_EQ(status, 2);
    uint8_t data[8], len = 0;
    int16_t id = 0, extra = 0;
    for (uint8_t i = 0; i < 3; ++i) {
        rd_fifo(h, data, &len, &id, &extra);
        EXPECT_EQ(id, 0x585);
        EXPECT_EQ(len, 1);
        EXPECT_EQ(data[0], i * 16);
    }
    // The rest comes with the next fill.
    ASSERT_EQ(msg_in_fifo(h, &status), 1);
    rd_fifo(h, data, &len, &id, &extra);
    EXPECT_EQ(data[0], 0x30);
    std::vector<uint32_t> log = driver->requests();
    EXPECT_EQ(std::count(log.begin(), log.end(), cankdrv_model::code_of(13)), 3);
    lib.close_obj(h);
    close_fifo(fifo);
}

// The driver answers only requests of its own shape: a code it does not know, an input or
// output of another size, or a connection byte other than the one the open handed out fails
// with error 87, and the request does nothing.
TEST_F(Kerncan, RequestsThatDoNotFitTheDriverFailWith87)
{
    const devices::handle h = devices::create_file("\\\\.\\CANKDRV");
    ASSERT_NE(h, devices::invalid_handle);
    uint8_t open_in[16] = {}, open_out[8] = {};
    open_in[4] = 4;  // 125 kbit/s
    open_in[8] = 1;  // port 1
    uint32_t returned = 0;
    ASSERT_TRUE(devices::device_io_control(h, cankdrv_model::code_of(1), open_in, 16, open_out, 8, &returned));
    ASSERT_EQ(open_out[4], cankdrv_model::connection);

    const uint8_t good = cankdrv_model::connection;
    const struct {
        const char* name;
        uint32_t code;
        uint32_t in_size, out_size;
        size_t connection_at;
        uint8_t connection;
    } rows[] = {
        {"unknown code", cankdrv_model::code_of(5), 16, 8, 2, good},
        {"code without the driver's device type", cankdrv_model::code_of(4) & 0xFFFFu, 16, 8, 2, good},
        {"input one byte short", cankdrv_model::code_of(4), 15, 8, 2, good},
        {"input one byte long", cankdrv_model::code_of(4), 17, 8, 2, good},
        {"output one byte short", cankdrv_model::code_of(4), 16, 7, 2, good},
        {"record output one byte short", cankdrv_model::code_of(8), 22, 21, 6, good},
        {"wrong connection byte", cankdrv_model::code_of(4), 16, 8, 2, uint8_t(good + 1)},
        {"wrong connection byte in a record", cankdrv_model::code_of(8), 22, 22, 6, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        uint8_t in[32] = {}, out[32] = {};
        in[r.connection_at] = r.connection;
        platform::set_last_error(0);
        EXPECT_FALSE(devices::device_io_control(h, r.code, in, r.in_size, out, r.out_size, &returned));
        EXPECT_EQ(platform::get_last_error(), platform::win_error::invalid_parameter);
        EXPECT_TRUE(driver->device_open());  // the close request among them did nothing
    }
    // The close request that fits is taken.
    uint8_t in[16] = {}, out[8] = {};
    in[2] = good;
    EXPECT_TRUE(devices::device_io_control(h, cankdrv_model::code_of(4), in, 16, out, 8, &returned));
    EXPECT_FALSE(driver->device_open());
    EXPECT_TRUE(devices::close_handle(h));
}
