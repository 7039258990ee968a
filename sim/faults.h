// Faults the simulated controller can be told to commit: armed one by one, each for
// frames of a given type (or any), after skipping some, for a number of times.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

enum class fault_kind : uint8_t {
    drop,          // no reply
    delay,         // the reply comes ms later
    wrong_kind,    // the reply carries another kind
    error_reply,   // an error reply with code, text type, argument and data count
    short_report,  // the input report is one byte shorter than declared
    bad_length,    // the report's length byte is 64
    duplicate,     // the reply is sent twice
    unplug,        // the device leaves instead of replying; back after replug ms (if >= 0)
    short_reply,   // the reply's data count is `count`, the data past it zero
    echo,          // the reply's byte 4 is `arg` (an info reply that answers another index)
};

struct fault {
    fault_kind kind = fault_kind::drop;
    int type = -1;   // request frame type it applies to; -1 any
    int index = -1;  // request frame byte 4 it applies to (info index, command); -1 any
    uint32_t skip = 0;
    uint32_t times = 1;
    uint32_t ms = 0;
    uint8_t reply_kind = 0;  // wrong_kind: the kind to send (0: another than the request's)
    uint8_t code = 1, text_type = 3, argument = 0, count = 2;
    int32_t replug_ms = -1;
};

// Text form: "<kind> [type=N] [index=N] [skip=N] [times=N] [ms=N] [kind=N] [code=N] [ttype=N]
// [arg=N] [count=N] [replug=N]"; numbers in decimal or 0x hex.
bool parse_fault(const std::string& text, fault& out, std::string& error);
std::string fault_kind_name(fault_kind k);

class fault_plan {
public:
    void arm(const fault& f);
    void clear();
    // The fault that applies to a request of this type, consumed once; false when none.
    bool take(uint8_t request_type, uint8_t byte4, fault& out);
    size_t armed() const;

private:
    mutable std::mutex m_;
    std::vector<fault> faults_;
};

}  // namespace sim
