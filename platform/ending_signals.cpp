#include "platform/ending_signals.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace platform {
namespace {

const int k_signals[] = {SIGHUP, SIGINT, SIGTERM};
constexpr int k_count = sizeof k_signals / sizeof k_signals[0];

// Read by the handler: the name is complete whenever g_named is set.
char g_path[PATH_MAX];
volatile sig_atomic_t g_named = 0;
// Which signals are taken, and what they did before; touched by the program's thread only.
bool g_taken[k_count] = {};
struct sigaction g_old[k_count] = {};

void remove_and_end(int sig)
{
    remove_before_ending(sig);
    // The signal is blocked while its handler runs: it ends the process once this returns.
    signal(sig, SIG_DFL);
    raise(sig);
}

}  // namespace

void remove_before_ending(int sig)
{
    bool ours = false;
    for (int s : k_signals)
        ours = ours || s == sig;
    if (ours && g_named)
        unlink(g_path);
}

signal_handler ending_signal_handler()
{
    return remove_and_end;
}

void remove_on_ending_signal(const std::string& path)
{
    g_named = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    // A name too long for the buffer cannot be removed from a handler: it is not taken.
    if (path.size() >= sizeof g_path)
        return;
    std::memcpy(g_path, path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_named = 1;
    for (int i = 0; i < k_count; ++i) {
        if (g_taken[i])
            continue;
        struct sigaction sa = {};
        sa.sa_handler = remove_and_end;
        sigemptyset(&sa.sa_mask);
        for (int s : k_signals)
            sigaddset(&sa.sa_mask, s);
        g_taken[i] = sigaction(k_signals[i], nullptr, &g_old[i]) == 0 && g_old[i].sa_handler == SIG_DFL &&
                     !(g_old[i].sa_flags & SA_SIGINFO) && sigaction(k_signals[i], &sa, nullptr) == 0;
    }
}

void forget_on_ending_signal()
{
    g_named = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    for (int i = 0; i < k_count; ++i)
        if (g_taken[i]) {
            sigaction(k_signals[i], &g_old[i], nullptr);
            g_taken[i] = false;
        }
}

}  // namespace platform
