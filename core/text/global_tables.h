// Constant tables built once before the main window: header texts of the process-monitor
// record tables, colour lists of tables and plots, default plot ranges, and the result of
// the one search for the controller's memory card.
#pragma once
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

struct rgba_colour {
    uint8_t r, g, b, a;
    bool operator==(const rgba_colour& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

// A plot's view range (the plot widget's own range type converts from it).
struct plot_range {
    int32_t xMin = 0, xMax = 10, xTicks = 5;
    int32_t yMin = 0, yMax = 10, yTicks = 5;
};

struct global_tables {
    QStringList tool_type_column_labels;  // 24
    QStringList tool_group_labels;        // 7
    QStringList tool_group_labels_short;  // 6
    QStringList tool_column_labels;       // 22
    QStringList pm_tool_column_labels;    // 15
    QStringList pm_group_labels;          // 3

    std::vector<rgba_colour> table_group_colours;     // 6
    std::vector<rgba_colour> plot_curve_palette;      // 11, the last opaque white
    std::vector<rgba_colour> selftest_curve_palette;  // 11, the last opaque white
    std::vector<rgba_colour> value_gradient_colours;  // 10, green to red

    plot_range plot_main;   // process-monitor plotter: main plot
    plot_range plot_zoom;   // process-monitor plotter: zoom plot
    plot_range plot_spare;  // read by no window

    bool memory_card_found = false;
    bool memory_card_flag2 = false;
    int32_t memory_card_drive = 0;

    void reset() { *this = global_tables(); }
};

global_tables& g_global_tables();

// The memory-card search: takes the sector size and a place for the drive number, returns
// non-zero when a card was found. Until the process monitor installs the real search, the
// search finds no card.
using memory_card_search_fn = std::function<int(int sector_size, int32_t* drive)>;
void set_memory_card_search(memory_card_search_fn search);

// Builds every list in its order and runs the memory-card search once (sector size 512).
void build_global_tables();
