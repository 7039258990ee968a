// The wait before every read of the descriptor-based HID backends (sim sockets, hidraw):
// input, a time-out, a wake-up from interrupt(), or a failure, as a read result.
#pragma once
#include <optional>

#include "platform/hid.h"

namespace platform {

// The eventfd through which interrupt() wakes a blocked read of a device. A device is
// opened only with one: without it a stop could never reach its reader.
class hid_wake_event {
public:
    hid_wake_event();
    ~hid_wake_event();
    hid_wake_event(hid_wake_event&& other) noexcept;
    hid_wake_event(const hid_wake_event&) = delete;
    hid_wake_event& operator=(const hid_wake_event&) = delete;
    hid_wake_event& operator=(hid_wake_event&&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void signal();

private:
    int fd_;
};

// Empty when a report can be read now; otherwise the result the read ends with.
std::optional<hid_io_result> hid_wait_for_input(int fd, int wake_fd, int32_t timeout_ms);

}  // namespace platform
