// JPEG through the outside decoder library ZNJPG320 (see JpegLibrary.h).
// Rows go straight into the frame: grey and colour-mapped output at 8 bits,
// colour at 24 bits (blue, green, red, as a DIB keeps them).
#pragma once
#include <cstdint>
#include <memory>

#include "layout/Image.h"

class JpegImage : public Image {
public:
    JpegImage();
    ~JpegImage() override;

    uint32_t Decode(const uint8_t* data, uint32_t length, bool moreToCome) override;
    void Reset() override;

    struct State;

private:
    // 1 once output can start; 0 to wait; -1 on an error.
    int StartOutput(const uint8_t*& data, uint32_t& length);
    int SetUpFrame();
    // Rows produced this call, or -1 on an error.
    int ProduceRows();
    void Finish();
    // Decoding ends: with the rows there are, the image is complete.
    void EndDecoding();

    std::unique_ptr<State> state_;
};
