// One step of the link timer, without a window: send the oldest queued command, else the
// status request; take what the receive thread left; book acknowledges; count the ticks a
// reply may take and give the link up when they run out. The main window calls link_step()
// from its timer slot and keeps the labels, the LED, the boxes and the page dispatch.
//
// Page cycles hang on link_status_reply_hook(): every status reply the step takes goes
// there before the step returns, so the window decodes it only after the pages had it.
// GUI thread only, like the link itself.
#pragma once
#include <cstdint>
#include <functional>

#include "core/protocol/device_frame.h"
#include "core/protocol/error_record.h"

// What the step keeps between ticks. The main window's link state extends it.
struct link_session {
    bool connected = false;       // the controller answers
    int16_t reply_countdown = 0;  // ticks left for the reply of the frame last sent
};

// Tunable only by tests: the ticks a reply may take before the link counts as lost.
struct link_timer_settings {
    int16_t reply_ticks = 10000;
};
link_timer_settings& g_link_settings();

enum class link_event : uint8_t {
    nothing,        // no reply this tick, or one that was not well formed
    busy,           // a transfer's event pass owns the link: neither sent nor polled
    send_failed,    // the oldest command could not be written; it stays queued
    command_sent,   // the oldest queued command went out; the step ends with it
    status_frame,   // a status reply was taken (`frame`)
    command_frame,  // a command acknowledge was taken and booked (`frame`)
    device_error,   // a command acknowledge carrying the controller's error (`frame`, `error`)
    other_frame,    // another reply was taken (`frame`)
    receive_error,  // the receive thread failed to read (`error`; see hid_receive_sub_code())
    driver_error,   // the link reported another status (`error.code`)
    lost,           // the reply countdown ran out; queue and flight flags cleared
    unplugged,      // the controller left the bus; queue and flight flags cleared
};

struct link_step_result {
    link_event event = link_event::nothing;
    bool request_sent = false;   // the step sent the status request
    bool was_connected = false;  // link_session::connected when the step began
    bool went_down = false;      // the step marked the link down (it was up)
    bool commands_dropped = false;  // queued commands were dropped because the link is down
    device_frame frame;          // the reply taken, zero behind its data
    error_record error;

    bool frame_taken() const
    {
        return event == link_event::status_frame || event == link_event::command_frame ||
               event == link_event::device_error || event == link_event::other_frame;
    }
};

// One tick's work on the link, which must be open. In order:
//  - while a transfer's event pass runs (exchange_busy) nothing is done;
//  - with no status request in flight: the oldest queued command is sent when none is in
//    flight (a step command leaves the queue at once, any other when its acknowledge comes)
//    and the step ends (also when the send fails, unless the controller is gone: then the
//    step goes on to find its unplug); with an empty queue the status request is sent;
//  - the reply is taken: the status reply an exchange kept for the timer, else the one the
//    receive thread left (waiting a few ms for it rather than spinning);
//  - no reply: the countdown runs; when it runs out the queue is dropped, the flight flags
//    and the loader state are cleared and the link goes down;
//  - an unplug does the same at once;
//  - a status reply clears its flight flag and goes to the status-reply hook; a command
//    acknowledge clears its flight flag and (unless a step command) takes the oldest command
//    off the queue; only an acknowledge of a sent command counts;
//  - an unplug that an exchange met (dev_exchange_state::unplug_met) counts as the step's
//    unplug: met in the hook just run, or since the last step, it takes the link down now,
//    in place of the reply taken;
//  - any reply but a device error and a parameter reply marks the link up;
//  - while the link is down, queued commands are dropped (no device error taken), and the
//    result says so: the window tells the user that the command did not reach the controller.
// The link reports an unplug to the first poller only; the mark is how an unplug that the
// page cycles or any other exchange met still reaches the step at once, rather than after
// the reply countdown.
link_step_result link_step(link_session& s);

// The page cycles: called with each status reply link_step() takes, before the step marks
// the link up and before the window decodes the reply. The manual mode page reads its
// cyclic block, fieldbus, process-monitor, self-check and error-buffer data from here, and
// the plotter redraws its status display. One hook per process, installed by the main window
// (empty: nothing). Wiring, not state: the test resets leave it.
std::function<void(const device_frame& status_reply)>& link_status_reply_hook();
