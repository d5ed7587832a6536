// Feeds arbitrary lines to the LIST parser and writes each entry it gives as
// a line of the listing page.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/DirectoryListing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ListingEntry e;
        if (ParseFtpListLine(text.substr(start, end - start), 2026, 6, e)) {
            (void)ListingEntryLine(e, kFtpNameWidth);
            (void)ListingEntryLine(e, 3);
        }
        start = end + 1;
    }
    (void)ListingHeader(text, "Directory listing of ", text);
    return 0;
}
