// Feeding image data to decoders as a loader would, and reading frames back
// as plain pixels, for the image tests of both builds.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "layout/Image.h"

namespace image_test {

// The whole data in one call, nothing more to come.
void FeedWhole(Image& image, const std::string& data);
// Pieces of at most `piece` bytes, each after the bytes left unconsumed by
// the previous call, the last one with nothing more to come.
void FeedInPieces(Image& image, const std::string& data, size_t piece);

// The frame's pixels, 4 bytes each (red, green, blue, alpha: 0 where the
// pixel is the transparent index), rows top first.
std::vector<uint8_t> FramePixels(const Image& image, const ImageFrame& frame);
// The same without alpha.
std::vector<uint8_t> FrameRgb(const Image& image, const ImageFrame& frame);
// A checksum of the DIB of every frame, in order.
uint64_t DibChecksum(Image& image);

// The pixels of a binary PNM (P5 grey or P6 colour) as RGB.
std::vector<uint8_t> PnmRgb(const std::string& pnm, int& width, int& height);

std::string Fixture(const std::string& name);

}  // namespace image_test
