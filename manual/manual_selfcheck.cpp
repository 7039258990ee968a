#include "manual/manual_selfcheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/files/file_helpers.h"
#include "core/image/byte_record.h"
#include "core/image/device_function_record.h"
#include "core/protocol/device_protocol.h"
#include "widgets/fixed_point.h"

namespace dp = device_protocol;

namespace {

constexpr uint32_t min_new_samples = 5;
constexpr uint32_t max_new_samples = 1000;
constexpr uint32_t overflow_samples = 999;
constexpr uint8_t self_test_mode = 0x84;

}  // namespace

selfcheck_state& g_selfcheck()
{
    static selfcheck_state s;
    return s;
}

selfcheck_step selfcheck_plan(uint32_t previous, uint32_t count)
{
    selfcheck_step s;
    if (count < previous)
        previous = 0;
    s.next_previous = previous;
    const uint32_t n = count - previous;
    if (n < min_new_samples)
        return s;
    s.next_previous = count;
    s.first = previous;
    s.n = n;
    if (n > max_new_samples) {
        s.overflow = true;
        s.n = overflow_samples;
    }
    s.n = previous >= diag_buffer::samples ? 0 : std::min(s.n, diag_buffer::samples - previous);
    return s;
}

device_frame selfcheck_start_frame(int16_t area)
{
    device_frame f;
    function_record_to_request(byte_view(f.data(), dp::frame_size));
    f[dp::command_offset] = dp::cmd_start;
    f.set_u16(5, 0xFFFF);
    f[20] = self_test_mode;
    f.set_u16(22, 0);
    std::memset(f.data() + 27, 0, 9);  // bytes 27-35
    f.set_u16(48, 0);
    f.set_u16(50, uint16_t(area));
    f.set_u32(52, 0);
    return f;
}

QString selfcheck_serial_text(uint32_t value)
{
    // The decimal text with "." after its seventh character (12345678 gives "1234567.8").
    QString t = QString::number(value);
    if (t.size() > 7)
        t.insert(7, QLatin1Char('.'));
    return t;
}

QString selfcheck_time_text(uint32_t seconds)
{
    return QString::asprintf("%u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

QString selfcheck_percent_text(int32_t hundredths)
{
    QString t;
    return value_to_text(hundredths, t, 2);
}

QByteArray diagnostic_trace_text(const uint8_t* b)
{
    const uint32_t count = le::u16(b + diag_buffer::count);
    const uint32_t lines = std::max<uint32_t>(1, std::min(count, diag_buffer::samples));
    QByteArray out;
    out.reserve(int(lines) * 40);
    char line[96];
    for (uint32_t i = 0; i < lines; ++i) {
        const int n = std::snprintf(line, sizeof line, "%04u %7d %7d %7d %7d\r\n", i,
                                    le::i32(b + diag_buffer::position + 4 * i), int(int16_t(le::u16(b + diag_buffer::pwm + 2 * i))),
                                    int(int16_t(le::u16(b + diag_buffer::speed + 2 * i))),
                                    le::i32(b + diag_buffer::variable + 4 * i));
        out.append(line, n);
    }
    return out;
}

bool write_diagnostic_trace_file(const QString& path)
{
    return replace_file(path, diagnostic_trace_text(g_selfcheck().buffer.data())).ok;
}
