#include "flashlink/C_StepTimer.h"

#include "platform/clock.h"

void C_StepTimer::Restart(uint32_t timeout_ms)
{
    timeout_ = timeout_ms;
    start_ = platform::tick_count_ms();
}

bool C_StepTimer::Expired() const
{
    // Unsigned difference: correct across the wrap of the 32-bit tick.
    return timeout_ != 0 && platform::tick_count_ms() - start_ >= timeout_;
}

uint32_t C_StepTimer::Remaining() const
{
    if (timeout_ == 0)
        return 0xFFFFFFFFu;
    uint32_t elapsed = platform::tick_count_ms() - start_;
    return elapsed >= timeout_ ? 0 : timeout_ - elapsed;
}
