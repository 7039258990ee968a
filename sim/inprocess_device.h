// The simulated controller inside the test process, behind the scripted HID fake: every
// report the link writes goes to the controller core, every reply comes back as an input
// report. Delays are not kept (replies come at once); an unplug fault unplugs the fake.
#pragma once
#include <string>

#include "platform/hid_fake.h"
#include "sim/controller.h"
#include "sim/faults.h"
#include "sim/wire_log.h"
#include "sim/world.h"

namespace sim {

class inprocess_device {
public:
    explicit inprocess_device(platform::hid_fake_backend& fake, const std::string& profile = "premium",
                              platform::hid_fake_backend::interface_spec spec = {});
    ~inprocess_device();
    inprocess_device(const inprocess_device&) = delete;
    inprocess_device& operator=(const inprocess_device&) = delete;

    world& state() { return world_; }
    fault_plan& faults() { return faults_; }
    wire_log& log() { return log_; }
    const std::string& path() const { return path_; }

private:
    platform::hid_fake_backend& fake_;
    platform::hid_fake_backend::interface_spec spec_;
    world world_;
    fault_plan faults_;
    wire_log log_;
    controller core_;
    std::string path_;
};

}  // namespace sim
