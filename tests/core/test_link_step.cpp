// The link timer's step without a window: the simulated controller in the process, the
// clock standing still, every step called by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/device/command_mailbox.h"
#include "core/device/link_timer.h"
#include "platform/clock.h"
#include "tests/core/device_sim_fixture.h"

namespace dp = device_protocol;

namespace {

device_frame command(uint8_t cmd, uint8_t marker = 0)
{
    device_frame f = device_frame::make(dp::req_command, dp::count_command);
    f[dp::command_offset] = cmd;
    f[dp::command_offset + 1] = marker;
    return f;
}

class link_step_test : public device_sim_test {
protected:
    void SetUp() override
    {
        device_sim_test::SetUp();
        link_status_reply_hook() = [this](const device_frame& f) {
            paged.push_back(f);
            connected_while_paged = session.connected;
            if (page_reads) {
                // A page cycle: one request of its own, as the manual page makes them.
                uint8_t block[59];
                page_read_ok = dev_query_info(0, block, page_read_error);
            }
        };
    }
    void TearDown() override
    {
        link_status_reply_hook() = nullptr;
        device_sim_test::TearDown();
    }

    // Steps until one ends with `want` (the receive thread hands replies over in real time;
    // each step waits a few ms at most), collecting the events on the way.
    link_step_result step_until(link_event want)
    {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            link_step_result r = link_step(session);
            events.push_back(r.event);
            if (r.event == want || std::chrono::steady_clock::now() > give_up)
                return r;
        }
    }
    // The frames the controller received, in order.
    std::vector<device_frame> wire_in()
    {
        std::vector<device_frame> out;
        for (const auto& e : dev_->log().since(0))
            if (e.direction == sim::wire_direction::in) {
                device_frame f;
                for (size_t i = 0; i < f.bytes.size(); ++i)
                    f[i] = e.frame(i);
                out.push_back(f);
            }
        return out;
    }
    void wait_for_the_reply()
    {
        // The controller answers within the write; the receive thread hands it over soon after.
        ASSERT_TRUE(hid_wait(5000));
    }

    platform::manual_clock clock_;
    platform::scoped_clock use_clock_{clock_};
    link_session session;
    std::vector<device_frame> paged;
    bool connected_while_paged = true;
    std::vector<link_event> events;
    bool page_reads = false;
    bool page_read_ok = true;
    error_record page_read_error;
};

TEST_F(link_step_test, status_exchange_reaches_the_pages_and_brings_the_link_up)
{
    const link_step_result r = step_until(link_event::status_frame);
    ASSERT_EQ(r.event, link_event::status_frame);
    EXPECT_TRUE(events.front() == link_event::status_frame || events.front() == link_event::nothing);
    EXPECT_FALSE(r.was_connected);
    EXPECT_TRUE(session.connected);
    EXPECT_EQ(r.frame.kind(), dp::kind_status);
    // The pages had the reply before the link counted as up.
    ASSERT_EQ(paged.size(), 1u);
    EXPECT_EQ(paged[0].bytes, r.frame.bytes);
    EXPECT_FALSE(connected_while_paged);
    EXPECT_FALSE(dev_exchange().status_in_flight);
    // One request, however many steps waited for it.
    const auto in = wire_in();
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].type(), dp::req_status);

    // The next step asks again and the link stays up.
    EXPECT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
    EXPECT_TRUE(session.connected);
    EXPECT_EQ(wire_in().size(), 2u);
}

TEST_F(link_step_test, queued_commands_go_out_before_the_status_request_and_leave_when_booked)
{
    ASSERT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
    struct row {
        const char* what;
        uint8_t cmd;
        int queued_after_send;  // a step command leaves the queue as it goes out
    };
    const row rows[] = {
        {"stop", dp::cmd_stop, 1},
        {"step plus", dp::cmd_step_plus, 0},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.what);
        const size_t before = wire_in().size();
        queue_request(command(c.cmd, 7));
        const link_step_result sent = link_step(session);
        EXPECT_EQ(sent.event, link_event::command_sent);
        EXPECT_EQ(command_mailbox().count, c.queued_after_send);
        EXPECT_TRUE(dev_exchange().command_in_flight);

        // Nothing more goes out while the acknowledge is due.
        wait_for_the_reply();
        const link_step_result ack = link_step(session);
        EXPECT_EQ(ack.event, link_event::command_frame);
        EXPECT_FALSE(ack.request_sent);
        EXPECT_EQ(command_mailbox().count, 0);
        EXPECT_FALSE(dev_exchange().command_in_flight);

        const auto in = wire_in();
        ASSERT_EQ(in.size(), before + 1);
        EXPECT_EQ(in.back()[dp::command_offset], c.cmd);
        EXPECT_EQ(in.back()[dp::command_offset + 1], 7);
    }
    // With the queue empty the status request is due again.
    EXPECT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
}

