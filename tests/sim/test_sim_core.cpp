// The simulated controller's core: strict checks, the request handlers, faults, the wire
// log and interface texts; and the in-process device behind the link.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "core/device/device_exchange.h"
#include "core/link/c_thrrcv.h"
#include "core/link/hid_link.h"
#include "sim/controller.h"
#include "sim/hid_server.h"
#include "sim/inprocess_device.h"
#include "sim/profiles.h"
#include "sim/simulator.h"
#include "support/test_support.h"
#include "tests/core/link_test_util.h"

namespace dp = device_protocol;

namespace {

std::vector<uint8_t> report(const device_frame& f, size_t length = 65, uint8_t n = 63)
{
    std::vector<uint8_t> r(length, 0);
    r[1] = n;
    std::memcpy(r.data() + 2, f.data(), std::min<size_t>(63, length - 2));
    return r;
}

struct core_fixture {
    sim::world w;
    sim::fault_plan faults;
    sim::wire_log log;
    sim::controller c{w, faults, log};
    core_fixture(const char* profile = "premium") { sim::load_profile(w, profile); }
    sim::controller_result send(const std::vector<uint8_t>& r) { return c.handle_report(r.data(), r.size(), 65, 65, 0); }
    device_frame reply(const sim::controller_result& r, size_t i = 0) { return device_frame::from(r.reports.at(i).report.data() + 2); }
};

TEST(SimController, RefusesMalformedReportsAndFrames)
{
    device_frame good = make_status_request();
    device_frame no_start = good;
    no_start[1] = 0;
    device_frame unknown = device_frame::make(0x3F, 0);
    device_frame bad_count = device_frame::make(dp::req_read_parameter, 3);
    std::vector<uint8_t> wrong_id = report(good);
    wrong_id[0] = 1;
    struct row {
        const char* name;
        std::vector<uint8_t> r;
        size_t replies;
        int error;  // device error of the reply, -1 none
    };
    const row rows[] = {
        {"good", report(good), 1, -1},
        {"short report", report(good, 64), 0, -1},
        {"report ID", wrong_id, 0, -1},
        {"length byte 64", report(good, 65, 64), 0, -1},
        {"length byte 0", report(good, 65, 0), 0, -1},
        {"no start byte", report(no_start), 1, dp::device_error_start_byte},
        {"unknown type", report(unknown), 1, dp::device_error_frame_type},
        {"data count", report(bad_count), 1, dp::device_error_data_count},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        core_fixture f;
        auto res = f.send(r.r);
        ASSERT_EQ(res.reports.size(), r.replies);
        if (r.error >= 0) {
            device_frame rep = f.reply(res);
            EXPECT_TRUE(rep.is_error());
            EXPECT_EQ(rep[4], r.error);
        }
        bool refused = false;
        for (auto& e : f.log.since(0))
            refused |= e.direction == sim::wire_direction::refused;
        EXPECT_EQ(refused, r.error >= 0 || r.replies == 0);
        EXPECT_EQ(f.w.violations, refused ? 1u : 0u);
    }
}

TEST(SimController, StatusCommandAndParameters)
{
    core_fixture f;
    f.w.status[0] = 0x02;
    f.w.status[49] = 0x77;
    auto res = f.send(report(make_status_request()));
    device_frame rep = f.reply(res);
    EXPECT_EQ(rep.type(), dp::req_status);
    EXPECT_EQ(rep.data_count(), 50);
    EXPECT_EQ(rep[4], 0x02);
    EXPECT_EQ(rep[53], 0x77);
    f.w.status_count = 40;
    rep = f.reply(f.send(report(make_status_request())));
    EXPECT_EQ(rep[53], 0);  // bytes past the count stay zero

    device_frame cmd = device_frame::make(dp::req_command, dp::count_command);
    cmd[4] = dp::cmd_teach;
    rep = f.reply(f.send(report(cmd)));
    EXPECT_EQ(rep.type(), dp::req_command);
    ASSERT_EQ(f.w.commands.size(), 1u);
    EXPECT_EQ(f.w.commands[0][4], dp::cmd_teach);

    device_frame w2 = device_frame::make(dp::req_write_parameter, 4);
    w2.set_u16(4, 3);
    w2.set_u16(6, 0xFFFE);
    rep = f.reply(f.send(report(w2)));
    EXPECT_EQ(rep.type(), dp::req_write_parameter);
    EXPECT_EQ(f.w.parameters[3], -2);
    rep = f.reply(f.send(report(link_test::read_parameter_request(3))));
    EXPECT_EQ(rep.u16(4), 3);
    EXPECT_EQ(int32_t(rep.u32(6)), -2);
}

TEST(SimController, MailboxCommandsDriveTheStatus)
{
    core_fixture f;
    f.w.scan_status_polls = 2;
    f.w.stop_status_polls = 2;
    auto command = [&](uint8_t c, uint8_t sub = 0) {
        device_frame cmd = device_frame::make(dp::req_command, dp::count_command);
        cmd[4] = c;
        cmd[5] = sub;
        return f.send(report(cmd));
    };
    auto state = [&] { return f.reply(f.send(report(make_status_request())))[4]; };
    command(dp::cmd_teach);
    EXPECT_EQ(state(), 0x02);  // scanning
    device_frame rep = f.reply(f.send(report(make_status_request())));
    EXPECT_EQ(rep[4], 0x08);   // done: OK, with the teach value
    EXPECT_EQ(int32_t(rep.u32(4 + 34)), f.w.teach_value);

    command(dp::cmd_start);
    EXPECT_EQ(state(), 0x02);
    command(dp::cmd_stop);  // the writer polls until scanning is clear
    EXPECT_EQ(state(), 0x02);
    EXPECT_EQ(state(), 0x00);

    command(dp::cmd_step_plus);
    command(dp::cmd_step_plus);
    command(dp::cmd_step_minus);
    EXPECT_EQ(int32_t(f.reply(f.send(report(make_status_request()))).u32(4 + 30)), 100);

    // Reset with sub-command 3: acknowledged, then the controller restarts.
    auto res = command(dp::cmd_reset, 3);
    EXPECT_EQ(f.reply(res).type(), dp::req_command);
    EXPECT_TRUE(res.unplug);
    EXPECT_EQ(res.replug_ms, f.w.reboot_ms);

    // Factory defaults (sub-command 1): the profile's settings again, then the same restart;
    // the commands received stay on record.
    f.w.parameters[dp::param_cu_article] = 1;
    res = command(dp::cmd_reset, 1);
    EXPECT_TRUE(res.unplug);
    EXPECT_NE(f.w.parameters[dp::param_cu_article], 1);
    ASSERT_FALSE(f.w.commands.empty());
    EXPECT_EQ(f.w.commands.back()[dp::command_offset + 1], 1);
}

TEST(SimController, LoaderOnlyAnswersStatusWithTheLoaderWord)
{
    core_fixture f("loader");
    device_frame rep = f.reply(f.send(report(make_status_request())));
    EXPECT_EQ(rep.data_count(), 0);
    EXPECT_EQ(rep.u32(4), dp::loader_status_word);
    rep = f.reply(f.send(report(link_test::read_parameter_request(28))));
    EXPECT_TRUE(rep.is_error());
    EXPECT_EQ(rep[4], dp::device_error_loader_only);
}

TEST(SimFaults, ParseApplyAndConsume)
{
    sim::fault fl;
    std::string err;
    ASSERT_TRUE(sim::parse_fault("error type=0x23 skip=1 times=2 code=30 ttype=3 arg=9 count=3", fl, err)) << err;
    EXPECT_EQ(fl.kind, sim::fault_kind::error_reply);
    EXPECT_EQ(fl.type, 0x23);
    EXPECT_EQ(fl.skip, 1u);
    EXPECT_FALSE(sim::parse_fault("explode", fl, err));
    EXPECT_FALSE(sim::parse_fault("drop type=x", fl, err));
    EXPECT_FALSE(sim::parse_fault("drop colour=1", fl, err));

    core_fixture f;
    ASSERT_TRUE(sim::parse_fault("error type=0x23 skip=1 times=2 code=30 arg=9 count=3", fl, err));
    f.faults.arm(fl);
    auto read = report(link_test::read_parameter_request(28));
    EXPECT_FALSE(f.reply(f.send(report(make_status_request()))).is_error());  // another type
    EXPECT_FALSE(f.reply(f.send(read)).is_error());                           // skipped
    EXPECT_EQ(f.reply(f.send(read))[6], 9);
    EXPECT_EQ(f.reply(f.send(read))[4], 30);
    EXPECT_FALSE(f.reply(f.send(read)).is_error());  // used up
    EXPECT_EQ(f.faults.armed(), 0u);

    struct row {
        const char* spec;
        size_t reports;
        size_t length;
        uint8_t length_byte;
        bool unplug;
    };
    const row rows[] = {
        {"drop", 0, 0, 0, false},
        {"duplicate", 2, 65, 63, false},
        {"short-report", 1, 64, 63, false},
        {"bad-length", 1, 65, 64, false},
        {"unplug replug=50", 0, 0, 0, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.spec);
        core_fixture g;
        ASSERT_TRUE(sim::parse_fault(r.spec, fl, err));
        g.faults.arm(fl);
        auto res = g.send(report(make_status_request()));
        ASSERT_EQ(res.reports.size(), r.reports);
        EXPECT_EQ(res.unplug, r.unplug);
        for (auto& o : res.reports) {
            EXPECT_EQ(o.report.size(), r.length);
            EXPECT_EQ(o.report[1], r.length_byte);
        }
    }
}

TEST(SimWireLog, LinesRoundTrip)
{
    sim::wire_log log;
    uint8_t r[] = {0, 63, 7, 0xBB, 0x21};
    log.add(sim::wire_direction::refused, 3, r, sizeof r, "length byte 64");
    log.add(sim::wire_direction::out, 0, nullptr, 0);
    auto all = log.since(0);
    ASSERT_EQ(all.size(), 2u);
    sim::wire_entry back;
    ASSERT_TRUE(sim::wire_log::parse(sim::wire_log::format(all[0]), back));
    EXPECT_EQ(back.direction, sim::wire_direction::refused);
    EXPECT_EQ(back.interface_index, 3);
    EXPECT_EQ(back.report, std::vector<uint8_t>(r, r + sizeof r));
    EXPECT_EQ(back.note, "length byte 64");
    EXPECT_EQ(back.frame(0), 7);
    ASSERT_TRUE(sim::wire_log::parse(sim::wire_log::format(all[1]), back));
    EXPECT_TRUE(back.report.empty());
    EXPECT_EQ(log.since(2).size(), 1u);
}

TEST(SimInterface, TextFormRoundTripsAwkwardProducts)
{
    sim::sim_interface i;
    i.product = "Tarvix 9 ";
    i.usage_page = 0xFF01;
    i.refuse_write_open = true;
    i.device = false;
    sim::sim_interface back;
    std::string err;
    ASSERT_TRUE(sim::parse_interface(sim::format_interface(i), back, err)) << err;
    EXPECT_EQ(back.product, "Tarvix 9 ");
    EXPECT_EQ(back.usage_page, 0xFF01);
    EXPECT_TRUE(back.refuse_write_open);
    EXPECT_FALSE(back.device);
    EXPECT_TRUE(back.product_readable);
    EXPECT_FALSE(sim::parse_interface("product=bad%2", back, err));
    EXPECT_FALSE(sim::parse_interface("in=70000", back, err));
    EXPECT_FALSE(sim::parse_interface("colour=1", back, err));
}

TEST(SimInprocess, TheLinkTalksToTheControllerInTheTestProcess)
{
    hid_link_reset_for_tests();
    platform::hid_fake_backend fake;
    platform::hid_install_backend(&fake);
    {
        sim::inprocess_device dev(fake);
        error_record e;
        ASSERT_TRUE(hid_open(e));
        c_thrrcv thread;
        thread.start();
        device_frame reply;
        ASSERT_TRUE(dev_transact(link_test::read_parameter_request(28), reply.data(), e)) << e.code;
        EXPECT_EQ(reply.u32(6), 0x20u);
        sim::fault fl;
        std::string err;
        ASSERT_TRUE(sim::parse_fault("error code=7 count=2", fl, err));
        dev.faults().arm(fl);
        EXPECT_FALSE(dev_transact(make_status_request(), reply.data(), e));
        EXPECT_EQ(e.code, 7);
        EXPECT_EQ(e.type, err_type_device);
    }
    hid_link_reset_for_tests();
    platform::hid_install_backend(nullptr);
}

}  // namespace

