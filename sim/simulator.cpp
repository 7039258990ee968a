#include "sim/simulator.h"

#include "sim/simulator_control.h"
#include "sim/text_number.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "sim/demo_program.h"
#include "sim/diagnostics.h"
#include "sim/pm_live.h"
#include "sim/profiles.h"
#include "sim/program_memory.h"

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
    watch_downloads();
    // Until a profile is loaded the memory holds what it is given.
    storedDevice_ = program_memory::device_part(world_);
    storedFlash_ = program_memory::flash_part(world_);
}

bool simulator::start(const std::string& profile, std::vector<sim_interface> interfaces, std::string& error)
{
    if (!load_profile(world_, profile)) {
        error = "unknown profile " + profile;
        return false;
    }
    personality_from_profile();
    take_profile_versions();
    program_to_memory(true);
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
    world_.program_flash_limit = program_memory::flash_capacity();
}

uint32_t simulator::flash_config_address() const
{
    return versions_.redesign ? boot_flash::flash_config_address_type1 : boot_flash::flash_config_address_type0;
}

void simulator::program_to_memory(bool always)
{
    world_.program_changed = false;
    // Only the application has a program; the loader leaves the memory as it is.
    if (world_.loader_only)
        return;
    namespace pm = program_memory;
    std::vector<uint8_t> device = pm::device_part(world_);
    if (always || device != storedDevice_) {
        if (device.size() - pm::header_size <= pm::device_capacity) {
            pm::write_device_part(world_.clone_area, device);
            storedDevice_ = std::move(device);
        } else {
            std::fprintf(stderr, "tvxsim: the program's parameters and functions exceed the device memory; "
                                 "it keeps the last program that fitted\n");
        }
    }
    // The requests refuse what would not fit; only the simulator's own changes (a taught curve)
    // can overflow, and the memory then keeps the last program that fitted.
    if (pm::flash_part_size(world_) - pm::header_size > pm::flash_capacity()) {
        if (!flashFullNoted_)
            std::fprintf(stderr, "tvxsim: the tools exceed the flash configuration; it keeps the last program "
                                 "that fitted\n");
        flashFullNoted_ = true;
        return;
    }
    flashFullNoted_ = false;
    std::vector<uint8_t> flash_part = pm::flash_part(world_);
    if (!always && flash_part == storedFlash_)
        return;
    std::vector<uint8_t> flash = loader_.memory().read(flash_config_address(), boot_flash::flash_config_size);
    pm::write_flash_part(flash, flash_part);
    loader_.memory().write(flash_config_address(), flash.data(), flash.size());
    storedFlash_ = std::move(flash_part);
}

void simulator::program_from_memory()
{
    if (world_.loader_only)
        return;
    namespace pm = program_memory;
    // What the memory does not hold valid is the factory program.
    world factory;
    load_profile(factory, world_.profile_name);
    pm::copy_program(world_, factory);
    pm::load_device_part(world_, world_.clone_area);
    pm::load_flash_part(world_, loader_.memory().read(flash_config_address(), boot_flash::flash_config_size));
    storedDevice_ = pm::device_part(world_);
    storedFlash_ = pm::flash_part(world_);
}

void simulator::process(size_t iface, const uint8_t* report, size_t n)
{
    const sim_interface& i = hid_.interfaces()[iface];
    if (is_transfer_frame(report, n, i)) {
        process_transfer(iface, report, n);
        return;
    }
    // In live mode the process monitor runs in real time: every request sees the entries due
    // by now, and a cycle a request starts counts from it.
    pm_live_now();
    controller_result res = core_.handle_report(report, n, i.output_length, i.input_length, uint8_t(iface));
    pm_live_now();
    for (const auto& o : res.reports)
        schedule_out(iface, o);
    after_request();
    if (world_.program_changed)
        program_to_memory();
    if (res.reboot)
        program_from_memory();
    if (res.unplug)
        unplug(res.replug_ms);
}

