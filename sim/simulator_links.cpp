// The boot loader on the serial line and on Ethernet: the pty and TUN faces, their request
// path into the one loader world, and their control commands. A new command is one row.
#include <algorithm>

#include "sim/simulator.h"
#include "sim/simulator_control.h"

namespace sim {

simulator::~simulator() = default;

std::vector<boot_frame> simulator::transfer_request(const uint8_t* frame, size_t n, boot_session session,
                                                    uint8_t log_iface, uint32_t& delay_ms)
{
    // The frame is logged as a report would be: [0, length, frame], the length byte cut to 8 bits.
    std::vector<uint8_t> entry = {0, uint8_t(n)};
    entry.insert(entry.end(), frame, frame + n);
    sdo_.set_session(session);
    uint32_t number = sdo_.requests() + 1;
    std::vector<boot_frame> replies = sdo_.handle(frame, n);
    delay_ms = loader_.take_reply_delay_ms();
    std::string note = "sdo";
    bool unplug_now = false;
    int32_t replug_ms = -1;
    shape_replies(number, replies, delay_ms, note, unplug_now, replug_ms);
    log_.add(wire_direction::in, log_iface, entry.data(), entry.size(), note);
    for (const auto& f : replies) {
        std::vector<uint8_t> out = {0, uint8_t(f.size())};
        out.insert(out.end(), f.begin(), f.end());
        log_.add(wire_direction::out, log_iface, out.data(), out.size(), "sdo");
    }
    follow_loader_event(now_ns() + uint64_t(delay_ms) * 1000000u);
    return replies;
}

bool simulator::start_serial(std::string& error)
{
    serial_ = std::make_unique<serial_peer>(loop_, [this](const uint8_t* f, size_t n, bool fast, uint32_t& delay) {
        return transfer_request(f, n, boot_session::serial(fast), serial_log_iface, delay);
    });
    if (!serial_->start(error)) {
        serial_.reset();
        return false;
    }
    serial_->set_pacing(pacing_);
    return true;
}

bool simulator::start_tun(const std::string& spec, std::string& error)
{
    tun_ = std::make_unique<tun_peer>(loop_, [this](const uint8_t* f, size_t n, uint32_t& delay) {
        return transfer_request(f, n, boot_session::ethernet(), tun_log_iface, delay);
    });
    if (!tun_->start(spec, error)) {
        tun_.reset();
        return false;
    }
    return true;
}

namespace {

bool key_number(const std::string& word, const char* key, long& v)
{
    std::string k = std::string(key) + "=";
    return word.compare(0, k.size(), k) == 0 && parse_number(word.substr(k.size()), v);
}

// Request number and count of a fault: at=N (1 the next request), times=N.
bool fault_window(const std::vector<std::string>& w, uint32_t& from, uint32_t& times)
{
    for (size_t i = 2; i < w.size(); ++i) {
        long v = 0;
        if (key_number(w[i], "at", v) && v >= 1)
            from = uint32_t(v);
        else if (key_number(w[i], "times", v) && v >= 1)
            times = uint32_t(v);
        else
            return false;
    }
    return true;
}

}  // namespace

const std::vector<simulator::control_command>& simulator::link_commands()
{
    using call = control_call;
    static const std::vector<control_command> table = {
        {"serial-path", "", [](simulator& s, call& c) {
             if (!s.serial_) {
                 c.error = "no serial face (start with --serial)";
                 return false;
             }
             c.result = s.serial_->slave_path();
             return true;
         }},
        {"serial-line", "", [](simulator& s, call& c) {
             if (!s.serial_)
                 return false;
             c.result = "baud=" + std::to_string(s.serial_->slave_baud()) + " cs8=" + (s.serial_->slave_cs8() ? "1" : "0");
             return true;
         }},
        {"serial-pace", "on|off", [](simulator& s, call& c) {
             if (!s.serial_ || c.w.size() != 2 || (c.w[1] != "on" && c.w[1] != "off"))
                 return false;
             s.serial_->set_pacing(c.w[1] == "on");
             return true;
         }},
        {"serial-bad-sum", "ignore|abort", [](simulator& s, call& c) {
             if (!s.serial_ || c.w.size() != 2 || (c.w[1] != "ignore" && c.w[1] != "abort"))
                 return false;
             s.serial_->set_abort_on_bad_sum(c.w[1] == "abort");
             return true;
         }},
        {"serial-fault", "sum|garbage|dribble|drop|delay [at=N] [times=N] [ms=N] [count=N]", [](simulator& s, call& c) {
             static const std::pair<const char*, serial_fault::kind_t> kinds[] = {
                 {"sum", serial_fault::wrong_sum}, {"garbage", serial_fault::garbage},
                 {"dribble", serial_fault::dribble}, {"drop", serial_fault::drop}, {"delay", serial_fault::delay}};
             if (!s.serial_ || c.w.size() < 2)
                 return false;
             auto k = std::find_if(std::begin(kinds), std::end(kinds), [&](const auto& e) { return c.w[1] == e.first; });
             if (k == std::end(kinds))
                 return false;
             serial_fault f;
             f.kind = k->second;
             for (size_t i = 2; i < c.w.size(); ++i) {
                 long v = 0;
                 if (key_number(c.w[i], "at", v) && v >= 1)
                     f.from = uint32_t(v);
                 else if (key_number(c.w[i], "times", v) && v >= 1)
                     f.times = uint32_t(v);
                 else if (key_number(c.w[i], "ms", v) && v >= 0)
                     f.ms = uint32_t(v);
                 else if (key_number(c.w[i], "count", v) && v >= 1 && v <= 4096)
                     f.count = uint32_t(v);
                 else
                     return false;
             }
             s.serial_->add_fault(f);
             return true;
         }},
        {"serial-faults-clear", "", [](simulator& s, call&) {
             if (s.serial_)
                 s.serial_->clear_faults();
             return true;
         }},
        {"tun-info", "", [](simulator& s, call& c) {
             if (!s.tun_) {
                 c.error = "no TUN face (start with --tun)";
                 return false;
             }
             c.result = s.tun_->name() + " " + s.tun_->peer_address() + " requests=" +
                        std::to_string(s.tun_->requests()) + " resends=" + std::to_string(s.tun_->resends());
             return true;
         }},
        {"tun-fault", "drop|id|checksum|sequence|options [at=N] [times=N]", [](simulator& s, call& c) {
             static const std::pair<const char*, tun_fault::kind_t> kinds[] = {
                 {"drop", tun_fault::drop}, {"id", tun_fault::wrong_id}, {"checksum", tun_fault::bad_checksum},
                 {"sequence", tun_fault::old_sequence}, {"options", tun_fault::options}};
             if (!s.tun_ || c.w.size() < 2)
                 return false;
             auto k = std::find_if(std::begin(kinds), std::end(kinds), [&](const auto& e) { return c.w[1] == e.first; });
             tun_fault f;
             if (k == std::end(kinds) || !fault_window(c.w, f.from, f.times))
                 return false;
             f.kind = k->second;
             s.tun_->add_fault(f);
             return true;
         }},
        {"tun-faults-clear", "", [](simulator& s, call&) {
             if (s.tun_)
                 s.tun_->clear_faults();
             return true;
         }},
    };
    return table;
}

}  // namespace sim
