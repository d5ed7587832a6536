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

#if defined(FUZZ_JPEG)
#include <csetjmp>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on
#endif

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

#if defined(FUZZ_JPEG)
// libjpeg's reading of damaged entropy data depends on how much of it is at
// hand (its fast and careful Huffman paths differ), so pieces and whole may
// only be held to the same picture when the library finds nothing wrong.
struct CountingErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

bool CleanStream(const uint8_t* data, size_t size) {
    jpeg_decompress_struct info = {};
    CountingErrors errors;
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<CountingErrors*>(c->err)->jump, 1); };
    errors.pub.output_message = [](j_common_ptr) {};
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    // From the library's own pool: a long jump out leaves nothing to free.
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * info.output_components, 1);
    while (info.output_scanline < info.output_height && errors.pub.num_warnings == 0) {
        jpeg_read_scanlines(&info, rows, 1);
    }
    if (errors.pub.num_warnings == 0) jpeg_finish_decompress(&info);
    bool clean = errors.pub.num_warnings == 0;
    jpeg_destroy_decompress(&info);
    return clean;
}
#else
bool CleanStream(const uint8_t*, size_t) {
    return true;
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    Decoder whole;
    whole.Decode(data, static_cast<uint32_t>(size), false);
    if (!whole.IsComplete()) abort();
    // A few bytes can declare a picture of gigabytes; holding it twice and
    // copying both out would only measure the fuzzer's memory limit.
    if (static_cast<uint64_t>(whole.Width()) * static_cast<uint64_t>(whole.Height()) > (uint64_t{1} << 22)) return 0;

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
    if (Dib(whole) != Dib(pieces) && CleanStream(data, size)) abort();
    return 0;
}
