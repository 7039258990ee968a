// Monotonic millisecond clock behind a seam, so tests can replace time.
#pragma once
#include <cstdint>
#include <mutex>
#include <condition_variable>

namespace platform {

class clock {
public:
    virtual ~clock() = default;
    // Milliseconds since an arbitrary start; wraps like a 32-bit tick counter.
    virtual uint32_t now_ms() = 0;
    virtual void sleep_ms(uint32_t ms) = 0;
};

// The clock in use; the system clock unless a test installed another one.
clock& current_clock();
// Installs a clock (nullptr restores the system clock). Not thread-safe against
// concurrent users; tests install before they start threads.
void set_clock(clock* c);

inline uint32_t tick_count_ms() { return current_clock().now_ms(); }
inline void sleep_ms(uint32_t ms) { current_clock().sleep_ms(ms); }

// A clock that only moves when told to; sleeping advances it at once.
class manual_clock : public clock {
public:
    explicit manual_clock(uint32_t start = 1000) : now_(start) {}
    uint32_t now_ms() override;
    void sleep_ms(uint32_t ms) override;
    void advance(uint32_t ms);

private:
    std::mutex m_;
    uint32_t now_;
};

// Installs a clock for the lifetime of the object.
class scoped_clock {
public:
    explicit scoped_clock(clock& c) { set_clock(&c); }
    ~scoped_clock() { set_clock(nullptr); }
    scoped_clock(const scoped_clock&) = delete;
    scoped_clock& operator=(const scoped_clock&) = delete;
};

}  // namespace platform
