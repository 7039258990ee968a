// Time that runs `factor` times faster than the wall clock, so a reply that never comes
// costs a fraction of its time-out.
#pragma once
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/clock.h"

class fast_clock final : public platform::clock {
public:
    explicit fast_clock(uint32_t factor) : factor_(factor), start_(std::chrono::steady_clock::now()) {}
    uint32_t now_ms() override
    {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
        return 1000u + uint32_t(uint64_t(ms.count()) * factor_);
    }
    void sleep_ms(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms / factor_ + 1)); }

private:
    uint32_t factor_;
    std::chrono::steady_clock::time_point start_;
};
