// The simulator's side of the version model: where it is taken and applied, how downloads
// and the PROFINET stream reach it, and its control commands. A new command is one row.
#include <fstream>

#include "sim/boot_flash_map.h"
#include "sim/simulator.h"
#include "sim/simulator_control.h"

namespace sim {

void simulator::take_profile_versions()
{
    // A loader-only controller keeps the versions of the application it runs without.
    if (!world_.loader_only || !versionsKnown_) {
        versions_ = device_versions{};
        versions_.capture(world_);
        versionsKnown_ = true;
    }
    sync_versions();
}

void simulator::sync_versions()
{
    versions_.apply(world_);
    const std::string text = versions_.loader_text();
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    loader_.memory().write(boot_flash::loader_version_address_type0, p, text.size());
    loader_.memory().write(boot_flash::loader_version_address_type1, p, text.size());
}

void simulator::watch_downloads()
{
    loader_.set_download_observer([this](bool hex, bool ram, const std::vector<std::pair<uint32_t, uint32_t>>& ranges) {
        finished_download d;
        d.hex = hex;
        d.ram = ram;
        d.ranges = ranges;
        const bool starts = versions_.on_download(loader_.memory(), d);
        sync_versions();
        return starts;
    });
}

void simulator::after_request()
{
    if (!world_.stream_complete) {
        streamNoted_ = false;
        return;
    }
    if (streamNoted_)
        return;
    streamNoted_ = true;
    versions_.on_stream(world_.stream);
    sync_versions();
}

const std::vector<simulator::control_command>& simulator::version_commands()
{
    using call = control_call;
    static const std::vector<control_command> table = {
        {"versions", "", [](simulator& s, call& c) {
             c.result = s.versions_.describe();
             return true;
         }},
        {"version", "firmware <major> <minor> <patch> [<build>] | loader <major> <minor> <patch> | "
                    "logic <major> <minor> | profinet <a> <b> <c> <d> | revision <word> | redesign 0|1",
         [](simulator& s, call& c) {
             static const struct {
                 const char* what;
                 size_t min, max;
             } kinds[] = {{"firmware", 3, 4}, {"loader", 3, 3},   {"logic", 2, 2},
                          {"profinet", 4, 4}, {"revision", 1, 1}, {"redesign", 1, 1}};
             if (c.w.size() < 2)
                 return false;
             std::vector<long> n;
             for (size_t i = 2; i < c.w.size(); ++i) {
                 long v = 0;
                 if (!parse_number(c.w[i], v) || v < 0 || v > 0xFFFF)
                     return false;
                 n.push_back(v);
             }
             device_versions& v = s.versions_;
             bool known = false;
             for (const auto& k : kinds)
                 if (c.w[1] == k.what) {
                     if (n.size() < k.min || n.size() > k.max)
                         return false;
                     known = true;
                 }
             if (!known)
                 return false;
             if (c.w[1] == "firmware") {
                 v.firmware = {uint8_t(n[0]), uint8_t(n[1]), uint8_t(n[2])};
                 v.build = n.size() > 3 ? uint16_t(n[3]) : 0;
             } else if (c.w[1] == "loader") {
                 v.loader = {uint8_t(n[0]), uint8_t(n[1]), uint8_t(n[2])};
             } else if (c.w[1] == "logic") {
                 v.logic_major = uint8_t(n[0]);
                 v.logic_minor = uint8_t(n[1]);
             } else if (c.w[1] == "profinet") {
                 v.profinet = {uint8_t(n[0]), uint8_t(n[1]), uint8_t(n[2]), uint8_t(n[3])};
             } else if (c.w[1] == "revision") {
                 v.hw_revision = uint16_t(n[0]);
             } else {
                 v.redesign = n[0] != 0;
             }
             s.sync_versions();
             return true;
         }},
        {"power-fail", "0|1", [](simulator& s, call& c) {
             if (c.w.size() != 2 || (c.w[1] != "0" && c.w[1] != "1"))
                 return false;
             s.versions_.power_fail = c.w[1] == "1";
             return true;
         }},
        {"silent-restart", "0|1", [](simulator& s, call& c) {
             if (c.w.size() != 2 || (c.w[1] != "0" && c.w[1] != "1"))
                 return false;
             s.versions_.silent_after_restart = c.w[1] == "1";
             return true;
         }},
        {"stream-save", "<file>", [](simulator& s, call& c) {
             if (c.w.size() != 2)
                 return false;
             std::ofstream f(c.w[1], std::ios::binary | std::ios::trunc);
             f.write(reinterpret_cast<const char*>(s.world_.stream.data()), std::streamsize(s.world_.stream.size()));
             if (!f)
                 c.error = "cannot write " + c.w[1];
             return bool(f);
         }},
    };
    return table;
}

}  // namespace sim
