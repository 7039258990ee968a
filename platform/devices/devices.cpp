#include "platform/devices/devices.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "platform/devices/win_error.h"

namespace platform {

namespace {
thread_local uint32_t t_last_error = 0;
}

uint32_t get_last_error() { return t_last_error; }
void set_last_error(uint32_t code) { t_last_error = code; }

namespace devices {

device::~device() = default;
uint32_t device::open() { return 0; }
void device::close() {}

namespace {

std::string key_of(const std::string& name)
{
    std::string k = name;
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return k;
}

struct device_table {
    std::mutex m;
    std::map<std::string, std::shared_ptr<device>> named;
    std::map<handle, std::shared_ptr<device>> open;
    handle next = 0x100;
};

device_table& table()
{
    static device_table t;
    return t;
}

std::shared_ptr<device> by_handle(handle h)
{
    device_table& t = table();
    std::lock_guard<std::mutex> lock(t.m);
    auto it = t.open.find(h);
    return it == t.open.end() ? nullptr : it->second;
}

}  // namespace

void register_device(const std::string& name, std::shared_ptr<device> d)
{
    device_table& t = table();
    std::lock_guard<std::mutex> lock(t.m);
    if (d)
        t.named[key_of(name)] = std::move(d);
}

void unregister_device(const std::string& name)
{
    // Handles already open keep their device, as an open handle keeps a driver loaded.
    device_table& t = table();
    std::lock_guard<std::mutex> lock(t.m);
    t.named.erase(key_of(name));
}

bool is_registered(const std::string& name)
{
    device_table& t = table();
    std::lock_guard<std::mutex> lock(t.m);
    return t.named.count(key_of(name)) != 0;
}

handle create_file(const char* path)
{
    static const std::string prefix = "\\\\.\\";
    std::string p = path ? path : "";
    if (p.compare(0, prefix.size(), prefix) != 0 || p.size() == prefix.size()) {
        set_last_error(win_error::file_not_found);
        return invalid_handle;
    }
    std::string name = p.substr(prefix.size());
    std::shared_ptr<device> d;
    {
        device_table& t = table();
        std::lock_guard<std::mutex> lock(t.m);
        auto it = t.named.find(key_of(name));
        if (it != t.named.end())
            d = it->second;
    }
    if (!d) {
        set_last_error(win_error::file_not_found);
        return invalid_handle;
    }
    if (uint32_t e = d->open()) {
        set_last_error(e);
        return invalid_handle;
    }
    device_table& t = table();
    std::lock_guard<std::mutex> lock(t.m);
    handle h = t.next++;
    t.open[h] = std::move(d);
    return h;
}

bool device_io_control(handle h, uint32_t code, const void* in, uint32_t in_size, void* out, uint32_t out_size,
                       uint32_t* returned)
{
    uint32_t n = 0;
    std::shared_ptr<device> d = by_handle(h);
    uint32_t e = d ? d->io_control(code, in, in_size, out, out_size, &n) : win_error::invalid_handle;
    if (returned)
        *returned = e ? 0 : n;
    if (e) {
        set_last_error(e);
        return false;
    }
    return true;
}

bool close_handle(handle h)
{
    std::shared_ptr<device> d;
    {
        device_table& t = table();
        std::lock_guard<std::mutex> lock(t.m);
        auto it = t.open.find(h);
        if (it == t.open.end()) {
            set_last_error(win_error::invalid_handle);
            return false;
        }
        d = std::move(it->second);
        t.open.erase(it);
    }
    d->close();
    return true;
}

}  // namespace devices
}  // namespace platform
