// Images drawn on a real device context through the screen device: scaled,
// transparent over what is there, tiled from the origin, filled while empty,
// single pixels, and animations that move on with each drawing.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "layout/BmpImage.h"
#include "layout/GifImage.h"
#include "layout/ScreenDevice.h"
#include "tests/layout/ImageTestSupport.h"
#include "tests/support/WindowTools.h"

using image_test::FeedWhole;
using image_test::Fixture;
using image_test::FramePixels;

namespace {

// A 32 x 32 canvas with a screen device on it.
class Target : public testing_support::MemoryCanvas {
public:
    explicit Target(COLORREF fill) : MemoryCanvas(32, fill), device_(dc) {}
    int Draw(Image& image, int32_t x, int32_t y, int32_t w, int32_t h, int32_t tile = 0,
             bool background = false, DeviceRect clip = DeviceRect{0, 0, 32, 32}) {
        return device_.DrawImage(x, y, clip, w, h, image, tile ? image.Width() : 0, tile ? image.Height() : 0,
                                 background);
    }
    ScreenDevice& Device() { return device_; }

private:
    ScreenDevice device_;
};

// The colour of pixel (x, y) of a frame, as GDI reads it back.
COLORREF PixelOf(const std::vector<uint8_t>& rgba, int width, int x, int y) {
    const uint8_t* p = &rgba[4 * (static_cast<size_t>(y) * width + x)];
    return RGB(p[0], p[1], p[2]);
}

TEST(ImageDraw, StillImagesScaleAndClip) {
    BmpImage image;
    FeedWhole(image, Fixture("bmp/b24.bmp"));  // 7 x 5
    std::vector<uint8_t> pixels = FramePixels(image, *image.FrameByNumber(1));
    Target target(RGB(255, 255, 255));
    EXPECT_EQ(1, target.Draw(image, 2, 2, 14, 10));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(PixelOf(pixels, 7, x, y), target.At(2 + 2 * x, 2 + 2 * y)) << x << "," << y;
            EXPECT_EQ(PixelOf(pixels, 7, x, y), target.At(3 + 2 * x, 3 + 2 * y)) << x << "," << y;
        }
    }
    EXPECT_EQ(RGB(255, 255, 255), target.At(1, 1));
    EXPECT_EQ(RGB(255, 255, 255), target.At(16, 12));

    // Only what the clip rectangle allows.
    Target clipped(RGB(255, 255, 255));
    clipped.Draw(image, 0, 0, 7, 5, 0, false, DeviceRect{0, 0, 3, 5});
    EXPECT_EQ(PixelOf(pixels, 7, 2, 0), clipped.At(2, 0));
    EXPECT_EQ(RGB(255, 255, 255), clipped.At(3, 0));
}

TEST(ImageDraw, AViewedCompleteImageKeepsItsBitmapsUntilTheLastViewerGoes) {
    GifImage image;
    FeedWhole(image, Fixture("gif/transparent.gif"));
    ASSERT_TRUE(image.IsComplete());
    Target unviewed(RGB(255, 0, 0));
    unviewed.Draw(image, 0, 0, image.Width(), image.Height());
    EXPECT_FALSE(image.HoldsDeviceBitmaps()) << "nobody shows it: nothing kept";

    int first = 0, second = 0;
    image.AttachViewer(&first);
    image.AttachViewer(&second);
    Target once(RGB(255, 0, 0)), twice(RGB(255, 0, 0));
    once.Draw(image, 0, 0, image.Width(), image.Height());
    EXPECT_TRUE(image.HoldsDeviceBitmaps());
    // Drawn again from the kept bitmaps: the same pixels, transparency too.
    twice.Draw(image, 0, 0, image.Width(), image.Height());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) ASSERT_EQ(unviewed.At(x, y), twice.At(x, y)) << x << "," << y;
    }
    image.DetachViewer(&first);
    EXPECT_TRUE(image.HoldsDeviceBitmaps()) << "one window still shows it";
    image.DetachViewer(&second);
    EXPECT_FALSE(image.HoldsDeviceBitmaps());
}

