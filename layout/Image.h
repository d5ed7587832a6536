// Decoded pictures: an Image is a list of frames in the program's own
// device-independent form, filled incrementally by a decoder class as data
// arrives, and shared through the counted ImageHandle.
//
// Ownership: an Image owns its frames, and every row and colour table lives
// in the image's one pool of image memory, so the decoded data goes in one
// step (Reset, ReleaseData, the destructor). Handles count uses; the memory
// manager holds one more use while it lists an unviewed image.
//
// Decoders: Decode(data, length, moreToCome) answers how many bytes at the
// end of data it could not use yet; the caller hands those bytes again in
// front of the next data. A decoder that meets bad data marks the image
// complete with what it has; the rows decoded so far stay drawable.
#pragma once
#include <cstdint>
#include <memory>
#include <new>

#include "core/ListNode.h"
#include "core/MemoryClients.h"
#include "core/MemoryPool.h"
#include "net/UrlHandle.h"

// One colour table entry, in the order of a DIB's colour table.
struct ImageColour {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t zero;
};

class Image;
class ImageComposition;

class ImageFrame : public ListNode {
public:
    explicit ImageFrame(Image* image) : owner(image) {}

    // Bytes of one row: ceil(width x bits / 8).
    uint32_t RowBytes() const { return (static_cast<uint32_t>(width) * bitsPerPixel + 7) / 8; }
    // The row (top row 0), or null while it was never written.
    uint8_t* Row(int y) const { return rows && y >= 0 && y < height ? rows[y] : nullptr; }

    Image* owner;
    uint8_t** rows = nullptr;        // top row first; from the image's pool
    ImageColour* colours = nullptr;  // own table, or null for the image's
    int colourCount = 0;
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    int delay = 1;  // hundredths of a second, at least 1
    uint8_t disposal = 0;
    uint8_t bitsPerPixel = 8;  // 1, 4, 8 or 24
    int rowsDecoded = 0;
    int transparent = -1;  // colour index, none when negative
    bool interlaced = false;
    bool complete = false;
};

// What an image tells the windows that show it: the animation's next frame
// is due (message 0x8187). Registered by the Win32 side; none natively.
class AnimationClock {
public:
    // Post 0x8187 with the URL id and parameter to the viewer after delayMs.
    virtual void Post(void* viewer, uint32_t urlId, uint32_t parameter, uint32_t delayMs) = 0;
    // Cancel the viewer's pending 0x8187 for this URL id.
    virtual void Cancel(void* viewer, uint32_t urlId) = 0;

protected:
    virtual ~AnimationClock() = default;
};
void SetAnimationClock(AnimationClock* clock);

// What a device keeps of a picture while windows show it (the GDI bitmap
// and mask of the Windows build), so that it is not made again on every
// draw. Dropped when the last window stops showing the image.
class ImageDeviceCache {
public:
    virtual ~ImageDeviceCache() = default;
};

// Where and how an image is drawn (device pixels).
struct ImagePlacement {
    int32_t x = 0, y = 0;           // the destination: the whole picture's place
    int32_t width = 0, height = 0;  // and size (scaled when it differs)
    int32_t clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;  // what may be drawn
    int32_t tileWidth = 0, tileHeight = 0;                             // repeat steps; 0: drawn once
    bool background = false;  // a background: fills where nothing decoded
    bool printing = false;
};

class Image : public ReleasableImage {
public:
    static constexpr int kLoopForever = 65535;
    // How a file is read: chunks of this size, after the bytes the previous
    // Decode left.
    static constexpr uint32_t kFileChunk = 10240;

    Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() override;

    // Only BmpImage knows built-in pictures; others answer the complete flag.
    virtual int LoadBuiltIn(const char* name) { return complete_ ? 1 : 0; }
    // Bytes left unconsumed at the end of data. A plain image decodes nothing.
    virtual uint32_t Decode(const uint8_t* data, uint32_t length, bool moreToCome) { return 0; }
    // Drops frames, flags and any decoder state: the image can be fed again.
    virtual void Reset();

    // 0 only when no read buffer could be had; a file that cannot be opened
    // answers 1 and leaves the image empty.
    int LoadLocalFile(const char* fileName);

