// The link, the receive thread and the exchange on the scripted HID fake.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <utility>

#include "core/device/command_mailbox.h"
#include "core/device/device_exchange.h"
#include "core/link/hid_link.h"
#include "core/link/hid_link_state.h"
#include "core/link/hid_receive_thread.h"
#include "platform/clock.h"
#include "platform/hid_fake.h"
#include "tests/core/link_test_util.h"

namespace dp = device_protocol;
using platform::hid_fake_backend;
using link_test::wait_until;

namespace {

// A clock that stands still, except that it jumps once after a given number of reads, or
// moves on by a fixed step at every read.
class scripted_clock final : public platform::clock {
public:
    uint32_t now_ms() override
    {
        std::lock_guard<std::mutex> l(m_);
        if (countdown_ > 0 && --countdown_ == 0)
            now_ += jump_;
        now_ += step_;
        return now_;
    }
    void sleep_ms(uint32_t ms) override
    {
        std::lock_guard<std::mutex> l(m_);
        now_ += ms;
    }
    void jump_after(int reads, uint32_t ms)
    {
        std::lock_guard<std::mutex> l(m_);
        countdown_ = reads;
        jump_ = ms;
    }
    void step_each_read(uint32_t ms)
    {
        std::lock_guard<std::mutex> l(m_);
        step_ = ms;
    }

private:
    std::mutex m_;
    uint32_t now_ = 5000;
    int countdown_ = 0;
    uint32_t jump_ = 0;
    uint32_t step_ = 0;
};

std::vector<uint8_t> report_of(const device_frame& f, size_t length = 65, uint8_t length_byte = 63)
{
    std::vector<uint8_t> r(length, 0);
    r[1] = length_byte;
    std::memcpy(r.data() + 2, f.data(), std::min<size_t>(63, length - 2));
    return r;
}

device_frame reply_frame(uint8_t type, uint8_t count = 0)
{
    return device_frame::make(type, count);
}

class HidLinkFake : public ::testing::Test {
protected:
    void SetUp() override
    {
        hid_link_reset_for_tests();
        dev_exchange_reset_for_tests();
        queue_clear();
        platform::hid_install_backend(&fake_);
    }
    void TearDown() override
    {
        thread_.reset();
        hid_link_reset_for_tests();
        platform::hid_install_backend(nullptr);
    }
    void open(hid_fake_backend::interface_spec spec = {})
    {
        path_ = fake_.add(spec);
        error_record e;
        ASSERT_TRUE(hid_open(e));
    }
    void start_receiving()
    {
        thread_ = std::make_unique<hid_receive_thread>();
        thread_->start();
    }
    // Puts a report into the mailbox as the receive thread would.
    void deliver(const std::vector<uint8_t>& r)
    {
        auto& s = hid_state();
        std::lock_guard<std::mutex> l(s.mailbox_lock);
        std::memcpy(s.report.data(), r.data(), std::min(r.size(), s.report.size()));
        s.received_count = uint32_t(r.size());
    }

    hid_fake_backend fake_;
    std::string path_;
    std::unique_ptr<hid_receive_thread> thread_;
};

TEST_F(HidLinkFake, SendWritesOneWholeReportWithTheCounterInFrameByteZero)
{
    open();
    device_frame f = make_status_request();
    f[0] = 0xEE;
    f[62] = 0x5A;
    error_record e;
    ASSERT_TRUE(hid_send_frame(f.data(), 63, e));
    ASSERT_TRUE(hid_send_frame(f.data(), 63, e));
    auto w = fake_.writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].size(), 65u);
    EXPECT_EQ(w[0][0], 0);
    EXPECT_EQ(w[0][1], 63);
    EXPECT_EQ(w[0][2], 0);  // counter, not the builder's byte
    EXPECT_EQ(w[1][2], 1);
    EXPECT_EQ(w[0][3], 0xBB);
    EXPECT_EQ(w[0][64], 0x5A);

    uint8_t big[64] = {};
    EXPECT_FALSE(hid_send_frame(big, 64, e));
    EXPECT_EQ(e.code, hid_code_bad_length);
    EXPECT_EQ(fake_.writes().size(), 2u);
}

