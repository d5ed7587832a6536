// The common base of everything the engine computes with, its reference
// count, and the counted pointer the engine uses to hold values.
#pragma once

#include <cstdint>

#include "script/EngineMemory.h"

class EngineValue;
class ArrayObject;
class FunctionObject;
class BuiltinFunction;

// Kinds answered by `typeof`, in the order of the engine's shared name strings.
enum class TypeofKind { String, Boolean, Number, Null, Undefined, Object, Function };

// A counted pointer: holding a value keeps it alive. New values start with
// count 0, so the first holder brings them to 1.
class ValueRef {
public:
    ValueRef() = default;
    ValueRef(EngineValue* v);  // NOLINT: a raw value is adopted by count
    ValueRef(const ValueRef& other);
    ValueRef(ValueRef&& other) noexcept : value_(other.value_) { other.value_ = nullptr; }
    ~ValueRef();
    ValueRef& operator=(const ValueRef& other);
    ValueRef& operator=(ValueRef&& other) noexcept;
    ValueRef& operator=(EngineValue* v);

    EngineValue* get() const { return value_; }
    EngineValue* operator->() const { return value_; }
    explicit operator bool() const { return value_ != nullptr; }
    // Gives up this holder's count without destroying (for handing a value
    // to the host, who releases it through JS_DeleteObject).
    EngineValue* Detach();

private:
    EngineValue* value_ = nullptr;
};

// What a class answers for a property name id (see ObjectValue).
struct ClassAnswer {
    enum Kind { NotFound, Ready, Builtin, HostValue, HostObject };
    Kind kind = NotFound;
    ValueRef value;     // Ready
    int builtinId = 0;  // Builtin: 1000-1116 function or 2000-2033 object
    bool readOnly = false;
};

// Numbers and strings say what they are without a virtual call: the
// evaluator asks that of nearly every value it computes with.
enum class ValueTag : uint8_t { Other, Number, String, Object };

class EngineValue : public EngineHeapObject {
public:
    EngineValue() = default;
    EngineValue(const EngineValue&) = delete;
    EngineValue& operator=(const EngineValue&) = delete;
    virtual ~EngineValue() = default;

    bool IsNaN() const { return nan; }
    virtual bool ToBoolean() const = 0;
    virtual double ToNumber() const { return 0; }
    int32_t ToInteger() const;
    // The value's text, owned by the value. A number's text lives in one
    // buffer shared by all numbers: copy it before converting another.
    virtual const char* ToText() = 0;
    bool IsString() const { return tag == ValueTag::String; }
    bool IsNumber() const { return tag == ValueTag::Number; }
    virtual bool IsBoolean() const { return false; }
    bool IsObject() const { return tag == ValueTag::Object; }
    virtual bool IsFunction() const { return false; }
    virtual bool IsUndefinedOrNull() const { return false; }
    virtual TypeofKind Typeof() const = 0;
    virtual bool IsHostObject() const { return false; }
    // Cheaper than dynamic_cast, which compares type names on this platform.
    virtual ArrayObject* AsArray() { return nullptr; }
    virtual FunctionObject* AsScriptFunction() { return nullptr; }
    virtual BuiltinFunction* AsBuiltinFunction() { return nullptr; }
    // -1, 0 or 1: this value against the other (see the evaluator's comparisons).
    virtual int Compare(EngineValue* other);

    // Object methods; plain values have no properties.
    virtual ValueRef GetProperty(const char* name) { return {}; }
    virtual ValueRef GetPropertyById(int nameId);
    // Returns what the property holds afterwards (null when refused).
    virtual ValueRef SetProperty(const char* name, EngineValue* value, int token, bool create) { return {}; }
    virtual int ClassId() const { return -1; }
    virtual ClassAnswer LookUpClassProperty(int nameId) { return {}; }

    int32_t refCount = 0;

protected:
    explicit EngineValue(ValueTag tag) : tag(tag) {}
    const ValueTag tag = ValueTag::Other;
    bool nan = false;  // only numbers are NaN
};

inline ValueRef::ValueRef(EngineValue* v) : value_(v) {
    if (value_) ++value_->refCount;
}
inline ValueRef::ValueRef(const ValueRef& other) : value_(other.value_) {
    if (value_) ++value_->refCount;
}

// Releases one count; at zero numbers go back to the cache, the rest are destroyed.
inline void ReleaseValue(EngineValue* v);
// What ReleaseValue does once the count reached zero.
void ReleaseUnheldValue(EngineValue* v);
// Destroys a value that nobody holds (count 0), for results that were dropped.
void DiscardIfUnowned(EngineValue* v);

// Released numbers wait here for reuse (see NumberCache): numbers are made
// and dropped for nearly every operator, so this path stays inline.
namespace NumberCache {
constexpr int kSize = 256;
extern EngineValue* slots[kSize];
extern int count;
}  // namespace NumberCache

inline void ReleaseValue(EngineValue* v) {
    if (v && --v->refCount <= 0) {
        if (v->IsNumber() && NumberCache::count < NumberCache::kSize) {
            NumberCache::slots[NumberCache::count++] = v;
            return;
        }
        ReleaseUnheldValue(v);
    }
}

inline ValueRef::~ValueRef() {
    ReleaseValue(value_);
}
inline ValueRef& ValueRef::operator=(const ValueRef& other) {
    return *this = other.value_;
}
inline ValueRef& ValueRef::operator=(ValueRef&& other) noexcept {
    if (this != &other) {
        EngineValue* old = value_;
        value_ = other.value_;
        other.value_ = nullptr;
        ReleaseValue(old);
    }
    return *this;
}
inline ValueRef& ValueRef::operator=(EngineValue* v) {
    // Storing the value a slot already holds changes nothing.
    if (v == value_) return *this;
    if (v) ++v->refCount;
    EngineValue* old = value_;
    value_ = v;
    ReleaseValue(old);
    return *this;
}
inline EngineValue* ValueRef::Detach() {
    EngineValue* v = value_;
    value_ = nullptr;
    return v;
}

// Converts a double to a 32-bit integer by wrapping, never by undefined behaviour.
int32_t ToInt32(double d);
