// How a frame set divides its length among its rows or columns: pixel,
// percent and relative ("*") sizes, the borders between them, and the
// minimum shares that keep every frame usable. Free of any window so that
// it is tested and fuzzed natively.
#pragma once
#include <cstdint>

enum FrameSizeUnit : int { kFrameRelative = 0, kFramePercent = 1, kFramePixels = 2 };

struct FrameSpan {
    int unit = kFrameRelative;
    int32_t value = 1;
    int32_t position = 0;  // out: offset along the frame set
    int32_t size = 0;      // out: length along the frame set
};

// Entries of a ROWS or COLS list are read by the element record; the values
// are kept within this bound so that sums and products stay in range.
constexpr int32_t kMaxFrameSizeValue = 1000000;

// Percent sizes that add up to more than 100 are scaled down to 100.
void NormaliseFramePercentages(FrameSpan* spans, int count);
// Divides length (the frame set's height for rows, width for columns)
// among the spans, 2 x border apart.
void DivideFrameLength(FrameSpan* spans, int count, int32_t length, int32_t border);
