// Arbitrary bytes through the compress decoder: it must end, touch no
// memory outside its tables and write no more than its strings allow.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "net/LzwDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static LzwDecoder decoder;
    std::FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (in == nullptr) return 0;
    char* written = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&written, &length);
    if (out != nullptr) {
        (void)decoder.Decode(in, out);
        std::fclose(out);
        // Each code gives at most one string of the stack's size.
        if (length > (size * 8 / 9 + 1) * static_cast<size_t>(LzwDecoder::kStackSize)) __builtin_trap();
        std::free(written);
    }
    std::fclose(in);
    return 0;
}
