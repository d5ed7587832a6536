// The screen device on real windows and memory device contexts under Wine:
// invalidation at every scale against what the window system then reports,
// border styles drawn pixel by pixel, the real display's lengths, and the
// system font information window.
#include <windows.h>

#include <gtest/gtest.h>

#include "layout/FontTable.h"
#include "layout/ScreenDevice.h"
#include "layout/StyleApplication.h"
#include "layout/SystemFonts.h"
#include "tests/support/WindowTools.h"

using namespace testing_support;

namespace {

int g_scale = 100;
int ScaleOfWindow(void*) {
    return g_scale;
}

TEST(ScreenDevice, InvalidatedAreaIsWhatTheWindowReports) {
    HWND window = CreateTestWindow();
    ASSERT_NE(window, nullptr);
    // Large enough that no invalidated rectangle is clipped by the client area.
    SetWindowPos(window, nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    PaintDevice::SetScaleLookup(ScaleOfWindow);
    {
        ScreenDevice device(window, false);
        const struct {
            int scale;
            RECT expected;
        } cases[] = {
            {50, {6, 11, 36, 51}},
            {100, {11, 21, 41, 61}},
            {200, {22, 42, 82, 122}},
        };
        for (const auto& c : cases) {
            g_scale = c.scale;
            ValidateRect(window, nullptr);
            device.InvalidateArea(11, 21, 30, 40, false);
            RECT update = {};
            ASSERT_TRUE(GetUpdateRect(window, &update, FALSE)) << c.scale;
            EXPECT_EQ(update.left, c.expected.left) << c.scale;
            EXPECT_EQ(update.top, c.expected.top) << c.scale;
            EXPECT_EQ(update.right, c.expected.right) << c.scale;
            EXPECT_EQ(update.bottom, c.expected.bottom) << c.scale;
        }
        ValidateRect(window, nullptr);
    }
    PaintDevice::SetScaleLookup(nullptr);
    g_scale = 100;
    DestroyWindow(window);
}

TEST(ScreenDevice, DoubleBorderLeavesTheMiddleThirdOpen) {
    MemoryCanvas canvas;
    ScreenDevice device(canvas.dc);
    // A bottom side 6 wide: lines 0, 1, 4 and 5 below y = 10.
    device.DrawBorderSide(5, 10, 20, 6, kBorderDouble, RGB(255, 0, 0), true, 1, 0, 0);
    const COLORREF white = RGB(255, 255, 255), red = RGB(255, 0, 0);
    const COLORREF rows[8] = {white, red, red, white, white, red, red, white};  // y = 9 .. 16
    for (int y = 9; y <= 16; ++y) {
        for (int x : {5, 14, 24}) EXPECT_EQ(canvas.At(x, y), rows[y - 9]) << x << "," << y;
        EXPECT_EQ(canvas.At(4, y), white);
        EXPECT_EQ(canvas.At(25, y), white) << "the end point is not drawn";
    }
}

TEST(ScreenDevice, GrooveBorderIsLightThenDarkOnTheTopSide) {
    MemoryCanvas canvas;
    ScreenDevice device(canvas.dc);
    // A top side 4 wide grows upwards from y = 30: light, light, dark, dark.
    device.DrawBorderSide(2, 30, 40, 4, kBorderGroove, RGB(128, 128, 128), true, 0, 0, 0);
    const COLORREF light = RGB(192, 192, 192), dark = RGB(64, 64, 64), white = RGB(255, 255, 255);
    EXPECT_EQ(canvas.At(10, 31), white);
    EXPECT_EQ(canvas.At(10, 30), light);
    EXPECT_EQ(canvas.At(10, 29), light);
    EXPECT_EQ(canvas.At(10, 28), dark);
    EXPECT_EQ(canvas.At(10, 27), dark);
    EXPECT_EQ(canvas.At(10, 26), white);
    // The left side of a ridge, with mitred ends.
    device.DrawBorderSide(10, 2, 20, 2, kBorderRidge, RGB(128, 128, 128), false, 0, 2, 2);
    EXPECT_EQ(canvas.At(10, 2), dark) << "dark first on the left side";
    EXPECT_EQ(canvas.At(9, 2), white) << "the outer line starts later";
    EXPECT_EQ(canvas.At(9, 3), light);
}

TEST(ScreenDevice, TextIsMeasuredInTheRealisedFont) {
    MemoryCanvas canvas;
    ScreenDevice device(canvas.dc);
    LogFont font;
    font.height = -16;
    font.weight = 400;
    SetLogFontFace(font, "Arial");
    device.SetLogFont(font);
    const int32_t narrow = device.GetTextExtent("iiii", 4);
    const int32_t wide = device.GetTextExtent("WWWW", 4);
    EXPECT_GT(narrow, 0);
    EXPECT_GT(wide, narrow);
    DeviceTextMetrics metrics;
    device.GetTextMetrics(metrics);
    EXPECT_GT(metrics.ascent, 0);
    EXPECT_EQ(device.GetDescent(), metrics.descent);
    device.SetFontHeight(32);
    EXPECT_GT(device.GetTextExtent("WWWW", 4), wide);
    device.SetTextColor(RGB(0, 0, 0));
    device.DrawText(2, 2, "WW", 2);
    bool inked = false;
    for (int y = 2; y < 34 && !inked; ++y) {
        for (int x = 2; x < 40 && !inked; ++x) inked = canvas.At(x, y) != RGB(255, 255, 255);
    }
    EXPECT_TRUE(inked);
}

TEST(ScreenDevice, PointsAndInchesOnTheDisplay) {
    MemoryCanvas canvas;
    ScreenDevice device(canvas.dc);
    const int dpi = device.Dpi(false);
    ASSERT_EQ(dpi, 96) << "the test display runs at 96 dpi";
    EXPECT_EQ(ConvertCssLength(device, 72, 0x09, false, 0), 96);
    EXPECT_EQ(ConvertCssLength(device, 1, 0x08, true, 0), 96);
}

TEST(SystemFonts, TheInformationWindowLivesWhileFontsAreHeld) {
    const char kClass[] = "ZINTU ASysInfo class window";
    EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr);
    AcquireSystemFontInfo();
    EXPECT_NE(FindWindowA(kClass, nullptr), nullptr);
    EXPECT_NE(SystemMenuFont(), nullptr);
    EXPECT_NE(SystemMenuLogFont().lfHeight, 0);
    AcquireSystemFontInfo();
    ReleaseSystemFontInfo();
    EXPECT_NE(FindWindowA(kClass, nullptr), nullptr) << "still held once";
    ReleaseSystemFontInfo();
    EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr);
    EXPECT_EQ(SystemMenuFont(), nullptr);
    ReleaseSystemFontInfo();  // one release too many changes nothing
    EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr);
}

TEST(SystemFonts, TheFontTableListsTheDisplaysFaces) {
    const char* generic[5] = {"Times New Roman", "Arial", nullptr, nullptr, "Courier New"};
    FontTable* table = CreateScreenFontTable(generic, 20);
    ASSERT_NE(table, nullptr);
    const uint16_t arial = FindFontFaceId("ARIAL");
    ASSERT_NE(arial, kUnknownFace) << "Arial is installed or substituted";
    EXPECT_EQ(FontFaceFlags(arial), kFaceInstalled);
    EXPECT_EQ(FindFontFaceId("sans-serif"), arial);
    // Arial has a bold face: heavier from normal reaches it.
    const int bold = NextFontWeight(arial, 4, true);
    EXPECT_GE(bold, 5);
    EXPECT_LE(bold, 7);
    DestroyScreenFontTable();
    EXPECT_EQ(g_fontTable, nullptr);
}

}  // namespace
