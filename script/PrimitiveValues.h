// The plain values: number, boolean, string, null and undefined, and the
// cache that recycles numbers.
#pragma once

#include <cstddef>

#include "script/EngineValue.h"

class NumberValue final : public EngineValue {
public:
    explicit NumberValue(double d = 0, bool isNaN = false) : EngineValue(ValueTag::Number), number(d) {
        nan = isNaN;
    }
    bool ToBoolean() const override { return !nan && number != 0; }
    double ToNumber() const override { return nan ? 0 : number; }
    const char* ToText() override;
    TypeofKind Typeof() const override { return TypeofKind::Number; }
    int Compare(EngineValue* other) override;
    void SetNaN(bool isNaN) { nan = isNaN; }

    double number;  // 0 when the value is NaN
};

class BooleanValue : public EngineValue {
public:
    explicit BooleanValue(bool b) : flag(b) {}
    bool ToBoolean() const override { return flag; }
    double ToNumber() const override { return flag ? 1 : 0; }
    const char* ToText() override { return flag ? "true" : "false"; }
    bool IsBoolean() const override { return true; }
    TypeofKind Typeof() const override { return TypeofKind::Boolean; }
    int Compare(EngineValue* other) override;

    bool flag;
};

// A text that strings made by appending share: each is a prefix of it, and
// only the string whose text is all of it may append more.
struct SharedText : EngineHeapObject {
    EngineString bytes;
    int32_t holders = 0;
    // A pointer to the whole text went out: the bytes must not move or grow.
    bool pinned = false;
};

class StringValue final : public EngineValue {
public:
    StringValue(const char* s, size_t n) : EngineValue(ValueTag::String), text_(s, n), length_(n) {}
    explicit StringValue(EngineString s)
        : EngineValue(ValueTag::String), text_(std::move(s)), length_(text_.size()) {}
    ~StringValue() override;
    bool ToBoolean() const override { return length_ != 0; }
    double ToNumber() const override;
    // NUL-terminated and valid while the value lives: a shared prefix is
    // copied first, and the text is never appended to afterwards.
    const char* ToText() override;
    TypeofKind Typeof() const override { return TypeofKind::String; }
    int Compare(EngineValue* other) override;
    size_t Length() const { return length_; }
    // The text, not NUL-terminated when shared; valid until the next
    // concatenation.
    const char* Data() const { return shared_ ? shared_->bytes.data() : text_.data(); }

    // This text followed by another; null when out of memory or too long.
    // A long left text is shared rather than copied: the result appends to
    // it, and the left value keeps only its own length.
    static StringValue* Concatenate(StringValue* left, const char* right, size_t rightLength);
    // A new string of two texts; null when out of memory or too long.
    static StringValue* Join(const char* a, size_t aLength, const char* b, size_t bLength);

private:
    StringValue(SharedText* shared, size_t length);
    // Whether a concatenation may append to this value's bytes.
    bool MayAppend() const;

    EngineString text_;             // empty while shared_ holds the text
    SharedText* shared_ = nullptr;  // counted by holders
    size_t length_;
    // A pointer to text_ went out: text_ must not become shared.
    bool pinned_ = false;
};

class NullValue : public EngineValue {
public:
    bool ToBoolean() const override { return false; }
    const char* ToText() override { return "null"; }
    bool IsUndefinedOrNull() const override { return true; }
    TypeofKind Typeof() const override { return TypeofKind::Null; }
};

class UndefinedValue : public EngineValue {
public:
    bool ToBoolean() const override { return false; }
    const char* ToText() override { return "undefined"; }
    bool IsUndefinedOrNull() const override { return true; }
    TypeofKind Typeof() const override { return TypeofKind::Undefined; }
};

// Longest string the engine makes; longer results are a run-time error
// rather than an exhausted address space.
constexpr size_t kMaxStringLength = 1u << 24;

// Numbers released with count zero are kept here for reuse.
namespace NumberCache {
void Clear();  // frees every cached number
int Count();
NumberValue* Take();       // null when empty
bool Put(NumberValue* n);  // false when full
}  // namespace NumberCache

inline NumberValue* NumberCache::Take() {
    if (count <= 0) return nullptr;
    auto* n = static_cast<NumberValue*>(slots[--count]);
    n->refCount = 0;
    return n;
}

NumberValue* MakeNumberSlowly(double d);

// Makes a number value (count 0), from the cache when it holds one. Null when
// out of memory.
inline NumberValue* MakeNumber(double d) {
    if (d == d && NumberCache::count > 0) {
        NumberValue* n = NumberCache::Take();
        n->number = d;
        n->SetNaN(false);
        return n;
    }
    return MakeNumberSlowly(d);
}
NumberValue* MakeNaN();
StringValue* MakeString(const char* s, size_t n);
StringValue* MakeString(const char* s);
// The number a literal's text stands for: token 950/953 decimal, 951/952
// integer with automatic base.
NumberValue* MakeNumberFromLiteral(int token, const char* text);
// Whether a whole text (after an optional sign) scans as a number literal.
bool ScansAsNumber(const char* text, size_t n);

// Percent coding of texts.
EngineString EscapeText(const char* s, size_t n);
EngineString UnescapeText(const char* s, size_t n);
