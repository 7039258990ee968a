#include "core/device/link_timer.h"

#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"

namespace dp = device_protocol;

namespace {

// A step with nothing to send sleeps this long at most for a report instead of spinning.
constexpr uint32_t idle_wait_ms = 1;
// The step that sent the status request waits for its reply a little longer: the controller
// answers within two of its 1 ms interrupt frames, and a step that gave up before that would
// only cost a wake-up and another pass of the event loop for the same reply.
constexpr uint32_t request_wait_ms = 4;

bool is_step_command(uint8_t c)
{
    return c == dp::cmd_step_plus || c == dp::cmd_step_minus || c == dp::cmd_stop_stepping;
}

void clear_flight(dev_exchange_state& x)
{
    queue_clear();
    g_device().loader_state = false;
    x.status_in_flight = x.command_in_flight = x.step_sent = false;
}

// Marks the link down; true when it was up.
bool go_down(link_session& s)
{
    if (!s.connected)
        return false;
    s.connected = false;
    g_device().loader_state = false;
    return true;
}

// The controller left: nothing sent will be answered and the link goes down at once. One
// unplug, whether the step polled it or an exchange met it first and left the mark.
void take_unplug(link_session& s, dev_exchange_state& x, link_step_result& r)
{
    x.unplug_met = false;
    clear_flight(x);
    r.went_down = go_down(s) || r.went_down;
    r.event = link_event::unplugged;
    r.error = error_record{};
    r.error.code = hid_status_unplugged;
}

void pass_to_pages(const device_frame& status)
{
    if (auto& hook = link_status_reply_hook())
        hook(status);
}

// Sends what is due. True when the step ends here (a command went out or could not).
bool send(link_session& s, dev_exchange_state& x, link_step_result& r)
{
    if (x.status_in_flight)
        return false;
    const device_frame* oldest = queue_oldest();
    if (!x.command_in_flight && oldest) {
        error_record e;
        const device_frame frame = *oldest;
        if (!hid_send_frame(frame.data(), dp::frame_size, e)) {
            r.event = link_event::send_failed;
            r.error = e;
            // The command stays queued for the next step; but a controller that is gone is
            // looked for in the mailbox first, or its unplug would wait behind the command.
            return hid_link_up();
        }
        if (is_step_command(frame[dp::command_offset])) {
            queue_remove_oldest();
            x.step_sent = true;
        } else {
            x.step_sent = false;
        }
        x.command_in_flight = true;
        s.reply_countdown = g_link_settings().reply_ticks;
        r.event = link_event::command_sent;
        return true;
    }
    if (!oldest && !x.command_in_flight) {
        error_record e;
        const device_frame request = make_status_request();
        x.status_in_flight = hid_send_frame(request.data(), dp::frame_size, e);
        if (x.status_in_flight) {
            s.reply_countdown = g_link_settings().reply_ticks;
            r.request_sent = true;
        }
    }
    return false;
}

// Takes the reply the receive thread left, or learns what went wrong.
void take(link_session& s, dev_exchange_state& x, link_step_result& r)
{
    if (x.status_reply_waiting) {
        // The status reply that an exchange took while it waited for the link to be idle.
        r.frame = x.last_status_reply;
        x.status_reply_waiting = false;
        r.event = r.frame.kind() == dp::kind_status ? link_event::status_frame
                  : r.frame.kind() == dp::kind_command && r.frame.is_error() ? link_event::device_error
                  : r.frame.kind() == dp::kind_command                       ? link_event::command_frame
                                                                             : link_event::other_frame;
        return;
    }

    // The reply to a request just sent is as good as one awaited: the wait ends the moment
    // it comes, so one step covers the whole exchange.
    error_record e;
    bool got = hid_poll(e);
    if (!got && hid_wait(r.request_sent ? request_wait_ms : idle_wait_ms))
        got = hid_poll(e);

    if (!got) {
        if (s.reply_countdown == 1) {
            clear_flight(x);
            s.reply_countdown = 0;
            r.went_down = go_down(s);
            if (r.went_down)
                r.event = link_event::lost;
        } else if (s.reply_countdown > 0) {
            --s.reply_countdown;
        }
        return;
    }
    if (e.code == hid_status_unplugged) {
        take_unplug(s, x, r);
        return;
    }
    if (e.code != 0) {
        r.event = e.code == hid_status_read_error ? link_event::receive_error : link_event::driver_error;
        r.error = e;
        return;
    }
    // The frame is copied into zeros, so nothing of an earlier reply shows through behind a
    // shorter one.
    uint16_t length = 0;
    error_record te;
    device_frame frame;
    if (!hid_take_frame(frame.data(), length, te) || frame[dp::start_offset] != dp::start_byte)
        return;
    r.frame = frame;
    if (frame.kind() == dp::kind_status) {
        x.status_in_flight = false;
        r.event = link_event::status_frame;
        return;
    }
    if (frame.kind() == dp::kind_command && x.command_in_flight) {
        // Only the acknowledge of a command that was sent removes one; a stray one would
        // drop a command not yet sent.
        x.command_in_flight = false;
        if (!x.step_sent)
            queue_remove_oldest();
    }
    r.event = frame.kind() == dp::kind_command && frame.is_error() ? link_event::device_error
              : frame.kind() == dp::kind_command                   ? link_event::command_frame
                                                                   : link_event::other_frame;
}

}  // namespace

link_timer_settings& g_link_settings()
{
    static link_timer_settings s;
    return s;
}

std::function<void(const device_frame&)>& link_status_reply_hook()
{
    static std::function<void(const device_frame&)> hook;
    return hook;
}

link_step_result link_step(link_session& s)
{
    link_step_result r;
    r.was_connected = s.connected;
    if (g_dev_commands().exchange_busy) {
        r.event = link_event::busy;
        return r;
    }
    dev_exchange_state& x = dev_exchange();
    if (send(s, x, r))
        return r;
    take(s, x, r);

    if (r.event == link_event::status_frame)
        pass_to_pages(r.frame);
    // An unplug that an exchange met, in the page cycles just run or since the last step,
    // is this step's: the link goes down now, and a reply taken before it brings nothing up.
    if (x.unplug_met)
        take_unplug(s, x, r);
    if (r.event == link_event::device_error) {
        // The controller's error record: type, code and the one argument (none when the
        // reply carries only type and code).
        r.error.set(int16_t(r.frame[dp::error_type_offset]), r.frame[dp::error_code_offset], err_severity_error,
                    err_arg_once,
                    r.frame.data_count() == dp::error_count_without_argument ? 0 : r.frame[dp::error_argument_offset]);
        return r;
    }
    if (r.frame_taken() && r.frame.kind() != dp::kind_parameter)
        s.connected = true;
    // Commands queued while no controller answers are dropped.
    if (!s.connected && command_mailbox().count > 0) {
        queue_clear();
        x.command_in_flight = x.step_sent = false;
        r.commands_dropped = true;
    }
    return r;
}
