// Any list of frame sizes, any length and border: no overflow, no division
// by zero, no frame of negative size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "documents/FrameSizes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    int32_t length, border;
    std::memcpy(&length, data, 4);
    std::memcpy(&border, data + 4, 4);
    std::vector<FrameSpan> spans;
    for (size_t i = 8; i + 5 <= size && spans.size() < 64; i += 5) {
        FrameSpan s;
        s.unit = data[i] % 3;
        std::memcpy(&s.value, data + i + 1, 4);
        spans.push_back(s);
    }
    NormaliseFramePercentages(spans.data(), static_cast<int>(spans.size()));
    DivideFrameLength(spans.data(), static_cast<int>(spans.size()), length, border);
    for (const FrameSpan& s : spans) {
        if (s.size < 0 || s.position < 0) std::abort();
    }
    return 0;
}
