// The link, the receive thread and the exchange against the tvxsim server process.
#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <memory>

#include "core/device/command_mailbox.h"
#include "core/device/device_exchange.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "tests/core/link_test_util.h"
#include "tests/sim/tvxsim_process.h"

namespace dp = device_protocol;
using link_test::wait_until;
using testing_support::tvxsim_process;

namespace {

int open_fds()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}

sim::sim_interface iface(const std::string& product, uint16_t page = 0xFF00, uint16_t usage = 1, bool device = false)
{
    sim::sim_interface i;
    i.product = product;
    i.usage_page = page;
    i.usage = usage;
    i.device = device;
    return i;
}

class LinkSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        hid_link_reset_for_tests();
        dev_exchange_reset_for_tests();
        queue_clear();
        sim_ = std::make_unique<tvxsim_process>();
        ASSERT_TRUE(sim_->ok()) << sim_->error();
    }
    void TearDown() override
    {
        thread_.reset();
        hid_link_reset_for_tests();
        sim_.reset();
    }
    sim::control_client& control() { return sim_->control(); }
    void open_and_receive()
    {
        error_record e;
        ASSERT_TRUE(hid_open(e)) << e.code;
        thread_ = std::make_unique<hid_receive_thread>();
        thread_->start();
    }
    bool exchange(const device_frame& request, device_frame& reply, error_record& e, uint16_t timeout = 10000)
    {
        return dev_send_and_wait(request, reply.data(), timeout, e);
    }
    // Log entries of one direction since seq.
    std::vector<sim::wire_entry> entries(sim::wire_direction d, uint64_t from = 0)
    {
        std::vector<sim::wire_entry> out;
        for (auto& e : control().wire_log(from))
            if (e.direction == d)
                out.push_back(e);
        return out;
    }

    std::unique_ptr<tvxsim_process> sim_;
    std::unique_ptr<hid_receive_thread> thread_;
};

TEST_F(LinkSim, OpensTheControllerAmongDecoys)
{
    // Index 6 is the controller; every other interface is a near miss.
    std::vector<sim::sim_interface> list = {
        iface("Tarvix 9", 0xFF01),  // wrong usage page
        iface("Tarvix 9", 0xFF00, 2),  // wrong usage
        iface("tarvix 9"),  // letter case
        iface("Tarvix 9 "),  // trailing blank
        iface("Tarvix 9"),  // product string cannot be read
        iface("Tarvix 9"),  // refuses the write handle
        iface("Tarvix 9", 0xFF00, 1, true),
    };
    list[4].product_readable = false;
    list[5].refuse_write_open = true;
    ASSERT_TRUE(control().set_interfaces(list));
    open_and_receive();
    EXPECT_TRUE(hid_link_up());
    EXPECT_EQ(hid_input_report_length(), 65);
    EXPECT_EQ(hid_output_report_length(), 65);

    device_frame reply;
    error_record e;
    ASSERT_TRUE(exchange(make_status_request(), reply, e)) << e.code;
    auto in = entries(sim::wire_direction::in);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].interface_index, 6);
    // The refused write open left no read connection behind on the decoy.
    EXPECT_EQ(control().counters().find("violations=0") != std::string::npos, true);
}

TEST_F(LinkSim, FirstAcceptedControllerInEnumerationOrderWins)
{
    ASSERT_TRUE(control().set_interfaces({iface("Tarvyx 9", 0xFF00, 1, true), iface("Tarvix 9", 0xFF00, 1, true)}));
    open_and_receive();
    device_frame reply;
    error_record e;
    ASSERT_TRUE(exchange(make_status_request(), reply, e));
    auto in = entries(sim::wire_direction::in);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].interface_index, 0);
}

TEST_F(LinkSim, TheEleventhCandidateIsNeverLookedAt)
{
    // Ten candidates with the right usage but another product, a decoy of another usage
    // page in between (not a candidate), then the controller as the eleventh candidate.
    std::vector<sim::sim_interface> list;
    for (int i = 0; i < 10; ++i) {
        list.push_back(iface("Tarvix 8"));
        if (i == 4)
            list.push_back(iface("Tarvix 9", 0xFF01));
    }
    list.push_back(iface("Tarvix 9", 0xFF00, 1, true));
    ASSERT_TRUE(control().set_interfaces(list));
    error_record e;
    EXPECT_FALSE(hid_open(e));
    EXPECT_EQ(e.code, hid_code_no_device);
    EXPECT_EQ(control().looks(list.size() - 1), 0u);
    EXPECT_GT(control().looks(list.size() - 2), 0u);

    // One candidate fewer in front: the controller is the tenth and is found.
    list.erase(list.begin());
    ASSERT_TRUE(control().set_interfaces(list));
    EXPECT_TRUE(hid_open(e));
}

