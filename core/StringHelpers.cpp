#include "core/StringHelpers.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char* CopyText(const char* text, size_t length) {
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

bool IsListSeparator(char c) {
    return c && std::strchr(",; \t\r\n", c) != nullptr;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void SetStringField(char** field, const char* text) {
    FreeStringField(field);
    if (text && *text) *field = CopyText(text, std::strlen(text));
}

void SetStringFieldN(char** field, const char* text, size_t n) {
    FreeStringField(field);
    if (!text || !*text || n == 0) return;
    size_t length = 0;
    while (length < n && text[length]) ++length;
    *field = CopyText(text, length);
}

void SetStringFieldAlways(char** field, const char* text) {
    FreeStringField(field);
    *field = text ? CopyText(text, std::strlen(text)) : CopyText("", 0);
}

void FreeStringField(char** field) {
    std::free(*field);
    *field = nullptr;
}

bool StrCatParts(char* destination, size_t size, std::initializer_list<const char*> texts) {
    if (!destination || size == 0) return false;
    size_t at = strnlen(destination, size);
    if (at == size) {
        destination[size - 1] = '\0';
        return false;
    }
    for (const char* text : texts) {
        if (!text) continue;
        size_t length = std::strlen(text);
        size_t room = size - 1 - at;
        size_t copy = length < room ? length : room;
        std::memcpy(destination + at, text, copy);
        at += copy;
        destination[at] = '\0';
        if (copy < length) return false;
    }
    return true;
}

char* StrConcatNew(std::initializer_list<const char*> texts) {
    size_t total = 0;
    for (const char* text : texts) total += text ? std::strlen(text) : 0;
    char* result = static_cast<char*>(std::malloc(total + 1));
    if (!result) return nullptr;
    size_t at = 0;
    for (const char* text : texts) {
        if (!text) continue;
        size_t length = std::strlen(text);
        std::memcpy(result + at, text, length);
        at += length;
    }
    result[at] = '\0';
    return result;
}

bool AppendFormat(char* destination, size_t size, const char* format, ...) {
    if (!destination || size == 0 || !format) return false;
    size_t at = strnlen(destination, size);
    if (at == size) {
        destination[size - 1] = '\0';
        return false;
    }
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(destination + at, size - at, format, args);
    va_end(args);
    return written >= 0 && static_cast<size_t>(written) < size - at;
}

int CompareEscaped(const char* escaped, const char* plain, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (!*escaped) return *plain ? -1 : 0;
        signed char left;
        if (*escaped == '%') {
            int high = HexValue(escaped[1]);
            int low = high < 0 ? -1 : HexValue(escaped[2]);
            if (low < 0) return -1;
            left = static_cast<signed char>(high * 16 + low);
            escaped += 3;
        } else {
            left = static_cast<signed char>(*escaped++);
        }
        signed char right = static_cast<signed char>(*plain);
        if (left != right) return left > right ? 1 : -1;
        if (!*plain) return 0;
        ++plain;
    }
    return 0;
}

char* NextListPath(char** cursor, char** fileName) {
    *fileName = nullptr;
    while (*cursor) {
        char* p = *cursor;
        while (IsListSeparator(*p)) ++p;
        if (!*p) {
            *cursor = nullptr;
            return nullptr;
        }
        // Copy the entry onto itself, dropping quotes; a quoted stretch keeps
        // its separators.
        char* path = p;
        char* out = p;
        bool quoted = false;
        while (*p && (quoted || !IsListSeparator(*p))) {
            if (*p == '"') {
                quoted = !quoted;
                ++p;
                continue;
            }
            *out++ = *p++;
        }
        char* next = *p ? p + 1 : nullptr;
        *out = '\0';
        *cursor = next;
        if (out == path) continue;
        char last = out[-1];
        if (last == '\\' || last == '/' || last == ':') continue;  // a folder, not a file
        char* name = std::strrchr(path, '\\');
        if (!name) name = std::strrchr(path, '/');
        if (!name) name = std::strchr(path, ':');
        *fileName = name ? name + 1 : path;
        return path;
    }
    return nullptr;
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}
