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
        {dp::req_status, "status", count_rule::exact, dp::count_status_request, 0, true, false, handle_status},
        {dp::req_command, "command", count_rule::exact, dp::count_command, 0, false, true, handle_command},
        {dp::req_read_parameter, "read parameter", count_rule::exact, dp::count_read_parameter, 0, false, false,
         handle_read_parameter},
        {dp::req_write_parameter, "write parameter", count_rule::range, 3, 6, false, true, handle_write_parameter},
        {dp::req_read_function, "read function", count_rule::exact, 2, 0, false, false, handle_read_function},
        {dp::req_write_function, "write function", count_rule::exact, dp::count_write_function, 0, false, true,
         handle_write_function},
        {dp::req_free_function, "free function", count_rule::exact, dp::count_free_function, 0, false, true,
         handle_write_function},
        {dp::req_read_memory, "read memory", count_rule::exact, dp::count_read_memory, 0, false, false, handle_read_memory},
        {dp::req_write_memory, "write memory", count_rule::exact, dp::count_block, 0, false, false, handle_write_memory},
        {dp::req_read_record179, "read tool type", count_rule::exact, dp::count_block, 0, false, false,
         handle_read_record179},
        {dp::req_write_record179, "write tool type", count_rule::exact, dp::count_block, 0, false, true,
         handle_write_record179},
        {dp::req_free_record179, "free tool type", count_rule::exact, dp::count_block, 0, false, true,
         handle_write_record179},
        {dp::req_read_scanner, "read scanner block", count_rule::exact, dp::count_read_scanner, 0, false, false,
         handle_read_scanner},
        {dp::req_write_scanner, "write scanner block", count_rule::exact, dp::count_write_scanner, 0, false, true,
         handle_write_scanner},
        {dp::req_clear_scanner, "clear scanner set", count_rule::exact, dp::count_clear_scanner, 0, false, true,
         handle_clear_scanner},
        {dp::req_info, "info", count_rule::range, dp::count_info, dp::count_info_sub, false, false, handle_info},
        {dp::req_clear_info, "clear error buffer", count_rule::exact, dp::count_info_sub, 0, false, false, handle_clear_info},
        {dp::req_records36, "scanner configuration record", count_rule::exact, dp::count_block, 0, false, false,
         handle_records36},
        {dp::req_read_record222, "read tool / value list", count_rule::exact, dp::count_block, 0, false, false,
         handle_read_record222},
        {dp::req_read_record222_second, "read record / value list", count_rule::exact, dp::count_block, 0, false, false,
         handle_read_record222},
        {dp::req_write_record222, "write tool / value list", count_rule::exact, dp::count_block, 0, false, true,
         handle_write_record222},
        {dp::req_free_record222, "free tool", count_rule::exact, dp::count_block, 0, false, true, handle_free_record222},
        {dp::req_free_record222_second, "delete record", count_rule::exact, dp::count_block, 0, false, true,
         handle_free_record222},
        {dp::req_stream, "byte stream", count_rule::exact, dp::count_block, 0, false, false, handle_stream},
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
