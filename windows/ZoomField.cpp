#include "windows/ZoomField.h"

#include <algorithm>
#include <cstdio>

const char* const kZoomListEntries[21] = {"20%",  "30%",  "50%",  "70%",  "80%",  "90%",  "100%",
                                          "110%", "120%", "150%", "180%", "200%", "250%", "300%",
                                          "400%", "500%", "600%", "700%", "800%", "900%", "1000%"};

namespace {

// The leading decimal number, saturated well above the largest scale so
// that a long row of digits cannot overflow; -1 without a leading digit.
long LeadingNumber(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at >= text.size() || text[at] < '0' || text[at] > '9') return -1;
    long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = std::min(value * 10 + (text[at] - '0'), 1000000L);
    }
    return value;
}

}  // namespace

std::string ZoomFieldText(int scale) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", scale);
    return text;
}

int ScaleFromTypedZoom(const std::string& text) {
    long value = LeadingNumber(text);
    if (value < 0) return -1;
    value = std::clamp(value, static_cast<long>(kSmallestScale), static_cast<long>(kLargestScale));
    return static_cast<int>((value + 5) / 10 * 10);
}

int ScaleFromZoomEntry(const std::string& entry) {
    long value = LeadingNumber(entry);
    if (value < 0) return -1;
    return static_cast<int>(std::clamp(value, static_cast<long>(kSmallestScale), static_cast<long>(kLargestScale)));
}
