// The process-monitor state of the manual page (PM Tools tab): the live cycle, the ticks of
// the tool view, the curve slot each tool or record row shows, and the record count the
// controller reported at page entry. One for the whole run; the page entry resets it.
#pragma once
#include <array>
#include <QColor>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/image/config_image.h"
#include "manual/pm_monitor.h"

// What the page hands the plotter beyond showCurves: the online curve as it grows (the
// samples drawn so far; `restarted` when a new cycle emptied it) and the colour of a curve
// slot for the rows it shows. Set by whoever owns the plotter; empty draws nothing.
struct manual_pm_plotter_link {
    std::function<void(const std::vector<int16_t>& online, int32_t drawn, bool restarted)> online_changed;
    std::function<QColor(int32_t slot)> curve_colour;
};

struct manual_pm_state {
    pm::monitor monitor;
    std::array<uint8_t, image_layout::tool_count> tool_ticked{};
    std::array<int32_t, image_layout::tool_count> tool_curve_slot{};
    std::array<int32_t, image_layout::pm_record_count> record_curve_slot{};
    bool auto_range = true;        // the plotter's settings mode: automatic ranges
    int16_t record_count = -1;     // info 37 at page entry, -1 when the query failed
    uint32_t record_words[2] = {0, 0};
    // The tool-table read after a teach failed: shown once, until a read succeeds again.
    bool tool_read_error_shown = false;
    manual_pm_plotter_link plotter;

    void reset();  // keeps the plotter link
};

manual_pm_state& g_manual_pm();
