#include "flashlink/bin_ranges.h"

namespace {
// A run of more than this many 0xFF bytes inside the data ends a range.
constexpr uint32_t max_kept_run = 255;
}  // namespace

bin_range find_bin_range(const uint8_t* block, uint32_t length, uint32_t from)
{
    bin_range r;
    uint32_t i = from;
    while (i < length && block[i] == 0xFF)
        ++i;
    if (i >= length)
        return r;
    r.found = true;
    r.start = i;
    while (i < length) {
        if (block[i] != 0xFF) {
            ++i;
            continue;
        }
        uint32_t run = i;
        while (i < length && block[i] == 0xFF)
            ++i;
        if (i == length) {
            r.end = run;
            r.at_block_end = true;
            r.next_scan = length;
            return r;
        }
        if (i - run > max_kept_run) {
            r.end = run;
            r.next_scan = i;
            return r;
        }
    }
    r.end = length;
    r.at_block_end = true;
    r.next_scan = length;
    return r;
}
