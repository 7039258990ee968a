// One frame on the simulated CAN bus and its fixed wire record between the hub and its nodes.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

struct can_frame {
    static constexpr uint8_t flag_rtr = 0x01;  // remote frame
    static constexpr uint8_t flag_ext = 0x02;  // 29-bit identifier

    uint32_t id = 0;
    uint8_t flags = 0;
    uint8_t dlc = 0;  // raw 0..15 as on the wire; at most 8 data bytes follow it
    std::array<uint8_t, 8> data{};
    uint32_t bitrate = 0;  // bit/s the sender transmits at
    // When the sender put the frame on its socket (steady clock, ns); the paced bus starts carrying
    // it then, not when the hub gets round to reading it. 0: not known.
    uint64_t sent_ns = 0;

    bool operator==(const can_frame& o) const
    {
        return id == o.id && flags == o.flags && dlc == o.dlc && data == o.data && bitrate == o.bitrate;
    }
};

// Messages on the hub's sockets. Every message starts with its kind byte.
namespace can_wire {
constexpr uint8_t kind_hello = 1;  // node -> hub: bit rate and tap flag (may be resent to change them)
constexpr uint8_t kind_frame = 2;  // both ways: one frame
constexpr uint8_t kind_ack = 3;    // hub -> node: the hello is in force

constexpr size_t hello_size = 6;
constexpr size_t frame_size = 27;
constexpr uint8_t hello_tap = 0x01;

struct field {
    const char* name;
    size_t offset;
    size_t width;
};
// Layout of a frame message; the hello uses kind @0, flags @1, bit rate @2 (4 bytes).
constexpr field frame_fields[] = {
    {"kind", 0, 1}, {"id", 1, 4}, {"flags", 5, 1}, {"dlc", 6, 1}, {"data", 7, 8}, {"bitrate", 15, 4},
    {"sent", 19, 8},
};

void encode_frame(const can_frame& f, uint8_t* out);          // frame_size bytes
bool decode_frame(const uint8_t* in, size_t n, can_frame& f);  // false for anything but a frame message
void encode_hello(uint32_t bitrate, bool tap, uint8_t* out);   // hello_size bytes
bool decode_hello(const uint8_t* in, size_t n, uint32_t& bitrate, bool& tap);
}  // namespace can_wire

}  // namespace sim
