// The simulated controller's core: one output report in, the input reports it causes out.
// It checks the report and the frame strictly, dispatches through the request table,
// applies armed faults, and logs what came in.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/protocol/device_frame.h"
#include "sim/faults.h"
#include "sim/wire_log.h"
#include "sim/world.h"

namespace sim {

struct outgoing_report {
    std::vector<uint8_t> report;
    uint32_t delay_ms = 0;
    std::string note;
};

struct controller_result {
    std::vector<outgoing_report> reports;
    bool unplug = false;
    int32_t replug_ms = -1;  // with unplug: back after this time; negative: stays away
    bool reboot = false;     // the unplug is the reset command's reboot
};

class controller {
public:
    controller(world& w, fault_plan& faults, wire_log& log) : w_(w), faults_(faults), log_(log) {}

    controller_result handle_report(const uint8_t* report, size_t n, uint16_t output_length, uint16_t input_length,
                                    uint8_t interface_index);
    // The frame layer alone: the replies of the world to one request, without faults.
    std::vector<device_frame> handle_frame(const device_frame& request, std::string* violation = nullptr);
    // The same, asking `admit` once the frame is well formed whether the world is to handle
    // it (a request refused by a fault leaves the world as it was).
    std::vector<device_frame> handle_frame(const device_frame& request, std::string* violation,
                                           const std::function<bool()>& admit);

    // An input report carrying the frame: ID 0, length 63, the frame, zero padding.
    static std::vector<uint8_t> input_report(const device_frame& f, uint16_t input_length);

private:
    world& w_;
    fault_plan& faults_;
    wire_log& log_;
};

}  // namespace sim
