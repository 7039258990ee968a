// A process that only names its hardware in the environment (as flashcli started by a test does)
// gets the models from the simulated-hardware library, without linking it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/devices/devices.h"
#include "platform/devices/pcan_slot.h"
#include "platform/devices/services.h"
#include "platform/devices/sim_hardware.h"
#include "platform/portio/portio.h"
#include "sim/can_bus_hub.h"
#include "sim/can_bus_tap.h"
#include "support/driver_lib.h"
#include "support/test_support.h"

namespace services = platform::services;

TEST(SimulatedHardware, VariablesNameTheModelsAProcessFinds)
{
    EXPECT_FALSE(platform::sim_hardware::attach());  // nothing named: no hardware at all
    EXPECT_EQ(platform::pcan::current(), nullptr);
    services::sc_handle m = services::open_manager();
    EXPECT_EQ(services::open_service(m, "CANKDRV"), 0);
    services::close_service_handle(m);

    testing_support::temp_dir dir;
    sim::can_bus_hub hub(dir.file("bus.sock"));
    hub.start();
    setenv("TARVIX_SIM_PORTIO", ("0x300:isa:" + hub.path()).c_str(), 1);
    setenv("TARVIX_SIM_CANKDRV", hub.path().c_str(), 1);
    setenv("TARVIX_SIM_PCAN", hub.path().c_str(), 1);
    sim::can_bus_tap tap(hub.path());

    // The ISA library's open attaches the board.
    testing_support::driver_lib lib;
    lib.load("isacan");
    ASSERT_EQ(lib.open_device(4, 0, 0x300), 1);
    EXPECT_NE(platform::portio::mapped_at(0x300), nullptr);
    int16_t snd = -1;
    ASSERT_EQ(lib.open_snd(&snd, 0x603, 0, 0), 1);
    const uint8_t data[2] = {1, 2};
    ASSERT_EQ(lib.wr_msg(snd, data, 2, 0x603), 1);
    ASSERT_TRUE(tap.wait_for_count(1, 5000));
    EXPECT_EQ(tap.frames()[0].id, 0x603u);
    EXPECT_EQ(tap.frames()[0].bitrate, 125000u);

    EXPECT_NE(platform::pcan::current(), nullptr);

    // The kernel driver's device exists while its service runs.
    m = services::open_manager();
    services::sc_handle s = services::open_service(m, "CANKDRV");
    ASSERT_NE(s, 0);
    EXPECT_FALSE(platform::devices::is_registered("CANKDRV"));
    ASSERT_TRUE(services::start_service(s));
    EXPECT_TRUE(platform::devices::is_registered("CANKDRV"));
    ASSERT_TRUE(services::stop_service(s));
    EXPECT_FALSE(platform::devices::is_registered("CANKDRV"));
    services::close_service_handle(s);
    services::close_service_handle(m);
    lib.unload();
    platform::pcan::install(nullptr);
    platform::portio::unmap_all();
}
