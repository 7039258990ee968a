// Transports for tests of the protocol client: a scripted one that records what was sent
// and answers from a list, and an in-memory loopback to the simulated boot loader.
#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "flashlink/C_COMM.h"
#include "flashlink/C_SdoMast.h"

class boot_sdo_server;

using frame_bytes = std::vector<uint8_t>;

class scripted_comm : public C_COMM {
public:
    // The answer to each send in turn; nullopt (or an exhausted list) answers nothing.
    std::deque<std::optional<frame_bytes>> answers;
    std::vector<frame_bytes> sent;
    uint16_t send_error = 0;       // returned by the send numbered send_error_at (1-based)
    uint32_t send_error_at = 0;
    uint16_t receive_error = 0;    // reported once by the next RcvReady
    uint16_t open_error = 0;
    int opens = 0, closes = 0, resends = 0, resets = 0;
    uint16_t last_request_id = 0, last_response_id = 0;

    uint16_t Send(const uint8_t* data, uint16_t length, uint16_t* count, uint32_t) override;
    bool RcvReady(uint16_t* error) override;
    void GetFrame(uint8_t* destination, uint16_t* length) override;
    void ResetReceiver() override { ++resets; }
    uint16_t Open(uint16_t request_id, uint16_t response_id) override;
    void Close() override { ++closes; }
    void WaitFrame(uint32_t ms) override;

private:
    std::deque<frame_bytes> pending_;
};

// Hands every frame to the server at once and queues its replies; like the USB transport,
// resetting the receiver keeps frames that arrived whole.
class loopback_comm : public C_COMM {
public:
    explicit loopback_comm(boot_sdo_server& server) : server_(server) {}

    uint16_t Send(const uint8_t* data, uint16_t length, uint16_t* count, uint32_t) override;
    bool RcvReady(uint16_t* error) override;
    void GetFrame(uint8_t* destination, uint16_t* length) override;
    void WaitFrame(uint32_t ms) override;

    uint64_t wire_bytes = 0;  // both directions
    uint64_t round_trips = 0;

private:
    boot_sdo_server& server_;
    std::deque<frame_bytes> pending_;
};

// Polls the client to the end of its transfer under a step timer of `timeout_ms`, waiting
// on the transport instead of spinning; 0x1003 when the timer runs out. Any failure clears
// the client.
uint16_t run_transfer(C_SdoMast& client, uint32_t timeout_ms, uint32_t* count = nullptr);
