// x86 port input and output on Linux: a process-wide table mapping port ranges to backends (simulated
// hardware models). It lives in a small shared library of its own so that the test or simulator that
// maps a model and a driver library loaded later with dlopen see the same table.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform::portio {

// What answers a range of ports; port numbers passed in are absolute.
class backend {
public:
    virtual ~backend();
    virtual uint16_t port_count() const = 0;
    virtual uint8_t in8(uint16_t port) = 0;
    virtual void out8(uint16_t port, uint8_t value) = 0;
};

// Maps b at first .. first + port_count() - 1; mappings it overlaps are removed.
void map(uint16_t first, std::shared_ptr<backend> b);
// Removes the mapping that starts at first.
void unmap(uint16_t first);
// Removes every mapping (tests).
void unmap_all();
// The backend mapped at first, or null.
std::shared_ptr<backend> mapped_at(uint16_t first);

// An unmapped port reads 0xFF, as an empty bus does; writes to it go nowhere.
uint8_t in8(uint16_t port);
void out8(uint16_t port, uint8_t value);

// Simulated models by name, for TARVIX_SIM_PORTIO = "<base>:<model>[:<argument>][,...]"
// (for example "0x378:dongle:/tmp/bus.sock"). The process registers the models it links; an entry of
// the variable is mapped as soon as its model is registered. Returns the number of entries mapped.
using model_factory = std::function<std::shared_ptr<backend>(uint16_t base, const std::string& argument)>;
size_t register_model(const std::string& name, model_factory factory);
// Maps the entries of TARVIX_SIM_PORTIO whose model is registered and not yet mapped.
size_t apply_environment();
// Forgets the registered models and which entries were applied (tests).
void reset_models();

}  // namespace platform::portio
