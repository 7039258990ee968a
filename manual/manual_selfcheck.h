// The scanner self test of the manual mode page: the diagnostic buffer's layout (device
// memory area 2), what one status tick reads of a running test, the result texts and the
// diagnostic trace file (*.dat) made from a copy of the whole buffer.
#pragma once
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "core/protocol/device_frame.h"

// Diagnostic buffer (memory area 2), little-endian.
namespace diag_buffer {
constexpr uint8_t area = 2;
constexpr uint32_t size = 48008;
constexpr uint32_t samples = 4000;
constexpr uint32_t header_size = 8;
constexpr uint32_t status = 0;    // u16, bit 0 while the test runs
constexpr uint32_t count = 2;     // u16, samples written so far
constexpr uint32_t position = 8;  // i32[4000]
constexpr uint32_t pwm = 16008;   // i16[4000]
constexpr uint32_t speed = 24008; // i16[4000]
constexpr uint32_t variable = 32008;  // i32[4000]; bits 16-23 are plotted
}  // namespace diag_buffer

// The self test's state on the page; it lives for the whole run.
struct selfcheck_state {
    bool running = false;
    bool previous_status = false;  // the status was non-zero at the last tick
    uint32_t previous_count = 0;   // the sample count the curves have caught up with
    uint32_t total = 0;            // samples plotted since the start
    std::array<int32_t, 6> results{};  // serial, operation and over-temperature time, power, speed, time factor
    bool results_valid = false;
    // The whole buffer as last read for the diagnostic file.
    std::vector<uint8_t> buffer = std::vector<uint8_t>(diag_buffer::size, 0);

    void reset() { *this = selfcheck_state(); }
};
selfcheck_state& g_selfcheck();

// What one tick of a running test reads: samples first .. first + n - 1 (n 0: nothing), and
// the count the curves stand at afterwards.
struct selfcheck_step {
    uint32_t first = 0;
    uint32_t n = 0;
    uint32_t next_previous = 0;
    bool overflow = false;  // more than 1000 new samples: only 999 are read
};
// From the count the curves stand at and the header's sample count. Fewer than 5 new samples
// wait for the next tick; a count below the previous one (the buffer was cleared or a new
// test began) starts again from sample 0; no read passes the buffer's 4000 samples.
selfcheck_step selfcheck_plan(uint32_t previous, uint32_t count);

// The start frame of a self test over `area` hundredths of a degree (mode 0x84).
device_frame selfcheck_start_frame(int16_t area);

// Result texts: the serial number as "%07d.%03d" of value / 1000 and value % 1000, the two
// times in seconds as h:mm:ss, the three percentages (hundredths) with two decimals.
QString selfcheck_serial_text(uint32_t value);
QString selfcheck_time_text(uint32_t seconds);
QString selfcheck_percent_text(int32_t hundredths);

// The diagnostic trace file of a whole buffer copy: "%04d %7d %7d %7d %7d" per sample, CR LF,
// the first line always, at most 4000.
QByteArray diagnostic_trace_text(const uint8_t* buffer);
// Writes the text of g_selfcheck().buffer to `path` through a temporary file; false on failure.
bool write_diagnostic_trace_file(const QString& path);
