// The simulated controller's program: the demo program that the control command "program
// demo" loads, the cycles its mailbox runs on it, and the live mode that moves inputs,
// outputs and the position in real time.
#pragma once
#include <cstdint>

#include "sim/world.h"

namespace sim {

// Functions 0-3, the R/L cluster 4-7, 9 and 12 (Basic: 0-3); marks the program loaded.
void load_demo_program(world& w);
// A mailbox start, teach or test scan of function `fn` (0xFFFF: a single scan with the mode
// and position of `request`); 0 when it runs, else the device error code.
uint8_t start_cycle(world& w, const device_frame& request);
// One status request's worth of controller time with a program loaded.
void advance_program(world& w);
// One real-time change of the live mode (`step` counts them); now and then it starts the
// next demo function.
void live_step(world& w, uint32_t step);

}  // namespace sim
