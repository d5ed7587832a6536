// The global functions performed inside the engine: parseInt, parseFloat,
// escape, unescape, isNaN, and the shared toString method.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "script/Builtins.h"
#include "script/EngineState.h"
#include "script/PrimitiveValues.h"

namespace {

enum GlobalId { kParseInt = 1015, kParseFloat = 1016, kToString = 1024, kEscape = 1112, kUnescape = 1113 };

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// The longest leading decimal number of the text (blanks, sign, digits,
// point, exponent); 0 when nothing converts.
double ParseFloatText(const char* text) {
    const char* p = text;
    while (IsBlank(*p)) ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    const char* digits = p;
    while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
    if (*p == '.') {
        ++p;
        while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
    }
    if (p == digits || (p == digits + 1 && *digits == '.')) return 0;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        if (std::isdigit(static_cast<unsigned char>(*e))) {
            while (std::isdigit(static_cast<unsigned char>(*e))) ++e;
            p = e;
        }
    }
    // Only the scanned part reaches strtod, so no library's extensions
    // (hexadecimal, "inf", "nan") slip in.
    EngineString number(start, static_cast<size_t>(p - start));
    return std::strtod(number.c_str(), nullptr);
}

}  // namespace

double ParseIntText(const char* text, bool hasRadix, long radix) {
    if (!hasRadix || radix < 1) {
        if (text[0] == '0' && text[1] == 'x') {
            radix = 16;
        } else if (text[0] == '0') {
            radix = 8;
        } else {
            radix = 10;
        }
    }
    if (radix < 2 || radix > 36) return 0;
    const char* p = text;
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (radix == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16) p += 2;
    // The digits' value as a number, with the sign applied: -5 stays -5
    // rather than wrapping to an unsigned 32-bit value.
    double value = 0;
    for (; DigitValue(*p) < radix; ++p) value = value * static_cast<double>(radix) + DigitValue(*p);
    return negative ? -value : value;
}

ValueRef PerformGlobalFunction(CallRecord& call, int id) {
    switch (id) {
        case kParseInt:
        case kParseFloat: {
            if (!HasArgument(call, 1)) return {};
            EngineString text = ArgumentText(call, 1);
            if (id == kParseFloat) return MakeNumber(ParseFloatText(text.c_str()));
            long radix = HasArgument(call, 2) ? std::strtol(ArgumentText(call, 2).c_str(), nullptr, 10) : 0;
            return MakeNumber(ParseIntText(text.c_str(), HasArgument(call, 2), radix));
        }
        case kToString:
            return call.thisObject ? ValueRef(MakeString(call.thisObject->ToText())) : ValueRef();
        case kEscape:
        case kUnescape: {
            if (!HasArgument(call, 1)) return {};
            EngineString text = ArgumentText(call, 1);
            EngineString coded =
                id == kEscape ? EscapeText(text.data(), text.size()) : UnescapeText(text.data(), text.size());
            return MakeString(coded.data(), coded.size());
        }
        default: {  // isNaN
            EngineValue* v = Argument(call, 1);
            return SharedBoolean(v && v->IsNumber() && v->IsNaN());
        }
    }
}
