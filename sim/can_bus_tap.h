// A tap on the CAN bus hub that records every frame, whatever its bit rate, for tests and wire logs.
#pragma once
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "can_bus_node.h"

namespace sim {

class can_bus_tap {
public:
    explicit can_bus_tap(const std::string& socket_path);
    ~can_bus_tap();
    can_bus_tap(const can_bus_tap&) = delete;
    can_bus_tap& operator=(const can_bus_tap&) = delete;

    std::vector<can_frame> frames() const;
    // Waits until at least count frames were recorded.
    bool wait_for_count(size_t count, int timeout_ms) const;

private:
    void run();

    can_bus_node node_;
    int wake_fd_;
    std::thread thread_;
    mutable std::mutex m_;
    mutable std::condition_variable cv_;
    std::vector<can_frame> frames_;
};

}  // namespace sim
