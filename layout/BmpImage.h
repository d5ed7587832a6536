// Windows bitmaps: a file or URL with its 14-byte file header, or a built-in
// picture without one; the 12-byte core header or a 40-byte (or longer)
// information header; 1, 4, 8 and 24 bits, uncompressed, bottom-up or
// top-down. Rows are copied as whole rows arrive.
#pragma once
#include <cstdint>
#include <memory>

#include "layout/Image.h"

class BmpImage : public Image {
public:
    // Larger pictures are refused before any row is made.
    static constexpr int kMaxSide = 32767;

    explicit BmpImage(bool withFileHeader = true);
    ~BmpImage() override;

    uint32_t Decode(const uint8_t* data, uint32_t length, bool moreToCome) override;
    void Reset() override;

    struct State;

private:
    // kDone when the picture is whole or cannot be read further.
    int Steps(const uint8_t* data, uint32_t length, uint32_t& pos, bool moreToCome);
    int ReadInfoHeader(const uint8_t* data, uint32_t length, uint32_t& pos);
    int ReadColourTable(const uint8_t* data, uint32_t length, uint32_t& pos);
    int CopyRows(const uint8_t* data, uint32_t length, uint32_t& pos, bool moreToCome);

    bool withFileHeader_;
    std::unique_ptr<State> state_;
};
