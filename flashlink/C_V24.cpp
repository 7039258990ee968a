#include "flashlink/C_V24.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "flashlink/fl_results.h"
#include "platform/clock.h"
#include "platform/serial.h"

namespace {

// The ports of the process: one record per port number, and the one in use.
struct v24_ports {
    std::mutex m;
    platform::serial_port port[C_V24::last_port + 1];
    short current = 0;  // the number passed to the last open, 0 before any
    uint32_t rate = 0;
    int last_error = 0;
};

v24_ports& ports()
{
    static v24_ports p;
    return p;
}

const platform::serial_port* current_port()
{
    v24_ports& p = ports();
    if (p.current < C_V24::first_port || p.current > C_V24::last_port || p.port[p.current].fd < 0)
        return nullptr;
    return &p.port[p.current];
}

}  // namespace

uint32_t C_V24::RateOf(T_BAUDRATE value)
{
    switch (value) {
    case 0: return 110;
    case 2: return 300;
    case 3: return 600;
    case 4: return 1200;
    case 5: return 2400;
    case 6: return 4800;
    case 7: return 9600;
    case 8: return 19200;
    case 10: return 38400;
    case 11: return 57600;
    case 12: return 115200;
    default: return 0;
    }
}

uint16_t C_V24::OpenPort(short port, T_BAUDRATE rate)
{
    v24_ports& p = ports();
    std::lock_guard<std::mutex> lock(p.m);
    uint32_t baud = RateOf(rate);
    if (port < first_port || port > last_port || baud == 0)
        return fl_result::v24_port_number;
    // The same port opened again: the old descriptor would hold the lock against us.
    platform::serial_close(p.port[port]);
    platform::serial_open_result r = platform::serial_open(port, baud, p.port[port], p.last_error);
    if (r == platform::serial_open_result::cannot_open)
        return fl_result::v24_open;
    if (r == platform::serial_open_result::settings_refused)
        return fl_result::v24_port_number;
    p.current = port;
    p.rate = baud;
    return 0;
}

uint16_t C_V24::ClosePort()
{
    v24_ports& p = ports();
    std::lock_guard<std::mutex> lock(p.m);
    if (p.current < first_port || p.current > last_port)
        return fl_result::v24_port_number;
    if (p.port[p.current].fd < 0)
        return fl_result::v24_not_open;
    platform::serial_close(p.port[p.current]);
    return 0;
}

int C_V24::PortFd()
{
    const platform::serial_port* port = current_port();
    return port ? port->fd : -1;
}

int C_V24::LastError() { return ports().last_error; }

void C_V24::WaitFrame(uint32_t ms)
{
    if (const platform::serial_port* port = current_port())
        platform::serial_wait_readable(*port, ms);
    else
        platform::sleep_ms(ms);
}

// --- C_V24C ---------------------------------------------------------------------------------

uint16_t C_V24C::write(const uint8_t* bytes, uint16_t n, uint16_t* sent)
{
    const platform::serial_port* port = current_port();
    size_t done = 0;
    if (port) {
        int error = 0;
        done = platform::serial_write(*port, bytes, n, WriteTimeoutPerByte(ports().rate) * n, error);
        if (done != n)
            ports().last_error = error;
    }
    if (sent)
        *sent = uint16_t(done);
    return done == n ? 0 : fl_result::send_incomplete;
}

int C_V24C::readByte(uint8_t& byte, uint16_t* error)
{
    const platform::serial_port* port = current_port();
    if (!port)
        return 0;
    int sys = 0;
    int r = platform::serial_read_byte(*port, byte, sys);
    if (r < 0) {
        ports().last_error = sys;
        if (error)
            *error = fl_result::v24_read;
    }
    return r;
}

uint16_t C_V24C::Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t)
{
    if (!data || length > buffer_size - 1) {
        if (sent)
            *sent = 0;
        return fl_result::send_incomplete;
    }
    uint8_t line[buffer_size];
    uint8_t sum = 0;
    for (uint16_t i = 0; i < length; ++i)
        sum = uint8_t(sum + (line[i] = data[i]));
    line[length] = sum;
    return write(line, uint16_t(length + 1), sent);
}

bool C_V24C::RcvReady(uint16_t* error)
{
    uint8_t b = 0;
    if (readByte(b, nullptr) != 1)
        return false;
    if (index_ == 0)
        sum_ = 0;
    if (index_ < frame_size) {
        rx_[index_++] = b;
        sum_ = uint8_t(sum_ + b);
        return false;
    }
    // The sum byte completes the frame, good or not.
    index_ = 0;
    if (b != sum_ && error)
        *error = fl_result::frame_checksum;
    return true;
}

