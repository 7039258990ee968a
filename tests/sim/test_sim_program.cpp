// The simulated controller with its demo program: cycles of programmed functions with their
// counters and positions, teach, single scans, GoPos and rereference, stepping, stop, the
// refusals of a busy or unprogrammed start, the live mode's changes, the side bits of one-sided
// results, the self test and the error buffer's new-entry bit.
#include <gtest/gtest.h>

#include "sim/controller.h"
#include "sim/demo_program.h"
#include "sim/diagnostics.h"
#include "sim/profiles.h"

namespace dp = device_protocol;

namespace {

struct program_fixture : ::testing::Test {
    sim::world w;
    sim::fault_plan faults;
    sim::wire_log log;
    sim::controller c{w, faults, log};
    void SetUp() override
    {
        sim::load_profile(w, "premium");
        sim::load_demo_program(w);
        w.scan_status_polls = 3;
    }
    device_frame command(uint8_t cmd, uint16_t fn, uint8_t mode = 0, int32_t position = 0)
    {
        device_frame f = device_frame::make(dp::req_command, dp::count_command);
        f[dp::command_offset] = cmd;
        f.set_u16(5, fn);
        f[20] = mode;
        f.set_u32(27, uint32_t(position));
        return f;
    }
    // The reply to a command: 0 acknowledged, else the device error code.
    int send(const device_frame& f)
    {
        const auto r = c.handle_frame(f);
        EXPECT_EQ(r.size(), 1u);
        return r.at(0).is_error() ? r.at(0)[dp::error_code_offset] : 0;
    }
    device_frame status()
    {
        return c.handle_frame(make_status_request()).at(0);
    }
    device_frame polls(int n)
    {
        device_frame s;
        for (int i = 0; i < n; ++i)
            s = status();
        return s;
    }
    static int32_t i32(const device_frame& s, size_t data) { return int32_t(s.u32(dp::data_offset + data)); }
};

TEST_F(program_fixture, a_start_scans_then_reports_ok_counter_position_and_measured_value)
{
    w.cycle_offset = 7;
    ASSERT_EQ(send(command(dp::cmd_start, 5)), 0);
    EXPECT_EQ(status()[dp::data_offset] & 0x02, 0x02);  // scanning
    const device_frame s = polls(2);
    EXPECT_EQ(s[dp::data_offset] & 0x1A, 0x08);  // OK, no longer scanning
    EXPECT_EQ(s.u16(dp::data_offset + dp::status_report_function), 5);
    EXPECT_EQ(i32(s, dp::status_report_position), 1234);
    EXPECT_EQ(i32(s, dp::status_report_counter), 17);
    EXPECT_EQ(i32(s, dp::status_measured), 1241);
    EXPECT_EQ(i32(s, dp::status_second_measured), -1234 + 7);  // the left partner's side
    EXPECT_EQ(s[dp::data_offset + dp::status_result_word] & 0x40, 0x40);
}

TEST_F(program_fixture, busy_and_unprogrammed_starts_are_refused_group_members_are_not)
{
    EXPECT_EQ(send(command(dp::cmd_start, 8)), dp::device_error_function_number);
    ASSERT_EQ(send(command(dp::cmd_start, 4)), 0);
    EXPECT_EQ(send(command(dp::cmd_start, 5)), 0);  // the group's members follow its first
    EXPECT_EQ(send(command(dp::cmd_start, 6)), 0);
    EXPECT_EQ(send(command(dp::cmd_start, 9)), dp::device_error_busy);
    polls(3);
    EXPECT_EQ(send(command(dp::cmd_start, 9)), 0);
}

TEST_F(program_fixture, results_follow_the_cycle_setting)
{
    const struct {
        uint8_t mode;
        const char* results;
    } cases[] = {{0, "OOO"}, {1, "KKK"}, {2, "OKO"}};
    for (const auto& c : cases) {
        w.cycle_result = c.mode;
        w.alternate_ko = false;
        std::string got;
        for (int i = 0; i < 3; ++i) {
            send(command(dp::cmd_start, 9));
            got += (polls(3)[dp::data_offset] & 0x10) ? 'K' : 'O';
        }
        EXPECT_EQ(got, c.results) << int(c.mode);
    }
}

TEST_F(program_fixture, teach_stores_the_position_single_scans_move_and_measure)
{
    w.status[dp::status_current_position] = 0x10;  // 0.16
    send(command(dp::cmd_teach, 9));
    polls(3);
    EXPECT_EQ(int32_t(w.functions[9][20] | w.functions[9][21] << 8), 0x10);

    send(command(dp::cmd_start, 0xFFFF, 1, 4321));
    EXPECT_EQ(i32(polls(3), dp::status_measured), 4321);
    send(command(dp::cmd_start, 0xFFFF, 2, 9000));  // GoPos
    EXPECT_EQ(i32(polls(3), dp::status_current_position), 9000);
    send(command(dp::cmd_start, 0xFFFF, 3, 9000));  // rereference
    const device_frame s = polls(3);
    EXPECT_EQ(i32(s, dp::status_current_position), 0);
    EXPECT_EQ(s[dp::data_offset] & 0x01, 0x01);  // home
}

TEST_F(program_fixture, steps_move_at_the_frame_speed_until_stop_stepping_and_stop_ends_all)
{
    device_frame step = command(dp::cmd_step_plus, 30);
    send(step);
    EXPECT_EQ(i32(polls(2), dp::status_current_position), 600);
    send(command(dp::cmd_stop_stepping, 0));
    EXPECT_EQ(i32(polls(2), dp::status_current_position), 600);
    send(command(dp::cmd_step_minus, 10));
    send(command(dp::cmd_start, 1));
    send(command(dp::cmd_stop, 0xFFFF));
    const device_frame s = polls(3);
    EXPECT_EQ(i32(s, dp::status_current_position), 600);  // the stop ended the stepping too
    EXPECT_EQ(s[dp::data_offset] & 0x1A, 0);  // neither scanning nor a result
}

TEST_F(program_fixture, the_basic_program_has_four_functions_and_teach_is_permitted)
{
    sim::load_profile(w, "basic");
    sim::load_demo_program(w);
    int used = 0;
    for (bool u : w.function_used)
        used += u;
    EXPECT_EQ(used, 4);
    EXPECT_EQ(w.status[dp::status_output_word] & dp::status_teach_permitted, dp::status_teach_permitted);
}

TEST_F(program_fixture, live_changes_walk_the_inputs_and_start_demo_functions)
{
    uint16_t seen = 0;
    for (uint32_t i = 0; i < 14; ++i) {
        sim::live_step(w, i);
        seen |= uint16_t(w.status[dp::status_inputs] | w.status[dp::status_inputs + 1] << 8);
    }
    EXPECT_EQ(seen, 0x3FFF);
    EXPECT_GE(w.running_function, 0);  // step 9 started one
}

TEST_F(program_fixture, one_sided_results_of_a_cluster_member_set_the_side_bits)
{
    const struct {
        uint8_t side;
        uint16_t function;
        uint8_t bits;
    } cases[] = {{8, 6, 8}, {4, 5, 4}, {0, 5, 0}, {8, 9, 0}};
    for (const auto& c : cases) {
        w.cycle_side = c.side;
        const uint8_t toggle = w.status[dp::status_result_word] & 0x40;
        send(command(dp::cmd_start, c.function));
        const device_frame s = polls(3);
        EXPECT_EQ(s[dp::data_offset + dp::status_result_word] & 0x0C, c.bits) << int(c.function);
        EXPECT_NE(s[dp::data_offset + dp::status_result_word] & 0x40, toggle) << int(c.function);
    }
}

TEST_F(program_fixture, a_self_test_fills_area_2_at_its_rate_and_ends_with_status_0)
{
    w.selftest.rate = 50;
    w.selftest.samples = 120;
    EXPECT_EQ(send(command(dp::cmd_start, 0xFFFF, sim::self_test_mode)), 0);
    auto header = [&](size_t k) { return int(w.diagnostic_area[k] | w.diagnostic_area[k + 1] << 8); };
    EXPECT_EQ(header(0), 1);
    EXPECT_EQ(header(2), 0);
    const int counts[] = {50, 100, 120};
    for (int n : counts) {
        status();
        EXPECT_EQ(header(0), 1);
        EXPECT_EQ(header(2), n);
    }
    status();
    EXPECT_EQ(header(0), 0);
    EXPECT_EQ(header(2), 120);
    EXPECT_NE(w.diagnostic_area[8 + 4 * 119], 0);  // position of the last sample
    EXPECT_EQ(w.running_function, -1);              // no scan was started
}

TEST_F(program_fixture, a_new_error_entry_raises_bit_8_until_the_host_read_to_the_end)
{
    std::string why;
    w.error_buffer.clear();
    ASSERT_TRUE(sim::add_error_entry(w, {"code=26", "source=5", "function=12", "values=1234,-50,99999",
                                         "status=81-05-00-00-00-00-00-01", "time=90061001", "power-on=1"}, why))
        << why;
    ASSERT_EQ(w.error_buffer.size(), 1u);
    const auto& e = w.error_buffer[0];
    EXPECT_EQ(e[0], 1);   // counter
    EXPECT_EQ(e[12], 26);
    EXPECT_EQ(e[13], 5);
    EXPECT_EQ(e[34], 12);
    EXPECT_EQ(e[22], 0xCE);  // -50
    EXPECT_EQ(e[36], 0x81);
    EXPECT_EQ(e[43], 0x01);
    EXPECT_EQ(e[11], 0x80);  // power-on
    EXPECT_TRUE(status()[dp::data_offset + dp::status_output_word + 1] & 1);

    auto read = [&](uint8_t i) {
        device_frame f = device_frame::make(dp::req_info, dp::count_info_sub);
        f[dp::info_index_offset] = dp::info_error_buffer;
        f[dp::info_sub_offset] = i;
        return c.handle_frame(f).at(0);
    };
    EXPECT_FALSE(read(0).is_error());
    EXPECT_TRUE(status()[dp::data_offset + dp::status_output_word + 1] & 1);
    EXPECT_TRUE(read(1).is_error());  // the end of the list
    EXPECT_FALSE(status()[dp::data_offset + dp::status_output_word + 1] & 1);

    ASSERT_TRUE(sim::add_error_entry(w, {"code=3"}, why));
    EXPECT_EQ(w.error_buffer[1][0], 2);
    sim::clear_error_buffer(w);
    EXPECT_TRUE(w.error_buffer.empty());
    EXPECT_FALSE(status()[dp::data_offset + dp::status_output_word + 1] & 1);

    for (const char* bad : {"colour=3", "code=x", "values=1,2,3,4", "status=01-02-03-04-05-06-07-08-09", "status=1ff"})
        EXPECT_FALSE(sim::add_error_entry(w, {bad}, why)) << bad;
}

}  // namespace
