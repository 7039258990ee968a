// Whole transfers over CAN: the protocol client through the CAN transport and each of the four
// driver libraries, loaded at run time, and its hardware model on the simulated bus, to the boot
// loader's node; and what a hostile bus does to a transfer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "flashlink/C_SdoMast.h"
#include "flashlink/can_driver.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/can_world.h"
#include "flashlink/support/fake_comms.h"
#include "platform/clock.h"
#include "platform/devices/devices.h"
#include "platform/devices/pcan_slot.h"
#include "platform/devices/services.h"
#include "platform/portio/portio.h"
#include "sim/boot_can_node.h"
#include "sim/boot_object_store.h"
#include "sim/can_bus_hub.h"
#include "sim/can_bus_tap.h"
#include "sim/can_dongle_model.h"
#include "sim/cankdrv_model.h"
#include "sim/isa_board_model.h"
#include "sim/pcan_adapter_model.h"
#include "support/test_support.h"

using can_testing::can_world;
using can_testing::drivers;
using can_testing::nodes;
using sim::boot_can_node;
using sim::can_frame;
namespace services = platform::services;

namespace {

constexpr uint16_t DOMAIN = 0x30F7;
constexpr uint32_t TRANSFER_BUFFER = 2304;
constexpr uint32_t step_ms = 3000;

frame_bytes pattern(size_t n, unsigned seed)
{
    std::mt19937 g(seed);
    frame_bytes b(n);
    for (auto& x : b)
        x = static_cast<uint8_t>(g());
    return b;
}

class buffer_source : public C_RQ_Xld {
public:
    explicit buffer_source(const frame_bytes& bytes) : bytes_(bytes) {}
    short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t) override
    {
        size_t n = std::min<size_t>(TRANSFER_BUFFER, bytes_.size() - pos_);
        std::copy(bytes_.begin() + pos_, bytes_.begin() + pos_ + n, data);
        pos_ += n;
        *length = static_cast<uint16_t>(n);
        *last = pos_ == bytes_.size() ? 1 : 0;
        return 0;
    }

private:
    const frame_bytes& bytes_;
    size_t pos_ = 0;
};

// Counts the message objects the transport opens and closes, by wrapping the bound entry points.
struct object_counter {
    static inline int rcv_opens = 0, snd_opens = 0, closes = 0;
    static inline CANOpenRcvObj_fn open_rcv = nullptr;
    static inline CANOpenSndObj_fn open_snd = nullptr;
    static inline CANCloseObj_fn close = nullptr;

    static void install()
    {
        fl_can::driver_api& a = fl_can::state().api;
        rcv_opens = snd_opens = closes = 0;
        open_rcv = a.open_rcv_obj;
        open_snd = a.open_snd_obj;
        close = a.close_obj;
        a.open_rcv_obj = [](int16_t* h, uint16_t id, void* f, int32_t o, uint8_t o0, uint8_t x) -> uint8_t {
            ++rcv_opens;
            return open_rcv(h, id, f, o, o0, x);
        };
        a.open_snd_obj = [](int16_t* h, uint16_t id, uint8_t v, int32_t o) -> uint8_t {
            ++snd_opens;
            return open_snd(h, id, v, o);
        };
        a.close_obj = [](int16_t h) {
            ++closes;
            close(h);
        };
    }
};

// Traffic that is not the loader's answer, all through a transfer: another identifier, and remote
// and extended frames on the response identifier. A frame goes out before every second request the
// client writes, so it lands between the transfer's own frames whatever the scheduler does, and a
// receiver never holds more than a frame or two of it: the dongle keeps only six frames, and a
// clock-driven sender would overrun it, losing the loader's answer, whenever the client is kept
// from polling for some milliseconds.
struct bus_noise {
    static inline sim::can_bus_node* node = nullptr;
    static inline uint16_t response = 0;
    static inline size_t writes = 0, sent = 0;
    static inline CANWrMsg_fn write = nullptr;

    static void install(sim::can_bus_node& on, uint16_t response_id)
    {
        fl_can::driver_api& a = fl_can::state().api;
        node = &on;
        response = response_id;
        writes = sent = 0;
        write = a.wr_msg;
        a.wr_msg = [](int16_t h, const uint8_t* data, uint8_t length, uint16_t id) -> uint8_t {
            if (writes++ % 2 == 0) {
                can_frame f;
                f.dlc = 8;
                f.id = sent % 3 == 2 ? response + 1u : response;
                f.flags = sent % 3 == 0 ? can_frame::flag_rtr : sent % 3 == 1 ? can_frame::flag_ext : 0;
                if (node->send(f))
                    ++sent;
            }
            return write(h, data, length, id);
        };
    }
};

