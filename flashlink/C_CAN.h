// The CAN transport: protocol frames travel as CAN messages of up to 8 bytes, the request
// identifier out and the response identifier back, through the CAN driver library in use
// (can_driver.h). One receive and one send object live for one transfer.
#pragma once
#include <cstdint>

#include "flashlink/C_COMM.h"

class C_CAN : public C_COMM {
public:
    static constexpr uint16_t no_object = 0xFFFF;
    // How long one piece may be refused before the send gives up.
    static constexpr uint32_t piece_timeout_ms = 100;

    C_CAN() = default;
    ~C_CAN() override;

    // Opens the receive object for the response identifier, then the send object for the
    // request identifier: 0, or 0xA001 (an object still open, or one that cannot be opened).
    uint16_t Open(uint16_t request_id, uint16_t response_id) override;
    void Close() override;

    uint16_t Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t unused) override;
    uint16_t Receive(uint8_t* buffer, uint16_t expected, uint16_t* count, uint32_t unused, uint8_t blocking,
                     uint32_t timeout_ms) override;
    bool PollReceive(uint16_t* result, uint16_t* count) override;
    bool RcvReady(uint16_t* error) override;
    // Copies one message (up to 8 bytes) to destination, which must hold 8.
    void GetFrame(uint8_t* destination, uint16_t* length) override;
    void ResetReceiver() override;
    void WaitFrame(uint32_t ms) override;

    uint16_t request_id() const { return requestId_; }
    uint16_t response_id() const { return responseId_; }

private:
    bool messageWaiting();
    // One message of a block receive into the block; false when none was waiting.
    bool takeBlockMessage();

    uint16_t responseId_ = 0;
    uint16_t requestId_ = 0;
    uint16_t rcvHandle_ = no_object;
    uint16_t sndHandle_ = no_object;
    // A message seen by WaitFrame and not yet taken: the drivers report one only once.
    bool messageSeen_ = false;
    // Block receive
    uint16_t blockCount_ = 0;
    uint16_t blockExpected_ = 0;
    uint8_t* blockBuffer_ = nullptr;
};
