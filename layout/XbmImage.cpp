#include "layout/XbmImage.h"

#include <cstring>

namespace {

int HexValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The number after the name in the line, or -1.
int NumberAfter(const uint8_t* line, uint32_t length, const char* name) {
    uint32_t n = static_cast<uint32_t>(strlen(name));
    for (uint32_t i = 0; i + n <= length; ++i) {
        if (memcmp(line + i, name, n) != 0) continue;
        uint32_t p = i + n;
        while (p < length && (line[p] < '0' || line[p] > '9')) ++p;
        if (p == length) return -1;
        int value = 0;
        for (; p < length && line[p] >= '0' && line[p] <= '9'; ++p) {
            if (value > 1000000) return -1;
            value = value * 10 + (line[p] - '0');
        }
        return value;
    }
    return -1;
}

uint8_t Reversed(uint8_t b) {
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

}  // namespace

void XbmImage::Reset() {
    Image::Reset();
    xbmWidth_ = xbmHeight_ = 0;
    sized_ = false;
    row_ = 0;
    byte_ = 0;
}

int XbmImage::ReadSizeLines(const uint8_t* data, uint32_t length, uint32_t& pos, bool moreToCome) {
    while (!sized_) {
        uint32_t end = pos;
        while (end < length && data[end] != '\r' && data[end] != '\n') ++end;
        if (end == length && moreToCome) return 0;
        int width = NumberAfter(data + pos, end - pos, "_width");
        if (width >= 0) xbmWidth_ = width;
        int height = NumberAfter(data + pos, end - pos, "_height");
        if (height >= 0) xbmHeight_ = height;
        pos = end < length ? end + 1 : end;
        if (xbmWidth_ > 0 && xbmHeight_ > 0) return StartPicture();
        if (pos >= length) return moreToCome ? 0 : -1;
    }
    return 1;
}

int XbmImage::StartPicture() {
    if (xbmWidth_ > kMaxSide || xbmHeight_ > kMaxSide) return -1;
    ImageFrame* frame = StartFrame();
    ImageColour* table = AllocateColours(2);
    if (!frame || !table) return -1;
    table[0] = ImageColour{255, 255, 255, 0};
    table[1] = ImageColour{0, 0, 0, 0};
    SetImageColours(table, 2);
    frame->bitsPerPixel = 1;
    SetFrameSize(*frame, xbmWidth_, xbmHeight_);
    sized_ = true;
    decodingState_ = 1;
    return 1;
}

void XbmImage::StoreByte(uint8_t value) {
    ImageFrame& frame = *CurrentFrame();
    uint8_t* row = RowForWriting(frame, row_);
    if (!row) {
        row_ = frame.height;  // out of memory: the picture ends here
        return;
    }
    row[byte_++] = Reversed(value);
    if (byte_ < frame.RowBytes()) return;
    byte_ = 0;
    frame.rowsDecoded = ++row_;
}

uint32_t XbmImage::Decode(const uint8_t* data, uint32_t length, bool moreToCome) {
    if (complete_) return 0;
    uint32_t pos = 0;
    int sized = ReadSizeLines(data, length, pos, moreToCome);
    if (sized < 0) {
        MarkComplete();
        return 0;
    }
    if (sized == 0) return length - pos;
    ImageFrame& frame = *CurrentFrame();
    while (pos < length && row_ < frame.height) {
        if (data[pos] != '0' || pos + 1 >= length || (data[pos + 1] | 0x20) != 'x') {
            // "0" as the last byte may start a value that goes on.
            if (data[pos] == '0' && pos + 1 >= length && moreToCome) break;
            ++pos;
            continue;
        }
        if (length - pos < 4) {
            if (moreToCome) break;
            pos = length;
            break;
        }
        int high = HexValue(data[pos + 2]);
        int low = HexValue(data[pos + 3]);
        if (high < 0 || low < 0) {
            pos += 2;  // a bad value is passed over
            continue;
        }
        StoreByte(static_cast<uint8_t>(high << 4 | low));
        pos += 4;
    }
    if (row_ >= frame.height || !moreToCome) {
        OnFrameComplete(frame);
        MarkComplete();
        return 0;
    }
    return length - pos;
}
