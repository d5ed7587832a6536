#include "layout/ImageRaster.h"

#include <algorithm>

#include "layout/Image.h"

void ImageRaster::Reset(int w, int h) {
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    pixels.assign(static_cast<size_t>(width) * height, 0);
    shows.assign(static_cast<size_t>(width) * height, 0);
}

bool ImageRaster::AnyHidden() const {
    return std::find(shows.begin(), shows.end(), 0) != shows.end();
}

namespace {

// Lays the frame's decoded pixels over the raster at (left, top).
void LayOver(const Image& image, const ImageFrame& frame, ImageRaster& out, int left, int top) {
    int count = 0;
    const ImageColour* table = image.FrameColours(frame, count);
    for (int y = 0; y < frame.height; ++y) {
        const uint8_t* row = frame.Row(y);
        int ty = top + y;
        if (!row || ty < 0 || ty >= out.height) continue;
        for (int x = 0; x < frame.width; ++x) {
            int tx = left + x;
            if (tx < 0 || tx >= out.width) continue;
            uint32_t colour;
            if (frame.bitsPerPixel == 24) {
                colour = (uint32_t{row[3 * x + 2]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
            } else {
                int index;
                if (frame.bitsPerPixel == 8) {
                    index = row[x];
                } else if (frame.bitsPerPixel == 4) {
                    index = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
                } else {
                    index = (row[x / 8] >> (7 - (x & 7))) & 1;
                }
                if (index == frame.transparent) continue;
                ImageColour c = index < count && table ? table[index] : ImageColour{0, 0, 0, 0};
                colour = (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
            }
            size_t at = static_cast<size_t>(ty) * out.width + tx;
            out.pixels[at] = colour;
            out.shows[at] = 1;
        }
    }
}

void Clear(ImageRaster& out, const ImageFrame& frame) {
    for (int y = std::max(frame.top, 0); y < std::min(frame.top + frame.height, out.height); ++y) {
        for (int x = std::max(frame.left, 0); x < std::min(frame.left + frame.width, out.width); ++x) {
            size_t at = static_cast<size_t>(y) * out.width + x;
            out.pixels[at] = 0;
            out.shows[at] = 0;
        }
    }
}

}  // namespace

void RasterOfFrame(const Image& image, const ImageFrame& frame, ImageRaster& out) {
    out.Reset(frame.width, frame.height);
    LayOver(image, frame, out, 0, 0);
}

bool ImageComposition::Compose(const Image& image, int n) {
    const ImageFrame* frame = image.FrameByNumber(n);
    if (!frame) return false;
    if (n == last_ && frame->disposal <= 1 && picture_.width == image.Width()) return true;
    if (picture_.width != image.Width() || picture_.height != image.Height() || n == 1) {
        // The first frame starts from nothing, as does a changed size.
        picture_.Reset(image.Width(), image.Height());
        restore_ = false;
    } else if (restore_) {
        picture_ = saved_;
        restore_ = false;
    } else if (const ImageFrame* before = image.FrameByNumber(n - 1)) {
        if (before->disposal == 2) Clear(picture_, *before);
    }
    if (frame->disposal == 3) {
        saved_ = picture_;
        restore_ = true;
    }
    LayOver(image, *frame, picture_, frame->left, frame->top);
    last_ = n;
    return true;
}
