// Feeds arbitrary Set-Cookie values, hosts and paths to the cookie store and
// asks it for the Cookie header of URLs made from them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/CookieStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // Lines: a host, a request path, then Set-Cookie values; every value is
    // followed by a request for a URL made of the host and the value's text.
    CookieStore store("");
    std::string_view host = "h.test", path = "/";
    int line = 0;
    while (!input.empty()) {
        size_t end = input.find('\n');
        std::string_view text = input.substr(0, end);
        input = end == input.npos ? std::string_view() : input.substr(end + 1);
        if (line == 0) {
            host = text;
        } else if (line == 1) {
            path = text;
        } else {
            store.SetFromHeader(text, host, path);
            std::string url = (line % 2 ? "http://" : "https://") + std::string(host) + std::string(text);
            (void)store.BuildCookieHeader(url.c_str());
        }
        ++line;
    }
    return 0;
}