TEST_F(HidLinkFake, FrameLongerThanTheDeclaredOutputReportIsRefused)
{
    hid_fake_backend::interface_spec spec;
    spec.output_report_length = 40;
    open(spec);
    error_record e;
    device_frame f = make_status_request();
    EXPECT_FALSE(hid_send_frame(f.data(), 63, e));
    EXPECT_EQ(e.code, hid_code_bad_length);
    EXPECT_TRUE(hid_send_frame(f.data(), 38, e));
    EXPECT_EQ(fake_.writes().at(0).size(), 40u);
}

TEST_F(HidLinkFake, TelegramCounterAdvancesOnlyOnCompletedPendingWrites)
{
    platform::manual_clock clock;
    platform::scoped_clock use(clock);
    open();
    struct row {
        hid_fake_backend::write_mode mode;
        bool ok;
        int32_t code;
        int advance;
    };
    const row rows[] = {
        {hid_fake_backend::write_mode::pending, true, 0, 1},
        {hid_fake_backend::write_mode::immediate, true, 0, 0},
        {hid_fake_backend::write_mode::short_pending, false, hid_code_short_pending_write, 0},
        {hid_fake_backend::write_mode::short_immediate, false, hid_code_bad_length, 0},
        {hid_fake_backend::write_mode::fail, false, 1167, 0},
        {hid_fake_backend::write_mode::stall, false, hid_code_write_timeout, 0},
        {hid_fake_backend::write_mode::pending, true, 0, 1},  // a stalled write does not block the next
    };
    for (const auto& r : rows) {
        fake_.set_write_mode(r.mode, 1167);
        uint8_t before = hid_telegram_counter();
        error_record e;
        EXPECT_EQ(hid_send_frame(make_status_request().data(), 63, e), r.ok) << int(r.mode);
        EXPECT_EQ(e.code, r.code) << int(r.mode);
        EXPECT_EQ(hid_telegram_counter(), uint8_t(before + r.advance)) << int(r.mode);
    }
    fake_.set_write_mode(hid_fake_backend::write_mode::pending);
    uint8_t start = hid_telegram_counter();
    error_record e;
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(hid_send_frame(make_status_request().data(), 63, e));
    EXPECT_EQ(hid_telegram_counter(), start);
}

TEST_F(HidLinkFake, SendWhileDownFailsAtOnceWithCodeTen)
{
    error_record e;
    EXPECT_FALSE(hid_send_frame(make_status_request().data(), 63, e));
    EXPECT_EQ(e.code, hid_code_no_device);
    EXPECT_FALSE(hid_open(e));
    EXPECT_EQ(e.code, hid_code_no_device);
}

TEST_F(HidLinkFake, TakeFrameChecksTheReport)
{
    struct row {
        uint16_t declared;
        size_t received;
        uint8_t length_byte;
        bool ok;
    };
    const row rows[] = {
        {65, 65, 63, true},
        {65, 65, 64, false},  // length byte too large
        {65, 64, 63, false},  // read shorter than the declared report
        {65, 66, 63, false},  // longer
        {40, 40, 63, false},  // the length byte points past the bytes received
        {40, 40, 38, true},
        {65, 65, 0, true},
    };
    for (const auto& r : rows) {
        hid_link_reset_for_tests();
        hid_fake_backend::interface_spec spec;
        spec.input_report_length = r.declared;
        hid_fake_backend f2;
        platform::hid_install_backend(&f2);
        f2.add(spec);
        error_record e;
        ASSERT_TRUE(hid_open(e));
        device_frame frame = make_status_request();
        std::vector<uint8_t> rep(r.received, 0);
        rep[1] = r.length_byte;
        std::memcpy(rep.data() + 2, frame.data(), std::min<size_t>(63, r.received - 2));
        deliver(rep);
        uint8_t out[63];
        uint16_t n = 99;
        EXPECT_EQ(hid_take_frame(out, n, e), r.ok) << r.declared << " " << r.received << " " << int(r.length_byte);
        EXPECT_EQ(e.code, r.ok ? 0 : hid_code_bad_report);
        EXPECT_EQ(n, r.ok ? r.length_byte : 0);
        EXPECT_FALSE(hid_poll(e));  // consumed either way
        hid_link_reset_for_tests();
        platform::hid_install_backend(&fake_);
    }
}

