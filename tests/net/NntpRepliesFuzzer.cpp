// Feeds arbitrary bytes, in reads of a size the first byte chooses, to the
// news client's readers: status lines, then text lines, overview and GROUP
// lines, and the posting stuffer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/NntpReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t step = data[0] % 16 + 1;
    const char* text = reinterpret_cast<const char*>(data + 1);
    size_t left = size - 1;
    std::string buffer;
    bool textMode = false;
    for (size_t pos = 0; pos < left; pos += step) {
        buffer.append(text + pos, step < left - pos ? step : left - pos);
        for (;;) {
            std::string line;
            if (textMode) {
                bool end = false;
                if (!TakeNntpTextLine(buffer, line, end)) break;
                OverviewLine o;
                (void)ParseOverviewLine(line, o);
                textMode = !end;
            } else {
                int code;
                if (!TakeNntpStatus(buffer, code, line)) break;
                uint32_t count, first, last;
                if (ParseGroupReply(line, count, first, last)) (void)WantedRanges({first, last, 7}, first, last, 10);
                textMode = code >= 200 && code < 300;
            }
        }
    }
    (void)StuffNntpPosting(std::string(text, left));
    return 0;
}
