// The program-wide state of the manual mode page: what its function panels show and follow,
// and the counters and flags that the per-status-reply dispatch keeps. Both live for the
// whole run; the page's entry and the tab change reset what they own.
#pragma once
#include <array>
#include <cstdint>

#include "core/protocol/device_protocol.h"

constexpr int manual_function_count = 512;

// The function panels (Monitoring and Trace tabs).
struct manual_panel_state {
    uint16_t device_function_number = 0xFFFF;  // the function the controller reports as current
    uint16_t last_decoded_function = 0xFFFF;   // the same at the previous decoded reply
    int16_t shown_function_number = -1;       // the function both panels show
    bool functab_clicked = false;             // the user clicked the function table
    int32_t start_function = 0;               // the function the selection rule chose last
    bool function_info_force = false;         // the next update rewrites the panels
    // Object position and counter last reported per function; -1 = not yet reported.
    std::array<int32_t, manual_function_count> object_position_cache;
    std::array<int32_t, manual_function_count> counter_cache;
    bool input13_flag = false;  // input 13 has a function: its LED stays dark
    bool step_positive = false;  // the last step button pressed was Step +

    manual_panel_state() { clear_caches(); }
    void clear_caches()
    {
        object_position_cache.fill(-1);
        counter_cache.fill(-1);
    }
    void reset() { *this = manual_panel_state(); }
};

// The dispatch's counters and flags; the tab change resets them (reset()).
struct manual_tick_state {
    uint32_t replies = 0;        // status replies seen in manual mode
    uint8_t process_piece = 0;   // the process-data piece read next: 0, 1, 2
    uint32_t process_divider = 0;  // counts replies: a process-data piece every second one
    bool force_redraw = true;    // the PROFIBUS view and the plotter redraw at the next block
    uint32_t dn_divider = 0;     // counts replies: the DeviceNet block every third one
    bool dn_redraw = false;      // the DeviceNet view redraws at the next block
    bool shown_valid = false;
    std::array<uint8_t, device_protocol::process_block_size> shown_block{};  // as last shown
    bool error_buffer_reload = false;
    uint32_t fieldbus_led_count = 0;
    bool fieldbus_led_on = false;

    void reset() { *this = manual_tick_state(); }
};

manual_panel_state& g_manual_panel();
manual_tick_state& g_manual_tick();
void manual_reset_for_tests();
