// The 63-byte request and reply frame of the controller, as bytes with little-endian
// accessors.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>

#include "core/protocol/device_protocol.h"

struct device_frame {
    std::array<uint8_t, device_protocol::frame_size> bytes{};

    uint8_t& operator[](size_t i) { return bytes[i]; }
    uint8_t operator[](size_t i) const { return bytes[i]; }
    uint8_t* data() { return bytes.data(); }
    const uint8_t* data() const { return bytes.data(); }

    uint8_t type() const { return bytes[device_protocol::type_offset]; }
    uint8_t kind() const { return bytes[device_protocol::type_offset] & device_protocol::type_kind_mask; }
    bool is_error() const { return (type() & device_protocol::type_error) != 0; }
    uint8_t data_count() const { return bytes[device_protocol::count_offset]; }

    uint16_t u16(size_t off) const { return uint16_t(bytes[off] | (bytes[off + 1] << 8)); }
    uint32_t u32(size_t off) const
    {
        return uint32_t(bytes[off]) | (uint32_t(bytes[off + 1]) << 8) | (uint32_t(bytes[off + 2]) << 16) |
               (uint32_t(bytes[off + 3]) << 24);
    }
    void set_u16(size_t off, uint16_t v)
    {
        bytes[off] = uint8_t(v);
        bytes[off + 1] = uint8_t(v >> 8);
    }
    void set_u32(size_t off, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[off + size_t(i)] = uint8_t(v >> (8 * i));
    }

    // A frame with the start byte, the type and the data count set, everything else zero.
    static device_frame make(uint8_t type, uint8_t count)
    {
        device_frame f;
        f.bytes[device_protocol::start_offset] = device_protocol::start_byte;
        f.bytes[device_protocol::type_offset] = type;
        f.bytes[device_protocol::count_offset] = count;
        return f;
    }
    static device_frame from(const uint8_t* p)
    {
        device_frame f;
        std::memcpy(f.bytes.data(), p, f.bytes.size());
        return f;
    }
};

// The cyclic status request of the link timer.
inline device_frame make_status_request()
{
    device_frame f = device_frame::make(device_protocol::req_status, device_protocol::count_status_request);
    f.set_u32(device_protocol::data_offset, device_protocol::status_request_word);
    return f;
}
