#include "manual/pm_monitor.h"

#include <cstring>

namespace pm {

ring_block ring_block::parse(const uint8_t* d)
{
    ring_block b;
    b.head = d[0];
    b.n = d[1];
    b.time = int32_t(uint32_t(d[2]) | uint32_t(d[3]) << 8 | uint32_t(d[4]) << 16 | uint32_t(d[5]) << 24);
    for (int i = 0; i < ring_slots; ++i)
        b.ring[size_t(i)] = int16_t(uint16_t(d[6 + 2 * i] | d[7 + 2 * i] << 8));
    return b;
}

void monitor::reset()
{
    cycle_state = idle;
    sample_count = 0;
    next_sample_time = 0;
    local_ring_index = 0;
    curve_restarted = false;
}

void monitor::append(int16_t v)
{
    online.push_back(v);
    local_ring[size_t(local_ring_index)] = v;
    local_ring_index = (local_ring_index + 1) % local_ring_size;
    ++sample_count;
}

void monitor::start_curve()
{
    sample_count = 0;
    local_ring_index = 0;
    online.clear();
    curve_restarted = true;
}

bool monitor::read_ring(const ring_block& b, int32_t period, bool recording, bool& flag)
{
    curve_restarted = false;
    if (!b.valid() || b.n == 0)
        return false;
    const int n = b.n;
    int start = -1, end = -1;
    for (int k = 0; k < n; ++k) {
        const int16_t v = b.entry(k);
        if (v == marker_start && start < 0)
            start = k;
        else if (v == marker_end && end < 0)
            end = k;
    }
    block_ended = false;
    if (!recording && start < 0) {
        flag = false;
        return true;
    }
    if (start >= 0 && (!recording || end < 0 || start < end)) {
        // A new cycle (while recording: its end marker got lost): only what follows the
        // marker is drawn, up to an end marker of its own.
        start_curve();
        for (int k = start + 1; k < n; ++k) {
            const int16_t v = b.entry(k);
            if (v == marker_end) {
                block_ended = true;
                break;
            }
            append(v);
        }
        flag = recording ? !block_ended : true;
    } else {
        // Gaps: every sampling period the controller skipped before this block.
        if (period > 0) {
            const int32_t late = int32_t(uint32_t(b.time) - uint32_t(next_sample_time));
            if (late > 0) {
                const int64_t gaps = (int64_t(late) + period - 1) / period;
                const int64_t drawn = gaps < max_gaps_per_block ? gaps : max_gaps_per_block;
                for (int64_t g = 0; g < drawn; ++g)
                    append(marker_gap);
                next_sample_time = gaps <= max_gaps_per_block
                                       ? int32_t(uint32_t(next_sample_time) + uint32_t(gaps * period))
                                       : b.time;
            }
        }
        const int stop = end >= 0 ? end : n;
        for (int k = 0; k < stop; ++k)
            append(b.entry(k));
        flag = end < 0;
    }
    next_sample_time = int32_t(uint32_t(b.time) + uint32_t(n) * uint32_t(period));
    return true;
}

monitor::step monitor::advance(const ring_block* b, int32_t period)
{
    switch (cycle_state) {
    case idle:
        cycle_state = waiting;
        return step::none;
    case waiting: {
        bool started = false;
        if (b && read_ring(*b, period, false, started) && started) {
            // A cycle short enough to start and end in one block ends right away.
            cycle_state = block_ended ? waiting : recording;
            return block_ended ? step::ended : step::started;
        }
        return step::none;
    }
    default: {
        bool running = true;
        if (b && read_ring(*b, period, true, running) && !running) {
            cycle_state = waiting;
            return step::ended;
        }
        return step::none;
    }
    }
}

}  // namespace pm
