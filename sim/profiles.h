// Controller variants the simulator can stand in for, by name.
#pragma once
#include <string>
#include <vector>

#include "sim/world.h"

namespace sim {

struct profile {
    std::string name;
    std::string description;
    void (*apply)(world&);
};

// Every profile; the first is the default.
const std::vector<profile>& profiles();
const profile* find_profile(const std::string& name);
// Resets the world to the profile; false when no such profile exists.
bool load_profile(world& w, const std::string& name);

}  // namespace sim