TEST_F(link_step_test, device_error_is_handed_up_and_its_command_booked)
{
    ASSERT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
    struct row {
        const char* fault;
        int32_t code, argument;
    };
    const row rows[] = {
        {"error type=0x02 code=19 ttype=3 count=3 arg=4", 19, 4},
        {"error type=0x02 code=21 ttype=3 count=2", 21, 0},  // no argument carried
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.fault);
        arm(c.fault);
        queue_request(command(dp::cmd_start));
        ASSERT_EQ(link_step(session).event, link_event::command_sent);
        wait_for_the_reply();
        const link_step_result r = link_step(session);
        ASSERT_EQ(r.event, link_event::device_error);
        EXPECT_EQ(r.error.type, err_type_device);
        EXPECT_EQ(r.error.code, c.code);
        EXPECT_EQ(r.error.severity, err_severity_error);
        EXPECT_EQ(r.error.argument_kind, err_arg_once);
        EXPECT_EQ(r.error.argument, c.argument);
        EXPECT_EQ(command_mailbox().count, 0);
        EXPECT_TRUE(paged.size() == 1u);
    }
}

TEST_F(link_step_test, a_device_error_does_not_bring_a_down_link_up)
{
    arm("error type=0x02 code=19 ttype=3 count=3 arg=4");
    queue_request(command(dp::cmd_start));
    ASSERT_EQ(link_step(session).event, link_event::command_sent);
    wait_for_the_reply();
    const link_step_result r = link_step(session);
    ASSERT_EQ(r.event, link_event::device_error);
    EXPECT_FALSE(session.connected);
}

TEST_F(link_step_test, silence_past_the_reply_ticks_loses_the_link_and_drops_the_queue)
{
    ASSERT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
    g_link_settings().reply_ticks = 3;
    arm("drop times=1000");
    g_device().loader_state = true;

    // The request goes out; two silent steps count down; the third gives the link up.
    link_step_result r = link_step(session);
    EXPECT_TRUE(r.request_sent);
    EXPECT_EQ(r.event, link_event::nothing);
    EXPECT_EQ(session.reply_countdown, 2);
    // A command queued meanwhile waits behind the status request in flight.
    queue_request(command(dp::cmd_stop));
    r = link_step(session);
    EXPECT_EQ(r.event, link_event::nothing);
    EXPECT_TRUE(session.connected);
    EXPECT_EQ(command_mailbox().count, 1);
    r = link_step(session);
    EXPECT_EQ(r.event, link_event::lost);
    EXPECT_TRUE(r.went_down);
    EXPECT_TRUE(r.was_connected);
    EXPECT_FALSE(session.connected);
    EXPECT_EQ(session.reply_countdown, 0);
    EXPECT_EQ(command_mailbox().count, 0);
    EXPECT_FALSE(g_device().loader_state);
    EXPECT_FALSE(dev_exchange().status_in_flight);

    // While the link is down, a queued command is sent but dropped unless a reply comes.
    queue_request(command(dp::cmd_stop));
    r = link_step(session);
    EXPECT_EQ(r.event, link_event::command_sent);
    r = link_step(session);
    EXPECT_EQ(r.event, link_event::nothing);
    EXPECT_FALSE(r.went_down);
    EXPECT_EQ(command_mailbox().count, 0);
    EXPECT_FALSE(dev_exchange().command_in_flight);
}

