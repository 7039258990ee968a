// A single-threaded poll loop for the simulator's front ends: file descriptors with
// callbacks and timers with sub-millisecond due times.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <queue>
#include <vector>

namespace sim {

// Nanoseconds of the monotonic clock.
uint64_t now_ns();

class event_loop {
public:
    using fd_callback = std::function<void(short revents)>;
    using timer_callback = std::function<void()>;

    void watch(int fd, short events, fd_callback cb);
    void unwatch(int fd);
    // Runs cb once at or after due (now_ns() scale); returns an id for cancel.
    uint64_t at(uint64_t due_ns, timer_callback cb);
    void cancel(uint64_t id);
    // Runs until quit() is called (from a callback or a signal-safe flag).
    void run();
    void quit() { quit_ = true; }

private:
    struct watch_entry {
        short events;
        std::shared_ptr<fd_callback> cb;  // shared: a callback may unwatch its own fd
    };
    struct timer {
        uint64_t due;
        uint64_t id;
        bool operator>(const timer& o) const { return due != o.due ? due > o.due : id > o.id; }
    };
    std::map<int, watch_entry> fds_;
    std::priority_queue<timer, std::vector<timer>, std::greater<timer>> timers_;
    std::map<uint64_t, timer_callback> timer_cbs_;
    uint64_t next_id_ = 1;
    bool quit_ = false;
    bool fds_changed_ = true;  // the poll set is rebuilt only after a change
};

}  // namespace sim
