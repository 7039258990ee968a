// An in-process HID backend that tests script: interfaces with chosen capabilities and
// product strings, how writes complete, which reports and read errors the readers see.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid.h"

namespace platform {

class hid_fake_backend final : public hid_backend {
public:
    struct interface_spec {
        uint16_t usage_page = 0xFF00;
        uint16_t usage = 1;
        uint16_t input_report_length = 65;
        uint16_t output_report_length = 65;
        std::string product = "Tarvix 9";
        bool product_readable = true;
        bool refuse_write_open = false;
    };
    enum class write_mode {
        pending,          // goes pending, completes in full on the next step (the usual case)
        immediate,        // completes in full at once
        stall,            // goes pending and never completes
        short_pending,    // goes pending, completes one byte short
        short_immediate,  // completes at once, one byte short
        fail,             // fails at once with write_error
    };

    hid_fake_backend();
    ~hid_fake_backend() override;

    // Adds an interface; its path is "fake:<index>".
    std::string add(const interface_spec& spec);
    // Takes the interface out of the enumeration and makes its readers see an unplug.
    void unplug(const std::string& path);
    void replug(const std::string& path);

    void set_write_mode(write_mode m, uint32_t error = hid_error_gen_failure);
    // Every report written to the interfaces, whole.
    std::vector<std::vector<uint8_t>> writes() const;
    // Called (without the fake's lock) after each completed or immediate write.
    void on_write(std::function<void(const std::vector<uint8_t>&)> f);

    // Delivers an input report to every reader of the interface (default: the first).
    void push_report(std::vector<uint8_t> report, const std::string& path = "fake:0");
    // The next read of every reader fails with this error number, at the given stage.
    void push_read_error(uint32_t error, const std::string& path = "fake:0",
                         hid_io_stage stage = hid_io_stage::completion);
    // Blocks until a reader has taken every pushed report (or the deadline passes).
    bool wait_reports_taken(int timeout_ms);

    int looks(const std::string& path) const;   // enumeration looks and opens of the interface
    int open_devices() const;                    // devices currently open

    void enumerate(const std::function<bool(const hid_interface_info&)>& visit) override;
    std::unique_ptr<hid_device> open(const std::string& path, hid_access access, uint32_t& error) override;

    struct shared;

private:
    std::shared_ptr<shared> s_;
};

}  // namespace platform
