#include "html/CssTokenizer.h"

#include <cstring>

namespace {

struct CssKeyword {
    const char* name;
    int code;
};

// clang-format off
const char* const kPropertyNames[] = {
    "top", "clip", "font", "left", "size", "clear",
    "color", "float", "width", "marks", "right", "margin",
    "widows", "border", "bottom", "cursor", "height", "content",
    "display", "orphans", "padding", "z-index", "overflow", "position",
    "row-span", "direction", "font-size", "max-width", "min-width", "max-height",
    "min-height", "margin-top", "text-align", "font-style", "background", "border-top",
    "list-style", "visibility", "white-space", "line-height", "column-span", "font-family",
    "font-weight", "border-left", "padding-top", "margin-left", "text-indent", "text-shadow",
    "margin-right", "padding-left", "table-layout", "border-color", "border-right", "border-style",
    "border-width", "caption-side", "cell-spacing", "font-variant", "word-spacing", "border-bottom",
    "margin-bottom", "padding-right", "padding-bottom", "letter-spacing", "text-transform", "vertical-align",
    "text-decoration", "border-collapse", "list-style-type", "background-color", "background-image", "border-top-color",
    "border-top-style", "border-top-width", "font-size-adjust", "list-style-image", "page-break-after", "background-repeat",
    "border-left-color", "border-left-style", "border-left-width", "page-break-before", "border-right-color", "border-right-style",
    "border-right-width", "border-bottom-color", "border-bottom-style", "border-bottom-width", "list-style-position", "background-position",
    "background-attachment",
};

const CssKeyword kCssKeywords[] = {
    {"z", 0x18}, {"top", 0x44}, {"sub", 0x51}, {"ltr", 0x400},
    {"rtl", 0x401}, {"red", 0x100b}, {"none", 0x1}, {"both", 0xb},
    {"auto", 0xc}, {"thin", 0x10}, {"bold", 0x1c}, {"icon", 0x21},
    {"menu", 0x22}, {"left", 0x41}, {"disc", 0x60}, {"move", 0x203},
    {"text", 0x20b}, {"wait", 0x20c}, {"help", 0x20d}, {"aqua", 0x1000},
    {"blue", 0x1002}, {"gray", 0x1004}, {"lime", 0x1006}, {"navy", 0x1008},
    {"teal", 0x100d}, {"fixed", 0x3}, {"thick", 0x12}, {"serif", 0x13},
    {"block", 0x31}, {"runin", 0x33}, {"table", 0x35}, {"right", 0x42},
    {"blink", 0x4c}, {"super", 0x52}, {"solid", 0x205}, {"ridge", 0x208},
    {"inset", 0x209}, {"black", 0x1001}, {"green", 0x1005}, {"olive", 0x1009},
    {"white", 0x100e}, {"small", 0x2002}, {"large", 0x2004}, {"scroll", 0x2},
    {"normal", 0xe}, {"italic", 0x19}, {"bolder", 0x1d}, {"always", 0x27},
    {"inline", 0x30}, {"center", 0x43}, {"bottom", 0x45}, {"middle", 0x54},
    {"circle", 0x61}, {"square", 0x62}, {"inside", 0x68}, {"repeat", 0x100},
    {"hidden", 0x202}, {"dotted", 0x203}, {"dashed", 0x204}, {"double", 0x206},
    {"groove", 0x207}, {"outset", 0x20a}, {"maroon", 0x1007}, {"purple", 0x100a},
    {"silver", 0x100c}, {"yellow", 0x100f}, {"medium", 0x2003}, {"larger", 0x2007},
    {"inherit", 0x4}, {"cursive", 0x15}, {"fantasy", 0x16}, {"oblique", 0x1a},
    {"lighter", 0x1e}, {"caption", 0x20}, {"compact", 0x34}, {"justify", 0x40},
    {"decimal", 0x63}, {"outside", 0x69}, {"default", 0x201}, {"pointer", 0x202},
    {"fuchsia", 0x1003}, {"x-small", 0x2001}, {"x-large", 0x2005}, {"smaller", 0x2008},
    {"collapse", 0x5}, {"separate", 0x6}, {"overline", 0x4a}, {"baseline", 0x50},
    {"text-top", 0x53}, {"repeat-x", 0x101}, {"repeat-y", 0x102}, {"e-resize", 0x204},
    {"n-resize", 0x207}, {"s-resize", 0x209}, {"w-resize", 0x20a}, {"xx-small", 0x2000},
    {"xx-large", 0x2006}, {"monospace", 0x17}, {"statusbar", 0x25}, {"list-item", 0x32},
    {"table-row", 0x3b}, {"uppercase", 0x47}, {"lowercase", 0x48}, {"underline", 0x49},
    {"no-repeat", 0x103}, {"crosshair", 0x200}, {"ne-resize", 0x205}, {"nw-resize", 0x206},
    {"se-resize", 0x208}, {"sans-serif", 0x14}, {"small-caps", 0x1b}, {"messagebox", 0x23},
    {"table-cell", 0x3c}, {"capitalize", 0x46}, {"transparent", 0xf}, {"text-bottom", 0x55},
    {"lower-roman", 0x64}, {"upper-roman", 0x65}, {"lower-alpha", 0x66}, {"upper-alpha", 0x67},
    {"smallcaption", 0x24}, {"inline-table", 0x36}, {"line-through", 0x4b}, {"ltr-override", 0x402},
    {"rtl-override", 0x403}, {"table-caption", 0x3d}, {"table-row-group", 0x37}, {"table-column-group", 0x38},
    {"table-header-group", 0x39}, {"table-footer-group", 0x3a},
};
// clang-format on

template <typename T, int N>
constexpr int CountOf(const T (&)[N]) {
    return N;
}

// Start of each length's names, for names of up to 21 characters.
struct Buckets {
    int start[24] = {};
    template <typename NameOf>
    Buckets(int count, NameOf nameOf) {
        int position = 0;
        for (int length = 0; length < 24; ++length) {
            while (position < count && static_cast<int>(std::strlen(nameOf(position))) < length) ++position;
            start[length] = position;
        }
    }
};

template <typename NameOf>
int Find(const Buckets& buckets, const char* name, int length, int maxLength, NameOf nameOf) {
    if (length <= 0 || length > maxLength) return -1;
    for (int i = buckets.start[length]; i < buckets.start[length + 1]; ++i) {
        if (std::memcmp(nameOf(i), name, length) == 0) return i;
    }
    return -1;
}

bool IsLetter(unsigned char c) {
    return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_' || c >= 0x80;
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool IsNameChar(unsigned char c) {
    return IsLetter(c) || IsDigit(c) || c == '-';
}
bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

const char* SkipName(const char* p, const char* end) {
    while (p < end && IsNameChar(static_cast<unsigned char>(*p))) ++p;
    return p;
}

int UnitCode(const char* p, int length) {
    static const char* const kUnits[] = {"%",  "s",  "em", "ex", "px",  "cm",  "mm",  "in",
                                         "pt", "pc", "ms", "hz", "deg", "rad", "khz", "grad"};
    if (length == 0) return kUnitNone;
    for (int i = 0; i < CountOf(kUnits); ++i) {
        int n = static_cast<int>(std::strlen(kUnits[i]));
        if (n != length) continue;
        bool equal = true;
        for (int k = 0; k < n && equal; ++k) equal = (p[k] | 0x20) == kUnits[i][k] || p[k] == kUnits[i][k];
        if (equal) return i + 1;
    }
    return kUnitOther;
}

}  // namespace

int LookupProperty(const char* name, int length) {
    static const Buckets buckets(kCssPropertyCount, [](int i) { return kPropertyNames[i]; });
    return Find(buckets, name, length, 21, [](int i) { return kPropertyNames[i]; });
}

const char* PropertyName(int id) {
    return id >= 0 && id < kCssPropertyCount ? kPropertyNames[id] : nullptr;
}

int LookupCssKeyword(const char* name, int length) {
    static const Buckets buckets(CountOf(kCssKeywords), [](int i) { return kCssKeywords[i].name; });
    int i = Find(buckets, name, length, 18, [](int k) { return kCssKeywords[k].name; });
    return i < 0 ? kCssUnknownKeyword : kCssKeywords[i].code;
}

int ScanNumber(const char*& position, const char* end) {
    const char* p = position;
    if (end - p >= 3 && p[0] == '0' && (p[1] | 0x20) == 'x' && std::strchr("0123456789abcdefABCDEF", p[2]) &&
        p[2]) {
        p += 2;
        while (p < end && std::strchr("0123456789abcdefABCDEF", *p) && *p) ++p;
        position = p;
        return kFormHex;
    }
    const char* digits = p;
    while (p < end && IsDigit(static_cast<unsigned char>(*p))) ++p;
    bool real = false;
    if (p < end && *p == '.') {
        real = true;
        ++p;
        while (p < end && IsDigit(static_cast<unsigned char>(*p))) ++p;
    }
    if (p < end && (*p | 0x20) == 'e') {
        const char* q = p + 1;
        if (q < end && (*q == '+' || *q == '-')) ++q;
        if (q < end && IsDigit(static_cast<unsigned char>(*q))) {
            real = true;
            p = q;
            while (p < end && IsDigit(static_cast<unsigned char>(*p))) ++p;
        }
    }
    position = p;
    if (real) return kFormReal;
    if (p - digits > 1 && digits[0] == '0') {
        bool octal = true;
        for (const char* d = digits; d < p; ++d) octal = octal && *d < '8';
        if (octal) return kFormOctal;
    }
    return kFormInteger;
}

int SkipComment(const char*& position, const char* end, bool more, bool blockComment) {
    const char* p = position;
    if (blockComment) {
        for (p += 2; p + 1 < end; ++p) {
            if (p[0] == '*' && p[1] == '/') {
                position = p + 2;
                return kCssComment;
            }
        }
        if (more) return kCssNeedMore;
        position = end;  // an unterminated comment runs to the end
        return kCssComment;
    }
    while (p < end && *p != '\n' && *p != '\r') ++p;
    if (p == end && more) return kCssNeedMore;
    position = p;
    return kCssComment;
}

int CssTokenizer::NextToken(const char*& position, const char*& start, int& length, const char* end,
                            bool more, bool inValue) const {
    const char* p = position;
    while (p < end && IsSpace(static_cast<unsigned char>(*p))) ++p;
    position = p;
    start = p;
    length = 0;
    if (p == end) return kCssNeedMore;
    const unsigned char c = static_cast<unsigned char>(*p);
    auto single = [&](int kind) {
        position = p + 1;
        length = 1;
        return kind;
    };
    switch (c) {
        case ']':
        case '{':
        case '}':
        case '[':
        case '>':
        case ':':
        case ';':
        case ',':
        case ')':
        case '*':
        case '+':
        case '-':
            return single(c);
        case '~':
            if (p + 1 == end && more) return kCssNeedMore;
            if (p + 1 < end && p[1] == '=') {
                position = p + 2;
                length = 2;
                return kCssIncludes;
            }
            return single(c);
        case '<':
            if (end - p < 4 && more) return kCssNeedMore;
            if (end - p >= 4 && std::memcmp(p, "<!--", 4) == 0)
                return SkipComment(position, end, more, false);
            return single(c);
        case '/':
            if (p + 1 == end && more) return kCssNeedMore;
            if (p + 1 < end && p[1] == '*') return SkipComment(position, end, more, true);
            if (p + 1 < end && p[1] == '/') return SkipComment(position, end, more, false);
            return single(c);
        case '@': {
            const char* name = p + 1;
            const char* q = SkipName(name, end);
            if (q == end && more) return kCssNeedMore;
            if (q == name || IsDigit(static_cast<unsigned char>(*name)) || *name == '-') return single(c);
            start = name;
            length = static_cast<int>(q - name);
            position = q;
            return kCssAtKeyword;
        }
        case '!': {
            const char* q = p + 1;
            while (q < end && IsSpace(static_cast<unsigned char>(*q))) ++q;
            const char* name = q;
            q = SkipName(q, end);
            if (q == end && more) return kCssNeedMore;
            if (q - name == 9) {
                bool important = true;
                for (int i = 0; i < 9; ++i) important = important && (name[i] | 0x20) == "important"[i];
                if (important) {
                    start = name;
                    length = 9;
                    position = q;
                    return kCssImportant;
                }
            }
            return single(c);
        }
        case '"':
        case '\'': {
            const char* q = p + 1;
            bool escaped = false;
            while (q < end && *q != static_cast<char>(c)) {
                if (*q == '\\' && q + 1 < end) {
                    escaped = true;
                    ++q;
                }
                ++q;
            }
            if (q == end && more) return kCssNeedMore;
            start = p + 1;
            length = static_cast<int>(q - start);
            position = q < end ? q + 1 : end;
            return escaped ? kCssEscapedString : kCssString;
        }
        case '#': {
            const char* q = SkipName(p + 1, end);
            if (q == end && more) return kCssNeedMore;
            start = p + 1;
            length = static_cast<int>(q - start);
            position = q;
            return kCssHash;
        }
        default:
            break;
    }
    if (c == '.' && !inValue) {
        const char* q = SkipName(p + 1, end);
        if (q == end && more) return kCssNeedMore;
        start = p + 1;
        length = static_cast<int>(q - start);
        position = q;
        return kCssClass;
    }
    if (IsDigit(c) || c == '.') {
        const char* q = p;
        int form = ScanNumber(q, end);
        if (q == p || (q - p == 1 && *p == '.')) return kCssStop;  // no digit where a number starts
        const char* unit = q;
        while (q < end && (IsLetter(static_cast<unsigned char>(*q)) || *q == '%')) ++q;
        if (q == end && more) return kCssNeedMore;
        start = p;
        length = static_cast<int>(unit - p);
        position = q;
        return kCssNumberBit | form | UnitCode(unit, static_cast<int>(q - unit));
    }
    if (IsLetter(c)) {
        const char* q = SkipName(p, end);
        if (q == end && more) return kCssNeedMore;
        if (q < end && *q == '(') {
            int depth = 0;
            const char* r = q;
            for (; r < end; ++r) {
                if (*r == '(') ++depth;
                if (*r == ')' && --depth == 0) break;
            }
            if (r == end && more) return kCssNeedMore;
            int nameLength = static_cast<int>(q - p);
            int kind = kCssFunction;
            if (nameLength == 3 && std::memcmp(p, "url", 3) == 0) kind = kCssUrl;
            if (nameLength == 3 && std::memcmp(p, "rgb", 3) == 0) kind = kCssRgb;
            start = q + 1;
            length = static_cast<int>(r - start);
            position = r < end ? r + 1 : end;
            return kind;
        }
        start = p;
        length = static_cast<int>(q - p);
        position = q;
        return kCssIdent;
    }
    return kCssStop;
}
