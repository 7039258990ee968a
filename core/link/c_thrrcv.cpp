#include "core/link/c_thrrcv.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/link/hid_link_state.h"
#include "core/protocol/device_protocol.h"

namespace {

// Waits up to ms for a stop request; true when stop was requested.
bool pause_unless_stopped(hid_link_state& s, uint32_t ms)
{
    std::unique_lock<std::mutex> l(s.mailbox_lock);
    return s.mailbox_cv.wait_for(l, std::chrono::milliseconds(ms), [&] { return s.stop.load(); });
}

int32_t receive_sub_code(platform::hid_io_stage stage)
{
    switch (stage) {
    case platform::hid_io_stage::wait:
        return hid_sub_wait_failed;
    case platform::hid_io_stage::start:
        return hid_sub_read_not_started;
    case platform::hid_io_stage::completion:
        break;
    }
    return hid_sub_completion_failed;
}

void note_read_error(hid_link_state& s, int32_t sub, uint32_t error)
{
    {
        std::lock_guard<std::mutex> l(s.mailbox_lock);
        s.last_error = error;
        s.sub_code = sub;
        if (s.status != hid_status_unplugged)  // an unplug not yet seen outranks it
            s.status = hid_status_read_error;
    }
    s.mailbox_cv.notify_all();
}

// Unplug: report it, drop the handles, search every reopen interval until found. Once the
// controller is open again the status is cleared here: a status 10 nobody polled while the
// controller was away is not reported after it came back.
void unplugged(hid_link_state& s, uint32_t error)
{
    // Down before the status is seen: a send after the status fails with code 10.
    s.link_up.store(false);
    {
        std::lock_guard<std::mutex> l(s.mailbox_lock);
        s.status = hid_status_unplugged;
        s.last_error = error;
        s.received_count = 0;
    }
    s.mailbox_cv.notify_all();
    hid_close_handles();
    for (;;) {
        if (pause_unless_stopped(s, hid_settings().reopen_interval_ms))
            return;
        error_record e;
        if (hid_find_and_open(e)) {
            std::lock_guard<std::mutex> l(s.mailbox_lock);
            if (s.status == hid_status_unplugged)
                s.status = hid_status_none;
            return;
        }
    }
}

}  // namespace

void hid_receive_loop()
{
    auto& s = hid_state();
    struct running_mark {
        std::atomic<bool>& flag;
        explicit running_mark(std::atomic<bool>& f) : flag(f) { flag.store(true); }
        ~running_mark() { flag.store(false); }
    } mark(s.receiver_running);
    std::vector<uint8_t> buf;
    uint64_t seen_openings;
    {
        // A loop that ended while draining (stopped, then started again) left the flag set:
        // every send would wait out the backlog time for a drain that no one ends.
        std::lock_guard<std::mutex> l(s.mailbox_lock);
        seen_openings = s.gate_openings;
        s.draining = false;
    }
    // After the gate opens again, the reports queued meanwhile are read without waiting
    // and marked stale, so that a send drops them instead of taking one as its reply.
    bool draining = false;
    while (!s.stop.load()) {
        {
            std::unique_lock<std::mutex> l(s.mailbox_lock);
            s.mailbox_cv.wait(l, [&] { return s.gate_set || s.stop.load(); });
            if (s.stop.load())
                break;
            if (s.gate_openings != seen_openings) {
                seen_openings = s.gate_openings;
                draining = s.draining = true;
            }
        }
        // Only this thread replaces the handles while it runs.
        platform::hid_device* rd = s.read_handle.get();
        if (!rd) {
            unplugged(s, platform::hid_error_invalid_handle);
            continue;
        }
        buf.resize(std::max<size_t>(s.input_report_length, device_protocol::input_report_buffer));
        auto r = rd->read(buf.data(), buf.size(), draining ? 0 : -1);
        switch (r.state) {
        case platform::hid_io_state::stopped:
            continue;
        case platform::hid_io_state::timed_out:
            if (draining) {
                draining = false;
                {
                    std::lock_guard<std::mutex> l(s.mailbox_lock);
                    s.draining = false;
                }
                s.mailbox_cv.notify_all();
            }
            continue;
        case platform::hid_io_state::done: {
            {
                std::unique_lock<std::mutex> l(s.mailbox_lock);
                // Held: a report read while the gate is reset waits here for the gate.
                s.mailbox_cv.wait(l, [&] { return s.gate_set || s.stop.load(); });
                if (s.stop.load())
                    break;
                if (s.gate_openings != seen_openings) {
                    seen_openings = s.gate_openings;
                    draining = s.draining = true;
                }
                size_t n = std::min<size_t>(r.count, s.report.size());
                std::memcpy(s.report.data(), buf.data(), n);
                s.received_count = r.count;
                s.report_stale = draining;
                ++s.reports_received;
                s.link_up.store(true);
            }
            s.mailbox_cv.notify_all();
            continue;
        }
        case platform::hid_io_state::failed:
        case platform::hid_io_state::pending:
            if (r.error == platform::hid_error_invalid_handle || r.error == platform::hid_error_device_not_connected) {
                unplugged(s, r.error);
            } else {
                note_read_error(s, receive_sub_code(r.stage), r.error);
                pause_unless_stopped(s, hid_settings().read_error_pause_ms);
            }
            continue;
        }
    }
}

void hid_request_receive_stop()
{
    auto& s = hid_state();
    {
        std::lock_guard<std::mutex> l(s.mailbox_lock);
        s.stop.store(true);
    }
    s.mailbox_cv.notify_all();
    std::lock_guard<std::mutex> io(s.io_lock);
    if (s.read_handle)
        s.read_handle->interrupt();
}

c_thrrcv::c_thrrcv(QObject* parent) : QThread(parent) {}

c_thrrcv::~c_thrrcv()
{
    if (isRunning())
        stop_and_wait();
}

void c_thrrcv::stop_and_wait()
{
    hid_request_receive_stop();
    wait();
    hid_state().stop.store(false);
}

void c_thrrcv::run() { hid_receive_loop(); }