void simulator::live_tick()
{
    live_timer_ = 0;
    if (!world_.live)
        return;
    pm_live_now();
    fieldbus_live_step(world_, live_steps_);
    live_step(world_, live_steps_++);
    pm_live_now();
    if (world_.program_changed)
        program_to_memory();
    live_timer_ = loop_.at(now_ns() + live_period_ns_, [this] { live_tick(); });
}

void simulator::pm_live_now()
{
    if (world_.live)
        pm_advance_live(world_, now_ns() / 1000000u);
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
    sdo_.set_session(boot_session::usb());
    std::vector<boot_frame> replies = sdo_.handle(report + dp::report_frame_offset, report[dp::report_length_offset]);
    uint32_t delay = loader_.take_reply_delay_ms();
    std::string note = "sdo";
    bool unplug_now = false;
    int32_t replug_ms = -1;
    shape_replies(number, replies, delay, note, unplug_now, replug_ms);
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
    follow_loader_event(last_due);
}

void simulator::follow_loader_event(uint64_t after_ns)
{
    switch (loader_.take_event()) {
    case boot_loader::event::restart_into_loader:
        restart(true, after_ns);
        break;
    case boot_loader::event::start_application:
        restart(false, after_ns);
        break;
    case boot_loader::event::none:
        break;
    }
}

void simulator::shape_replies(uint32_t number, std::vector<boot_frame>& replies, uint32_t& delay, std::string& note,
                              bool& unplug_now, int32_t& replug_ms)
{
    for (const auto& f : sdoFaults_) {
        if (number < f.from || number - f.from >= f.times)
            continue;
        switch (f.kind) {
        case sdo_fault::unplug:
            unplug_now = true;
            replug_ms = f.replug_ms;
            note = "sdo fault unplug";
            break;
        case sdo_fault::delay:
            delay += f.ms;
            note = "sdo fault delay";
            break;
        case sdo_fault::wrong_index:
            for (auto& r : replies)
                if (r.size() >= 4)
                    r[1] ^= 0x01;
            note = "sdo fault index";
            break;
        case sdo_fault::confirm_one:
            for (auto& r : replies)
                if (r.size() == 8 && r[0] == 0x60)
                    r[4] = 1, r[5] = r[6] = r[7] = 0;
            note = "sdo fault confirm";
            break;
        }
    }
}

