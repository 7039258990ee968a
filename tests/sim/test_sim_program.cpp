// The simulated controller with its demo program: cycles of programmed functions with their
// counters and positions, teach, single scans, GoPos and rereference, stepping, stop, the
// refusals of a busy or unprogrammed start, and the live mode's changes.
#include <gtest/gtest.h>

#include "sim/controller.h"
#include "sim/demo_program.h"
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

}  // namespace
