// The USB HID transport on the scripted HID backend: reports out and in, the one-slot
// mailbox, product patterns and matching, loss and reopen, and the application-start flag.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "flashlink/C_SndHex.h"
#include "flashlink/C_USB.h"
#include "flashlink/fl_results.h"
#include "platform/hid_fake.h"

namespace {

using bytes = std::vector<uint8_t>;
using platform::hid_fake_backend;

bytes input_report(const bytes& frame, size_t length = 65)
{
    bytes r(length, 0);
    r[1] = uint8_t(frame.size());
    std::copy(frame.begin(), frame.end(), r.begin() + 2);
    return r;
}

// Polls until the condition holds or two seconds passed.
template <class F>
bool eventually(F f, int ms = 2000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!f()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

struct usb_fixture : public ::testing::Test {
    hid_fake_backend fake;
    std::atomic<uint32_t> flag{0};
    std::unique_ptr<C_USB> usb;

    void SetUp() override
    {
        platform::hid_install_backend(&fake);
        C_USB::SetTimings({20, 10, 5});
    }
    void TearDown() override
    {
        usb.reset();
        C_SndHex::DrvCloseUsb();
        C_USB::Shutdown();
        C_USB::SetTimings({});
        platform::hid_install_backend(nullptr);
    }
    void open(const char* pattern = "Tarvix 9")
    {
        ASSERT_EQ(C_SndHex::DrvInitUsb(pattern), 0);
        ASSERT_EQ(C_SndHex::DrvInitializedF, DRV_USB);
        usb = std::make_unique<C_USB>(&flag);
    }
    // The next thing RcvReady hands out: a frame (error 0) or an error.
    bool next(bytes& frame, uint16_t& error, int ms = 2000)
    {
        if (!eventually([&] { return usb->RcvReady(&error); }, ms))
            return false;
        frame.clear();
        if (error == 0) {
            uint8_t buf[C_COMM::max_frame];
            uint16_t n = 0;
            usb->GetFrame(buf, &n);
            frame.assign(buf, buf + n);
        }
        return true;
    }
};

TEST_F(usb_fixture, send_writes_one_whole_report_or_says_why_not)
{
    fake.add({});
    usb = std::make_unique<C_USB>(&flag);
    uint16_t sent = 0;
    uint8_t frame[64] = {0x2B, 0xFC, 0x30};
    EXPECT_EQ(usb->Send(frame, 8, &sent, 0), fl_result::usb_device_lost) << "not opened";
    usb.reset();
    open();
    struct row {
        const char* name;
        uint16_t length;
        hid_fake_backend::write_mode mode;
        uint32_t error;
        uint16_t result;
        bool written;
    };
    using m = hid_fake_backend::write_mode;
    const row rows[] = {
        {"63 bytes", 63, m::pending, 0, 0, true},
        {"64 bytes", 64, m::pending, 0, fl_result::usb_frame_too_long, false},
        {"completed at once", 8, m::immediate, 0, 0, true},
        {"written short later", 8, m::short_pending, 0, fl_result::usb_frame_too_long, true},
        {"written short at once", 8, m::short_immediate, 0, fl_result::usb_frame_too_long, true},
        {"never completes", 8, m::stall, 0, fl_result::usb_write_timeout, false},
        {"write fails", 8, m::fail, platform::hid_error_gen_failure, fl_result::usb_frame_too_long, false},
        {"device gone", 8, m::fail, platform::hid_error_device_not_connected, fl_result::usb_device_lost, false},
    };
    for (const auto& r : rows) {
        fake.set_write_mode(r.mode, r.error);
        size_t before = fake.writes().size();
        EXPECT_EQ(usb->Send(frame, r.length, &sent, 0), r.result) << r.name;
        EXPECT_EQ(fake.writes().size() - before, r.written ? 1u : 0u) << r.name;
        if (r.result == 0) {
            bytes report = fake.writes().back();
            EXPECT_EQ(report.size(), 65u);
            EXPECT_EQ(report[0], 0);
            EXPECT_EQ(report[1], r.length) << r.name;
            EXPECT_EQ(report[2], 0x2B);
            EXPECT_EQ(sent, r.length);
        }
    }
}

TEST(usb_report, decoding_gives_the_frame_or_length_0)
{
    struct row {
        const char* name;
        uint32_t received;
        uint16_t declared;
        uint8_t length_byte;
        uint16_t frame;
    };
    const row rows[] = {
        {"whole report", 65, 65, 10, 10},
        {"63-byte frame", 65, 65, 63, 63},
        {"length byte 64", 65, 65, 64, 0},
        {"length byte 255", 65, 65, 255, 0},
        {"read shorter than declared", 64, 65, 10, 0},
        {"read longer than declared", 66, 65, 10, 0},
        {"frame beyond a short report", 10, 10, 9, 0},
        {"frame filling a short report", 10, 10, 8, 8},
        {"one byte", 1, 1, 0, 0},
    };
    for (const auto& r : rows) {
        bytes report(70, 0xAA);
        report[0] = 0;
        report[1] = r.length_byte;
        uint8_t frame[C_COMM::max_frame];
        EXPECT_EQ(C_USB::DecodeReport(report.data(), r.received, r.declared, frame), r.frame) << r.name;
    }
}

TEST_F(usb_fixture, received_reports_pass_one_slot_and_the_newer_wins)
{
    fake.add({});
    open();
    uint16_t error = 1;
    EXPECT_FALSE(usb->RcvReady(&error));
    fake.push_report(input_report({0x60, 1, 2}));
    fake.push_report(input_report({0x60, 3, 4}));
    ASSERT_TRUE(fake.wait_reports_taken(2000));
    // Taken from the device is not yet in the slot: give the thread its moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    bytes frame;
    ASSERT_TRUE(next(frame, error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(frame, (bytes{0x60, 3, 4}));
    EXPECT_FALSE(usb->RcvReady(&error)) << "the older report is gone";
    // Reports the transport cannot take come through as empty frames.
    fake.push_report(input_report({1, 2, 3}, 64));
    ASSERT_TRUE(next(frame, error));
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(frame.empty());
}

TEST_F(usb_fixture, a_failed_read_is_reported_and_reading_goes_on)
{
    fake.add({});
    open();
    fake.push_read_error(platform::hid_error_gen_failure);
    bytes frame;
    uint16_t error = 0;
    ASSERT_TRUE(next(frame, error));
    EXPECT_EQ(error, fl_result::usb_read);
    fake.push_report(input_report({0x20}));
    ASSERT_TRUE(next(frame, error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(frame, bytes{0x20});
}

TEST(usb_pattern, names_in_odometer_order_and_malformed_patterns_refused)
{
    struct row {
        const char* pattern;
        std::vector<std::string> names;  // empty: refused
    };
    const std::string g11 = "[a,b,c,d,e,f,g,h,i,j,k]";
    std::string groups11;
    for (int i = 0; i < 11; ++i)
        groups11 += "[x]";
    const row rows[] = {
        {"Tarvix 9", {"Tarvix 9"}},
        {"Tarvix [8,9]", {"Tarvix 8", "Tarvix 9"}},
        {"[A,B]-[1,2]", {"A-1", "B-1", "A-2", "B-2"}},
        {"x[a]y", {"xay"}},
        {"Tarvix [8,9", {}},
        {"Tarvix []", {}},
        {"Tarvix [8,]", {}},
        {"Tarvix [,8]", {}},
        {"Tarvix [89]", {}},
        {g11.c_str(), {}},
        {groups11.c_str(), {}},
        {"", {""}},
    };
    for (const auto& r : rows) {
        std::vector<std::string> got;
        bool ok = C_USB::ExpandPattern(r.pattern, [&](const std::string& n) {
            got.push_back(n);
            return false;
        });
        EXPECT_EQ(ok, !r.names.empty()) << r.pattern;
        if (ok) {
            EXPECT_EQ(got, r.names) << r.pattern;
        }
    }
    EXPECT_TRUE(C_USB::ExpandPattern(std::string(256, 'n'), [](const std::string&) { return true; }));
    EXPECT_FALSE(C_USB::ExpandPattern(std::string(257, 'n'), [](const std::string&) { return true; }));
    // The visit that accepts a name ends the expansion.
    int visits = 0;
    EXPECT_TRUE(C_USB::ExpandPattern("[1,2,3]", [&](const std::string&) { return ++visits == 2; }));
    EXPECT_EQ(visits, 2);
}

TEST_F(usb_fixture, the_exact_product_of_the_right_usage_wins_and_an_eleventh_interface_is_never_looked_at)
{
    hid_fake_backend::interface_spec decoy_usage;
    decoy_usage.usage = 2;
    hid_fake_backend::interface_spec other_case;
    other_case.product = "tarvix 9";
    hid_fake_backend::interface_spec trailing_blank;
    trailing_blank.product = "Tarvix 9 ";
    hid_fake_backend::interface_spec eight;
    eight.product = "Tarvix 8";
    fake.add(decoy_usage);     // fake:0
    fake.add(other_case);      // fake:1
    fake.add(trailing_blank);  // fake:2
    fake.add({});              // fake:3  "Tarvix 9"
    fake.add(eight);           // fake:4
    open("Tarvix [8,9]");
    uint8_t frame[8] = {0x40};
    ASSERT_EQ(usb->Send(frame, 8, nullptr, 0), 0);
    ASSERT_EQ(fake.writes().size(), 1u);
    // "Tarvix 8" is tried first, and it is there.
    EXPECT_EQ(fake.looks("fake:4"), 4) << "enumerated, queried, opened twice";
    EXPECT_EQ(C_SndHex::DrvInitUsb("Tarvix 9 "), 0);
    EXPECT_EQ(C_SndHex::DrvInitUsb("Tarvix 7"), fl_result::usb_device_lost);
    EXPECT_EQ(C_SndHex::DrvInitializedF, DRV_NONE);
    EXPECT_EQ(C_SndHex::DrvInitUsb("Tarvix [8"), fl_result::usb_device_lost);
}

TEST_F(usb_fixture, only_ten_interfaces_are_looked_at)
{
    hid_fake_backend::interface_spec other;
    other.product = "Other";
    for (int i = 0; i < 10; ++i)
        fake.add(other);
    fake.add({});  // fake:10, the eleventh
    EXPECT_EQ(C_SndHex::DrvInitUsb("Tarvix 9"), fl_result::usb_device_lost);
    EXPECT_EQ(fake.looks("fake:10"), 0);
}

TEST_F(usb_fixture, unplug_is_an_error_once_and_the_device_is_reopened_when_back)
{
    fake.add({});
    open();
    // A report that came before the loss is handed out before the error.
    fake.push_report(input_report({0x60, 7}));
    ASSERT_TRUE(fake.wait_reports_taken(2000));
    fake.unplug("fake:0");
    bytes frame;
    uint16_t error = 0;
    ASSERT_TRUE(next(frame, error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(frame, (bytes{0x60, 7}));
    ASSERT_TRUE(next(frame, error));
    EXPECT_EQ(error, fl_result::usb_device_lost);
    EXPECT_FALSE(usb->RcvReady(&error)) << "handed out once";
    uint8_t request[8] = {0x40};
    EXPECT_EQ(usb->Send(request, 8, nullptr, 0), fl_result::usb_device_lost);
    fake.replug("fake:0");
    ASSERT_TRUE(eventually([] { return C_USB::Connected(); }));
    EXPECT_EQ(usb->Send(request, 8, nullptr, 0), 0) << "without a new open";
    fake.push_report(input_report({0x43}));
    ASSERT_TRUE(next(frame, error));
    EXPECT_EQ(frame, bytes{0x43});
}

TEST_F(usb_fixture, an_announced_restart_clears_the_flag_when_back_or_after_its_tries)
{
    fake.add({});
    open();
    // Back within the tries: no error.
    flag = 1;
    fake.unplug("fake:0");
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    fake.replug("fake:0");
    EXPECT_TRUE(C_USB::WaitApplStartCleared(flag, 2000));
    uint16_t error = 0;
    EXPECT_FALSE(usb->RcvReady(&error));
    // Away longer: the error, and the flag cleared all the same.
    flag = 1;
    fake.unplug("fake:0");
    EXPECT_TRUE(C_USB::WaitApplStartCleared(flag, 2000));
    bytes frame;
    ASSERT_TRUE(next(frame, error));
    EXPECT_EQ(error, fl_result::usb_device_lost);
    fake.replug("fake:0");
    ASSERT_TRUE(eventually([] { return C_USB::Connected(); }));
}

TEST_F(usb_fixture, a_restart_announced_after_the_loss_voids_its_error)
{
    fake.add({});
    open();
    // The device left before the confirmation with its restart value was taken.
    fake.push_report(input_report({0x60, 0xFC, 0x30, 0, 0x44, 0x33, 0x22, 0x11}));
    ASSERT_TRUE(fake.wait_reports_taken(2000));
    fake.unplug("fake:0");
    ASSERT_TRUE(eventually([] { return !C_USB::Connected(); }));
    bytes frame;
    uint16_t error = 0;
    ASSERT_TRUE(next(frame, error));
    EXPECT_EQ(frame.size(), 8u);
    flag = 1;  // the protocol took the confirmation
    fake.replug("fake:0");
    EXPECT_TRUE(C_USB::WaitApplStartCleared(flag, 2000));
    EXPECT_FALSE(usb->RcvReady(&error)) << "the loss was the restart";
}

TEST_F(usb_fixture, a_transport_gone_no_longer_has_its_flag_written)
{
    fake.add({});
    open();
    usb.reset();
    auto gone = std::make_unique<std::atomic<uint32_t>>(1);
    auto doomed = std::make_unique<C_USB>(gone.get());
    doomed.reset();
    gone.reset();
    // The thread's reopen must not touch the freed flag (the sanitizer watches).
    fake.unplug("fake:0");
    ASSERT_TRUE(eventually([] { return !C_USB::Connected(); }));
    fake.replug("fake:0");
    ASSERT_TRUE(eventually([] { return C_USB::Connected(); }));
}

TEST_F(usb_fixture, close_stops_the_thread_and_a_second_open_keeps_one)
{
    fake.add({});
    open();
    EXPECT_TRUE(C_USB::ThreadRunning());
    open();
    EXPECT_TRUE(C_USB::ThreadRunning());
    EXPECT_EQ(fake.open_devices(), 2) << "one read and one write handle";
    EXPECT_EQ(C_SndHex::DrvCloseUsb(), 0);
    EXPECT_FALSE(C_USB::ThreadRunning());
    EXPECT_EQ(fake.open_devices(), 0);
    EXPECT_EQ(C_SndHex::DrvInitializedF, DRV_NONE);
}

}  // namespace
