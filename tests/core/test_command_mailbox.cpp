#include <gtest/gtest.h>

#include <string>

#include "core/device/command_mailbox.h"

namespace dp = device_protocol;

namespace {

device_frame command(uint8_t cmd, uint8_t tag)
{
    device_frame f = device_frame::make(dp::req_command, dp::count_command);
    f[dp::command_offset] = cmd;
    f[10] = tag;  // tells the frames apart
    return f;
}

// The queue as (command, tag) pairs, oldest first.
std::string drain()
{
    std::string s;
    while (const device_frame* f = queue_oldest()) {
        s += std::to_string((*f)[dp::command_offset]) + char('a' + (*f)[10]) + " ";
        queue_remove_oldest();
    }
    return s;
}

TEST(CommandMailbox, QueueAndReplace)
{
    struct step {
        char op;  // r: queue_request, s: queue_set_single, t: three frames
        uint8_t cmd, tag;
    };
    struct row {
        const char* name;
        std::vector<step> steps;
        const char* expected;
    };
    const row rows[] = {
        {"oldest first", {{'r', 3, 0}, {'r', 4, 1}, {'r', 3, 2}}, "3a 4b 3c "},
        {"four fit", {{'r', 3, 0}, {'r', 3, 1}, {'r', 3, 2}, {'r', 4, 3}}, "3a 3b 3c 4d "},
        {"a fifth collapses to stop stepping", {{'r', 3, 0}, {'r', 3, 1}, {'r', 3, 2}, {'r', 3, 3}, {'r', 4, 4}}, "5e "},
        {"single replaces the queue", {{'r', 3, 0}, {'r', 3, 1}, {'s', 7, 2}}, "7c "},
        {"three frames go out in their order", {{'r', 3, 0}, {'t', 1, 5}}, "1f 1g 1h "},
        {"requests after three", {{'t', 2, 0}, {'r', 3, 3}}, "2a 2b 2c 3d "},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        queue_clear();
        for (const auto& s : r.steps) {
            if (s.op == 'r')
                queue_request(command(s.cmd, s.tag));
            else if (s.op == 's')
                queue_set_single(command(s.cmd, s.tag));
            else
                queue_set_three(command(s.cmd, s.tag), command(s.cmd, uint8_t(s.tag + 1)),
                                command(s.cmd, uint8_t(s.tag + 2)));
        }
        EXPECT_EQ(drain(), r.expected);
    }
    EXPECT_EQ(command_mailbox().count, 0);
    queue_remove_oldest();
    EXPECT_EQ(command_mailbox().count, 0);
}

}  // namespace
