// The versions of the simulated controller as one model that the application and the boot
// loader share and that outlives restarts: firmware, loader, logic and PROFINET versions and
// the hardware revision word. A firmware download sets the firmware version, the loader
// exchange the loader version, a logic download the logic version (unless a power fail is
// armed), the PROFINET stream the PROFINET version; the application reports them after its
// next start.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/world.h"

class boot_memory;

namespace sim {

// What the boot loader wrote in one download: the stream kind, RAM or flash, and the
// address ranges written, in order.
struct finished_download {
    bool hex = false;
    bool ram = false;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;  // address, length
};

struct device_versions {
    std::array<uint8_t, 3> firmware{};
    uint16_t build = 0;
    std::array<uint8_t, 3> loader{};
    uint8_t logic_major = 0;
    uint8_t logic_minor = 0;  // as the controller reports it (a tenth of the file's minor)
    std::array<uint8_t, 4> profinet{};
    uint16_t hw_revision = 0;
    bool redesign = false;

    // A logic download is lost as if the power failed before it was programmed.
    bool power_fail = false;
    // After its next restart into the application the controller stays away.
    bool silent_after_restart = false;

    // Received and waiting for the hook that programs them.
    bool loader_pending = false;
    std::array<uint8_t, 3> pending_loader{};
    bool logic_pending = false;
    std::array<uint8_t, 2> pending_logic{};

    // Takes the versions of a freshly loaded application profile.
    void capture(const world& w);
    // Puts them into the information blocks the application reports.
    void apply(world& w) const;
    // The loader's version text "d.dd.dd" as it stands in its boot sector.
    std::string loader_text() const;

    // Looks at what a download wrote; true when the image programmed by it makes the
    // controller start its application (the hooks that program the loader and the logic).
    bool on_download(const boot_memory& memory, const finished_download& d);
    // Looks at a complete PROFINET stream.
    void on_stream(const std::vector<uint8_t>& stream);

    // "firmware 1.16.50.045 loader 1.05.03 logic 3.2 profinet 2.1.0.7 revision 0x9121 redesign 0"
    std::string describe() const;
};

}  // namespace sim