TEST_F(HidLinkFake, SearchSkipsUnreadableProductsAndRefusedWriteOpens)
{
    hid_fake_backend::interface_spec unreadable, refusing, good;
    unreadable.product_readable = false;
    refusing.refuse_write_open = true;
    fake_.add(unreadable);
    fake_.add(refusing);
    std::string good_path = fake_.add(good);
    error_record e;
    ASSERT_TRUE(hid_open(e));
    EXPECT_EQ(fake_.open_devices(), 2);  // the read and write handle of the third
    EXPECT_TRUE(hid_send_frame(make_status_request().data(), 63, e));
    EXPECT_EQ(fake_.writes().size(), 1u);
}

TEST_F(HidLinkFake, ReceiveThreadReportsReadErrorsOnceAndReadsOn)
{
    open();
    start_receiving();
    fake_.push_read_error(31);
    error_record e;
    ASSERT_TRUE(wait_until([&] { return hid_poll(e); }));
    EXPECT_EQ(e.code, hid_status_read_error);
    EXPECT_EQ(hid_receive_sub_code(), hid_sub_completion_failed);
    EXPECT_EQ(hid_last_system_error(), 31u);
    EXPECT_FALSE(hid_poll(e));

    // The sub-code tells where the read failed.
    const std::pair<platform::hid_io_stage, int32_t> stages[] = {
        {platform::hid_io_stage::wait, hid_sub_wait_failed},
        {platform::hid_io_stage::start, hid_sub_read_not_started},
    };
    for (const auto& st : stages) {
        fake_.push_read_error(1, "fake:0", st.first);
        ASSERT_TRUE(wait_until([&] { return hid_poll(e); }));
        EXPECT_EQ(e.code, hid_status_read_error);
        EXPECT_EQ(hid_receive_sub_code(), st.second);
    }

    // Two reports before the GUI polls: only the second is taken.
    fake_.push_report(report_of(reply_frame(0x21, 1)));
    fake_.push_report(report_of(reply_frame(0x21, 2)));
    ASSERT_TRUE(wait_until([&] { return hid_reports_received() == 2; }));
    ASSERT_TRUE(hid_poll(e));
    uint8_t out[63];
    uint16_t n;
    ASSERT_TRUE(hid_take_frame(out, n, e));
    EXPECT_EQ(out[3], 2);
    EXPECT_FALSE(hid_poll(e));
}

TEST_F(HidLinkFake, UnplugReportsTenAndReopensAfterTheInterval)
{
    open();
    hid_settings().reopen_interval_ms = 20;
    start_receiving();
    fake_.unplug(path_);
    error_record e;
    ASSERT_TRUE(wait_until([&] { return hid_poll(e); }));
    EXPECT_EQ(e.code, hid_status_unplugged);
    EXPECT_FALSE(hid_link_up());
    fake_.replug(path_);
    ASSERT_TRUE(wait_until([&] { return hid_link_up(); }));
    EXPECT_FALSE(hid_poll(e));
    EXPECT_TRUE(hid_send_frame(make_status_request().data(), 63, e));
}

TEST_F(HidLinkFake, OpenLeavesTheHandlesToARunningReceiveThread)
{
    // The link timer opens the link whenever it is down; while the receive thread runs, a
    // search of its own would replace the handle that thread is reading from. The thread
    // waits a long reopen interval here, so only a search by the open could find the device.
    open();
    start_receiving();
    hid_settings().reopen_interval_ms = 600000;
    fake_.unplug(path_);
    error_record e;
    ASSERT_TRUE(wait_until([&] { return hid_poll(e); }));
    fake_.replug(path_);
    const int looks_before = fake_.looks(path_);
    EXPECT_FALSE(hid_open(e));
    EXPECT_NE(e.code, 0);
    EXPECT_EQ(fake_.looks(path_), looks_before);
    EXPECT_FALSE(hid_link_up());
}

