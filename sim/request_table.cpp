#include "sim/request_table.h"

namespace sim {

namespace dp = device_protocol;

device_frame& reply_sink::reply_typed(uint8_t type, uint8_t count)
{
    device_frame f = device_frame::make(type, count);
    // The counter is echoed; the host never checks it.
    f[dp::counter_offset] = request_[dp::counter_offset];
    replies_.push_back(f);
    return replies_.back();
}

device_frame& reply_sink::reply(uint8_t count) { return reply_typed(request_.type(), count); }

void reply_sink::error(uint8_t code, uint8_t text_type, uint8_t argument, uint8_t count)
{
    device_frame& f = reply_typed(uint8_t(request_.type() | dp::type_error), count);
    f[dp::error_code_offset] = code;
    f[dp::error_type_offset] = text_type;
    f[dp::error_argument_offset] = argument;
}

const std::vector<request_handler>& request_table()
{
    static const std::vector<request_handler> table = {
        {dp::req_status, "status", count_rule::exact, dp::count_status_request, 0, true, handle_status},
        {dp::req_command, "command", count_rule::exact, dp::count_command, 0, false, handle_command},
        {dp::req_read_parameter, "read parameter", count_rule::exact, dp::count_read_parameter, 0, false,
         handle_read_parameter},
        {dp::req_write_parameter, "write parameter", count_rule::range, 3, 6, false, handle_write_parameter},
    };
    return table;
}

const request_handler* find_request_handler(uint8_t type)
{
    for (const auto& h : request_table())
        if (h.type == type)
            return &h;
    return nullptr;
}

}  // namespace sim