TEST(ImageDraw, TransparentPixelsLeaveTheTarget) {
    GifImage image;
    FeedWhole(image, Fixture("gif/transparent.gif"));
    const ImageFrame& frame = *image.FrameByNumber(1);
    std::vector<uint8_t> pixels = FramePixels(image, frame);
    const COLORREF red = RGB(255, 0, 0);
    Target target(red);
    target.Draw(image, 0, 0, image.Width(), image.Height());
    int hidden = 0;
    for (int y = 0; y < frame.height && y < 32; ++y) {
        for (int x = 0; x < frame.width && x < 32; ++x) {
            bool shows = pixels[4 * (static_cast<size_t>(y) * frame.width + x) + 3] != 0;
            hidden += shows ? 0 : 1;
            EXPECT_EQ(shows ? PixelOf(pixels, frame.width, x, y) : red, target.At(x, y)) << x << "," << y;
        }
    }
    EXPECT_GT(hidden, 0);
}

TEST(ImageDraw, BackgroundsTileFromTheOriginAndFillWhileEmpty) {
    BmpImage image;
    FeedWhole(image, Fixture("bmp/b24.bmp"));
    std::vector<uint8_t> pixels = FramePixels(image, *image.FrameByNumber(1));
    Target target(RGB(255, 255, 255));
    target.Draw(image, -3, -2, 7, 5, 1, true);
    for (int y : {0, 7, 31}) {
        for (int x : {0, 4, 30}) {
            EXPECT_EQ(PixelOf(pixels, 7, (x + 3) % 7, (y + 2) % 5), target.At(x, y)) << x << "," << y;
        }
    }

    // Nothing decoded yet: a background fills its place with the colour.
    Image empty;
    Target filled(RGB(255, 255, 255));
    filled.Device().SetBackgroundColor(RGB(0, 0, 255));
    EXPECT_EQ(0, filled.Draw(empty, 4, 4, 10, 10, 0, true));
    EXPECT_EQ(RGB(0, 0, 255), filled.At(4, 4));
    EXPECT_EQ(RGB(0, 0, 255), filled.At(13, 13));
    EXPECT_EQ(RGB(255, 255, 255), filled.At(14, 14));
    Target untouched(RGB(255, 255, 255));
    untouched.Draw(empty, 4, 4, 10, 10);
    EXPECT_EQ(RGB(255, 255, 255), untouched.At(4, 4));
}

TEST(ImageDraw, OnePixelFillsItsPlace) {
    // A 1 x 1 bitmap of (10, 200, 30).
    std::string bmp(14, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    std::string info(40, '\0');
    const int32_t fields[] = {40, 1, 1};
    memcpy(&info[0], fields, sizeof fields);
    info[12] = 1;
    info[14] = 24;
    bmp += info + std::string{char(30), char(200), char(10), 0};
    BmpImage image;
    FeedWhole(image, bmp);
    Target target(RGB(255, 255, 255));
    target.Draw(image, 2, 2, 6, 6);
    EXPECT_EQ(RGB(10, 200, 30), target.At(2, 2));
    EXPECT_EQ(RGB(10, 200, 30), target.At(7, 7));
    EXPECT_EQ(RGB(255, 255, 255), target.At(8, 8));

    // As tiles (a page's background of one pixel): all of the area to cover.
    Target tiled(RGB(255, 255, 255));
    tiled.Draw(image, -5, -5, 1, 1, 1, true, DeviceRect{4, 4, 20, 20});
    EXPECT_EQ(RGB(10, 200, 30), tiled.At(4, 4));
    EXPECT_EQ(RGB(10, 200, 30), tiled.At(19, 19));
    EXPECT_EQ(RGB(255, 255, 255), tiled.At(20, 20));
    EXPECT_EQ(RGB(255, 255, 255), tiled.At(3, 3));
}

TEST(ImageDraw, AnimationsMoveOnWithEachDrawing) {
    GifImage image;
    FeedWhole(image, Fixture("gif/forever.gif"));  // red, green, blue, 8 x 8
    ASSERT_EQ(3u, image.FrameCount());
    Target target(RGB(255, 255, 255));
    const COLORREF shown[] = {RGB(255, 0, 0), RGB(0, 128, 0), RGB(0, 0, 255), RGB(255, 0, 0)};
    for (COLORREF colour : shown) {
        target.Draw(image, 0, 0, 8, 8);
        EXPECT_EQ(colour, target.At(4, 4));
    }
    EXPECT_EQ(2, image.FrameToShow());
}

}  // namespace
