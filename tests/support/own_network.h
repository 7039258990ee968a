// Tests and benchmarks that send ICMP or run tvxsim's TUN face do it in a network namespace of
// their own (sim/net_namespace.h), so that no packet of theirs can leave the machine. The move
// happens once per process, from a static initializer, before any thread starts:
//   const testing_support::own_network_state& g_network = testing_support::own_network();
#pragma once
#include <string>

#include "sim/net_namespace.h"

namespace testing_support {

struct own_network_state {
    bool ok = false;
    std::string why;  // when not ok: why a test that needs it skips
};

inline const own_network_state& own_network()
{
    static const own_network_state state = [] {
        own_network_state s;
        s.ok = sim::enter_own_network(s.why);
        return s;
    }();
    return state;
}

}  // namespace testing_support
