#include "layout/FormEncoding.h"

#include <cstring>
#include <new>

namespace {
const char kHex[] = "0123456789ABCDEF";
const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void AppendHexEscape(std::string& out, char lead, unsigned char byte) {
    out += lead;
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

bool IsQueryGap(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool IsNameSeparator(char c) {
    return c == ' ' || c == ';' || c == ',' || c == '\r' || c == '\n' || c == '\t';
}

void AppendBase64(std::string& out, const unsigned char* in, size_t length, bool lines) {
    out.reserve(out.size() + (length + 2) / 3 * 4 + (lines ? length / 45 * 2 : 0));
    for (size_t i = 0; i < length; i += 3) {
        const size_t n = length - i < 3 ? length - i : 3;
        const uint32_t v =
            (static_cast<uint32_t>(in[i]) << 16) | (n > 1 ? in[i + 1] << 8 : 0) | (n > 2 ? in[i + 2] : 0);
        out += kBase64[(v >> 18) & 63];
        out += kBase64[(v >> 12) & 63];
        out += n > 1 ? kBase64[(v >> 6) & 63] : '=';
        out += n > 2 ? kBase64[v & 63] : '=';
        // 45 input bytes make one line of 60 characters.
        if (lines && (i + 3) % 45 == 0 && n == 3) out += "\r\n";
    }
}

char UuChar(uint32_t value) {
    return value ? static_cast<char>(value + 0x20) : '`';
}

void AppendUuencode(std::string& out, const unsigned char* in, size_t length) {
    for (size_t line = 0; line < length; line += 45) {
        const size_t n = length - line < 45 ? length - line : 45;
        out += static_cast<char>(n + 0x20);
        for (size_t i = 0; i < n; i += 3) {
            const unsigned char a = in[line + i];
            const unsigned char b = i + 1 < n ? in[line + i + 1] : 0;
            const unsigned char c = i + 2 < n ? in[line + i + 2] : 0;
            out += UuChar(a >> 2);
            out += UuChar(((a & 3) << 4) | (b >> 4));
            out += UuChar(((b & 15) << 2) | (c >> 6));
            out += UuChar(c & 63);
        }
        out += "\r\n";
    }
    out += "`\r\n";
}

// Kinds 5 and 6: the result that makes the text unfit, or done.
int CheckLineText(const unsigned char* in, size_t length, bool sevenBit) {
    size_t lineLength = 0;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = in[i];
        if (c == 0 || (sevenBit && c >= 128)) return sevenBit ? kMimeTextNot7Bit : kMimeTextNot8Bit;
        // A line ends at a CR or an LF: both become CR LF on the way out.
        if (c == '\r' || c == '\n') {
            lineLength = 0;
        } else if (++lineLength > 998) {
            return sevenBit ? kMimeTextNot7Bit : kMimeTextNot8Bit;
        }
    }
    return kMimeTextDone;
}

// Every line end becomes CR LF: a CR that no LF follows gets one, an LF
// without a CR before it gets a CR.
void AppendCrLfLines(std::string& out, const char* in, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const char c = in[i];
        if (c == '\n' && (i == 0 || in[i - 1] != '\r')) out += '\r';
        out += c;
        if (c == '\r' && (i + 1 == length || in[i + 1] != '\n')) out += '\n';
    }
}

bool HasLoneCr(const char* in, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (in[i] == '\r' && (i + 1 == length || in[i + 1] != '\n')) return true;
    }
    return false;
}

int Convert(std::string& out, const char* buffer, size_t length, int kind) {
    const auto* in = reinterpret_cast<const unsigned char*>(buffer);
    if (kind == kMimeUuencode) {
        AppendUuencode(out, in, length);
        return kMimeTextDone;
    }
    if (length == 0) return kMimeTextDone;
    if (kind < 0) {
        out.assign(buffer, length);
    } else if (kind == kMimeBase64Lines || kind == kMimeBase64 || kind == kMimeBase64Flat) {
        AppendBase64(out, in, length, kind != kMimeBase64Flat);
    } else if (kind == kMimeQuotedPrintable || kind == kMimeQuotedPrintableSpaces) {
        const int flags = kind == kMimeQuotedPrintableSpaces ? kQpEncodeSpace : 0;
        out.reserve(length + CountCharsToEncode(buffer, length, kMimeQuotedPrintableSpaces) * 2);
        for (size_t i = 0; i < length; ++i) {
            if (CharNeedsQuotedPrintable(in[i], flags)) {
                AppendHexEscape(out, '=', in[i]);
            } else {
                out += buffer[i];
            }
        }
    } else if (kind == kMime7Bit || kind == kMime8Bit) {
        const int check = CheckLineText(in, length, kind == kMime7Bit);
        if (check != kMimeTextDone) return check;
        if (HasLoneCr(buffer, length)) {
            AppendCrLfLines(out, buffer, length);
        } else {
            out.assign(buffer, length);
        }
    } else if (kind != kMimeNothing) {
        out.assign(buffer, length);
    }
    return kMimeTextDone;
}
}  // namespace

