// The service control manager's part that the download library uses: connect, open a service,
// start it, send it the stop control. A service exists only when something configured it (the
// simulated kernel driver, or a test); starting and stopping run the service's own operations.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace platform::services {

struct operations {
    // 0 or a Windows error code.
    std::function<uint32_t()> start;
    std::function<uint32_t()> stop;
};

// Adds (or replaces) a stopped service; remove() takes it away.
void configure(const std::string& name, operations ops);
void remove(const std::string& name);
bool is_running(const std::string& name);
// Counts of successful starts and stops since configure (tests).
int starts(const std::string& name);
int stops(const std::string& name);
// Test hook: with false, connecting to the manager fails (access denied).
void set_manager_available(bool available);
// Forgets every service and hook (tests).
void reset();

using sc_handle = intptr_t;  // 0 = none

// Every call below sets the last error when it fails.
sc_handle open_manager();
sc_handle open_service(sc_handle manager, const char* name);
// Already running fails with 1056 (service_already_running).
bool start_service(sc_handle service);
// A service that is not running fails with 1062 (service_not_active).
bool stop_service(sc_handle service);
bool close_service_handle(sc_handle h);

}  // namespace platform::services