TEST(DeviceExchange, ReplyClassification)
{
    struct row {
        uint8_t request_type, reply_type, count, b4, b5, b6;
        int32_t code;
        int16_t type, kind;
        int32_t argument;
    };
    const row rows[] = {
        {0x23, 0x23, 6, 0, 0, 0, 0, 0, 0, 0},
        {0x23, 0x63, 2, 0, 0, 0, 0, 0, 0, 0},          // "no data" is no error here
        {0x23, 0x21, 50, 0, 0, 0, 7, 1, 0, 0},         // another kind
        {0x23, 0xA1, 2, 5, 3, 9, 7, 1, 0, 0},          // an error reply of another kind is another kind
        {0x23, 0xA3, 2, 5, 3, 9, 5, 3, 1, 0},          // count 2: no argument
        {0x23, 0xA3, 3, 30, 3, 9, 30, 3, 1, 9},        // count 3: argument byte 6
        {0x02, 0x82, 0, 17, 2, 200, 17, 2, 1, 200},    // count 0 still takes byte 6
        {0x2A, 0x8A, 3, 0, 0, 0, 7, 1, 0, 0},          // an error reply with code 0 is a wrong reply
    };
    for (const auto& r : rows) {
        device_frame req = device_frame::make(r.request_type, 2);
        device_frame rep = device_frame::make(r.reply_type, r.count);
        rep[4] = r.b4;
        rep[5] = r.b5;
        rep[6] = r.b6;
        error_record e;
        dev_classify_reply(req.data(), rep.data(), e);
        SCOPED_TRACE(int(r.reply_type));
        EXPECT_EQ(e.code, r.code);
        if (r.code) {
            EXPECT_EQ(e.type, r.type);
            EXPECT_EQ(e.argument_kind, r.kind);
            EXPECT_EQ(e.argument, r.argument);
            EXPECT_EQ(e.severity, err_severity_error);
        }
    }
}

TEST_F(HidLinkFake, ReplyTakenAfterTheDeadlineCountsAsNoReply)
{
    scripted_clock clock;
    platform::scoped_clock use(clock);
    open();
    start_receiving();
    // The reply is in the mailbox before the exchange first looks, but the clock passes
    // the deadline between the start of the wait and the test after taking it.
    fake_.on_write([&](const std::vector<uint8_t>&) {
        uint64_t before = hid_reports_received();
        fake_.push_report(report_of(reply_frame(0x23, 6)));
        wait_until([&] { return hid_reports_received() > before; });
        clock.jump_after(2, 500);
    });
    device_frame reply;
    error_record e;
    EXPECT_FALSE(dev_send_and_wait(link_test::read_parameter_request(1), reply.data(), 100, e));
    EXPECT_EQ(e.code, hid_code_no_reply);
    EXPECT_EQ(e.type, err_type_usb_host);

    // Without the jump the same reply is good.
    fake_.on_write([&](const std::vector<uint8_t>&) { fake_.push_report(report_of(reply_frame(0x23, 6))); });
    EXPECT_TRUE(dev_send_and_wait(link_test::read_parameter_request(1), reply.data(), 100, e)) << e.code;
}

TEST_F(HidLinkFake, MissingReplyEndsInRealTimeWhenTheClockStandsStill)
{
    platform::manual_clock clock;
    platform::scoped_clock use(clock);
    open();
    start_receiving();
    device_frame reply;
    error_record e;
    EXPECT_FALSE(dev_send_and_wait(make_status_request(), reply.data(), 10, e));
    EXPECT_EQ(e.code, hid_code_no_reply);
}

