#include "net/SniffContent.h"

#include <cctype>
#include <cstring>

namespace {

bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Any markup the page parser would return as something other than text: a
// start or end tag, a comment, a declaration or a processing instruction.
bool HasMarkup(const unsigned char* p, long n) {
    for (long i = 0; i + 1 < n; ++i) {
        if (p[i] != '<') continue;
        unsigned char c = p[i + 1];
        if (std::isalpha(c) || c == '!' || c == '?') return true;
        if (c == '/' && i + 2 < n && std::isalpha(p[i + 2])) return true;
    }
    return false;
}

// Text as the program shows it: 8-bit characters count as printable, so a
// page in a Latin code page is still text; other control bytes are not.
bool IsTextByte(unsigned char c) {
    return (c >= 0x20 && c != 0x7F) || c == '\r' || c == '\n' || c == '\t';
}

}  // namespace

int SniffContent(const char* bytes, long length) {
    if (bytes == nullptr || length < 1) return kKindUnknownType;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    long start = 0;
    while (start < length && IsSpace(p[start])) ++start;
    long rest = length - start;
    if (rest > 14 && std::memcmp(p + start, "<!DOCTYPE HTML", 14) == 0) return kKindHtml;
    if (rest > 0 && HasMarkup(p + start, rest)) return kKindHtml;
    bool text = true;
    for (long i = 0; i < length && text; ++i) text = IsTextByte(p[i]);
    if (text) return kKindText;
    if (length < 4) return kKindUnknownType;
    if (std::memcmp(p, "GIF", 3) == 0) return kKindGif;
    // Real JPEG files start with the SOI marker FF D8 FF; "JFIF" sits at byte 6.
    if (std::memcmp(p, "JFIF", 4) == 0 || (p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF)) return kKindJpeg;
    return kKindUnknownType;
}
