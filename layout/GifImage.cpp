#include "layout/GifImage.h"

#include <cstring>
#include <new>

namespace {

// Results of the steps, between each other and Decode.
constexpr int kStepDone = 0;
constexpr int kNeedMore = 32000;
constexpr int kRowBoundary = 32001;
constexpr int kTrailer = 32002;
constexpr int kBadData = -4;

constexpr int kMaxCodes = 4096;

// Interlace passes: row step, first row, rows a decoded row fills for now.
constexpr int kPassStep[4] = {8, 8, 4, 2};
constexpr int kPassFirst[4] = {0, 4, 2, 1};
constexpr int kPassFills[4] = {8, 4, 2, 1};

int Word(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}

uint8_t BitsForColours(int count) {
    if (count > 16 || count == 0) return 8;
    return count > 2 ? 4 : 1;
}

// The end of the sub-blocks starting at pos (after their zero terminator),
// or 0 when they are not all present yet.
uint32_t SubBlocksEnd(const uint8_t* data, uint32_t length, uint32_t pos) {
    while (pos < length) {
        uint32_t size = data[pos];
        if (size == 0) return pos + 1;
        pos += size + 1;
    }
    return 0;
}

}  // namespace

struct GifImage::State {
    bool headerRead = false;
    bool globalRead = false;
    bool descriptorRead = false;
    int globalCount = 0;
    int localCount = 0;  // a local table is pending while above 0

    // LZW, resumable at any byte.
    bool lzwStarted = false;
    bool draining = false;  // after the end code, up to the terminator
    bool needFirst = true;  // the next code follows a clear code
    int minCodeSize = 0;
    int codeSize = 0;
    int clearCode = 0;
    int endCode = 0;
    int firstFree = 0;
    int top = 0;
    int nextSlot = 0;
    uint32_t subBlockLeft = 0;
    uint32_t bitBuffer = 0;
    int bitCount = 0;
    int previous = 0;
    int firstChar = 0;
    int endResult = 0;  // how the frame ended, kept while draining

    // The frame being filled.
    uint8_t mask = 0xFF;  // pixel indices kept within the colour table
    // Where the line in progress goes: an 8-bit frame's row itself, else
    // (or for lines past the frame) the line buffer.
    uint8_t* target = nullptr;
    // The target row was new and its bytes past the line are not yet
    // written: cleared when decoding pauses inside the line.
    bool targetFresh = false;
    int lineCount = 0;
    int pass = 0;
    int row = 0;

    uint8_t line[kMaxFrameWidth];
    uint8_t stack[kMaxCodes + 1];
    uint8_t suffix[kMaxCodes];
    uint16_t prefix[kMaxCodes];
    uint16_t length[kMaxCodes];  // of each code's string

    // The previous string and the first pixel of the current one become the
    // next code; the code size grows as the table fills.
    void AddCode(int& codeSize) {
        if (nextSlot >= kMaxCodes) return;
        prefix[nextSlot] = static_cast<uint16_t>(previous);
        suffix[nextSlot] = static_cast<uint8_t>(firstChar);
        int grown = length[previous] + 1;
        length[nextSlot] = static_cast<uint16_t>(grown > kMaxCodes ? kMaxCodes + 1 : grown);
        ++nextSlot;
        if (nextSlot >= top && codeSize < 12) {
            ++codeSize;
            top <<= 1;
        }
    }

    void NextFrame() {
        descriptorRead = false;
        localCount = 0;
        lzwStarted = false;
        draining = false;
        needFirst = true;
        subBlockLeft = 0;
        bitBuffer = 0;
        bitCount = 0;
        target = nullptr;
        targetFresh = false;
        lineCount = 0;
        pass = 0;
        row = 0;
    }
};

GifImage::GifImage() = default;
GifImage::~GifImage() = default;

void GifImage::FreeState() {
    state_.reset();
}

void GifImage::Reset() {
    FreeState();
    Image::Reset();
}

