// HID interfaces as the link layers need them: enumeration with the capabilities, the
// product string, report writes that may go pending, and report reads with a deadline or a
// stop. Plain C++ so that the application and the download library share it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Error numbers keep the values of the Windows system errors the callers test and show.
enum : uint32_t {
    hid_error_none = 0,
    hid_error_file_not_found = 2,
    hid_error_access_denied = 5,
    hid_error_invalid_handle = 6,
    hid_error_gen_failure = 31,
    hid_error_invalid_parameter = 87,
    hid_error_device_not_connected = 1167,
};

// One present HID interface. Report lengths count the report-ID byte, as Windows does.
struct hid_interface_info {
    std::string path;
    uint16_t usage_page = 0;
    uint16_t usage = 0;
    uint16_t input_report_length = 0;
    uint16_t output_report_length = 0;
};

// query: capabilities and product string only; read: input reports are delivered to it.
enum class hid_access : uint8_t { query = 0, read = 1, write = 2, read_write = 3 };

enum class hid_io_state : uint8_t {
    done,       // completed; count holds the bytes moved
    pending,    // a write still under way
    failed,     // error holds the Windows-valued error number
    timed_out,  // a read that saw nothing before its deadline
    stopped,    // a read woken by interrupt()
};

// Where a failed read stopped, for the receive thread's report of it.
enum class hid_io_stage : uint8_t {
    completion,  // the read itself failed
    wait,        // waiting for input failed
    start,       // the read could not be started
};

struct hid_io_result {
    hid_io_state state = hid_io_state::failed;
    uint32_t count = 0;
    uint32_t error = 0;
    hid_io_stage stage = hid_io_stage::completion;
};

// One open connection to an interface.
class hid_device {
public:
    virtual ~hid_device() = default;
    virtual const hid_interface_info& info() const = 0;
    // The product string with every UTF-16 character narrowed to its low byte.
    virtual bool product_string(std::string& out, uint32_t& error) = 0;
    // Starts writing one whole report: done (completed at once), pending or failed.
    virtual hid_io_result start_write(const uint8_t* report, size_t length) = 0;
    // Waits up to timeout_ms for the pending write to finish: done, pending or failed.
    virtual hid_io_result poll_write(uint32_t timeout_ms) = 0;
    // Abandons a pending write, so its report buffer may be reused.
    virtual void cancel_write() = 0;
    // Reads one input report; blocks up to timeout_ms (negative: without limit) or until
    // interrupt(). A report longer than capacity is cut, its full length in count.
    virtual hid_io_result read(uint8_t* buffer, size_t capacity, int32_t timeout_ms) = 0;
    // Wakes a blocked read, which returns stopped; the next read blocks again. Thread-safe.
    virtual void interrupt() = 0;
};

class hid_backend {
public:
    virtual ~hid_backend() = default;
    // Visits the present interfaces in enumeration order until visit returns false.
    // Each interface is looked at (opened for its capabilities) only when it is visited.
    virtual void enumerate(const std::function<bool(const hid_interface_info&)>& visit) = 0;
    virtual std::unique_ptr<hid_device> open(const std::string& path, hid_access access, uint32_t& error) = 0;
};

// The backend in use: one installed by a test, else the simulated interfaces when
// TARVIX_HID_SIM names a folder, else the hidraw devices.
hid_backend& hid_current_backend();
// Installs a backend (nullptr: back to the one the environment chooses). Install before
// any thread uses the layer.
void hid_install_backend(hid_backend* backend);

// The first `limit` interfaces with the given usage page and usage, in enumeration order;
// interfaces after the last one kept are never looked at.
std::vector<hid_interface_info> hid_find(uint16_t usage_page, uint16_t usage, size_t limit);

// Maps an errno value to the Windows-valued error number of the layer.
uint32_t hid_error_from_errno(int e);

}  // namespace platform
