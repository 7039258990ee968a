#include "can_bus_tap.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sim {

can_bus_tap::can_bus_tap(const std::string& socket_path)
    : node_(socket_path, 0, true), wake_fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    // Without its wake-up the recording thread could never be stopped.
    if (wake_fd_ < 0)
        throw std::runtime_error("CAN bus tap wake-up: " + std::string(std::strerror(errno)));
    thread_ = std::thread([this] { run(); });
}

can_bus_tap::~can_bus_tap()
{
    uint64_t one = 1;
    (void)!::write(wake_fd_, &one, sizeof(one));
    thread_.join();
    ::close(wake_fd_);
}

void can_bus_tap::run()
{
    for (;;) {
        pollfd p[2] = {{wake_fd_, POLLIN, 0}, {node_.fd(), POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (p[0].revents)
            return;
        if (p[1].revents & (POLLHUP | POLLERR) && !(p[1].revents & POLLIN))
            return;
        can_frame f;
        while (node_.try_receive(f)) {
            std::lock_guard<std::mutex> lock(m_);
            frames_.push_back(f);
            cv_.notify_all();
        }
        // A hub that is gone leaves the socket readable for ever.
        if (node_.hung_up())
            return;
    }
}

std::vector<can_frame> can_bus_tap::frames() const
{
    std::lock_guard<std::mutex> lock(m_);
    return frames_;
}

bool can_bus_tap::wait_for_count(size_t count, int timeout_ms) const
{
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return frames_.size() >= count; });
}

}  // namespace sim