// A memory piece is taken only when it lies wholly inside its area; a lenient controller
// would let a client that runs past the end pass unnoticed.
TEST(SimController, MemoryPiecesStayInsideTheirArea)
{
    struct row {
        const char* name;
        uint8_t area;
        uint32_t offset;
        uint8_t length;
        int error;  // device error, -1 none
    };
    const uint32_t diag = dp::diagnostic_area_size, clone = dp::clone_area_size;
    const row rows[] = {
        {"first piece", dp::memory_area_diagnostic, 0, 49, -1},
        {"last piece ends at the end", dp::memory_area_diagnostic, diag - 49, 49, -1},
        {"one byte past the end", dp::memory_area_diagnostic, diag - 48, 49, dp::device_error_memory_offset},
        {"offset at the end", dp::memory_area_clone, clone, 1, dp::device_error_memory_offset},
        {"offset far past", dp::memory_area_clone, 0xFFFFFFF0u, 20, dp::device_error_memory_offset},
        {"clone area's last byte", dp::memory_area_clone, clone - 1, 1, -1},
        {"unknown area", 4, 0, 1, dp::device_error_memory_area},
        {"piece too long", dp::memory_area_clone, 0, 50, dp::device_error_memory_count},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        core_fixture f;
        for (bool write : {false, true}) {
            device_frame q = write ? device_frame::make(dp::req_write_memory, dp::count_block)
                                   : device_frame::make(dp::req_read_memory, dp::count_read_memory);
            q[dp::memory_area_offset] = r.area;
            q.set_u32(dp::memory_address_offset, r.offset);
            q[dp::memory_length_offset] = r.length;
            device_frame rep = f.reply(f.send(report(q)));
            EXPECT_EQ(rep.is_error(), r.error >= 0) << write;
            if (r.error >= 0) {
                EXPECT_EQ(rep[4], r.error) << write;
            }
        }
    }
}

