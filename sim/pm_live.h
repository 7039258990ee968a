// The simulated controller's live process monitor: the 26-slot sample ring that info 0x1B
// reads, and the monitoring cycle that fills it (a start of a monitored demo function, or one
// scripted with the control command "pm-cycle").
#pragma once
#include <array>
#include <cstdint>

namespace sim {

struct world;

struct pm_live {
    static constexpr int slot_count = 26;
    std::array<int16_t, slot_count> ring{};
    std::array<int32_t, slot_count> times{};  // controller time of each slot's entry
    uint8_t head = 0;                    // the slot written next
    uint32_t unread = 0;                 // entries written since the last read (capped at 26)
    int32_t clock = 0;                   // controller time, in the unit of the sampling period

    // The cycle that runs, if any.
    bool active = false;
    bool teach = false;
    uint16_t tool = 0;
    uint32_t samples = 0;     // samples of the cycle
    uint32_t done = 0;        // samples written so far
    uint32_t rate = 10;       // samples per status request
    uint32_t gap_at = 0;      // before this sample the controller skips `gap` periods
    uint32_t gap = 0;
    bool start_written = false;
    // Live mode: the real time (ms) the next entry of the cycle is due; 0 until the cycle's
    // first live step.
    uint64_t live_due_ms = 0;
};

// Script one cycle; false when the tool does not exist (teach) or the numbers are off.
bool pm_start_cycle(world& w, uint32_t samples, uint32_t rate, uint32_t gap_at, uint32_t gap, bool teach,
                    uint16_t tool);
// One status request's worth of monitoring (PM profiles only; nothing in live mode).
void pm_advance(world& w);
// Live mode: the cycle runs in real time, one entry per sampling period (in ms) up to now,
// whether the host asks or not. The first call of a cycle takes `now_ms` as its start.
void pm_advance_live(world& w, uint64_t now_ms);
// The info 0x1B block (58 bytes): head, n, time of the oldest unread entry, the slots; then
// nothing is unread.
void pm_read_ring(world& w, uint8_t* block58);
// The demo program's tools and tool types that functions 0-3 monitor.
void pm_load_demo_tools(world& w);
// A start or teach of demo function 0-3 on a process-monitor profile runs its tool's cycle.
void pm_start_demo_cycle(world& w, uint16_t function, bool teach);
// True for the process-monitor profiles.
bool pm_profile(const world& w);

}  // namespace sim