void simulator::restart(bool into_loader, uint64_t after_ns)
{
    uint64_t gen = generation_;
    loop_.at(after_ns + uint64_t(restartD1Ms_) * 1000000u, [this, into_loader, gen] {
        if (gen != generation_)
            return;
        // The device memory (area 3) is non-volatile: a restart keeps it.
        std::vector<uint8_t> device_memory = std::move(world_.clone_area);
        load_profile(world_, into_loader ? "loader" : appProfile_);
        world_.clone_area = std::move(device_memory);
        world_.program_flash_limit = program_memory::flash_capacity();
        program_from_memory();
        sync_versions();
        loader_.set_application(!into_loader);
        loader_.restarted();
        sdo_.reset();
        loader_.note(into_loader ? "restart loader" : "restart application");
        // A controller told to stay silent does not come back from its restart.
        const bool silent = !into_loader && versions_.silent_after_restart;
        unplug(silent ? -1 : int32_t(restartD2Ms_));
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

const std::vector<const std::vector<simulator::control_command>*>& simulator::command_tables()
{
    static const std::vector<const std::vector<control_command>*> tables = {
        &control_commands(), &loader_commands(), &link_commands(), &version_commands(), &area_commands()};
    return tables;
}

// The control commands: name, arguments (shown by "help" and after a wrong call) and the
// handler, which returns false on failure. A new command is one row.
const std::vector<simulator::control_command>& simulator::control_commands()
{
    namespace dp = device_protocol;
    using call = control_call;
    static const std::vector<control_command> table = {
        {"ping", "", [](simulator&, call&) { return true; }},
        {"help", "", [](simulator&, call& c) {
             for (const auto* t : command_tables())
                 for (const control_command& k : *t)
                     c.out.push_back(std::string(k.name) + (*k.usage ? " " : "") + k.usage);
             return true;
         }},
        {"profile", "<name>", [](simulator& s, call& c) {
             if (c.w.size() != 2 || !load_profile(s.world_, c.w[1])) {
                 c.error = "unknown profile";
                 return false;
             }
             s.faults_.clear();
             s.personality_from_profile();
             s.take_profile_versions();
             // A fresh controller: its memory holds the factory program.
             s.program_to_memory(true);
             return true;
         }},
        {"profiles", "", [](simulator&, call& c) {
             for (const auto& p : profiles())
                 c.out.push_back(p.name + " " + p.description);
             return true;
         }},
        {"status", "<offset 4..62> <byte>...", [](simulator& s, call& c) {
             long a = 0;
             if (c.w.size() < 3 || !c.numbers({&a}) || a < long(dp::data_offset) ||
                 a + long(c.w.size()) - 2 > long(dp::frame_size))
                 return false;
             return c.bytes(2, s.world_.status.data() + (size_t(a) - dp::data_offset));
         }},
        {"status-count", "<0..59>", [](simulator& s, call& c) {
             long a = 0;
             if (c.w.size() != 2 || !c.numbers({&a}) || a < 0 || a > 59)
                 return false;
             s.world_.status_count = uint8_t(a);
             return true;
         }},
        {"param", "<n> [<value>]", [](simulator& s, call& c) {
             long a = 0, b = 0;
             if (c.w.size() == 2 && c.numbers({&a})) {
                 auto it = s.world_.parameters.find(uint16_t(a));
                 if (it == s.world_.parameters.end()) {
                     c.error = "unknown parameter";
                     return false;
                 }
                 c.result = std::to_string(it->second);
                 return true;
             }
             if (c.w.size() != 3 || !c.numbers({&a, &b}) || a < 0 || a > 0xFFFF)
                 return false;
             namespace pm = program_memory;
             if (!s.world_.parameters.count(uint16_t(a)) &&
                 pm::device_part(s.world_).size() + 6 > pm::header_size + pm::device_capacity) {
                 c.error = "the device memory holds no more parameters";
                 return false;
             }
             s.world_.parameters[uint16_t(a)] = int32_t(b);
             return true;
         }},
        {"info", "<index> <offset 5..62> <byte>...", [](simulator& s, call& c) {
             long a = 0, b = 0;
             if (c.w.size() < 4 || !c.numbers({&a, &b}) || a < 0 || a > 255 || b < 5 ||
                 b + long(c.w.size()) - 3 > long(dp::frame_size))
                 return false;
             return c.bytes(3, s.world_.info[uint8_t(a)].data.data() + (size_t(b) - 5));
         }},
        {"process-data", "<offset 0..139> <byte>...", [](simulator& s, call& c) {
             // Bytes of the process-data block, as the three info replies carry them.
             long a = 0;
             if (c.w.size() < 3 || !c.numbers({&a}) || a < 0 ||
                 a + long(c.w.size()) - 2 > long(s.world_.process_data.size()))
                 return false;
             return c.bytes(2, s.world_.process_data.data() + a);
         }},
        {"info-count", "<index> <count>", [](simulator& s, call& c) {
             long a = 0, b = 0;
             if (c.w.size() != 3 || !c.numbers({&a, &b}) || a < 0 || a > 255 || b < 0 || b > 59)
                 return false;
             s.world_.info[uint8_t(a)].count = uint8_t(b);
             return true;
         }},
        {"mailbox", "<scan polls> <stop polls> <teach value> <reboot ms>", [](simulator& s, call& c) {
             long a = 0, b = 0, t = 0, r = 0;
             if (c.w.size() != 5 || !c.numbers({&a, &b, &t, &r}) || a < 0 || b < 0)
                 return false;
             s.world_.scan_status_polls = uint32_t(a);
             s.world_.stop_status_polls = uint32_t(b);
             s.world_.teach_value = int32_t(t);
             s.world_.reboot_ms = int32_t(r);
             return true;
         }},
        {"teach-next", "ok <value> [<second value>] | ko", [](simulator& s, call& c) {
             world::teach_outcome t;
             long first = 0, second = 0;
             if (c.w.size() == 2 && c.w[1] == "ko") {
                 t.ok = false;
             } else if (c.w.size() >= 3 && c.w.size() <= 4 && c.w[1] == "ok" &&
                        parse_number(c.w[2], first) && (c.w.size() == 3 || parse_number(c.w[3], second))) {
                 t.first = int32_t(first);
                 t.second = int32_t(c.w.size() == 4 ? second : first);
             } else {
                 return false;
             }
             s.world_.teach_queue.push_back(t);
             return true;
         }},
        {"program", "demo|none", [](simulator& s, call& c) {
             if (c.w.size() != 2 || (c.w[1] != "demo" && c.w[1] != "none"))
                 return false;
             if (c.w[1] == "demo") {
                 load_demo_program(s.world_);
             } else {
                 s.world_.program_loaded = false;
                 std::fill(s.world_.function_used.begin(), s.world_.function_used.end(), false);
             }
             return true;
         }},
        {"cycle", "[polls=N] [result=ok|ko|alternate] [offset=N] [side=right|left|both]", [](simulator& s, call& c) {
             for (size_t i = 1; i < c.w.size(); ++i) {
                 long a = 0;
                 const auto eq = c.w[i].find('=');
                 const std::string key = c.w[i].substr(0, eq);
                 const std::string value = eq == std::string::npos ? "" : c.w[i].substr(eq + 1);
                 if (key == "polls" && parse_number(value, a) && a >= 1)
                     s.world_.scan_status_polls = uint32_t(a);
                 else if (key == "offset" && parse_number(value, a))
                     s.world_.cycle_offset = int32_t(a);
                 else if (key == "result" && (value == "ok" || value == "ko" || value == "alternate"))
                     s.world_.cycle_result = value == "ok" ? 0 : value == "ko" ? 1 : 2;
                 else if (key == "side" && (value == "right" || value == "left" || value == "both"))
                     s.world_.cycle_side = value == "right" ? 4 : value == "left" ? 8 : 0;
                 else
                     return false;
             }
             return true;
         }},
        {"selftest", "[rate=N] [samples=N] [serial=N] [op-time=N] [overtemp=N] [power=N] [speed=N] [time-factor=N]",
         [](simulator& s, call& c) {
             // The run that the next mailbox start with mode 0x84 makes, and the six results.
             static const char* const results[6] = {"serial", "op-time", "overtemp", "power", "speed", "time-factor"};
             for (size_t i = 1; i < c.w.size(); ++i) {
                 long a = 0;
                 const auto eq = c.w[i].find('=');
                 const std::string key = c.w[i].substr(0, eq);
                 if (eq == std::string::npos || !parse_number(c.w[i].substr(eq + 1), a))
                     return false;
                 if (key == "rate" && a >= 1 && a <= 65535)
                     s.world_.selftest.rate = uint32_t(a);
                 else if (key == "samples" && a >= 0 && a <= 65535)
                     s.world_.selftest.samples = uint32_t(a);
                 else {
                     const auto* r = std::find(results, results + 6, key);
                     if (r == results + 6)
                         return false;
                     set_self_test_result(s.world_, int(r - results), int32_t(a));
                 }
             }
             return true;
         }},
        {"error-add", "[code=N] [source=N] [function=N] [values=A,B,C] [status=HH-..-HH] [time=MS] [power-on=0|1] "
                      "[scode=N] [detail=N]",
         [](simulator& s, call& c) {
             return add_error_entry(s.world_, std::vector<std::string>(c.w.begin() + 1, c.w.end()), c.error);
         }},
        {"error-clear", "", [](simulator& s, call&) {
             clear_error_buffer(s.world_);
             return true;
         }},
        {"pm-cycle", "[samples=N] [rate=N] [gap-at=N] [gap=N] [teach=0|1] [tool=N]", [](simulator& s, call& c) {
             long samples = 40, rate = 10, gap_at = 0, gap = 0, teach = 0, tool = 0;
             for (size_t i = 1; i < c.w.size(); ++i) {
                 const auto eq = c.w[i].find('=');
                 const std::string key = c.w[i].substr(0, eq);
                 const std::string value = eq == std::string::npos ? "" : c.w[i].substr(eq + 1);
                 long* to = key == "samples" ? &samples : key == "rate" ? &rate : key == "gap-at" ? &gap_at
                          : key == "gap" ? &gap : key == "teach" ? &teach : key == "tool" ? &tool : nullptr;
                 if (!to || !parse_number(value, *to) || *to < 0 || *to > 2000000)
                     return false;
             }
             s.pm_live_now();  // the cycle this one replaces, up to now
             if (!pm_profile(s.world_) || teach > 1 ||
                 !pm_start_cycle(s.world_, uint32_t(samples), uint32_t(rate), uint32_t(gap_at), uint32_t(gap),
                                 teach == 1, uint16_t(tool))) {
                 c.error = "no process monitor, or no such tool";
                 return false;
             }
             s.pm_live_now();  // in live mode the cycle starts now
             return true;
         }},
        {"live", "on [changes/s] | off", [](simulator& s, call& c) {
             long b = 10;
             if (c.w.size() < 2 || c.w.size() > 3 || (c.w[1] != "on" && c.w[1] != "off") ||
                 (c.w.size() == 3 && (!parse_number(c.w[2], b) || b < 1 || b > 1000)))
                 return false;
             if (s.live_timer_)
                 s.loop_.cancel(s.live_timer_);
             s.live_timer_ = 0;
             // A running cycle goes on from now in the new mode: up to now in real time when
             // live mode ends; counted from now when it begins.
             s.pm_live_now();
             s.world_.pm.live_due_ms = 0;
             s.world_.live = c.w[1] == "on";
             if (s.world_.live) {
                 s.pm_live_now();
                 s.live_period_ns_ = 1000000000ull / uint64_t(b);
                 s.live_timer_ = s.loop_.at(now_ns() + s.live_period_ns_, [&s] { s.live_tick(); });
             }
             return true;
         }},
        {"records36", "", [](simulator& s, call& c) {
             char buf[96];
             std::snprintf(buf, sizeof buf, "complete=%d received=0x%09llx config=%d",
                           s.world_.records36_complete ? 1 : 0,
                           static_cast<unsigned long long>(s.world_.records36_received),
                           s.world_.configuration_number);
             c.result = buf;
             return true;
         }},
        {"stream", "", [](simulator& s, call& c) {
             c.result = "bytes=" + std::to_string(s.world_.stream.size()) +
                        " complete=" + (s.world_.stream_complete ? "1" : "0");
             return true;
         }},
        {"scanner-set", "<0..127 | 0x80 | 0x81>", [](simulator& s, call& c) {
             // The set's name, or "missing".
             long a = 0;
             if (c.w.size() != 2 || !c.numbers({&a}) || a < 0 || a > 0x81)
                 return false;
             const auto& set = s.world_.scanner_sets[size_t(a < 0x80 ? a : 128 + (a & 1))];
             if (set.empty()) {
                 c.result = "missing";
                 return true;
             }
             for (size_t i = 0; i < 16 && set[i]; ++i)
                 c.result += char(set[i]);
             return true;
         }},
        {"scanner-set-bytes", "<0..127 | 0x80 | 0x81>", [](simulator& s, call& c) {
             // The set's 224 bytes in hexadecimal, or "missing".
             long a = 0;
             if (c.w.size() != 2 || !c.numbers({&a}) || a < 0 || a > 0x81)
                 return false;
             const auto& set = s.world_.scanner_sets[size_t(a < 0x80 ? a : 128 + (a & 1))];
             if (set.empty()) {
                 c.result = "missing";
                 return true;
             }
             static const char hex[] = "0123456789abcdef";
             for (uint8_t v : set) {
                 c.result += hex[v >> 4];
                 c.result += hex[v & 15];
             }
             return true;
         }},
        {"fault", "<kind> [key=value...]", [](simulator& s, call& c) {
             fault f;
             if (!parse_fault(c.line.substr(c.line.find("fault") + 5), f, c.error))
                 return false;
             s.faults_.arm(f);
             return true;
         }},
        {"faults-clear", "", [](simulator& s, call&) {
             s.faults_.clear();
             return true;
         }},
        {"unplug", "[<replug after ms>]", [](simulator& s, call& c) {
             long a = -1;
             if (c.w.size() > 2 || (c.w.size() == 2 && !c.numbers({&a})))
                 return false;
             s.unplug(int32_t(a));
             return true;
         }},
        {"replug", "", [](simulator& s, call& c) { return s.replug(c.error); }},
        {"pace", "on|off", [](simulator& s, call& c) {
             if (c.w.size() != 2 || (c.w[1] != "on" && c.w[1] != "off"))
                 return false;
             s.set_pacing(c.w[1] == "on");
             return true;
         }},
        {"interfaces", "<spec>...", [](simulator& s, call& c) {
             std::vector<sim_interface> list;
             for (size_t i = 1; i < c.w.size(); ++i) {
                 sim_interface one;
                 if (!parse_interface(c.w[i], one, c.error))
                     return false;
                 list.push_back(one);
             }
             ++s.generation_;
             return s.hid_.set_interfaces(list, c.error);
         }},
        {"looks", "<interface>", [](simulator& s, call& c) {
             long a = 0;
             if (c.w.size() != 2 || !c.numbers({&a}) || a < 0)
                 return false;
             c.result = std::to_string(s.hid_.looks(size_t(a)));
             return true;
         }},
        {"log", "[<from seq>]", [](simulator& s, call& c) {
             long a = 0;
             if (c.w.size() == 2 && !c.numbers({&a}))
                 return false;
             for (const auto& e : s.log_.since(uint64_t(a)))
                 c.out.push_back(wire_log::format(e));
             return true;
         }},
        {"log-next", "", [](simulator& s, call& c) {
             c.result = std::to_string(s.log_.next_seq());
             return true;
         }},
        {"log-clear", "", [](simulator& s, call&) {
             s.log_.clear();
             return true;
         }},
        {"counters", "", [](simulator& s, call& c) {
             c.result = "requests=" + std::to_string(s.world_.requests_handled) +
                        " violations=" + std::to_string(s.world_.violations) +
                        " commands=" + std::to_string(s.world_.commands.size()) +
                        " connections=" + std::to_string(s.hid_.connections()) +
                        " plugged=" + (s.hid_.plugged() ? "1" : "0");
             return true;
         }},
        {"quit", "", [](simulator& s, call&) {
             s.loop_.quit();
             return true;
         }},
    };
    return table;
}

std::vector<std::string> simulator::control(const std::string& line)
{
    const std::vector<std::string> w = words(line);
    std::vector<std::string> out;
    if (w.empty()) {
        out.push_back("error empty command");
        return out;
    }
    const control_command* row = nullptr;
    for (const auto* t : command_tables())
        for (const control_command& k : *t)
            if (!row && w[0] == k.name)
                row = &k;
    if (!row) {
        out.push_back("error unknown command " + w[0]);
        return out;
    }
    control_call c{w, line, out, {}, {}};
    const bool ran = row->run(*this, c);
    // What a command changed in the program is written back as a request's change is.
    program_to_memory();
    if (ran)
        out.push_back(c.result.empty() ? "ok" : "ok " + c.result);
    else if (!c.error.empty())
        out.push_back("error " + c.error);
    else
        out.push_back(std::string("error usage: ") + row->name + (*row->usage ? " " : "") + row->usage);
    return out;
}

}  // namespace sim
