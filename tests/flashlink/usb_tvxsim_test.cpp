// The USB transport against the tvxsim process: transfers to its boot loader, a device
// lost in a transfer, the application's restart into the loader, repeated opens.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>
#include <thread>

#include "flashlink/C_SdoMast.h"
#include "flashlink/C_SndHex.h"
#include "flashlink/C_USB.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/fake_comms.h"
#include "tests/sim/tvxsim_process.h"

namespace {

size_t entries(const char* dir)
{
    size_t n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

struct usb_sim : public ::testing::Test {
    testing_support::tvxsim_process sim;

    void SetUp() override
    {
        ASSERT_TRUE(sim.ok()) << sim.error();
        ASSERT_TRUE(sim.control().load_profile("loader"));
    }
    void TearDown() override { C_SndHex::DrvCloseUsb(); }
    std::string ask(const std::string& command)
    {
        std::string r;
        EXPECT_TRUE(sim.control().command(command, &r)) << command << ": " << r;
        return r;
    }
    static uint16_t write_value(C_SdoMast& sdo, uint16_t index, uint8_t sub, uint32_t value)
    {
        uint8_t v[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        if (uint16_t r = sdo.Download(nullptr, nullptr, 1, index, sub, 4, v, 0))
            return r;
        return run_transfer(sdo, 5000);
    }
};

TEST_F(usb_sim, a_device_lost_in_a_transfer_fails_it_and_the_next_one_works_after_replug)
{
    ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix [8,9]"), 0);
    C_SdoMast sdo(PROT_USB, 1);
    ASSERT_EQ(sdo.ConstructResult, 0);
    ask("loader-fault unplug at=1 replug=300");
    EXPECT_EQ(write_value(sdo, 0x30FC, 0, 5), fl_result::usb_device_lost);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!C_USB::Connected() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(write_value(sdo, 0x30FC, 0, 5), 0);
}

TEST_F(usb_sim, the_application_restarts_into_the_loader_and_is_found_again)
{
    struct row {
        const char* name;
        int d1, d2;
    };
    // D1 = 0: the device is gone before its confirmation was taken.
    for (const row& r : {row{"usual", 100, 500}, row{"gone at once", 0, 300}}) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(sim.control().load_profile("premium"));
        ask("restart-delays " + std::to_string(r.d1) + " " + std::to_string(r.d2));
        ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix 9"), 0);
        C_SdoMast sdo(PROT_USB, 1);
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(write_value(sdo, 0x30FC, 0, 0x1234), 0);
        EXPECT_EQ(sdo.ApplStartFlg.load(), 1u);
        EXPECT_TRUE(C_USB::WaitApplStartCleared(sdo.ApplStartFlg, 10000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
        EXPECT_EQ(ask("personality"), "loader");
        EXPECT_EQ(write_value(sdo, 0x30F0, 1, 0x41), 0) << "the loader answers";
        C_SndHex::DrvCloseUsb();
    }
}

TEST_F(usb_sim, two_hundred_opens_and_closes_leave_no_descriptor_or_thread)
{
    ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix 9"), 0);
    C_SndHex::DrvCloseUsb();
    size_t fds = entries("/proc/self/fd"), threads = entries("/proc/self/task");
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix 9"), 0) << i;
        if (i % 2) {
            ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix 9"), 0) << "again, while open";
        }
        C_SndHex::DrvCloseUsb();
    }
    EXPECT_EQ(entries("/proc/self/fd"), fds);
    EXPECT_EQ(entries("/proc/self/task"), threads);
}

TEST_F(usb_sim, a_process_that_exits_with_the_device_open_ends_with_its_own_status)
{
    // No receive thread in this process when it forks (the child has only the forking one).
    C_SndHex::DrvCloseUsb();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (C_SndHex::DrvInitUsb("Tarvix 9") != 0)
            ::_exit(9);
        std::exit(3);  // the static teardown stops the receive thread
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

}  // namespace
