#include "portio.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace platform::portio {

backend::~backend() = default;

namespace {

struct portio_state {
    std::mutex m;
    // Keyed by the first port of each range; ranges never overlap.
    std::map<uint16_t, std::shared_ptr<backend>> ranges;
    std::map<std::string, model_factory> models;
    std::set<std::string> applied;  // environment entries already mapped
};

portio_state& state()
{
    static portio_state s;
    return s;
}

std::shared_ptr<backend> find(portio_state& s, uint16_t port)
{
    auto it = s.ranges.upper_bound(port);
    if (it == s.ranges.begin())
        return nullptr;
    --it;
    if (static_cast<uint32_t>(port) < static_cast<uint32_t>(it->first) + it->second->port_count())
        return it->second;
    return nullptr;
}

struct env_entry {
    std::string text;
    uint16_t base;
    std::string model;
    std::string argument;
};

std::vector<env_entry> parse_environment()
{
    std::vector<env_entry> out;
    const char* v = std::getenv("TARVIX_SIM_PORTIO");
    if (!v)
        return out;
    std::string all = v;
    size_t pos = 0;
    while (pos <= all.size()) {
        size_t comma = all.find(',', pos);
        std::string item = all.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        pos = comma == std::string::npos ? all.size() + 1 : comma + 1;
        size_t c1 = item.find(':');
        if (c1 == std::string::npos)
            continue;
        char* end = nullptr;
        unsigned long base = std::strtoul(item.c_str(), &end, 0);
        if (end != item.c_str() + c1 || base > 0xFFFF)
            continue;
        size_t c2 = item.find(':', c1 + 1);
        env_entry e;
        e.text = item;
        e.base = static_cast<uint16_t>(base);
        e.model = item.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1);
        e.argument = c2 == std::string::npos ? std::string() : item.substr(c2 + 1);
        out.push_back(e);
    }
    return out;
}

void map_locked(portio_state& s, uint16_t first, std::shared_ptr<backend> b)
{
    uint32_t last = static_cast<uint32_t>(first) + b->port_count();
    for (auto it = s.ranges.begin(); it != s.ranges.end();) {
        uint32_t a = it->first, z = a + it->second->port_count();
        if (a < last && first < z)
            it = s.ranges.erase(it);
        else
            ++it;
    }
    if (b->port_count() > 0)
        s.ranges[first] = std::move(b);
}

}  // namespace

void map(uint16_t first, std::shared_ptr<backend> b)
{
    if (!b)
        return;
    portio_state& s = state();
    std::lock_guard<std::mutex> lock(s.m);
    map_locked(s, first, std::move(b));
}

void unmap(uint16_t first)
{
    portio_state& s = state();
    std::lock_guard<std::mutex> lock(s.m);
    s.ranges.erase(first);
}

void unmap_all()
{
    portio_state& s = state();
    std::lock_guard<std::mutex> lock(s.m);
    s.ranges.clear();
}

std::shared_ptr<backend> mapped_at(uint16_t first)
{
    portio_state& s = state();
    std::lock_guard<std::mutex> lock(s.m);
    auto it = s.ranges.find(first);
    return it == s.ranges.end() ? nullptr : it->second;
}

uint8_t in8(uint16_t port)
{
    std::shared_ptr<backend> b;
    {
        portio_state& s = state();
        std::lock_guard<std::mutex> lock(s.m);
        b = find(s, port);
    }
    // The model runs outside the table's lock: it may talk to the bus or map further models.
    return b ? b->in8(port) : 0xFF;
}

void out8(uint16_t port, uint8_t value)
{
    std::shared_ptr<backend> b;
    {
        portio_state& s = state();
        std::lock_guard<std::mutex> lock(s.m);
        b = find(s, port);
    }
    if (b)
        b->out8(port, value);
}

size_t register_model(const std::string& name, model_factory factory)
{
    {
        portio_state& s = state();
        std::lock_guard<std::mutex> lock(s.m);
        s.models[name] = std::move(factory);
    }
    return apply_environment();
}

size_t apply_environment()
{
    size_t mapped = 0;
    for (const env_entry& e : parse_environment()) {
        model_factory f;
        {
            portio_state& s = state();
            std::lock_guard<std::mutex> lock(s.m);
            auto it = s.models.find(e.model);
            if (it == s.models.end() || s.applied.count(e.text))
                continue;
            f = it->second;
        }
        // Built outside the lock: a model may connect to the bus hub and wait for it. One that
        // cannot be built now (no hub yet) is tried again by the next call.
        std::shared_ptr<backend> b = f(e.base, e.argument);
        if (!b)
            continue;
        {
            portio_state& s = state();
            std::lock_guard<std::mutex> lock(s.m);
            if (!s.applied.insert(e.text).second)
                continue;  // another thread mapped it meanwhile
        }
        map(e.base, std::move(b));
        ++mapped;
    }
    return mapped;
}

void reset_models()
{
    portio_state& s = state();
    std::lock_guard<std::mutex> lock(s.m);
    s.models.clear();
    s.applied.clear();
}

}  // namespace platform::portio
