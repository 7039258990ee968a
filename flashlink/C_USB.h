// The USB HID transport: one frame per output report, received reports through a receive
// thread and a one-slot mailbox. The connection (device handles, thread, mailbox) belongs
// to the process: the static functions open and close it, the transport objects use it.
// A lost device is reopened by the thread, every 1000 ms, or every 300 ms for 20 tries
// after the boot loader announced its restart.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "flashlink/C_COMM.h"

class C_USB : public C_COMM {
public:
    // The usage page and usage of the controller's interfaces; at most this many are looked at.
    static constexpr uint16_t usage_page = 0xFF00;
    static constexpr uint16_t usage = 1;
    static constexpr size_t max_interfaces = 10;
    // A report carries its ID, the frame length and at most 63 frame bytes.
    static constexpr uint16_t max_frame = 63;

    // Keeps the address of the protocol's application-start flag, which the receive thread
    // clears when the device is back after a restart.
    explicit C_USB(std::atomic<uint32_t>* appl_start_flag);
    ~C_USB() override;

    uint16_t Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t unused) override;
    bool RcvReady(uint16_t* error) override;
    void GetFrame(uint8_t* destination, uint16_t* length) override;
    void WaitFrame(uint32_t ms) override;

    // Opens the first device whose product string is one of the names of the pattern and
    // starts the receive thread (a thread still running from an earlier open is stopped
    // first): 0, 0xD00A (no such device, or a malformed pattern) or 0xD00C.
    static uint16_t Open(const char* pattern);
    // Stops and joins the receive thread and closes the device.
    static void Shutdown();
    static bool Connected();
    static bool ThreadRunning();
    // Waits until the receive thread has cleared the flag after the device came back, at
    // most `ms`; true when it is clear.
    static bool WaitApplStartCleared(const std::atomic<uint32_t>& flag, uint32_t ms);

    struct timings {
        uint32_t reopen_ms = 1000;         // after the device was lost
        uint32_t restart_reopen_ms = 300;  // after the boot loader announced its restart
        uint32_t restart_tries = 20;       // then the device counts as lost
    };
    static void SetTimings(const timings& t);
    static timings Timings();

    // The product names of a pattern such as "Tarvix [8,9]" in odometer order (the first
    // group turns fastest), each handed to `visit` until it returns true. False when the
    // pattern is malformed: an unclosed or empty group, an alternative longer than one
    // character, more than 10 groups or alternatives, a name over 256 characters.
    static bool ExpandPattern(const std::string& pattern, const std::function<bool(const std::string&)>& visit);

    // The frame of a received report: `received` bytes were read where the device declares
    // `input_length`. Length 0 for a report of another length or whose length byte does
    // not fit it.
    static uint16_t DecodeReport(const uint8_t* report, uint32_t received, uint16_t input_length, uint8_t* frame);


private:
    std::atomic<uint32_t>* flag_;
};
