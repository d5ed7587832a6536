// Feeds arbitrary names and bases through resolution and the name parsers.
// The first byte picks the base's scheme; the text up to the first NUL is the
// base, the rest the name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "net/UrlNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    int baseScheme = static_cast<int>(data[0] % 20);
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t nul = text.find('\0');
    std::string baseName = nul == std::string::npos ? std::string() : text.substr(0, nul);
    std::string name = nul == std::string::npos ? text : text.substr(nul + 1);
    UrlBase base{baseName, baseScheme};
    ResolveOptions options;
    options.absoluteFtpPath = (data[0] & 0x80) != 0;
    std::string out;
    int scheme = 0;
    if (ResolveUrlName(nul == std::string::npos ? nullptr : &base, name, options, out, scheme)) {
        // No result but a local file name or a script may carry CR or LF.
        if (scheme != kSchemeFile && scheme != kSchemeJavascript &&
            out.find_first_of("\r\n") != std::string::npos)
            __builtin_trap();
    }
    char buf[64];
    (void)ResolveUrlInto(&base, name, options, buf, sizeof buf, scheme);
    if (std::strlen(buf) >= sizeof buf) __builtin_trap();
    HostAndPort hp;
    (void)GetHostAndPortFromName(name, 256, hp);
    char host[128];
    (void)GetHostFromName(name, baseScheme, host, sizeof host, (data[0] & 1) != 0);
    FtpUrlParts ftp;
    (void)ParseFtpUrl(name, ftp);
    std::string copy = name;
    RemoveDotSegments(copy, baseScheme, options.absoluteFtpPath);
    return 0;
}