uint32_t GifImage::Decode(const uint8_t* data, uint32_t length, bool moreToCome) {
    if (complete_) return 0;
    if (!HoldState(state_)) return length;
    uint32_t pos = 0;
    int result = DecodeBlocks(data, length, pos);
    if (result == kTrailer || result < 0 || !moreToCome) {
        MarkComplete();
        FreeState();
        return 0;
    }
    return length - pos;
}

int GifImage::DecodeBlocks(const uint8_t* data, uint32_t length, uint32_t& pos) {
    State& s = *state_;
    if (!s.headerRead) {
        if (int r = ReadHeader(data, length, pos)) return r;
    }
    if (!s.globalRead) {
        if (int r = ReadColourTable(data, length, pos, s.globalCount, true)) return r;
    }
    for (;;) {
        while (!s.descriptorRead) {
            if (int r = ScanBlock(data, length, pos)) return r;
        }
        if (s.localCount > 0) {
            if (int r = ReadColourTable(data, length, pos, s.localCount, false)) return r;
        }
        int r = DecodePixels(data, length, pos);
        if (r != kStepDone && r != kRowBoundary) return r;
        if (ImageFrame* frame = CurrentFrame()) OnFrameComplete(*frame);
        s.NextFrame();
    }
}

int GifImage::ReadHeader(const uint8_t* data, uint32_t length, uint32_t& pos) {
    if (length - pos < 14) return kNeedMore;
    const uint8_t* p = data + pos;
    bool digits = p[3] >= '0' && p[3] <= '9' && p[4] >= '0' && p[4] <= '9';
    if (memcmp(p, "GIF", 3) != 0 || !digits || p[5] < 'A' || p[5] > 'z') return kBadData;
    SetImageSize(Word(p + 6), Word(p + 8));
    State& s = *state_;
    if (p[10] & 0x80) {
        s.globalCount = 2 << (p[10] & 7);
    } else {
        s.globalRead = true;
    }
    pos += 13;
    s.headerRead = true;
    return kStepDone;
}

int GifImage::ReadColourTable(const uint8_t* data, uint32_t length, uint32_t& pos, int count, bool global) {
    uint32_t bytes = static_cast<uint32_t>(count) * 3;
    if (length - pos <= bytes) return kNeedMore;
    ImageColour* table = AllocateColours(count);
    if (!table) return kBadData;
    const uint8_t* p = data + pos;
    for (int i = 0; i < count; ++i, p += 3) table[i] = ImageColour{p[2], p[1], p[0], 0};
    pos += bytes;
    State& s = *state_;
    if (global) {
        SetImageColours(table, count);
        s.globalRead = true;
    } else {
        ImageFrame* frame = CurrentFrame();
        frame->colours = table;
        frame->colourCount = count;
        s.localCount = 0;
    }
    return kStepDone;
}

ImageFrame* GifImage::FrameForBlock() {
    ImageFrame* frame = CurrentFrame();
    if (frame && !frame->complete) return frame;
    return StartFrame();
}

int GifImage::ScanBlock(const uint8_t* data, uint32_t length, uint32_t& pos) {
    if (pos >= length) return kNeedMore;
    switch (data[pos]) {
        case ';':
            ++pos;
            return kTrailer;
        case ',':
            return ReadDescriptor(data, length, pos);
        case '!': {
            if (length - pos < 3) return kNeedMore;
            if (data[pos + 1] == 249) return ReadGraphicControl(data, length, pos);
            if (data[pos + 1] == 255) return ReadApplication(data, length, pos);
            uint32_t end = SubBlocksEnd(data, length, pos + 2);
            if (end == 0) return kNeedMore;
            pos = end;
            return kStepDone;
        }
        default:
            // Padding between blocks: passed over.
            ++pos;
            return kStepDone;
    }
}