// Value lists as long as the longest curve (7031 sectors of 256 samples) are kept whole.
TEST(SimController, ValueListsHoldTheLongestCurve)
{
    core_fixture f;
    const uint32_t longest = 1799936, per = dp::record222_piece / 2;
    auto piece_request = [&](uint8_t type, uint32_t piece) {
        device_frame q = device_frame::make(type, dp::count_block);
        q.set_u16(dp::record_number_offset, 3);
        q.set_u32(dp::record222_piece_offset, piece | dp::value_list_piece_flag);
        for (uint32_t i = 0; i < per; ++i)
            q.set_u16(dp::record222_data_offset + 2 * i, uint16_t(1000 + i));
        return q;
    };
    const uint32_t last = (longest - 1) / per;
    device_frame rep = f.reply(f.send(report(piece_request(dp::req_write_record222, last))));
    ASSERT_FALSE(rep.is_error());
    ASSERT_EQ(f.w.tool_lists[3].size(), size_t(longest));
    EXPECT_EQ(f.w.tool_lists[3].back(), int16_t(1000 + (longest - 1) % per));

    rep = f.reply(f.send(report(piece_request(dp::req_read_record222, last))));
    ASSERT_FALSE(rep.is_error());
    EXPECT_EQ(rep.u16(dp::record222_data_offset), 1000);
    EXPECT_EQ(rep.u16(dp::record222_data_offset + 2 * (per - 1)), 0);  // past the curve's end

    rep = f.reply(f.send(report(piece_request(dp::req_write_record222, last + 1))));
    ASSERT_TRUE(rep.is_error());
    EXPECT_EQ(rep[4], dp::device_error_data_count);
}

