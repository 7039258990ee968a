// A message FIFO's header lives in memory others may write; whatever it holds, taking and adding
// records stays inside the ring.
#include <cstdint>
#include <cstring>
#include <vector>

#include "candrv/candrv_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace candrv;
    if (size < fifo::header_size + 1)
        return 0;
    // The ring's memory is as large as the header's capacity field claims, when that is valid.
    uint16_t cap = static_cast<uint16_t>(data[0] | (data[1] << 8)) % 64;
    size_t bytes = fifo::valid_capacity(cap) ? fifo::size_for(cap) : fifo::header_size;
    std::vector<uint8_t> mem(bytes, 0);
    std::memcpy(mem.data(), data, fifo::header_size);
    put_field(mem.data(), fifo::capacity, cap);
    uint8_t rec[fifo::record_size] = {};
    for (size_t i = fifo::header_size; i < size; ++i) {
        if (data[i] & 1)
            fifo::push(mem.data(), rec);
        else
            fifo::pop(mem.data(), rec);
        if (data[i] & 0x80)
            fifo::clear(mem.data());
    }
    return 0;
}
