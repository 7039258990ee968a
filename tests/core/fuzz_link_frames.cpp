// Feeds arbitrary input reports through the hand-over to the GUI (hid_take_frame) and the
// exchange's reply classification.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "core/device/device_exchange.h"
#include "core/link/hid_link.h"
#include "core/link/hid_link_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // Byte 0: the device's declared input report length; byte 1: the request's type;
    // the rest: the report as read.
    uint16_t declared = uint16_t(data[0] == 0 ? 65 : data[0]);
    uint8_t request_type = data[1];
    const uint8_t* report = data + 2;
    size_t received = size - 2;

    auto& s = hid_state();
    {
        std::lock_guard<std::mutex> l(s.mailbox_lock);
        s.report.assign(std::max<size_t>(declared, 256), 0);
        s.mailbox_input_length = declared;
        std::memcpy(s.report.data(), report, std::min(received, s.report.size()));
        s.received_count = uint32_t(received);
    }
    error_record e;
    uint8_t frame[63] = {};
    uint16_t n = 0;
    if (!hid_poll(e))
        return 0;
    if (hid_take_frame(frame, n, e)) {
        if (n > 63)
            __builtin_trap();
        uint8_t request[63] = {};
        request[1] = 0xBB;
        request[2] = request_type;
        dev_classify_reply(request, frame, e);
        if (e.code != 0 && e.severity != err_severity_error)
            __builtin_trap();
    } else if (e.code != hid_code_bad_report) {
        __builtin_trap();
    }
    return 0;
}
