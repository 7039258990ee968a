#include "sim/event_loop.h"

#include <cerrno>
#include <ctime>
#include <poll.h>

namespace sim {

uint64_t now_ns()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

void event_loop::watch(int fd, short events, fd_callback cb)
{
    fds_[fd] = {events, std::make_shared<fd_callback>(std::move(cb))};
    fds_changed_ = true;
}

void event_loop::unwatch(int fd)
{
    fds_.erase(fd);
    fds_changed_ = true;
}

uint64_t event_loop::at(uint64_t due_ns, timer_callback cb)
{
    uint64_t id = next_id_++;
    timers_.push({due_ns, id});
    timer_cbs_[id] = std::move(cb);
    return id;
}

void event_loop::cancel(uint64_t id) { timer_cbs_.erase(id); }

void event_loop::run()
{
    std::vector<pollfd> pfds;
    std::vector<int> order;
    while (!quit_) {
        // Due timers first; a callback may add more timers or quit.
        uint64_t now = now_ns();
        while (!timers_.empty() && timers_.top().due <= now && !quit_) {
            timer t = timers_.top();
            timers_.pop();
            auto it = timer_cbs_.find(t.id);
            if (it == timer_cbs_.end())
                continue;
            auto cb = std::move(it->second);
            timer_cbs_.erase(it);
            cb();
            now = now_ns();
        }
        if (quit_)
            break;
        if (fds_changed_) {
            pfds.clear();
            order.clear();
            for (auto& e : fds_) {
                pfds.push_back({e.first, e.second.events, 0});
                order.push_back(e.first);
            }
            fds_changed_ = false;
        }
        timespec ts{};
        timespec* tsp = nullptr;
        while (!timers_.empty() && !timer_cbs_.count(timers_.top().id))
            timers_.pop();
        if (!timers_.empty()) {
            uint64_t due = timers_.top().due;
            uint64_t wait = due > now ? due - now : 0;
            ts.tv_sec = time_t(wait / 1000000000ull);
            ts.tv_nsec = long(wait % 1000000000ull);
            tsp = &ts;
        }
        int r = ppoll(pfds.data(), pfds.size(), tsp, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (size_t i = 0; i < pfds.size() && !quit_; ++i) {
            if (pfds[i].revents == 0)
                continue;
            auto it = fds_.find(order[i]);
            if (it == fds_.end())
                continue;  // closed by an earlier callback of this round
            auto cb = it->second.cb;
            (*cb)(pfds[i].revents);
        }
    }
}

}  // namespace sim
