// The simulated controller's state: what it is (profile), what it shows (status data),
// what it stores (parameters; later the function, tool and record stores), and what it
// was told (mailbox commands). Handlers read and change it; nothing else does.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/device_frame.h"

namespace sim {

struct world {
    std::string profile_name;
    bool loader_only = false;  // only the firmware loader runs

    // Status reply: data count and frame bytes 4..62 as they are sent.
    uint8_t status_count = device_protocol::status_data_count;
    std::array<uint8_t, device_protocol::frame_size - device_protocol::data_offset> status{};

    // Parameters by number; a number not in the map is unknown to this controller.
    std::map<uint16_t, int32_t> parameters;

    // Mailbox commands in the order they arrived (bounded).
    std::vector<device_frame> commands;
    static constexpr size_t max_commands = 1000;

    uint64_t requests_handled = 0;
    uint64_t violations = 0;  // malformed requests refused
};

}  // namespace sim
