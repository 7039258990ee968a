// The three limit curves of a monitored tool (missing, blunt, break), computed from its
// monitoring parameters, and those of its tool type, over the tool's taught curve. Values are
// hundredths of the process value; tolerances are hundredths of a percent (10000 = 100 %).
// The record passed in is never changed: the tool type's values are taken into a copy.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class config_image;

// n / d rounded to the nearest integer, halves away from zero (d != 0).
int64_t pm_round_div(int64_t n, int64_t d);

// The monitoring parameters of one tool as the limits use them, after the tool type's values
// were taken over, with the three thresholds.
struct pm_limit_set {
    uint32_t missingOptions = 0, bluntOptions = 0, breakOptions = 0;
    int missingMode = 0, bluntMode = 0, breakMode = 0;
    int64_t missingRange = 0, bluntRange = 0, breakRange = 0;
    int rewind = 0, forward = 0;       // sample window behind and ahead of each sample
    int64_t dataMin = 0, dataMax = 0;  // of the taught curve
    int64_t tMiss = 0, tBlunt = 0, tBreak = 0;
};

// The parameters of a 222-byte tool record. A ToolType of 1 to 255 whose record in `image`
// has a Number other than 0 lends its limits (and, by the record's Tolerance 1, 2 or 3, the
// fine, medium or high tolerance); other tool types are ignored.
pm_limit_set pm_limit_thresholds(const uint8_t* record, const config_image& image);

// One limit value for a sample whose window holds `lo` .. `hi`, clamped to -32764 .. 32767.
int16_t pm_missing_limit(const pm_limit_set& s, int lo, int hi);
int16_t pm_blunt_limit(const pm_limit_set& s, int lo, int hi);
int16_t pm_break_limit(const pm_limit_set& s, int lo, int hi);

// The missing, blunt and break curves over `samples`. A gap sample (-32767) gives -32767 in all
// three and bounds the windows of its neighbours. yMin and yMax are widened to every limit
// value. One pass: the window minimum and maximum slide along each run between gaps.
void pm_limit_curves(const pm_limit_set& s, const int16_t* samples, size_t n, std::vector<int16_t>& missing,
                     std::vector<int16_t>& blunt, std::vector<int16_t>& breakCurve, int& yMin, int& yMax);