int GifImage::ReadGraphicControl(const uint8_t* data, uint32_t length, uint32_t& pos) {
    uint32_t end = SubBlocksEnd(data, length, pos + 2);
    if (end == 0) return kNeedMore;
    ImageFrame* frame = FrameForBlock();
    if (!frame) return kBadData;
    for (uint32_t p = pos + 2; data[p] != 0; p += data[p] + 1u) {
        const uint8_t* block = data + p + 1;
        uint32_t size = data[p];
        frame->disposal = static_cast<uint8_t>((block[0] >> 2) & 3);
        if (size == 4) {
            int delay = Word(block + 1);
            frame->delay = delay < 1 ? 1 : delay;
        }
        if (block[0] & 1) frame->transparent = block[size - 1];
    }
    pos = end;
    return kStepDone;
}

int GifImage::ReadApplication(const uint8_t* data, uint32_t length, uint32_t& pos) {
    uint32_t end = SubBlocksEnd(data, length, pos + 2);
    if (end == 0) return kNeedMore;
    const uint8_t* p = data + pos + 2;
    if (p[0] == 11 && end - pos >= 19) {
        static const char kLoopName[] = "NETSCAPE2.0";
        bool named = true;
        for (int i = 0; i < 11 && named; ++i) {
            uint8_t c = p[1 + i];
            if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
            named = c == static_cast<uint8_t>(kLoopName[i]);
        }
        if (named && p[12] == 3 && p[13] == 1 && p[16] == 0) {
            int loops = Word(p + 14);
            SetLoopCount(loops == 0 ? kLoopForever : loops);
        }
    }
    pos = end;
    return kStepDone;
}

int GifImage::ReadDescriptor(const uint8_t* data, uint32_t length, uint32_t& pos) {
    if (length - pos < 10) return kNeedMore;
    ImageFrame* frame = FrameForBlock();
    if (!frame) return kBadData;
    const uint8_t* p = data + pos + 1;
    int width = Word(p + 4);
    // The line buffer holds one row of at most this many pixels.
    if (width > kMaxFrameWidth) return kBadData;
    frame->left = Word(p);
    frame->top = Word(p + 2);
    SetFrameSize(*frame, width, Word(p + 6));
    frame->interlaced = (p[8] & 0x40) != 0;
    State& s = *state_;
    s.localCount = (p[8] & 0x80) ? 2 << (p[8] & 7) : 0;
    s.descriptorRead = true;
    descriptorSeen_ = true;
    pos += 10;
    return kStepDone;
}

