// The control commands of the simulated boot loader: its memory, its timing, its log and
// the faults of its transfers. A new command is one row.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "sim/simulator.h"
#include "sim/simulator_control.h"

namespace sim {
namespace {

bool parse_hex_bytes(const std::string& text, std::vector<uint8_t>& out)
{
    if (text.size() % 2)
        return false;
    for (size_t i = 0; i < text.size(); i += 2) {
        if (!std::isxdigit(uint8_t(text[i])) || !std::isxdigit(uint8_t(text[i + 1])))
            return false;
        out.push_back(uint8_t(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return true;
}

bool key_value(const std::string& word, const char* key, long& v)
{
    std::string k = std::string(key) + "=";
    return word.compare(0, k.size(), k) == 0 && parse_number(word.substr(k.size()), v);
}

bool is_address(long a) { return a >= 0 && a <= 0xFFFFFFFFL; }

}  // namespace

const std::vector<simulator::control_command>& simulator::loader_commands()
{
    using call = control_call;
    static const std::vector<control_command> table = {
        {"personality", "", [](simulator& s, call& c) {
             c.result = s.loader_.application() ? "application " + s.world_.profile_name : std::string("loader");
             return true;
         }},
        {"memory-write", "<address> <hex bytes>", [](simulator& s, call& c) {
             long a = 0;
             std::vector<uint8_t> bytes;
             if (c.w.size() != 3 || !c.numbers({&a}) || !is_address(a) || !parse_hex_bytes(c.w[2], bytes))
                 return false;
             s.loader_.memory().write(uint32_t(a), bytes.data(), bytes.size());
             return true;
         }},
        {"memory-read", "<address> <count up to 4096>", [](simulator& s, call& c) {
             long a = 0, n = 0;
             if (c.w.size() != 3 || !c.numbers({&a, &n}) || !is_address(a) || n < 0 || n > 4096)
                 return false;
             char x[4];
             for (uint8_t v : s.loader_.memory().read(uint32_t(a), uint32_t(n))) {
                 std::snprintf(x, sizeof x, "%02X", v);
                 c.result += x;
             }
             return true;
         }},
        {"memory-save", "<address> <count> <file>", [](simulator& s, call& c) {
             long a = 0, n = 0;
             if (c.w.size() != 4 || !c.numbers({&a, &n}) || !is_address(a) || n < 0 || n > (64L << 20))
                 return false;
             std::vector<uint8_t> bytes = s.loader_.memory().read(uint32_t(a), uint32_t(n));
             std::ofstream f(c.w[3], std::ios::binary | std::ios::trunc);
             f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
             if (!f)
                 c.error = "cannot write " + c.w[3];
             return bool(f);
         }},
        {"memory-load", "<address> <file>", [](simulator& s, call& c) {
             long a = 0;
             if (c.w.size() != 3 || !c.numbers({&a}) || !is_address(a))
                 return false;
             std::ifstream f(c.w[2], std::ios::binary);
             if (!f) {
                 c.error = "cannot read " + c.w[2];
                 return false;
             }
             std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
             s.loader_.memory().write(uint32_t(a), bytes.data(), bytes.size());
             c.result = std::to_string(bytes.size());
             return true;
         }},
        {"erase-delay", "<ms per sector>", [](simulator& s, call& c) {
             long ms = 0;
             if (c.w.size() != 2 || !c.numbers({&ms}) || ms < 0 || ms > 600000)
                 return false;
             s.loader_.set_erase_delay(uint32_t(ms));
             return true;
         }},
        {"restart-delays", "<D1 ms> <D2 ms>", [](simulator& s, call& c) {
             long d1 = 0, d2 = 0;
             if (c.w.size() != 3 || !c.numbers({&d1, &d2}) || d1 < 0 || d2 < 0 || d1 > 600000 || d2 > 600000)
                 return false;
             s.restartD1Ms_ = uint32_t(d1);
             s.restartD2Ms_ = uint32_t(d2);
             return true;
         }},
        {"flash-start", "<n>", [](simulator& s, call& c) {
             long n = 0;
             if (c.w.size() != 2 || !c.numbers({&n}) || n < 0 || n > 0xFFFF)
                 return false;
             s.loader_.set_flash_start(uint16_t(n));
             return true;
         }},
        {"firmware", "0|1", [](simulator& s, call& c) {
             if (c.w.size() != 2 || (c.w[1] != "0" && c.w[1] != "1"))
                 return false;
             s.loader_.set_firmware_present(c.w[1] == "1");
             return true;
         }},
        {"loader-log", "", [](simulator& s, call& c) {
             c.out = s.loader_.log();
             return true;
         }},
        {"loader-log-clear", "", [](simulator& s, call&) {
             s.loader_.clear_log();
             return true;
         }},
        {"loader-fault", "drop|abort|toggle|duplicate|delay|unplug|index|confirm [at=N] [times=N] [reason=R] [ms=N] [replug=N]",
         [](simulator& s, call& c) {
             static const char* const kinds[] = {"drop",  "abort",  "toggle", "duplicate",
                                                 "delay", "unplug", "index",  "confirm"};
             int kind = -1;
             for (int k = 0; k < 8 && c.w.size() >= 2; ++k)
                 if (c.w[1] == kinds[k])
                     kind = k;
             if (kind < 0) {
                 c.error = c.w.size() >= 2 ? "unknown fault " + c.w[1] : std::string();
                 return false;
             }
             long at = 1, times = 1, reason = boot_reason::wrong_parameters, ms = 0, replug = -1;
             for (size_t i = 2; i < c.w.size(); ++i)
                 if (!(key_value(c.w[i], "at", at) || key_value(c.w[i], "times", times) ||
                       key_value(c.w[i], "reason", reason) || key_value(c.w[i], "ms", ms) ||
                       key_value(c.w[i], "replug", replug))) {
                     c.error = "bad argument " + c.w[i];
                     return false;
                 }
             if (at < 1 || times < 1 || reason < 0 || reason > 255 || ms < 0 || ms > 600000) {
                 c.error = "value out of range";
                 return false;
             }
             // `at` counts from the next transfer request.
             uint32_t from = s.sdo_.requests() + uint32_t(at);
             if (kind <= 3) {
                 static const boot_fault::kind_t server_kind[] = {boot_fault::no_reply, boot_fault::abort,
                                                                  boot_fault::toggle_error, boot_fault::duplicate_reply};
                 for (long t = 0; t < times; ++t)
                     s.sdo_.inject({server_kind[kind], from + uint32_t(t), uint8_t(reason)});
                 return true;
             }
             static const sdo_fault::kind_t front_end_kind[] = {sdo_fault::delay, sdo_fault::unplug,
                                                                sdo_fault::wrong_index, sdo_fault::confirm_one};
             sdo_fault f;
             f.kind = front_end_kind[kind - 4];
             f.from = from;
             f.times = uint32_t(times);
             f.ms = uint32_t(ms);
             f.replug_ms = int32_t(replug);
             s.sdoFaults_.push_back(f);
             return true;
         }},
        {"loader-faults-clear", "", [](simulator& s, call&) {
             s.sdo_.clear_faults();
             s.sdoFaults_.clear();
             return true;
         }},
    };
    return table;
}

}  // namespace sim
