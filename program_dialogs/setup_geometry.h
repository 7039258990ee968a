// The scanner's set-up geometry: where the swinging probe touches a tool depends on the
// tool's length, the vertical distance from the pivot to the reference tool and the angle
// at which the probe stands perpendicular. The set-up wizards compute these three values
// from taught angles and measured lengths; the program page turns a taught angle back into
// a tool length. Angles are in hundredths of a degree, lengths in hundredths of a unit.
#pragma once
#include <cstdint>

// The three values of a set-up, as the header keeps them (fields 120, 124, 128).
struct setup_result {
    int32_t ref_angle_90 = 0;
    int32_t vert_distance = 0;
    int32_t ref_tool_length = 0;
};

// Host error number for input the geometry cannot be computed from.
constexpr int32_t setup_error_degenerate = 10;

// One tool, known vertical distance V and reference tool length R: the reference angle from
// the angle A taught on a tool of length T. Returns 0 or setup_error_degenerate.
int32_t setup_1tool_m1_calc(int32_t a, int32_t t, int32_t v, int32_t r, int32_t& ref_angle_90);

// One tool of length T taught at angle A, with the three distances D1, D2, D3 measured
// around it. On error the vertical distance and reference tool length may already be set.
int32_t setup_1tool_m2_calc(int32_t a, int32_t d1, int32_t d2, int32_t d3, int32_t t, setup_result& out);

// Three tools of different lengths: angle a[i] taught on the tool of length t[i].
int32_t setup_3tool_calc(const int32_t a[3], const int32_t t[3], setup_result& out);

// The tool length that angle A means with vertical distance V, reference angle G and
// reference tool length R (truncated toward zero).
int32_t setup_position_from_angle(int32_t a, int32_t v, int32_t g, int32_t r);

// x rounded to n decimals, halves away from zero.
double round_to_decimals(double x, int n);
