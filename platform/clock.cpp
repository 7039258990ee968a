#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {

class system_clock final : public clock {
public:
    uint32_t now_ms() override
    {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void sleep_ms(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

system_clock g_system;
std::atomic<clock*> g_current{&g_system};

}  // namespace

clock& current_clock() { return *g_current.load(std::memory_order_acquire); }

void set_clock(clock* c) { g_current.store(c ? c : &g_system, std::memory_order_release); }

uint32_t manual_clock::now_ms()
{
    std::lock_guard<std::mutex> l(m_);
    return now_;
}

void manual_clock::sleep_ms(uint32_t ms) { advance(ms); }

void manual_clock::advance(uint32_t ms)
{
    std::lock_guard<std::mutex> l(m_);
    now_ += ms;
}

}  // namespace platform