TEST_F(LinkSim, ThousandStatusExchanges)
{
    ASSERT_TRUE(control().set_status(4, {0x02, 0x11, 0x22}));
    open_and_receive();
    for (int i = 0; i < 1000; ++i) {
        device_frame reply;
        error_record e;
        ASSERT_TRUE(exchange(make_status_request(), reply, e)) << "exchange " << i << " code " << e.code;
        ASSERT_EQ(reply.kind(), dp::kind_status);
        ASSERT_EQ(reply.data_count(), dp::status_data_count);
        ASSERT_EQ(reply[5], 0x11);
    }
    EXPECT_NE(control().counters().find("requests=1000 violations=0"), std::string::npos) << control().counters();
}

TEST_F(LinkSim, FaultsBecomeTheirErrorRecords)
{
    struct row {
        const char* fault;
        int32_t code;
        int16_t type;
        int16_t argument_kind;
        int32_t argument;
    };
    const row rows[] = {
        {"drop", hid_code_no_reply, err_type_usb_host, err_arg_none, 0},
        {"delay ms=800", hid_code_no_reply, err_type_usb_host, err_arg_none, 0},
        {"wrong-kind", host_error_wrong_reply, err_type_host, err_arg_none, 0},
        {"error code=5 ttype=3 arg=9 count=2", 5, err_type_device, err_arg_once, 0},
        {"error code=30 ttype=3 arg=9 count=3", 30, err_type_device, err_arg_once, 9},
        {"error code=12 ttype=1 arg=4 count=4", 12, err_type_host, err_arg_once, 4},
        {"short-report", hid_code_bad_report, err_type_usb_host, err_arg_none, 0},
        {"bad-length", hid_code_bad_report, err_type_usb_host, err_arg_none, 0},
    };
    open_and_receive();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.fault);
        ASSERT_TRUE(control().inject_fault(std::string(r.fault) + " type=0x23"));
        device_frame reply;
        error_record e;
        // Only the dropped reply waits out its deadline; the others answer well before.
        uint16_t timeout = r.code == hid_code_no_reply ? 500 : 10000;
        EXPECT_FALSE(exchange(link_test::read_parameter_request(28), reply, e, timeout));
        EXPECT_EQ(e.code, r.code);
        EXPECT_EQ(e.severity, err_severity_error);
        EXPECT_EQ(e.type, r.type);
        EXPECT_EQ(e.argument_kind, r.argument_kind);
        EXPECT_EQ(e.argument, r.argument);
        // The next exchange is not disturbed.
        ASSERT_TRUE(exchange(link_test::read_parameter_request(28), reply, e)) << e.code;
        EXPECT_EQ(reply.u16(4), 28);
        EXPECT_EQ(reply.u32(6), 0x20u);
    }
}

TEST_F(LinkSim, ParameterWriteThenReadAndUnknownParameter)
{
    open_and_receive();
    device_frame w = device_frame::make(dp::req_write_parameter, 6);
    w.set_u16(4, 5);
    w.set_u32(6, 0xFFFFFFFEu);
    device_frame reply;
    error_record e;
    ASSERT_TRUE(exchange(w, reply, e));
    ASSERT_TRUE(exchange(link_test::read_parameter_request(5), reply, e));
    EXPECT_EQ(int32_t(reply.u32(6)), -2);
    int32_t v = 0;
    ASSERT_TRUE(control().parameter(5, v));
    EXPECT_EQ(v, -2);

    EXPECT_FALSE(exchange(link_test::read_parameter_request(999), reply, e));
    EXPECT_EQ(e.code, dp::device_error_unknown_parameter);
    EXPECT_EQ(e.type, err_type_device);
    EXPECT_EQ(e.argument, 0);
}

TEST_F(LinkSim, MalformedFramesAreRefusedAndLogged)
{
    open_and_receive();
    device_frame bad = make_status_request();
    bad[dp::start_offset] = 0x00;
    device_frame reply;
    error_record e;
    EXPECT_FALSE(exchange(bad, reply, e));
    EXPECT_EQ(e.code, dp::device_error_start_byte);
    device_frame count = make_status_request();
    count[dp::count_offset] = 7;
    EXPECT_FALSE(exchange(count, reply, e));
    EXPECT_EQ(e.code, dp::device_error_data_count);
    EXPECT_EQ(entries(sim::wire_direction::refused).size(), 2u);
}

