// Windows bitmaps: a file or URL with its 14-byte file header, or a built-in
// picture without one; the 12-byte core header or a 40-byte (or longer)
// information header; 1, 4, 8, 24 and 32 bits (with or without channel
// masks; kept as 24), uncompressed bottom-up or top-down, or run-length
// encoded at 4 and 8 bits. Rows are copied as whole rows (or whole runs)
// arrive.
#pragma once
#include <cstdint>
#include <memory>

#include "layout/Image.h"

// Where built-in pictures come from: the packed bitmap (information header,
// colour table, rows; no file header) of the preferences' button picture
// id when it is built into the program, else null. The Win32 side installs
// it at start-up; without one no picture is built in.
using BuiltInPictureSource = const uint8_t* (*)(int id, uint32_t& available);
void SetBuiltInPictureSource(BuiltInPictureSource source);

class BmpImage : public Image {
public:
    // Larger pictures are refused before any row is made.
    static constexpr int kMaxSide = 32767;

    explicit BmpImage(bool withFileHeader = true);
    ~BmpImage() override;

    // "internal-zintu" is button picture 7, "internal-directory" picture 1,
    // any other name picture 0; its top-left colour becomes transparent.
    // Answers the complete flag.
    int LoadBuiltIn(const char* name) override;
    // The bytes of a packed bitmap by its own header (header, colour table,
    // rows); 0 when that cannot be told or exceeds 32767.
    static uint32_t PackedLength(const uint8_t* data, uint32_t available);

    uint32_t Decode(const uint8_t* data, uint32_t length, bool moreToCome) override;
    void Reset() override;

    struct State;

private:
    // kDone when the picture is whole or cannot be read further.
    int Steps(const uint8_t* data, uint32_t length, uint32_t& pos, bool moreToCome);
    int ReadInfoHeader(const uint8_t* data, uint32_t length, uint32_t& pos);
    int ReadColourTable(const uint8_t* data, uint32_t length, uint32_t& pos);
    int CopyRows(const uint8_t* data, uint32_t length, uint32_t& pos, bool moreToCome);
    int DecodeRuns(const uint8_t* data, uint32_t length, uint32_t& pos);
    // The data row under the run cursor, with every row before it cleared.
    uint8_t* RunRow(ImageFrame& frame);
    void SetMasks(const uint8_t* p);
    void WidePixels(const uint8_t* from, uint8_t* to, int width) const;

    bool withFileHeader_;
    std::unique_ptr<State> state_;
};
