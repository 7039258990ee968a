// The manual page's rules without its widgets: the command frames and their order in the
// queue, the input/output and error indicators, and the input-function names.
#include <gtest/gtest.h>

#include "core/device/command_mailbox.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "manual/io_indicators.h"
#include "page_common/manual_commands.h"
#include "state/link_state.h"

namespace dp = device_protocol;

namespace {

struct commands : ::testing::Test {
    void SetUp() override
    {
        core_reset_for_tests();
        link_reset_for_tests();
        queue_clear();
        config_image& img = g_config_image();
        for (uint32_t n : {4u, 5u, 6u, 7u, 9u}) {
            img.function(n).set_in_use(true);
            img.function(n).set_field(fr::object_pos, int32_t(1000 + n));
        }
        for (uint32_t n : {4u, 5u, 6u, 7u})
            img.function(n).set_field(fr::flags, fr::flag_cluster);
    }
    void TearDown() override
    {
        queue_clear();
        core_reset_for_tests();
        link_reset_for_tests();
    }
    // Command byte and function number of each queued frame, in sending order.
    static std::vector<std::pair<int, int>> sending_order()
    {
        std::vector<std::pair<int, int>> out;
        const command_mailbox_state& q = command_mailbox();
        for (int i = q.count - 1; i >= 0; --i)
            out.emplace_back(q.frames[i][dp::command_offset], q.frames[i].u16(5));
        return out;
    }
};

TEST_F(commands, a_start_queues_the_group_members_in_sending_order)
{
    using order = std::vector<std::pair<int, int>>;
    const struct {
        int n;
        order expected;
    } cases[] = {
        {4, {{1, 4}, {1, 5}, {1, 6}}},  // first of a group: its members 1 and 2 follow
        {7, {{1, 7}, {1, 5}, {1, 6}}},  // last of a group: the same
        {5, {{1, 5}}},                  // a middle member alone
        {9, {{1, 9}}},                  // a plain function
    };
    for (const auto& c : cases) {
        queue_request(stop_stepping_frame());  // whatever was queued goes
        queue_start_function(c.n);
        EXPECT_EQ(sending_order(), c.expected) << c.n;
    }
    // Each frame carries its function's packed record: the object position at byte 27.
    queue_start_function(4);
    EXPECT_EQ(int32_t(command_mailbox().frames[1].u32(27)), 1005);
    EXPECT_EQ(command_mailbox().frames[0][1], 0xBB);
    EXPECT_EQ(command_mailbox().frames[0][3], 0x37);
}

TEST_F(commands, a_teach_turns_every_slot_into_a_teach_and_marks_the_teach_code)
{
    queue_teach_function(7);
    EXPECT_EQ(sending_order(), (std::vector<std::pair<int, int>>{{2, 7}, {2, 5}, {2, 6}}));
    EXPECT_EQ(g_status().teach_code, 7 | teach_no_refresh);

    // A single teach rewrites slots 1 and 2 too, but only one frame is sent.
    queue_teach_function(9);
    EXPECT_EQ(sending_order(), (std::vector<std::pair<int, int>>{{2, 9}}));
    EXPECT_EQ(command_mailbox().frames[1][dp::command_offset], dp::cmd_teach);

    // No selected function: nothing is queued and no teach waits.
    link_reset_for_tests();
    queue_clear();
    queue_teach_function(-1);
    EXPECT_EQ(command_mailbox().count, 0);
    EXPECT_EQ(g_status().teach_code, teach_none);
}

TEST_F(commands, a_stop_replaces_a_queued_group_start)
{
    queue_start_function(4);
    queue_stop();
    ASSERT_EQ(command_mailbox().count, 1);
    const device_frame& f = command_mailbox().frames[0];
    EXPECT_EQ(f[dp::command_offset], dp::cmd_stop);
    EXPECT_EQ(f.u16(5), 0xFFFF);
    EXPECT_EQ(f[2], 0x02);
}

TEST_F(commands, single_scan_bytes_for_both_intensity_maps)
{
    single_scan_values v;
    v.mode = ss_check_obj;
    v.object_pos = -123456;
    v.teach_limit = -250;
    v.tolerance = 175;
    const struct {
        int32_t family;
        int index;
        uint8_t code;
    } cases[] = {{0, 0, 0}, {0, 1, 2}, {0, 6, 7}, {0, 7, 1}, {0, 8, 0},
                 {1, 0, 0}, {1, 1, 3}, {1, 2, 5}, {1, 3, 1}, {1, 4, 0}};
    for (const auto& c : cases) {
        g_device().family_flag = c.family;
        v.intensity_index = c.index;
        const device_frame f = single_scan_frame(v);
        EXPECT_EQ(f[35], c.code) << c.family << "/" << c.index;
        EXPECT_EQ(f[dp::command_offset], dp::cmd_start);
        EXPECT_EQ(f.u16(5), 0xFFFF);
        EXPECT_EQ(f[20], ss_check_obj);
        EXPECT_EQ(f.u16(22), 0);
        EXPECT_EQ(int32_t(f.u32(27)), -123456);
        EXPECT_EQ(int16_t(f.u16(31)), -250);
        EXPECT_EQ(int16_t(f.u16(33)), 175);
    }
}

TEST_F(commands, a_step_press_as_the_fifth_frame_leaves_one_stop_stepping_frame)
{
    queue_start_function(4);
    queue_request(stop_stepping_frame());
    ASSERT_EQ(command_mailbox().count, 4);
    queue_request(step_frame(true, 40));
    ASSERT_EQ(command_mailbox().count, 1);
    EXPECT_EQ(command_mailbox().frames[0][dp::command_offset], dp::cmd_stop_stepping);

    // With room left the press goes in front of the queue and carries the speed.
    queue_clear();
    queue_request(step_frame(false, 40));
    EXPECT_EQ(command_mailbox().frames[0][dp::command_offset], dp::cmd_step_minus);
    EXPECT_EQ(command_mailbox().frames[0].u16(5), 40);
}

io_status io(uint16_t in, uint8_t out, uint8_t dip = 0, uint16_t sw = 0) { return io_status{in, out, dip, sw}; }
io_variant variant(bool io_module, bool family, bool vb2, bool in13)
{
    return io_variant{io_module, family, vb2, in13};
}
std::string leds(const io_view& v, bool inputs)
{
    std::string s;
    auto c = [](led_view l) {
        return l == led_view::lit ? '1' : l == led_view::clear ? '0' : l == led_view::dark ? '-' : 'x';
    };
    if (inputs)
        for (led_view l : v.inputs)
            s += c(l);
    else
        for (led_view l : v.outputs)
            s += c(l);
    return s;
}

TEST(io_indicators, inputs_outputs_and_switches_by_variant)
{
    const struct {
        const char* name;
        io_status s;
        io_variant v;
        const char* inputs;   // LED 0 first
        const char* outputs;  // LED 0 first
        const char* dip;
        const char* hex;
    } cases[] = {
        {"Premium with I/O module: every LED takes its bit", io(0x3FFF, 0x0F, 0x01, 0x3A5), variant(true, false, false, false),
         "11111111111111", "1111", "10000000", "5A3"},
        {"without I/O module: inputs 3 and up dark, outputs 3-4 dark", io(0x3FFF, 0x0F, 0x01, 0x3A5),
         variant(false, false, false, false), "111----------1", "11--", "--------", "---"},
        {"Basic with I/O module: inputs 0-4 and 12, output 4 dark", io(0x3FFF, 0x0F), variant(true, true, false, false),
         "11111-------11", "111-", "00000000", "000"},
        {"reduced Premium: inputs 0-9 and the button, output 4 disabled", io(0x3FFF, 0x0F), variant(false, false, true, false),
         "1111111111---1", "111x", "--------", "---"},
        {"input 13 with a function stays dark", io(0x2000, 0), variant(true, false, false, true), "0000000000000-",
         "0000", "00000000", "000"},
    };
    for (const auto& c : cases) {
        const io_view v = compute_io_view(c.s, c.v);
        EXPECT_EQ(leds(v, true), c.inputs) << c.name;
        EXPECT_EQ(leds(v, false), c.outputs) << c.name;
        EXPECT_EQ(v.dip.toStdString(), c.dip) << c.name;
        EXPECT_EQ((v.hex[0] + v.hex[1] + v.hex[2]).toStdString(), c.hex) << c.name;
    }
    EXPECT_TRUE(compute_io_view(io(0, 0, 0, 0x001), variant(true, false, false, false)).switches_set);
    EXPECT_FALSE(compute_io_view(io(0, 0, 0, 0x110), variant(true, false, false, false)).switches_set);
}

TEST(io_indicators, error_indicators)
{
    const struct {
        uint8_t error_byte, code;
        const char* red;  // power supply, scanner, control unit, fieldbus
    } cases[] = {
        {0x04, 29, "0100"}, {0x00, 20, "0000"}, {0x04, 20, "1000"}, {0x04, 8, "1000"},  {0x04, 9, "0010"},
        {0x04, 41, "0010"}, {0x04, 14, "0001"}, {0x04, 19, "0001"}, {0x01, 0, "0100"},  {0x08, 3, "0100"},
        {0x04, 38, "0010"}, {0x04, 42, "0000"}, {0x04, 10, "0000"}, {0x02, 14, "0100"},
    };
    for (const auto& c : cases) {
        const auto red = error_leds_red(c.error_byte, c.code);
        std::string s;
        for (bool r : red)
            s += r ? '1' : '0';
        EXPECT_EQ(s, c.red) << int(c.error_byte) << "/" << int(c.code);
    }
}

TEST(io_indicators, input_function_names_are_looked_up_within_bounds)
{
    EXPECT_EQ(input_function_name(0), QStringLiteral("No Function"));
    EXPECT_EQ(input_function_name(4), QStringLiteral("Function Selector"));
    EXPECT_EQ(input_function_name(9), QStringLiteral("Softscan"));
    for (int32_t bad : {-1, 10, 0x7FFFFFFF})
        EXPECT_EQ(input_function_name(bad), QStringLiteral("-")) << bad;
}

}  // namespace