TEST_F(LinkSim, UnplugGivesOneStatusTenAndTheLinkComesBackByItself)
{
    open_and_receive();
    device_frame reply;
    error_record e;
    ASSERT_TRUE(exchange(make_status_request(), reply, e));

    // Unplugging during an exchange ends it with code 10 long before its deadline.
    ASSERT_TRUE(control().inject_fault("unplug type=0x21"));
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(exchange(make_status_request(), reply, e, 60000));
    EXPECT_EQ(e.code, hid_code_no_device);
    EXPECT_EQ(e.type, err_type_usb_host);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30));

    // While away: sends fail at once with code 10, and no further status 10 comes.
    EXPECT_FALSE(hid_link_up());
    EXPECT_FALSE(hid_send_frame(make_status_request().data(), 63, e));
    EXPECT_EQ(e.code, hid_code_no_device);
    int tens = 0;
    auto poll_statuses = [&] {
        error_record p;
        while (hid_poll(p))
            if (p.code == hid_status_unplugged)
                ++tens;
    };
    poll_statuses();

    auto replugged = std::chrono::steady_clock::now();
    ASSERT_TRUE(control().replug());
    ASSERT_TRUE(wait_until([&] {
        poll_statuses();
        return hid_link_up();
    }));
    auto back_after = std::chrono::steady_clock::now() - replugged;
    EXPECT_LT(back_after, std::chrono::milliseconds(3000));  // reopened every second
    poll_statuses();
    EXPECT_EQ(tens, 0);  // the one status 10 was consumed by the exchange above
    ASSERT_TRUE(exchange(make_status_request(), reply, e)) << e.code;

    // Unplugged and polled while away: one status 10. Unplugged and back before anyone
    // polled: the reopen cleared it, and the next exchange runs as usual.
    struct row {
        bool poll_while_away;
        int tens;
    } rows[] = {{true, 1}, {false, 0}, {true, 1}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.poll_while_away);
        tens = 0;
        ASSERT_TRUE(control().unplug(100));
        ASSERT_TRUE(wait_until([&] { return !hid_link_up(); }));
        if (r.poll_while_away) {
            ASSERT_TRUE(wait_until([&] {
                poll_statuses();
                return tens > 0;
            }));
        }
        ASSERT_TRUE(wait_until([&] { return hid_link_up(); }));
        poll_statuses();
        EXPECT_EQ(tens, r.tens);
        ASSERT_TRUE(exchange(make_status_request(), reply, e)) << e.code;
    }
}

TEST_F(LinkSim, GateHoldsReportsAndHandsOverTheLastOne)
{
    open_and_receive();
    hid_gate_reset();
    uint64_t from = control().log_next_seq();
    uint64_t received = hid_reports_received();
    error_record e;
    ASSERT_TRUE(control().set_status(4, {0xA1}));
    ASSERT_TRUE(hid_send_frame(make_status_request().data(), 63, e));
    ASSERT_TRUE(wait_until([&] { return entries(sim::wire_direction::out, from).size() == 1; }));
    ASSERT_TRUE(control().set_status(4, {0xA2}));
    ASSERT_TRUE(hid_send_frame(make_status_request().data(), 63, e));
    ASSERT_TRUE(wait_until([&] { return entries(sim::wire_direction::out, from).size() == 2; }));
    EXPECT_FALSE(hid_wait(200));
    EXPECT_FALSE(hid_poll(e));
    EXPECT_EQ(hid_reports_received(), received);

    hid_gate_set();
    ASSERT_TRUE(wait_until([&] { return hid_reports_received() == received + 2; }));
    ASSERT_TRUE(hid_poll(e));
    uint8_t frame[63];
    uint16_t n = 0;
    ASSERT_TRUE(hid_take_frame(frame, n, e));
    EXPECT_EQ(n, 63);
    EXPECT_EQ(frame[4], 0xA2);

    // Reports queued while the gate was reset never answer a later request, however many
    // there are and however soon after the opening the request is sent.
    hid_gate_reset();
    for (size_t i = 3; i <= 5; ++i) {
        ASSERT_TRUE(hid_send_frame(make_status_request().data(), 63, e));
        ASSERT_TRUE(wait_until([&] { return entries(sim::wire_direction::out, from).size() == i; }));
    }
    received = hid_reports_received();
    hid_gate_set();
    ASSERT_TRUE(hid_send_frame(link_test::read_parameter_request(28).data(), 63, e));
    ASSERT_TRUE(wait_until([&] { return hid_reports_received() == received + 4; }));
    ASSERT_TRUE(hid_poll(e));
    ASSERT_TRUE(hid_take_frame(frame, n, e));
    EXPECT_EQ(frame[2] & 0x0F, dp::kind_parameter);
}

TEST_F(LinkSim, TwoHundredFiftySixWritesBringTheCounterBack)
{
    open_and_receive();
    uint64_t from = control().log_next_seq();
    uint8_t start = hid_telegram_counter();
    error_record e;
    for (int i = 0; i < 257; ++i)
        ASSERT_TRUE(hid_send_frame(make_status_request().data(), 63, e)) << i;
    EXPECT_EQ(hid_telegram_counter(), uint8_t(start + 1));
    ASSERT_TRUE(wait_until([&] { return entries(sim::wire_direction::in, from).size() == 257; }));
    auto in = entries(sim::wire_direction::in, from);
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(in[i].frame(0), uint8_t(start + i)) << i;
    EXPECT_EQ(in[256].frame(0), in[0].frame(0));
}

TEST_F(LinkSim, RepeatedSearchesKeepNoDescriptors)
{
    error_record e;
    ASSERT_TRUE(hid_open(e));
    int before = open_fds();
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(hid_open(e)) << i;
    EXPECT_EQ(open_fds(), before);
    ASSERT_TRUE(control().unplug());
    for (int i = 0; i < 20; ++i)
        EXPECT_FALSE(hid_open(e));
    hid_close_handles();
    EXPECT_LT(open_fds(), before);
}

}  // namespace
