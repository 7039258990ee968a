// Parameter reads and writes on the plain parameter store.
#include "sim/request_table.h"

namespace sim {

namespace dp = device_protocol;

void handle_read_parameter(world& w, const device_frame& request, reply_sink& out)
{
    uint16_t n = request.u16(dp::parameter_number_offset);
    auto it = w.parameters.find(n);
    if (it == w.parameters.end()) {
        out.error(dp::device_error_unknown_parameter);
        return;
    }
    device_frame& f = out.reply(dp::reply_count_parameter);
    f.set_u16(dp::parameter_number_offset, n);
    f.set_u32(dp::parameter_value_offset, uint32_t(it->second));
}

void handle_write_parameter(world& w, const device_frame& request, reply_sink& out)
{
    uint16_t n = request.u16(dp::parameter_number_offset);
    auto it = w.parameters.find(n);
    if (it == w.parameters.end()) {
        out.error(dp::device_error_unknown_parameter);
        return;
    }
    // The value is data count - 2 bytes, little-endian, sign-extended.
    size_t len = size_t(request.data_count()) - 2;
    uint32_t v = 0;
    for (size_t i = 0; i < len; ++i)
        v |= uint32_t(request[dp::parameter_value_offset + i]) << (8 * i);
    if (len < 4 && (v & (1u << (8 * len - 1))))
        v |= ~0u << (8 * len);
    it->second = int32_t(v);
    device_frame& f = out.reply(dp::reply_count_parameter_write);
    f.set_u16(dp::parameter_number_offset, n);
}

}  // namespace sim
