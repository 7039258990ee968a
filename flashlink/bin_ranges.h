// The ranges of a block of a binary image that the binary download sends when it skips
// erased flash: runs of 0xFF longer than 255 bytes split the data, trailing 0xFF bytes of
// the block are left out.
#pragma once
#include <cstdint>

struct bin_range {
    bool found = false;
    uint32_t start = 0;
    uint32_t end = 0;            // one past the last byte sent
    bool at_block_end = false;   // closed by the end of the block (no range follows in it)
    uint32_t next_scan = 0;      // where the scan for the next range starts
};

// The next range of block[0, length) at or after `from`; not found when only 0xFF is left.
bin_range find_bin_range(const uint8_t* block, uint32_t length, uint32_t from);
