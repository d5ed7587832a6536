// Feeds arbitrary text to the hotlist file reader; what it loads, written
// and read again, must give the same file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/HotlistFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    HotlistFolder root("ROOT");
    HotlistFolder* active = nullptr;
    std::string error;
    if (!LoadHotlistText(text, root, &active, &error)) {
        if (error.empty() || root.FirstChild()) std::abort();  // a failure says why and changes nothing
        return 0;
    }
    const std::string written = WriteHotlistText(root, active);
    HotlistFolder again("ROOT");
    HotlistFolder* activeAgain = nullptr;
    if (!LoadHotlistText(written, again, &activeAgain, &error)) std::abort();
    if (WriteHotlistText(again, activeAgain) != written) std::abort();
    return 0;
}
