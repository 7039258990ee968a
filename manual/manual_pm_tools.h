// The process-monitor state of the manual page (PM Tools tab): the live cycle, the ticks of
// the tool view and the record count the controller reported at page entry (the plotter
// keeps the curve slot of each row). One for the whole run; the page entry resets it.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "core/image/config_image.h"
#include "manual/pm_monitor.h"

struct manual_pm_state {
    pm::monitor monitor;
    std::array<uint8_t, image_layout::tool_count> tool_ticked{};
    int16_t record_count = -1;     // info 37 at page entry, -1 when the query failed
    uint32_t record_words[2] = {0, 0};
    // The tool-table read after a teach failed: shown once, until a read succeeds again.
    bool tool_read_error_shown = false;

    void reset();
};

manual_pm_state& g_manual_pm();
