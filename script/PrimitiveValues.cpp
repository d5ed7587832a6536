#include "script/PrimitiveValues.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "script/ScriptLexer.h"

namespace NumberCache {
EngineValue* slots[kSize];
int count = 0;
}  // namespace NumberCache

namespace {
// Shared by every number's text, as the host expects; callers that compare
// two texts copy the first one.
char numberText[40];

// -1, 0 or 1 as the texts compare up to the first NUL, byte by byte.
int CompareTexts(const char* a, size_t aLength, const char* b, size_t bLength) {
    size_t n = aLength < bLength ? aLength : bLength;
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
    if (aLength == bLength) return 0;
    // The shorter text ends first (a NUL in the longer one ends it too).
    return aLength < bLength ? (b[n] ? -1 : 0) : (a[n] ? 1 : 0);
}
}  // namespace

int32_t ToInt32(double d) {
    // Most operands are already in range: truncation alone gives the answer.
    if (d >= -2147483648.0 && d <= 2147483647.0) return static_cast<int32_t>(d);
    if (!std::isfinite(d)) return 0;
    double t = std::trunc(d);
    double m = std::fmod(t, 4294967296.0);
    if (m < 0) m += 4294967296.0;
    uint32_t u = static_cast<uint32_t>(m);
    return static_cast<int32_t>(u);
}

int32_t EngineValue::ToInteger() const {
    return ToInt32(ToNumber());
}

ValueRef EngineValue::GetPropertyById(int nameId) {
    return {};
}

int EngineValue::Compare(EngineValue* other) {
    if (!other) return 1;
    if (other == this) return 0;
    if (IsUndefinedOrNull() && other->IsUndefinedOrNull()) return 0;
    return 1;
}

namespace {
// Values whose count reached zero while another value was being destroyed.
// Destroying them here, one after another, keeps a long chain of objects
// (a list built by a script) from recursing once per link.
bool destroying = false;
std::vector<EngineValue*> doomed;
}  // namespace

void ReleaseUnheldValue(EngineValue* v) {
    if (v->IsNumber() && NumberCache::Put(static_cast<NumberValue*>(v))) return;
    if (destroying) {
        try {
            doomed.push_back(v);
            return;
        } catch (const std::bad_alloc&) {
            // No room to defer: destroy it now, nested.
        }
        delete v;
        return;
    }
    destroying = true;
    delete v;
    while (!doomed.empty()) {
        EngineValue* next = doomed.back();
        doomed.pop_back();
        delete next;
    }
    destroying = false;
}

void DiscardIfUnowned(EngineValue* v) {
    if (v && v->refCount == 0) {
        ++v->refCount;
        ReleaseValue(v);
    }
}

