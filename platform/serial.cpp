#include "platform/serial.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

namespace platform {

namespace {

uint64_t now_ms_mono()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
}

void set_modem_lines(int fd, bool on)
{
    // A pty has no modem lines; ENOTTY and EINVAL are expected there.
    int bits = TIOCM_DTR | TIOCM_RTS;
    (void)::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

bool read_counters(int fd, uint32_t& sum)
{
    serial_icounter_struct c{};
    if (::ioctl(fd, TIOCGICOUNT, &c) != 0)
        return false;
    sum = uint32_t(c.parity) + uint32_t(c.frame) + uint32_t(c.overrun) + uint32_t(c.buf_overrun);
    return true;
}

}  // namespace

std::string serial_device_path(int n)
{
    std::string var = "TARVIX_COM" + std::to_string(n);
    if (const char* v = std::getenv(var.c_str()); v && *v)
        return v;
    return "/dev/ttyS" + std::to_string(n - 1);
}

speed_t serial_speed(uint32_t baud)
{
    switch (baud) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return 0;
    }
}

serial_open_result serial_open(int n, uint32_t baud, serial_port& port, int& sys_error)
{
    port = serial_port{};
    std::string path = serial_device_path(n);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        sys_error = errno;
        return serial_open_result::cannot_open;
    }
    // Root passes TIOCEXCL, so the lock is what keeps a second opener out.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        sys_error = errno;
        ::close(fd);
        return serial_open_result::cannot_open;
    }
    (void)::ioctl(fd, TIOCEXCL);
    speed_t speed = serial_speed(baud);
    termios t{};
    if (speed == 0 || ::tcgetattr(fd, &t) != 0) {
        sys_error = speed == 0 ? EINVAL : errno;
        ::close(fd);
        return serial_open_result::settings_refused;
    }
    port.saved = t;
    port.have_saved = true;
    ::cfmakeraw(&t);
    t.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | PARODD | CRTSCTS);
    t.c_cflag |= CS8 | PARENB | CREAD | CLOCAL;
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | IGNPAR | PARMRK);
    t.c_iflag |= INPCK;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0 || ::tcsetattr(fd, TCSANOW, &t) != 0) {
        sys_error = errno;
        ::close(fd);
        return serial_open_result::settings_refused;
    }
    ::tcflush(fd, TCIOFLUSH);
    set_modem_lines(fd, true);
    port.fd = fd;
    port.have_counters = read_counters(fd, port.line_errors);
    return serial_open_result::ok;
}

void serial_close(serial_port& port)
{
    if (port.fd < 0)
        return;
    set_modem_lines(port.fd, false);
    ::tcflush(port.fd, TCIOFLUSH);
    if (port.have_saved)
        ::tcsetattr(port.fd, TCSANOW, &port.saved);
    ::close(port.fd);
    port = serial_port{};
}

size_t serial_write(const serial_port& port, const uint8_t* data, size_t n, uint32_t timeout_ms, int& sys_error)
{
    size_t done = 0;
    uint64_t deadline = now_ms_mono() + timeout_ms;
    while (done < n) {
        ssize_t w = ::write(port.fd, data + done, n - done);
        if (w > 0) {
            done += size_t(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR) {
            sys_error = errno;
            break;
        }
        uint64_t now = now_ms_mono();
        if (now >= deadline) {
            sys_error = ETIMEDOUT;
            break;
        }
        pollfd p{port.fd, POLLOUT, 0};
        (void)::poll(&p, 1, int(deadline - now));
    }
    return done;
}

int serial_read_byte(const serial_port& port, uint8_t& byte, int& sys_error)
{
    ssize_t r = ::read(port.fd, &byte, 1);
    if (r == 1)
        return 1;
    if (r == 0 || errno == EAGAIN || errno == EINTR)
        return 0;
    // The other side of a pty closed: nothing can arrive, which is no byte rather than an error.
    if (errno == EIO)
        return 0;
    sys_error = errno;
    return -1;
}

int serial_pending(const serial_port& port)
{
    int n = 0;
    return ::ioctl(port.fd, FIONREAD, &n) == 0 ? n : -1;
}

bool serial_line_errors(serial_port& port)
{
    uint32_t sum = 0;
    if (!port.have_counters || !read_counters(port.fd, sum))
        return false;
    bool more = sum != port.line_errors;
    port.line_errors = sum;
    return more;
}

bool serial_wait_readable(const serial_port& port, uint32_t ms)
{
    pollfd p{port.fd, POLLIN, 0};
    if (::poll(&p, 1, int(ms)) > 0 && (p.revents & POLLIN))
        return true;
    // A pty whose other side is gone reports a hang-up at once; wait the time anyway, so
    // a caller polling for a reply does not spin.
    if (p.revents & (POLLHUP | POLLERR)) {
        timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000L};
        ::nanosleep(&ts, nullptr);
    }
    return false;
}

}  // namespace platform
