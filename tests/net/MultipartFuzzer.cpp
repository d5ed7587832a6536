// Arbitrary streams through the multipart splitter, in arbitrary chunks.
// The first byte picks the chunk size and whether the boundary is given or
// learned; the parts must come out in order and never hold more than came in.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/net/MultipartDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t chunk = (data[0] & 0x3F) + 1;
    bool learn = (data[0] & 0x40) != 0;
    std::string stream(reinterpret_cast<const char*>(data + 1), size - 1);
    multipart_test::Driver d(learn ? nullptr : "b");
    d.Feed(stream, chunk);
    size_t total = 0;
    for (const auto& p : d.parts) {
        total += p.bytes.size();
        if (!p.ended) __builtin_trap();
    }
    if (total > stream.size() || !d.WellOrdered() || d.orphanBytes != 0 || d.splitter.HoldsData())
        __builtin_trap();
    return 0;
}