TEST_F(HidLinkFake, StaleReportIsDroppedBeforeTheRequestIsSent)
{
    open();
    start_receiving();
    fake_.push_report(report_of(reply_frame(0x23, 6)));
    ASSERT_TRUE(wait_until([&] { return hid_reports_received() == 1; }));
    fake_.on_write([&](const std::vector<uint8_t>&) { fake_.push_report(report_of(reply_frame(0x21, 50))); });
    device_frame reply;
    error_record e;
    EXPECT_TRUE(dev_send_and_wait(make_status_request(), reply.data(), 5000, e)) << e.code;
    EXPECT_EQ(reply.kind(), dp::kind_status);
}

TEST_F(HidLinkFake, WaitIdleSettlesWhatTheLinkTimerHasInFlight)
{
    scripted_clock clock;
    platform::scoped_clock use(clock);
    open();
    start_receiving();
    auto& x = dev_exchange();
    EXPECT_TRUE(dev_wait_idle());

    // A status reply after another report: the other is dropped, the status kept.
    x.status_in_flight = true;
    fake_.push_report(report_of(reply_frame(0x23, 6)));
    ASSERT_TRUE(wait_until([&] { return hid_reports_received() == 1; }));
    fake_.push_report(report_of(reply_frame(0x21, 50)));
    EXPECT_TRUE(dev_wait_idle());
    EXPECT_FALSE(x.status_in_flight);
    EXPECT_TRUE(x.status_reply_waiting);
    EXPECT_EQ(x.last_status_reply.data_count(), 50);

    // A command acknowledge is booked: the acknowledged command leaves the queue.
    device_frame start = device_frame::make(dp::req_command, dp::count_command);
    start[4] = dp::cmd_start;
    queue_set_single(start);
    x.command_in_flight = true;
    fake_.push_report(report_of(reply_frame(0x02, 0)));
    EXPECT_TRUE(dev_wait_idle());
    EXPECT_FALSE(x.command_in_flight);
    EXPECT_EQ(command_mailbox().count, 0);

    // Nothing comes: false after the deadline, and the flag is cleared.
    x.status_in_flight = true;
    clock.step_each_read(700);
    EXPECT_FALSE(dev_wait_idle());
    EXPECT_FALSE(x.status_in_flight);
}

// The link tells an unplug to its first poller only. When an exchange took it, a later wait
// for the link timer's request still out finds the link down and ends at once with the
// controller gone, rather than waiting out its 10 s for host error 4.
TEST_F(HidLinkFake, WaitIdleAfterAnExchangeMetTheUnplugEndsAtOnceWithTheLinkDown)
{
    scripted_clock clock;
    platform::scoped_clock use(clock);
    open();
    hid_settings().reopen_interval_ms = 600000;
    start_receiving();
    fake_.on_write([&](const std::vector<uint8_t>&) { fake_.unplug(path_); });
    device_frame reply;
    error_record e;
    EXPECT_FALSE(dev_send_and_wait(make_status_request(), reply.data(), 5000, e));
    ASSERT_EQ(e.code, hid_status_unplugged);
    ASSERT_TRUE(dev_exchange().unplug_met);

    dev_exchange().status_in_flight = true;
    clock.step_each_read(500);  // every look at the clock passes half a second
    const uint32_t before = clock.now_ms();
    EXPECT_FALSE(dev_wait_idle_or_error(e));
    EXPECT_EQ(e.type, err_type_usb_host);
    EXPECT_EQ(e.code, hid_code_no_device);
    EXPECT_LT(clock.now_ms() - before, 10000u);
    EXPECT_FALSE(dev_exchange().status_in_flight);
}

TEST(DeviceTimers, SlotsExpireAfterTheirTimeAlsoAcrossTheWrap)
{
    platform::manual_clock clock(0xFFFFFF00u);
    platform::scoped_clock use(clock);
    dev_timer_start(1, 1000);
    EXPECT_FALSE(dev_timer_expired(1));
    clock.advance(1000);
    EXPECT_FALSE(dev_timer_expired(1));
    clock.advance(1);
    EXPECT_TRUE(dev_timer_expired(1));
}

}  // namespace
