// The simulated HID interfaces: the sockets that the simulated device server offers in a
// folder (TARVIX_HID_SIM), one per interface.
#pragma once
#include <string>

#include "platform/hid.h"

namespace platform {

class hid_sim_backend final : public hid_backend {
public:
    // folder: where the interface sockets lie; empty: read TARVIX_HID_SIM at every call.
    explicit hid_sim_backend(std::string folder = {}) : folder_(std::move(folder)) {}
    void enumerate(const std::function<bool(const hid_interface_info&)>& visit) override;
    std::unique_ptr<hid_device> open(const std::string& path, hid_access access, uint32_t& error) override;

private:
    std::string folder() const;
    std::string folder_;
};

}  // namespace platform
