// Certificate common names come from servers: any text compiles or fails
// cleanly, and matching stays bounded.
#include <cstddef>
#include <cstdint>
#include <string>

#include "security/HostNamePattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t split = text.find('\n');
    std::string pattern = text.substr(0, split);
    std::string host = split == std::string::npos ? "www.example.com" : text.substr(split + 1);
    HostNamePattern compiled(true);
    compiled.Compile(pattern.c_str());
    int matched = 0;
    compiled.Match(host.c_str(), matched);
    return 0;
}
