// Raw-mode key access on /dev/tty. A signal that ends or stops the process during a blocking
// read must not leave the user's terminal without echo, hence the short-lived signal handlers.
#include "console_keys.h"

#include "platform/ending_signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace platform {
namespace {

// The terminal states to put back and to take again from a signal handler (async-signal-safe
// use only).
volatile sig_atomic_t g_restore_fd = -1;
struct termios g_saved;
struct termios g_raw;

// Signals whose default action ends the process, and those that stop it. Either way the
// user's terminal must not be left without echo; after a stop, SIGCONT takes raw mode again.
const int k_ending_signals[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM,
                                SIGPIPE, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGPOLL, SIGPWR};
const int k_stopping_signals[] = {SIGTSTP, SIGTTIN, SIGTTOU};
constexpr int k_ending_count = sizeof k_ending_signals / sizeof k_ending_signals[0];
constexpr int k_stopping_count = sizeof k_stopping_signals / sizeof k_stopping_signals[0];
constexpr int k_handled_count = k_ending_count + k_stopping_count + 1;  // and SIGCONT

int handled_signal(int i)
{
    if (i < k_ending_count)
        return k_ending_signals[i];
    if (i < k_ending_count + k_stopping_count)
        return k_stopping_signals[i - k_ending_count];
    return SIGCONT;
}

// A job in the background must not touch the terminal's modes: it would be stopped for it.
bool in_foreground(int fd)
{
    return tcgetpgrp(fd) == getpgrp();
}

void put_back_terminal()
{
    const int fd = g_restore_fd;
    if (fd >= 0 && in_foreground(fd))
        tcsetattr(fd, TCSANOW, &g_saved);
}

void take_raw_mode_again()
{
    const int fd = g_restore_fd;
    if (fd >= 0 && in_foreground(fd))
        tcsetattr(fd, TCSANOW, &g_raw);
}

void restore_and_reraise(int sig)
{
    put_back_terminal();
    // In place of the handler of a save in progress, which is not called.
    remove_before_ending(sig);
    signal(sig, SIG_DFL);
    raise(sig);
}

void restore_and_stop(int sig)
{
    const int saved_errno = errno;
    put_back_terminal();
    struct sigaction dfl = {}, ours = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, &ours);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    // The signal is blocked while its handler runs: it stops the process once unblocked, until
    // SIGCONT. An orphaned job is not stopped at all and goes straight on.
    raise(sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    sigaction(sig, &ours, nullptr);
    take_raw_mode_again();
    errno = saved_errno;
}

void on_continue(int)
{
    const int saved_errno = errno;
    take_raw_mode_again();
    errno = saved_errno;
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
        struct termios raw = saved_;
        raw.c_lflag &= ~(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        g_saved = saved_;
        g_raw = raw;
        g_restore_fd = fd_;
        // Only signals that keep their default action: an ignored one (nohup) stays ignored,
        // and one the program handles itself ends nothing. The handler of a save in progress
        // ends the process too: it is stood in for.
        for (int i = 0; i < k_handled_count; ++i) {
            const int sig = handled_signal(i);
            struct sigaction sa = {};
            sigemptyset(&sa.sa_mask);
            for (int j = 0; j < k_stopping_count; ++j)
                sigaddset(&sa.sa_mask, k_stopping_signals[j]);
            sigaddset(&sa.sa_mask, SIGCONT);
            sa.sa_handler = i < k_ending_count ? restore_and_reraise
                            : sig == SIGCONT   ? on_continue
                                               : restore_and_stop;
            installed_[i] = sigaction(sig, nullptr, &old_actions_[i]) == 0 &&
                            (old_actions_[i].sa_handler == SIG_DFL ||
                             old_actions_[i].sa_handler == ending_signal_handler()) &&
                            !(old_actions_[i].sa_flags & SA_SIGINFO) && sigaction(sig, &sa, nullptr) == 0;
        }
        tcsetattr(fd_, TCSANOW, &raw);
    }
    ~raw_terminal()
    {
        if (fd_ < 0)
            return;
        tcsetattr(fd_, TCSANOW, &saved_);
        g_restore_fd = -1;
        for (int i = 0; i < k_handled_count; ++i)
            if (installed_[i])
                sigaction(handled_signal(i), &old_actions_[i], nullptr);
        close(fd_);
    }
    raw_terminal(const raw_terminal&) = delete;
    raw_terminal& operator=(const raw_terminal&) = delete;

    int fd() const { return fd_; }

private:
    int fd_ = -1;
    struct termios saved_ = {};
    struct sigaction old_actions_[k_handled_count] = {};
    bool installed_[k_handled_count] = {};
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
