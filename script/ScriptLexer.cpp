#include "script/ScriptLexer.h"

#include <cstring>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '_';
}
bool IsIdentifierPart(char c) {
    return IsIdentifierStart(c) || IsDigit(c);
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct Keyword {
    const char* text;
    int token;
};
const Keyword kKeywords[] = {
    {"if", kTokIf},
    {"in", kTokIn},
    {"var", kTokVar},
    {"for", kTokFor},
    {"new", kTokNew},
    {"else", kTokElse},
    {"with", kTokWith},
    {"null", kTokNull},
    {"true", kTokTrue},
    {"this", kTokThis},
    {"void", kTokVoid},
    {"break", kTokBreak},
    {"false", kTokFalse},
    {"while", kTokWhile},
    {"typeof", kTokTypeof},
    {"return", kTokReturn},
    {"function", kTokFunction},
    {"continue", kTokContinue},
};

int KeywordToken(const char* s, size_t n) {
    for (const Keyword& k : kKeywords) {
        if (std::strlen(k.text) == n && std::memcmp(k.text, s, n) == 0) return k.token;
    }
    return kTokIdentifier;
}

// The three symbol maps: the character alone, followed by '=', and doubled.
int SingleSymbol(char c) {
    switch (c) {
        case '!':
            return kTokNot;
        case '%':
            return kTokModulo;
        case '&':
            return kTokBitAnd;
        case '*':
            return kTokMultiply;
        case '+':
            return kTokPlus;
        case '-':
            return kTokMinus;
        case '/':
            return kTokDivide;
        case '<':
            return kTokLess;
        case '=':
            return kTokAssign;
        case '>':
            return kTokGreater;
        case '^':
            return kTokBitXor;
        case '|':
            return kTokBitOr;
        default:
            return kTokInvalid;
    }
}
int SymbolWithEquals(char c) {
    switch (c) {
        case '!':
            return kTokNotEqual;
        case '%':
            return kTokModuloAssign;
        case '&':
            return kTokAndAssign;
        case '*':
            return kTokMultiplyAssign;
        case '+':
            return kTokPlusAssign;
        case '-':
            return kTokMinusAssign;
        case '/':
            return kTokDivideAssign;
        case '<':
            return kTokLessEqual;
        case '=':
            return kTokEqual;
        case '>':
            return kTokGreaterEqual;
        case '^':
            return kTokXorAssign;
        case '|':
            return kTokOrAssign;
        default:
            return kTokInvalid;
    }
}
int DoubledSymbol(char c) {
    switch (c) {
        case '&':
            return kTokLogicalAnd;
        case '+':
            return kTokIncrement;
        case '-':
            return kTokDecrement;
        case '<':
            return kTokShiftLeft;
        case '=':
            return kTokEqual;
        case '>':
            return kTokShiftRight;
        case '|':
            return kTokLogicalOr;
        default:
            return kTokInvalid;
    }
}

// Whether a symbol token could grow into a longer one with more text.
bool CanGrow(int token) {
    if (token == kTokShiftLeft || token == kTokShiftRight || token == kTokUnsignedShiftRight) return true;
    for (const char* c = "!%&*+-/<=>^|"; *c; ++c) {
        if (SingleSymbol(*c) == token) return true;
    }
    return false;
}

struct Scan {
    const char* p;
    const char* end;
    bool more;
};

int ScanString(Scan& s, const char** textStart, size_t* textLength) {
    char quote = *s.p++;
    const char* start = s.p;
    int token = kTokString;
    while (s.p < s.end && *s.p != quote) {
        if (*s.p == '\\') {
            token = kTokEscapedString;
            ++s.p;
            if (s.p == s.end) break;
        }
        ++s.p;
    }
    *textStart = start;
    if (s.p >= s.end) {
        if (s.more) return kTokEnd;
        *textLength = static_cast<size_t>(s.end - start);
        s.p = s.end;
        return token;
    }
    *textLength = static_cast<size_t>(s.p - start);
    ++s.p;  // the closing quote
    return token;
}

int ScanNumber(Scan& s, const char** textStart, size_t* textLength) {
    const char* start = s.p;
    int token;
    if (s.p[0] == '0' && s.p + 1 < s.end && (s.p[1] == 'x' || s.p[1] == 'X')) {
        s.p += 2;
        while (s.p < s.end && IsHexDigit(*s.p)) ++s.p;
        token = kTokHex;
    } else {
        bool octal = s.p[0] == '0';
        const char* q = s.p + 1;
        if (octal) {
            while (q < s.end && *q >= '0' && *q <= '7') ++q;
            if (q == s.p + 1 || (q < s.end && (IsDigit(*q) || *q == '.' || *q == 'e' || *q == 'E')))
                octal = false;
        }
        if (octal) {
            s.p = q;
            token = kTokOctal;
        } else {
            bool point = false, exponent = false;
            while (s.p < s.end) {
                char c = *s.p;
                if (IsDigit(c)) {
                    ++s.p;
                } else if (c == '.' && !point && !exponent) {
                    point = true;
                    ++s.p;
                } else if ((c == 'e' || c == 'E') && !exponent) {
                    // Only an exponent with digits counts; "1e" is 1 then e.
                    const char* d = s.p + 1;
                    if (d < s.end && (*d == '+' || *d == '-')) ++d;
                    if (d >= s.end && s.more) return kTokEnd;
                    if (d >= s.end || !IsDigit(*d)) break;
                    exponent = true;
                    s.p = d;
                } else {
                    break;
                }
            }
            token = point || exponent ? kTokFloat : kTokDecimal;
        }
    }
    if (s.p >= s.end && s.more) return kTokEnd;
    *textStart = start;
    *textLength = static_cast<size_t>(s.p - start);
    return token;
}

// Skips a comment to the end of the line (not past the line end itself).
int ScanLineComment(Scan& s) {
    while (s.p < s.end && *s.p != '\n' && *s.p != '\r') ++s.p;
    if (s.p >= s.end && s.more) return kTokEnd;  // the comment may go on
    return kTokComment;
}

int ScanSymbol(Scan& s) {
    char c = *s.p;
    const char* next = s.p + 1;
    int token = kTokInvalid;
    size_t length = 1;
    if (next < s.end && *next == c && DoubledSymbol(c) != kTokInvalid) {
        token = DoubledSymbol(c);
        length = 2;
        const char* third = s.p + 2;
        if (c == '<' && third < s.end && *third == '=') {
            token = kTokShiftLeftAssign;
            length = 3;
        } else if (c == '>' && third < s.end && *third == '=') {
            token = kTokShiftRightAssign;
            length = 3;
        } else if (c == '>' && third < s.end && *third == '>') {
            token = kTokUnsignedShiftRight;
            length = 3;
            if (third + 1 < s.end && third[1] == '=') {
                token = kTokUnsignedShiftRightAssign;
                length = 4;
            }
        }
    } else if (next < s.end && *next == '=') {
        token = SymbolWithEquals(c);
        length = 2;
    } else {
        token = SingleSymbol(c);
    }
    if (s.more && s.p + length >= s.end && CanGrow(token)) return kTokEnd;
    s.p += length;
    return token;
}

}  // namespace

