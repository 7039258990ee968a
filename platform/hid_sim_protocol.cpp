#include "platform/hid_sim_protocol.h"

#include <algorithm>
#include <cstring>

namespace platform::hid_sim {
namespace {

void put16(std::vector<uint8_t>& v, size_t off, uint16_t x)
{
    v[off] = uint8_t(x);
    v[off + 1] = uint8_t(x >> 8);
}
uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

}  // namespace

std::vector<uint8_t> encode_hello(const hello& h)
{
    size_t units = std::min(h.product.size(), max_product_units);
    std::vector<uint8_t> v(19 + 2 * units, 0);
    std::memcpy(v.data(), hello_magic, 4);
    v[4] = protocol_version;
    v[5] = h.product_readable ? 1 : 0;
    put16(v, 6, h.usage_page);
    put16(v, 8, h.usage);
    put16(v, 10, h.input_report_length);
    put16(v, 12, h.output_report_length);
    put16(v, 14, uint16_t(h.open_error));
    put16(v, 16, uint16_t(h.open_error >> 16));
    v[18] = uint8_t(units);
    for (size_t i = 0; i < units; ++i)
        put16(v, 19 + 2 * i, uint16_t(h.product[i]));
    return v;
}

bool decode_hello(const uint8_t* d, size_t n, hello& out)
{
    if (n < 19 || std::memcmp(d, hello_magic, 4) != 0 || d[4] != protocol_version)
        return false;
    size_t units = d[18];
    if (units > max_product_units || n < 19 + 2 * units)
        return false;
    out.product_readable = (d[5] & 1) != 0;
    out.usage_page = get16(d + 6);
    out.usage = get16(d + 8);
    out.input_report_length = get16(d + 10);
    out.output_report_length = get16(d + 12);
    out.open_error = uint32_t(get16(d + 14)) | (uint32_t(get16(d + 16)) << 16);
    out.product.clear();
    for (size_t i = 0; i < units; ++i)
        out.product.push_back(char16_t(get16(d + 19 + 2 * i)));
    return true;
}

std::vector<uint8_t> encode_open(uint8_t access)
{
    std::vector<uint8_t> v(open_size);
    std::memcpy(v.data(), open_magic, 4);
    v[4] = protocol_version;
    v[5] = access;
    return v;
}

bool decode_open(const uint8_t* d, size_t n, uint8_t& access)
{
    if (n != open_size || std::memcmp(d, open_magic, 4) != 0 || d[4] != protocol_version || d[5] > 3)
        return false;
    access = d[5];
    return true;
}

}  // namespace platform::hid_sim
