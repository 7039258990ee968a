#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "candrv/candrv.h"
#include "platform/portio/portio.h"
#include "sim/can_bus_hub.h"
#include "sim/can_bus_node.h"
#include "sim/can_bus_tap.h"
#include "sim/can_dongle_model.h"
#include "support/test_support.h"
#include "tests/candrv/can_test_frames.h"

namespace portio = platform::portio;
using sim::can_frame;

namespace {
constexpr int wait_ms = 5000;

// portcan as flashlink meets it: loaded at run time and bound by its exported names.
struct portcan_lib {
    void* handle = nullptr;
    CANOpenDevice_fn open_device;
    CANCloseDevice_fn close_device;
    CANReset_fn reset;
    CANError_fn error;
    CANOpenSndObj_fn open_snd;
    CANOpenRcvObj_fn open_rcv;
    CANCloseObj_fn close_obj;
    CANSndReady_fn snd_ready;
    CANWrMsg_fn wr_msg;
    CANRcvReady_fn rcv_ready;
    CANRdMsg_fn rd_msg;
    uint8_t (*init_board)(uint16_t);
    void (*set_diag_mask)(uint16_t);
    void (*set_port_bits)(uint8_t, uint8_t);
    uint8_t (*overrun)(void);
    uint8_t (*open_fifo)(void**, uint16_t, uint8_t);
    void (*close_fifo)(void*);
    uint8_t (*msg_in_fifo)(int16_t, uint8_t*);
    void (*rd_fifo_msg)(int16_t, uint8_t*, uint8_t*, int16_t*, int16_t*);
    void (*clear_fifo)(int16_t);

    template <typename F>
    void bind(F& fn, const char* name)
    {
        fn = reinterpret_cast<F>(dlsym(handle, name));
        ASSERT_NE(reinterpret_cast<void*>(fn), nullptr) << name;
    }
    void load()
    {
        const char* app = std::getenv("TARVIX_APP_DIR");
        ASSERT_NE(app, nullptr);
        std::string path = std::string(app) + "/flashcli/libportcan.so";
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        bind(open_device, "CANOpenDevice");
        bind(close_device, "CANCloseDevice");
        bind(reset, "CANReset");
        bind(error, "CANError");
        bind(open_snd, "CANOpenSndObj");
        bind(open_rcv, "CANOpenRcvObj");
        bind(close_obj, "CANCloseObj");
        bind(snd_ready, "CANSndReady");
        bind(wr_msg, "CANWrMsg");
        bind(rcv_ready, "CANRcvReady");
        bind(rd_msg, "CANRdMsg");
        bind(init_board, "CANInitBoard");
        bind(set_diag_mask, "CANSetDiagMsk");
        bind(set_port_bits, "CANSetPortBits");
        bind(overrun, "CANOverrun");
        bind(open_fifo, "CANOpenMsgFifo");
        bind(close_fifo, "CANCloseMsgFifo");
        bind(msg_in_fifo, "CANMsgInFifo");
        bind(rd_fifo_msg, "CANRdFifoMsg");
        bind(clear_fifo, "CANClearMsgFifo");
    }
};

using can_test::frame;
}  // namespace

// The dongle on port 1 (0x378), attached to a bus with a peer at 125 kbit/s and a tap.
class Portcan : public ::testing::Test {
protected:
    void SetUp() override
    {
        hub.start();
        dongle_node = std::make_shared<sim::can_bus_node>(path, 0);
        dongle = std::make_shared<sim::can_dongle_model>(0x378, dongle_node);
        portio::map(0x378, dongle);
        peer = std::make_unique<sim::can_bus_node>(path, 125000);
        tap = std::make_unique<sim::can_bus_tap>(path);
        // A fresh load per test: the library's module state starts as its loader entry leaves it.
        lib.load();
    }
    void TearDown() override
    {
        if (lib.handle)
            dlclose(lib.handle);
        portio::unmap_all();
    }
    // The reply reaches the dongle's side of the bus before the library polls the controller.
    void peer_sends(const can_frame& f)
    {
        ASSERT_TRUE(peer->send(f));
        ASSERT_TRUE(dongle_node->wait_readable(wait_ms));
    }

    testing_support::temp_dir dir;
    std::string path = dir.file("bus.sock");
    sim::can_bus_hub hub{path};
    std::shared_ptr<sim::can_bus_node> dongle_node;
    std::shared_ptr<sim::can_dongle_model> dongle;
    std::unique_ptr<sim::can_bus_node> peer;
    std::unique_ptr<sim::can_bus_tap> tap;
    portcan_lib lib;
};

