// The program window's own state, shared by its slots and by the pages and dialogs that
// work with it. Tests start from a clean slate with program_reset_for_tests().
#pragma once
#include <array>
#include <cstdint>

#include "core/image/config_image.h"
#include "core/image/tool_records.h"

struct program_page_state {
    bool loading = false;        // show_program fills the widgets: reactions write nothing
    bool shown = false;          // a program has been shown since the start
    int last_tab = 0;            // the settings tab the user left last
    bool finder_writing = false; // the scanner finder reselects the scanner
    bool new_program_zp9lin = false;  // a new program for the linear ZP9LIN scanner
    std::array<uint8_t, tool_record_size> current_tool{};  // the custom tool-type row
    std::array<uint8_t, image_layout::tool_count> tool_checked{};
    std::array<uint8_t, image_layout::tool_count> curve_present{};  // a curve file lies beside the program
    // The user's access level: 0 normal, 1 support functions, 2 custom settings.
    int32_t access_level = 0;
    void reset() { *this = program_page_state(); }
};

program_page_state& g_program_page();
void program_reset_for_tests();
