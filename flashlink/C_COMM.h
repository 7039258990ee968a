// The transport interface of the download library: send one protocol frame, hand over one
// received frame. Every transport (USB HID, serial, Ethernet, CAN) is one of these.
#pragma once
#include <cstdint>

class C_COMM {
public:
    // Largest frame a transport hands over: the command byte and up to 2049 data bytes.
    static constexpr uint16_t max_frame = 2050;
    // A send of this length asks the transport to repeat its last frame (only Ethernet does).
    static constexpr uint16_t resend_last = 0xFFFF;

    C_COMM() = default;
    C_COMM(const C_COMM&) = delete;
    C_COMM& operator=(const C_COMM&) = delete;

    // Sends one frame; 0 or a result code.
    virtual uint16_t Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t unused);
    // Prepares (and with `blocking` performs) the receive of a block of known length; only
    // the serial and CAN transports do anything here.
    virtual uint16_t Receive(uint8_t* buffer, uint16_t expected, uint16_t* count, uint32_t unused,
                             uint8_t blocking, uint32_t timeout_ms);
    // One non-blocking step of a prepared block receive: true while the block is incomplete.
    virtual bool PollReceive(uint16_t* result, uint16_t* count);
    // True when a whole frame is there, or when the transport has an error to report (then
    // *error is non-zero and the error is handed out once).
    virtual bool RcvReady(uint16_t* error) = 0;
    // Copies the received frame (at most max_frame bytes) and frees the receiver.
    virtual void GetFrame(uint8_t* destination, uint16_t* length) = 0;
    // Drops a partly received frame.
    virtual void ResetReceiver();
    // CAN only: opens and closes the message objects of one transfer.
    virtual uint16_t Open(uint16_t request_id, uint16_t response_id);
    virtual void Close();
    // Blocks until RcvReady would report something or `ms` have passed, so that callers
    // polling for a response need not spin. Every transport says how it waits: a stand-in
    // here could only sleep a fixed time and turn the wait into a fast poll.
    virtual void WaitFrame(uint32_t ms) = 0;

    virtual ~C_COMM();
};
