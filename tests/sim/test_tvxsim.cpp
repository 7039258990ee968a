// The tvxsim server's control socket and its paced mode.
#include <gtest/gtest.h>

#include "core/hid_receive_thread.h"
#include "core/device_exchange.h"
#include "core/hid_link.h"
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
    };
    for (const auto& row : rows)
        EXPECT_EQ(c.command(row.line, &r), row.ok) << row.line << ": " << r;
    int32_t v = 0;
    ASSERT_TRUE(c.parameter(5, v));
    EXPECT_EQ(v, -7);
    std::vector<std::string> lines;
    ASSERT_TRUE(c.command("profiles", nullptr, &lines));
    EXPECT_GE(lines.size(), 3u);
    EXPECT_NE(c.counters().find("plugged=1"), std::string::npos);
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
