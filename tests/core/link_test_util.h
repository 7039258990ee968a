// Small helpers of the link tests: waiting for a condition with a deadline, frames.
#pragma once
#include <chrono>
#include <functional>
#include <thread>

#include "core/protocol/device_frame.h"

namespace link_test {

// Polls the condition until it holds or the deadline passes; for conditions that no
// event announces (a state in another process).
inline bool wait_until(const std::function<bool()>& cond, int deadline_ms = 20000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline_ms);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline device_frame read_parameter_request(uint16_t n)
{
    device_frame f = device_frame::make(device_protocol::req_read_parameter, device_protocol::count_read_parameter);
    f.set_u16(device_protocol::parameter_number_offset, n);
    return f;
}

}  // namespace link_test
