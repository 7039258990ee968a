// Real HID hardware on Linux: the hidraw class in sysfs, the report descriptor for the
// capabilities, the USB device's product attribute for the product string.
#pragma once
#include <string>

#include "platform/hid.h"

namespace platform {

// What the link needs from a report descriptor: the top-level collection's usage page and
// usage, and the longest input and output report (with the report-ID byte, as Windows counts).
struct hid_descriptor_caps {
    uint16_t usage_page = 0;
    uint16_t usage = 0;
    uint16_t input_report_length = 0;
    uint16_t output_report_length = 0;
    bool numbered_reports = false;  // the device uses report IDs
    bool valid = false;             // a top-level collection was found
};
hid_descriptor_caps hid_parse_report_descriptor(const uint8_t* data, size_t length);

class hid_hidraw_backend final : public hid_backend {
public:
    // class_root: the hidraw class folder of sysfs; dev_root: where the hidrawN nodes lie.
    explicit hid_hidraw_backend(std::string class_root = "/sys/class/hidraw", std::string dev_root = "/dev")
        : class_root_(std::move(class_root)), dev_root_(std::move(dev_root)) {}
    void enumerate(const std::function<bool(const hid_interface_info&)>& visit) override;
    std::unique_ptr<hid_device> open(const std::string& path, hid_access access, uint32_t& error) override;

    // The product attribute of the USB device above hidraw node `name` (e.g. "hidraw0").
    bool product_of(const std::string& name, std::string& out) const;
    bool caps_of(const std::string& name, hid_descriptor_caps& out) const;

private:
    std::string class_root_;
    std::string dev_root_;
};

}  // namespace platform
