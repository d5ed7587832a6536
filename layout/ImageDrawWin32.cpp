// Drawing images on a GDI device context: the frame (or the animation's
// picture) as 32-bit pixels, with a monochrome mask where pixels are
// transparent, stretched to the destination and clipped to what may be
// drawn; backgrounds are tiled from the origin.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/Preferences.h"
#include "layout/Image.h"
#include "layout/ImageRaster.h"

namespace {

COLORREF ToColorRef(uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void Fill(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT area{left, top, right, bottom};
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

// A picture as GDI objects: its pixels in a 32-bit DIB section and, where
// some pixels do not show, a monochrome mask (white where nothing shows).
class GdiPicture : public ImageDeviceCache {
public:
    GdiPicture(const ImageRaster& raster, const ImageFrame* from) : frame(from), width_(raster.width), height_(raster.height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap_ || !bits) return;
        std::copy(raster.pixels.begin(), raster.pixels.end(), static_cast<uint32_t*>(bits));
        if (raster.AnyHidden()) {
            int stride = ((width_ + 15) / 16) * 2;
            std::vector<uint8_t> maskBits(static_cast<size_t>(stride) * height_, 0);
            for (int y = 0; y < height_; ++y) {
                for (int x = 0; x < width_; ++x) {
                    if (!raster.shows[static_cast<size_t>(y) * width_ + x])
                        maskBits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
                }
            }
            mask_ = CreateBitmap(width_, height_, 1, 1, maskBits.data());
        }
    }
    ~GdiPicture() override {
        if (bitmap_) DeleteObject(bitmap_);
        if (mask_) DeleteObject(mask_);
    }
    GdiPicture(const GdiPicture&) = delete;
    GdiPicture& operator=(const GdiPicture&) = delete;

    bool Made() const { return bitmap_ != nullptr; }

    // One copy of the picture at (x, y) in w x h.
    void Blit(HDC dc, HDC source, int32_t x, int32_t y, int32_t w, int32_t h) const {
        if (mask_) {
            // Clear where the picture shows, then paint it in: the hidden
            // pixels are black in the picture and leave the target alone.
            HGDIOBJ old = SelectObject(source, mask_);
            COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
            COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
            StretchBlt(dc, x, y, w, h, source, 0, 0, width_, height_, SRCAND);
            SetTextColor(dc, oldText);
            SetBkColor(dc, oldBack);
            SelectObject(source, bitmap_);
            StretchBlt(dc, x, y, w, h, source, 0, 0, width_, height_, SRCPAINT);
            SelectObject(source, old);
        } else {
            HGDIOBJ old = SelectObject(source, bitmap_);
            StretchBlt(dc, x, y, w, h, source, 0, 0, width_, height_, SRCCOPY);
            SelectObject(source, old);
        }
    }

    // What it was made from: a still frame as far as it was decoded (null
    // for an animation's picture, which changes with every frame).
    const ImageFrame* frame;
    int rows = 0;

private:
    int width_, height_;
    HBITMAP bitmap_ = nullptr;
    HBITMAP mask_ = nullptr;
};

// Draws the picture once, or tiled from the origin over the part to draw.
void DrawPicture(HDC dc, const GdiPicture& picture, const ImagePlacement& at, int32_t x, int32_t y, int32_t w,
                 int32_t h) {
    HDC source = CreateCompatibleDC(dc);
    if (!source) return;
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    if (at.tileWidth > 0 && at.tileHeight > 0) {
        int32_t left = at.clipLeft - ((at.clipLeft - x) % at.tileWidth + at.tileWidth) % at.tileWidth;
        int32_t top = at.clipTop - ((at.clipTop - y) % at.tileHeight + at.tileHeight) % at.tileHeight;
        for (int32_t ty = top; ty < at.clipBottom; ty += at.tileHeight) {
            for (int32_t tx = left; tx < at.clipRight; tx += at.tileWidth) picture.Blit(dc, source, tx, ty, w, h);
        }
    } else {
        picture.Blit(dc, source, x, y, w, h);
    }
    SetStretchBltMode(dc, oldMode);
    DeleteDC(source);
}

bool ShowAnimation() {
    return !g_preferences || g_preferences->Get(PrefInt::ShowAnimation) != 0;
}

}  // namespace

int Image::Draw(void* context, uint32_t backgroundColour, const ImagePlacement& at) {
    auto* dc = static_cast<HDC>(context);
    if (!dc || at.clipRight <= at.clipLeft || at.clipBottom <= at.clipTop) return 0;
    COLORREF background = at.printing ? RGB(255, 255, 255) : static_cast<COLORREF>(backgroundColour);
    int32_t w = at.width > 0 ? at.width : width_;
    int32_t h = at.height > 0 ? at.height : height_;

    // What to show: the animation's picture, or one frame at its offset.
    ImageRaster still;
    const ImageRaster* picture = &still;
    const ImageFrame* stillFrame = nullptr;
    int32_t x = at.x;
    int32_t y = at.y;
    int32_t pictureWidth = w;
    int32_t pictureHeight = h;
    bool animate = IsAnimated() && !at.printing && !at.background && ShowAnimation();
    if (animate) {
        if (!composition_) composition_.reset(new (std::nothrow) ImageComposition);
        int n = frameToShow_;
        if (!composition_ || !composition_->Compose(*this, n)) animate = false;
        if (animate) {
            picture = &composition_->Picture();
            if (FrameByNumber(n) && FrameByNumber(n)->rowsDecoded > 0) AdvanceAnimation();
        }
    }
    if (!animate) {
        const ImageFrame* frame = at.printing ? FrameByNumber(1) : current_;
        if (!frame || frame->rowsDecoded <= 0 || width_ <= 0 || height_ <= 0) {
            if (at.background) {
                Fill(dc, std::max(at.x, at.clipLeft), std::max(at.y, at.clipTop),
                     std::min(at.x + w, at.clipRight), std::min(at.y + h, at.clipBottom), background);
            }
            return 0;
        }
        stillFrame = frame;
        // The frame's place and size within the picture, scaled alike.
        x += static_cast<int32_t>(int64_t{frame->left} * w / width_);
        y += static_cast<int32_t>(int64_t{frame->top} * h / height_);
        pictureWidth = static_cast<int32_t>(int64_t{frame->width} * w / width_);
        pictureHeight = static_cast<int32_t>(int64_t{frame->height} * h / height_);
        if (frame->width <= 0 || frame->height <= 0 || pictureWidth <= 0 || pictureHeight <= 0) return 0;
    }

    // The bitmaps of a complete still image are kept while windows show
    // it; a picture still arriving is made anew as it grows.
    auto* kept = stillFrame ? dynamic_cast<GdiPicture*>(deviceCache_.get()) : nullptr;
    if (kept && (kept->frame != stillFrame || kept->rows != stillFrame->rowsDecoded)) kept = nullptr;
    if (!kept && stillFrame) RasterOfFrame(*this, *stillFrame, still);
    const bool single = kept ? false : picture->width == 1 && picture->height == 1;
    if (!kept && (picture->width <= 0 || picture->height <= 0 || pictureWidth <= 0 || pictureHeight <= 0)) return 0;

    int saved = SaveDC(dc);
    IntersectClipRect(dc, at.clipLeft, at.clipTop, at.clipRight, at.clipBottom);
    if (single) {
        // One pixel fills the destination: no bitmap for it. As tiles it
        // covers all that may be drawn, not just its first tile.
        const bool tiled = at.tileWidth > 0 && at.tileHeight > 0;
        const int32_t left = tiled ? at.clipLeft : x, top = tiled ? at.clipTop : y;
        const int32_t right = tiled ? at.clipRight : x + pictureWidth;
        const int32_t bottom = tiled ? at.clipBottom : y + pictureHeight;
        if (picture->shows[0])
            Fill(dc, left, top, right, bottom, ToColorRef(picture->pixels[0]));
        else if (at.background)
            Fill(dc, left, top, right, bottom, background);
    } else if (kept) {
        DrawPicture(dc, *kept, at, x, y, pictureWidth, pictureHeight);
    } else {
        std::unique_ptr<GdiPicture> made(new (std::nothrow) GdiPicture(*picture, stillFrame));
        if (made && made->Made()) {
            DrawPicture(dc, *made, at, x, y, pictureWidth, pictureHeight);
            if (stillFrame && viewerCount_ > 0 && complete_) {
                made->rows = stillFrame->rowsDecoded;
                deviceCache_ = std::move(made);
            }
        }
    }
    RestoreDC(dc, saved);
    return 1;
}
