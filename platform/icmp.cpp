#include "platform/icmp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

uint16_t internet_checksum(const uint8_t* data, size_t n)
{
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 1 < n; i += 2)
        sum += uint32_t(data[i] << 8 | data[i + 1]);
    if (i < n)
        sum += uint32_t(data[i] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return uint16_t(~sum);
}

int icmp_open(uint32_t receive_timeout_ms, uint32_t send_timeout_ms)
{
    int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        return -1;
    timeval rcv{time_t(receive_timeout_ms / 1000), suseconds_t(receive_timeout_ms % 1000) * 1000};
    timeval snd{time_t(send_timeout_ms / 1000), suseconds_t(send_timeout_ms % 1000) * 1000};
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &rcv, sizeof rcv) != 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &snd, sizeof snd) != 0) {
        int e = errno;
        ::close(fd);
        errno = e;
        return -1;
    }
    return fd;
}

void icmp_close(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool icmp_parse_address(const char* text, in_addr& out)
{
    return text && ::inet_pton(AF_INET, text, &out) == 1;
}

icmp_io icmp_send(int fd, const in_addr& to, const uint8_t* message, size_t n, size_t& sent, int& sys_error)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr = to;
    ssize_t r = ::sendto(fd, message, n, 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    if (r < 0) {
        sys_error = errno;
        sent = 0;
        return errno == EAGAIN || errno == EWOULDBLOCK ? icmp_io::timed_out : icmp_io::failed;
    }
    sent = size_t(r);
    return icmp_io::ok;
}

icmp_io icmp_receive(int fd, uint8_t* buf, size_t capacity, size_t& received, in_addr& from, int& sys_error)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ssize_t r = ::recvfrom(fd, buf, capacity, 0, reinterpret_cast<sockaddr*>(&a), &len);
    if (r < 0) {
        sys_error = errno;
        received = 0;
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? icmp_io::timed_out : icmp_io::failed;
    }
    received = size_t(r);
    from = a.sin_addr;
    return icmp_io::ok;
}

bool icmp_wait_readable(int fd, uint32_t ms)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, int(ms)) > 0 && (p.revents & POLLIN);
}

}  // namespace platform
