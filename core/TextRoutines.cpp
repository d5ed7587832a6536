#include "core/TextRoutines.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

void TrimInPlace(char* text) {
    if (!text || !*text) return;
    char* start = text;
    while (IsSpace(*start)) ++start;
    size_t length = std::strlen(start);
    while (length > 0 && IsSpace(start[length - 1])) --length;
    std::memmove(text, start, length);
    text[length] = '\0';
}

char* StrDupTrimmed(const char* text) {
    if (!text) return nullptr;
    while (IsSpace(*text)) ++text;
    size_t length = std::strlen(text);
    while (length > 0 && IsSpace(text[length - 1])) --length;
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

char* NextToken(char* text, const char* delimiters, int32_t* position, int* endFlag) {
    if (!text || !position || *position < 0) {
        if (endFlag) *endFlag = 1;
        return nullptr;
    }
    char* start = text + *position;
    if (!*start) {
        if (endFlag) *endFlag = 1;
        return nullptr;
    }
    size_t length = delimiters ? std::strcspn(start, delimiters) : std::strlen(start);
    if (start[length]) {
        start[length] = '\0';
        *position += static_cast<int32_t>(length) + 1;
    } else {
        *position += static_cast<int32_t>(length);
    }
    return start;
}

const char* UrlFileExtension(const char* url) {
    if (!url) return nullptr;
    const char* scheme = std::strstr(url, "://");
    if (scheme) url = scheme + 3;
    const char* slash = std::strrchr(url, '/');
    if (!slash) return nullptr;
    const char* dot = std::strrchr(slash, '.');
    return dot ? dot + 1 : nullptr;
}

size_t FormatUserAgent(const char* pattern, const char* systemName, char* buffer, size_t size) {
    if (!pattern || !*pattern || !systemName || !*systemName || !buffer) return 0;
    if (std::strlen(pattern) + std::strlen(systemName) >= size) return 0;
    // The pattern comes from our own string table; only its one "%s" is filled.
    const char* mark = std::strstr(pattern, "%s");
    size_t at = 0;
    if (mark) {
        size_t head = static_cast<size_t>(mark - pattern);
        std::memcpy(buffer, pattern, head);
        at = head;
        size_t nameLength = std::strlen(systemName);
        std::memcpy(buffer + at, systemName, nameLength);
        at += nameLength;
        pattern = mark + 2;
    }
    size_t tail = std::strlen(pattern);
    std::memcpy(buffer + at, pattern, tail);
    at += tail;
    buffer[at] = '\0';
    return at;
}

uint16_t ParseHundredths(const char* text) {
    if (!text) return 0;
    size_t length = std::strlen(text);
    if (length == 0 || length > 5) return 0;
    unsigned whole = 0;
    const char* p = text;
    while (IsDigit(*p)) whole = whole * 10 + static_cast<unsigned>(*p++ - '0');
    // Five characters hold at most 99999; the measure is capped at 500 so
    // that it always fits the 16-bit answer.
    if (whole > 500) whole = 500;
    if (IsSpace(*p) || !*p) return static_cast<uint16_t>(whole * 100);
    unsigned value = whole * 100;
    if (*p == '.' || *p == ',') {
        ++p;
        if (IsDigit(*p)) value += static_cast<unsigned>(*p++ - '0') * 10;
        if (IsDigit(*p)) value += static_cast<unsigned>(*p - '0');
    }
    return static_cast<uint16_t>(value > 50000 ? 50000 : value);
}
