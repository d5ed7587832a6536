#include "script/BuiltinClasses.h"

#include <cstdio>
#include <cstring>

#include "script/EngineState.h"
#include "script/PrimitiveValues.h"
#include "script/PropertyNameTable.h"

namespace {

// One row of a class's property table.
struct ClassEntry {
    const char* name;
    ClassAnswer::Kind kind;
    int builtinId;
    bool readOnly;
};

constexpr auto B = ClassAnswer::Builtin;
constexpr auto HV = ClassAnswer::HostValue;
constexpr auto HO = ClassAnswer::HostObject;
constexpr auto R = ClassAnswer::Ready;

const ClassEntry kWindow[] = {
    {"alert", B, 1000, false},      {"blur", B, 1001, false},       {"clearTimeout", B, 1002, false},
    {"close", B, 1003, false},      {"confirm", B, 1004, false},    {"focus", B, 1005, false},
    {"open", B, 1006, false},       {"prompt", B, 1007, false},     {"scroll", B, 1008, false},
    {"setTimeout", B, 1009, false}, {"eval", B, 1023, false},       {"parseInt", B, 1015, false},
    {"parseFloat", B, 1016, false}, {"escape", B, 1112, false},     {"unescape", B, 1113, false},
    {"isNaN", B, 1116, false},      {"taint", B, 1114, false},      {"untaint", B, 1115, false},
    {"Object", B, 2002, false},     {"String", B, 2003, false},     {"Number", B, 2004, false},
    {"Array", B, 2006, false},      {"Math", B, 2007, false},       {"Date", B, 2008, false},
    {"Image", B, 2027, false},      {"Function", B, 2005, false},   {"self", R, 0, true},
    {"window", R, 0, true},         {"java", R, 0, false},          {"netscape", R, 0, false},
    {"Packages", R, 0, false},      {"closed", R, 0, true},         {"name", HV, 0, false},
    {"status", HV, 0, false},       {"defaultStatus", HV, 0, true}, {"length", HV, 0, true},
    {"onload", HV, 0, false},       {"onblur", HV, 0, false},       {"onerror", HV, 0, false},
    {"onfocus", HV, 0, false},      {"onunload", HV, 0, false},     {"top", HO, 0, true},
    {"parent", HO, 0, true},        {"frames", HO, 0, true},        {"opener", HO, 0, true},
    {"history", HO, 0, true},       {"document", HO, 0, true},      {"navigator", HO, 0, true},
    {"location", HO, 0, false},
};

const ClassEntry kDocument[] = {
    {"clear", B, 1017, false}, {"close", B, 1018, false},   {"open", B, 1019, false},
    {"write", B, 1020, false}, {"writeln", B, 1021, false},
};

const ClassEntry kArray[] = {
    {"join", B, 1096, false},
    {"reverse", B, 1097, false},
    {"sort", B, 1098, false},
};

// The arrays a document keeps, filled by the host through JS_AddObjectIdx.
const char* const kDocumentArrays[] = {"anchors", "applets", "embeds", "plugins", "forms", "images", "links"};

template <size_t N>
const ClassEntry* Find(const ClassEntry (&table)[N], int nameId) {
    const char* name = PropertyNameTable::NameOf(nameId);
    if (!name) return nullptr;
    for (const ClassEntry& e : table) {
        if (std::strcmp(e.name, name) == 0) return &e;
    }
    return nullptr;
}

ClassAnswer Answer(const ClassEntry* e) {
    ClassAnswer a;
    if (!e) return a;
    a.kind = e->kind;
    a.builtinId = e->builtinId;
    a.readOnly = e->readOnly;
    return a;
}

// An array the object keeps (forms, options ...): read-only to scripts.
ClassAnswer KeptArray(ArrayObject* array) {
    ClassAnswer a;
    a.kind = ClassAnswer::Ready;
    a.value = array;
    a.readOnly = true;
    return a;
}

ClassAnswer LookUpWindow(HostObject* window, int nameId) {
    ClassAnswer a = Answer(Find(kWindow, nameId));
    if (a.kind != ClassAnswer::Ready) return a;
    const char* name = PropertyNameTable::NameOf(nameId);
    if (std::strcmp(name, "self") == 0 || std::strcmp(name, "window") == 0) {
        a.value = window;
    } else if (std::strcmp(name, "closed") == 0) {
        a.value = SharedBoolean(window->closed != 0);
    } else {
        a.value = SharedNull();
    }
    return a;
}

ClassAnswer LookUpDocument(HostObject* document, int nameId) {
    if (ArrayObject* array = document->ArrayFor(nameId)) return KeptArray(array);
    ClassAnswer a = Answer(Find(kDocument, nameId));
    if (a.kind == ClassAnswer::NotFound) a.kind = ClassAnswer::HostValue;
    return a;
}

}  // namespace

HostObject::HostObject(int hostClass, intptr_t handle) : hostClass(hostClass), handle(handle) {}

const char* HostObject::ToText() {
    char* result = nullptr;
    int number = 0;
    if (engine && engine->getValue &&
        engine->getValue(handle, PropertyNameTable::kSelfText, hostClass, &result, &number)) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", number);
        text = result ? EngineString(result) : EngineString(digits);
    } else {
        text = "[object]";
    }
    return text.c_str();
}

void HostObject::DropReferences() {
    parent = nullptr;
    arrays.clear();
    ObjectValue::DropReferences();
}

ClassAnswer HostObject::LookUpClassProperty(int nameId) {
    return LookUpHostClassProperty(this, nameId);
}

ArrayObject* HostObject::ArrayFor(int nameId) const {
    for (const NamedArray& a : arrays) {
        if (a.nameId == nameId) return static_cast<ArrayObject*>(a.array.get());
    }
    return nullptr;
}

bool IsHostClassId(int classId) {
    switch (classId) {
        case 0:
        case 1:
        case 6:
        case 10:
        case 11:
        case 12:
        case 14:
        case 15:
        case 16:
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
        case 22:
        case 26:
        case 27:
        case 28:
        case 29:
        case 30:
        case 31:
        case 32:
        case 33:
            return true;
        default:
            return false;
    }
}

HostObject* MakeHostObject(int classId, intptr_t handle, EngineValue* parent) {
    if (!IsHostClassId(classId)) return nullptr;
    try {
        auto* object = new HostObject(classId, handle);
        ValueRef hold(object);
        auto addArray = [&](const char* name) {
            object->arrays.push_back({PropertyNameTable::IdOf(name), ValueRef(new ArrayObject)});
        };
        if (classId == 1) {
            for (const char* name : kDocumentArrays) addArray(name);
            object->parent = parent;
        } else if (classId == 18) {
            addArray("options");
        } else if (classId == 33) {
            addArray("elements");
        } else if (classId == 31) {
            addArray("mimeTypes");
            addArray("plugins");
        }
        hold.Detach();
        return object;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

ClassAnswer LookUpHostClassProperty(HostObject* object, int nameId) {
    switch (object->hostClass) {
        case 0:
            return LookUpWindow(object, nameId);
        case 1:
            return LookUpDocument(object, nameId);
        case 6:
            return LookUpArrayProperty(nameId);
        default:
            break;
    }
    if (ArrayObject* array = object->ArrayFor(nameId)) return KeptArray(array);
    return LookUpFormAndBrowserClass(object->hostClass, nameId);
}

ClassAnswer LookUpArrayProperty(int nameId) {
    return Answer(Find(kArray, nameId));
}
