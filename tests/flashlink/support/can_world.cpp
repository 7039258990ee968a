#include "flashlink/support/can_world.h"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "flashlink/can_driver.h"
#include "platform/devices/devices.h"
#include "platform/devices/pcan_slot.h"
#include "platform/devices/services.h"
#include "platform/portio/portio.h"
#include "sim/can_dongle_model.h"
#include "sim/cankdrv_model.h"
#include "sim/isa_board_model.h"
#include "sim/pcan_adapter_model.h"

namespace can_testing {

const driver_case drivers[4] = {
    {"pcanbridge", true,
     [](const std::string& bus) {
         platform::pcan::install(std::make_shared<sim::pcan_adapter_model>(std::make_shared<sim::can_bus_node>(bus, 0)));
     },
     [](uint16_t baud) { return fl_can::DrvInitCANPeak(baud, 0); }},
    {"kerncan", true, [](const std::string& bus) { sim::register_cankdrv_service(bus); },
     [](uint16_t baud) { return fl_can::DrvInitCANDon(baud, 1); }},
    {"portcan", false,
     [](const std::string& bus) {
         platform::portio::map(0x378, std::make_shared<sim::can_dongle_model>(
                                          0x378, std::make_shared<sim::can_bus_node>(bus, 0)));
     },
     [](uint16_t baud) { return fl_can::DrvInitCANDon(baud, 1); }},
    {"isacan", false,
     [](const std::string& bus) {
         platform::portio::map(0x300, std::make_shared<sim::isa_board_model>(
                                          0x300, std::make_shared<sim::can_bus_node>(bus, 0)));
     },
     [](uint16_t baud) { return fl_can::DrvInitCAN_ISA(baud, 0, 0x300); }},
};

const node_case nodes[2] = {
    {3, sim::boot_can_node::scheme::standard, PROT_CAN, 0x603, 0x583},
    {5, sim::boot_can_node::scheme::quelcan, PROT_QUELCAN, 0x12F, 0x32A},
};

can_world::socket_dir::socket_dir()
{
    char templ[] = "/tmp/tarvix-can-XXXXXX";
    if (!mkdtemp(templ))
        throw std::runtime_error("no temporary folder");
    path = templ;
}

can_world::socket_dir::~socket_dir() { rmdir(path.c_str()); }

can_world::can_world(const driver_case& d, const node_case& n, uint32_t loader_bitrate, bool paced)
{
    hub_.set_pacing(paced);
    hub_.start();
    platform::services::reset();
    d.attach(hub_.path());
    use_family(d);
    loader = std::make_unique<sim::boot_can_node>(std::make_shared<sim::can_bus_node>(hub_.path(), loader_bitrate),
                                                  server, n.node, n.scheme);
    loader->start();
    tap = std::make_unique<sim::can_bus_tap>(hub_.path());
}

can_world::~can_world()
{
    loader->stop();
    detach_hardware();
}

void use_family(const driver_case& d)
{
    if (d.nt)
        unsetenv("TARVIX_WINFAMILY");
    else
        setenv("TARVIX_WINFAMILY", "9x", 1);
}

void detach_hardware()
{
    fl_can::DrvCloseCAN();
    platform::pcan::install(nullptr);
    platform::portio::unmap_all();
    platform::devices::unregister_device("CANKDRV");
    platform::services::reset();
    unsetenv("TARVIX_WINFAMILY");
}

}  // namespace can_testing
