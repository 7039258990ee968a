// When the tests that drive the whole program may go on after a Start or a Teach: once the
// controller is idle, as the status panel's Scanning light shows it to the user. A status
// reply the program decoded before the command's acknowledge, or the moment between two
// cycles, still shows the light out, and the next command would meet a cycle that runs
// ("the last process is not finished").
#pragma once
#include <cstdint>
#include <vector>

#include "core/device/command_mailbox.h"
#include "core/device/device_exchange.h"
#include "core/protocol/device_protocol.h"
#include "state/link_state.h"
#include "tests/sim/tvxsim_process.h"

namespace testing_support {

// True when nothing is queued or unanswered, and the status the program decoded last is the
// one the controller sent last, after its last command from `seq` on (a wire log sequence
// taken before the command was given), with no cycle running.
inline bool controller_idle(tvxsim_process& sim, uint64_t seq)
{
    namespace dp = device_protocol;
    constexpr uint8_t scanning = 0x02;  // status data byte 0
    const status_state& S = g_status();
    if (command_mailbox().count != 0 || dev_exchange().command_in_flight || !S.last_raw_valid)
        return false;
    const std::vector<sim::wire_entry> log = sim.control().wire_log(seq);
    const sim::wire_entry* last_status = nullptr;
    for (const sim::wire_entry& e : log) {
        const uint8_t kind = e.frame(dp::type_offset) & dp::type_kind_mask;
        if (e.direction == sim::wire_direction::in && kind == dp::kind_command)
            last_status = nullptr;
        else if (e.direction == sim::wire_direction::out && kind == dp::kind_status)
            last_status = &e;
    }
    if (!last_status || (last_status->frame(dp::data_offset) & scanning) != 0)
        return false;
    // Compared as the program compares two replies to see news in them.
    for (size_t i = dp::count_offset; i < dp::data_offset + dp::status_data_count; ++i)
        if (last_status->frame(i) != S.last_raw[i])
            return false;
    return true;
}

}  // namespace testing_support