// The control commands answer a wrong call with their usage, and "help" lists them all.
TEST(SimControl, WrongCallsAnswerWithTheUsageAndHelpListsEveryCommand)
{
    // Nothing is served: the folder is never made.
    sim::event_loop loop;
    sim::simulator s(loop, "/nonexistent/tvxsim");
    struct row {
        const char* line;
        const char* answer;
    };
    const row rows[] = {
        {"status 3 1", "error usage: status <offset 4..62> <byte>..."},
        {"status 4 256", "error bad byte 256"},
        {"param", "error usage: param <n> [<value>]"},
        {"param 4711", "error unknown parameter"},
        {"mailbox 1 2 3", "error usage: mailbox <scan polls> <stop polls> <teach value> <reboot ms>"},
        {"unplug 1 2", "error usage: unplug [<replug after ms>]"},
        {"profile nonesuch", "error unknown profile"},
        {"launch", "error unknown command launch"},
        {"   ", "error empty command"},
        {"param 5 -7", "ok"},
        {"param 5", "ok -7"},
        {"scanner-set 0x80", "ok missing"},
        {"process-data 138 1 2 3", "error usage: process-data <offset 0..139> <byte>..."},
        {"process-data 0 1 x", "error bad byte x"},
        {"process-data 136 1 2 3 4", "ok"},
    };
    for (const row& r : rows) {
        const std::vector<std::string> out = s.control(r.line);
        ASSERT_FALSE(out.empty()) << r.line;
        EXPECT_EQ(out.back(), r.answer) << r.line;
    }
    const std::vector<std::string> help = s.control("help");
    ASSERT_EQ(help.back(), "ok");
    for (const char* line : {"ping", "status <offset 4..62> <byte>...", "info-count <index> <count>", "quit"})
        EXPECT_NE(std::find(help.begin(), help.end(), line), help.end()) << line;
}