TEST_F(link_step_test, an_unplug_takes_the_link_down_at_once)
{
    ASSERT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
    arm("unplug");
    queue_request(command(dp::cmd_stop));
    const link_step_result r = step_until(link_event::unplugged);
    ASSERT_EQ(r.event, link_event::unplugged);
    EXPECT_TRUE(r.went_down);
    EXPECT_FALSE(session.connected);
    EXPECT_EQ(command_mailbox().count, 0);
    EXPECT_FALSE(dev_exchange().command_in_flight);
}

// The link tells an unplug to the first poller only. When that is an exchange, the step still
// takes the link down at once, not after the reply countdown.
TEST_F(link_step_test, an_unplug_met_by_an_exchange_of_the_page_cycles_takes_the_link_down_in_that_step)
{
    ASSERT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
    page_reads = true;
    arm("unplug type=0x2A");  // the controller leaves instead of answering the page's request
    const size_t before = paged.size();
    link_step_result r;
    while (paged.size() == before)
        r = link_step(session);
    EXPECT_FALSE(page_read_ok);
    EXPECT_EQ(page_read_error.type, err_type_usb_host);
    EXPECT_EQ(page_read_error.code, hid_status_unplugged);
    // The step that ran the page cycle ends with the unplug, the reply it took brings nothing up.
    EXPECT_EQ(r.event, link_event::unplugged);
    EXPECT_TRUE(r.went_down);
    EXPECT_FALSE(r.frame_taken());
    EXPECT_FALSE(session.connected);
    EXPECT_FALSE(dev_exchange().unplug_met);
    EXPECT_FALSE(dev_exchange().status_in_flight);
}

TEST_F(link_step_test, an_unplug_met_by_an_exchange_between_steps_is_taken_by_the_next_step)
{
    ASSERT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
    arm("unplug type=0x2A");
    uint8_t block[59];
    error_record e;
    EXPECT_FALSE(dev_query_info(0, block, e));
    EXPECT_EQ(e.code, hid_status_unplugged);
    queue_request(command(dp::cmd_stop));  // cannot go out, and does not hold the unplug back
    const link_step_result r = link_step(session);
    EXPECT_EQ(r.event, link_event::unplugged);
    EXPECT_TRUE(r.went_down);
    EXPECT_FALSE(session.connected);
    EXPECT_EQ(command_mailbox().count, 0);
    // Taken once: the next step finds nothing to take down.
    EXPECT_FALSE(link_step(session).went_down);
}

TEST_F(link_step_test, an_unplug_while_the_status_request_is_out_ends_the_wait_for_it_at_once)
{
    ASSERT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
    arm("drop type=0x21");
    ASSERT_TRUE(link_step(session).request_sent);
    ASSERT_TRUE(dev_exchange().status_in_flight);
    fake_.unplug(dev_->path());
    // The clock stands still: only the unplug can end this wait before its 10 s.
    const auto t0 = std::chrono::steady_clock::now();
    error_record e;
    EXPECT_FALSE(dev_wait_idle_or_error(e));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_EQ(e.type, err_type_usb_host);
    EXPECT_EQ(e.code, hid_status_unplugged);
    EXPECT_EQ(link_step(session).event, link_event::unplugged);
    EXPECT_FALSE(session.connected);
}

TEST_F(link_step_test, a_command_that_cannot_go_out_to_a_controller_gone_does_not_hold_its_unplug_back)
{
    ASSERT_EQ(step_until(link_event::status_frame).event, link_event::status_frame);
    fake_.unplug(dev_->path());
    ASSERT_TRUE(hid_wait(5000));  // the receive thread has seen it
    queue_request(command(dp::cmd_stop));
    const link_step_result r = link_step(session);
    EXPECT_EQ(r.event, link_event::unplugged);
    EXPECT_TRUE(r.went_down);
    EXPECT_EQ(command_mailbox().count, 0);
}

TEST_F(link_step_test, a_transfer_owning_the_link_keeps_the_step_away)
{
    queue_request(command(dp::cmd_stop));
    g_dev_commands().exchange_busy = 1;
    EXPECT_EQ(link_step(session).event, link_event::busy);
    g_dev_commands().exchange_busy = 0;
    EXPECT_TRUE(wire_in().empty());
    EXPECT_EQ(command_mailbox().count, 1);
}

}  // namespace
