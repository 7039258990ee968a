#include "can_bus_node.h"

#include <chrono>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace sim {
namespace {
// The hub answers a hello within its next poll pass; this only bounds a hub that is gone.
constexpr int greet_timeout_ms = 5000;
}

can_bus_node::can_bus_node(const std::string& socket_path, uint32_t bitrate, bool tap) : tap_(tap)
{
    sockaddr_un addr{};
    if (socket_path.size() >= sizeof(addr.sun_path))
        throw std::runtime_error("CAN bus socket path too long: " + socket_path);
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socket_path.c_str(), socket_path.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        std::string why = std::strerror(errno);
        if (fd_ >= 0)
            ::close(fd_);
        throw std::runtime_error("CAN bus " + socket_path + ": " + why);
    }
    int size = 1 << 20;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
    if (!greet(bitrate)) {
        ::close(fd_);
        throw std::runtime_error("CAN bus " + socket_path + ": the hub does not answer");
    }
}

can_bus_node::~can_bus_node()
{
    ::close(fd_);
}

bool can_bus_node::greet(uint32_t bitrate)
{
    uint8_t hello[can_wire::hello_size];
    can_wire::encode_hello(bitrate, tap_, hello);
    if (::send(fd_, hello, sizeof(hello), MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof(hello)))
        return false;
    // Frames already on their way to this node stay queued; only the acknowledgement is looked for.
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, greet_timeout_ms);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        uint8_t msg[64];
        ssize_t n = ::recv(fd_, msg, sizeof(msg), MSG_PEEK | MSG_DONTWAIT);
        if (n <= 0)
            return false;
        if (n == 1 && msg[0] == can_wire::kind_ack) {
            (void)::recv(fd_, msg, sizeof(msg), MSG_DONTWAIT);
            bitrate_ = bitrate;
            return true;
        }
        // A frame ahead of the acknowledgement belongs to the old bit rate: it is dropped, as
        // a controller changing its rate would miss it.
        (void)::recv(fd_, msg, sizeof(msg), MSG_DONTWAIT);
    }
}

bool can_bus_node::set_bitrate(uint32_t bitrate)
{
    return greet(bitrate);
}

bool can_bus_node::send(const can_frame& f)
{
    if (bitrate_ == 0 && !tap_)
        return false;
    can_frame out = f;
    out.bitrate = bitrate_;
    out.sent_ns = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                            std::chrono::steady_clock::now().time_since_epoch())
                                            .count());
    uint8_t msg[can_wire::frame_size];
    can_wire::encode_frame(out, msg);
    return ::send(fd_, msg, sizeof(msg), MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof(msg));
}

bool can_bus_node::try_receive(can_frame& f)
{
    for (;;) {
        uint8_t msg[64];
        ssize_t n = ::recv(fd_, msg, sizeof(msg), MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            hung_up_ = true;
        if (n <= 0)
            return false;
        if (can_wire::decode_frame(msg, static_cast<size_t>(n), f))
            return true;
    }
}

bool can_bus_node::wait_readable(int timeout_ms)
{
    pollfd p{fd_, POLLIN, 0};
    for (;;) {
        int r = ::poll(&p, 1, timeout_ms);
        if (r < 0 && errno == EINTR)
            continue;
        return r > 0 && (p.revents & POLLIN);
    }
}

bool can_bus_node::receive(can_frame& f, int timeout_ms)
{
    return wait_readable(timeout_ms) && try_receive(f);
}

}  // namespace sim
