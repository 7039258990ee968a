// The network the simulated controller's Ethernet face lives in: a network namespace of its
// own, so that nothing sent to the controller's address can leave the machine, even when the
// TUN device is missing or down. Tests and benchmarks move into one before their first
// thread; tvxsim refuses its TUN face anywhere else.
#pragma once
#include <string>
#include <vector>

namespace sim {

// Moves the calling thread into a new network namespace with only the loopback device, up.
// Threads it starts later and child processes share the namespace. Call it before any other
// thread starts. False with the reason (no CAP_SYS_ADMIN: not root) when it cannot be made.
bool enter_own_network(std::string& why);

// True when, in the calling thread's network namespace, no IPv4 or IPv6 route and no
// interface that is up use a device other than lo and those named in `own`; else false, and
// `found` says what else is there.
bool network_is_own(const std::vector<std::string>& own, std::string& found);

}  // namespace sim
