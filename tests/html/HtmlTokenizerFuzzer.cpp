// Tokenizes the input whole and in two blocks; neither may read outside the
// buffer, and both must end.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "html/HtmlTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> page(data, data + size);
    HtmlTokenizer tokenizer;
    AttributeSlot slots[kAttributeSlots + 1];
    const char* begin = page.data();
    const char* pos = begin;
    const char* split = begin + (size ? data[0] % (size + 1) : 0);
    for (int pass = 0; pass < 2; ++pass) {
        const char* end = pass == 0 ? split : begin + size;
        for (int guard = 0; guard < 1000000; ++guard) {
            const char* start;
            int length;
            const char* before = pos;
            int code = tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, end, pass == 0);
            if (code == kTokenNeedMore) break;
            if (pos == before && code != kTokenNeedMore) __builtin_trap();  // no progress
            if (code == kTagScript) {
                while (tokenizer.ScanRawContent(kTagScript + kEndTagBit, pos, start, length, end, false) ==
                           kTokenNeedMore &&
                       pos < end) {
                }
            }
        }
    }
    return 0;
}
