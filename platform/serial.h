// Serial ports over termios: COM port n is the device that TARVIX_COM<n> names (a pty in
// tests), else /dev/ttyS<n-1>. Reads never block; writes wait for room up to a deadline.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <termios.h>

namespace platform {

enum class serial_open_result { ok, cannot_open, settings_refused };

struct serial_port {
    int fd = -1;
    termios saved{};  // the settings found at open, given back at close
    bool have_saved = false;
    bool have_counters = false;  // the driver keeps line-error counters
    uint32_t line_errors = 0;    // their sum when last looked at
};

// The device behind COM port n.
std::string serial_device_path(int n);

// Opens port n exclusively (flock and TIOCEXCL), raw 8E1 at `baud`, no flow control, reads
// returning at once, both queues purged, DTR and RTS raised where the driver allows. The
// settings are not read back: a pty keeps no parity. On failure `sys_error` holds errno.
serial_open_result serial_open(int n, uint32_t baud, serial_port& port, int& sys_error);

// Lowers DTR, purges, restores the saved settings and closes.
void serial_close(serial_port& port);

// Writes all n bytes, waiting for room up to timeout_ms in all; the count written.
size_t serial_write(const serial_port& port, const uint8_t* data, size_t n, uint32_t timeout_ms, int& sys_error);

// One byte if one is there: 1 read, 0 none waiting, -1 a read error (errno in sys_error).
int serial_read_byte(const serial_port& port, uint8_t& byte, int& sys_error);

// Bytes waiting in the input queue, -1 on error.
int serial_pending(const serial_port& port);

// True when the driver counted new parity, framing or overrun errors since the last call.
bool serial_line_errors(serial_port& port);

// Waits up to ms for a byte to read; true when one is there.
bool serial_wait_readable(const serial_port& port, uint32_t ms);

// The termios speed constant of a rate in baud, 0 when there is none.
speed_t serial_speed(uint32_t baud);

}  // namespace platform
