#include "sim/diagnostics.h"

#include <algorithm>
#include <cstring>

#include "core/image/byte_record.h"
#include "core/protocol/device_protocol.h"
#include "sim/text_number.h"
#include "sim/world.h"

namespace sim {

namespace dp = device_protocol;

namespace {

// The diagnostic buffer: status and count, then the four channels of 4000 samples.
constexpr size_t diag_status = 0, diag_count = 2, diag_position = 8, diag_pwm = 16008, diag_speed = 24008,
                 diag_variable = 32008;
constexpr uint32_t diag_samples = 4000;

// A triangle between 0 and `height` over `period` samples.
int32_t triangle(uint32_t i, uint32_t period, int32_t height)
{
    const uint32_t k = i % period, half = period / 2;
    return int32_t(k < half ? k : period - k) * height / int32_t(half);
}

void write_sample(world& w, uint32_t i)
{
    uint8_t* a = w.diagnostic_area.data();
    le::put32(a + diag_position + 4 * i, uint32_t(2000 + triangle(i, 400, 8000)));
    le::put16(a + diag_pwm + 2 * i, uint16_t(int16_t(triangle(i + 100, 400, 3000) - 1500)));
    le::put16(a + diag_speed + 2 * i, uint16_t(int16_t(triangle(i + 50, 200, 4000) - 2000)));
    le::put32(a + diag_variable + 4 * i, uint32_t(triangle(i, 100, 200)) << 16);
}

// Error-buffer entries (56 bytes, the entry of info 0x18 from frame byte 7).
constexpr size_t entry_counter = 0, entry_time = 4, entry_time_high = 8, entry_code = 12, entry_source = 13,
                 entry_detail = 14, entry_values = 18, entry_scode = 30, entry_function = 34, entry_status = 36;
constexpr uint32_t entry_power_on = 0x80000000u;
constexpr uint8_t new_entry_bit = 0x01;  // status data byte 39: bit 8 of the output-state word

// DeviceNet status block offsets (info 0x14, from frame byte 5).
constexpr size_t dn_status = 0, dn_config = 4, dn_mac = 8, dn_baud = 9, dn_cmd_flags = 10, dn_cmd_number = 11,
                 dn_cmd_value = 13, dn_tolerance = 21, dn_setpoint = 25, dn_param_status = 34, dn_sts_number = 35,
                 dn_sts_value = 37, dn_device_status = 41, dn_device_error = 45, dn_measured = 49;
constexpr uint32_t dn_blink_bit = 0x04;

// Process-data block: format word, flag word, output words from 12, input words from 76.
constexpr size_t pd_format = 0, pd_flags = 8, pd_out = 12, pd_in = 76;

}  // namespace

void start_self_test(world& w)
{
    w.selftest.running = true;
    w.selftest.written = 0;
    uint8_t* a = w.diagnostic_area.data();
    le::put16(a + diag_status, 1);
    le::put16(a + diag_count, 0);
}

void advance_self_test(world& w)
{
    self_test_run& t = w.selftest;
    if (!t.running)
        return;
    uint8_t* a = w.diagnostic_area.data();
    if (t.written >= t.samples) {
        t.running = false;
        le::put16(a + diag_status, 0);
        return;
    }
    const uint32_t k = std::min(t.rate, t.samples - t.written);
    for (uint32_t i = t.written; i < t.written + k && i < diag_samples; ++i)
        write_sample(w, i);
    t.written += k;
    le::put16(a + diag_status, 1);
    le::put16(a + diag_count, uint16_t(std::min<uint32_t>(t.written, 0xFFFF)));
}

void set_self_test_result(world& w, int which, int32_t value)
{
    struct place {
        uint8_t sub;
        size_t at;
        bool wide;
    };
    static const place places[6] = {
        {dp::self_test_first, dp::self_test_serial, true},     {dp::self_test_first, dp::self_test_operation, true},
        {dp::self_test_first, dp::self_test_overtemp, false},  {dp::self_test_second, dp::self_test_power, false},
        {dp::self_test_second, dp::self_test_speed, false},    {dp::self_test_second, dp::self_test_factor, false},
    };
    const place& p = places[which];
    uint8_t* d = w.self_test[p.sub].data.data() + (p.at - dp::info_data_offset);
    if (p.wide)
        le::put32(d, uint32_t(value));
    else
        le::put16(d, uint16_t(value));
}

bool add_error_entry(world& w, const std::vector<std::string>& words, std::string& why)
{
    std::array<uint8_t, 56> e{};
    const uint32_t counter = w.error_buffer.empty() ? 1 : le::u32(w.error_buffer.back().data() + entry_counter) + 1;
    le::put32(e.data() + entry_counter, counter);
    le::put16(e.data() + entry_function, 0xFFFF);
    uint64_t time = 0;
    bool power_on = false;
    for (const std::string& word : words) {
        const size_t eq = word.find('=');
        const std::string key = word.substr(0, eq), value = eq == std::string::npos ? "" : word.substr(eq + 1);
        long n = 0;
        if (key == "values" || key == "status") {
            const bool values = key == "values";
            const char sep = values ? ',' : '-';
            size_t at = 0;
            int k = 0;
            for (; at <= value.size() && k < (values ? 3 : 8); ++k) {
                const size_t end = std::min(value.find(sep, at), value.size());
                const std::string part = value.substr(at, end - at);
                if (!(values ? parse_number(part, n) : parse_number("0x" + part, n)) || (!values && (n < 0 || n > 255))) {
                    why = "bad " + key + ": " + value;
                    return false;
                }
                if (values)
                    le::put32(e.data() + entry_values + 4 * size_t(k), uint32_t(int32_t(n)));
                else
                    e[entry_status + size_t(k)] = uint8_t(n);
                at = end + 1;
            }
            if (at <= value.size()) {
                why = "too many " + key;
                return false;
            }
            continue;
        }
        if (!parse_number(value, n)) {
            why = "not a number: " + word;
            return false;
        }
        if (key == "code")
            e[entry_code] = uint8_t(n);
        else if (key == "source")
            e[entry_source] = uint8_t(n);
        else if (key == "function")
            le::put16(e.data() + entry_function, uint16_t(n));
        else if (key == "time")
            time = uint64_t(n);
        else if (key == "power-on")
            power_on = n != 0;
        else if (key == "scode")
            le::put16(e.data() + entry_scode, uint16_t(n));
        else if (key == "detail")
            le::put32(e.data() + entry_detail, uint32_t(n));
        else {
            why = "unknown field: " + key;
            return false;
        }
    }
    le::put32(e.data() + entry_time, uint32_t(time));
    le::put32(e.data() + entry_time_high, uint32_t(time >> 32) | (power_on ? entry_power_on : 0));
    w.error_buffer.push_back(e);
    w.status[dp::status_output_word + 1] |= new_entry_bit;
    return true;
}

void clear_error_buffer(world& w)
{
    w.error_buffer.clear();
    error_buffer_read_to_end(w);
}

void error_buffer_read_to_end(world& w) { w.status[dp::status_output_word + 1] &= uint8_t(~new_entry_bit); }

void load_fieldbus_blocks(world& w, uint8_t family)
{
    const uint8_t kind = family & 0x0F;
    const uint8_t n = family >> 4;
    if (n != 0x2 && n != 0x3)
        return;
    if (kind == 3) {
        world::info_block b;
        uint8_t* d = b.data.data();
        le::put32(d + dn_status, 0x03);                              // 24 V OK, online
        le::put32(d + dn_config, 0x01 | (1u << 3) | (1u << 7));      // fixed baud rate, protocol 1 both ways
        d[dn_mac] = 5;
        d[dn_baud] = 2;
        d[dn_cmd_flags] = 0x05;
        le::put16(d + dn_cmd_number, 12);
        le::put32(d + dn_cmd_value, 3456);
        le::put32(d + dn_tolerance, 25);
        le::put32(d + dn_setpoint, 12345);
        d[dn_param_status] = 0x01;
        le::put16(d + dn_sts_number, 12);
        le::put32(d + dn_sts_value, 3456);
        le::put32(d + dn_device_status, 0x0A);
        le::put32(d + dn_device_error, 0);
        le::put32(d + dn_measured, 12340);
        w.info[dp::info_fieldbus] = b;
        return;
    }
    if (kind != 0 && kind != 2 && kind != 4)
        return;
    uint8_t* p = w.process_data.data();
    le::put32(p + pd_format, 0x0100);       // 32 words a direction, little-endian
    le::put32(p + pd_flags, 0x80000001u);   // fieldbus present, data received
    const uint16_t in[9] = {uint16_t((5 << 8) | (3 << 3) | 1), 0x0009, 12345, 7 << 8, 0x0009, 0, 0, 0x5678, 0x1234};
    const uint16_t out[9] = {uint16_t((9 << 8) | (4 << 3)), 250 << 8, 4500, 3 << 8, 1, uint16_t((2 << 8) | 1), 1500,
                             0xFFFF, 0x0001};
    // On a process-monitor controller the output words from AW3 on carry the cycle result.
    const size_t outputs = n == 0x3 ? 3 : 32;
    for (size_t r = 0; r < 32; ++r) {
        le::put16(p + pd_in + 2 * r, r < 9 ? in[r] : uint16_t(r));
        if (r < outputs)
            le::put16(p + pd_out + 2 * r, r < 9 ? out[r] : uint16_t(100 + r));
    }
}

void fieldbus_live_step(world& w, uint32_t step)
{
    auto it = w.info.find(dp::info_fieldbus);
    if (it != w.info.end()) {
        uint8_t* d = it->second.data.data();
        const uint32_t s = le::u32(d + dn_status);
        if (s & 0x02)
            le::put32(d + dn_status, (step & 1) ? (s | dn_blink_bit) : (s & ~dn_blink_bit));
    }
    uint8_t* p = w.process_data.data();
    if ((le::u32(p + pd_format) >> 8 & 0xF) == 1) {
        // EW1 error and status, EW2 the position, EW4 the status bits, EW5 the error bits.
        le::put16(p + pd_in + 2, uint16_t(w.status[0] | w.status[1] << 8));
        le::put16(p + pd_in + 4, uint16_t(le::u32(w.status.data() + dp::status_current_position)));
        le::put16(p + pd_in + 8, w.status[0]);
        le::put16(p + pd_in + 10, w.status[1]);
    }
}

}  // namespace sim