// A memory area saved whole and replaced from a file: one controller's clone data can be
// compared with another's or given to it. A shorter file replaces the start only.
TEST(SimControl, MemoryAreasSaveAndLoadAsFiles)
{
    sim::event_loop loop;
    sim::simulator s(loop, "/nonexistent/tvxsim");
    testing_support::temp_dir dir;
    const std::string in = dir.file("in.bin"), out = dir.file("out.bin");
    {
        std::ofstream f(in, std::ios::binary);
        for (int i = 0; i < 300; ++i)
            f.put(char(i * 13));
    }
    EXPECT_EQ(s.control("area-load 3 " + in).back(), "ok 300");
    const std::vector<uint8_t>& area = s.state().clone_area;
    EXPECT_EQ(area[299], uint8_t(299 * 13));
    EXPECT_EQ(area[300], 0);
    EXPECT_EQ(s.control("area-save 3 " + out).back(), "ok");
    std::ifstream f(out, std::ios::binary);
    const std::vector<uint8_t> saved((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved, area);
    EXPECT_EQ(saved.size(), size_t(dp::clone_area_size));
    EXPECT_EQ(s.control("area-load 4 " + in).back(), "error usage: area-load <2|3> <file>");
    EXPECT_EQ(s.control("area-load 3 " + dir.file("missing")).back(), "error cannot read " + dir.file("missing"));
}
