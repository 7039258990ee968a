// The simulated controller's requests: one table row per request frame type, with the
// data counts it accepts and the handler that answers it. A new request is a new row
// and a handler; a handler reads and changes the world and writes zero or more replies.
#pragma once
#include <cstdint>
#include <vector>

#include "core/protocol/device_frame.h"
#include "sim/world.h"

namespace sim {

// Collects what a handler answers.
class reply_sink {
public:
    explicit reply_sink(const device_frame& request) : request_(request) {}

    // A reply of the request's type with this data count; the caller fills the data.
    device_frame& reply(uint8_t count);
    // A reply of another type (e.g. with 0x40 for "no data").
    device_frame& reply_typed(uint8_t type, uint8_t count);
    // An acknowledge: the request's type, data count 0.
    void acknowledge() { reply(device_protocol::reply_count_acknowledge); }
    // An error reply: type | 0x80, count 2 (no argument) or more, code, text type, argument.
    void error(uint8_t code, uint8_t text_type = device_protocol::error_text_type_device, uint8_t argument = 0,
               uint8_t count = device_protocol::error_count_without_argument);

    const std::vector<device_frame>& replies() const { return replies_; }
    std::vector<device_frame>& replies() { return replies_; }

private:
    const device_frame& request_;
    std::vector<device_frame> replies_;
};

using request_handler_fn = void (*)(world&, const device_frame& request, reply_sink& out);

enum class count_rule : uint8_t {
    exact,     // the data count must be `count`
    range,     // count .. count_max
    any,
};

struct request_handler {
    uint8_t type;          // request frame type (byte 2)
    const char* name;
    count_rule rule;
    uint8_t count;
    uint8_t count_max;
    bool in_loader;        // answered while only the firmware loader runs
    bool writes_program;   // may change the stored program (parameters, functions, tools, sets)
    request_handler_fn fn;
};

const std::vector<request_handler>& request_table();
const request_handler* find_request_handler(uint8_t type);

// Handlers (one group of requests per file).
void handle_status(world&, const device_frame&, reply_sink&);
void handle_command(world&, const device_frame&, reply_sink&);
void handle_read_parameter(world&, const device_frame&, reply_sink&);
void handle_write_parameter(world&, const device_frame&, reply_sink&);
void handle_read_function(world&, const device_frame&, reply_sink&);
void handle_write_function(world&, const device_frame&, reply_sink&);
void handle_read_record179(world&, const device_frame&, reply_sink&);
void handle_write_record179(world&, const device_frame&, reply_sink&);
void handle_read_record222(world&, const device_frame&, reply_sink&);
void handle_write_record222(world&, const device_frame&, reply_sink&);
void handle_free_record222(world&, const device_frame&, reply_sink&);
void handle_info(world&, const device_frame&, reply_sink&);
void handle_clear_info(world&, const device_frame&, reply_sink&);
void handle_read_scanner(world&, const device_frame&, reply_sink&);
void handle_write_scanner(world&, const device_frame&, reply_sink&);
void handle_clear_scanner(world&, const device_frame&, reply_sink&);
void handle_read_memory(world&, const device_frame&, reply_sink&);
void handle_write_memory(world&, const device_frame&, reply_sink&);
void handle_records36(world&, const device_frame&, reply_sink&);
void handle_stream(world&, const device_frame&, reply_sink&);

}  // namespace sim
