#include "platform/hid_fd_read.h"

#include "platform/fd_wait.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

hid_wake_event::hid_wake_event() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

hid_wake_event::~hid_wake_event()
{
    if (fd_ >= 0)
        ::close(fd_);
}

hid_wake_event::hid_wake_event(hid_wake_event&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

void hid_wake_event::signal()
{
    uint64_t one = 1;
    ssize_t ignored = ::write(fd_, &one, sizeof one);
    (void)ignored;
}

std::optional<hid_io_result> hid_wait_for_input(int fd, int wake_fd, int32_t timeout_ms)
{
    int error = 0;
    switch (wait_readable_or_woken(fd, wake_fd, timeout_ms, error)) {
    case fd_wait_result::failed:
        return hid_io_result{hid_io_state::failed, 0, hid_error_from_errno(error), hid_io_stage::wait};
    case fd_wait_result::timed_out:
        return hid_io_result{hid_io_state::timed_out, 0, 0};
    case fd_wait_result::woken:
        return hid_io_result{hid_io_state::stopped, 0, 0};
    case fd_wait_result::readable:
        break;
    }
    return std::nullopt;
}

}  // namespace platform
