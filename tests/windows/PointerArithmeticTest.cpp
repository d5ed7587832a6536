// The arithmetic of the mouse in a view: wheel notches, selection edges,
// panning steps and smooth scrolling.
#include <gtest/gtest.h>

#include <numeric>

#include "windows/PointerArithmetic.h"

using namespace pointer_math;

TEST(PointerArithmetic, WheelDeltasMakeWholeNotchesAndKeepTheRest) {
    struct Case {
        std::vector<int> deltas;
        int lastNotches, rest;
    } cases[] = {
        {{120}, 1, 0},       {{-120}, -1, 0},      {{240}, 2, 0},       {{60}, 0, 60},
        {{60, 60}, 1, 0},    {{-60, -60}, -1, 0},  {{60, -60}, 0, 0},   {{100, 100}, 1, 80},
        {{-200}, -1, -80},   {{119, 1}, 1, 0},     {{0x7FFFFFFF, 0x7FFFFFFF}, 0x7FFF, 14},
    };
    for (const Case& c : cases) {
        WheelAccumulator wheel;
        int notches = 0;
        for (int d : c.deltas) notches = wheel.Add(d);
        EXPECT_EQ(notches, c.lastNotches) << c.deltas.front();
        EXPECT_EQ(wheel.Rest(), c.rest) << c.deltas.front();
    }
}

TEST(PointerArithmetic, SelectionEdgesAreThePlacesPastTheView) {
    struct Case {
        int32_t x, y;
        int flags;
    } cases[] = {{10, 10, 0}, {0, 0, 0}, {500, 300, 0}, {-1, 10, 1}, {501, 10, 2},
                 {10, -5, 4}, {10, 301, 8}, {-1, -1, 5}, {600, 400, 10}};
    for (const Case& c : cases) EXPECT_EQ(EdgeFlags(c.x, c.y, 500, 300), c.flags) << c.x << "," << c.y;
}

TEST(PointerArithmetic, PanningHasADeadZoneAndGrowsWithTheCubeOfTheDistance) {
    EXPECT_TRUE(InPanDeadZone(5));
    EXPECT_TRUE(InPanDeadZone(-5));
    EXPECT_FALSE(InPanDeadZone(6));
    EXPECT_FALSE(InPanDeadZone(-6));
    // A quarter of the height below the centre: (1/4)^3 x 400 x 1.5.
    EXPECT_DOUBLE_EQ(PanStepAmount(100, 400, 1), 9.375);
    EXPECT_DOUBLE_EQ(PanStepAmount(-100, 400, 1), -9.375);
    EXPECT_DOUBLE_EQ(PanStepAmount(100, 400, 3), 3 * 9.375) << "merged ticks count";
    EXPECT_LT(std::abs(PanStepAmount(6, 400, 1)), 1.0) << "just outside the dead zone creeps";
    EXPECT_DOUBLE_EQ(PanStepAmount(1, 0, 1), 1.5) << "a zero height is taken as 1";
}

TEST(PointerArithmetic, SmoothScrollsAreCutIntoEqualStepsDroppingASmallerRest) {
    struct Case {
        int32_t amount;
        double speed, maxStep;
        std::vector<int32_t> steps;
    } cases[] = {
        {0, 10.0, 5.0, {}},
        {7, 10.0, 5.0, {7}},               // slower than the largest step: one piece
        {10, 1.0, 5.0, {2, 2, 2, 2, 2}},   // five pieces of two
        {11, 1.0, 5.0, {2, 2, 2, 2, 2}},   // the rest of one is dropped
        {-10, 1.0, 5.0, {-2, -2, -2, -2, -2}},
        {3, 0.1, 0.2, {3}},                // speed and step below 1 become 1
        {2, 1.0, 5.0, {1, 1}},             // a step is at least one unit
    };
    for (const Case& c : cases) EXPECT_EQ(SmoothScrollSteps(c.amount, c.speed, c.maxStep), c.steps) << c.amount;
    const auto big = SmoothScrollSteps(-100000, 1.0, 5.0);
    EXPECT_EQ(std::accumulate(big.begin(), big.end(), int64_t{0}), -100000);
    EXPECT_EQ(big.size(), 5u);
}

TEST(PointerArithmetic, TheMeasuredSpeedAveragesAndNeverTurnsNegative) {
    EXPECT_DOUBLE_EQ(NextPanSpeed(10.0, 20, 10), 6.0);
    EXPECT_DOUBLE_EQ(NextPanSpeed(10.0, 20, -10), 6.0) << "scrolling up is as fast as down";
    EXPECT_DOUBLE_EQ(NextPanSpeed(1.0, 0, 50), 1.0) << "below 1.1 becomes 1";
    EXPECT_DOUBLE_EQ(NextPanSpeed(4.0, 0, 0), 4.0);
    EXPECT_EQ(WheelLines(-2, 3), -6);
    EXPECT_EQ(WheelLines(1, 0x7FFFFFFF), 0x7FFF);
}
