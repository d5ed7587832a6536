// The arithmetic of document views: scales, zoom requests, scroll units and
// offsets, window numbers.
#include <gtest/gtest.h>

#include "windows/ViewArithmetic.h"

using namespace view_math;

TEST(ViewArithmetic, ScalesRoundDownToTensWithinTwentyAndAThousand) {
    struct Case {
        int in, out;
    } cases[] = {{5, 20}, {1234, 1000}, {155, 150}, {0, 20}, {-40, 20}, {100, 100}, {1000, 1000}, {999, 990}};
    for (const Case& c : cases) EXPECT_EQ(ClampScale(c.in), c.out) << c.in;
}

TEST(ViewArithmetic, ZoomStepsAreSignedAndAbsoluteScalesSetTheLowWord) {
    struct Case {
        int current;
        uint32_t parameter;
        int out;
    } cases[] = {
        {100, RelativeZoom(10), 110},
        {100, RelativeZoom(-10), 90},  // not read as absolute 65526
        {100, RelativeZoom(-100), 20},
        {30, RelativeZoom(-10), 20},
        {500, RelativeZoom(100), 600},
        {250, AbsoluteZoom(100), 100},  // Ctrl with the middle button: 0x10064
        {100, AbsoluteZoom(5), 20},
    };
    for (const Case& c : cases) EXPECT_EQ(ZoomTarget(c.current, c.parameter), c.out) << c.parameter;
    EXPECT_EQ(AbsoluteZoom(100), 0x10064u);
    EXPECT_EQ(RelativeZoom(-10) >> 16, 0u);
}

TEST(ViewArithmetic, TheScrollUnitKeepsPositionsBelow32768) {
    EXPECT_EQ(ScrollUnit(0), 1);
    EXPECT_EQ(ScrollUnit(-500), 1);
    EXPECT_EQ(ScrollUnit(29999), 1);
    EXPECT_EQ(ScrollUnit(30000), 2);
    EXPECT_EQ(ScrollUnit(100000), 4);
    // A pane 300 pixels high at 100 % showing 100,300 units more.
    EXPECT_EQ(PaneScrollUnit(300, 100300 + 300, 100), 4);
    EXPECT_EQ(PaneScrollUnit(300, 29999 + 300, 100), 1) << "the view is exactly 300 units";
    for (int32_t hidden : {0, 32767, 100000, 1000000, 2000000000}) EXPECT_LT(hidden / ScrollUnit(hidden), 32768);
}

TEST(ViewArithmetic, PixelsOfAScrollRoundAwayFromZero) {
    EXPECT_EQ(ScrollPixels(1, 150), 2);
    EXPECT_EQ(ScrollPixels(-1, 150), -2);
    EXPECT_EQ(ScrollPixels(30, 100), 30);
    EXPECT_EQ(ScrollPixels(-30, 100), -30);
    EXPECT_EQ(DeviceCorner(10, 150), 15);
}

TEST(ViewArithmetic, WindowSizesInUnitsAreExactAtEveryScaleAndRoundUpBetween) {
    struct Case {
        int32_t pixels;
        int scale;
        int32_t units;
    } cases[] = {
        {400, 100, 400}, {1, 100, 1},   {0, 100, 0},     {400, 200, 200}, {401, 200, 201},
        {300, 150, 200}, {301, 150, 201}, {100, 20, 500}, {999, 1000, 100}, {1000, 1000, 100},
        {1001, 1000, 101}, {7, 30, 24},  {600, 0, 600},  // no scale yet counts as 100 %
    };
    for (const Case& c : cases) EXPECT_EQ(LogicalSize(c.pixels, c.scale), c.units) << c.pixels << " at " << c.scale;
    // Every scale of the zoom list: whole units back to the same pixels, and
    // never more than one unit of slack.
    for (int scale = 20; scale <= 1000; scale += 10) {
        for (int32_t pixels : {1, 17, 480, 767, 1024}) {
            int32_t units = LogicalSize(pixels, scale);
            EXPECT_GE(int64_t{units} * scale, int64_t{pixels} * 100) << pixels << " at " << scale;
            EXPECT_LT(int64_t{units - 1} * scale, int64_t{pixels} * 100) << pixels << " at " << scale;
        }
    }
}

TEST(ViewArithmetic, ScrollRequestsStayWithinTheContent) {
    const ScrollState s{1000, 300, 100300, 4};  // maximum 100000
    struct Case {
        int request;
        int32_t thumb, amount, out;
    } cases[] = {
        {kLineUp, 0, 0, 970},       {kLineDown, 0, 0, 1030},        {kPageUp, 0, 0, 720},
        {kPageDown, 0, 0, 1280},    {kThumbTrack, 1234, 0, 4930},   {kThumbPosition, 1234, 0, 4930},
        {kThumbTrack, 25000, 0, 100000}, {kThumbTrack, 24999, 0, 99990}, {kTop, 0, 0, 0},
        {kBottom, 0, 0, 100000},    {kScrollByAmount, 0, -5000, 0}, {kScrollByAmount2, 0, 50, 1050},
        {99, 0, 0, 1000},
    };
    for (const Case& c : cases) EXPECT_EQ(NewScrollOffset(c.request, c.thumb, c.amount, s), c.out) << c.request;
    const ScrollState small{0, 300, 200, 1};
    EXPECT_EQ(NewScrollOffset(kPageDown, 0, 0, small), 0) << "content shorter than the view";
}

TEST(ViewArithmetic, NewWindowsTakeTheLowestFreeNumber) {
    EXPECT_EQ(LowestFreeNumber({}), 1);
    EXPECT_EQ(LowestFreeNumber({1, 2, 4}), 3);
    EXPECT_EQ(LowestFreeNumber({2, 3}), 1);
    EXPECT_EQ(LowestFreeNumber({3, 1, 2}), 4);
}