int NextToken(const char** cursor, const char** textStart, size_t* textLength, const char* end, bool moreText,
              bool newlineIsBlank) {
    Scan s{*cursor, end, moreText};
    *textStart = nullptr;
    *textLength = 0;
    while (s.p < s.end && IsBlank(*s.p)) {
        if (!newlineIsBlank && (*s.p == '\n' || *s.p == '\r')) {
            ++s.p;
            if (s.p[-1] == '\r' && s.p < s.end && *s.p == '\n') ++s.p;
            *cursor = s.p;
            return kTokNewline;
        }
        ++s.p;
    }
    *cursor = s.p;
    if (s.p >= s.end) return kTokEnd;

    char c = *s.p;
    int token;
    if (c == '"' || c == '\'') {
        token = ScanString(s, textStart, textLength);
    } else if (IsDigit(c) || (c == '.' && s.p + 1 < s.end && IsDigit(s.p[1]))) {
        token = ScanNumber(s, textStart, textLength);
    } else if (c == '.' && s.p + 1 >= s.end && s.more) {
        token = kTokEnd;  // may become a number such as .5
    } else if (IsIdentifierStart(c)) {
        const char* start = s.p;
        while (s.p < s.end && IsIdentifierPart(*s.p)) ++s.p;
        if (s.p >= s.end && s.more) return kTokEnd;
        *textStart = start;
        *textLength = static_cast<size_t>(s.p - start);
        token = KeywordToken(start, *textLength);
    } else if (c == '/' && s.p + 1 < s.end && s.p[1] == '/') {
        token = ScanLineComment(s);
    } else if (c == '/' && s.p + 1 < s.end && s.p[1] == '*') {
        const char* close = nullptr;
        for (const char* q = s.p + 2; q + 1 < s.end; ++q) {
            if (q[0] == '*' && q[1] == '/') {
                close = q;
                break;
            }
        }
        if (!close && s.more) return kTokEnd;
        s.p = close ? close + 2 : s.end;
        token = kTokComment;
    } else if (c == '<' && s.p + 1 < s.end && s.p[1] == '!') {
        // "<!--" opens a comment to the end of the line (HTML comment around a script).
        size_t available = static_cast<size_t>(s.end - s.p);
        if (available < 4 && s.more && std::memcmp(s.p, "<!--", available) == 0) return kTokEnd;
        if (available >= 4 && std::memcmp(s.p, "<!--", 4) == 0) {
            token = ScanLineComment(s);
        } else {
            token = ScanSymbol(s);
        }
    } else if (c == '/' && s.p + 1 >= s.end && s.more) {
        token = kTokEnd;
    } else if (SingleSymbol(c) != kTokInvalid) {
        token = ScanSymbol(s);
    } else if (static_cast<unsigned char>(c) > 32 && static_cast<unsigned char>(c) < 127 && c != '#' &&
               c != '\\') {
        ++s.p;
        token = static_cast<unsigned char>(c);
    } else {
        ++s.p;
        token = kTokInvalid;
    }
    if (token == kTokEnd) return kTokEnd;
    *cursor = s.p;
    return token;
}

const char* TokenSymbol(int token) {
    static const char* const symbols[] = {
        "+", "++", "+=", "-",   "--", "-=", "/",  "/=",  "*",   "*=",   "%", "%=",
        "&", "&&", "&=", "|",   "||", "|=", "^",  "^=",  "!",   "!=",   "=", "==",
        "<", "<=", "<<", "<<=", ">",  ">=", ">>", ">>=", ">>>", ">>>=",
    };
    if (token >= kTokPlus && token <= kTokUnsignedShiftRightAssign) return symbols[token - kTokPlus];
    if (token == kTokInfixMinus) return "-";
    if (token == kTokPostIncrement) return "++";
    if (token == kTokPostDecrement) return "--";
    if (token == '~') return "~";
    return nullptr;
}
