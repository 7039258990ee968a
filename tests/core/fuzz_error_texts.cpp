// Feeds arbitrary records, parameter positions, format texts and packed function records
// to the error-text builder, the formatter and the row texts.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/image/function_rows.h"
#include "core/text/error_texts.h"
#include "core/text/safe_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 24)
        return 0;
    int32_t w[6];
    std::memcpy(w, data, sizeof w);
    error_record e;
    e.set(int16_t(w[0]), w[1] % 128, w[2], int16_t(w[3]), w[4]);
    g_parameter_error().parameter_error_index = (w[5] & 1) ? -1 : (w[5] >> 1) % 100;
    g_parameter_error().parameter_error_function = (w[5] & 2) ? -1 : w[5];
    std::string out;
    show_error_record(e, &out);

    // the rest of the input as a format text
    const std::string fmt(reinterpret_cast<const char*>(data) + 24, size - 24);
    (void)safe_format(fmt, {w[0], "text", double(w[1]) * 1e10, w[2]});

    // and as a packed record read from a device, shown as a table row
    if (size >= 24 + device_function_record_size) {
        device_state d;
        d.family_flag = w[0] & 1;
        d.variant_bit2 = uint8_t((w[0] >> 1) & 1);
        d.variant_bit3 = uint8_t((w[0] >> 2) & 1);
        const function_record_bytes rec = device_record_unpack(const_byte_view(data + 24, device_function_record_size), d);
        (void)format_manual_row(w[1] % 512, const_function_record(rec.data()), w[2], d);
    }
    return 0;
}
