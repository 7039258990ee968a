// The CAN world of a transfer: the simulated bus, the boot loader's node on it at a bit rate, a
// tap, and the hardware of one of the four driver libraries, with the Windows family that library
// belongs to. Tests and the transfer benchmark share it.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "flashlink/fl_types.h"
#include "sim/boot_can_node.h"
#include "sim/boot_object_store.h"
#include "sim/boot_sdo_server.h"
#include "sim/can_bus_hub.h"
#include "sim/can_bus_tap.h"

namespace can_testing {

struct driver_case {
    const char* name;
    bool nt;
    // Puts the library's hardware on the bus.
    std::function<void(const std::string& bus)> attach;
    // Opens the adapter through flashlink's driver loader.
    std::function<uint16_t(uint16_t baud)> init;
};
extern const driver_case drivers[4];  // pcanbridge, kerncan, portcan, isacan
// Takes every driver's hardware away again, closes the driver and forgets the family.
void detach_hardware();
// Sets the Windows family the driver belongs to.
void use_family(const driver_case& d);

struct node_case {
    uint8_t node;
    sim::boot_can_node::scheme scheme;
    T_PROTOCOL protocol;
    uint16_t request, response;
};
extern const node_case nodes[2];  // node 3 standard, node 5 QUELCAN

class can_world {
public:
    can_world(const driver_case& d, const node_case& n, uint32_t loader_bitrate, bool paced = false);
    ~can_world();
    can_world(const can_world&) = delete;
    can_world& operator=(const can_world&) = delete;

    const std::string& bus() const { return hub_.path(); }

    boot_object_store store;
    boot_sdo_server server{store, boot_session::can()};
    std::unique_ptr<sim::boot_can_node> loader;
    std::unique_ptr<sim::can_bus_tap> tap;

private:
    // A folder of its own for the bus socket, made before the hub and removed after it.
    struct socket_dir {
        socket_dir();
        ~socket_dir();
        std::string path;
    } dir_;
    sim::can_bus_hub hub_{dir_.path + "/bus.sock"};
};

}  // namespace can_testing
