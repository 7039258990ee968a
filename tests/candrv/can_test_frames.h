// Frames the CAN tests send: an id, a length and data counting up from `first`, so every
// byte tells where it came from.
#pragma once
#include <cstdint>

#include "sim/can_frame.h"

namespace can_test {

inline sim::can_frame frame(uint32_t id, uint8_t dlc, uint8_t first)
{
    sim::can_frame f;
    f.id = id;
    f.dlc = dlc;
    for (int i = 0; i < 8; ++i)
        f.data[i] = static_cast<uint8_t>(first + i);
    return f;
}

}  // namespace can_test
