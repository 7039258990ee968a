// The live process monitor of the manual page: the cycle state machine that pulls new samples
// out of the controller's 26-slot sample ring (info 0x1B) on every status reply, builds the
// online curve and a local copy of every sample, and says when a cycle starts and ends.
// Plain data and logic, no widgets: the page draws and fetches around it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pm {

constexpr int ring_slots = 26;
constexpr int ring_block_size = 58;
constexpr int local_ring_size = 10000;
// A block further behind than this many sampling periods resynchronises to the block's time
// instead of drawing more gaps.
constexpr int32_t max_gaps_per_block = 10000;

constexpr int16_t marker_start = int16_t(-32768);  // 0x8000
constexpr int16_t marker_end = int16_t(-32766);    // 0x8002
constexpr int16_t marker_gap = int16_t(-32765);    // 0x8003

// The device ring block: head, n, the time of the oldest new entry, the 26 slots.
struct ring_block {
    uint8_t head = 0;
    uint8_t n = 0;
    int32_t time = 0;
    std::array<int16_t, ring_slots> ring{};

    static ring_block parse(const uint8_t* data58);
    // The n new entries in time order.
    int16_t entry(int k) const { return ring[size_t((head - n + ring_slots + k) % ring_slots)]; }
    bool valid() const { return head < ring_slots && n <= ring_slots; }
};

enum cycle_state : int32_t { idle = 0, waiting = 1, recording = 2 };

struct monitor {
    int32_t cycle_state = idle;
    int32_t sample_count = 0;        // samples and gaps of the current cycle's online curve
    int32_t next_sample_time = 0;    // time of the next expected sample
    std::array<int16_t, local_ring_size> local_ring{};
    int32_t local_ring_index = 0;
    std::vector<int16_t> online;     // the online curve
    bool curve_restarted = false;    // the last read emptied the online curve (a cycle start)
    bool block_ended = false;        // the last read met the end marker of a cycle it started

    // Takes a ring block. False for nothing new (n = 0) or a block that cannot be a ring
    // (head above 25, n above 26): nothing changes. Waiting: `flag` = a start marker came.
    // Recording: `flag` = the cycle goes on (no end marker). A start marker met while
    // recording (the end marker got lost) starts the new cycle: `flag` stays set.
    bool read_ring(const ring_block& b, int32_t sampling_period, bool recording, bool& flag);

    enum class step { none, started, ended };
    // One step of the state machine with a freshly read block (nullptr: the read failed).
    step advance(const ring_block* b, int32_t sampling_period);

    void clear_online() { online.clear(); }
    void reset();

private:
    void append(int16_t v);
    void start_curve();
};

}  // namespace pm
