// The view range of a plot: X in sample indices, Y in sample values, each with its tick count.
#pragma once

struct PlotSettings {
    int xMin = 0;
    int xMax = 10;
    int xTicks = 5;
    int yMin = 0;
    int yMax = 10;
    int yTicks = 5;

    // Widens min..max to whole tick steps of 1, 2 or 5 times a power of ten (at least 4 ticks).
    static void snap_axis(int& min, int& max, int& ticks);
    // Both axes, X first.
    void snap();
    // Moves the range by whole ticks.
    void scroll_ticks(int dx, int dy);
};

inline bool operator==(const PlotSettings& a, const PlotSettings& b)
{
    return a.xMin == b.xMin && a.xMax == b.xMax && a.xTicks == b.xTicks && a.yMin == b.yMin && a.yMax == b.yMax &&
           a.yTicks == b.yTicks;
}
