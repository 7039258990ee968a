// The simulated hardware behind the CAN driver libraries (the parallel-port dongle and the ISA board
// on the port table, the kernel driver's device and service, the PCAN adapter) lives in one small
// library of the simulator, libtarvix_simhw.so. It is loaded, never linked, and only when a
// TARVIX_SIM_* variable names a model, so a normal run finds no hardware at all:
//   TARVIX_SIM_PORTIO=<base>:<model>[:<bus socket>],...   models "dongle" and "isa"
//   TARVIX_SIM_CANKDRV=<bus socket>                       the kernel driver's service "CANKDRV"
//   TARVIX_SIM_PCAN=<bus socket>                          the adapter behind PCAN_USB
#pragma once
#include <string>

namespace platform::sim_hardware {

// True when one of the variables above is set.
bool configured();
// Loads the library (once) when configured and lets it attach its models. Returns whether it is
// attached. Safe to call from any thread, any number of times.
bool attach();
// Where the library is looked for: beside the library that holds this code.
std::string library_path();

}  // namespace platform::sim_hardware
