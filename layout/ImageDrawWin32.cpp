// Drawing images on a GDI device context: the frame (or the animation's
// picture) as 32-bit pixels, with a monochrome mask where pixels are
// transparent, stretched to the destination and clipped to what may be
// drawn; backgrounds are tiled from the origin.
#include <windows.h>

#include <algorithm>
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

// A monochrome bitmap, white where nothing shows.
HBITMAP MaskOf(const ImageRaster& raster) {
    int stride = ((raster.width + 15) / 16) * 2;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * raster.height, 0);
    for (int y = 0; y < raster.height; ++y) {
        for (int x = 0; x < raster.width; ++x) {
            if (!raster.shows[static_cast<size_t>(y) * raster.width + x])
                bits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
    }
    return CreateBitmap(raster.width, raster.height, 1, 1, bits.data());
}

// One copy of the picture at (x, y) in w x h.
void Blit(HDC dc, const ImageRaster& raster, HBITMAP mask, int32_t x, int32_t y, int32_t w, int32_t h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = raster.width;
    info.bmiHeader.biHeight = -raster.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    if (mask) {
        // Clear where the picture shows, then paint it in: the hidden
        // pixels are black in the picture and leave the target alone.
        HDC maskDc = CreateCompatibleDC(dc);
        if (maskDc) {
            HGDIOBJ old = SelectObject(maskDc, mask);
            COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
            COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
            StretchBlt(dc, x, y, w, h, maskDc, 0, 0, raster.width, raster.height, SRCAND);
            SetTextColor(dc, oldText);
            SetBkColor(dc, oldBack);
            SelectObject(maskDc, old);
            DeleteDC(maskDc);
        }
        StretchDIBits(dc, x, y, w, h, 0, 0, raster.width, raster.height, raster.pixels.data(), &info,
                      DIB_RGB_COLORS, SRCPAINT);
    } else {
        StretchDIBits(dc, x, y, w, h, 0, 0, raster.width, raster.height, raster.pixels.data(), &info,
                      DIB_RGB_COLORS, SRCCOPY);
    }
    SetStretchBltMode(dc, oldMode);
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
        RasterOfFrame(*this, *frame, still);
        // The frame's place and size within the picture, scaled alike.
        x += static_cast<int32_t>(int64_t{frame->left} * w / width_);
        y += static_cast<int32_t>(int64_t{frame->top} * h / height_);
        pictureWidth = static_cast<int32_t>(int64_t{frame->width} * w / width_);
        pictureHeight = static_cast<int32_t>(int64_t{frame->height} * h / height_);
    }
    if (picture->width <= 0 || picture->height <= 0 || pictureWidth <= 0 || pictureHeight <= 0) return 0;

    int saved = SaveDC(dc);
    IntersectClipRect(dc, at.clipLeft, at.clipTop, at.clipRight, at.clipBottom);
    if (picture->width == 1 && picture->height == 1) {
        // One pixel fills the destination.
        if (picture->shows[0])
            Fill(dc, x, y, x + pictureWidth, y + pictureHeight, ToColorRef(picture->pixels[0]));
        else if (at.background)
            Fill(dc, x, y, x + pictureWidth, y + pictureHeight, background);
    } else {
        HBITMAP mask = picture->AnyHidden() ? MaskOf(*picture) : nullptr;
        if (at.tileWidth > 0 && at.tileHeight > 0) {
            // Tiles aligned to the origin, over the part to draw.
            int32_t left = at.clipLeft - ((at.clipLeft - x) % at.tileWidth + at.tileWidth) % at.tileWidth;
            int32_t top = at.clipTop - ((at.clipTop - y) % at.tileHeight + at.tileHeight) % at.tileHeight;
            for (int32_t ty = top; ty < at.clipBottom; ty += at.tileHeight) {
                for (int32_t tx = left; tx < at.clipRight; tx += at.tileWidth)
                    Blit(dc, *picture, mask, tx, ty, pictureWidth, pictureHeight);
            }
        } else {
            Blit(dc, *picture, mask, x, y, pictureWidth, pictureHeight);
        }
        if (mask) DeleteObject(mask);
    }
    RestoreDC(dc, saved);
    return 1;
}
