#include "manual/manual_trace.h"

#include "core/image/config_image.h"
#include "core/protocol/device_protocol.h"

namespace dp = device_protocol;

namespace {

constexpr uint8_t result_toggle = 0x40;
constexpr uint8_t side_mask = 0x0C;
constexpr int records = 512;

int32_t le32(const uint8_t* d, size_t k)
{
    return int32_t(uint32_t(d[k]) | (uint32_t(d[k + 1]) << 8) | (uint32_t(d[k + 2]) << 16) | (uint32_t(d[k + 3]) << 24));
}

}  // namespace

trace_state& g_trace_state()
{
    static trace_state s;
    return s;
}

void trace_take_reference(const uint8_t* d)
{
    trace_state& T = g_trace_state();
    T.reference = d[dp::status_result_word] & result_toggle;
    T.flags_or = 0;
    T.status_or = 0;
    T.latched = false;
}

void trace_latch_status(const uint8_t* d, bool reconnected)
{
    trace_state& T = g_trace_state();
    if (!T.active)
        return;
    if (reconnected) {
        // What the controller did while the link was down is not ours to number.
        trace_take_reference(d);
        return;
    }
    T.flags_or |= d[0];
    T.status_or |= d[1];
    const uint8_t bit = d[dp::status_result_word] & result_toggle;
    if (bit == T.reference)
        return;
    T.reference = bit;
    trace_entry& e = T.entry;
    e.function = uint16_t(d[dp::status_report_function] | (d[dp::status_report_function + 1] << 8));
    e.value1 = le32(d, dp::status_measured);
    e.value2 = le32(d, dp::status_second_measured);
    e.result_flags = T.flags_or;
    e.side_bits = d[dp::status_result_word] & side_mask;
    e.status_byte = T.status_or;
    T.flags_or = 0;
    T.status_or = 0;
    T.latched = true;
}

trace_line_text format_trace_line(int32_t N, const trace_entry& e, const config_image& image)
{
    trace_line_text out;
    const char* result = (e.result_flags & 0x08) ? "OK" : (e.result_flags & 0x10) ? "KO" : "--";
    const int n = e.function;
    const double m1 = e.value1 / 100.0, m2 = e.value2 / 100.0;
    auto in_use = [&](int k) { return k >= 0 && k < records && image.function(uint32_t(k)).field(fr::in_use) == 1; };
    auto obj = [&](int k) { return image.function(uint32_t(k)).field(fr::object_pos) / 100.0; };
    const int sides = e.side_bits & side_mask;
    const bool cluster = n < records && (image.function(uint32_t(n)).field(fr::flags) & fr::flag_cluster) != 0;
    QString table;
    if (cluster && !(e.value1 == e.value2 && (sides == 4 || sides == 8))) {
        const uint16_t m = uint16_t(n % 4 == 1 ? n + 2 : n - 2);
        const int k = n % 4 == 1 ? n + 1 : n - 1;
        out.shown_function = m;
        // A partner or shown number outside the records (function 0 of a cluster) takes the
        // placeholders: there is no record to read.
        if (in_use(n) && k >= 0 && k < records && m < records) {
            table = QString::asprintf("%6d$%3d$%8.2f %8.2f$%8.2f %8.2f$%s", N, m, m1, m2, obj(n), obj(k), result);
            out.file_line = QString::asprintf("%6d   %3d   %8.2f/%8.2f   %8.2f/%8.2f %s %02x ", N, m, m1, m2, obj(n),
                                              obj(k), result, e.status_byte);
        } else {
            const char* placeholder = n % 4 == 1 ? "----    ----    " : "--------/--------";
            table = QString::asprintf("%6d$%3d$%8.2f %8.2f$%s$%s", N, m, m1, m2, placeholder, result);
            out.file_line = QString::asprintf("%6d   %3d   %8.2f/%8.2f   %s %s %02x ", N, m, m1, m2, "--------/--------",
                                              result, e.status_byte);
        }
    } else {
        out.shown_function = uint16_t(n);
        if (in_use(n)) {
            table = QString::asprintf("%6d$%3d$%8.2f$%8.2f$%s", N, n, m1, obj(n), result);
            out.file_line = QString::asprintf("%6d   %3d   %8.2f   %8.2f          %s %02x ", N, n, m1, obj(n), result,
                                              e.status_byte);
        } else {
            table = QString::asprintf("%6d$%3d$%8.2f$%s$%s", N, n, m1, "----    ----    ", result);
            out.file_line = QString::asprintf("%6d   %3d   %8.2f   %s          %s %02x ", N, n, m1, "----", result,
                                              e.status_byte);
        }
    }
    out.cells = table.split(QLatin1Char('$'), Qt::SkipEmptyParts);
    return out;
}