void C_V24C::GetFrame(uint8_t* destination, uint16_t* length)
{
    std::memcpy(destination, rx_, frame_size);
    *length = frame_size;
    index_ = 0;
    sum_ = 0;
}

void C_V24C::ResetReceiver() { index_ = 0; }

uint16_t C_V24C::Receive(uint8_t* buffer, uint16_t expected, uint16_t* count, uint32_t, uint8_t blocking,
                         uint32_t timeout_ms)
{
    block_ = buffer;
    blockExpected_ = expected;
    blockCount_ = 0;
    blockSum_ = 0;
    blockSumPending_ = true;
    if (count)
        *count = 0;
    if (!blocking)
        return 0;
    const platform::serial_port* port = current_port();
    if (!port)
        return fl_result::v24_not_open;
    // The time-out starts again with every byte.
    for (;;) {
        uint16_t result = 0;
        uint16_t got = 0;
        bool more = PollReceive(&result, &got);
        if (count)
            *count = got;
        if (result)
            return result;
        if (!more)
            return 0;
        if (platform::serial_pending(*port) <= 0 && !platform::serial_wait_readable(*port, timeout_ms))
            return fl_result::receive_timeout;
    }
}

bool C_V24C::PollReceive(uint16_t* result, uint16_t* count)
{
    if (result)
        *result = 0;
    if (count)
        *count = blockCount_;
    if (!blockSumPending_)
        return false;
    auto* port = const_cast<platform::serial_port*>(current_port());
    if (!port) {
        if (result)
            *result = fl_result::v24_not_open;
        return false;
    }
    if (platform::serial_line_errors(*port)) {
        if (result)
            *result = fl_result::v24_line_error;
        return false;
    }
    int pending = platform::serial_pending(*port);
    if (pending < 0) {
        if (result)
            *result = fl_result::receive_error;
        return false;
    }
    if (pending == 0)
        return true;
    uint8_t b = 0;
    uint16_t error = 0;
    int r = readByte(b, &error);
    if (r < 0) {
        if (result)
            *result = error;
        blockSumPending_ = false;
        return false;
    }
    if (r == 0)
        return true;
    if (blockCount_ < blockExpected_) {
        if (block_)
            block_[blockCount_] = b;
        ++blockCount_;
        blockSum_ = uint8_t(blockSum_ + b);
        if (count)
            *count = blockCount_;
        return true;
    }
    blockSumPending_ = false;
    if (b != blockSum_ && result)
        *result = fl_result::frame_checksum;
    return false;
}

// --- C_V24CL --------------------------------------------------------------------------------

uint16_t C_V24CL::Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t)
{
    if (!data || length > max_length) {
        if (sent)
            *sent = 0;
        return fl_result::send_incomplete;
    }
    uint8_t line[buffer_size];
    line[0] = start_byte;
    line[1] = uint8_t(length);
    line[2] = uint8_t(length >> 8);
    std::memcpy(line + head_size, data, length);
    uint8_t sum = 0;
    for (uint16_t i = 0; i < length + head_size; ++i)
        sum = uint8_t(sum + line[i]);
    line[length + head_size] = sum;
    return write(line, uint16_t(length + head_size + 1), sent);
}

bool C_V24CL::RcvReady(uint16_t* error)
{
    uint8_t b = 0;
    if (readByte(b, nullptr) != 1)
        return false;
    if (index_ == 0) {
        // Anything before the start byte is line noise.
        if (b != start_byte)
            return false;
        sum_ = 0;
        size_ = 0;
    }
    if (index_ < head_size || index_ < size_) {
        rx_[index_++] = b;
        sum_ = uint8_t(sum_ + b);
        if (index_ == head_size) {
            uint16_t length = uint16_t(rx_[1] | rx_[2] << 8);
            if (length > max_length) {
                // More than the buffer holds: no frame, and the receiver starts over.
                index_ = 0;
                if (error)
                    *error = fl_result::receive_error;
                return true;
            }
            size_ = uint16_t(length + head_size);
        }
        return false;
    }
    index_ = 0;
    if (b != sum_ && error)
        *error = fl_result::frame_checksum;
    return true;
}

void C_V24CL::GetFrame(uint8_t* destination, uint16_t* length)
{
    uint16_t n = size_ > head_size ? uint16_t(size_ - head_size) : 0;
    n = std::min<uint16_t>(n, C_COMM::max_frame);
    std::memcpy(destination, rx_ + head_size, n);
    *length = n;
    index_ = 0;
    sum_ = 0;
}
