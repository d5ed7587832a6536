// GIF 87a and 89a, decoded incrementally: header, colour tables, graphic
// control and application extensions, image descriptors and LZW data,
// interlaced or not. Every Decode call takes what it can; a block that is not
// wholly present waits for the next call, while LZW data is taken byte by
// byte, its reader keeping its place in the decoder's state.
#pragma once
#include <cstdint>
#include <memory>

#include "layout/Image.h"

class GifImage : public Image {
public:
    // Frames wider than this are refused: one row of the widest frame is
    // the decoder's fixed line buffer.
    static constexpr int kMaxFrameWidth = 4096;

    GifImage();
    ~GifImage() override;

    uint32_t Decode(const uint8_t* data, uint32_t length, bool moreToCome) override;
    void Reset() override;

    struct State;

private:
    int DecodeBlocks(const uint8_t* data, uint32_t length, uint32_t& pos);
    int ReadHeader(const uint8_t* data, uint32_t length, uint32_t& pos);
    int ReadColourTable(const uint8_t* data, uint32_t length, uint32_t& pos, int count, bool global);
    int ScanBlock(const uint8_t* data, uint32_t length, uint32_t& pos);
    int ReadGraphicControl(const uint8_t* data, uint32_t length, uint32_t& pos);
    int ReadApplication(const uint8_t* data, uint32_t length, uint32_t& pos);
    int ReadDescriptor(const uint8_t* data, uint32_t length, uint32_t& pos);
    int DecodePixels(const uint8_t* data, uint32_t length, uint32_t& pos);
    int DrainSubBlocks(const uint8_t* data, uint32_t length, uint32_t& pos);
    int NextLineRow() const;
    // The line in progress: where its pixels go, found with its first one.
    uint8_t* LineTarget();
    // count more pixels are in the line; a full line is stored. False when
    // storing it failed.
    bool LineGrew(int count, int width);
    int StoreLine(const uint8_t* line, int count);
    ImageFrame* FrameForBlock();
    void FreeState();

    std::unique_ptr<State> state_;
};
