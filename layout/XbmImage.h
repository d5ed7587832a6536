// X bitmaps in C source form: "_width" and "_height" lines, then bytes
// written as 0x and two hexadecimal digits, least significant pixel first.
#pragma once
#include <cstdint>

#include "layout/Image.h"

class XbmImage : public Image {
public:
    static constexpr int kMaxSide = 32767;

    uint32_t Decode(const uint8_t* data, uint32_t length, bool moreToCome) override;
    void Reset() override;

private:
    // 1 when both sizes are known and the frame is made; 0 to wait; -1 when
    // the picture cannot be read.
    int ReadSizeLines(const uint8_t* data, uint32_t length, uint32_t& pos, bool moreToCome);
    int StartPicture();
    void StoreByte(uint8_t value);

    int xbmWidth_ = 0;
    int xbmHeight_ = 0;
    bool sized_ = false;
    int row_ = 0;        // the row being filled
    uint32_t byte_ = 0;  // its next byte
};
