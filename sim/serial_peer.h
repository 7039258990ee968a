// The boot loader's serial face: the master side of a pseudo terminal whose slave the
// download library opens as its COM port. Requests come in plain framing (8 bytes and a
// sum) or fast framing (0xBB, 16-bit length, frame, sum), told apart by a leading 0xBB;
// each answer goes out in the framing of its request.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "sim/boot_sdo_server.h"
#include "sim/event_loop.h"

namespace sim {

struct serial_fault {
    enum kind_t {
        wrong_sum,  // the answer's sum byte is off by one
        garbage,    // `count` junk bytes go out before the answer
        dribble,    // the answer goes out one byte at a time, `ms` apart
        drop,       // one byte of the answer (the second) is lost
        delay,      // the answer waits `ms`
    };
    kind_t kind = wrong_sum;
    uint32_t from = 1;  // request number, 1 the first after arming
    uint32_t times = 1;
    uint32_t ms = 0;
    uint32_t count = 3;
};

class serial_peer {
public:
    // The request handler: a frame in, its replies and their delay out.
    using handler = std::function<std::vector<boot_frame>(const uint8_t* frame, size_t n, bool fast, uint32_t& delay_ms)>;

    serial_peer(event_loop& loop, handler h);
    ~serial_peer();
    serial_peer(const serial_peer&) = delete;
    serial_peer& operator=(const serial_peer&) = delete;

    bool start(std::string& error);
    const std::string& slave_path() const { return slavePath_; }

    // Answers take the line time of request and answer, 11 bits a byte at the slave's rate.
    void set_pacing(bool on) { pacing_ = on; }
    // A request with a bad sum: unanswered, or answered with abort reason 15.
    void set_abort_on_bad_sum(bool on) { abortOnBadSum_ = on; }
    void add_fault(serial_fault f);
    void clear_faults();
    uint32_t requests() const { return requests_; }
    uint32_t bad_requests() const { return badRequests_; }
    // The slave's rate and whether it set 8 data bits (a pty keeps no parity).
    uint32_t slave_baud() const;
    bool slave_cs8() const;

private:
    void on_readable();
    void on_byte(uint8_t b);
    void complete(bool fast);
    void send(std::vector<uint8_t> bytes, uint64_t due_ns, uint32_t dribble_ms);
    void flush_out();

    event_loop& loop_;
    handler handler_;
    int master_ = -1;
    int slave_ = -1;  // kept open, so the master never sees a hang-up between clients
    std::string slavePath_;
    bool pacing_ = false;
    bool abortOnBadSum_ = false;
    std::vector<serial_fault> faults_;
    uint32_t requests_ = 0;     // since the faults were armed
    uint32_t badRequests_ = 0;
    std::vector<uint8_t> in_;   // the request being received
    size_t need_ = 0;           // its whole length once known
    std::deque<uint8_t> out_;   // bytes the master could not take yet
    uint64_t lineFreeNs_ = 0;   // when the line is free for the next answer
};

}  // namespace sim
