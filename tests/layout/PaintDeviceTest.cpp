// The device operations that the interface itself computes, on the device
// with fixed metrics (characters half the font height wide).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/FixedMetricsDevice.h"

namespace {

int g_scale = 100;
int ScaleOfTestWindow(void*) { return g_scale; }

struct DeviceFixture : ::testing::Test {
    int window = 0;
    FixedMetricsDevice device{640, 480, &window};
    void SetUp() override {
        PaintDevice::SetScaleLookup(ScaleOfTestWindow);
        device.SetFontHeight(10);  // 5 units a character
    }
    void TearDown() override {
        PaintDevice::SetScaleLookup(nullptr);
        g_scale = 100;
    }
    std::vector<std::string> Drawn() {
        std::vector<std::string> lines = device.Log();
        device.ClearLog();
        return lines;
    }
};

TEST_F(DeviceFixture, InvalidationRoundsUpAndKeepsSizesBelowFullScale) {
    const struct {
        int scale;
        const char* expected;
    } cases[] = {
        {100, "invalidate 11,21,41,61"},
        {200, "invalidate 22,42,82,122"},
        {50, "invalidate 6,11,36,51"},   // ceil(x/2), ceil(y/2), + w, + h
        {33, "invalidate 4,7,34,47"},
    };
    for (const auto& c : cases) {
        g_scale = c.scale;
        device.InvalidateArea(11, 21, 30, 40, false);
        EXPECT_EQ(Drawn(), std::vector<std::string>{c.expected}) << c.scale;
    }
    FixedMetricsDevice windowless(100, 100);
    windowless.InvalidateArea(0, 0, 10, 10, true);
    EXPECT_TRUE(windowless.Log().empty());
}

TEST_F(DeviceFixture, WordSpacingDrawsPiecesAndWidensTheText) {
    device.DrawText(0, 0, "a b c", 5);
    EXPECT_EQ(Drawn(), std::vector<std::string>{"text 0,0 \"a b c\""}) << "one call without spacing";
    EXPECT_EQ(device.GetTextExtent("a b c", 5), 25);
    device.SetWordSpacing(2.5f);
    EXPECT_EQ(device.GetTextExtent("a b c", 5), 30) << "two gaps";
    device.DrawText(0, 0, "a b c", 5);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"text 0,0 \"a \"", "text 12,0 \"b \"", "text 25,0 \"c\""}));
    device.DrawText(0, 0, "a  b", 4);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"text 0,0 \"a  \"", "text 17,0 \"b\""}))
        << "a run of spaces stays in its piece";
}

TEST(PaintDeviceGaps, SpacesThatStartAGap) {
    const struct {
        const char* text;
        int gaps;
    } cases[] = {{"a b c", 2}, {"a b ", 1}, {"a b   ", 1}, {" a", 1}, {"  a b", 2}, {"ab", 0}, {"", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(PaintDevice::CountWordGaps(c.text, static_cast<int>(std::string(c.text).size())), c.gaps)
            << '"' << c.text << '"';
    }
}

TEST_F(DeviceFixture, OverlineIsDrawnByTheDeviceWithoutANewFont) {
    device.DrawText(0, 0, "ab", 2);
    const int made = device.FontsMade();
    device.SetOverline();
    device.DrawText(3, 4, "ab", 2);
    device.ClearDecorations();
    device.DrawText(3, 4, "ab", 2);
    EXPECT_EQ(device.FontsMade(), made);
    const std::vector<std::string> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[2], "line pen 0 color 000000 3,4 13,4");
    device.SetUnderline();
    device.DrawText(0, 0, "ab", 2);
    EXPECT_EQ(device.FontsMade(), made + 1);
    EXPECT_EQ(device.SelectedFont().underline, 1);
}

TEST_F(DeviceFixture, TextsWithoutHeightAreNeitherDrawnNorMeasured) {
    device.SetFontHeight(0);
    device.DrawText(0, 0, "ab", 2);
    device.DrawTabbedText(0, 0, "a\tb", 3);
    EXPECT_EQ(device.GetTextExtent("ab", 2), 0);
    EXPECT_TRUE(Drawn().empty());
}

TEST_F(DeviceFixture, TabsBecomeEightSpacesUnlessTheCopyWouldBeTooLong) {
    EXPECT_EQ(device.GetTabbedTextExtent("a\tb", 3), 10 * 5);
    device.DrawTabbedText(0, 0, "a\tb", 3);
    EXPECT_EQ(Drawn(), std::vector<std::string>{"text 0,0 \"a        b\""});
    std::string longText(4000, 'x');
    for (int i = 0; i < 20; ++i) longText[i * 100] = '\t';
    device.DrawTabbedText(0, 0, longText.data(), 4000);
    const std::vector<std::string> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].rfind("tabbed ", 0), 0u) << "handed to the system's tabbed output";
}

TEST_F(DeviceFixture, NoBreakSpacesAreMeasuredAsSpaces) {
    device.SetWordSpacing(1.0f);
    const char text[] = "a\xA0" "b";
    EXPECT_EQ(device.GetTextExtentNbsp(text, 3), 16);
    EXPECT_EQ(device.GetTextExtent(text, 3), 15);
}

