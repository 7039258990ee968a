// The command set against the tvxsim server process: a profile chosen through the control
// socket, the system information read through the HID sockets, and the long writes checked
// in the server's own state.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/device/link_timer.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "tests/core/core_fixture.h"
#include "tests/sim/tvxsim_process.h"

namespace {

namespace dp = device_protocol;

class CommandsServer : public core_test {
protected:
    void SetUp() override
    {
        core_test::SetUp();
        sim_ = std::make_unique<testing_support::tvxsim_process>();
        ASSERT_TRUE(sim_->ok()) << sim_->error();
        error_record e;
        ASSERT_TRUE(hid_open(e)) << e.code;
        thread_.start();
    }
    void TearDown() override
    {
        thread_.stop_and_wait();
        core_test::TearDown();
        sim_.reset();
    }
    std::string ask(const std::string& line)
    {
        std::string result;
        EXPECT_TRUE(sim_->control().command(line, &result)) << line << ": " << result;
        return result;
    }

    std::unique_ptr<testing_support::tvxsim_process> sim_;
    hid_receive_thread thread_;
};

TEST_F(CommandsServer, ProfilesRecordsAndStreamThroughTheServer)
{
    ask("profile premium-pm-x");
    error_record e;
    ASSERT_TRUE(dev_read_system_info(e)) << e.type << "/" << e.code;
    EXPECT_EQ(g_device().family_code, 0x34);
    EXPECT_TRUE(g_device_info().extended_valid);
    EXPECT_TRUE(g_device_info().profinet_present);
    EXPECT_TRUE(device_has_pm());

    // A block changed through the control socket shows in the next read.
    ask("info-count 2 17");
    ASSERT_TRUE(dev_read_system_info(e));
    EXPECT_EQ(g_device_info().article_number, 5206718u);

    std::vector<uint8_t> config(2016, 0x5A);
    config[0] = 9;
    config[1] = config[2] = config[3] = 0;
    ASSERT_TRUE(dev_write_records36(config.data(), "K9", e)) << e.code;
    EXPECT_EQ(ask("records36"), "complete=1 received=0xfffffffff config=9");

    std::vector<uint8_t> stream(55, 0x11);
    ASSERT_TRUE(dev_write_stream(stream.data(), uint32_t(stream.size()), e));
    EXPECT_EQ(ask("stream"), "bytes=108 complete=1");

    std::vector<uint8_t> block(56, 0x42);
    block[0] = 'U';
    block[1] = 0;
    ASSERT_TRUE(dev_write_scanner_block(0x80, 0, block.data(), e));
    EXPECT_EQ(ask("scanner-set 0x80"), "U");
    EXPECT_EQ(ask("scanner-set 0x81"), "missing");
    EXPECT_EQ(ask("scanner-set 0"), "P003 S20 long");

    ask("profile loader");
    EXPECT_FALSE(dev_read_system_info(e));
    EXPECT_EQ(e.code, 10);
}

TEST_F(CommandsServer, ProcessDataSetThroughTheServerArrivesInItsThreePieces)
{
    // A controller without a fieldbus image: the block starts all zero.
    ask("profile premium-21");
    // Bytes across both piece borders and the block's last byte.
    error_record e;
    ask("process-data 0 0x01 0x00 0x00 0x00");
    ask("process-data 56 0xA1 0xA2 0xA3 0xA4");
    ask("process-data 114 0xB1 0xB2 0xB3 0xB4");
    ask("process-data 139 0xEE");
    for (int type = 0; type < 3; ++type)
        ASSERT_TRUE(dev_query_info_typed(type, e)) << type << ": " << e.code;
    const auto& b = g_dev_commands().process_data;
    const std::pair<size_t, uint8_t> expected[] = {{0, 0x01}, {56, 0xA1}, {57, 0xA2}, {58, 0xA3}, {59, 0xA4},
                                                   {114, 0xB1}, {115, 0xB2}, {116, 0xB3}, {117, 0xB4},
                                                   {139, 0xEE}, {138, 0x00}};
    for (const auto& [at, value] : expected)
        EXPECT_EQ(b[at], value) << at;

    // Out of the block, or not a byte: refused, the block unchanged.
    std::string r;
    for (const char* line : {"process-data 139 1 2", "process-data -1 1", "process-data 140 1", "process-data 5",
                             "process-data 0 9 256"})
        EXPECT_FALSE(sim_->control().command(line, &r)) << line;
    ASSERT_TRUE(dev_query_info_typed(0, e));
    EXPECT_EQ(b[0], 0x01);
}

// A page's request sent while the link timer's Start or Teach still waits for its acknowledge
// waits for that acknowledge first: the controller answers in order, and the acknowledge taken
// as the request's reply would fail it (host error 7).
TEST_F(CommandsServer, ARequestWaitsForTheAcknowledgeOfACommandStillInFlight)
{
    ask("pace on");  // replies leave in order, one per USB frame
    link_session session;
    for (uint8_t command : {dp::cmd_start, dp::cmd_teach}) {
        SCOPED_TRACE(int(command));
        ask("fault delay type=0x02 ms=300");
        device_frame f = device_frame::make(dp::req_command, dp::count_command);
        f[dp::command_offset] = command;
        queue_set_single(f);
        ASSERT_EQ(link_step(session).event, link_event::command_sent);
        ASSERT_TRUE(dev_exchange().command_in_flight);
        uint8_t block[59];
        error_record e;
        EXPECT_TRUE(dev_query_info(0, block, e)) << e.type << "/" << e.code;
        EXPECT_FALSE(dev_exchange().command_in_flight);
        EXPECT_EQ(command_mailbox().count, 0);  // the acknowledge was booked
    }
}

}  // namespace
