// A client of the simulator's control socket, for tests and scripts: load a profile, set
// status fields and parameters, arm faults, unplug and replug, read the wire log.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/hid_server.h"
#include "sim/wire_log.h"

namespace sim {

class control_client {
public:
    control_client() = default;
    ~control_client();
    control_client(const control_client&) = delete;
    control_client& operator=(const control_client&) = delete;

    // Connects to the control socket of the simulator whose folder is given.
    bool connect(const std::string& folder, std::string& error);
    bool connected() const { return fd_ >= 0; }

    // Sends one command line; true when the response ends with "ok". The data lines
    // before it, and the text after "ok" or "error", come back through the arguments.
    bool command(const std::string& line, std::string* result = nullptr, std::vector<std::string>* data = nullptr);

    bool ping() { return command("ping"); }
    bool load_profile(const std::string& name) { return command("profile " + name); }
    // Frame bytes from offset (4..62) of the status reply.
    bool set_status(size_t offset, const std::vector<uint8_t>& bytes);
    bool set_status_count(uint8_t count) { return command("status-count " + std::to_string(count)); }
    bool set_parameter(uint16_t n, int32_t v) { return command("param " + std::to_string(n) + " " + std::to_string(v)); }
    bool parameter(uint16_t n, int32_t& v);
    // A fault in the text form of parse_fault, e.g. "error type=0x23 code=5 count=3 arg=9".
    bool inject_fault(const std::string& spec) { return command("fault " + spec); }
    bool clear_faults() { return command("faults-clear"); }
    bool unplug(int32_t replug_after_ms = -1);
    bool replug() { return command("replug"); }
    bool set_pacing(bool on) { return command(std::string("pace ") + (on ? "on" : "off")); }
    bool set_interfaces(const std::vector<sim_interface>& list);
    uint32_t looks(size_t iface);
    std::vector<wire_entry> wire_log(uint64_t from_seq = 0);
    uint64_t log_next_seq();
    bool clear_log() { return command("log-clear"); }
    // "requests=N violations=N commands=N connections=N plugged=0|1"
    std::string counters();
    bool quit() { return command("quit"); }

private:
    bool read_line(std::string& line);
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace sim