TEST_F(Portcan, SdoRequestOnTheBusAndTheReplyThroughTheReceiveObject)
{
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    EXPECT_FALSE(dongle->reset_mode());
    EXPECT_EQ(dongle->bitrate(), 125000u);
    EXPECT_EQ(dongle->reg(8), 0x1A);

    int16_t rcv = -1, snd = -1;
    ASSERT_EQ(lib.open_rcv(&rcv, 0x585, nullptr, 0, 0, 0), 1);
    ASSERT_EQ(lib.open_snd(&snd, 0x605, 0, 0), 1);
    EXPECT_EQ(rcv, 1);
    EXPECT_EQ(snd, 15);

    const uint8_t request[8] = {0x40, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(lib.snd_ready(snd), 1);
    ASSERT_EQ(lib.wr_msg(snd, request, 8, 0x605), 1);
    can_frame got;
    ASSERT_TRUE(peer->receive(got, wait_ms));
    EXPECT_EQ(got.id, 0x605u);
    EXPECT_EQ(got.dlc, 8);
    EXPECT_EQ(0, std::memcmp(got.data.data(), request, 8));
    EXPECT_EQ(got.bitrate, 125000u);

    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    peer_sends(frame(0x585, 8, 0x43));
    EXPECT_EQ(lib.rcv_ready(rcv), 1);
    uint8_t data[8] = {};
    uint8_t len = 0;
    int16_t id = 0, extra = -1;
    lib.rd_msg(rcv, data, &len, &id, &extra);
    EXPECT_EQ(id, 0x585);
    EXPECT_EQ(len, 8);
    EXPECT_EQ(extra, 0);
    EXPECT_EQ(data[0], 0x43);
    EXPECT_EQ(data[7], 0x4A);
    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    EXPECT_EQ(lib.error() & 0xFF, 0u);

    // A frame nobody opened, and a remote frame for the open object, are released from the
    // controller and reach no object.
    peer_sends(frame(0x586, 2, 0));
    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    EXPECT_EQ(dongle->rx_pending(), 0u);
    can_frame remote = frame(0x585, 8, 0);
    remote.flags = can_frame::flag_rtr;
    peer_sends(remote);
    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    EXPECT_EQ(dongle->rx_pending(), 0u);

    ASSERT_TRUE(tap->wait_for_count(4, wait_ms));
    auto log = tap->frames();
    EXPECT_EQ(log[0].id, 0x605u);
    EXPECT_EQ(log[1].id, 0x585u);

    lib.close_obj(rcv);
    lib.close_obj(snd);
    lib.close_device();
    EXPECT_TRUE(dongle->reset_mode());
}

TEST_F(Portcan, AcceptanceFilterFollowsTheOpenedIdentifiers)
{
    struct row {
        bool diag_all;
        uint16_t ids[2];
        uint8_t code, mask;
    };
    // With the diagnostic mask at its open value 0 the controller passes everything.
    const row rows[] = {{false, {0x585, 0}, 0xB0, 0xFF}, {true, {0x581, 0x582}, 0xB0, 0x00}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.diag_all);
        ASSERT_EQ(lib.open_device(4, 0, 1), 1);
        if (r.diag_all)
            lib.set_diag_mask(0x7FF);
        for (uint16_t id : r.ids) {
            int16_t h = -1;
            if (id) {
                ASSERT_EQ(lib.open_rcv(&h, id, nullptr, 0, 0, 0), 1);
            }
        }
        EXPECT_EQ(dongle->reg(4), r.code);
        EXPECT_EQ(dongle->reg(5), r.mask);
        EXPECT_FALSE(dongle->reset_mode());
        lib.close_device();
    }
    // A mask set later reaches the controller too (its filter takes writes in reset mode only).
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    int16_t h = -1;
    ASSERT_EQ(lib.open_rcv(&h, 0x585, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(dongle->reg(5), 0xFF);
    lib.set_diag_mask(0x7FF);
    EXPECT_EQ(dongle->reg(5), 0x00);
    EXPECT_FALSE(dongle->reset_mode());
    lib.close_device();
}

// The controller's filter compares identifier bits 10..3 with the code where the mask is
// clear, as the hardware does: objects whose identifiers differ in the high bits both get
// their frames, and a frame that differs in a compared bit never enters the controller.
TEST_F(Portcan, AcceptanceFilterPassesExactlyWhatCodeAndMaskPass)
{
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    lib.set_diag_mask(0x7FF);  // the filter follows the opened identifiers alone
    int16_t low = -1, high = -1;
    ASSERT_EQ(lib.open_rcv(&low, 0x185, nullptr, 0, 0, 0), 1);
    ASSERT_EQ(lib.open_rcv(&high, 0x585, nullptr, 0, 0, 0), 1);
    const uint8_t code = dongle->reg(4), mask = dongle->reg(5);
    // Reading the status register (2) through the port pulls the bus into the controller.
    auto read_status = [&] {
        dongle->out8(0x37A, 0x16);
        dongle->out8(0x378, 0x82);
        dongle->out8(0x37A, 0x17);
        dongle->out8(0x37A, 0x16);
    };
    struct row {
        uint32_t id;
        bool passes;     // what the hardware's code and mask pass
        int16_t handle;  // the object that gets the frame, -1 none
    };
    const row rows[] = {
        {0x185, true, low}, {0x585, true, high}, {0x186, true, -1}, {0x305, false, -1}, {0x7FF, false, -1}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.id);
        EXPECT_EQ((((r.id >> 3) ^ code) & uint8_t(~mask) & 0xFF) == 0, r.passes);
        peer_sends(frame(r.id, 2, 0x10));
        read_status();
        EXPECT_EQ(dongle->rx_pending(), r.passes ? 1u : 0u);
        const int16_t polled = r.handle >= 0 ? r.handle : low;
        ASSERT_EQ(lib.rcv_ready(polled) == 1, r.handle >= 0);
        if (r.handle >= 0) {
            uint8_t data[8] = {};
            uint8_t len = 0;
            int16_t id = 0, extra = 0;
            lib.rd_msg(polled, data, &len, &id, &extra);
            EXPECT_EQ(uint32_t(id), r.id);
        }
        EXPECT_EQ(dongle->rx_pending(), 0u);
    }
    lib.close_device();
}

TEST_F(Portcan, ReceivePollEndsEvenWhenTheReceiveBufferNeverEmpties)
{
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    int16_t rcv = -1;
    ASSERT_EQ(lib.open_rcv(&rcv, 0x585, nullptr, 0, 0, 0), 1);
    dongle->set_stuck_bits(2, 0x01, 0x01);  // "receive buffer full" for good
    EXPECT_EQ(lib.rcv_ready(rcv), 0);
    dongle->set_stuck_bits(2, 0, 0);
    lib.close_device();
}

TEST_F(Portcan, RegisterTestAndTheOpenCounter)
{
    // A register that does not read back what was written: no dongle there, and the count stays.
    dongle->set_stuck_bits(23, 0x01, 0x01);
    EXPECT_EQ(lib.init_board(1), 0);
    EXPECT_EQ(lib.open_device(4, 0, 1), 0);
    dongle->set_stuck_bits(23, 0, 0);
    EXPECT_EQ(lib.init_board(1), 1);
    EXPECT_EQ(lib.init_board(3), 1);  // not a port of the dongle: nothing is touched
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    lib.close_device();
    EXPECT_TRUE(dongle->reset_mode());

    // Refused opens count: a second open, index 7, port 3, and port 2 where there is no dongle.
    EXPECT_EQ(lib.open_device(7, 0, 1), 0);
    EXPECT_EQ(lib.open_device(4, 0, 3), 0);
    ASSERT_EQ(lib.open_device(8, 0, 1), 1);
    EXPECT_EQ(dongle->bitrate(), 1000000u);
    EXPECT_EQ(lib.open_device(4, 0, 1), 0);
    for (int closes = 0; closes < 3; ++closes) {
        lib.close_device();
        EXPECT_FALSE(dongle->reset_mode()) << closes;
    }
    lib.close_device();
    EXPECT_TRUE(dongle->reset_mode());
    EXPECT_EQ(lib.open_device(4, 0, 2), 0);  // 0x278 is unmapped: its ports read 0xFF
}

TEST_F(Portcan, HandlesAndLengthsOutsideTheInterfaceAreRefused)
{
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    int16_t rcv = -1, snd = -1;
    ASSERT_EQ(lib.open_rcv(&rcv, 0x585, nullptr, 0, 0, 0), 1);
    ASSERT_EQ(lib.open_snd(&snd, 0x605, 0, 0), 1);
    const uint8_t data[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_EQ(lib.wr_msg(snd, data, 9, 0x605), 0);
    EXPECT_EQ(lib.wr_msg(snd, data, 255, 0x605), 0);
    EXPECT_EQ(lib.wr_msg(rcv, data, 8, 0x605), 0);  // only the send object sends
    for (int16_t h : {int16_t(16), int16_t(-1), int16_t(0x7FFF)}) {
        SCOPED_TRACE(h);
        EXPECT_EQ(lib.wr_msg(h, data, 8, 0x605), 0);
        EXPECT_EQ(lib.rcv_ready(h), 0);
        uint8_t out[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        uint8_t len = 0xAA;
        int16_t id = 0x55;
        lib.rd_msg(h, out, &len, &id, nullptr);
        EXPECT_EQ(out[0], 0xAA);
        EXPECT_EQ(len, 0xAA);
        EXPECT_EQ(id, 0x55);
        lib.close_obj(h);
        lib.clear_fifo(h);
        uint8_t ovf = 9;
        EXPECT_EQ(lib.msg_in_fifo(h, &ovf), 0);
    }
    // Only the one valid frame ever reached the bus.
    ASSERT_EQ(lib.wr_msg(snd, data, 8, 0x605), 1);
    can_frame got;
    ASSERT_TRUE(peer->receive(got, wait_ms));
    EXPECT_EQ(got.data[0], 1);
    ASSERT_TRUE(tap->wait_for_count(1, wait_ms));
    EXPECT_EQ(tap->frames().size(), 1u);
    EXPECT_FALSE(peer->try_receive(got));
}

TEST_F(Portcan, ReceivedLengthFieldAboveEightIsCutToEight)
{
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    int16_t rcv = -1;
    ASSERT_EQ(lib.open_rcv(&rcv, 0x585, nullptr, 0, 0, 0), 1);
    peer_sends(frame(0x585, 15, 0x60));
    ASSERT_EQ(lib.rcv_ready(rcv), 1);
    // Exactly 8 bytes on the heap, so a longer copy is caught by the address sanitizer.
    std::unique_ptr<uint8_t[]> out(new uint8_t[8]);
    uint8_t len = 0;
    int16_t id = 0, extra = 0;
    lib.rd_msg(rcv, out.get(), &len, &id, &extra);
    EXPECT_EQ(len, 8);
    EXPECT_EQ(id, 0x585);
    EXPECT_EQ(out[7], 0x67);
}

TEST_F(Portcan, RegisterAccessOnThePortIsTheDonglesNibbleProtocol)
{
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    dongle->record_trace(true);
    lib.set_port_bits(1, 0x04);  // one read and one write of the command register
    auto trace = dongle->trace();
    dongle->record_trace(false);
    using op = sim::can_dongle_model::port_op;
    const uint16_t D = 0x378, S = 0x379, C = 0x37A;
    std::vector<op> expected = {
        {true, C, 0x16}, {true, D, 0x81}, {true, C, 0x17}, {false, S, 0}, {false, S, 0}, {false, S, 0},
        {false, S, 0},   {false, S, 0},   {true, D, 0x40}, {false, S, 0}, {true, C, 0x16},
        // the command register reads 0xFF; only its top three bits are kept
        {true, C, 0x16}, {true, D, 0x01}, {true, C, 0x17}, {true, D, 0xE4}, {true, C, 0x16},
    };
    ASSERT_EQ(trace.size(), expected.size());
    for (size_t i = 0; i < trace.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(trace[i].write, expected[i].write);
        EXPECT_EQ(trace[i].port, expected[i].port);
        if (expected[i].write) {
            EXPECT_EQ(trace[i].value, expected[i].value);
        }
    }
    // The two nibbles of 0xFF on the status lines: line 7 inverted, lines 5..3.
    EXPECT_EQ(trace[7].value, 0x38);
    EXPECT_EQ(trace[9].value, 0x38);
}

TEST_F(Portcan, SendObjectOptionFifoAndBusOff)
{
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    int16_t snd = -1;
    EXPECT_EQ(lib.open_snd(&snd, 0x605, 0, 1), 0);
    EXPECT_EQ(snd, -1);
    ASSERT_EQ(lib.open_snd(&snd, 0x605, 0, 0), 1);  // the refused option did not use up object 15
    EXPECT_EQ(lib.open_snd(&snd, 0x605, 0, 0), 0);

    void* fifo = nullptr;
    EXPECT_EQ(lib.open_fifo(&fifo, 0, 1), 0);
    EXPECT_EQ(lib.open_fifo(&fifo, 5460, 1), 0);
    ASSERT_EQ(lib.open_fifo(&fifo, 4, 1), 1);
    int16_t rcv = -1;
    ASSERT_EQ(lib.open_rcv(&rcv, 0x585, fifo, 0, 0, 0), 1);
    uint8_t ovf = 9;
    EXPECT_EQ(lib.msg_in_fifo(rcv, &ovf), 0);
    for (uint8_t i = 0; i < 4; ++i)
        peer_sends(frame(0x585, 1, static_cast<uint8_t>(i * 16)));
    // The controller holds the frames until the library polls it.
    ASSERT_TRUE(tap->wait_for_count(4, wait_ms));
    EXPECT_EQ(lib.msg_in_fifo(rcv, &ovf), 1);
    EXPECT_EQ(ovf, 1);  // capacity 4 holds three; the fourth set the overflow
    EXPECT_EQ(lib.msg_in_fifo(rcv, &ovf), 1);
    EXPECT_EQ(ovf, 0);
    for (uint8_t i = 0; i < 3; ++i) {
        uint8_t data[8];
        uint8_t len = 0;
        int16_t id = 0, extra = 0;
        lib.rd_fifo_msg(rcv, data, &len, &id, &extra);
        EXPECT_EQ(data[0], i * 16);
        EXPECT_EQ(len, 1);
    }
    EXPECT_EQ(lib.msg_in_fifo(rcv, &ovf), 0);
    lib.close_obj(rcv);
    lib.close_fifo(fifo);

    dongle->set_error_status(true);
    EXPECT_EQ(lib.error(), 0x40u);
    dongle->set_error_status(false);
    dongle->set_bus_off(true);
    EXPECT_TRUE(dongle->reset_mode());
    EXPECT_EQ(lib.error(), 0x80u);
    EXPECT_FALSE(dongle->reset_mode());  // back on the bus
    EXPECT_EQ(lib.error(), 0u);
    lib.close_device();
}

TEST_F(Portcan, RefusedOpenAndBoardTestOnAnotherPortLeaveTheOpenDeviceOnItsPort)
{
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    int16_t snd = -1;
    ASSERT_EQ(lib.open_snd(&snd, 0x605, 0, 0), 1);
    EXPECT_EQ(lib.open_device(4, 0, 2), 0);  // already open
    EXPECT_EQ(lib.init_board(2), 0);         // nothing at 0x278
    const uint8_t data[2] = {0x40, 0x41};
    ASSERT_EQ(lib.wr_msg(snd, data, 2, 0x605), 1);
    can_frame got;
    ASSERT_TRUE(peer->receive(got, wait_ms));
    EXPECT_EQ(got.id, 0x605u);
    EXPECT_EQ(got.data[1], 0x41);
    lib.close_device();
    lib.close_device();
    EXPECT_TRUE(dongle->reset_mode());
}

TEST_F(Portcan, FifoClosedBeforeItsObjectIsNoLongerFilled)
{
    ASSERT_EQ(lib.open_device(4, 0, 1), 1);
    void* fifo = nullptr;
    ASSERT_EQ(lib.open_fifo(&fifo, 4, 1), 1);
    int16_t rcv = -1;
    ASSERT_EQ(lib.open_rcv(&rcv, 0x585, fifo, 0, 0, 0), 1);
    lib.close_fifo(fifo);  // out of order: the object is still open
    peer_sends(frame(0x585, 2, 0x30));
    // The frame reaches the object as one without a FIFO; the freed memory is left alone.
    uint8_t ovf = 9;
    EXPECT_EQ(lib.msg_in_fifo(rcv, &ovf), 0);
    ASSERT_EQ(lib.rcv_ready(rcv), 1);
    uint8_t out[8] = {};
    uint8_t len = 0;
    int16_t id = 0, extra = 0;
    lib.rd_msg(rcv, out, &len, &id, &extra);
    EXPECT_EQ(id, 0x585);
    EXPECT_EQ(out[1], 0x31);
    lib.close_obj(rcv);
    lib.close_device();
}
