// The tvxsim server's control socket and its paced mode.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/image/byte_record.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "tests/core/link_test_util.h"
#include "tests/sim/tvxsim_process.h"

namespace dp = device_protocol;

TEST(Tvxsim, ControlCommandsAnswerOkOrAClearError)
{
    testing_support::tvxsim_process sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    auto& c = sim.control();
    std::string r;
    struct row {
        const char* line;
        bool ok;
    };
    const row rows[] = {
        {"ping", true},
        {"profile basic", true},
        {"profile nonesuch", false},
        {"profile premium-dn", true},
        {"profile premium-pm-dn", true},
        {"selftest rate=10 samples=100 serial=1234567890 time-factor=-3", true},
        {"selftest rate=0", false},
        {"selftest colour=3", false},
        {"error-add code=5 values=1,2,3 status=01-02-03-04-05-06-07-08 power-on=1", true},
        {"error-add bogus=1", false},
        {"error-clear", true},
        {"cycle side=left", true},
        {"cycle side=up", false},
        {"profile premium-24", true},
        {"teach-next ok 12345", true},
        {"teach-next ok -5 0x10", true},
        {"teach-next ko", true},
        {"teach-next ok", false},
        {"teach-next ok 1 2 3", false},
        {"teach-next maybe 3", false},
        {"teach-next ko 4", false},
        {"status 4 1 2 3", true},
        {"status 3 1", false},
        {"status 62 1 2", false},
        {"status 4 256", false},
        {"status-count 60", false},
        {"param 5 -7", true},
        {"param 5", true},
        {"param 4711", false},
        {"fault drop type=0x21", true},
        {"fault burn", false},
        {"faults-clear", true},
        {"pace maybe", false},
        {"looks x", false},
        {"launch", false},
        {"", false},
        {"personality", true},
        {"memory-write 0xC0000 0102ff", true},
        {"memory-write 0xC0000 01x2", false},
        {"memory-read 0xC0000 4097", false},
        {"erase-delay 10", true},
        {"restart-delays 0 300", true},
        {"restart-delays 5", false},
        {"loader-fault abort at=2 reason=16", true},
        {"loader-fault delay ms=5 times=3", true},
        {"loader-fault melt", false},
        {"loader-fault drop at=0", false},
        {"loader-faults-clear", true},
        {"loader-log", true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(c.command(row.line, &r), row.ok) << row.line << ": " << r;
    ASSERT_TRUE(c.command("memory-read 0xBFFFF 5", &r));
    EXPECT_EQ(r, "FF0102FFFF");
    int32_t v = 0;
    ASSERT_TRUE(c.parameter(5, v));
    EXPECT_EQ(v, -7);
    std::vector<std::string> lines;
    ASSERT_TRUE(c.command("profiles", nullptr, &lines));
    EXPECT_GE(lines.size(), 3u);
    EXPECT_NE(c.counters().find("plugged=1"), std::string::npos);
}

TEST(Tvxsim, ControlClientSendingNoLineEndIsDropped)
{
    testing_support::tvxsim_process sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = sim.folder() + "/control";
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << std::strerror(errno);
    const std::string chunk(4096, 'x');
    bool closed = false;
    for (int i = 0; i < 64 && !closed; ++i)  // up to 256 KiB, far beyond any command
        closed = ::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0;
    pollfd p{fd, POLLIN, 0};
    char c;
    closed = closed || (::poll(&p, 1, 20000) == 1 && ::recv(fd, &c, 1, 0) <= 0);
    ::close(fd);
    EXPECT_TRUE(closed);
    // Other clients are served on.
    EXPECT_TRUE(sim.control().command("ping", nullptr));
}

TEST(Tvxsim, PacedExchangesAndTheLoaderProfile)
{
    hid_link_reset_for_tests();
    {
        testing_support::tvxsim_process sim({"--pace", "--profile", "loader"});
        ASSERT_TRUE(sim.ok()) << sim.error();
        error_record e;
        ASSERT_TRUE(hid_open(e));
        hid_receive_thread thread;
        thread.start();
        device_frame reply;
        for (int i = 0; i < 20; ++i) {
            ASSERT_TRUE(dev_transact(make_status_request(), reply.data(), e)) << e.code;
            EXPECT_EQ(reply.data_count(), 0);
            EXPECT_EQ(reply.u32(4), dp::loader_status_word);
        }
        EXPECT_FALSE(dev_transact(link_test::read_parameter_request(28), reply.data(), e));
        EXPECT_EQ(e.code, dp::device_error_loader_only);
        ASSERT_TRUE(sim.control().load_profile("premium"));
        ASSERT_TRUE(dev_transact(link_test::read_parameter_request(28), reply.data(), e)) << e.code;
    }
    hid_link_reset_for_tests();
}

TEST(Tvxsim, LiveProcessMonitorCyclesRunInRealTime)
{
    // With live mode on, a cycle's entries come one per sampling period of real time, with no
    // status request at all: the ring reads below are the only requests.
    hid_link_reset_for_tests();
    {
        testing_support::tvxsim_process sim({"--profile", "premium-pm"});
        ASSERT_TRUE(sim.ok()) << sim.error();
        auto& c = sim.control();
        std::string r;
        ASSERT_TRUE(c.command("program demo", &r)) << r;
        ASSERT_TRUE(c.command("param 92 10", &r)) << r;  // 10 ms
        ASSERT_TRUE(c.command("live on 1", &r)) << r;    // the next demo start is 10 s away
        error_record e;
        ASSERT_TRUE(hid_open(e));
        hid_receive_thread thread;
        thread.start();
        uint8_t block[dp::info_block_size];
        const uint8_t* ring = block + 1;  // head, n, time of the oldest, 26 slots
        auto entry = [&](int k) {  // the kth of the n unread entries, oldest first
            return le::i16(ring + 6 + 2 * ((ring[0] - ring[1] + k + 26) % 26));
        };

        // 200 samples: two seconds. Read at once, only its start has come.
        const auto started = std::chrono::steady_clock::now();
        ASSERT_TRUE(c.command("pm-cycle samples=200 rate=1 tool=0", &r)) << r;
        ASSERT_TRUE(dev_query_info(dp::info_pm_ring, block, e)) << e.code;
        ASSERT_GE(ring[1], 1);
        ASSERT_LT(ring[1], 26);
        EXPECT_EQ(entry(0), int16_t(-32768));
        for (int k = 1; k < ring[1]; ++k)
            EXPECT_NE(entry(k), int16_t(-32766)) << k;
        const int32_t startTime = le::i32(ring + 2);

        // Past its end: the ring has run over, the last entry is the end marker, the oldest
        // kept is entry 176 of 202 at 176 sampling periods after the start, and the record
        // was stored.
        std::this_thread::sleep_until(started + std::chrono::milliseconds(2300));
        ASSERT_TRUE(dev_query_info(dp::info_pm_ring, block, e)) << e.code;
        ASSERT_EQ(ring[1], 26);
        EXPECT_EQ(entry(25), int16_t(-32766));
        for (int k = 0; k < 25; ++k)
            EXPECT_GT(entry(k), int16_t(-32765)) << k;
        EXPECT_EQ(le::i32(ring + 2), startTime + 176 * 10);
        ASSERT_TRUE(dev_query_info(dp::info_pm_count, block, e)) << e.code;
        EXPECT_EQ(le::i16(block + 17), 1);
        thread.stop_and_wait();
    }
    hid_link_reset_for_tests();
}
