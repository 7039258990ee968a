// A restarting device that stays away longer than the transport waits for it: the error
// after 20 tries 300 ms apart, in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "flashlink/C_SdoMast.h"
#include "flashlink/C_SndHex.h"
#include "flashlink/C_USB.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/fake_comms.h"
#include "tests/sim/tvxsim_process.h"

TEST(usb_restart, a_device_away_longer_than_six_seconds_is_lost_and_the_flag_cleared)
{
    testing_support::tvxsim_process sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    ASSERT_TRUE(sim.control().load_profile("premium"));
    ASSERT_TRUE(sim.control().command("restart-delays 100 7500"));
    ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix 9"), 0);
    C_SdoMast sdo(PROT_USB, 1);
    uint8_t v[4] = {1, 0, 0, 0};
    ASSERT_EQ(sdo.Download(nullptr, nullptr, 1, 0x30FC, 0, 4, v, 0), 0);
    ASSERT_EQ(run_transfer(sdo, 5000), 0);
    ASSERT_EQ(sdo.ApplStartFlg.load(), 1u);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(C_USB::WaitApplStartCleared(sdo.ApplStartFlg, 10000));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GT(waited, std::chrono::milliseconds(5500));
    uint16_t error = 0;
    C_USB probe(nullptr);
    EXPECT_TRUE(probe.RcvReady(&error));
    EXPECT_EQ(error, fl_result::usb_device_lost);
    // Back later, it is found without a new open.
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!C_USB::Connected() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(C_USB::Connected());
    C_SndHex::DrvCloseUsb();
}
