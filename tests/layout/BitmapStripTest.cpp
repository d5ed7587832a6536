// Bitmap strips drawn into a real device context: the cells of a resource
// strip plainly, transparently, over a colour, paired and embossed; the
// stand-in cross of a missing file; a strip painted in a window is made again
// after the display changes its colour depth. Pixels are read back from the
// target.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "layout/BitmapStrip.h"
#include "tests/support/WindowTools.h"

namespace {

using Target = testing_support::MemoryCanvas;

const COLORREF kGrey = RGB(192, 192, 192);
const COLORREF kWhite = RGB(255, 255, 255);

// The strip: five 16 x 16 cells on grey, each with a square of its own
// colour from (4, 4) to (11, 11) (cell 1's only its left half, to x 7).
BitmapStrip& Strip() {
    static BitmapStrip strip(GetModuleHandleA(nullptr), "STRIP80", 5, false);
    return strip;
}

TEST(BitmapStrip, CellsOfAResourceStrip) {
    BitmapStrip& strip = Strip();
    EXPECT_EQ(16, strip.CellWidth());
    EXPECT_EQ(16, strip.CellHeight());
    EXPECT_EQ(kGrey, strip.BackgroundColour());

    // Plain: 14 x 14 pixels of cell 2, less its border.
    Target plain(32, kWhite);
    strip.DrawCell(plain.dc, 2, 0, 0, 0, 0);
    EXPECT_EQ(RGB(0, 0, 255), plain.At(3, 3));  // the cell's (4, 4)
    EXPECT_EQ(kGrey, plain.At(0, 0));
    EXPECT_EQ(kGrey, plain.At(13, 13));
    EXPECT_EQ(kWhite, plain.At(14, 14));  // outside what is drawn

    // Centred on (16, 16): the cell starts at (8, 8).
    Target centred(32, kWhite);
    strip.DrawCell(centred.dc, 0, 16, 16, BitmapStrip::kCentreX | BitmapStrip::kCentreY, 0);
    EXPECT_EQ(kWhite, centred.At(7, 7));
    EXPECT_EQ(kGrey, centred.At(8, 8));
    EXPECT_EQ(kGrey, centred.At(10, 10));
    EXPECT_EQ(RGB(255, 0, 0), centred.At(11, 11));

    // A cell that does not exist draws nothing.
    Target none(32, kWhite);
    strip.DrawCell(none.dc, 5, 0, 0, 0, 0);
    EXPECT_EQ(kWhite, none.At(3, 3));
}

TEST(BitmapStrip, TransparentOverTargetOrColour) {
    BitmapStrip& strip = Strip();
    const COLORREF green = RGB(0, 255, 0);
    Target over(32, green);
    strip.DrawCell(over.dc, 3, 0, 0, BitmapStrip::kOverTarget, 0);
    EXPECT_EQ(RGB(255, 255, 0), over.At(3, 3));
    EXPECT_EQ(green, over.At(1, 1));  // the background shows the target
    EXPECT_EQ(green, over.At(12, 12));

    const COLORREF solid = RGB(10, 20, 30);
    Target coloured(32, kWhite);
    strip.DrawCell(coloured.dc, 4, 0, 0, BitmapStrip::kOverColour, solid);
    EXPECT_EQ(RGB(128, 0, 128), coloured.At(5, 5));
    EXPECT_EQ(solid, coloured.At(0, 0));

    // Paired: cell 1's picture within the shapes of cells 0 and 1, so the
    // right half of the square shows cell 1's grey.
    Target paired(32, green);
    strip.DrawCell(paired.dc, 0, 0, 0, BitmapStrip::kOverTarget | BitmapStrip::kPairedCells, 0);
    EXPECT_EQ(RGB(0, 128, 0), paired.At(4, 4));
    EXPECT_EQ(kGrey, paired.At(9, 4));
    EXPECT_EQ(green, paired.At(1, 1));
}

TEST(BitmapStrip, EmbossedCellsUseLightAndDarkShades) {
    BitmapStrip& strip = Strip();
    const COLORREF colour = RGB(200, 10, 250);
    Target target(32, kWhite);
    strip.DrawCell(target.dc, 2, 0, 0, BitmapStrip::kEmbossed | BitmapStrip::kOverColour, colour);
    EXPECT_EQ(RGB(136, 0, 186), target.At(5, 5));     // the shape itself, dark
    EXPECT_EQ(RGB(255, 74, 255), target.At(11, 11));  // one pixel below and right of it, light
    EXPECT_EQ(colour, target.At(1, 1));

    HBITMAP cell = strip.MakeCellBitmap(2, BitmapStrip::kEmbossed | BitmapStrip::kOverColour, colour);
    ASSERT_NE(nullptr, cell);
    BITMAP shape{};
    GetObject(cell, sizeof shape, &shape);
    EXPECT_EQ(14, shape.bmWidth);
    EXPECT_EQ(14, shape.bmHeight);
    DeleteObject(cell);
}

TEST(BitmapStrip, MissingFileShowsACross) {
    BitmapStrip strip("no-such-picture.bmp");
    EXPECT_EQ(1, strip.Cells());
    EXPECT_EQ(16, strip.CellWidth());
    EXPECT_EQ(16, strip.CellHeight());
    Target target(32, RGB(0, 0, 255));
    strip.DrawCell(target.dc, 0, 0, 0, 0, 0);
    EXPECT_EQ(RGB(0, 0, 0), target.At(0, 0));  // the diagonal through (1, 1)
    EXPECT_EQ(RGB(0, 0, 0), target.At(13, 0));
    EXPECT_EQ(kWhite, target.At(3, 0));
    EXPECT_EQ(RGB(0, 0, 255), target.At(14, 14));
}

TEST(BitmapStrip, ImageFileStrip) {
    // A picture read through the image classes: one cell of its size.
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string file(path);
    file = file.substr(0, file.find_last_of("\\/") + 1) + "strip80.bmp";
    BitmapStrip strip(file.c_str());
    EXPECT_EQ(80, strip.CellWidth());
    Target target(32, kWhite);
    strip.DrawCell(target.dc, 0, 0, 0, 0, 0);
    EXPECT_EQ(RGB(255, 0, 0), target.At(3, 3));
    EXPECT_EQ(RGB(0, 128, 0), target.At(19, 3));
}

// Finds a mode of the display's size with another colour depth.
bool OtherDepthMode(DEVMODEA& mode) {
    DEVMODEA current{};
    current.dmSize = sizeof current;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current)) return false;
    for (DWORD i = 0;; ++i) {
        mode = DEVMODEA{};
        mode.dmSize = sizeof mode;
        if (!EnumDisplaySettingsA(nullptr, i, &mode)) return false;
        if (mode.dmBitsPerPel >= 16 && mode.dmBitsPerPel != current.dmBitsPerPel &&
            mode.dmPelsWidth == current.dmPelsWidth && mode.dmPelsHeight == current.dmPelsHeight) {
            return true;
        }
    }
}

