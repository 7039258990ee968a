// Requests of the link itself: the cyclic status request and the mailbox commands.
#include <algorithm>

#include "sim/demo_program.h"
#include "sim/diagnostics.h"
#include "sim/pm_live.h"
#include "sim/profiles.h"
#include "sim/request_table.h"

namespace sim {

namespace dp = device_protocol;

namespace {

constexpr uint8_t state_scanning = 0x02;
constexpr uint8_t state_ok = 0x08;
constexpr uint8_t state_ko = 0x10;
constexpr size_t data_current_position = 30;
constexpr size_t data_measured = 34;
constexpr size_t data_second_value = 42;
// A test scan answers its angle in the set-up values (the position labels show both).
constexpr size_t data_setup_position = 2;
constexpr size_t data_setup_value = 6;

void put_i32(world& w, size_t data_offset, int32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        w.status[data_offset + i] = uint8_t(uint32_t(v) >> (8 * i));
}
int32_t get_i32(const world& w, size_t data_offset)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v |= uint32_t(w.status[data_offset + i]) << (8 * i);
    return int32_t(v);
}

// Time in the controller passes with the status requests the host sends.
void advance_mailbox(world& w)
{
    if (w.scanning_left > 0 && --w.scanning_left == 0) {
        const bool test_scan = w.mailbox_command == dp::cmd_test_scan;
        if ((w.mailbox_command == dp::cmd_teach || test_scan) && !w.teach_queue.empty()) {
            const world::teach_outcome t = w.teach_queue.front();
            w.teach_queue.pop_front();
            if (!t.ok) {
                w.status[0] = uint8_t((w.status[0] & ~(state_scanning | state_ok)) | state_ko);
                return;
            }
            w.status[0] = uint8_t((w.status[0] & ~(state_scanning | state_ko)) | state_ok);
            put_i32(w, data_measured, t.first);
            put_i32(w, data_second_value, t.second);
            if (test_scan) {
                put_i32(w, data_setup_position, t.first);
                put_i32(w, data_setup_value, t.first);
            }
            return;
        }
        w.status[0] = uint8_t((w.status[0] & ~state_scanning) | state_ok);
        put_i32(w, data_measured, w.teach_value);
        if (test_scan) {
            put_i32(w, data_setup_position, w.teach_value);
            put_i32(w, data_setup_value, w.teach_value);
        }
    }
    if (w.stopping_left > 0 && --w.stopping_left == 0)
        w.status[0] &= uint8_t(~state_scanning);
}

// Factory defaults: the stores and settings of the profile again; what the controller was
// told and how it behaves (mailbox timing, reboot time) stays for the observer.
void restore_factory_defaults(world& w)
{
    world before = w;
    load_profile(w, before.profile_name);
    w.commands = std::move(before.commands);
    w.requests_handled = before.requests_handled;
    w.violations = before.violations;
    w.scan_status_polls = before.scan_status_polls;
    w.stop_status_polls = before.stop_status_polls;
    w.teach_value = before.teach_value;
    w.teach_queue = before.teach_queue;
    if (before.program_loaded)
        load_demo_program(w);
    w.reboot_ms = before.reboot_ms;
    // The non-volatile memory stays; the program written back to it is the factory one.
    w.clone_area = std::move(before.clone_area);
    w.program_flash_limit = before.program_flash_limit;
}

// The mailbox with a program loaded: cycles of the programmed functions, single scans and
// stepping at the frame's speed. False for the commands that act as without a program.
bool handle_program_command(world& w, const device_frame& request, reply_sink& out)
{
    switch (request[dp::command_offset]) {
    case dp::cmd_start:
    case dp::cmd_teach:
    case dp::cmd_test_scan:
        if (uint8_t e = start_cycle(w, request)) {
            out.error(e);
            return true;
        }
        break;
    case dp::cmd_step_plus:
    case dp::cmd_step_minus:
        w.step_speed = int32_t(request.u16(5)) * (request[dp::command_offset] == dp::cmd_step_plus ? 1 : -1);
        break;
    case dp::cmd_stop_stepping:
        w.step_speed = 0;
        break;
    case dp::cmd_stop:
        w.step_speed = 0;
        w.running_function = -1;
        return false;
    default:
        return false;
    }
    out.acknowledge();
    return true;
}

}  // namespace

void handle_status(world& w, const device_frame&, reply_sink& out)
{
    if (w.program_loaded)
        advance_program(w);
    else
        advance_mailbox(w);
    pm_advance(w);
    advance_self_test(w);
    if (w.loader_only) {
        device_frame& f = out.reply(0);
        f.set_u32(dp::data_offset, dp::loader_status_word);
        return;
    }
    device_frame& f = out.reply(w.status_count);
    // Status data as set, up to the data count; the rest of the frame stays zero.
    size_t n = std::min<size_t>(w.status_count, w.status.size());
    for (size_t i = 0; i < n; ++i)
        f[dp::data_offset + i] = w.status[i];
}

void handle_command(world& w, const device_frame& request, reply_sink& out)
{
    if (w.commands.size() >= world::max_commands)
        w.commands.erase(w.commands.begin());
    w.commands.push_back(request);
    if (request[dp::command_offset] == dp::cmd_start && request.u16(5) == 0xFFFF && request[20] == self_test_mode) {
        start_self_test(w);
        out.acknowledge();
        return;
    }
    if (w.program_loaded && handle_program_command(w, request, out))
        return;
    switch (request[dp::command_offset]) {
    case dp::cmd_start:
    case dp::cmd_teach:
    case dp::cmd_test_scan:
        w.mailbox_command = request[dp::command_offset];
        w.status[0] = uint8_t((w.status[0] | state_scanning) & ~(state_ok | state_ko));
        w.scanning_left = std::max<uint32_t>(1, w.scan_status_polls);
        w.stopping_left = 0;
        break;
    case dp::cmd_stop:
        w.scanning_left = 0;
        w.stopping_left = w.stop_status_polls;
        if (w.stopping_left == 0)
            w.status[0] &= uint8_t(~state_scanning);
        break;
    case dp::cmd_reset_ko:
        w.status[0] &= uint8_t(~state_ko);
        break;
    case dp::cmd_step_plus:
    case dp::cmd_step_minus:
        put_i32(w, data_current_position,
                get_i32(w, data_current_position) + (request[dp::command_offset] == dp::cmd_step_plus ? 100 : -100));
        break;
    case dp::cmd_reset:
        if (request[dp::command_offset + 1] == 1)
            restore_factory_defaults(w);
        if (request[dp::command_offset + 1] == 1 || request[dp::command_offset + 1] == 3)
            w.reboot_pending = true;
        break;
    default:
        break;
    }
    out.acknowledge();
}

}  // namespace sim