const char* NumberValue::ToText() {
    if (nan) return "NaN";
    // Infinities print as the language names them, not as a C library does.
    if (std::isinf(number)) return number > 0 ? "Infinity" : "-Infinity";
    // Negative zero prints as 0, like every other zero.
    double magnitude32 = std::fabs(number);
    if (magnitude32 < 4294967296.0) {
        // Most whole numbers fit 32 bits, whose division needs no library
        // call on a 32-bit processor.
        auto u = static_cast<uint32_t>(magnitude32);
        if (static_cast<double>(u) == magnitude32) {
            // Two digits at a time halve the divisions.
            static const char pairs[] =
                "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                "8081828384858687888990919293949596979899";
            char* p = numberText + sizeof numberText - 1;
            *p = 0;
            while (u >= 100) {
                const char* pair = pairs + 2 * (u % 100);
                u /= 100;
                *--p = pair[1];
                *--p = pair[0];
            }
            if (u >= 10) {
                *--p = pairs[2 * u + 1];
                *--p = pairs[2 * u];
            } else {
                *--p = static_cast<char>('0' + u);
            }
            if (number < 0) *--p = '-';
            return p;
        }
    }
    if (number > -1e15 && number < 1e15 && number == static_cast<double>(static_cast<int64_t>(number))) {
        // Whole numbers are common (indexes, counters) and print the same
        // without the general conversion.
        int64_t whole = static_cast<int64_t>(number);
        uint64_t magnitude = whole < 0 ? static_cast<uint64_t>(-whole) : static_cast<uint64_t>(whole);
        char* end = numberText + sizeof numberText - 1;
        char* p = end;
        *p = 0;
        do {
            *--p = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (whole < 0) *--p = '-';
        return p;
    }
    std::snprintf(numberText, sizeof numberText, "%.16g", number == 0 ? 0.0 : number);
    return numberText;
}

int NumberValue::Compare(EngineValue* other) {
    if (!other || nan || other->IsNaN()) return 1;
    double o = other->ToNumber();
    if (number < o) return -1;
    if (number == o) return 0;
    return 1;
}

int BooleanValue::Compare(EngineValue* other) {
    if (!other || other->IsNaN()) return 1;
    double a = flag ? 1 : 0, b = other->ToNumber();
    return a < b ? -1 : (a == b ? 0 : 1);
}

StringValue::StringValue(SharedText* shared, size_t length)
    : EngineValue(ValueTag::String), shared_(shared), length_(length) {
    ++shared_->holders;
}

StringValue::~StringValue() {
    if (shared_ && --shared_->holders == 0) delete shared_;
}

double StringValue::ToNumber() const {
    if (!ScansAsNumber(Data(), length_)) return 0;
    if (!shared_ || length_ == shared_->bytes.size()) return std::strtod(Data(), nullptr);
    // strtod would read on past the end of a shared prefix.
    EngineString own(Data(), length_);
    return std::strtod(own.c_str(), nullptr);
}

const char* StringValue::ToText() {
    if (shared_) {
        if (length_ == shared_->bytes.size()) {
            shared_->pinned = true;
            return shared_->bytes.c_str();
        }
        // A prefix of the shared text has no NUL of its own: copy it. Without
        // memory for that, an empty text rather than one running on.
        try {
            text_.assign(shared_->bytes.data(), length_);
        } catch (const std::bad_alloc&) {
            return "";
        }
        if (--shared_->holders == 0) delete shared_;
        shared_ = nullptr;
    }
    pinned_ = true;
    return text_.c_str();
}

bool StringValue::MayAppend() const {
    if (shared_) return !shared_->pinned && length_ == shared_->bytes.size();
    // Short texts live inside the value, where sharing would save nothing.
    constexpr size_t kWorthSharing = 32;
    return !pinned_ && length_ >= kWorthSharing;
}

StringValue* StringValue::Concatenate(StringValue* left, const char* right, size_t rightLength) {
    if (!left->MayAppend()) return Join(left->Data(), left->length_, right, rightLength);
    size_t length = left->length_ + rightLength;
    if (length > kMaxStringLength) return nullptr;
    StringValue* result = nullptr;
    try {
        if (!left->shared_) {
            auto* shared = new SharedText;
            shared->bytes = std::move(left->text_);
            shared->holders = 1;
            left->shared_ = shared;
        }
        result = new StringValue(left->shared_, length);
        // Appending a piece of the same bytes is safe, even when they move.
        left->shared_->bytes.append(right, rightLength);
        return result;
    } catch (const std::bad_alloc&) {
        delete result;
        return nullptr;
    }
}

StringValue* StringValue::Join(const char* a, size_t aLength, const char* b, size_t bLength) {
    if (aLength + bLength > kMaxStringLength) return nullptr;
    try {
        EngineString text;
        text.reserve(aLength + bLength);
        text.append(a, aLength);
        text.append(b, bLength);
        return new StringValue(std::move(text));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int StringValue::Compare(EngineValue* other) {
    if (!other) return 1;
    if (other->IsString()) {
        auto* o = static_cast<StringValue*>(other);
        return CompareTexts(Data(), length_, o->Data(), o->length_);
    }
    if (other->IsObject()) {
        // An object compares by its text; copy it, as it may be a number's buffer.
        EngineString o = other->ToText();
        return CompareTexts(Data(), length_, o.data(), o.size());
    }
    return EngineValue::Compare(other);
}

namespace NumberCache {
void Clear() {
    while (count > 0) delete slots[--count];
}
int Count() {
    return count;
}
bool Put(NumberValue* n) {
    if (count >= kSize) return false;
    slots[count++] = n;
    return true;
}
}  // namespace NumberCache

NumberValue* MakeNumberSlowly(double d) {
    if (std::isnan(d)) return MakeNaN();
    if (NumberValue* n = NumberCache::Take()) {
        n->number = d;
        n->SetNaN(false);
        return n;
    }
    return new (std::nothrow) NumberValue(d);
}

NumberValue* MakeNaN() {
    NumberValue* n = MakeNumber(0);
    if (n) n->SetNaN(true);
    return n;
}

StringValue* MakeString(const char* s, size_t n) {
    if (n > kMaxStringLength) return nullptr;
    try {
        return new StringValue(s, n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

StringValue* MakeString(const char* s) {
    return MakeString(s, std::strlen(s));
}

NumberValue* MakeNumberFromLiteral(int token, const char* text) {
    if (token == kTokOctal || token == kTokHex) {
        // Automatic base: leading 0x hexadecimal, leading 0 octal.
        errno = 0;
        unsigned long long v = std::strtoull(text, nullptr, 0);
        return MakeNumber(static_cast<double>(v));
    }
    return MakeNumber(std::strtod(text, nullptr));
}

bool ScansAsNumber(const char* text, size_t n) {
    size_t i = 0;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == n || static_cast<unsigned char>(text[i]) <= ' ') return false;
    const char* cursor = text + i;
    const char* start = nullptr;
    size_t len = 0;
    int token = NextToken(&cursor, &start, &len, text + n, false, true);
    bool number = token == kTokDecimal || token == kTokOctal || token == kTokHex || token == kTokFloat;
    return number && cursor == text + n;
}

namespace {
bool NeedsEscape(unsigned char c) {
    return c == '\n' || c == '\r' || c == ' ' || c == '!' || c == '"' || c == '(' || c == ')' || c == 180;
}
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

EngineString EscapeText(const char* s, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    size_t outLength = 0;
    for (size_t i = 0; i < n; ++i) outLength += NeedsEscape(static_cast<unsigned char>(s[i])) ? 3 : 1;
    EngineString out;
    out.reserve(outLength);
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (NeedsEscape(c)) {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

EngineString UnescapeText(const char* s, size_t n) {
    EngineString out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (s[i] == '%' && i + 2 < n) {
            int hi = HexValue(s[i + 1]), lo = HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0 && (hi << 4 | lo) != 0) {
                out += static_cast<char>(hi << 4 | lo);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}
