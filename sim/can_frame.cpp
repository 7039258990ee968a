#include "can_frame.h"

#include <cstring>

namespace sim::can_wire {
namespace {

void put_le(uint8_t* p, size_t width, uint32_t v)
{
    for (size_t i = 0; i < width; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get_le(const uint8_t* p, size_t width)
{
    uint32_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

const field& at(const char* name)
{
    for (const field& f : frame_fields)
        if (std::strcmp(f.name, name) == 0)
            return f;
    return frame_fields[0];
}

}  // namespace

void encode_frame(const can_frame& f, uint8_t* out)
{
    std::memset(out, 0, frame_size);
    put_le(out + at("kind").offset, 1, kind_frame);
    put_le(out + at("id").offset, 4, f.id);
    put_le(out + at("flags").offset, 1, f.flags);
    put_le(out + at("dlc").offset, 1, f.dlc & 0x0F);
    std::memcpy(out + at("data").offset, f.data.data(), 8);
    put_le(out + at("bitrate").offset, 4, f.bitrate);
    put_le(out + at("sent").offset, 4, static_cast<uint32_t>(f.sent_ns));
    put_le(out + at("sent").offset + 4, 4, static_cast<uint32_t>(f.sent_ns >> 32));
}

bool decode_frame(const uint8_t* in, size_t n, can_frame& f)
{
    if (n != frame_size || in[0] != kind_frame)
        return false;
    f.id = get_le(in + at("id").offset, 4);
    f.flags = static_cast<uint8_t>(get_le(in + at("flags").offset, 1));
    f.dlc = static_cast<uint8_t>(get_le(in + at("dlc").offset, 1) & 0x0F);
    std::memcpy(f.data.data(), in + at("data").offset, 8);
    f.bitrate = get_le(in + at("bitrate").offset, 4);
    f.sent_ns = get_le(in + at("sent").offset, 4) | uint64_t{get_le(in + at("sent").offset + 4, 4)} << 32;
    return true;
}

void encode_hello(uint32_t bitrate, bool tap, uint8_t* out)
{
    out[0] = kind_hello;
    out[1] = tap ? hello_tap : 0;
    put_le(out + 2, 4, bitrate);
}

bool decode_hello(const uint8_t* in, size_t n, uint32_t& bitrate, bool& tap)
{
    if (n != hello_size || in[0] != kind_hello)
        return false;
    tap = (in[1] & hello_tap) != 0;
    bitrate = get_le(in + 2, 4);
    return true;
}

}  // namespace sim::can_wire
