// Frames as plain pixels for drawing: a frame of any bit depth, or the
// picture an animation shows at one of its frames (each frame laid over the
// ones before it as their disposal methods say), as 32-bit pixels with a
// mask of the pixels that show. The drawing side only blits the result.
#pragma once
#include <cstdint>
#include <vector>

class Image;
class ImageFrame;

struct ImageRaster {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first; 0 where nothing shows
    std::vector<uint8_t> shows;    // 1 where a pixel shows

    void Reset(int w, int h);
    bool AnyHidden() const;
};

// The frame's decoded rows (rows not decoded yet show nothing).
void RasterOfFrame(const Image& image, const ImageFrame& frame, ImageRaster& out);

// The running picture of an animation, kept by the image while it is shown.
class ImageComposition {
public:
    // The picture with frame n (1-based) shown; false when there is no
    // such frame.
    bool Compose(const Image& image, int n);
    const ImageRaster& Picture() const { return picture_; }
    int LastComposed() const { return last_; }

private:
    ImageRaster picture_;
    ImageRaster saved_;  // the state before a frame that restores it after
    bool restore_ = false;
    int last_ = 0;
};
