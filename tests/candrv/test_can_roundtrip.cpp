// Each of the four driver libraries on the simulated CAN bus, through its own hardware model: a
// request goes out on the send identifier, the peer's reply comes back through the receive object.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/devices/devices.h"
#include "platform/devices/pcan_slot.h"
#include "platform/portio/portio.h"
#include "sim/can_bus_hub.h"
#include "sim/can_bus_node.h"
#include "sim/can_bus_tap.h"
#include "sim/can_dongle_model.h"
#include "sim/cankdrv_model.h"
#include "sim/isa_board_model.h"
#include "sim/pcan_adapter_model.h"
#include "support/driver_lib.h"
#include "support/test_support.h"

using sim::can_frame;
using testing_support::make_frame;

namespace {
constexpr int wait_ms = 5000;

struct library_case {
    const char* library;
    uint16_t port;  // the open's third argument
    uint16_t send_id, receive_id;
};

// Attaches the library's hardware to the bus as node `n`.
void attach_hardware(const std::string& library, std::shared_ptr<sim::can_bus_node> n)
{
    if (library == "portcan")
        platform::portio::map(0x378, std::make_shared<sim::can_dongle_model>(0x378, n));
    else if (library == "isacan")
        platform::portio::map(0x300, std::make_shared<sim::isa_board_model>(0x300, n));
    else if (library == "kerncan")
        platform::devices::register_device("CANKDRV", std::make_shared<sim::cankdrv_model>(n));
    else
        platform::pcan::install(std::make_shared<sim::pcan_adapter_model>(n));
}

void detach_hardware()
{
    platform::portio::unmap_all();
    platform::devices::unregister_device("CANKDRV");
    platform::pcan::install(nullptr);
}
}  // namespace

class CanRoundTrip : public ::testing::TestWithParam<library_case> {};

TEST_P(CanRoundTrip, RequestOutAndReplyBackAt125k)
{
    const library_case& c = GetParam();
    testing_support::temp_dir dir;
    sim::can_bus_hub hub(dir.file("bus.sock"));
    hub.start();
    auto node = std::make_shared<sim::can_bus_node>(hub.path(), 0);
    attach_hardware(c.library, node);
    sim::can_bus_node peer(hub.path(), 125000);
    sim::can_bus_tap tap(hub.path());
    testing_support::driver_lib lib;
    lib.load(c.library);

    ASSERT_EQ(lib.open_device(4, 0, c.port), 1);
    int16_t rcv = -1, snd = -1;
    ASSERT_EQ(lib.open_rcv(&rcv, c.receive_id, nullptr, 0, 0, 0), 1);
    ASSERT_EQ(lib.open_snd(&snd, c.send_id, 0, 0), 1);
    for (int round = 0; round < 3; ++round) {
        uint8_t request[8] = {0x40, 0x00, 0x10, static_cast<uint8_t>(round), 0, 0, 0, 0};
        ASSERT_EQ(lib.wr_msg(snd, request, 8, c.send_id), 1);
        can_frame got;
        ASSERT_TRUE(peer.receive(got, wait_ms));
        EXPECT_EQ(got.id, c.send_id);
        EXPECT_EQ(got.dlc, 8);
        EXPECT_EQ(got.data[3], round);

        can_frame reply = make_frame(c.receive_id, 8, static_cast<uint8_t>(0x10 * round));
        ASSERT_TRUE(peer.send(reply));
        ASSERT_TRUE(node->wait_readable(wait_ms));
        uint8_t ready = 0;
        for (int i = 0; i < 1000 && !ready; ++i)
            ready = lib.rcv_ready(rcv);
        ASSERT_EQ(ready, 1);
        uint8_t data[8] = {}, len = 0;
        int16_t id = 0, extra = -1;
        lib.rd_msg(rcv, data, &len, &id, &extra);
        EXPECT_EQ(id, c.receive_id);
        EXPECT_EQ(len, 8);
        EXPECT_EQ(data[7], 0x10 * round + 7);
        EXPECT_EQ(lib.error() & 0xFF, 0u);
    }
    lib.close_obj(rcv);
    lib.close_obj(snd);
    lib.close_device();
    ASSERT_TRUE(tap.wait_for_count(6, wait_ms));
    for (const can_frame& f : tap.frames())
        EXPECT_TRUE(f.id == c.send_id || f.id == c.receive_id) << std::hex << f.id;
    lib.unload();
    detach_hardware();
}

INSTANTIATE_TEST_SUITE_P(FourLibraries, CanRoundTrip,
                         ::testing::Values(library_case{"pcanbridge", 0, 0x605, 0x585},
                                           library_case{"kerncan", 1, 0x603, 0x583},
                                           library_case{"portcan", 1, 0x12F, 0x32A},
                                           library_case{"isacan", 0x300, 0x603, 0x583}),
                         [](const ::testing::TestParamInfo<library_case>& i) { return std::string(i.param.library); });
