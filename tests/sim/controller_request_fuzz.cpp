// Feeds arbitrary request frames to the simulated controller under one of its profiles: the
// first byte picks the profile, then every 61 bytes become bytes 2..62 of a frame.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>

#include "sim/controller.h"
#include "sim/profiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static sim::world w;
    static sim::fault_plan faults;
    static sim::wire_log log(16);
    const auto& list = sim::profiles();
    sim::load_profile(w, list[data[0] % list.size()].name);
    sim::controller core(w, faults, log);
    size_t pos = 1;
    while (pos < size) {
        device_frame f;
        f[1] = device_protocol::start_byte;
        size_t n = std::min<size_t>(61, size - pos);
        std::memcpy(f.data() + 2, data + pos, n);
        pos += n;
        for (const auto& reply : core.handle_frame(f))
            if (reply[1] != device_protocol::start_byte)
                __builtin_trap();
    }
    return 0;
}
