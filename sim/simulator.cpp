#include "sim/simulator.h"

#include "sim/text_number.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "sim/demo_program.h"
#include "sim/profiles.h"

namespace sim {
namespace {

constexpr uint64_t usb_frame_ns = 1000000;

uint64_t next_frame_after(uint64_t t) { return (t / usb_frame_ns + 1) * usb_frame_ns; }


std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    std::string x;
    while (in >> x)
        w.push_back(x);
    return w;
}

}  // namespace

std::vector<sim_interface> default_interfaces() { return {sim_interface{}}; }

simulator::simulator(event_loop& loop, std::string folder)
    : loop_(loop), core_(world_, faults_, log_), hid_(loop, std::move(folder))
{
    hid_.on_report([this](size_t iface, const uint8_t* r, size_t n) { on_report(iface, r, n); });
}

bool simulator::start(const std::string& profile, std::vector<sim_interface> interfaces, std::string& error)
{
    if (!load_profile(world_, profile)) {
        error = "unknown profile " + profile;
        return false;
    }
    personality_from_profile();
    return hid_.set_interfaces(std::move(interfaces), error);
}

void simulator::on_report(size_t iface, const uint8_t* report, size_t n)
{
    if (!pacing_) {
        process(iface, report, n);
        return;
    }
    std::vector<uint8_t> r(report, report + n);
    uint64_t due = std::max(next_frame_after(now_ns()), last_in_ns_ + usb_frame_ns);
    last_in_ns_ = due;
    uint64_t gen = generation_;
    loop_.at(due, [this, iface, gen, r = std::move(r)]() mutable {
        if (gen == generation_)
            process(iface, r.data(), r.size());
    });
}

void simulator::personality_from_profile()
{
    loader_.set_application(!world_.loader_only);
    // A controller that runs only its loader has no firmware until one is downloaded.
    loader_.set_firmware_present(!world_.loader_only);
    loader_.restarted();
    sdo_.reset();
    if (!world_.loader_only)
        appProfile_ = world_.profile_name;
}

void simulator::process(size_t iface, const uint8_t* report, size_t n)
{
    const sim_interface& i = hid_.interfaces()[iface];
    if (is_transfer_frame(report, n, i)) {
        process_transfer(iface, report, n);
        return;
    }
    controller_result res = core_.handle_report(report, n, i.output_length, i.input_length, uint8_t(iface));
    for (const auto& o : res.reports)
        schedule_out(iface, o);
    if (res.unplug)
        unplug(res.replug_ms);
}

void simulator::live_tick()
{
    live_timer_ = 0;
    if (!world_.live)
        return;
    live_step(world_, live_steps_++);
    live_timer_ = loop_.at(now_ns() + live_period_ns_, [this] { live_tick(); });
}

uint64_t simulator::schedule_out(size_t iface, const outgoing_report& o)
{
    uint64_t due = o.delay_ms ? now_ns() + uint64_t(o.delay_ms) * 1000000u : 0;
    if (pacing_) {
        due = std::max({due, next_frame_after(now_ns()), last_out_ns_ + usb_frame_ns});
        last_out_ns_ = due;
    }
    if (due == 0) {
        send_out(iface, o);
        return now_ns();
    }
    uint64_t gen = generation_;
    loop_.at(due, [this, iface, gen, o] {
        if (gen == generation_)
            send_out(iface, o);
    });
    return due;
}

bool simulator::is_transfer_frame(const uint8_t* report, size_t n, const sim_interface& i) const
{
    namespace dp = device_protocol;
    // A report the report layer refuses goes to the controller core, which logs why.
    if (n != i.output_length || n < dp::report_frame_offset || report[dp::report_id_offset] != 0)
        return false;
    size_t length = report[dp::report_length_offset];
    if (length == 0 || length > dp::max_frame_length || length + dp::report_frame_offset > n)
        return false;
    // Outside a segmented transfer every request of the transfer protocol is 8 bytes, and
    // every controller frame 63 (a malformed one too: the core refuses it with its error).
    return sdo_.transfer_open() || length != dp::frame_size;
}

