// What a hardware model needs of its attachment to the CAN bus: the hub client or a fake in unit tests.
#pragma once
#include <cstdint>

#include "can_frame.h"

namespace sim {

class can_bus_port {
public:
    virtual ~can_bus_port() = default;
    // Sends at the port's bit rate; false when the bus cannot take it.
    virtual bool send(const can_frame& f) = 0;
    // Takes one waiting frame without blocking.
    virtual bool try_receive(can_frame& f) = 0;
    // 0 takes the node off the bus: it neither sees nor is seen.
    virtual bool set_bitrate(uint32_t bitrate) = 0;
    virtual uint32_t bitrate() const = 0;
};

}  // namespace sim
