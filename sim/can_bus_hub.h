// The simulated CAN bus: a hub on a Unix SOCK_SEQPACKET socket that hands every frame to every other
// node of the same bit rate, and to tap nodes whatever the rate.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

class can_bus_hub {
public:
    // Binds and listens at socket_path (an old socket file there is replaced); throws std::runtime_error.
    explicit can_bus_hub(std::string socket_path);
    ~can_bus_hub();
    can_bus_hub(const can_bus_hub&) = delete;
    can_bus_hub& operator=(const can_bus_hub&) = delete;

    // Runs the hub on a thread of its own until stop() or destruction.
    void start();
    // Runs the hub in the caller's thread until stop() is called from elsewhere.
    void run();
    void stop();

    // With pacing the bus carries one frame at a time, each for 47 + 8 x DLC bit times at its
    // bit rate, and delivers it when its last bit is through (benchmarks; tests run unpaced).
    void set_pacing(bool on) { pacing_ = on; }
    static uint32_t frame_bits(uint8_t dlc) { return 47u + 8u * (dlc > 8 ? 8u : dlc); }

    const std::string& path() const { return path_; }
    size_t node_count() const;
    uint64_t frames_carried() const { return carried_; }

private:
    struct node {
        int fd;
        uint32_t bitrate;
        bool tap;
        bool greeted;
    };
    void handle_message(size_t index, const uint8_t* msg, size_t n);

    std::string path_;
    int listen_fd_ = -1;
    int wake_fd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    mutable std::mutex m_;
    std::vector<node> nodes_;
    std::atomic<uint64_t> carried_{0};
    std::atomic<bool> pacing_{false};
    std::chrono::steady_clock::time_point bus_free_{};
    std::chrono::nanoseconds late_{0};  // how late the system wakes the hub, on average
};

}  // namespace sim
