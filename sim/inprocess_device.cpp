#include "sim/inprocess_device.h"

#include "sim/profiles.h"

namespace sim {

inprocess_device::inprocess_device(platform::hid_fake_backend& fake, const std::string& profile,
                                   platform::hid_fake_backend::interface_spec spec)
    : fake_(fake), spec_(spec), core_(world_, faults_, log_)
{
    load_profile(world_, profile);
    path_ = fake_.add(spec_);
    fake_.on_write([this](const std::vector<uint8_t>& report) {
        controller_result r =
            core_.handle_report(report.data(), report.size(), spec_.output_report_length, spec_.input_report_length, 0);
        for (const auto& o : r.reports) {
            log_.add(wire_direction::out, 0, o.report.data(), o.report.size(), o.note);
            fake_.push_report(o.report, path_);
        }
        if (r.unplug) {
            fake_.unplug(path_);
            if (r.replug_ms >= 0)
                fake_.replug(path_);  // back at once: the link still waits its reopen interval
        }
    });
}

inprocess_device::~inprocess_device() { fake_.on_write(nullptr); }

}  // namespace sim
