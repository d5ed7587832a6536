#include "layout/BmpImage.h"

#include <cstring>
#include <new>

namespace {

constexpr int kGoOn = 0;
constexpr int kWait = 1;
constexpr int kDone = 2;

uint32_t Word(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}
uint32_t Long(const uint8_t* p) {
    return Word(p) | (Word(p + 2) << 16);
}

}  // namespace

struct BmpImage::State {
    bool fileHeaderRead = false;
    bool infoRead = false;
    bool tableRead = false;
    uint32_t pixelOffset = 0;  // from the file header; 0 when unknown
    uint32_t consumed = 0;     // bytes of the file taken by earlier calls
    uint32_t skip = 0;         // bytes still to pass before the first row
    uint32_t headerSize = 0;
    int height = 0;
    bool topDown = false;
    int tableEntries = 0;
    int entrySize = 4;
    int rowsRead = 0;
};

BmpImage::BmpImage(bool withFileHeader) : withFileHeader_(withFileHeader) {}
BmpImage::~BmpImage() = default;

void BmpImage::Reset() {
    state_.reset();
    Image::Reset();
}

uint32_t BmpImage::Decode(const uint8_t* data, uint32_t length, bool moreToCome) {
    if (complete_) return 0;
    if (!HoldState(state_)) return length;
    uint32_t pos = 0;
    int result = Steps(data, length, pos, moreToCome);
    state_->consumed += pos;
    if (result == kDone || !moreToCome) {
        MarkComplete();
        state_.reset();
        return 0;
    }
    return length - pos;
}

int BmpImage::Steps(const uint8_t* data, uint32_t length, uint32_t& pos, bool moreToCome) {
    State& s = *state_;
    if (withFileHeader_ && !s.fileHeaderRead) {
        if (length - pos < 14) return kWait;
        s.pixelOffset = Long(data + pos + 10);
        pos += 14;
        s.fileHeaderRead = true;
    }
    if (!s.infoRead) {
        if (int r = ReadInfoHeader(data, length, pos)) return r;
    }
    if (!s.tableRead) {
        if (int r = ReadColourTable(data, length, pos)) return r;
    }
    if (s.skip > 0) {
        uint32_t take = length - pos < s.skip ? length - pos : s.skip;
        pos += take;
        s.skip -= take;
        if (s.skip > 0) return kWait;
    }
    return CopyRows(data, length, pos, moreToCome);
}

int BmpImage::ReadInfoHeader(const uint8_t* data, uint32_t length, uint32_t& pos) {
    State& s = *state_;
    if (length - pos < 4) return kWait;
    uint32_t size = Long(data + pos);
    // The core header, or the information header and its later, longer forms
    // (whose extra fields say nothing an uncompressed picture needs).
    if (size != 12 && (size < 40 || size > 1024)) return kDone;
    if (length - pos < size) return kWait;
    const uint8_t* p = data + pos;
    int64_t width;
    int64_t height;
    uint32_t bits;
    uint32_t used = 0;
    if (size == 12) {
        width = Word(p + 4);
        height = Word(p + 6);
        bits = Word(p + 10);
        s.entrySize = 3;
    } else {
        width = static_cast<int32_t>(Long(p + 4));
        height = static_cast<int32_t>(Long(p + 8));
        bits = Word(p + 14);
        if (Long(p + 16) != 0) return kDone;  // compressed forms are not read
        used = Long(p + 32);
        s.entrySize = 4;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return kDone;
    // A negative height is a top-down picture: first data row on top.
    s.topDown = height < 0;
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return kDone;
    pos += size;
    s.headerSize = size;
    s.infoRead = true;
    ImageFrame* frame = StartFrame();
    if (!frame) return kDone;
    frame->bitsPerPixel = static_cast<uint8_t>(bits);
    SetFrameSize(*frame, static_cast<int>(width), static_cast<int>(height));
    s.height = static_cast<int>(height);
    if (bits <= 8) {
        int slots = 1 << bits;
        s.tableEntries = used >= 1 && used < static_cast<uint32_t>(slots) ? static_cast<int>(used) : slots;
        // A core file whose rows start sooner holds fewer entries.
        uint32_t before = 14 + size;
        if (withFileHeader_ && size == 12 && s.pixelOffset > before &&
            (s.pixelOffset - before) / 3 < static_cast<uint32_t>(s.tableEntries)) {
            s.tableEntries = static_cast<int>((s.pixelOffset - before) / 3);
        }
    } else {
        s.tableRead = true;
    }
    return kGoOn;
}

int BmpImage::ReadColourTable(const uint8_t* data, uint32_t length, uint32_t& pos) {
    State& s = *state_;
    uint32_t bytes = static_cast<uint32_t>(s.tableEntries) * s.entrySize;
    if (length - pos < bytes) return kWait;
    ImageFrame& frame = *CurrentFrame();
    if (s.tableEntries > 0) {
        ImageColour* table = AllocateColours(s.tableEntries);
        if (!table) return kDone;
        const uint8_t* p = data + pos;
        for (int i = 0; i < s.tableEntries; ++i, p += s.entrySize)
            table[i] = ImageColour{p[0], p[1], p[2], 0};
        frame.colours = table;
        frame.colourCount = s.tableEntries;
        SetImageColours(table, s.tableEntries);
    }
    pos += bytes;
    s.tableRead = true;
    // The rows start where the file header says, when that is further on.
    uint32_t at = s.consumed + pos;
    if (withFileHeader_ && s.pixelOffset > at) s.skip = s.pixelOffset - at;
    return kGoOn;
}

int BmpImage::CopyRows(const uint8_t* data, uint32_t length, uint32_t& pos, bool moreToCome) {
    State& s = *state_;
    ImageFrame& frame = *CurrentFrame();
    uint32_t bytes = frame.RowBytes();
    uint32_t stride = (bytes + 3) & ~3u;
    while (s.rowsRead < s.height) {
        uint32_t left = length - pos;
        // The last row may lack its padding at the very end of the data.
        bool last = !moreToCome && left >= bytes;
        if (left < stride && !last) return kWait;
        int y = s.topDown ? s.rowsRead : s.height - 1 - s.rowsRead;
        uint8_t* row = RowForWriting(frame, y);
        if (!row) return kDone;
        memcpy(row, data + pos, bytes);
        pos += left < stride ? left : stride;
        frame.rowsDecoded = ++s.rowsRead;
    }
    OnFrameComplete(frame);
    return kDone;
}
