// A client of the CAN bus hub: one node with a bit rate, used by hardware models and by test peers.
#pragma once
#include <cstdint>
#include <string>

#include "can_bus_port.h"

namespace sim {

class can_bus_node final : public can_bus_port {
public:
    // Connects and announces the bit rate; returns once the hub has taken the node in.
    // Throws std::runtime_error when the hub cannot be reached.
    can_bus_node(const std::string& socket_path, uint32_t bitrate, bool tap = false);
    ~can_bus_node() override;
    can_bus_node(const can_bus_node&) = delete;
    can_bus_node& operator=(const can_bus_node&) = delete;

    // The frame goes out at this node's bit rate (its bitrate field is overwritten).
    bool send(const can_frame& f) override;
    bool try_receive(can_frame& f) override;
    bool set_bitrate(uint32_t bitrate) override;
    uint32_t bitrate() const override { return bitrate_; }

    // Waits up to timeout_ms for a frame.
    bool receive(can_frame& f, int timeout_ms);
    // Waits up to timeout_ms until a frame is waiting, without taking it.
    bool wait_readable(int timeout_ms);
    int fd() const { return fd_; }
    // True once a receive found the hub gone: the socket stays readable from then on, so a
    // caller polling it must stop.
    bool hung_up() const { return hung_up_; }

private:
    bool greet(uint32_t bitrate);

    int fd_ = -1;
    uint32_t bitrate_ = 0;
    bool tap_ = false;
    bool hung_up_ = false;
};

}  // namespace sim
