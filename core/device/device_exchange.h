// One request frame answered by one reply frame: the synchronous exchange with its
// deadline, the wait for a reply the link timer still has in flight, and the deadline slots.
#pragma once
#include <cstdint>
#include <functional>

#include "core/protocol/device_frame.h"
#include "core/protocol/error_record.h"

// The time-outs run on the clock seam; a clock that stands still lets a wait on a real link
// end only a grace of 2 s of real time after its time-out (the fake backend needs none).

// Sends the request and waits for the first reply until the time-out; true when it is a
// matching, non-error reply that came in time. The reply buffer holds 63 bytes.
bool dev_send_and_wait(device_frame request, uint8_t* reply, uint16_t timeout_ms, error_record& err);
// dev_send_and_wait with 10000 ms.
bool dev_transact(device_frame request, uint8_t* reply, error_record& err);
// Waits until no status request or command of the link timer is in flight, at most 10 s;
// false on time-out. A status reply taken here is kept in the exchange state, a command
// acknowledge is booked as the link timer would book it. A receive error met meanwhile is
// dropped; with `receive_status` it ends the wait instead, false, and is handed back there.
// An unplug, or a controller found gone, always ends the wait, false (handed back there
// too): what was in flight will never be answered.
bool dev_wait_idle(error_record* receive_status = nullptr);
// dev_wait_idle for a caller that reports why it cannot go on: the link's error (USB-host
// code 10) when the controller is gone, else host error 4 (the request stayed unanswered).
// A receive error is dropped, as by dev_wait_idle().
bool dev_wait_idle_or_error(error_record& err);

// True when the error says the controller left: the link's unplug met by an exchange, or a
// request that found no device open (both USB-host code 10). The link timer shows that at
// once (LED, status panel, actions); a page cycle that runs in its status-reply hook stays
// quiet and quick then, rather than hold the tick behind a box or a pause.
bool dev_controller_gone(const error_record& e);

// The link reports an unplug once, to whoever polls first. When that is an exchange (a page
// cycle inside the link timer's status-reply hook, a transfer, a read of a page), the
// exchange fails with it and leaves `unplug_met` set; the link step takes the mark as the
// unplug itself, in the step that ran the hook or else in the next one, so the link goes
// down at once whoever met the unplug. Only the link step clears it.

// What a taken reply means for its request: code 0, host error 7 (another kind, or an
// error reply without a code) or the controller's error record. Pure, so the decoding can be checked on any bytes.
void dev_classify_reply(const uint8_t* request, const uint8_t* reply, error_record& err);

constexpr uint16_t dev_timer_slots = 8;
void dev_timer_start(uint16_t slot, uint32_t ms);
bool dev_timer_expired(uint16_t slot);

// State shared with the link timer. GUI thread only.
struct dev_exchange_state {
    uint32_t deadlines[dev_timer_slots] = {};
    bool status_in_flight = false;   // a status request was sent, its reply not yet taken
    bool command_in_flight = false;  // a queued command was sent, its acknowledge not yet taken
    bool step_sent = false;          // that command was a step command, already dequeued
    uint16_t last_reply_length = 0;  // length of the last reply taken by an exchange
    device_frame last_status_reply;  // the status reply dev_wait_idle took for the timer
    bool status_reply_waiting = false;
    bool unplug_met = false;         // an exchange took the link's unplug status (see above)
    // Told of every request with the time-out it waits (diagnostics; empty in the program).
    std::function<void(const device_frame& request, uint16_t timeout_ms)> send_observer;
};
dev_exchange_state& dev_exchange();
void dev_exchange_reset_for_tests();

constexpr int32_t host_error_wrong_reply = 7;
constexpr int32_t host_error_status_in_flight = 4;
