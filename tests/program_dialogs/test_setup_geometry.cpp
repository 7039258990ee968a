// The set-up geometry: the worked cases of each routine, and a forward model (angles made
// from a known set-up) that the three-tool routine and the position routine must undo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "program_dialogs/setup_geometry.h"

namespace {

constexpr double pi = 3.14159265358979323846;

// The angle, in hundredths of a degree, at which the probe touches a tool of length t.
int32_t taught_angle(const setup_result& s, int32_t t)
{
    return s.ref_angle_90 + int32_t(std::lround(std::atan(double(s.ref_tool_length - t) / s.vert_distance) * 18000 / pi));
}

TEST(SetupGeometry, OneToolWithKnownDistanceAndReference)
{
    struct row {
        const char* what;
        int32_t a, t, v, r;
        int32_t error, angle;
    } rows[] = {
        {"tool as long as the reference", 8000, 5000, 10000, 5000, 0, 8000},
        {"longer by the distance: 45 degrees", 8000, 15000, 10000, 5000, 0, 12500},
        {"shorter by the distance", 8000, -5000, 10000, 5000, 0, 3500},
        {"a negative taught angle", -1234, 5000, 10000, 5000, 0, -1234},
        {"no vertical distance", 8000, 6000, 0, 5000, setup_error_degenerate, 77},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        int32_t angle = 77;
        EXPECT_EQ(setup_1tool_m1_calc(r.a, r.t, r.v, r.r, angle), r.error);
        EXPECT_EQ(angle, r.angle);
    }
}

TEST(SetupGeometry, OneToolWithThreeDistances)
{
    struct row {
        const char* what;
        int32_t d1, d2, d3, t;
        int32_t error;
        setup_result want;
    } rows[] = {
        {"3-4-5 triangle", 500, 500, 600, 1000, 0, {1000 + 3687, 400, 700}},
        {"no triangle: Q below 0", 100, 100, 300, 1000, setup_error_degenerate, {-1, -1, -1}},
        {"no third distance", 500, 500, 0, 1000, setup_error_degenerate, {-1, -1, -1}},
        // The pivot lies on the line: both lengths are set, the angle is not.
        {"flat: H = 0", 300, 300, 600, 1000, setup_error_degenerate, {-1, 0, 700}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        setup_result s{-1, -1, -1};
        EXPECT_EQ(setup_1tool_m2_calc(1000, r.d1, r.d2, r.d3, r.t, s), r.error);
        EXPECT_EQ(s.ref_angle_90, r.want.ref_angle_90);
        EXPECT_EQ(s.vert_distance, r.want.vert_distance);
        EXPECT_EQ(s.ref_tool_length, r.want.ref_tool_length);
    }
}

TEST(SetupGeometry, ThreeToolsRecoverTheSetUpInAnyOrder)
{
    const setup_result truths[] = {{9000, 10000, 5000}, {-2500, 4321, 12000}, {9050, 6000, 2000}};
    for (const setup_result& truth : truths) {
        SCOPED_TRACE(truth.ref_angle_90);
        int32_t t[3] = {3000, 5000, 8000};
        int32_t a[3];
        for (int i = 0; i < 3; ++i)
            a[i] = taught_angle(truth, t[i]);
        setup_result first;
        ASSERT_EQ(setup_3tool_calc(a, t, first), 0);
        // The taught angles are whole hundredths, so the result is close, not exact.
        EXPECT_NEAR(first.ref_angle_90, truth.ref_angle_90, 10);
        EXPECT_NEAR(first.vert_distance, truth.vert_distance, truth.vert_distance / 100);
        EXPECT_NEAR(first.ref_tool_length, truth.ref_tool_length, 10);
        int order[3] = {0, 1, 2};
        while (std::next_permutation(order, order + 3)) {
            const int32_t pa[3] = {a[order[0]], a[order[1]], a[order[2]]};
            const int32_t pt[3] = {t[order[0]], t[order[1]], t[order[2]]};
            setup_result s;
            ASSERT_EQ(setup_3tool_calc(pa, pt, s), 0);
            EXPECT_EQ(s.ref_angle_90, first.ref_angle_90);
            EXPECT_EQ(s.vert_distance, first.vert_distance);
            EXPECT_EQ(s.ref_tool_length, first.ref_tool_length);
        }
    }
}

TEST(SetupGeometry, ThreeToolsRefuseDegenerateInput)
{
    const int32_t t[3] = {3000, 5000, 8000};
    const int32_t same[3] = {9000, 9000, 9000};
    setup_result s{-1, -1, -1};
    EXPECT_EQ(setup_3tool_calc(same, t, s), setup_error_degenerate);
    EXPECT_EQ(s.vert_distance, -1);  // nothing written
    // All three the same length.
    const int32_t a[3] = {9500, 9000, 8500};
    const int32_t equal[3] = {5000, 5000, 5000};
    EXPECT_EQ(setup_3tool_calc(a, equal, s), setup_error_degenerate);
}

TEST(SetupGeometry, PositionFromAngleUndoesTheTeach)
{
    const setup_result s{9000, 10000, 5000};
    EXPECT_EQ(setup_position_from_angle(9000, 10000, 9000, 5000), 5000);  // at the reference angle
    for (int32_t t : {-2000, 1000, 3000, 4999, 5001, 8000, 14000}) {
        SCOPED_TRACE(t);
        // The angle is whole hundredths; one hundredth of a degree moves the probe's touch
        // by V x pi / 18000, about 1.7 units here.
        EXPECT_NEAR(setup_position_from_angle(taught_angle(s, t), s.vert_distance, s.ref_angle_90, s.ref_tool_length),
                    t, 3);
    }
    // 45 degrees on either side: one vertical distance shorter or longer.
    EXPECT_NEAR(setup_position_from_angle(13500, 10000, 9000, 5000), -5000, 1);
    EXPECT_NEAR(setup_position_from_angle(4500, 10000, 9000, 5000), 15000, 1);
    // One hundredth of a degree past the reference moves the touch by 0.698 with V = 4000:
    // the length is cut toward zero, never rounded.
    EXPECT_EQ(setup_position_from_angle(9001, 4000, 9000, 5000), 4999);
    EXPECT_EQ(setup_position_from_angle(8999, 4000, 9000, 5000), 5000);
    EXPECT_EQ(setup_position_from_angle(9001, 4000, 9000, 0), 0);
}

TEST(SetupGeometry, RoundingHalvesAwayFromZero)
{
    struct row {
        double x;
        int n;
        double want;
    } rows[] = {{-2.5, 0, -3}, {2.5, 0, 3}, {-2.4, 0, -2}, {2.345, 2, 2.35}, {-2.345, 2, -2.35}, {1234.5, -1, 1230}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.x);
        EXPECT_NEAR(round_to_decimals(r.x, r.n), r.want, 1e-9);
    }
}

}  // namespace
