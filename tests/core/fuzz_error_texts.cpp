// Feeds arbitrary records, parameter positions and format texts to the error-text builder
// and the formatter.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/core_state.h"
#include "core/error_texts.h"
#include "core/safe_format.h"

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
    return 0;
}