void simulator::process_transfer(size_t iface, const uint8_t* report, size_t n)
{
    namespace dp = device_protocol;
    const sim_interface& i = hid_.interfaces()[iface];
    uint32_t number = sdo_.requests() + 1;
    std::vector<boot_frame> replies = sdo_.handle(report + dp::report_frame_offset, report[dp::report_length_offset]);
    uint32_t delay = loader_.take_reply_delay_ms();
    std::string note = "sdo";
    bool unplug_now = false;
    int32_t replug_ms = -1;
    for (const auto& f : sdoFaults_) {
        if (number < f.from || number - f.from >= f.times)
            continue;
        if (f.unplug) {
            unplug_now = true;
            replug_ms = f.replug_ms;
            note = "sdo fault unplug";
        } else {
            delay += f.ms;
            note = "sdo fault delay";
        }
    }
    log_.add(wire_direction::in, uint8_t(iface), report, n, note);
    if (unplug_now) {
        unplug(replug_ms);
        return;
    }
    uint64_t last_due = now_ns();
    for (const auto& f : replies) {
        outgoing_report o;
        o.report.assign(std::max<size_t>(i.input_length, dp::report_frame_offset + f.size()), 0);
        o.report[dp::report_length_offset] = uint8_t(f.size());
        std::copy(f.begin(), f.end(), o.report.begin() + dp::report_frame_offset);
        o.delay_ms = delay;
        o.note = "sdo";
        last_due = std::max(last_due, schedule_out(iface, o));
    }
    switch (loader_.take_event()) {
    case boot_loader::event::restart_into_loader:
        restart(true, last_due);
        break;
    case boot_loader::event::start_application:
        restart(false, last_due);
        break;
    case boot_loader::event::none:
        break;
    }
}

void simulator::restart(bool into_loader, uint64_t after_ns)
{
    uint64_t gen = generation_;
    loop_.at(after_ns + uint64_t(restartD1Ms_) * 1000000u, [this, into_loader, gen] {
        if (gen != generation_)
            return;
        load_profile(world_, into_loader ? "loader" : appProfile_);
        loader_.set_application(!into_loader);
        loader_.restarted();
        sdo_.reset();
        loader_.note(into_loader ? "restart loader" : "restart application");
        unplug(int32_t(restartD2Ms_));
    });
}

void simulator::send_out(size_t iface, const outgoing_report& o)
{
    if (!hid_.plugged())
        return;
    log_.add(wire_direction::out, uint8_t(iface), o.report.data(), o.report.size(), o.note);
    hid_.broadcast(iface, o.report.data(), o.report.size());
}

void simulator::unplug(int32_t replug_ms)
{
    ++generation_;
    hid_.unplug();
    if (replug_timer_)
        loop_.cancel(replug_timer_);
    replug_timer_ = 0;
    if (replug_ms >= 0)
        replug_timer_ = loop_.at(now_ns() + uint64_t(replug_ms) * 1000000u, [this] {
            replug_timer_ = 0;
            std::string e;
            hid_.replug(e);
        });
}

bool simulator::replug(std::string& error)
{
    if (replug_timer_)
        loop_.cancel(replug_timer_);
    replug_timer_ = 0;
    return hid_.replug(error);
}

