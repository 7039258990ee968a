// The step timer of the download sequences: one deadline on the clock seam; a time-out of 0
// never runs out.
#pragma once
#include <cstdint>

class C_StepTimer {
public:
    void Restart(uint32_t timeout_ms);
    bool Expired() const;
    // Milliseconds left (0xFFFFFFFF when the timer never runs out).
    uint32_t Remaining() const;
    uint32_t Timeout() const { return timeout_; }

private:
    uint32_t start_ = 0;
    uint32_t timeout_ = 0;
};
