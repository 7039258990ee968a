// The Ethernet transport: each request frame is the payload of an ICMP echo request to the
// controller, each response frame the payload of its echo reply. The socket, the target
// and the sequence counter belong to the process; C_ETH::Open and C_ETH::Shutdown own them.
#pragma once
#include <cstddef>
#include <cstdint>

#include "flashlink/C_COMM.h"

class C_ETH final : public C_COMM {
public:
    static constexpr uint32_t receive_timeout_ms = 20;
    static constexpr uint32_t send_timeout_ms = 1000;
    static constexpr uint32_t pause_ms = 2;  // before every packet, counted from the one before
    static constexpr size_t header_size = 8;
    static constexpr size_t receive_size = 1528;

    uint16_t Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t unused) override;
    bool RcvReady(uint16_t* error) override;
    void GetFrame(uint8_t* destination, uint16_t* length) override;
    void WaitFrame(uint32_t ms) override;

    // Opens the raw socket towards a dotted IPv4 address and clears the sequence counter:
    // 0, or 0xD001 (bad address, no socket, no permission).
    static uint16_t Open(const char* address);
    static void Shutdown();
    static bool IsOpen();
    static int LastError();

    enum class check { accepted, ignored, out_of_sequence };
    // The checks of a packet read from the raw socket (IPv4 header first) against the
    // identifier and sequence bytes last sent: an ICMP echo reply with a good checksum,
    // whose total length the received bytes hold. On `accepted` and `out_of_sequence` the
    // payload lies at offset..offset+length.
    static check CheckReply(const uint8_t* packet, size_t received, const uint8_t id[2], const uint8_t seq[2],
                            size_t& offset, size_t& length);
    // Builds an echo request: header with checksum, then the frame; the message length.
    static size_t BuildRequest(uint8_t* out, const uint8_t id[2], uint16_t sequence, const uint8_t* frame, size_t n);

private:
    size_t rxOffset_ = 0;
    size_t rxLength_ = 0;
};