TEST_F(DeviceFixture, BackgroundShadesAndTheDefault) {
    EXPECT_TRUE(device.UsesDefaultBackground());
    const DeviceColor defaultColor = device.GetBackgroundColor();
    device.SetBackgroundColor(defaultColor);
    EXPECT_FALSE(device.UsesDefaultBackground()) << "the same colour still switches to the own colour";
    device.SetBackgroundColor(0x00C86401);
    EXPECT_EQ(device.GetBackgroundColor(), 0x00C86401u);
    device.DrawCross(0, 0, 10, 10);
    EXPECT_EQ(Drawn()[0], "line pen 0 color 643200 0,0 9,9");
    device.UseDefaultBackground();
    EXPECT_EQ(device.GetBackgroundColor(), defaultColor);

    DeviceColor dark, light;
    PaintDevice::MakeBorderShades(0x00808080, dark, light);  // grey: halves
    EXPECT_EQ(dark, 0x02404040u);
    EXPECT_EQ(light, 0x02C0C0C0u);
    PaintDevice::MakeBorderShades(0x000000C8, dark, light);  // red 200
    EXPECT_EQ(dark, 0x02000096u);
    EXPECT_EQ(light, 0x024141D7u);
}

TEST_F(DeviceFixture, ViewSizesInLayoutUnits) {
    device.SetClientSize(60, 90);
    EXPECT_EQ(device.GetViewWidth(), 100) << "at least 100";
    g_scale = 200;
    device.SetClientSize(301, 90);
    EXPECT_EQ(device.GetViewWidth(), 151);
    EXPECT_EQ(device.GetViewHeight(), 45);
}

TEST_F(DeviceFixture, InvertFrameNeedsRoomForBothStrips) {
    device.InvertFrame(0, 0, 10, 10, 6);
    EXPECT_TRUE(Drawn().empty());
    device.InvertFrame(0, 0, 10, 20, 5);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"invert 0,0,5,20", "invert 5,0,10,20"}));
    device.InvertFrame(0, 0, 20, 20, 2);
    EXPECT_EQ(Drawn().size(), 4u);
}

// Border sides: the lines each style draws.
TEST_F(DeviceFixture, DoubleBordersSkipTheMiddleThird) {
    device.DrawBorderSide(10, 10, 20, 6, kBorderDouble, 0x00FF0000, true, 1, 0, 0);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{
                           "line pen 0 color ff0000 10,10 30,10",
                           "line pen 0 color ff0000 10,11 30,11",
                           "line pen 0 color ff0000 10,14 30,14",
                           "line pen 0 color ff0000 10,15 30,15",
                       }));
    device.DrawBorderSide(10, 10, 20, 5, kBorderDouble, 0x00FF0000, false, 0, 0, 0);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{
                           "line pen 0 color ff0000 10,10 10,30",
                           "line pen 0 color ff0000 9,10 9,30",
                           "line pen 0 color ff0000 7,10 7,30",
                           "line pen 0 color ff0000 6,10 6,30",
                       }));
}

TEST_F(DeviceFixture, GrooveSidesChangeShadeHalfway) {
    DeviceColor dark, light;
    PaintDevice::MakeBorderShades(0x00808080, dark, light);
    device.DrawBorderSide(0, 0, 10, 4, kBorderGroove, 0x00808080, true, 0, 0, 0);
    std::vector<std::string> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[0], "line pen 0 color c0c0c0 0,0 10,0") << "light first on the top side";
    EXPECT_EQ(drawn[2], "line pen 0 color 404040 0,-2 10,-2");
    device.DrawBorderSide(0, 0, 10, 2, kBorderRidge, 0x00808080, true, 1, 0, 0);
    drawn = Drawn();
    EXPECT_EQ(drawn[0], "line pen 0 color c0c0c0 0,0 10,0") << "light first on the bottom side";
    EXPECT_EQ(drawn[1], "line pen 0 color 404040 0,1 10,1");
}

TEST_F(DeviceFixture, BevelledEndsMakeMitres) {
    device.DrawBorderSide(0, 0, 20, 2, kBorderSolid, 0, true, 1, 2, 4);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"line pen 0 color 000000 0,0 19,0",
                                                  "line pen 0 color 000000 1,1 17,1"}));
}

TEST_F(DeviceFixture, DashesEndOnAWholeDashWithTheBestGap) {
    // 27 = 20 + 7: the gap of 7 makes the side end on a whole dash.
    device.DrawBorderSide(0, 0, 47, 1, kBorderDashed, 0, true, 1, 0, 0);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"line pen 0 color 000000 0,0 20,0",
                                                  "line pen 0 color 000000 27,0 47,0"}));
    device.DrawBorderSide(0, 0, 12, 1, kBorderDotted, 0, true, 1, 0, 0);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"line pen 0 color 000000 0,0 5,0",
                                                  "line pen 0 color 000000 8,0 12,0"}))
        << "a remainder shortens the last dash";
    device.DrawBorderSide(0, 0, 12, 1, 0x201, 0, true, 1, 0, 0);
    device.DrawBorderSide(0, 0, 12, 1, 0x20b, 0, true, 1, 0, 0);
    EXPECT_TRUE(Drawn().empty());
}

}  // namespace
