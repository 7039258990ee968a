// The attach entry of the simulated-hardware library: it makes the models that the TARVIX_SIM_*
// variables name known to the port table, the service table and the PCAN slot of this process.
#include <cstdlib>

#include "can_dongle_model.h"
#include "cankdrv_model.h"
#include "isa_board_model.h"
#include "pcan_adapter_model.h"

namespace {
const char* variable(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}
}  // namespace

extern "C" __attribute__((visibility("default"))) void tarvix_simhw_attach()
{
    if (variable("TARVIX_SIM_PORTIO")) {
        sim::register_can_dongle_model();
        sim::register_isa_board_model();
    }
    if (const char* bus = variable("TARVIX_SIM_CANKDRV"))
        sim::register_cankdrv_service(bus);
    if (const char* bus = variable("TARVIX_SIM_PCAN"))
        sim::install_pcan_adapter(bus);
}
