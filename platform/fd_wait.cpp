#include "platform/fd_wait.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace platform {

fd_wait_result wait_readable_or_woken(int fd, int wake_fd, int32_t timeout_ms, int& error)
{
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
        int r = ::poll(p, 2, timeout_ms < 0 ? -1 : timeout_ms);
        if (r < 0) {
            if (errno == EINTR)
                continue;
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
