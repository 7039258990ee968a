// The control commands of the simulated boot loader: its memory, its timing, its log and
// the faults of its transfers.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "sim/simulator.h"
#include "sim/text_number.h"

namespace sim {
namespace {

bool parse_hex_bytes(const std::string& text, std::vector<uint8_t>& out)
{
    if (text.size() % 2)
        return false;
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned v = 0;
        if (std::sscanf(text.c_str() + i, "%2x", &v) != 1 || !std::isxdigit(uint8_t(text[i])) ||
            !std::isxdigit(uint8_t(text[i + 1])))
            return false;
        out.push_back(uint8_t(v));
    }
    return true;
}

bool key_value(const std::string& word, const char* key, long& v)
{
    std::string k = std::string(key) + "=";
    return word.compare(0, k.size(), k) == 0 && parse_number(word.substr(k.size()), v);
}

}  // namespace

std::vector<std::string> simulator::loader_control(const std::vector<std::string>& w, const std::string&,
                                                   bool& handled)
{
    std::vector<std::string> out;
    handled = true;
    auto ok = [&](const std::string& extra = {}) {
        out.push_back(extra.empty() ? "ok" : "ok " + extra);
        return out;
    };
    auto fail = [&](const std::string& why) {
        out.push_back("error " + why);
        return out;
    };
    const std::string& cmd = w[0];
    long a = 0, b = 0;
    if (cmd == "personality")
        return ok(loader_.application() ? "application " + world_.profile_name : std::string("loader"));
    if (cmd == "memory-write") {
        std::vector<uint8_t> bytes;
        if (w.size() != 3 || !parse_number(w[1], a) || a < 0 || a > 0xFFFFFFFFL || !parse_hex_bytes(w[2], bytes))
            return fail("usage: memory-write <address> <hex bytes>");
        loader_.memory().write(uint32_t(a), bytes.data(), bytes.size());
        return ok();
    }
    if (cmd == "memory-read") {
        if (w.size() != 3 || !parse_number(w[1], a) || !parse_number(w[2], b) || a < 0 || a > 0xFFFFFFFFL || b < 0 ||
            b > 4096)
            return fail("usage: memory-read <address> <count up to 4096>");
        std::string text;
        char x[4];
        for (uint8_t v : loader_.memory().read(uint32_t(a), uint32_t(b))) {
            std::snprintf(x, sizeof x, "%02X", v);
            text += x;
        }
        return ok(text);
    }
    if (cmd == "memory-save") {
        if (w.size() != 4 || !parse_number(w[1], a) || !parse_number(w[2], b) || a < 0 || a > 0xFFFFFFFFL || b < 0 ||
            b > (64L << 20))
            return fail("usage: memory-save <address> <count> <file>");
        std::vector<uint8_t> bytes = loader_.memory().read(uint32_t(a), uint32_t(b));
        std::ofstream f(w[3], std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return f ? ok() : fail("cannot write " + w[3]);
    }
    if (cmd == "memory-load") {
        if (w.size() != 3 || !parse_number(w[1], a) || a < 0 || a > 0xFFFFFFFFL)
            return fail("usage: memory-load <address> <file>");
        std::ifstream f(w[2], std::ios::binary);
        if (!f)
            return fail("cannot read " + w[2]);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        loader_.memory().write(uint32_t(a), bytes.data(), bytes.size());
        return ok(std::to_string(bytes.size()));
    }
    if (cmd == "erase-delay") {
        if (w.size() != 2 || !parse_number(w[1], a) || a < 0 || a > 600000)
            return fail("usage: erase-delay <ms per sector>");
        loader_.set_erase_delay(uint32_t(a));
        return ok();
    }
    if (cmd == "restart-delays") {
        if (w.size() != 3 || !parse_number(w[1], a) || !parse_number(w[2], b) || a < 0 || b < 0 || a > 600000 ||
            b > 600000)
            return fail("usage: restart-delays <D1 ms> <D2 ms>");
        restartD1Ms_ = uint32_t(a);
        restartD2Ms_ = uint32_t(b);
        return ok();
    }
    if (cmd == "flash-start") {
        if (w.size() != 2 || !parse_number(w[1], a) || a < 0 || a > 0xFFFF)
            return fail("usage: flash-start <n>");
        loader_.set_flash_start(uint16_t(a));
        return ok();
    }
    if (cmd == "firmware") {
        if (w.size() != 2 || (w[1] != "0" && w[1] != "1"))
            return fail("usage: firmware 0|1");
        loader_.set_firmware_present(w[1] == "1");
        return ok();
    }
    if (cmd == "loader-log") {
        out = loader_.log();
        return ok();
    }
    if (cmd == "loader-log-clear") {
        loader_.clear_log();
        return ok();
    }
    if (cmd == "loader-fault") {
        static const char* const kinds[] = {"drop", "abort", "toggle", "duplicate", "delay", "unplug"};
        if (w.size() < 2)
            return fail("usage: loader-fault <kind> [at=N] [times=N] [reason=R] [ms=N] [replug=N]");
        int kind = -1;
        for (int k = 0; k < 6; ++k)
            if (w[1] == kinds[k])
                kind = k;
        if (kind < 0)
            return fail("unknown fault " + w[1]);
        long at = 1, times = 1, reason = boot_reason::wrong_parameters, ms = 0, replug = -1;
        for (size_t i = 2; i < w.size(); ++i)
            if (!(key_value(w[i], "at", at) || key_value(w[i], "times", times) || key_value(w[i], "reason", reason) ||
                  key_value(w[i], "ms", ms) || key_value(w[i], "replug", replug)))
                return fail("bad argument " + w[i]);
        if (at < 1 || times < 1 || reason < 0 || reason > 255 || ms < 0 || ms > 600000)
            return fail("value out of range");
        uint32_t from = sdo_.requests() + uint32_t(at);
        if (kind <= 3) {
            static const boot_fault::kind_t server_kind[] = {boot_fault::no_reply, boot_fault::abort,
                                                             boot_fault::toggle_error, boot_fault::duplicate_reply};
            for (long t = 0; t < times; ++t)
                sdo_.inject({server_kind[kind], from + uint32_t(t), uint8_t(reason)});
        } else {
            sdo_fault f;
            f.unplug = kind == 5;
            f.from = from;
            f.times = uint32_t(times);
            f.ms = uint32_t(ms);
            f.replug_ms = int32_t(replug);
            sdoFaults_.push_back(f);
        }
        return ok();
    }
    if (cmd == "loader-faults-clear") {
        sdo_.clear_faults();
        sdoFaults_.clear();
        return ok();
    }
    handled = false;
    return out;
}

}  // namespace sim
