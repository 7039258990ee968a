#include "flashlink/support/fake_comms.h"

#include <algorithm>
#include <cstring>

#include "flashlink/C_StepTimer.h"
#include "flashlink/fl_results.h"
#include "platform/clock.h"
#include "sim/boot_sdo_server.h"

uint16_t scripted_comm::Send(const uint8_t* data, uint16_t length, uint16_t* count, uint32_t)
{
    if (length == C_COMM::resend_last) {
        ++resends;
        return 0;
    }
    sent.emplace_back(data, data + length);
    if (send_error && sent.size() == send_error_at)
        return send_error;
    if (!answers.empty()) {
        if (answers.front())
            pending_.push_back(*answers.front());
        answers.pop_front();
    }
    if (count)
        *count = length;
    return 0;
}

bool scripted_comm::RcvReady(uint16_t* error)
{
    *error = 0;
    if (receive_error) {
        *error = receive_error;
        receive_error = 0;
        return true;
    }
    return !pending_.empty();
}

void scripted_comm::GetFrame(uint8_t* destination, uint16_t* length)
{
    *length = 0;
    if (pending_.empty())
        return;
    const frame_bytes& f = pending_.front();
    *length = static_cast<uint16_t>(std::min<size_t>(f.size(), C_COMM::max_frame));
    if (*length)
        std::memcpy(destination, f.data(), *length);
    pending_.pop_front();
}

uint16_t scripted_comm::Open(uint16_t request_id, uint16_t response_id)
{
    ++opens;
    last_request_id = request_id;
    last_response_id = response_id;
    return open_error;
}

void scripted_comm::WaitFrame(uint32_t ms)
{
    // Nothing will come by itself: let the (test's) clock run to the deadline.
    if (pending_.empty() && !receive_error && ms > 0)
        platform::sleep_ms(ms);
}

uint16_t loopback_comm::Send(const uint8_t* data, uint16_t length, uint16_t* count, uint32_t)
{
    if (length == C_COMM::resend_last)
        return 0;
    wire_bytes += length;
    ++round_trips;
    for (auto& reply : server_.handle(data, length)) {
        wire_bytes += reply.size();
        pending_.push_back(std::move(reply));
    }
    if (count)
        *count = length;
    return 0;
}

bool loopback_comm::RcvReady(uint16_t* error)
{
    *error = 0;
    return !pending_.empty();
}

void loopback_comm::GetFrame(uint8_t* destination, uint16_t* length)
{
    *length = 0;
    if (pending_.empty())
        return;
    const frame_bytes& f = pending_.front();
    *length = static_cast<uint16_t>(std::min<size_t>(f.size(), C_COMM::max_frame));
    if (*length)
        std::memcpy(destination, f.data(), *length);
    pending_.pop_front();
}

void loopback_comm::WaitFrame(uint32_t ms)
{
    if (pending_.empty() && ms > 0)
        platform::sleep_ms(ms);
}

uint16_t run_transfer(C_SdoMast& client, uint32_t timeout_ms, uint32_t* count)
{
    C_StepTimer timer;
    timer.Restart(timeout_ms);
    uint32_t last_count = 0;
    for (;;) {
        uint16_t result = 0;
        uint32_t n = 0;
        bool busy = client.Busy(&result, &n);
        if (count)
            *count = n;
        if (result != 0) {
            client.Clear();
            return result;
        }
        if (!busy)
            return 0;
        if (n != last_count) {
            last_count = n;
            timer.Restart(timeout_ms);
        }
        if (timer.Expired()) {
            client.Clear();
            return fl_result::step_timeout;
        }
        uint32_t s = client.State();
        if (s >= C_SdoMast::ST_WAIT_INIT_UPLOAD && s <= C_SdoMast::ST_WAIT_LAST_SEGMENT)
            client.Comm()->WaitFrame(timer.Remaining());
    }
}