std::vector<std::string> simulator::control(const std::string& line)
{
    std::vector<std::string> w = words(line);
    std::vector<std::string> out;
    auto ok = [&](const std::string& extra = {}) {
        out.push_back(extra.empty() ? "ok" : "ok " + extra);
        return out;
    };
    auto fail = [&](const std::string& why) {
        out.push_back("error " + why);
        return out;
    };
    if (w.empty())
        return fail("empty command");
    const std::string& cmd = w[0];
    long a = 0, b = 0;
    if (cmd == "ping")
        return ok();
    if (cmd == "profile") {
        if (w.size() != 2 || !load_profile(world_, w[1]))
            return fail("unknown profile");
        faults_.clear();
        personality_from_profile();
        return ok();
    }
    if (cmd == "profiles") {
        for (const auto& p : profiles())
            out.push_back(p.name + " " + p.description);
        return ok();
    }
    if (cmd == "status") {
        // status <frame offset 4..62> <byte> [<byte> ...]
        if (w.size() < 3 || !parse_number(w[1], a) || a < long(device_protocol::data_offset) ||
            a + long(w.size()) - 2 > long(device_protocol::frame_size))
            return fail("usage: status <offset 4..62> <byte>...");
        for (size_t i = 2; i < w.size(); ++i) {
            if (!parse_number(w[i], b) || b < 0 || b > 255)
                return fail("bad byte " + w[i]);
            world_.status[size_t(a) - device_protocol::data_offset + i - 2] = uint8_t(b);
        }
        return ok();
    }
    if (cmd == "status-count") {
        if (w.size() != 2 || !parse_number(w[1], a) || a < 0 || a > 59)
            return fail("usage: status-count <0..59>");
        world_.status_count = uint8_t(a);
        return ok();
    }
    if (cmd == "param") {
        if (w.size() == 2 && parse_number(w[1], a)) {
            auto it = world_.parameters.find(uint16_t(a));
            return it == world_.parameters.end() ? fail("unknown parameter") : ok(std::to_string(it->second));
        }
        if (w.size() != 3 || !parse_number(w[1], a) || !parse_number(w[2], b) || a < 0 || a > 0xFFFF)
            return fail("usage: param <n> [<value>]");
        world_.parameters[uint16_t(a)] = int32_t(b);
        return ok();
    }
    if (cmd == "info") {
        // info <index> <frame offset 5..62> <byte>...
        if (w.size() < 4 || !parse_number(w[1], a) || a < 0 || a > 255 || !parse_number(w[2], b) || b < 5 ||
            b + long(w.size()) - 3 > long(device_protocol::frame_size))
            return fail("usage: info <index> <offset 5..62> <byte>...");
        auto& blk = world_.info[uint8_t(a)];
        for (size_t i = 3; i < w.size(); ++i) {
            long v = 0;
            if (!parse_number(w[i], v) || v < 0 || v > 255)
                return fail("bad byte " + w[i]);
            blk.data[size_t(b) - 5 + i - 3] = uint8_t(v);
        }
        return ok();
    }
    if (cmd == "info-count") {
        if (w.size() != 3 || !parse_number(w[1], a) || a < 0 || a > 255 || !parse_number(w[2], b) || b < 0 || b > 59)
            return fail("usage: info-count <index> <count>");
        world_.info[uint8_t(a)].count = uint8_t(b);
        return ok();
    }
    if (cmd == "mailbox") {
        // mailbox <scan polls> <stop polls> <teach value> <reboot ms>
        long c = 0, d = 0;
        if (w.size() != 5 || !parse_number(w[1], a) || !parse_number(w[2], b) || !parse_number(w[3], c) || !parse_number(w[4], d) || a < 0 ||
            b < 0)
            return fail("usage: mailbox <scan polls> <stop polls> <teach value> <reboot ms>");
        world_.scan_status_polls = uint32_t(a);
        world_.stop_status_polls = uint32_t(b);
        world_.teach_value = int32_t(c);
        world_.reboot_ms = int32_t(d);
        return ok();
    }
    if (cmd == "program") {
        // program demo | none
        if (w.size() != 2 || (w[1] != "demo" && w[1] != "none"))
            return fail("usage: program demo|none");
        if (w[1] == "demo") {
            load_demo_program(world_);
        } else {
            world_.program_loaded = false;
            std::fill(world_.function_used.begin(), world_.function_used.end(), false);
        }
        return ok();
    }
    if (cmd == "cycle") {
        // cycle [polls=N] [result=ok|ko|alternate] [offset=N]
        for (size_t i = 1; i < w.size(); ++i) {
            const auto eq = w[i].find('=');
            const std::string key = w[i].substr(0, eq), value = eq == std::string::npos ? "" : w[i].substr(eq + 1);
            if (key == "polls" && parse_number(value, a) && a >= 1)
                world_.scan_status_polls = uint32_t(a);
            else if (key == "offset" && parse_number(value, a))
                world_.cycle_offset = int32_t(a);
            else if (key == "result" && (value == "ok" || value == "ko" || value == "alternate"))
                world_.cycle_result = value == "ok" ? 0 : value == "ko" ? 1 : 2;
            else
                return fail("usage: cycle [polls=N] [result=ok|ko|alternate] [offset=N]");
        }
        return ok();
    }
    if (cmd == "live") {
        // live on [changes/s] | off
        b = 10;
        if (w.size() < 2 || (w[1] != "on" && w[1] != "off") || (w.size() == 3 && (!parse_number(w[2], b) || b < 1 || b > 1000)) ||
            w.size() > 3)
            return fail("usage: live on [changes/s] | off");
        if (live_timer_)
            loop_.cancel(live_timer_);
        live_timer_ = 0;
        world_.live = w[1] == "on";
        if (world_.live) {
            live_period_ns_ = 1000000000ull / uint64_t(b);
            live_timer_ = loop_.at(now_ns() + live_period_ns_, [this] { live_tick(); });
        }
        return ok();
    }
    if (cmd == "records36") {
        char buf[96];
        std::snprintf(buf, sizeof buf, "complete=%d received=0x%09llx config=%d", world_.records36_complete ? 1 : 0,
                      static_cast<unsigned long long>(world_.records36_received), world_.configuration_number);
        return ok(buf);
    }
    if (cmd == "stream")
        return ok("bytes=" + std::to_string(world_.stream.size()) +
                  " complete=" + (world_.stream_complete ? "1" : "0"));
    if (cmd == "scanner-set") {
        // scanner-set <set byte>: the set's name, or "missing"
        if (w.size() != 2 || !parse_number(w[1], a) || a < 0 || a > 0x81)
            return fail("usage: scanner-set <0..127 | 0x80 | 0x81>");
        const auto& set = world_.scanner_sets[size_t(a < 0x80 ? a : 128 + (a & 1))];
        if (set.empty())
            return ok("missing");
        std::string name;
        for (size_t i = 0; i < 16 && set[i]; ++i)
            name += char(set[i]);
        return ok(name);
    }
    if (cmd == "scanner-set-bytes") {
        // scanner-set-bytes <set byte>: the set's 224 bytes in hexadecimal, or "missing"
        if (w.size() != 2 || !parse_number(w[1], a) || a < 0 || a > 0x81)
            return fail("usage: scanner-set-bytes <0..127 | 0x80 | 0x81>");
        const auto& set = world_.scanner_sets[size_t(a < 0x80 ? a : 128 + (a & 1))];
        if (set.empty())
            return ok("missing");
        static const char hex[] = "0123456789abcdef";
        std::string text;
        for (uint8_t b : set) {
            text += hex[b >> 4];
            text += hex[b & 15];
        }
        return ok(text);
    }
    if (cmd == "fault") {
        fault f;
        std::string err;
        if (!parse_fault(line.substr(line.find("fault") + 5), f, err))
            return fail(err);
        faults_.arm(f);
        return ok();
    }
    if (cmd == "faults-clear") {
        faults_.clear();
        return ok();
    }
    if (cmd == "unplug") {
        a = -1;
        if (w.size() > 2 || (w.size() == 2 && !parse_number(w[1], a)))
            return fail("usage: unplug [<replug after ms>]");
        unplug(int32_t(a));
        return ok();
    }
    if (cmd == "replug") {
        std::string err;
        return replug(err) ? ok() : fail(err);
    }
    if (cmd == "pace") {
        if (w.size() != 2 || (w[1] != "on" && w[1] != "off"))
            return fail("usage: pace on|off");
        set_pacing(w[1] == "on");
        return ok();
    }
    if (cmd == "interfaces") {
        std::vector<sim_interface> list;
        for (size_t i = 1; i < w.size(); ++i) {
            sim_interface s;
            std::string err;
            if (!parse_interface(w[i], s, err))
                return fail(err);
            list.push_back(s);
        }
        std::string err;
        ++generation_;
        return hid_.set_interfaces(list, err) ? ok() : fail(err);
    }
    if (cmd == "looks") {
        if (w.size() != 2 || !parse_number(w[1], a) || a < 0)
            return fail("usage: looks <interface>");
        return ok(std::to_string(hid_.looks(size_t(a))));
    }
    if (cmd == "log") {
        a = 0;
        if (w.size() == 2 && !parse_number(w[1], a))
            return fail("usage: log [<from seq>]");
        for (const auto& e : log_.since(uint64_t(a)))
            out.push_back(wire_log::format(e));
        return ok();
    }
    if (cmd == "log-next")
        return ok(std::to_string(log_.next_seq()));
    if (cmd == "log-clear") {
        log_.clear();
        return ok();
    }
    if (cmd == "counters") {
        return ok("requests=" + std::to_string(world_.requests_handled) +
                  " violations=" + std::to_string(world_.violations) +
                  " commands=" + std::to_string(world_.commands.size()) +
                  " connections=" + std::to_string(hid_.connections()) + " plugged=" + (hid_.plugged() ? "1" : "0"));
    }
    if (cmd == "quit") {
        loop_.quit();
        return ok();
    }
    bool handled = false;
    std::vector<std::string> r = loader_control(w, line, handled);
    if (handled)
        return r;
    return fail("unknown command " + cmd);
}

}  // namespace sim