int NeedsUrlEscape(unsigned char c) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '_' || c == '-' || c == '@';
    return plain ? 0 : 1;
}

size_t CountUrlEscapes(const char* text) {
    size_t n = 0;
    for (const char* p = text; p && *p; ++p) n += NeedsUrlEscape(static_cast<unsigned char>(*p));
    return n;
}

void AppendUrlEscaped(std::string& out, const char* text, size_t length) {
    out.reserve(out.size() + length);
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ') {
            out += '+';
        } else if (NeedsUrlEscape(c)) {
            AppendHexEscape(out, '%', c);
        } else {
            out += static_cast<char>(c);
        }
    }
}

void AppendUrlPair(std::string& out, bool first, const char* name, const char* value, size_t valueLength) {
    if (!first) out += '&';
    if (name) AppendUrlEscaped(out, name, std::strlen(name));
    out += '=';
    if (value) AppendUrlEscaped(out, value, valueLength);
}

int32_t CommaFieldToInt(const char* text, int n) {
    if (!text || n < 1) return 0;
    const char* p = text;
    for (int field = 1; field < n; ++field) {
        p = std::strchr(p, ',');
        if (!p) return 0;
        ++p;
    }
    while (*p == ' ') ++p;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX) return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

std::string IsindexQuery(const char* typed) {
    std::string out;
    if (!typed) return out;
    const char* p = typed;
    while (*p) {
        const char* start = p;
        while (*p && IsQueryGap(*p)) ++p;
        if (p != start) {
            if (!*p) break;  // a trailing run is dropped
            out += '+';
            continue;
        }
        const char* word = p;
        while (*p && !IsQueryGap(*p)) ++p;
        AppendUrlEscaped(out, word, static_cast<size_t>(p - word));
    }
    return out;
}

std::vector<std::string> SplitUploadFileNames(const char* text) {
    std::vector<std::string> names;
    const char* p = text ? text : "";
    while (*p) {
        while (*p && IsNameSeparator(*p)) ++p;
        if (!*p) break;
        std::string name;
        if (*p == '"') {
            const char* end = std::strchr(p + 1, '"');
            const size_t n = end ? static_cast<size_t>(end - p - 1) : std::strlen(p + 1);
            name.assign(p + 1, n);
            p = end ? end + 1 : p + 1 + n;
        } else {
            while (*p && !IsNameSeparator(*p) && *p != '"') name += *p++;
        }
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

int CharNeedsQuotedPrintable(unsigned char c, int flags) {
    if (c == ' ') return (flags & kQpEncodeSpace) ? 1 : 0;
    if (c == '\t' || c == '\r' || c == '\n') return (flags & kQpHeaderWord) ? 1 : 0;
    if (c < 0x20 || c >= 0x7F || c == '=') return 1;
    return 0;
}

size_t CountCharsToEncode(const char* buffer, size_t length, int kind) {
    size_t n = 0;
    const auto* in = reinterpret_cast<const unsigned char*>(buffer);
    for (size_t i = 0; buffer && i < length; ++i) {
        if (kind == kMimeQuotedPrintable || kind == kMimeQuotedPrintableSpaces) {
            n += CharNeedsQuotedPrintable(in[i], kQpEncodeSpace);
        } else if (kind == kMimeBinary) {
            n += NeedsUrlEscape(in[i]);
        } else {
            return 0;
        }
    }
    return n;
}

int EncodeMimeText(MimeTextConverter& converter, size_t& outLength, const char* buffer, size_t length,
                   const char* charset, int kind) {
    (void)charset;
    std::string().swap(converter.output);
    outLength = 0;
    if (!buffer) length = 0;
    try {
        std::string out;
        const int result = Convert(out, buffer, length, kind);
        if (result != kMimeTextDone) return result;
        converter.output = std::move(out);
    } catch (const std::bad_alloc&) {
        std::string().swap(converter.output);
        return kMimeTextNoMemory;
    }
    outLength = converter.output.size();
    return kMimeTextDone;
}
