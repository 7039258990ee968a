// The control commands of the memory areas: an area saved to a file whole and replaced from
// one, so that a test can compare two controllers' clone data or give one another's.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "sim/simulator.h"
#include "sim/simulator_control.h"

namespace sim {
namespace {

std::vector<uint8_t>* area_of(world& w, long area)
{
    if (area == device_protocol::memory_area_diagnostic)
        return &w.diagnostic_area;
    if (area == device_protocol::memory_area_clone)
        return &w.clone_area;
    return nullptr;
}

}  // namespace

const std::vector<simulator::control_command>& simulator::area_commands()
{
    using call = control_call;
    static const std::vector<control_command> table = {
        {"area-save", "<2|3> <file>", [](simulator& s, call& c) {
             long a = 0;
             std::vector<uint8_t>* area = nullptr;
             if (c.w.size() != 3 || !c.numbers({&a}) || !(area = area_of(s.world_, a)))
                 return false;
             std::ofstream f(c.w[2], std::ios::binary | std::ios::trunc);
             f.write(reinterpret_cast<const char*>(area->data()), std::streamsize(area->size()));
             if (!f)
                 c.error = "cannot write " + c.w[2];
             return bool(f);
         }},
        {"area-load", "<2|3> <file>", [](simulator& s, call& c) {
             // The area keeps its size: a shorter file replaces its start, a longer one is cut.
             long a = 0;
             std::vector<uint8_t>* area = nullptr;
             if (c.w.size() != 3 || !c.numbers({&a}) || !(area = area_of(s.world_, a)))
                 return false;
             std::ifstream f(c.w[2], std::ios::binary);
             if (!f) {
                 c.error = "cannot read " + c.w[2];
                 return false;
             }
             std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
             const size_t n = std::min(bytes.size(), area->size());
             std::copy(bytes.begin(), bytes.begin() + long(n), area->begin());
             c.result = std::to_string(n);
             return true;
         }},
    };
    return table;
}

}  // namespace sim
