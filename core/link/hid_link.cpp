#include "core/link/hid_link.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "core/link/hid_link_state.h"
#include "core/protocol/device_protocol.h"
#include "platform/clock.h"

namespace dp = device_protocol;
using platform::hid_io_state;

hid_link_state& hid_state()
{
    static hid_link_state s;
    return s;
}

hid_link_settings& hid_settings()
{
    static hid_link_settings s;
    return s;
}

namespace {

// How long a send waits for the receive thread to finish reading the reports queued while
// the gate was reset.
constexpr int backlog_wait_ms = 100;
// How long past its deadline, in real time, a write may still wait when the seam clock
// stands still.
constexpr std::chrono::milliseconds write_real_time_grace{2000};

bool accepted_product(const std::string& p)
{
    for (const char* name : dp::hid_product_names)
        if (p == name)
            return true;
    return false;
}

// The product string of a candidate, read through a short-lived handle of its own.
bool hid_product_string(const std::string& path, std::string& out)
{
    uint32_t e = 0;
    auto dev = platform::hid_current_backend().open(path, platform::hid_access::query, e);
    return dev && dev->product_string(out, e);
}

}  // namespace

bool hid_find_and_open(error_record& err)
{
    auto& s = hid_state();
    err.code = 0;
    s.candidates.clear();
    s.candidates = platform::hid_find(dp::hid_usage_page, dp::hid_usage, dp::hid_max_candidates);
    for (const auto& c : s.candidates) {
        std::string product;
        if (!hid_product_string(c.path, product) || !accepted_product(product))
            continue;
        uint32_t e = 0;
        auto rd = platform::hid_current_backend().open(c.path, platform::hid_access::read, e);
        if (!rd)
            continue;
        auto wr = platform::hid_current_backend().open(c.path, platform::hid_access::write, e);
        if (!wr)
            continue;  // the read handle closes with rd
        {
            std::lock_guard<std::mutex> io(s.io_lock);
            s.read_handle = std::move(rd);
            s.write_handle = std::move(wr);
            s.input_report_length = c.input_report_length;
            s.output_report_length = c.output_report_length;
            // Buffers follow the declared lengths, so no device can make a copy overrun them.
            s.output_report.assign(std::max<size_t>(c.output_report_length, dp::output_report_buffer), 0);
            s.write_state = 0;
            std::lock_guard<std::mutex> mb(s.mailbox_lock);
            s.report.assign(std::max<size_t>(c.input_report_length, dp::input_report_buffer), 0);
            s.received_count = 0;
            s.mailbox_input_length = c.input_report_length;
        }
        s.link_up.store(true);
        return true;
    }
    s.candidates.clear();
    err.code = hid_code_no_device;
    return false;
}

void hid_close_handles()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> io(s.io_lock);
    s.read_handle.reset();
    s.write_handle.reset();
}

bool hid_open(error_record& err)
{
    err.code = 0;
    auto& s = hid_state();
    // A search here would replace the handle the running receive thread reads from; that
    // thread reopens the device by itself, so the answer is whether it has.
    if (s.receiver_running.load()) {
        if (s.link_up.load())
            return true;
        err.code = hid_code_no_device;
        return false;
    }
    return hid_find_and_open(err);
}

bool hid_poll(error_record& err)
{
    auto& s = hid_state();
    err.code = 0;
    std::lock_guard<std::mutex> l(s.mailbox_lock);
    if (s.status != hid_status_none) {
        err.code = s.status;
        s.status = hid_status_none;
        s.received_count = 0;
        return true;
    }
    return s.received_count != 0;
}

bool hid_take_frame(uint8_t* destination, uint16_t& length, error_record& err)
{
    auto& s = hid_state();
    err.code = 0;
    length = 0;
    std::lock_guard<std::mutex> l(s.mailbox_lock);
    const uint32_t got = s.received_count;
    s.received_count = 0;
    s.report_stale = false;
    // A length byte that points past the bytes received would copy stale buffer bytes.
    if (got == 0 || got != s.mailbox_input_length || s.report[dp::report_length_offset] > dp::max_frame_length ||
        s.report[dp::report_length_offset] + dp::report_frame_offset > got) {
        err.code = hid_code_bad_report;
        return false;
    }
    length = s.report[dp::report_length_offset];
    std::memcpy(destination, s.report.data() + dp::report_frame_offset, length);
    return true;
}