    // ReleasableImage: the handles' count, and the memory manager's trim.
    void AddUse() override { ++useCount_; }
    void DropUse() override;
    int ReleaseData() override;
    // A GIF of a URL: it animates for each window that shows it.
    bool AnimatesFromUrl() const;
    int UseCount() const { return useCount_; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool IsComplete() const { return complete_; }
    bool IsAnimated() const { return frames_.Count() > 1; }
    int LoopCount() const { return loopCount_; }
    unsigned FrameCount() const { return frames_.Count(); }
    ImageFrame* CurrentFrame() const { return current_; }
    // 1-based; null when there is no such frame.
    ImageFrame* FrameByNumber(int n) const;
    // Makes frame n (1-based) the current one; false when there is none.
    bool SelectFrame(int n);
    // A row of the current frame, or null.
    const uint8_t* GetRow(int row) const { return current_ ? current_->Row(row) : nullptr; }
    const ImageColour* Colours() const { return colours_; }
    int ColourCount() const { return colourCount_; }
    // The frame's own table, else the image's; count through count.
    const ImageColour* FrameColours(const ImageFrame& frame, int& count) const;
    uint32_t UrlId() const { return urlId_; }
    void SetUrlId(uint32_t id) { urlId_ = id; }
    // The content kind the image was made for (0 when made otherwise).
    int ContentKind() const { return contentKind_; }
    void SetContentKind(int kind) { contentKind_ = kind; }
    // The URL the image was loaded from; empty for files and built-in
    // pictures.
    const UrlHandle& Url() const { return url_; }
    void SetUrl(const UrlHandle& url);

    // Draws on a device context (the Windows build): still images show the
    // current frame (the first when printing), animated ones the picture at
    // the frame to show, which then moves on. Transparent pixels leave the
    // target as it is; a picture with no rows yet fills the destination
    // with the background colour when drawn as a background.
    int Draw(void* dc, uint32_t backgroundColour, const ImagePlacement& placement);

    // A packed DIB of the current frame: 40-byte header, the colour table
    // (4 x 2^bits bytes up to 8 bits), rows padded to 4 bytes, bottom-up.
    // 0 when there is no frame, no rows, or no colour table up to 8 bits.
    uint32_t GetDibSize() const;
    // Writes it; 0 when the buffer is too small.
    int CopyDib(uint8_t* buffer, uint32_t size) const;

    // A window (through its message handler) starts or stops showing the
    // image. While any window shows it, the image stays out of the image
    // cache's trimming; an image never decoded whose data lies in a cache
    // file is decoded from it; a GIF from a URL animates for each window.
    void AttachViewer(void* viewer);
    void DetachViewer(void* viewer);
    int ViewerCount() const { return viewerCount_; }
    // Whether a device keeps bitmaps of the picture (while it is viewed).
    bool HoldsDeviceBitmaps() const { return deviceCache_ != nullptr; }

    // Animation viewers (the windows that show the image) and their loops.
    void StartAnimation(void* viewer, int loops);
    void StopAnimation(void* viewer);
    // Every counted viewer loses a loop; one at 0 stops animating.
    void CountLoop();
    // Loops left of a viewer; -1 when it does not animate the image.
    int ViewerLoops(void* viewer) const;
    // The frame that shows next, and moving on to the one after it (a loop
    // counted after the last frame of a complete image): what drawing an
    // animated image does. Answers the frame shown.
    int FrameToShow() const { return frameToShow_; }
    int AdvanceAnimation();

protected:
    // For the decoders.
    ImageFrame* StartFrame();
    // Sets the frame's size; each decoder sets the image's size by its own format's rule.
    void SetFrameSize(ImageFrame& frame, int width, int height);
    void SetImageSize(int width, int height) {
        width_ = width;
        height_ = height;
    }
    // A table of count entries from the pool, zeroed; null when it fails.
    ImageColour* AllocateColours(int count);
    void SetImageColours(ImageColour* colours, int count) {
        colours_ = colours;
        colourCount_ = count;
    }
    // The row to write, allocated on first use (cleared, unless the caller
    // writes all of it at once); null when the pool fails or the row is
    // outside the frame, which fails the image.
    uint8_t* RowForWriting(ImageFrame& frame, int y, bool filledWhole = false);
    void SetLoopCount(int loops) { loopCount_ = loops; }
    // Marks the image complete and finishes its pool; the first frame
    // becomes the current one.
    void MarkComplete();
    // A decoder finished a frame.
    void OnFrameComplete(ImageFrame& frame);
    // The decoder's state block, made zeroed on the first call; false when
    // there is no memory for it (the caller keeps its data for later).
    template <class State>
    bool HoldState(std::unique_ptr<State>& state) {
        if (state) return true;
        state.reset(new (std::nothrow) State());
        if (state) decodingState_ = 1;
        return state != nullptr;
    }
    bool complete_ = false;
    bool descriptorSeen_ = false;
    int decodingState_ = 0;  // 0 idle, 1 decoding, 2 finished

private:
    void* AllocateAligned(uint32_t size);
    void FreeFrames();
    void PostToViewers(int frameNumber, uint32_t delayMs);

    MemoryPool pool_;
    NodeList frames_;
    ImageFrame* current_ = nullptr;
    uint32_t urlId_ = 0;
    int contentKind_ = 0;
    UrlHandle url_;
    ImageColour* colours_ = nullptr;
    int colourCount_ = 0;
    int width_ = 0;
    int height_ = 0;
    int loopCount_ = 1;
    int frameToShow_ = 1;
    bool animating_ = false;
    NodeList viewers_;
    std::unique_ptr<ImageComposition> composition_;  // while an animation shows
    std::unique_ptr<ImageDeviceCache> deviceCache_;  // while a window shows a still picture
    int useCount_ = 0;
    int viewerCount_ = 0;
};

// A counted reference to an image; the shared empty image stands for none.
class ImageHandle {
public:
    // useEmpty: the shared empty image; otherwise a new plain image.
    explicit ImageHandle(bool useEmpty = true);
    // Takes a use of image (null: the shared empty image).
    explicit ImageHandle(Image* image);
    ImageHandle(const ImageHandle& other);
    ImageHandle& operator=(const ImageHandle& other) {
        Assign(other);
        return *this;
    }
    ~ImageHandle();

    // Raises the new image's count before the old one's is lowered, so that
    // assigning a handle to itself keeps the image.
    void Assign(const ImageHandle& other);
    bool IsEmpty() const;
    Image* Get() const { return image_; }
    Image* operator->() const { return image_; }

    // The class by the file name's extension ("gif"; "jpg", "jpe", "jpeg";
    // "bmp"; case ignored), read at once; anything else, a missing file or
    // an empty name gives the shared empty image.
    static ImageHandle MakeForFile(const char* fileName);
    // The class by a URL's content kind: 2 GIF, 3 JPEG, 4 XBM, 5 BMP, else plain.
    static ImageHandle MakeForKind(int contentKind, uint32_t urlId);
    // The class by the URL's content kind, for that URL.
    static ImageHandle MakeForUrl(const UrlHandle& url);

private:
    Image* image_;
};

Image& SharedEmptyImage();
