#include "script/ObjectValue.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "script/BuiltinClasses.h"
#include "script/EngineState.h"
#include "script/PrimitiveValues.h"
#include "script/PropertyNameTable.h"
#include "script/SyntaxNode.h"

bool ParseIndex(const char* name, size_t* index) {
    if (!name || !*name || (name[0] == '0' && name[1])) return false;
    size_t v = 0;
    for (const char* p = name; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<size_t>(*p - '0');
        if (v > ArrayObject::kMaxElements) return false;
    }
    *index = v;
    return true;
}

namespace {
ObjectValue* liveObjects = nullptr;
}

ObjectValue::ObjectValue() : EngineValue(ValueTag::Object) {
    nextLive = liveObjects;
    if (liveObjects) liveObjects->previousLive = this;
    liveObjects = this;
}

ObjectValue::~ObjectValue() {
    if (previousLive) {
        previousLive->nextLive = nextLive;
    } else {
        liveObjects = nextLive;
    }
    if (nextLive) nextLive->previousLive = previousLive;
}

void ObjectValue::DropReferences() {
    properties.clear();
    classObject = nullptr;
    prototype = nullptr;
}

void ArrayObject::DropReferences() {
    elements.clear();
    ObjectValue::DropReferences();
}

void FunctionObject::DropReferences() {
    enclosing = nullptr;
    prototypeObject = nullptr;
    ObjectValue::DropReferences();
}

void BuiltinObject::DropReferences() {
    prototypeObject = nullptr;
    ObjectValue::DropReferences();
}

void ReleaseObjectRings() {
    // Hold every object while the references between them are dropped, so
    // that none is destroyed in the middle of the walk; then let go.
    std::vector<ObjectValue*> all;
    for (ObjectValue* o = liveObjects; o; o = o->nextLive) {
        ++o->refCount;
        all.push_back(o);
    }
    for (ObjectValue* o : all) o->DropReferences();
    for (ObjectValue* o : all) ReleaseValue(o);
}

double ObjectValue::ToNumber() const {
    return 0;
}

const char* ObjectValue::ToText() {
    return "[object Object]";
}

