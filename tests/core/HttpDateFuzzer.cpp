// Dates arrive in HTTP headers from any server: parsing must never read past
// the text or overflow, and what parses must print back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/Dates.h"
#include "core/TextRoutines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::tm t;
    if (ParseHttpDate(text.c_str(), &t)) {
        char buffer[40];
        if (t.tm_year >= 0 && t.tm_year <= 8099 && !FormatTime(&t, kHttpDateFormat, buffer, sizeof buffer)) {
            std::abort();  // a date that parses has fields that format
        }
    }
    uint32_t stored = ParseHttpDateToTime(text.c_str());
    char out[40];
    (void)FormatTimeHttp(&stored, out, sizeof out);
    int32_t position = 0;
    int end = 0;
    while (NextToken(&text[0], ":, \r\n", &position, &end)) {
    }
    return 0;
}
