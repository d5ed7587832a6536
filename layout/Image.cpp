#include "layout/Image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/MemoryManager.h"
#include "core/PoolChunk.h"
#include "layout/ImageRaster.h"
#include "net/SniffContent.h"
#include "net/UrlRecord.h"

namespace {

AnimationClock* g_animationClock = nullptr;

// One window that shows an animated image.
struct AnimationViewer : ListNode {
    void* viewer = nullptr;
    int loops = Image::kLoopForever;
    int count = 0;
};

void PutWord(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLong(uint8_t* p, uint32_t v) {
    PutWord(p, static_cast<uint16_t>(v));
    PutWord(p + 2, static_cast<uint16_t>(v >> 16));
}

uint32_t DibStride(const ImageFrame& frame) {
    return (frame.RowBytes() + 3) & ~3u;
}

}  // namespace

void SetAnimationClock(AnimationClock* clock) {
    g_animationClock = clock;
}

// Pixels make up nearly all of an image's memory and every decoder writes a
// row before it counts as decoded, so the pool is not zero-filled; what may
// be read before it is written (tables, rows written piecemeal) is cleared
// here.
Image::Image() : pool_(PoolKind::Image, false) {}

Image::~Image() {
    if (this != &SharedEmptyImage() && g_memoryManager) g_memoryManager->ForgetImage(this);
    FreeFrames();
    viewers_.Clear();
}

void Image::FreeFrames() {
    composition_.reset();
    deviceCache_.reset();
    while (ListNode* node = frames_.First()) {
        node->Remove();
        delete static_cast<ImageFrame*>(node);
    }
    current_ = nullptr;
    colours_ = nullptr;
    colourCount_ = 0;
    pool_.FreeAll();
}

void Image::Reset() {
    FreeFrames();
    complete_ = false;
    descriptorSeen_ = false;
    decodingState_ = 0;
    width_ = height_ = 0;
    frameToShow_ = 1;
    animating_ = false;
}

void Image::DropUse() {
    if (--useCount_ <= 0 && this != &SharedEmptyImage()) delete this;
}

int Image::ReleaseData() {
    // A loading image would lose the data it cannot get again.
    if (!complete_ || viewers_.Count() != 0 || viewerCount_ != 0) return 0;
    Reset();
    return 1;
}

void Image::AttachViewer(void* viewer) {
    bool shared = this == &SharedEmptyImage();
    if (++viewerCount_ == 1 && !shared && g_memoryManager) g_memoryManager->ForgetImage(this);
    if (!complete_ && decodingState_ == 0 && frames_.Count() == 0 && !url_.IsEmpty() &&
        url_->GetStorage() == kStoredInFile) {
        if (const char* name = url_->GetFileName()) LoadLocalFile((UrlCacheDirectory() + name).c_str());
    }
    if (complete_) SelectFrame(1);
    if (viewer && AnimatesFromUrl()) StartAnimation(viewer, loopCount_);
}

void Image::DetachViewer(void* viewer) {
    if (viewerCount_ <= 0) return;
    if (viewer && AnimatesFromUrl()) StopAnimation(viewer);
    if (--viewerCount_ > 0) return;
    frameToShow_ = 1;
    composition_.reset();
    deviceCache_.reset();
    if (this != &SharedEmptyImage() && g_memoryManager) g_memoryManager->TouchImage(this);
}

bool Image::AnimatesFromUrl() const {
    if (!url_.IsEmpty()) return url_->GetContentKind() == kKindGif;
    return urlId_ != 0 && contentKind_ == kKindGif;
}

void Image::SetUrl(const UrlHandle& url) {
    url_ = url;
    urlId_ = url.IsEmpty() ? 0 : url->GetId();
}

ImageFrame* Image::FrameByNumber(int n) const {
    int i = 1;
    for (ListNode* node = frames_.First(); node; node = node->Next(), ++i) {
        if (i == n) return static_cast<ImageFrame*>(node);
    }
    return nullptr;
}

bool Image::SelectFrame(int n) {
    ImageFrame* frame = FrameByNumber(n);
    if (frame) current_ = frame;
    return frame != nullptr;
}

const ImageColour* Image::FrameColours(const ImageFrame& frame, int& count) const {
    if (frame.colours) {
        count = frame.colourCount;
        return frame.colours;
    }
    count = colourCount_;
    return colours_;
}

ImageFrame* Image::StartFrame() {
    auto* frame = new (std::nothrow) ImageFrame(this);
    if (!frame) return nullptr;
    frame->AppendTo(frames_);
    current_ = frame;
    return frame;
}

void Image::SetFrameSize(ImageFrame& frame, int width, int height) {
    frame.width = width;
    frame.height = height;
    bool first = frames_.First() == &frame;
    if (width_ == 0 || (first && width_ < width)) width_ = width;
    if (height_ == 0 || (first && height_ < height)) height_ = height;
}

void* Image::AllocateAligned(uint32_t size) {
    // Pool pieces are not aligned: sizes kept to whole pointers keep the row
    // tables that follow odd-sized rows aligned.
    uint32_t rounded = (size + 7u) & ~7u;
    if (rounded < size || rounded > PoolChunk::kSize) return nullptr;
    return pool_.Allocate(rounded);
}

ImageColour* Image::AllocateColours(int count) {
    if (count <= 0 || count > 256) return nullptr;
    auto* table = static_cast<ImageColour*>(AllocateAligned(static_cast<uint32_t>(count) * 4));
    if (table) memset(table, 0, static_cast<size_t>(count) * 4);
    return table;
}

uint8_t* Image::RowForWriting(ImageFrame& frame, int y, bool filledWhole) {
    if (y < 0 || y >= frame.height) return nullptr;
    if (!frame.rows) {
        uint32_t bytes = static_cast<uint32_t>(frame.height) * sizeof(uint8_t*);
        // A table beyond one pool chunk fails the image, not the program.
        if (frame.height > static_cast<int>(PoolChunk::kSize / sizeof(uint8_t*))) return nullptr;
        frame.rows = static_cast<uint8_t**>(AllocateAligned(bytes));
        if (!frame.rows) return nullptr;
        memset(frame.rows, 0, bytes);
    }
    if (!frame.rows[y]) {
        uint32_t bytes = frame.RowBytes();
        if (bytes == 0) return nullptr;
        frame.rows[y] = static_cast<uint8_t*>(AllocateAligned(bytes));
        if (frame.rows[y] && !filledWhole) memset(frame.rows[y], 0, bytes);
    }
    return frame.rows[y];
}

void Image::MarkComplete() {
    complete_ = true;
    decodingState_ = 2;
    pool_.Finish();
    if (ListNode* first = frames_.First()) current_ = static_cast<ImageFrame*>(first);
}

void Image::OnFrameComplete(ImageFrame& frame) {
    frame.complete = true;
    if (!IsAnimated() || animating_) return;
    animating_ = true;
    ImageFrame* first = FrameByNumber(1);
    for (ListNode* node = viewers_.First(); node; node = node->Next()) {
        static_cast<AnimationViewer*>(node)->loops = loopCount_;
    }
    PostToViewers(1, static_cast<uint32_t>(first ? first->delay : 1) * 10);
}

void Image::PostToViewers(int frameNumber, uint32_t delayMs) {
    if (!g_animationClock) return;
    ImageFrame* frame = FrameByNumber(frameNumber);
    uint32_t parameter = static_cast<uint32_t>(frameNumber) & 0xFFFF;
    if (frame && frame->disposal == 2) parameter += 0x10000;
    for (ListNode* node = viewers_.First(); node; node = node->Next()) {
        g_animationClock->Post(static_cast<AnimationViewer*>(node)->viewer, urlId_, parameter, delayMs);
    }
}

void Image::StartAnimation(void* viewer, int loops) {
    for (ListNode* node = viewers_.First(); node; node = node->Next()) {
        auto* entry = static_cast<AnimationViewer*>(node);
        if (entry->viewer == viewer) {
            ++entry->count;
            return;
        }
    }
    auto* entry = new (std::nothrow) AnimationViewer;
    if (!entry) return;
    entry->viewer = viewer;
    entry->loops = loops;
    entry->count = 1;
    entry->AppendTo(viewers_);
    if (complete_ && IsAnimated() && g_animationClock) {
        animating_ = true;
        ImageFrame* frame = current_ ? current_ : FrameByNumber(1);
        int delay = frame && frame->delay > 0 ? frame->delay : 1;
        uint32_t parameter = static_cast<uint32_t>(frameToShow_) & 0xFFFF;
        if (frame && frame->disposal == 2) parameter += 0x10000;
        g_animationClock->Post(viewer, urlId_, parameter, static_cast<uint32_t>(delay) * 10);
    }
}

void Image::StopAnimation(void* viewer) {
    for (ListNode* node = viewers_.First(); node; node = node->Next()) {
        auto* entry = static_cast<AnimationViewer*>(node);
        if (entry->viewer != viewer) continue;
        if (--entry->count > 0) return;
        if (g_animationClock) g_animationClock->Cancel(viewer, urlId_);
        entry->Remove();
        delete entry;
        return;
    }
}

void Image::CountLoop() {
    ListNode* node = viewers_.First();
    while (node) {
        auto* entry = static_cast<AnimationViewer*>(node);
        node = node->Next();
        if (entry->loops == kLoopForever) continue;
        if (--entry->loops > 0) continue;
        if (g_animationClock) g_animationClock->Cancel(entry->viewer, urlId_);
        entry->Remove();
        delete entry;
    }
}

int Image::ViewerLoops(void* viewer) const {
    for (ListNode* node = viewers_.First(); node; node = node->Next()) {
        auto* entry = static_cast<AnimationViewer*>(node);
        if (entry->viewer == viewer) return entry->loops;
    }
    return -1;
}

int Image::AdvanceAnimation() {
    int shown = frameToShow_;
    ImageFrame* frame = FrameByNumber(shown);
    int count = static_cast<int>(frames_.Count());
    if (shown < count) {
        ++frameToShow_;
    } else if (complete_) {
        frameToShow_ = 1;
        CountLoop();
    } else {
        // Still loading: the next frame shows once it has arrived.
        frameToShow_ = shown + 1;
    }
    if (viewers_.Count() != 0 && frame) {
        PostToViewers(frameToShow_, static_cast<uint32_t>(frame->delay > 0 ? frame->delay : 1) * 10);
    }
    return shown;
}

uint32_t Image::GetDibSize() const {
    const ImageFrame* frame = current_;
    if (!frame || frame->rowsDecoded <= 0 || !frame->rows) return 0;
    uint32_t table = 0;
    if (frame->bitsPerPixel <= 8) {
        int count = 0;
        if (!FrameColours(*frame, count) || count == 0) return 0;
        table = 4u << frame->bitsPerPixel;
    }
    return 40 + table + DibStride(*frame) * static_cast<uint32_t>(frame->rowsDecoded);
}

int Image::CopyDib(uint8_t* buffer, uint32_t size) const {
    uint32_t need = GetDibSize();
    if (need == 0 || size < need) return 0;
    const ImageFrame& frame = *current_;
    memset(buffer, 0, need);
    PutLong(buffer, 40);
    PutLong(buffer + 4, static_cast<uint32_t>(frame.width));
    PutLong(buffer + 8, static_cast<uint32_t>(frame.rowsDecoded));
    PutWord(buffer + 12, 1);
    PutWord(buffer + 14, frame.bitsPerPixel);
    uint8_t* out = buffer + 40;
    if (frame.bitsPerPixel <= 8) {
        int count = 0;
        const ImageColour* table = FrameColours(frame, count);
        int slots = 1 << frame.bitsPerPixel;
        memcpy(out, table, static_cast<size_t>(count < slots ? count : slots) * 4);
        out += 4u << frame.bitsPerPixel;
    }
    uint32_t stride = DibStride(frame);
    for (int y = frame.rowsDecoded - 1; y >= 0; --y, out += stride) {
        if (const uint8_t* row = frame.Row(y)) memcpy(out, row, frame.RowBytes());
    }
    return 1;
}

int Image::LoadLocalFile(const char* fileName) {
    FILE* file = fileName && *fileName ? fopen(fileName, "rb") : nullptr;
    if (!file) return 1;
    Reset();
    // Room for a chunk and the bytes the decoder left of the chunk before;
    // those can outgrow a chunk (a wide bitmap row), so the buffer grows.
    uint32_t capacity = 2 * kFileChunk;
    auto* buffer = static_cast<uint8_t*>(malloc(capacity));
    if (!buffer) {
        fclose(file);
        return 0;
    }
    uint32_t kept = 0;
    bool ok = true;
    while (!complete_) {
        if (capacity - kept < kFileChunk) {
            uint32_t grown = capacity * 2;
            auto* bigger = grown > capacity ? static_cast<uint8_t*>(realloc(buffer, grown)) : nullptr;
            if (!bigger) {
                ok = false;
                break;
            }
            buffer = bigger;
            capacity = grown;
        }
        size_t got = fread(buffer + kept, 1, kFileChunk, file);
        bool more = got == kFileChunk && !feof(file);
        uint32_t length = kept + static_cast<uint32_t>(got);
        uint32_t left = Decode(buffer, length, more);
        if (left > length) left = length;
        memmove(buffer, buffer + (length - left), left);
        kept = left;
        if (!more) break;
    }
    free(buffer);
    fclose(file);
    return ok ? 1 : 0;
}

Image& SharedEmptyImage() {
    // Never deleted: every empty handle refers to it.
    static Image* empty = [] {
        auto* image = new Image;
        image->AddUse();
        return image;
    }();
    return *empty;
}

ImageHandle::ImageHandle(bool useEmpty) : image_(useEmpty ? &SharedEmptyImage() : new Image) {
    image_->AddUse();
}

ImageHandle::ImageHandle(Image* image) : image_(image ? image : &SharedEmptyImage()) {
    image_->AddUse();
}

ImageHandle::ImageHandle(const ImageHandle& other) : image_(other.image_) {
    image_->AddUse();
}

ImageHandle::~ImageHandle() {
    image_->DropUse();
}

void ImageHandle::Assign(const ImageHandle& other) {
    Image* old = image_;
    other.image_->AddUse();
    image_ = other.image_;
    old->DropUse();
}

bool ImageHandle::IsEmpty() const {
    return image_ == &SharedEmptyImage();
}