// The display's own mode again when the test ends, whatever happened.
struct DisplayModeRestorer {
    ~DisplayModeRestorer() { ChangeDisplaySettingsA(nullptr, 0); }
};

TEST(BitmapStrip, ChangedColourDepthRebuildsAStripInAWindow) {
    BitmapStrip strip(GetModuleHandleA(nullptr), "STRIP80", 5, true);
    int paints = 0;
    int announcedDepth = 0;
    HWND window = testing_support::CreateTestWindow([&](HWND hwnd, UINT message, WPARAM w, LPARAM l) -> LRESULT {
        if (message == WM_DISPLAYCHANGE) {
            announcedDepth = static_cast<int>(w);
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        if (message != WM_PAINT) return DefWindowProcA(hwnd, message, w, l);
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        strip.DrawCell(dc, 2, 0, 0, 0, 0);
        EndPaint(hwnd, &paint);
        ++paints;
        return 0;
    });
    ASSERT_NE(nullptr, window);
    SetWindowPos(window, HWND_TOP, 10, 10, 120, 80, SWP_SHOWWINDOW);
    auto paintedBlue = [&] {
        HDC dc = GetDC(window);
        COLORREF pixel = GetPixel(dc, 3, 3) & 0xFFFFFF;  // the cell's (4, 4)
        ReleaseDC(window, dc);
        return pixel == RGB(0, 0, 255);
    };
    ASSERT_TRUE(testing_support::PumpUntil([&] { return paints > 0; }));
    EXPECT_TRUE(paintedBlue());
    const int built = strip.BuildCount();

    // Painting again on a display of the same depth uses the strip as it is.
    InvalidateRect(window, nullptr, TRUE);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return paints > 1; }));
    EXPECT_EQ(built, strip.BuildCount());

    DEVMODEA other;
    ASSERT_TRUE(OtherDepthMode(other)) << "the display offers no other colour depth";
    DisplayModeRestorer restorer;
    ASSERT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsA(&other, CDS_FULLSCREEN));
    ASSERT_TRUE(testing_support::PumpUntil(
        [&] { return announcedDepth == static_cast<int>(other.dmBitsPerPel) && paints > 2; }));
    EXPECT_EQ(built + 1, strip.BuildCount());
    EXPECT_TRUE(paintedBlue());

    // And back: built once more for the display's own depth.
    ChangeDisplaySettingsA(nullptr, 0);
    ASSERT_TRUE(testing_support::PumpUntil([&] {
        return announcedDepth != static_cast<int>(other.dmBitsPerPel) && paints > 3;
    }));
    EXPECT_EQ(built + 2, strip.BuildCount());
    EXPECT_TRUE(paintedBlue());
    DestroyWindow(window);
}

}  // namespace
