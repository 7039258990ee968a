#include "platform/fd_wait.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <unistd.h>

namespace platform {

fd_wait_result wait_readable_or_woken(int fd, int wake_fd, int32_t timeout_ms, int& error)
{
    // A signal must not restart the whole wait: what is left of it is taken from the start.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    int wait_ms = timeout_ms < 0 ? -1 : timeout_ms;
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
        int r = ::poll(p, 2, wait_ms);
        if (r < 0) {
            if (errno == EINTR) {
                if (timeout_ms >= 0) {
                    // Rounded up, so that a wait never ends before its time.
                    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
                    wait_ms = int(std::max<int64_t>(left.count(), 0));
                }
                continue;
            }
            error = errno;
            return fd_wait_result::failed;
        }
        if (r == 0)
            return fd_wait_result::timed_out;
        if (p[1].revents & POLLIN) {
            uint64_t v;
            ssize_t ignored = ::read(wake_fd, &v, sizeof v);
            (void)ignored;
            return fd_wait_result::woken;
        }
        return fd_wait_result::readable;
    }
}

}  // namespace platform