bool hid_send_frame(const uint8_t* frame, size_t length, error_record& err)
{
    auto& s = hid_state();
    err.code = 0;
    std::lock_guard<std::mutex> io(s.io_lock);
    if (!s.link_up.load() || !s.write_handle) {
        err.code = hid_code_no_device;
        return false;
    }
    {
        // A report queued while the gate was reset answers nothing that is sent now. The
        // whole backlog is read first (briefly), so none of it can land after the send.
        std::unique_lock<std::mutex> mb(s.mailbox_lock);
        s.mailbox_cv.wait_for(mb, std::chrono::milliseconds(backlog_wait_ms),
                              [&] { return !s.draining || s.stop.load() || s.status != hid_status_none; });
        if (s.report_stale && s.status == hid_status_none) {
            s.received_count = 0;
            s.report_stale = false;
        }
    }
    // Prepare: the whole output report, the counter over frame byte 0.
    if (length > dp::max_frame_length || length + dp::report_frame_offset > s.output_report_length) {
        err.code = hid_code_bad_length;
        return false;
    }
    std::fill(s.output_report.begin(), s.output_report.end(), 0);
    s.output_report[dp::report_id_offset] = 0;
    s.output_report[dp::report_length_offset] = uint8_t(length);
    std::memcpy(s.output_report.data() + dp::report_frame_offset, frame, length);
    if (length > 0)
        s.output_report[dp::report_frame_offset] = s.telegram_counter;
    s.write_state = 1;

    const uint32_t full = s.output_report_length;
    const uint32_t deadline = platform::tick_count_ms() + hid_settings().write_deadline_ms;
    // A seam clock that stands still must not hang a real write: real time bounds it too.
    const auto real_bound = std::chrono::steady_clock::now() +
                            std::chrono::milliseconds(hid_settings().write_deadline_ms) + write_real_time_grace;
    while (s.write_state != 0) {
        if (s.write_state == 1) {
            auto r = s.write_handle->start_write(s.output_report.data(), full);
            if (r.state == hid_io_state::done) {
                s.write_state = 0;
                err.code = r.count < full ? hid_code_bad_length : 0;
            } else if (r.state == hid_io_state::pending) {
                s.write_state = 2;
            } else {
                s.write_state = 0;
                err.code = int32_t(r.error);
            }
            continue;
        }
        int32_t left = int32_t(deadline - platform::tick_count_ms());
        auto r = s.write_handle->poll_write(uint32_t(std::max(left, 0)));
        if (r.state == hid_io_state::done) {
            s.write_state = 0;
            if (r.count == full)
                ++s.telegram_counter;
            else
                err.code = hid_code_short_pending_write;
        } else if (r.state == hid_io_state::failed) {
            s.write_state = 0;
            err.code = int32_t(r.error);
        } else if (int32_t(platform::tick_count_ms() - deadline) >= 0 ||
                   std::chrono::steady_clock::now() >= real_bound) {
            // Abandon the write so that the next send may use the report buffer again.
            s.write_handle->cancel_write();
            s.write_state = 0;
            err.code = hid_code_write_timeout;
        }
    }
    return err.code == 0;
}

bool hid_wait(uint32_t timeout_ms)
{
    auto& s = hid_state();
    std::unique_lock<std::mutex> l(s.mailbox_lock);
    return s.mailbox_cv.wait_for(l, std::chrono::milliseconds(timeout_ms),
                                 [&] { return s.status != hid_status_none || s.received_count != 0; });
}

void hid_drop_report()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> l(s.mailbox_lock);
    s.received_count = 0;
    s.report_stale = false;
}

void hid_gate_reset()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> l(s.mailbox_lock);
    s.gate_set = false;
}

void hid_gate_set()
{
    auto& s = hid_state();
    {
        std::lock_guard<std::mutex> l(s.mailbox_lock);
        if (!s.gate_set)
            ++s.gate_openings;
        s.gate_set = true;
    }
    s.mailbox_cv.notify_all();
}

bool hid_gate_is_set()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> l(s.mailbox_lock);
    return s.gate_set;
}

bool hid_link_up() { return hid_state().link_up.load(); }

uint8_t hid_telegram_counter()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> l(s.io_lock);
    return s.telegram_counter;
}

uint16_t hid_input_report_length()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> l(s.io_lock);
    return s.input_report_length;
}

uint16_t hid_output_report_length()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> l(s.io_lock);
    return s.output_report_length;
}

int32_t hid_receive_sub_code()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> l(s.mailbox_lock);
    return s.sub_code;
}

uint32_t hid_last_system_error()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> l(s.mailbox_lock);
    return s.last_error;
}

uint64_t hid_reports_received()
{
    auto& s = hid_state();
    std::lock_guard<std::mutex> l(s.mailbox_lock);
    return s.reports_received;
}

void hid_link_reset_for_tests()
{
    auto& s = hid_state();
    hid_close_handles();
    std::lock_guard<std::mutex> io(s.io_lock);
    std::lock_guard<std::mutex> mb(s.mailbox_lock);
    s.candidates.clear();
    s.input_report_length = s.output_report_length = 0;
    s.link_up.store(false);
    s.telegram_counter = 0;
    s.output_report.clear();
    s.write_state = 0;
    s.report.clear();
    s.received_count = 0;
    s.report_stale = false;
    s.draining = false;
    s.mailbox_input_length = 0;
    s.status = hid_status_none;
    s.sub_code = 0;
    s.last_error = 0;
    s.gate_set = true;
    s.gate_openings = 0;
    s.reports_received = 0;
    s.stop.store(false);
    hid_settings() = hid_link_settings{};
}
