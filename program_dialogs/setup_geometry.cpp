#include "program_dialogs/setup_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double pi = 3.14159265358979323846;
// Radians to hundredths of a degree, and back.
constexpr double to_hundredths = 18000.0 / pi;
constexpr double from_hundredths = pi / 18000.0;

// A computed value as a whole number, halves away from zero. A value beyond 32 bits is held
// at the edge of the range; the caller refuses what does not fit its fields anyway.
int32_t whole(double x)
{
    const double y = round_to_decimals(x, 0);
    return int32_t(std::clamp(y, double(std::numeric_limits<int32_t>::min()),
                              double(std::numeric_limits<int32_t>::max())));
}

int32_t angle_plus(int32_t a, double radians) { return whole(double(a) + radians * to_hundredths); }

}  // namespace

double round_to_decimals(double x, int n)
{
    const double f = std::pow(10.0, n);
    const double y = x * f;
    return (y >= 0 ? std::floor(y + 0.5) : std::ceil(y - 0.5)) / f;
}

int32_t setup_1tool_m1_calc(int32_t a, int32_t t, int32_t v, int32_t r, int32_t& ref_angle_90)
{
    if (v == 0)
        return setup_error_degenerate;
    ref_angle_90 = angle_plus(a, std::atan((double(t) - r) / v));
    return 0;
}

int32_t setup_1tool_m2_calc(int32_t a, int32_t d1, int32_t d2, int32_t d3, int32_t t, setup_result& out)
{
    if (d3 == 0)
        return setup_error_degenerate;
    const double D1 = d1, D2 = d2, D3 = d3;
    // C: where the foot of the pivot lies along D3; H: the pivot's height above it.
    const double c = (D2 * D2 + D3 * D3 - D1 * D1) / (2 * D3);
    const double q = D1 * D1 - (D3 - c) * (D3 - c);
    if (q < 0)
        return setup_error_degenerate;
    const double h = std::sqrt(q);
    out.vert_distance = whole(h);
    out.ref_tool_length = whole(t - c);
    if (h == 0)
        return setup_error_degenerate;
    out.ref_angle_90 = angle_plus(a, std::atan(c / h));
    return 0;
}

int32_t setup_3tool_calc(const int32_t a[3], const int32_t t[3], setup_result& out)
{
    // Ascending by length: with equal lengths the second pair goes before the first, the
    // third after an equal one.
    struct pair {
        int32_t length, angle;
    };
    pair sorted[3];
    int n = 0;
    auto insert = [&](pair p, bool before_equal) {
        int at = 0;
        while (at < n && (before_equal ? sorted[at].length < p.length : sorted[at].length <= p.length))
            ++at;
        for (int k = n; k > at; --k)
            sorted[k] = sorted[k - 1];
        sorted[at] = p;
        ++n;
    };
    insert({t[0], a[0]}, false);
    insert({t[1], a[1]}, true);
    insert({t[2], a[2]}, false);
    const double d = sorted[0].length, e = sorted[1].length, f = sorted[2].length;
    const double A = sorted[0].angle, B = sorted[1].angle, C = sorted[2].angle;

    const double g = std::tan((A - B) * from_hundredths);
    const double h = std::tan((B - C) * from_hundredths);
    const double L = f - e, M = e - d;
    const double r = (L + M) * g * h;
    if (r == 0)
        return setup_error_degenerate;
    const double s = g * L - h * M;
    const double x = s / r;
    const double norm = s * s + r * r;
    if (norm == 0)
        return setup_error_degenerate;
    const double w = L * M * (L + M) * g * h * (g + h) / norm;
    if (!std::isfinite(w) || !std::isfinite(x))
        return setup_error_degenerate;
    out.ref_angle_90 = angle_plus(int32_t(B), std::atan(x));
    out.vert_distance = whole(w);
    out.ref_tool_length = whole(e - round_to_decimals(w * x, 0));
    return 0;
}

int32_t setup_position_from_angle(int32_t a, int32_t v, int32_t g, int32_t r)
{
    // Both angles are in hundredths of a degree.
    const double k = std::fabs(std::tan((double(g) - a) * from_hundredths) * v);
    const double length = a > g ? r - k : r + k;
    return int32_t(std::clamp(std::trunc(length), double(std::numeric_limits<int32_t>::min()),
                              double(std::numeric_limits<int32_t>::max())));
}
