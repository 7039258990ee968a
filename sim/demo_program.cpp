#include "sim/demo_program.h"

#include <algorithm>
#include <cstring>

#include "core/image/device_function_record.h"
#include "sim/pm_live.h"

namespace sim {

namespace dp = device_protocol;

namespace {

constexpr uint8_t state_home = 0x01, state_scanning = 0x02, state_ok = 0x08, state_ko = 0x10;
constexpr uint8_t cluster_flag = 0x02;
constexpr uint8_t result_toggle = 0x40;  // data byte 46: toggles per new result
constexpr uint8_t side_bits = 0x0C;      // data byte 46: 4 right only, 8 left only
constexpr uint8_t mode_go_pos = 2, mode_rereference = 3;

void put_i32(uint8_t* p, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(uint32_t(v) >> (8 * i));
}
int32_t get_i32(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
void put_i16(uint8_t* p, int16_t v)
{
    p[0] = uint8_t(uint16_t(v));
    p[1] = uint8_t(uint16_t(v) >> 8);
}

struct demo_function {
    uint16_t n;
    const char* name;
    int32_t position;  // hundredths
    int32_t counter;
    uint8_t flags;     // cluster flag and member bits (4 right, 8 left, 0xC the fourth)
};
const demo_function demo[] = {
    {0, "Drill 0", 4500, 0, 0},
    {1, "Drill 1", 9000, 3, 0},
    {2, "Tap 2", 13500, 6, 0},
    {3, "Reamer 3", 18000, 9, 0},
    {4, "RL Base 4", 1000, 12, cluster_flag},
    {5, "RL Right 5", 1234, 16, cluster_flag | 0x04},
    {6, "RL Left 6", -1234, 18, cluster_flag | 0x08},
    {7, "RL 7", 2000, 21, cluster_flag | 0x0C},
    {9, "Mill 9", 27000, 27, 0},
    {12, "Probe 12", 30000, 36, 0},
};


int32_t status_i32(const world& w, size_t k) { return get_i32(w.status.data() + k); }
void set_status_i32(world& w, size_t k, int32_t v) { put_i32(w.status.data() + k, v); }

bool is_member(const world& w, uint32_t n)
{
    return n < world::function_count && w.function_used[n] && (w.functions[n][dfr::flags] & cluster_flag);
}

int32_t function_position(const world& w, uint32_t n) { return get_i32(w.functions[n].data() + dfr::object_pos); }

void finish_cycle(world& w)
{
    // The function's counter (and a teach's position) go into its record.
    w.program_changed = true;
    const bool teach = w.running_command == dp::cmd_teach;
    bool ko = w.cycle_result == 1;
    if (w.cycle_result == 2) {
        ko = w.alternate_ko;
        w.alternate_ko = !w.alternate_ko;
    }
    int32_t measured = 0, second = 0;
    uint8_t home = 0;
    if (w.running_function == 0xFFFF) {
        // A single scan: GoPos and rereference move the scanner; the others measure at the
        // position they were given.
        if (w.running_mode == mode_go_pos) {
            measured = w.running_target;
        } else if (w.running_mode == mode_rereference) {
            measured = 0;
            home = state_home;
        } else {
            measured = w.running_target + w.cycle_offset;
        }
        set_status_i32(w, dp::status_current_position, measured);
    } else {
        const uint32_t n = uint32_t(w.running_function);
        uint8_t* r = w.functions[n].data();
        if (teach) {
            // A teach stores where the scanner finds the object now.
            measured = status_i32(w, dp::status_current_position) + w.cycle_offset;
            if (!ko)
                put_i32(r + dfr::object_pos, measured);
        } else {
            measured = function_position(w, n) + w.cycle_offset;
        }
        const int32_t counter = get_i32(r + dfr::counter) + 1;
        put_i32(r + dfr::counter, counter);
        w.status[dp::status_report_function] = uint8_t(n);
        w.status[dp::status_report_function + 1] = uint8_t(n >> 8);
        set_status_i32(w, dp::status_report_position, function_position(w, n));
        set_status_i32(w, dp::status_report_counter, counter);
        // A cluster member also reports its partner's side.
        w.status[dp::status_result_word] &= uint8_t(~side_bits);
        if (is_member(w, n)) {
            w.status[dp::status_result_word] |= uint8_t(w.cycle_side & side_bits);
            const uint32_t g = n & ~3u;
            const uint32_t partner = (n & 3u) == 2 ? g + 1 : g + 2;
            second = function_position(w, partner) + w.cycle_offset;
        }
        set_status_i32(w, dp::status_current_position, measured);
    }
    set_status_i32(w, dp::status_measured, measured);
    set_status_i32(w, dp::status_second_measured, second);
    w.status[dp::status_result_word] ^= result_toggle;
    w.status[0] = uint8_t((w.status[0] & ~(state_scanning | state_ok | state_ko | state_home)) | home |
                          (ko ? state_ko : state_ok));
    w.running_function = -1;
}

}  // namespace

void load_demo_program(world& w)
{
    const uint8_t family = uint8_t(w.parameters[dp::param_variant]);
    const bool basic = (family >> 4) == 0x1 || (family >> 4) == 0x6;
    for (uint32_t n = 0; n < world::function_count; ++n) {
        w.functions[n].fill(0);
        w.function_used[n] = false;
    }
    for (const demo_function& d : demo) {
        if (basic && d.n > 3)
            continue;
        uint8_t* r = w.functions[d.n].data();
        std::strncpy(reinterpret_cast<char*>(r + dfr::name), d.name, dfr::name_size);
        r[dfr::mode] = 1;
        r[dfr::flags] = basic ? 0 : d.flags;
        r[dfr::next_func] = 0xFF;
        r[dfr::next_func + 1] = 0xFF;
        put_i32(r + dfr::object_pos, d.position);
        put_i16(r + dfr::teach_limit, 500);
        put_i16(r + dfr::tolerance, 100);
        r[dfr::intensity] = 3;
        put_i32(r + dfr::counter, d.counter);
        put_i32(r + dfr::counter_limit, 1000);
        r[dfr::out1] = 1;
        r[dfr::out1 + 1] = 2;
        w.function_used[d.n] = true;
    }
    // No counter report yet.
    w.status[dp::status_report_function] = w.status[dp::status_report_function + 1] = 0xFF;
    if (pm_profile(w))
        pm_load_demo_tools(w);
    w.program_loaded = true;
    w.running_function = -1;
    w.step_speed = 0;
}

uint8_t start_cycle(world& w, const device_frame& request)
{
    const uint16_t fn = request.u16(5);
    if (fn != 0xFFFF && (fn >= w.function_limit || !w.function_used[fn]))
        return dp::device_error_function_number;
    if (w.scanning_left > 0) {
        // The further members of a group start arrive while its first one runs.
        const bool same_group = fn != 0xFFFF && w.running_function >= 0 && w.running_function != 0xFFFF &&
                                is_member(w, fn) && (uint32_t(w.running_function) & ~3u) == (fn & ~3u);
        return same_group ? 0 : dp::device_error_busy;
    }
    w.status[0] = uint8_t((w.status[0] | state_scanning) & ~(state_ok | state_ko));
    w.scanning_left = std::max<uint32_t>(1, w.scan_status_polls);
    w.stopping_left = 0;
    w.running_function = fn;
    w.running_command = request[dp::command_offset];
    if (fn != 0xFFFF) {
        // The function now current (data 10-11); none selected by the inputs (12-13 = -1).
        w.status[10] = uint8_t(fn);
        w.status[11] = uint8_t(fn >> 8);
        w.status[12] = w.status[13] = 0xFF;
    }
    w.running_mode = request[20];
    w.running_target = int32_t(request.u32(27));
    if (fn != 0xFFFF)
        pm_start_demo_cycle(w, fn, w.running_command == dp::cmd_teach);
    return 0;
}

void advance_program(world& w)
{
    if (w.step_speed != 0)
        set_status_i32(w, dp::status_current_position, status_i32(w, dp::status_current_position) + w.step_speed * 10);
    if (w.scanning_left > 0 && --w.scanning_left == 0)
        finish_cycle(w);
    if (w.stopping_left > 0 && --w.stopping_left == 0)
        w.status[0] &= uint8_t(~state_scanning);
}

void live_step(world& w, uint32_t step)
{
    // Inputs walk through their bits, outputs and switches follow more slowly, the position
    // wanders; every tenth change starts the next demo function when nothing runs.
    const uint16_t inputs = uint16_t(1u << (step % 14));
    w.status[dp::status_inputs] = uint8_t(inputs);
    w.status[dp::status_inputs + 1] = uint8_t(inputs >> 8);
    w.status[dp::status_outputs] = uint8_t(1u << ((step / 3) % 4));
    w.status[dp::status_dip] = uint8_t(step / 7);
    const uint16_t switches = uint16_t(((step / 5) % 16) | (((step / 11) % 16) << 4) | (((step / 13) % 16) << 8));
    w.status[dp::status_switches] = uint8_t(switches);
    w.status[dp::status_switches + 1] = uint8_t(switches >> 8);
    set_status_i32(w, dp::status_current_position, int32_t((step * 37) % 36000));
    if (step % 10 == 9 && w.program_loaded && w.scanning_left == 0) {
        uint32_t used = 0;
        for (const demo_function& d : demo)
            used += w.function_used[d.n] ? 1 : 0;
        if (used == 0)
            return;
        uint32_t k = (step / 10) % used;
        for (const demo_function& d : demo) {
            if (!w.function_used[d.n])
                continue;
            if (k-- == 0) {
                device_frame f = device_frame::make(dp::req_command, dp::count_command);
                f[dp::command_offset] = dp::cmd_start;
                f.set_u16(5, d.n);
                start_cycle(w, f);
                break;
            }
        }
    }
}

}  // namespace sim
