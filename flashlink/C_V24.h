// The serial transports: C_V24C sends each 8-byte frame followed by its additive sum (plain
// mode); C_V24CL sends 0xBB, a 16-bit length, the frame and a sum over all before it (fast
// mode). Both use the port that C_V24::OpenPort opened last; the port belongs to the process.
#pragma once
#include <cstdint>

#include "flashlink/C_COMM.h"
#include "flashlink/fl_types.h"

class C_V24 : public C_COMM {
public:
    static constexpr short first_port = 1;
    static constexpr short last_port = 49;

    // The rate of a T_BAUDRATE value, 0 for a value without one.
    static uint32_t RateOf(T_BAUDRATE value);
    // Write time-out per byte at a rate: 19200 / rate + 1000 ms.
    static uint32_t WriteTimeoutPerByte(uint32_t rate) { return rate ? 19200 / rate + 1000 : 0; }

    // Opens port 1-49 at a T_BAUDRATE value, after closing one opened before: 0, 0xC001
    // (cannot be opened) or 0xC002 (number or rate out of range, settings refused).
    static uint16_t OpenPort(short port, T_BAUDRATE rate);
    // Closes the port opened last: 0, 0xC002 (number out of range) or 0xC003 (not open).
    static uint16_t ClosePort();
    // The descriptor of the port in use, -1 when none is open.
    static int PortFd();
    // The system error of the last failed open or close.
    static int LastError();

    void WaitFrame(uint32_t ms) override;
    void Close() override {}
};

class C_V24C : public C_V24 {
public:
    static constexpr uint16_t frame_size = 8;
    static constexpr uint16_t buffer_size = 2048;

    uint16_t Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t unused) override;
    uint16_t Receive(uint8_t* buffer, uint16_t expected, uint16_t* count, uint32_t unused, uint8_t blocking,
                     uint32_t timeout_ms) override;
    bool PollReceive(uint16_t* result, uint16_t* count) override;
    bool RcvReady(uint16_t* error) override;
    void GetFrame(uint8_t* destination, uint16_t* length) override;
    void ResetReceiver() override;

protected:
    // Writes the whole line image of a frame: 0 or 0x8003.
    uint16_t write(const uint8_t* bytes, uint16_t n, uint16_t* sent);
    // One byte of the line if one waits: 1, 0 none, or -1 with *error set.
    int readByte(uint8_t& byte, uint16_t* error);

    uint8_t rx_[buffer_size] = {};
    uint16_t index_ = 0;
    uint8_t sum_ = 0;

private:
    // A block receive of known length with its sum byte.
    uint8_t* block_ = nullptr;
    uint16_t blockExpected_ = 0;
    uint16_t blockCount_ = 0;
    uint8_t blockSum_ = 0;
    bool blockSumPending_ = false;
};

class C_V24CL final : public C_V24C {
public:
    static constexpr uint8_t start_byte = 0xBB;
    static constexpr uint16_t head_size = 3;
    // The longest frame the receive buffer holds with its head and sum.
    static constexpr uint16_t max_length = buffer_size - head_size - 1;

    uint16_t Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t unused) override;
    bool RcvReady(uint16_t* error) override;
    void GetFrame(uint8_t* destination, uint16_t* length) override;

private:
    uint16_t size_ = 0;  // index of the sum byte once the length is known
};