int GifImage::DecodePixels(const uint8_t* data, uint32_t length, uint32_t& pos) {
    State& s = *state_;
    ImageFrame& frame = *CurrentFrame();
    if (!s.lzwStarted) {
        if (pos >= length) return kNeedMore;
        int minimum = data[pos];
        if (minimum < 2 || minimum > 9) return kBadData;
        ++pos;
        s.minCodeSize = minimum;
        s.clearCode = 1 << minimum;
        s.endCode = s.clearCode + 1;
        s.firstFree = s.nextSlot = s.clearCode + 2;
        s.codeSize = minimum + 1;
        s.top = 1 << s.codeSize;
        s.needFirst = true;
        s.lzwStarted = true;
        for (int i = 0; i < s.firstFree; ++i) s.length[i] = 1;
        int count = 0;
        FrameColours(frame, count);
        frame.bitsPerPixel = BitsForColours(count);
        s.mask = static_cast<uint8_t>(count > 0 ? count - 1 : 0xFF);
    }
    if (!s.draining) {
        // Local copies of the hot state, written back whenever we leave.
        uint32_t bits = s.bitBuffer;
        int bitCount = s.bitCount;
        uint32_t left = s.subBlockLeft;
        int codeSize = s.codeSize;
        int width = frame.width;
        bool terminated = false;
        int result = kStepDone;
        for (;;) {
            while (bitCount < codeSize) {
                if (left == 0) {
                    if (pos >= length) break;
                    left = data[pos++];
                    if (left == 0) {
                        terminated = true;
                        break;
                    }
                    continue;
                }
                if (pos >= length) break;
                bits |= static_cast<uint32_t>(data[pos++]) << bitCount;
                bitCount += 8;
                --left;
            }
            int code;
            if (terminated) {
                code = s.endCode;
            } else if (bitCount < codeSize) {
                result = kNeedMore;
                break;
            } else {
                code = static_cast<int>(bits & ((1u << codeSize) - 1));
                bits >>= codeSize;
                bitCount -= codeSize;
            }
            if (code == s.clearCode) {
                codeSize = s.minCodeSize + 1;
                s.top = 1 << codeSize;
                s.nextSlot = s.firstFree;
                s.needFirst = true;
                continue;
            }
            if (code == s.endCode) {
                if (s.lineCount > 0) {
                    if (StoreLine(s.target, s.lineCount) < 0) result = kBadData;
                    s.lineCount = 0;
                    s.target = nullptr;
                } else {
                    result = kRowBoundary;
                }
                s.draining = !terminated;
                break;
            }
            if (!s.needFirst && width > 0) {
                // A string that fits in the line is written straight into
                // it, last pixel first, from the lengths of the table's
                // strings; the rest goes through the stack below.
                int length = code < s.nextSlot ? s.length[code] : s.length[s.previous] + 1;
                if (length <= width - s.lineCount) {
                    if (!LineTarget()) {
                        result = kBadData;
                        break;
                    }
                    const uint8_t mask = s.mask;
                    uint8_t* first = s.target + s.lineCount;
                    uint8_t* out = first + length - 1;
                    int incoming = code;
                    if (code >= s.nextSlot) {
                        *out-- = static_cast<uint8_t>(s.firstChar & mask);
                        code = s.previous;
                    }
                    while (code >= s.firstFree && out > first) {
                        *out-- = static_cast<uint8_t>(s.suffix[code] & mask);
                        code = s.prefix[code];
                    }
                    // A table made from bad codes can disagree with its
                    // lengths: decoding ends there.
                    if (code >= s.firstFree || out != first) {
                        result = kBadData;
                        break;
                    }
                    *out = static_cast<uint8_t>(code & mask);
                    s.firstChar = code;
                    s.AddCode(codeSize);
                    s.previous = incoming;
                    if (!LineGrew(length, width)) {
                        result = kBadData;
                        break;
                    }
                    continue;
                }
            }
            int sp = 0;
            if (s.needFirst) {
                if (code >= s.nextSlot) code = 0;
                s.previous = s.firstChar = code;
                s.stack[sp++] = static_cast<uint8_t>(code);
                s.needFirst = false;
            } else {
                int incoming = code;
                if (code >= s.nextSlot) {
                    s.stack[sp++] = static_cast<uint8_t>(s.firstChar);
                    code = s.previous;
                }
                while (code >= s.firstFree) {
                    s.stack[sp++] = s.suffix[code];
                    code = s.prefix[code];
                    if (sp >= kMaxCodes) {
                        result = kBadData;
                        break;
                    }
                }
                if (result != kStepDone) break;
                s.firstChar = code;
                s.stack[sp++] = static_cast<uint8_t>(code);
                s.AddCode(codeSize);
                s.previous = incoming;
            }
            // Empty frames still consume their data; nothing is stored.
            if (width == 0) continue;
            while (sp > 0) {
                if (!LineTarget()) {
                    result = kBadData;
                    break;
                }
                int room = width - s.lineCount;
                int take = sp < room ? sp : room;
                uint8_t* out = s.target + s.lineCount;
                const uint8_t mask = s.mask;
                for (int i = 0; i < take; ++i) out[i] = s.stack[--sp] & mask;
                if (!LineGrew(take, width)) {
                    result = kBadData;
                    break;
                }
            }
            if (result != kStepDone) break;
        }
        if (s.targetFresh && s.target && s.lineCount > 0) {
            // The row may be drawn before the rest of its line arrives.
            memset(s.target + s.lineCount, 0, frame.RowBytes() - static_cast<uint32_t>(s.lineCount));
            s.targetFresh = false;
        }
        s.bitBuffer = bits;
        s.bitCount = bitCount;
        s.subBlockLeft = left;
        s.codeSize = codeSize;
        if (result != kStepDone && result != kRowBoundary) return result;
        if (!s.draining) return result;
        s.endResult = result;
    }
    return DrainSubBlocks(data, length, pos);
}

