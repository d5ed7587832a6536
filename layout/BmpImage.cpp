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

// Compression field values of the information header.
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;

// Where one channel sits in a 32-bit pixel and how to widen it to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int width = 0;

    void Set(uint32_t m) {
        mask = m;
        shift = width = 0;
        if (!m) return;
        while (!(m & 1)) {
            m >>= 1;
            ++shift;
        }
        while (m & 1) {
            m >>= 1;
            ++width;
        }
    }
    uint8_t Of(uint32_t pixel) const {
        if (width == 0) return 0;
        uint32_t v = (pixel & mask) >> shift;
        if (width >= 8) return static_cast<uint8_t>(v >> (width - 8));
        return static_cast<uint8_t>(v * 255 / ((1u << width) - 1));
    }
};

BuiltInPictureSource g_builtInSource = nullptr;

}  // namespace

void SetBuiltInPictureSource(BuiltInPictureSource source) {
    g_builtInSource = source;
}

struct BmpImage::State {
    bool fileHeaderRead = false;
    bool infoRead = false;
    bool masksRead = true;
    bool tableRead = false;
    uint32_t compression = kRgb;
    uint32_t sourceBits = 0;  // bits of a pixel in the data; 32 is kept as 24
    Channel red, green, blue;
    // Run-length data: the cursor (x, and the data row counted from the
    // bottom) and how many data rows were cleared for it.
    int rleX = 0;
    int rleRow = 0;
    int rowsCleared = 0;
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

uint32_t BmpImage::PackedLength(const uint8_t* p, uint32_t available) {
    if (!p || available < 12) return 0;
    uint32_t size = Long(p);
    if (size != 12 && (size < 40 || size > 1024 || available < size)) return 0;
    bool core = size == 12;
    int64_t width = core ? Word(p + 4) : static_cast<int32_t>(Long(p + 4));
    int64_t height = core ? Word(p + 6) : static_cast<int32_t>(Long(p + 8));
    if (width < 0) width = -width;
    if (height < 0) height = -height;
    uint32_t bits = Word(p + (core ? 10 : 14));
    uint32_t compression = core ? kRgb : Long(p + 16);
    uint64_t table = 0;
    if (bits <= 8) {
        uint32_t used = core ? 0 : Long(p + 32);
        uint32_t slots = 1u << bits;
        table = static_cast<uint64_t>(used >= 1 && used < slots ? used : slots) * (core ? 3 : 4);
    } else if (compression == kBitFields && size == 40) {
        table = 12;
    }
    uint64_t rows = (compression == kRle8 || compression == kRle4)
                        ? Long(p + 20)
                        : static_cast<uint64_t>((width * bits + 31) / 32 * 4 * height);
    uint64_t total = size + table + rows;
    return total > 32767 || total > available ? 0 : static_cast<uint32_t>(total);
}

int BmpImage::LoadBuiltIn(const char* name) {
    int id = 0;
    if (name && strcmp(name, "internal-zintu") == 0) id = 7;
    if (name && strcmp(name, "internal-directory") == 0) id = 1;
    Reset();
    uint32_t available = 0;
    const uint8_t* data = g_builtInSource ? g_builtInSource(id, available) : nullptr;
    uint32_t length = data ? PackedLength(data, available) : 0;
    // Built into the program as a packed bitmap: no file header.
    bool withFileHeader = withFileHeader_;
    withFileHeader_ = false;
    Decode(data, length, false);
    withFileHeader_ = withFileHeader;
    ImageFrame* frame = FrameByNumber(1);
    const uint8_t* top = frame ? frame->Row(0) : nullptr;
    if (top && frame->bitsPerPixel <= 8) {
        int shift = 8 - frame->bitsPerPixel;
        frame->transparent = top[0] >> shift;
    }
    return complete_ ? 1 : 0;
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
    if (!s.masksRead) {
        // Channel masks that follow a 40-byte header.
        if (length - pos < 12) return kWait;
        SetMasks(data + pos);
        pos += 12;
        s.masksRead = true;
    }
    if (!s.tableRead) {
        if (int r = ReadColourTable(data, length, pos)) return r;
        // The rows start where the file header says, when that is further on.
        uint32_t at = s.consumed + pos;
        if (withFileHeader_ && s.pixelOffset > at) s.skip = s.pixelOffset - at;
    }
    if (s.skip > 0) {
        uint32_t take = length - pos < s.skip ? length - pos : s.skip;
        pos += take;
        s.skip -= take;
        if (s.skip > 0) return kWait;
    }
    if (s.compression == kRle8 || s.compression == kRle4) return DecodeRuns(data, length, pos);
    return CopyRows(data, length, pos, moreToCome);
}

void BmpImage::SetMasks(const uint8_t* p) {
    State& s = *state_;
    s.red.Set(Long(p));
    s.green.Set(Long(p + 4));
    s.blue.Set(Long(p + 8));
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
    uint32_t compression = kRgb;
    if (size == 12) {
        width = Word(p + 4);
        height = Word(p + 6);
        bits = Word(p + 10);
        s.entrySize = 3;
    } else {
        width = static_cast<int32_t>(Long(p + 4));
        height = static_cast<int32_t>(Long(p + 8));
        bits = Word(p + 14);
        compression = Long(p + 16);
        used = Long(p + 32);
        s.entrySize = 4;
    }
    bool known = (compression == kRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32)) ||
                 (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4) ||
                 (compression == kBitFields && bits == 32);
    if (!known) return kDone;
    // A negative height is a top-down picture: first data row on top. Runs
    // are always stored bottom-up.
    s.topDown = height < 0;
    if (height < 0 && compression != kRgb && compression != kBitFields) return kDone;
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return kDone;
    s.compression = compression;
    s.sourceBits = bits;
    if (bits == 32) {
        // Blue, green, red and an unused byte, unless masks say otherwise.
        s.red.Set(0xFF0000);
        s.green.Set(0xFF00);
        s.blue.Set(0xFF);
        if (compression == kBitFields) {
            if (size >= 52)
                SetMasks(p + 40);
            else
                s.masksRead = false;
        }
    }
    pos += size;
    s.headerSize = size;
    s.infoRead = true;
    ImageFrame* frame = StartFrame();
    if (!frame) return kDone;
    frame->bitsPerPixel = static_cast<uint8_t>(bits == 32 ? 24 : bits);
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
        s.tableEntries = 0;
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
    return kGoOn;
}

