#include "can_bus_hub.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "can_frame.h"

namespace sim {

can_bus_hub::can_bus_hub(std::string socket_path) : path_(std::move(socket_path))
{
    sockaddr_un addr{};
    if (path_.size() >= sizeof(addr.sun_path))
        throw std::runtime_error("CAN bus socket path too long: " + path_);
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    listen_fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0)
        throw std::runtime_error("CAN bus socket: " + std::string(std::strerror(errno)));
    ::unlink(path_.c_str());
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(listen_fd_, 16) != 0) {
        std::string why = std::strerror(errno);
        ::close(listen_fd_);
        throw std::runtime_error("CAN bus socket " + path_ + ": " + why);
    }
    // Without its wake-up the hub thread could never be stopped.
    wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) {
        std::string why = std::strerror(errno);
        ::close(listen_fd_);
        ::unlink(path_.c_str());
        throw std::runtime_error("CAN bus hub wake-up: " + why);
    }
}

can_bus_hub::~can_bus_hub()
{
    stop();
    if (thread_.joinable())
        thread_.join();
    for (node& n : nodes_)
        ::close(n.fd);
    ::close(listen_fd_);
    ::close(wake_fd_);
    ::unlink(path_.c_str());
}

void can_bus_hub::start()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

void can_bus_hub::stop()
{
    stopping_ = true;
    uint64_t one = 1;
    (void)!::write(wake_fd_, &one, sizeof(one));
}

size_t can_bus_hub::node_count() const
{
    std::lock_guard<std::mutex> lock(m_);
    return nodes_.size();
}

void can_bus_hub::run()
{
    // A paced frame is delivered when its time is up, not up to the thread's timer slack later.
    prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
    std::vector<pollfd> fds;
    while (!stopping_) {
        fds.clear();
        fds.push_back({wake_fd_, POLLIN, 0});
        fds.push_back({listen_fd_, POLLIN, 0});
        {
            std::lock_guard<std::mutex> lock(m_);
            for (const node& n : nodes_)
                fds.push_back({n.fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                int size = 1 << 20;  // room for a tap that falls behind a burst
                ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof(size));
                std::lock_guard<std::mutex> lock(m_);
                nodes_.push_back({fd, 0, false, false});
            }
        }
        // Nodes are only added above, so the poll entries 2.. still line up with nodes_.
        std::vector<size_t> gone;
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            size_t index = i - 2;
            uint8_t msg[64];
            ssize_t n = ::recv(fds[i].fd, msg, sizeof(msg), MSG_DONTWAIT);
            if (n > 0)
                handle_message(index, msg, static_cast<size_t>(n));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                gone.push_back(index);
        }
        if (!gone.empty()) {
            std::lock_guard<std::mutex> lock(m_);
            for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
                ::close(nodes_[*it].fd);
                nodes_.erase(nodes_.begin() + static_cast<long>(*it));
            }
        }
    }
}

void can_bus_hub::handle_message(size_t index, const uint8_t* msg, size_t n)
{
    std::unique_lock<std::mutex> lock(m_);
    node& from = nodes_[index];
    uint32_t rate = 0;
    bool tap = false;
    if (can_wire::decode_hello(msg, n, rate, tap)) {
        from.bitrate = rate;
        from.tap = tap;
        from.greeted = true;
        uint8_t ack = can_wire::kind_ack;
        ::send(from.fd, &ack, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
        return;
    }
    can_frame f;
    if (!from.greeted || !can_wire::decode_frame(msg, n, f))
        return;
    ++carried_;
    if (pacing_ && f.bitrate) {
        // Only this thread changes the node list, so the index holds across the wait.
        // The frame went on the wire when its sender wrote it: the time this thread took to wake
        // up for it has already passed on the bus.
        auto now = std::chrono::steady_clock::now();
        auto sent = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(f.sent_ns));
        auto start = f.sent_ns && sent < now && now - sent < std::chrono::milliseconds(10) ? sent : now;
        start = std::max(start, bus_free_);
        bus_free_ = start + std::chrono::nanoseconds(uint64_t{1000000000} * frame_bits(f.dlc) / f.bitrate);
        lock.unlock();
        // The system wakes a sleeper late by a fairly steady amount; aiming that much earlier
        // delivers frames at their end of transmission on average, not one wake-up after it.
        std::this_thread::sleep_until(bus_free_ - late_);
        auto late = std::chrono::steady_clock::now() - (bus_free_ - late_);
        late_ = (late_ * 7 + std::min<std::chrono::nanoseconds>(late, std::chrono::microseconds(200))) / 8;
        lock.lock();
    }
    uint8_t out[can_wire::frame_size];
    can_wire::encode_frame(f, out);
    for (size_t i = 0; i < nodes_.size(); ++i) {
        const node& to = nodes_[i];
        if (i == index || !to.greeted)
            continue;
        if (to.tap || (to.bitrate != 0 && to.bitrate == f.bitrate))
            // A node that does not keep up loses the frame, as a controller with a full receive buffer would.
            ::send(to.fd, out, sizeof(out), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
}

}  // namespace sim
