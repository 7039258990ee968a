#include "widgets/plot_settings.h"

#include <cmath>

void PlotSettings::snap_axis(int& min, int& max, int& ticks)
{
    // An empty or reversed range has no tick step (log10 of 0); give it a span of one.
    if (max <= min)
        max = min + 1;
    const double gross = (double(max) - double(min)) / 4.0;
    double step = std::pow(10.0, std::floor(std::log10(gross)));
    if (gross > 5 * step)
        step = 5 * step;
    else if (gross > 2 * step)
        step = 2 * step;
    const double lo = std::floor(min / step);
    const double hi = std::ceil(max / step);
    ticks = int(hi - lo);
    if (ticks < 4)
        ticks = 4;
    min = int(lo * step);
    max = int(hi * step);
}

void PlotSettings::snap()
{
    snap_axis(xMin, xMax, xTicks);
    snap_axis(yMin, yMax, yTicks);
}

void PlotSettings::scroll_ticks(int dx, int dy)
{
    const int stepX = xTicks > 0 ? (xMax - xMin) / xTicks : 0;
    const int stepY = yTicks > 0 ? (yMax - yMin) / yTicks : 0;
    xMin += dx * stepX;
    xMax += dx * stepX;
    yMin += dy * stepY;
    yMax += dy * stepY;
}
