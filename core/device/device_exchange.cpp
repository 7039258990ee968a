#include "core/device/device_exchange.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/device/command_mailbox.h"
#include "core/link/hid_link.h"
#include "platform/clock.h"

namespace dp = device_protocol;

namespace {

constexpr uint16_t exchange_slot = 0;
constexpr uint32_t idle_wait_ms = 10000;
// The longest a waiting loop sleeps before it looks at the clock again.
constexpr uint32_t wait_slice_ms = 100;

// Deadlines come from the clock seam, which a test may stop. So that a stopped clock cannot
// hang a wait on a real link, every wait also ends this long after its time in real time.
constexpr std::chrono::milliseconds real_time_grace{2000};

std::chrono::steady_clock::time_point real_time_bound(uint32_t ms)
{
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms) + real_time_grace;
}

bool past(std::chrono::steady_clock::time_point bound) { return std::chrono::steady_clock::now() >= bound; }

void link_failure(error_record& err)
{
    err.severity = err_severity_error;
    err.type = err_type_usb_host;
    err.argument_kind = err_arg_none;
}

void no_reply(error_record& err) { err.set(err_type_usb_host, hid_code_no_reply); }

// A receive status the exchange polled; an unplug is left for the link step as well.
void note_receive_status(error_record& err)
{
    if (err.code == hid_status_unplugged)
        dev_exchange().unplug_met = true;
    link_failure(err);
}

// Sleeps until something waits in the mailbox or the slot's deadline comes.
void wait_for_mailbox(uint16_t slot)
{
    int32_t left = int32_t(dev_exchange().deadlines[slot] - platform::tick_count_ms());
    hid_wait(uint32_t(std::clamp<int32_t>(left, 1, int32_t(wait_slice_ms))));
}

}  // namespace

dev_exchange_state& dev_exchange()
{
    static dev_exchange_state s;
    return s;
}

void dev_exchange_reset_for_tests() { dev_exchange() = dev_exchange_state{}; }

void dev_timer_start(uint16_t slot, uint32_t ms)
{
    dev_exchange().deadlines[slot % dev_timer_slots] = platform::tick_count_ms() + ms;
}

bool dev_timer_expired(uint16_t slot)
{
    // The signed difference keeps the test right when the tick count wraps during a wait.
    return int32_t(platform::tick_count_ms() - dev_exchange().deadlines[slot % dev_timer_slots]) > 0;
}

void dev_classify_reply(const uint8_t* request, const uint8_t* reply, error_record& err)
{
    err.clear();
    if ((reply[dp::type_offset] & dp::type_kind_mask) != (request[dp::type_offset] & dp::type_kind_mask)) {
        err.set(err_type_host, host_error_wrong_reply);
        return;
    }
    if (reply[dp::type_offset] & dp::type_error) {
        // An error reply without an error code would otherwise pass as a good reply.
        if (reply[dp::error_code_offset] == 0) {
            err.set(err_type_host, host_error_wrong_reply);
            return;
        }
        int32_t arg = reply[dp::count_offset] == dp::error_count_without_argument ? 0 : reply[dp::error_argument_offset];
        err.set(int16_t(reply[dp::error_type_offset]), reply[dp::error_code_offset], err_severity_error, err_arg_once,
                arg);
    }
}

bool dev_send_and_wait(device_frame request, uint8_t* reply, uint16_t timeout_ms, error_record& err)
{
    auto& x = dev_exchange();
    err.clear();
    std::memset(reply, 0, dp::frame_size);
    // A status request or command of the link timer still out would answer this request:
    // its reply is taken for the timer first (a tick that ran in an event pass or behind a
    // box of the transfer).
    if ((x.status_in_flight || x.command_in_flight) && !dev_wait_idle_or_error(err))
        return false;
    if (x.send_observer)
        x.send_observer(request, timeout_ms);
    // A report already waiting was sent before this request and cannot be its reply.
    hid_drop_report();
    if (!hid_send_frame(request.data(), dp::frame_size, err)) {
        link_failure(err);
        return false;
    }
    dev_timer_start(exchange_slot, timeout_ms);
    const auto bound = real_time_bound(timeout_ms);
    for (;;) {
        bool got = hid_poll(err);
        if (got) {
            if (err.code != 0) {
                note_receive_status(err);
            } else if (!hid_take_frame(reply, x.last_reply_length, err)) {
                link_failure(err);
            } else {
                dev_classify_reply(request.data(), reply, err);
            }
        }
        bool expired = dev_timer_expired(exchange_slot) || past(bound);
        if (got) {
            if (expired)
                no_reply(err);
            break;
        }
        if (expired) {
            no_reply(err);
            break;
        }
        wait_for_mailbox(exchange_slot);
    }
    return err.code == 0;
}

bool dev_transact(device_frame request, uint8_t* reply, error_record& err)
{
    return dev_send_and_wait(request, reply, 10000, err);
}

namespace {

// The wait of dev_wait_idle. A receive error ends it only when `errors_end`; an unplug, or a
// device found gone, always ends it: nothing in flight will be answered. The status that
// ended it goes to `status` when given.
bool wait_idle(error_record* status, bool errors_end)
{
    auto& x = dev_exchange();
    if (!x.status_in_flight && !x.command_in_flight)
        return true;
    dev_timer_start(exchange_slot, idle_wait_ms);
    const auto bound = real_time_bound(idle_wait_ms);
    bool expired = false;
    uint8_t frame[dp::frame_size];
    bool link_failed = false;
    while (x.status_in_flight || x.command_in_flight) {
        error_record e;
        const bool got = hid_poll(e);
        if (got && e.code != 0 && (errors_end || e.code == hid_status_unplugged)) {
            note_receive_status(e);
            if (status)
                *status = e;
            link_failed = true;
            break;
        }
        if (got && e.code == 0) {
            uint16_t n = 0;
            if (hid_take_frame(frame, n, e)) {
                uint8_t kind = frame[dp::type_offset] & dp::type_kind_mask;
                if (kind == dp::kind_status && x.status_in_flight) {
                    x.last_status_reply = device_frame::from(frame);
                    x.status_reply_waiting = true;
                    x.status_in_flight = false;
                } else if (kind == dp::kind_command && x.command_in_flight) {
                    // The acknowledge belongs to the link timer's queued command; book it so
                    // the queue neither stalls nor counts the link as lost.
                    x.command_in_flight = false;
                    if (!x.step_sent)
                        queue_remove_oldest();
                }
            }
        }
        if (!x.status_in_flight && !x.command_in_flight)
            break;
        if (!hid_link_up()) {
            // Gone, its unplug taken before (by the link step or an exchange) or still
            // waiting for the link step.
            e.set(err_type_usb_host, hid_code_no_device);
            link_failure(e);
            if (status)
                *status = e;
            link_failed = true;
            break;
        }
        if ((expired = dev_timer_expired(exchange_slot) || past(bound)))
            break;
        wait_for_mailbox(exchange_slot);
    }
    x.status_in_flight = false;
    x.command_in_flight = false;
    return !expired && !link_failed;
}

}  // namespace

bool dev_controller_gone(const error_record& e)
{
    return e.type == err_type_usb_host && (e.code == hid_code_no_device || e.code == hid_status_unplugged);
}

bool dev_wait_idle(error_record* receive_status) { return wait_idle(receive_status, receive_status != nullptr); }

bool dev_wait_idle_or_error(error_record& err)
{
    err.clear();
    error_record status;
    if (wait_idle(&status, false))
        return true;
    if (status.failed())
        err = status;
    else
        err.set(err_type_host, host_error_status_in_flight);
    return false;
}