uint16_t download(C_SdoMast& client, uint8_t node, const frame_bytes& image, uint32_t timeout = step_ms)
{
    buffer_source source(image);
    frame_bytes buffer(TRANSFER_BUFFER);
    uint16_t r = client.Download(&source, nullptr, node, DOMAIN, 0, TRANSFER_BUFFER, buffer.data(), SDO_FLAG_CALLBACK);
    return r ? r : run_transfer(client, timeout);
}

}  // namespace

class CanTransfer : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
    void SetUp() override { C_SdoMast::ResetGlobals(); }
};

TEST_P(CanTransfer, DownloadAndUploadThroughTheDriverLibrary)
{
    const can_testing::driver_case& d = drivers[std::get<0>(GetParam())];
    const can_testing::node_case& n = nodes[std::get<1>(GetParam())];
    can_world world(d, n, 125000);
    ASSERT_EQ(d.init(4), fl_result::ok);

    sim::can_bus_node noise(world.bus(), 125000);
    bus_noise::install(noise, n.response);
    // The loader's replies say 15 bytes; eight follow.
    world.loader->set_reply_dlc(15);

    frame_bytes image = pattern(1500, n.node);
    object_counter::install();
    {
        C_SdoMast client(n.protocol, 0);
        ASSERT_EQ(download(client, n.node, image), fl_result::ok);
        EXPECT_EQ(world.store.get(DOMAIN, 0), image);
        EXPECT_EQ(object_counter::rcv_opens, 1);
        EXPECT_EQ(object_counter::snd_opens, 1);
        EXPECT_EQ(object_counter::closes, 2);

        frame_bytes back(4096, 0xEE);
        ASSERT_EQ(client.Upload(nullptr, nullptr, n.node, DOMAIN, 0, 4096, back.data(), 0), 0);
        uint32_t count = 0;
        ASSERT_EQ(run_transfer(client, step_ms, &count), fl_result::ok);
        ASSERT_EQ(count, image.size());
        EXPECT_EQ(frame_bytes(back.begin(), back.begin() + count), image);
        EXPECT_EQ(object_counter::rcv_opens, 2);
        EXPECT_EQ(object_counter::closes, 4);
    }
    // Only the two identifiers of the node are the transfer's (besides the noise sent above).
    // Download and upload: at least two frames for every seven bytes each way; the tap may lag.
    const size_t least = 4 * image.size() / 7;
    EXPECT_GE(bus_noise::sent, least / 4);  // one before every second request
    EXPECT_TRUE(world.tap->wait_for_count(least + bus_noise::sent, 5000));
    size_t ours = 0;
    for (const can_frame& t : world.tap->frames()) {
        if (t.id == n.request || t.id == n.response) {
            ours += t.flags == 0;
            EXPECT_TRUE(t.flags == 0 || t.id == n.response) << std::hex << t.id;
        } else {
            EXPECT_EQ(t.id, n.response + 1u) << std::hex << t.id;
        }
    }
    EXPECT_GE(ours, least);

    fl_can::DrvCloseCAN();
    EXPECT_EQ(fl_can::state().library, nullptr);
    EXPECT_EQ(fl_can::state().initialized, 0u);
    EXPECT_FALSE(services::is_running(fl_can::kernel_service));
}

INSTANTIATE_TEST_SUITE_P(Matrix, CanTransfer, ::testing::Combine(::testing::Range(0, 4), ::testing::Range(0, 2)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& i) {
                             return std::string(drivers[std::get<0>(i.param)].name) + "_node" +
                                    std::to_string(nodes[std::get<1>(i.param)].node);
                         });

TEST(CanHostileBus, LoaderAtAnotherBitRateRunsOutTheStepTimer)
{
    C_SdoMast::ResetGlobals();
    can_world world(drivers[0], nodes[0], 500000);
    ASSERT_EQ(drivers[0].init(4), fl_result::ok);
    platform::manual_clock clock;
    platform::scoped_clock use(clock);
    C_SdoMast client(PROT_CAN, 0);
    EXPECT_EQ(download(client, 3, pattern(20, 1), 500), fl_result::step_timeout);
    EXPECT_EQ(world.loader->requests_handled(), 0u);
}

TEST(CanHostileBus, BusOffEndsTheTransferWithADriverError)
{
    C_SdoMast::ResetGlobals();
    can_world world(drivers[0], nodes[0], 125000);
    auto adapter = std::make_shared<sim::pcan_adapter_model>(std::make_shared<sim::can_bus_node>(world.bus(), 0));
    platform::pcan::install(adapter);
    ASSERT_EQ(drivers[0].init(4), fl_result::ok);
    adapter->refuse_writes(1000000);
    adapter->force_status(platform::pcan::st_bus_off);
    C_SdoMast client(PROT_CAN, 0);
    EXPECT_EQ(download(client, 3, pattern(20, 1)), fl_result::can_driver);
}