int BmpImage::CopyRows(const uint8_t* data, uint32_t length, uint32_t& pos, bool moreToCome) {
    State& s = *state_;
    ImageFrame& frame = *CurrentFrame();
    uint32_t bytes = (static_cast<uint32_t>(frame.width) * s.sourceBits + 7) / 8;
    uint32_t stride = (bytes + 3) & ~3u;
    while (s.rowsRead < s.height) {
        uint32_t left = length - pos;
        // The last row may lack its padding at the very end of the data.
        bool last = !moreToCome && left >= bytes;
        if (left < stride && !last) return kWait;
        int y = s.topDown ? s.rowsRead : s.height - 1 - s.rowsRead;
        uint8_t* row = RowForWriting(frame, y, true);
        if (!row) return kDone;
        if (s.sourceBits == 32)
            WidePixels(data + pos, row, frame.width);
        else
            memcpy(row, data + pos, bytes);
        pos += left < stride ? left : stride;
        frame.rowsDecoded = ++s.rowsRead;
    }
    OnFrameComplete(frame);
    return kDone;
}

void BmpImage::WidePixels(const uint8_t* from, uint8_t* to, int width) const {
    const State& s = *state_;
    for (int x = 0; x < width; ++x, from += 4, to += 3) {
        uint32_t pixel = Long(from);
        to[0] = s.blue.Of(pixel);
        to[1] = s.green.Of(pixel);
        to[2] = s.red.Of(pixel);
    }
}

uint8_t* BmpImage::RunRow(ImageFrame& frame) {
    State& s = *state_;
    // Rows the runs pass over keep colour 0.
    while (s.rowsCleared <= s.rleRow) {
        uint8_t* row = RowForWriting(frame, s.height - 1 - s.rowsCleared);
        if (!row) return nullptr;
        memset(row, 0, frame.RowBytes());
        ++s.rowsCleared;
    }
    return frame.Row(s.height - 1 - s.rleRow);
}

int BmpImage::DecodeRuns(const uint8_t* data, uint32_t length, uint32_t& pos) {
    State& s = *state_;
    ImageFrame& frame = *CurrentFrame();
    bool four = s.compression == kRle4;
    // One pixel of the current row; those beyond the width are dropped.
    auto put = [&](uint8_t* row, int value) {
        if (s.rleX < frame.width) {
            if (!four) {
                row[s.rleX] = static_cast<uint8_t>(value);
            } else {
                uint8_t& b = row[s.rleX / 2];
                b = (s.rleX & 1) ? static_cast<uint8_t>((b & 0xF0) | value)
                                 : static_cast<uint8_t>((b & 0x0F) | (value << 4));
            }
        }
        ++s.rleX;
    };
    for (;;) {
        if (s.rleRow >= s.height) break;
        if (length - pos < 2) return kWait;
        uint8_t count = data[pos];
        uint8_t code = data[pos + 1];
        if (count > 0) {
            uint8_t* row = RunRow(frame);
            if (!row) return kDone;
            for (int i = 0; i < count; ++i) put(row, four ? ((i & 1) ? code & 15 : code >> 4) : code);
            pos += 2;
        } else if (code == 0) {  // end of the row
            pos += 2;
            s.rleX = 0;
            frame.rowsDecoded = ++s.rleRow;
        } else if (code == 1) {  // end of the picture
            pos += 2;
            break;
        } else if (code == 2) {  // move right and up
            if (length - pos < 4) return kWait;
            s.rleX += data[pos + 2];
            if (data[pos + 3] > 0) {
                s.rleRow += data[pos + 3];
                frame.rowsDecoded = s.rleRow < s.height ? s.rleRow : s.height;
            }
            pos += 4;
        } else {  // literal pixels, padded to a 16-bit boundary
            uint32_t bytes = four ? (code + 1u) / 2 : code;
            uint32_t padded = (bytes + 1) & ~1u;
            if (length - pos < 2 + padded) return kWait;
            uint8_t* row = RunRow(frame);
            if (!row) return kDone;
            const uint8_t* p = data + pos + 2;
            for (int i = 0; i < code; ++i) put(row, four ? ((i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
            pos += 2 + padded;
        }
    }
    // The rows never reached keep colour 0.
    s.rleRow = s.height - 1;
    if (!RunRow(frame)) return kDone;
    frame.rowsDecoded = s.height;
    OnFrameComplete(frame);
    return kDone;
}
