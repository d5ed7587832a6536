// One decoder (chosen at build time) fed the input whole, then in pieces
// whose sizes come from the input itself: both must end complete, without a
// fault, and with the same DIB of the first frame.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "layout/BmpImage.h"
#include "layout/GifImage.h"
#include "layout/JpegImage.h"
#include "layout/XbmImage.h"

#if defined(FUZZ_GIF)
using Decoder = GifImage;
#elif defined(FUZZ_BMP)
using Decoder = BmpImage;
#elif defined(FUZZ_JPEG)
using Decoder = JpegImage;  // through our JPEG library, linked in
#else
using Decoder = XbmImage;
#endif

namespace {

std::vector<uint8_t> Dib(Image& image) {
    std::vector<uint8_t> dib(image.GetDibSize());
    if (!dib.empty() && !image.CopyDib(dib.data(), static_cast<uint32_t>(dib.size()))) abort();
    return dib;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    Decoder whole;
    whole.Decode(data, static_cast<uint32_t>(size), false);
    if (!whole.IsComplete()) abort();

    Decoder pieces;
    size_t piece = size ? 1 + data[size - 1] % 17 : 1;
    std::vector<uint8_t> pending;
    for (size_t at = 0; at < size && !pieces.IsComplete(); at += piece) {
        size_t n = size - at < piece ? size - at : piece;
        pending.insert(pending.end(), data + at, data + at + n);
        bool more = at + n < size;
        uint32_t left = pieces.Decode(pending.data(), static_cast<uint32_t>(pending.size()), more);
        if (left > pending.size()) abort();
        pending.erase(pending.begin(), pending.end() - left);
    }
    if (!pieces.IsComplete()) {
        pieces.Decode(pending.data(), static_cast<uint32_t>(pending.size()), false);
        if (!pieces.IsComplete()) abort();
    }
    if (Dib(whole) != Dib(pieces)) abort();
    return 0;
}
