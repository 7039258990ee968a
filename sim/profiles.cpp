#include "sim/profiles.h"

namespace sim {
namespace {

// Parameters every application profile knows: the variant (28; low byte the family
// code), the revision word (66), article and serial numbers (75 to 78), the hardware
// configuration (109), and a few settings the tests read and write.
void base_application(world& w, uint8_t family)
{
    w.loader_only = false;
    w.status_count = device_protocol::status_data_count;
    w.status.fill(0);
    w.parameters.clear();
    for (uint16_t n = 0; n <= 16; ++n)
        w.parameters[n] = 0;
    w.parameters[28] = family;
    w.parameters[66] = 0x3233344B;
    w.parameters[75] = 5206718;
    w.parameters[76] = 1234567;
    w.parameters[77] = 5206719;
    w.parameters[78] = 7654321;
    w.parameters[109] = 1;
}

void premium(world& w) { base_application(w, 0x20); }
void basic(world& w) { base_application(w, 0x10); }
void loader(world& w)
{
    base_application(w, 0x20);
    w.loader_only = true;
    w.status_count = 0;
}

}  // namespace

const std::vector<profile>& profiles()
{
    static const std::vector<profile> list = {
        {"premium", "application firmware, family 0x2", premium},
        {"basic", "application firmware, family 0x1", basic},
        {"loader", "only the firmware loader runs", loader},
    };
    return list;
}

const profile* find_profile(const std::string& name)
{
    for (const auto& p : profiles())
        if (p.name == name)
            return &p;
    return nullptr;
}

bool load_profile(world& w, const std::string& name)
{
    const profile* p = find_profile(name);
    if (!p)
        return false;
    w = world{};
    w.profile_name = p->name;
    p->apply(w);
    return true;
}

}  // namespace sim
