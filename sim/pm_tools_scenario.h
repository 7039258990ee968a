// The stored process-monitor data of the premium-pm-tools controller: vendor and custom tool
// types, three taught tools with curves of different lengths, and a run of monitoring records
// with their curves.
#pragma once

namespace sim {

struct world;

void pm_load_tools_scenario(world& w);

}  // namespace sim