int ObjectValue::Compare(EngineValue* other) {
    if (other == this) return 0;
    if (other && other->IsString()) {
        // An object meets a string by its text (copied: it may be a number's buffer).
        EngineString mine(ToText());
        int c = std::strcmp(mine.c_str(), other->ToText());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return 1;
}

namespace {
bool SameName(const EngineString& have, const char* name, size_t length) {
    return ::SameName(have.data(), have.size(), name, length);
}
}  // namespace

EngineValue* ObjectValue::FindOwn(const char* name) const {
    size_t length = NameLength(name);
    for (const Property& p : properties) {
        if (SameName(p.name, name, length)) return p.value.get();
    }
    return nullptr;
}

ObjectValue::Property* ObjectValue::FindOwnSlot(const char* name, size_t length, uint32_t* hint) {
    // Names are unique among the own properties, so the slot the hint
    // names, when it matches, is the one a search would find.
    size_t count = properties.size();
    if (*hint < count && SameName(properties[*hint].name, name, length)) return &properties[*hint];
    for (size_t i = 0; i < count; ++i) {
        if (SameName(properties[i].name, name, length)) {
            *hint = static_cast<uint32_t>(i);
            return &properties[i];
        }
    }
    return nullptr;
}

void ObjectValue::PutOwn(const char* name, EngineValue* value) {
    PutOwn(name, NameLength(name), value);
}

void ObjectValue::PutOwn(const char* name, size_t length, EngineValue* value) {
    for (Property& p : properties) {
        if (SameName(p.name, name, length)) {
            p.value = value;
            return;
        }
    }
    properties.push_back({EngineString(name, length), ValueRef(value)});
}

void ObjectValue::EnumerateNames(EngineVector<EngineString>& names) {
    for (const Property& p : properties) names.push_back(p.name);
}

ValueRef ObjectValue::GetProperty(const char* name) {
    // Objects made by a script constructor see its prototype's properties.
    // The walk is a loop with a bound: a script can make long chains.
    int id = -2;  // looked up once an own property is missing
    ObjectValue* o = this;
    for (int depth = 0; o && depth < kMaxPrototypeChain; ++depth) {
        if (EngineValue* own = o->FindOwn(name)) return own;
        if (id == -2) id = PropertyNameTable::IdOf(name);
        if (id >= 0) {
            ClassAnswer answer = o->LookUpClassProperty(id);
            if (ValueRef v = o->ResolveClassAnswer(answer, id)) return v;
        }
        EngineValue* next = o->prototype.get();
        o = next && next->IsObject() ? static_cast<ObjectValue*>(next) : nullptr;
    }
    return {};
}

ValueRef ObjectValue::GetPropertyById(int nameId) {
    const char* name = PropertyNameTable::NameOf(nameId);
    return name ? GetProperty(name) : ValueRef();
}

ValueRef ObjectValue::ResolveClassAnswer(ClassAnswer& answer, int nameId) {
    switch (answer.kind) {
        case ClassAnswer::Ready:
            return answer.value;
        case ClassAnswer::Builtin:
            if (EngineValue* f = BuiltinFunctionById(answer.builtinId)) return f;
            return BuiltinObjectById(answer.builtinId);
        case ClassAnswer::HostValue: {
            if (!engine || !engine->getValue) return SharedNull();
            char* text = nullptr;
            int number = 0;
            if (!engine->getValue(HostHandle(), nameId, ClassId(), &text, &number)) return SharedNull();
            if (text) return MakeString(text);
            return MakeNumber(number);
        }
        case ClassAnswer::HostObject: {
            EngineValue* object =
                engine && engine->getObject ? engine->getObject(HostHandle(), nameId, ClassId()) : nullptr;
            if (object) return object;
            return SharedNull();
        }
        case ClassAnswer::NotFound:
            break;
    }
    // Every object answers the shared methods.
    const char* name = PropertyNameTable::NameOf(nameId);
    static const struct {
        const char* name;
        int id;
    } shared[] = {{"assign", 1022}, {"eval", 1023}, {"toString", 1024}, {"valueOf", 1025}};
    for (const auto& s : shared) {
        if (name && std::strcmp(name, s.name) == 0) return BuiltinFunctionById(s.id);
    }
    return {};
}

ValueRef ObjectValue::SetProperty(const char* name, EngineValue* value, int token, bool create) {
    size_t length = NameLength(name);
    for (Property& p : properties) {
        if (SameName(p.name, name, length)) {
            p.value = value;
            return value;
        }
    }
    int id = PropertyNameTable::IdOf(name);
    if (id >= 0) {
        ClassAnswer answer = LookUpClassProperty(id);
        if (answer.readOnly) return {};
        if (answer.kind == ClassAnswer::HostValue || answer.kind == ClassAnswer::HostObject) {
            return SetHostProperty(this, id, value, token);
        }
    }
    if (!create) return {};
    properties.push_back({EngineString(name, length), ValueRef(value)});
    return value;
}

int ObjectValue::ClassId() const {
    if (classObject) return classObject->ClassId();
    return 2;
}

ClassAnswer ObjectValue::LookUpClassProperty(int nameId) {
    if (classObject) return classObject->LookUpClassProperty(nameId);
    return {};
}

ValueRef ArrayObject::GetProperty(const char* name) {
    size_t index;
    if (ParseIndex(name, &index)) return At(index);
    if (IsName(name, "length") && !FindOwn(name)) return MakeNumber(static_cast<double>(elements.size()));
    return ObjectValue::GetProperty(name);
}

ValueRef ArrayObject::SetProperty(const char* name, EngineValue* value, int token, bool create) {
    size_t index;
    if (!ParseIndex(name, &index)) return ObjectValue::SetProperty(name, value, token, create);
    if (index >= kMaxElements) return {};
    while (elements.size() <= index) elements.push_back(SharedUndefined());
    elements[index] = value;
    return value;
}

ClassAnswer ArrayObject::LookUpClassProperty(int nameId) {
    return LookUpArrayProperty(nameId);
}

void ArrayObject::EnumerateNames(EngineVector<EngineString>& names) {
    char digits[24];
    for (size_t i = 0; i < elements.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%zu", i);
        names.push_back(EngineString(digits));
    }
    ObjectValue::EnumerateNames(names);
}

bool ArrayObject::Append(EngineValue* v) {
    if (elements.size() >= kMaxElements) return false;
    elements.push_back(v);
    return true;
}

FunctionObject::FunctionObject(SyntaxNode* node, EngineValue* script, EngineValue* enclosing)
    : node(node), parameters(node->Child(1)), body(node->Child(2)), script(script), enclosing(enclosing) {}

const char* FunctionObject::Name() const {
    return node->Child(0)->Text();
}

const char* FunctionObject::ToText() {
    if (text.empty()) {
        EngineString name(Name());
        if (name.size() > 1006) name.resize(1006);
        text = "function " + name + "() {...}";
    }
    return text.c_str();
}

ValueRef FunctionObject::GetProperty(const char* name) {
    if (IsName(name, "prototype") && !FindOwn(name)) {
        if (!prototypeObject) prototypeObject = new ObjectValue;
        return prototypeObject;
    }
    return ObjectValue::GetProperty(name);
}

int BuiltinObject::ClassId() const {
    switch (id) {
        case kObjectObject:
            return 2;
        case kStringObject:
            return 3;
        case kNumberObject:
            return 4;
        case kArrayObject:
            return 6;
        case kMathObject:
            return 7;
        case kDateObject:
            return 8;
        default:
            return id;
    }
}

ClassAnswer BuiltinObject::LookUpClassProperty(int nameId) {
    return LookUpBuiltinObjectProperty(id, nameId);
}

const char* StringObject::ToText() {
    return text ? text->ToText() : "";
}

const char* StringObject::Data() const {
    return text ? static_cast<StringValue*>(text.get())->Data() : "";
}

size_t StringObject::Length() const {
    return text ? static_cast<StringValue*>(text.get())->Length() : 0;
}

StringObject* MakeStringObject(StringValue* text) {
    if (!text) return nullptr;
    try {
        auto* object = new StringObject;
        ValueRef hold(object);
        object->text = text;
        object->classObject = BuiltinObjectById(kStringObject);
        object->PutOwn("length", MakeNumber(static_cast<double>(text->Length())));
        hold.Detach();
        --object->refCount;  // back to an unowned new value
        return object;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

StringObject* MakeStringObject(const char* text, size_t length) {
    ValueRef value = MakeString(text, length);
    return MakeStringObject(static_cast<StringValue*>(value.get()));
}
