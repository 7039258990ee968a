// Raw-mode key access on /dev/tty. A signal that ends the process during a blocking read
// must not leave the user's terminal without echo, hence the short-lived signal handlers.
#include "console_keys.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace platform {
namespace {

// The terminal state to put back from a signal handler (async-signal-safe use only).
volatile sig_atomic_t g_restore_fd = -1;
struct termios g_saved;

const int k_fatal_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void restore_and_reraise(int sig)
{
    int fd = g_restore_fd;
    if (fd >= 0)
        tcsetattr(fd, TCSANOW, &g_saved);
    signal(sig, SIG_DFL);
    raise(sig);
}

// Holds the terminal in non-canonical mode without echo for its lifetime.
class raw_terminal {
public:
    raw_terminal()
    {
        fd_ = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0)
            return;
        // A job in the background would be stopped by the terminal (SIGTTOU/SIGTTIN) on the
        // first mode change or read; it has no keyboard, as if it had no terminal.
        if (tcgetpgrp(fd_) != getpgrp() || tcgetattr(fd_, &saved_) != 0) {
            close(fd_);
            fd_ = -1;
            return;
        }
        g_saved = saved_;
        struct sigaction sa = {};
        sa.sa_handler = restore_and_reraise;
        sigemptyset(&sa.sa_mask);
        for (unsigned i = 0; i < sizeof k_fatal_signals / sizeof k_fatal_signals[0]; ++i)
            sigaction(k_fatal_signals[i], &sa, &old_actions_[i]);
        g_restore_fd = fd_;
        struct termios raw = saved_;
        raw.c_lflag &= ~(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(fd_, TCSANOW, &raw);
    }
    ~raw_terminal()
    {
        if (fd_ < 0)
            return;
        tcsetattr(fd_, TCSANOW, &saved_);
        g_restore_fd = -1;
        for (unsigned i = 0; i < sizeof k_fatal_signals / sizeof k_fatal_signals[0]; ++i)
            sigaction(k_fatal_signals[i], &old_actions_[i], nullptr);
        close(fd_);
    }
    raw_terminal(const raw_terminal&) = delete;
    raw_terminal& operator=(const raw_terminal&) = delete;

    int fd() const { return fd_; }

private:
    int fd_ = -1;
    struct termios saved_ = {};
    struct sigaction old_actions_[sizeof k_fatal_signals / sizeof k_fatal_signals[0]] = {};
};

}  // namespace

bool console_key_pressed()
{
    raw_terminal term;
    if (term.fd() < 0)
        return false;
    struct pollfd p = {term.fd(), POLLIN, 0};
    int n;
    do {
        n = poll(&p, 1, 0);
    } while (n < 0 && errno == EINTR);
    return n > 0 && (p.revents & POLLIN) != 0;
}

int console_read_key()
{
    raw_terminal term;
    if (term.fd() < 0)
        return -1;
    unsigned char c = 0;
    ssize_t n;
    do {
        n = read(term.fd(), &c, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1 ? c : -1;
}

}  // namespace platform