int GifImage::DrainSubBlocks(const uint8_t* data, uint32_t length, uint32_t& pos) {
    // After the end code: whatever is left of the data, up to the terminator.
    State& s = *state_;
    for (;;) {
        if (s.subBlockLeft > 0) {
            uint32_t take = length - pos < s.subBlockLeft ? length - pos : s.subBlockLeft;
            pos += take;
            s.subBlockLeft -= take;
            if (s.subBlockLeft > 0) return kNeedMore;
        }
        if (pos >= length) return kNeedMore;
        s.subBlockLeft = data[pos++];
        if (s.subBlockLeft == 0) break;
    }
    s.draining = false;
    return s.endResult;
}

// The row the next line is stored in, or -1 when it is to be ignored.
int GifImage::NextLineRow() const {
    const State& s = *state_;
    const ImageFrame& frame = *CurrentFrame();
    if (frame.interlaced) return s.pass > 3 ? -1 : s.row;
    // Rows beyond the frame's height are ignored.
    return frame.rowsDecoded >= frame.height ? -1 : frame.rowsDecoded;
}

uint8_t* GifImage::LineTarget() {
    State& s = *state_;
    if (s.target) return s.target;
    ImageFrame& frame = *CurrentFrame();
    int row = NextLineRow();
    // 8-bit pixels go straight into their row; packed ones are gathered in
    // the line buffer first.
    s.targetFresh = false;
    if (row < 0 || frame.bitsPerPixel != 8) {
        s.target = s.line;
    } else {
        s.targetFresh = frame.Row(row) == nullptr;
        s.target = RowForWriting(frame, row, true);
    }
    return s.target;
}

bool GifImage::LineGrew(int count, int width) {
    State& s = *state_;
    s.lineCount += count;
    if (s.lineCount < width) return true;
    s.lineCount = 0;
    int stored = StoreLine(s.target, width);
    s.target = nullptr;
    return stored >= 0;
}

int GifImage::StoreLine(const uint8_t* line, int count) {
    State& s = *state_;
    ImageFrame& frame = *CurrentFrame();
    int row = NextLineRow();
    if (row < 0) return kStepDone;
    uint8_t* out = RowForWriting(frame, row, true);
    if (!out) return kBadData;
    // The line's indices are already within the colour table.
    uint32_t bytes = frame.RowBytes();
    switch (frame.bitsPerPixel) {
        case 8:
            if (out != line) memcpy(out, line, static_cast<size_t>(count));
            if (static_cast<uint32_t>(count) < bytes) memset(out + count, 0, bytes - count);
            break;
        case 4:
            memset(out, 0, bytes);
            for (int i = 0; i < count; ++i) {
                out[i >> 1] |= static_cast<uint8_t>(line[i] << ((i & 1) ? 0 : 4));
            }
            break;
        default:
            memset(out, 0, bytes);
            for (int i = 0; i < count; ++i) {
                out[i >> 3] |= static_cast<uint8_t>((line[i] & 1) << (7 - (i & 7)));
            }
            break;
    }
    if (!frame.interlaced) {
        ++frame.rowsDecoded;
        return kStepDone;
    }
    if (s.pass < 3) {
        // Coarse first: the rows up to the next row of this pass show it too.
        for (int k = 1; k < kPassFills[s.pass] && row + k < frame.height; ++k) {
            uint8_t* copy = RowForWriting(frame, row + k, true);
            if (!copy) return kBadData;
            memcpy(copy, out, bytes);
        }
    }
    int filled = row + kPassFills[s.pass];
    if (filled > frame.height) filled = frame.height;
    if (frame.rowsDecoded < filled) frame.rowsDecoded = filled;
    s.row += kPassStep[s.pass];
    while (s.row >= frame.height) {
        frame.rowsDecoded = frame.height;
        if (++s.pass > 3) break;
        s.row = kPassFirst[s.pass];
    }
    return kStepDone;
}
