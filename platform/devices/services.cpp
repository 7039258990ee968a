#include "platform/devices/services.h"

#include <map>
#include <mutex>

#include "platform/devices/sim_hardware.h"
#include "platform/devices/win_error.h"

namespace platform::services {
namespace {

struct service {
    operations ops;
    bool running = false;
    int starts = 0;
    int stops = 0;
};

struct handle_entry {
    bool manager;
    std::string name;
};

struct service_table {
    std::recursive_mutex m;
    std::map<std::string, service> services;
    std::map<sc_handle, handle_entry> handles;
    sc_handle next = 0x10;
    bool manager_available = true;
};

service_table& table()
{
    static service_table t;
    return t;
}

}  // namespace

void configure(const std::string& name, operations ops)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    service s;
    s.ops = std::move(ops);
    t.services[name] = std::move(s);
}

void remove(const std::string& name)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    t.services.erase(name);
}

bool is_running(const std::string& name)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    auto it = t.services.find(name);
    return it != t.services.end() && it->second.running;
}

int starts(const std::string& name)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    auto it = t.services.find(name);
    return it == t.services.end() ? 0 : it->second.starts;
}

int stops(const std::string& name)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    auto it = t.services.find(name);
    return it == t.services.end() ? 0 : it->second.stops;
}

void set_manager_available(bool available)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    t.manager_available = available;
}

void reset()
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    t.services.clear();
    t.handles.clear();
    t.manager_available = true;
}

sc_handle open_manager()
{
    // A process started with a simulated driver configured finds its service from here on.
    sim_hardware::attach();
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    if (!t.manager_available) {
        set_last_error(win_error::access_denied);
        return 0;
    }
    sc_handle h = t.next++;
    t.handles[h] = {true, std::string()};
    return h;
}

sc_handle open_service(sc_handle manager, const char* name)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    auto m = t.handles.find(manager);
    if (m == t.handles.end() || !m->second.manager) {
        set_last_error(win_error::invalid_handle);
        return 0;
    }
    if (!name || !t.services.count(name)) {
        set_last_error(win_error::service_does_not_exist);
        return 0;
    }
    sc_handle h = t.next++;
    t.handles[h] = {false, name};
    return h;
}

namespace {
// The service behind a service handle, or null with the last error set.
service* service_of(service_table& t, sc_handle h)
{
    auto it = t.handles.find(h);
    if (it == t.handles.end() || it->second.manager) {
        set_last_error(win_error::invalid_handle);
        return nullptr;
    }
    auto s = t.services.find(it->second.name);
    if (s == t.services.end()) {
        set_last_error(win_error::service_does_not_exist);
        return nullptr;
    }
    return &s->second;
}
}  // namespace

bool start_service(sc_handle h)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    service* s = service_of(t, h);
    if (!s)
        return false;
    if (s->running) {
        set_last_error(win_error::service_already_running);
        return false;
    }
    if (uint32_t e = s->ops.start ? s->ops.start() : 0) {
        set_last_error(e);
        return false;
    }
    s->running = true;
    ++s->starts;
    return true;
}

bool stop_service(sc_handle h)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    service* s = service_of(t, h);
    if (!s)
        return false;
    if (!s->running) {
        set_last_error(win_error::service_not_active);
        return false;
    }
    if (uint32_t e = s->ops.stop ? s->ops.stop() : 0) {
        set_last_error(e);
        return false;
    }
    s->running = false;
    ++s->stops;
    return true;
}

bool close_service_handle(sc_handle h)
{
    service_table& t = table();
    std::lock_guard<std::recursive_mutex> lock(t.m);
    if (!t.handles.erase(h)) {
        set_last_error(win_error::invalid_handle);
        return false;
    }
    return true;
}

}  // namespace platform::services
