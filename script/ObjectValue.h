// Objects: the plain object with its own property list, arrays (also used
// for argument lists), script functions, and the shared built-in functions
// and objects that `JS_Init` makes.
#pragma once

#include <cstdint>

#include "script/EngineValue.h"

class SyntaxNode;
class Script;
class StringValue;

class ObjectValue : public EngineValue {
public:
    static constexpr int kMaxPrototypeChain = 64;
    struct Property {
        EngineString name;
        ValueRef value;
    };

    ObjectValue();
    ~ObjectValue() override;
    bool ToBoolean() const override { return true; }
    double ToNumber() const override;
    const char* ToText() override;
    TypeofKind Typeof() const override { return TypeofKind::Object; }
    int Compare(EngineValue* other) override;

    // Own properties first, then what the class answers for the name's id.
    ValueRef GetProperty(const char* name) override;
    ValueRef GetPropertyById(int nameId) override;
    ValueRef SetProperty(const char* name, EngineValue* value, int token, bool create) override;
    int ClassId() const override;
    ClassAnswer LookUpClassProperty(int nameId) override;

    // The host handle of a host object, 0 for the engine's own objects.
    virtual intptr_t HostHandle() const { return 0; }
    // The names visited by for-in, in order.
    virtual void EnumerateNames(EngineVector<EngineString>& names);
    // An own property only (no class lookup); null when absent.
    EngineValue* FindOwn(const char* name) const;
    // The own property of that name, looking first at the slot *hint (a
    // slot where the caller found the name before), which it updates.
    Property* FindOwnSlot(const char* name, size_t length, uint32_t* hint);
    // Whether GetProperty answers an own property before anything else (so
    // that a caller may look at the own properties first).
    virtual bool OwnPropertiesFirst() const { return true; }
    // Sets or adds an own property.
    void PutOwn(const char* name, EngineValue* value);
    void PutOwn(const char* name, size_t length, EngineValue* value);
    // Drops every own property (breaks reference cycles through them).
    void ClearOwn() { properties.clear(); }
    // Drops every reference this object holds to other values.
    virtual void DropReferences();

    EngineVector<Property> properties;
    // The built-in object (2000-2033) whose properties are found after the own ones.
    ValueRef classObject;
    ValueRef prototype;

    // Every live object is on one list, so that JS_Destroy can free rings of
    // objects that counting alone never frees.
    ObjectValue* nextLive = nullptr;
    ObjectValue* previousLive = nullptr;

protected:
    // Answers a class lookup: hands out a built-in, asks the host, or nothing.
    ValueRef ResolveClassAnswer(ClassAnswer& answer, int nameId);
};

// Ordered elements; also the argument list of a call, which the host reads
// 1-based through JS_GetObjectStringValue.
class ArrayObject final : public ObjectValue {
public:
    static constexpr size_t kMaxElements = 1u << 20;
    ArrayObject* AsArray() override { return this; }
    ValueRef GetProperty(const char* name) override;
    ValueRef SetProperty(const char* name, EngineValue* value, int token, bool create) override;
    int ClassId() const override { return 6; }
    ClassAnswer LookUpClassProperty(int nameId) override;
    void EnumerateNames(EngineVector<EngineString>& names) override;
    // Appends (false when the array is at its size limit).
    bool Append(EngineValue* v);
    void DropReferences() override;
    // Element at a 0-based index, null when outside.
    EngineValue* At(size_t i) const { return i < elements.size() ? elements[i].get() : nullptr; }

    EngineVector<ValueRef> elements;
};

// A function defined in a script: its `function` node, the script that owns
// the tree, and (inside a function call) the activation object it was made in.
class FunctionObject final : public ObjectValue {
public:
    FunctionObject(SyntaxNode* node, EngineValue* script, EngineValue* enclosing);
    FunctionObject* AsScriptFunction() override { return this; }
    bool IsFunction() const override { return true; }
    TypeofKind Typeof() const override { return TypeofKind::Function; }
    const char* ToText() override;
    ValueRef GetProperty(const char* name) override;
    SyntaxNode* Parameters() const { return parameters; }
    SyntaxNode* Body() const { return body; }
    const char* Name() const;
    void DropReferences() override;

    SyntaxNode* node;
    SyntaxNode* parameters;
    SyntaxNode* body;
    ValueRef script;
    ValueRef enclosing;
    ValueRef prototypeObject;  // made on first use
    EngineString text;
};

// A String object: what a string primitive becomes for a method call, and
// what `new String` makes. Its text is what the String methods work on.
class StringObject : public ObjectValue {
public:
    const char* ToText() override;
    int ClassId() const override { return 3; }
    const char* Data() const;
    size_t Length() const;
    // The string primitive it stands for: shared, since strings never change.
    ValueRef text;
};
// Makes a String object of the text with its `length`; null when out of memory.
StringObject* MakeStringObject(const char* text, size_t length);
// The same for a string primitive, whose text the object shares.
StringObject* MakeStringObject(StringValue* text);

// One of the shared built-in function objects (ids 1000-1116).
class BuiltinFunction : public ObjectValue {
public:
    explicit BuiltinFunction(int id) : id(id) {}
    BuiltinFunction* AsBuiltinFunction() override { return this; }
    bool IsFunction() const override { return true; }
    TypeofKind Typeof() const override { return TypeofKind::Function; }
    const char* ToText() override { return "function"; }
    int id;
};

// One of the shared built-in objects (ids 2000-2033): constructors and
// namespaces such as Math, Date, Array and Image.
class BuiltinObject : public ObjectValue {
public:
    explicit BuiltinObject(int id) : id(id) {}
    int ClassId() const override;
    ClassAnswer LookUpClassProperty(int nameId) override;
    void DropReferences() override;
    int id;
    ValueRef prototypeObject;  // for 2002, 2003, 2004, 2007, 2008
};

// Built-in object ids the engine itself needs.
enum BuiltinObjectId : int {
    kFirstBuiltinObject = 2000,
    kBuiltinObjectCount = 34,
    kObjectObject = 2002,
    kStringObject = 2003,
    kNumberObject = 2004,
    kArrayObject = 2006,
    kMathObject = 2007,
    kDateObject = 2008,
    kImageObject = 2027,
};
enum BuiltinFunctionId : int {
    kFirstBuiltinFunction = 1000,
    kBuiltinFunctionCount = 117,
};

// Empties every object still alive, so that rings of objects referring to
// each other fall apart; objects the host still holds stay, emptied.
void ReleaseObjectRings();

// Whether a text is a canonical array index ("0", "12"), and which.
bool ParseIndex(const char* name, size_t* index);
