// The simulated controller behind the simulated HID interfaces: world, faults, wire log
// and the controller core, fed by the HID server, with pacing, delayed replies, unplug
// and replug, and the commands of the control socket.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/controller.h"
#include "sim/event_loop.h"
#include "sim/faults.h"
#include "sim/hid_server.h"
#include "sim/wire_log.h"
#include "sim/world.h"

namespace sim {

class simulator {
public:
    simulator(event_loop& loop, std::string folder);

    bool start(const std::string& profile, std::vector<sim_interface> interfaces, std::string& error);

    world& state() { return world_; }
    wire_log& log() { return log_; }
    fault_plan& faults() { return faults_; }
    hid_server& hid() { return hid_; }

    // One report per 1 ms USB frame in each direction, as a full-speed interrupt pipe.
    void set_pacing(bool on) { pacing_ = on; }
    void unplug(int32_t replug_ms);
    bool replug(std::string& error);

    // One line of the control protocol in, the response lines out (the last one starts
    // with "ok" or "error"; data lines come before it). Commands:
    //   ping                         profiles            profile <name>
    //   status <offset 4..62> <byte>...                  status-count <0..59>
    //   param <n> [<value>]          fault <kind> [key=value...]   faults-clear
    //   unplug [<replug after ms>]   replug              pace on|off
    //   interfaces <spec>...         looks <interface>   counters
    //   log [<from seq>]             log-next            log-clear          quit
    std::vector<std::string> control(const std::string& line);

private:
    void on_report(size_t iface, const uint8_t* report, size_t n);
    void process(size_t iface, const uint8_t* report, size_t n);
    void send_out(size_t iface, const outgoing_report& o);

    event_loop& loop_;
    world world_;
    fault_plan faults_;
    wire_log log_;
    controller core_;
    hid_server hid_;
    bool pacing_ = false;
    uint64_t last_in_ns_ = 0;
    uint64_t last_out_ns_ = 0;
    uint64_t replug_timer_ = 0;
    // Live mode: one change every live_period_ns_ while live_timer_ runs.
    void live_tick();
    uint64_t live_timer_ = 0;
    uint64_t live_period_ns_ = 0;
    uint32_t live_steps_ = 0;
    uint64_t generation_ = 0;  // bumped at unplug: replies of the old connection are void
};

// The default interface list: the controller alone.
std::vector<sim_interface> default_interfaces();

}  // namespace sim
