// Blocking until a descriptor is readable, or until another thread wakes the waiter through
// an eventfd: the one wait under every HID read.
#pragma once
#include <cstdint>

namespace platform {

enum class fd_wait_result { readable, timed_out, woken, failed };

// Waits up to timeout_ms (negative: without limit). A wake-up is consumed. On failure
// `error` holds errno.
fd_wait_result wait_readable_or_woken(int fd, int wake_fd, int32_t timeout_ms, int& error);

}  // namespace platform
