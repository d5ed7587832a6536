// The property tables of the host classes beyond window and document, what
// assigning a host property sends to the host, and the methods the host
// performs for documents, forms, form elements, location and history.
#include <cstring>

#include "script/BuiltinClasses.h"
#include "script/Builtins.h"
#include "script/EngineState.h"
#include "script/Evaluator.h"
#include "script/EventHandler.h"
#include "script/PrimitiveValues.h"
#include "script/PropertyNameTable.h"

namespace {

enum HostMethodId { kFirstDocumentMethod = 1017, kLastDocumentMethod = 1021, kHistoryGo = 1109 };
constexpr int kDocumentClass = 1;
constexpr int kLocationClass = 29;
constexpr int kPlainAssignment = 322;

HostObject* AsHostObject(EngineValue* v) {
    return v && v->IsHostObject() ? static_cast<HostObject*>(v) : nullptr;
}

// One class's names: built-in functions by id, then host values, then host objects.
struct NamedBuiltin {
    const char* name;
    int id;
};
struct ClassTable {
    const NamedBuiltin* builtins;
    size_t builtinCount;
    const char* const* values;
    size_t valueCount;
    const char* const* objects;
    size_t objectCount;
    bool formElement;  // also answers the form-element base names
};

#define LIST(array) array, sizeof array / sizeof array[0]
#define NONE nullptr, 0

const NamedBuiltin kFormMethods[] = {{"reset", 1084}, {"submit", 1085}};
const char* const kFormValues[] = {"name", "target", "method", "action", "encoding", "onreset", "onsubmit"};
const char* const kFormObjects[] = {"elements"};
const char* const kBaseValues[] = {"name", "type", "value"};
const char* const kBaseObjects[] = {"form"};
const char* const kButtonValues[] = {"onclick"};
const char* const kCheckValues[] = {"onclick", "checked", "defaultChecked"};
const NamedBuiltin kTextMethods[] = {{"blur", 1089}, {"focus", 1090}, {"select", 1091}};
const char* const kPasswordValues[] = {"onblur", "onfocus", "onchange"};
const char* const kTextValues[] = {"onblur", "onfocus", "onchange", "defaultValue"};
const char* const kSelectValues[] = {"length", "selectedIndex", "value", "onchange"};
const char* const kOptionValues[] = {"text", "index", "value", "selected", "defaultSelected"};
const NamedBuiltin kHistoryMethods[] = {{"back", 1107}, {"forward", 1108}, {"go", 1109}};
const char* const kHistoryValues[] = {"length"};
const char* const kImageValues[] = {"src",    "name",   "width",    "height", "lowsrc",  "hspace",
                                    "vspace", "border", "complete", "onload", "onabort", "onerror"};
const char* const kLinkValues[] = {"href",   "protocol", "host",   "hostname", "port",        "pathname",
                                   "search", "hash",     "target", "onclick",  "onmouseover", "onmouseout"};
const NamedBuiltin kLocationMethods[] = {{"assign", 1022}, {"reload", 1102}, {"replace", 1103}};
const char* const kLocationValues[] = {"href", "protocol", "host",   "hostname",
                                       "port", "pathname", "search", "hash"};
const char* const kMimeTypeValues[] = {"name", "suffixes", "description", "enabledPlugin"};
const NamedBuiltin kNavigatorMethods[] = {{"javaEnabled", 1110}, {"taintEnabled", 1111}};
const char* const kNavigatorValues[] = {"appName", "appVersion", "appCodeName", "userAgent"};
const char* const kPluginValues[] = {"name", "filename", "description", "mimeTypes"};

const ClassTable kBaseTable = {NONE, NONE, NONE, true};
const ClassTable kButtonTable = {NONE, LIST(kButtonValues), NONE, true};
const ClassTable kCheckTable = {NONE, LIST(kCheckValues), NONE, true};
const ClassTable kPasswordTable = {LIST(kTextMethods), LIST(kPasswordValues), NONE, true};
const ClassTable kTextTable = {LIST(kTextMethods), LIST(kTextValues), NONE, true};

const ClassTable* TableOf(int hostClass) {
    static const ClassTable form = {LIST(kFormMethods), LIST(kFormValues), LIST(kFormObjects), false};
    static const ClassTable select = {NONE, LIST(kSelectValues), NONE, true};
    static const ClassTable option = {NONE, LIST(kOptionValues), NONE, false};
    static const ClassTable history = {LIST(kHistoryMethods), LIST(kHistoryValues), NONE, false};
    static const ClassTable image = {NONE, LIST(kImageValues), NONE, false};
    static const ClassTable link = {NONE, LIST(kLinkValues), NONE, false};
    static const ClassTable location = {LIST(kLocationMethods), LIST(kLocationValues), NONE, false};
    static const ClassTable mimeType = {NONE, LIST(kMimeTypeValues), NONE, false};
    static const ClassTable navigator = {LIST(kNavigatorMethods), LIST(kNavigatorValues), NONE, false};
    static const ClassTable plugin = {NONE, LIST(kPluginValues), NONE, false};
    switch (hostClass) {
        case 10:
            return &form;
        case 11:
        case 14:
            return &kBaseTable;
        case 12:
        case 19:
            return &kButtonTable;
        case 15:
            return &kPasswordTable;
        case 16:
        case 17:
            return &kCheckTable;
        case 18:
            return &select;
        case 20:
        case 21:
            return &kTextTable;
        case 22:
            return &option;
        case 26:
            return &history;
        case 27:
            return &image;
        case 28:
            return &link;
        case 29:
            return &location;
        case 30:
            return &mimeType;
        case 31:
            return &navigator;
        case 32:
            return &plugin;
        default:
            return nullptr;
    }
}

bool Listed(const char* const* names, size_t count, const char* name) {
    for (size_t i = 0; i < count; ++i) {
        if (std::strcmp(names[i], name) == 0) return true;
    }
    return false;
}

// The names whose function values the host receives as event handlers, and
// the classes that take them so.
const char* const kEventNames[] = {"onload",   "onblur",   "onreset",  "onabort",    "onclick",    "onfocus",
                                   "onsubmit", "onunload", "onchange", "onmouseout", "onmouseover"};

bool TakesEventHandlers(int hostClass) {
    return hostClass == 11 || hostClass == 12 || (hostClass >= 15 && hostClass <= 21) || hostClass == 27 ||
           hostClass == 28;
}

// An element of the document's arrays whose host name is the given name.
ValueRef NamedElement(HostObject* document, const char* name) {
    for (const HostObject::NamedArray& kept : document->arrays) {
        auto* array = static_cast<ArrayObject*>(kept.array.get());
        for (const ValueRef& element : array->elements) {
            if (!element || !element->IsHostObject()) continue;
            ValueRef elementName = element->GetPropertyById(PropertyNameTable::IdOf("name"));
            if (elementName && elementName->IsString() && std::strcmp(elementName->ToText(), name) == 0)
                return element;
        }
    }
    return {};
}

}  // namespace

ValueRef PerformHostMethod(CallRecord& call, int id) {
    HostObject* object = AsHostObject(call.thisObject);
    if (!object || !engine->callFunction) return {};
    intptr_t second = 0;
    if (id >= kFirstDocumentMethod && id <= kLastDocumentMethod) {
        if (object->hostClass != kDocumentClass) return {};
        if (HostObject* window = AsHostObject(object->parent.get())) second = window->handle;
    } else if (id == kHistoryGo) {
        if (HostObject* window = AsHostObject(CurrentContextObject())) second = window->handle;
    }
    intptr_t out1 = 0;
    int out2 = 0;
    intptr_t result = engine->callFunction(object->handle, second, id, call.arguments, &out1, &out2);
    return reinterpret_cast<EngineValue*>(result);
}

ValueRef PerformLocationAssign(CallRecord& call) {
    HostObject* location = AsHostObject(call.thisObject);
    if (!location || location->hostClass != kLocationClass || !HasArgument(call, 1) || !engine->setValue)
        return {};
    EngineString text = ArgumentText(call, 1);
    const char* result =
        engine->setValue(location->handle, kNameLocation, 0, text.c_str(), nullptr, kPlainAssignment);
    if (!result) return {};
    return MakeString(result);
}

ClassAnswer LookUpFormAndBrowserClass(int hostClass, int nameId) {
    const ClassTable* table = TableOf(hostClass);
    const char* name = PropertyNameTable::NameOf(nameId);
    ClassAnswer a;
    if (!table || !name) return a;
    for (size_t i = 0; i < table->builtinCount; ++i) {
        if (std::strcmp(table->builtins[i].name, name) == 0) {
            a.kind = ClassAnswer::Builtin;
            a.builtinId = table->builtins[i].id;
            return a;
        }
    }
    if (Listed(table->values, table->valueCount, name) ||
        (table->formElement && Listed(kBaseValues, 3, name))) {
        a.kind = ClassAnswer::HostValue;
    } else if (Listed(table->objects, table->objectCount, name) ||
               (table->formElement && Listed(kBaseObjects, 1, name))) {
        a.kind = ClassAnswer::HostObject;
    }
    return a;
}

ValueRef HostObject::GetProperty(const char* name) {
    if (hostClass == 33) {
        // A group of same-named form elements: its array, an element by
        // number, or, for `name` and while it holds one element, that element's.
        ArrayObject* elements = ArrayFor(PropertyNameTable::IdOf("elements"));
        size_t index;
        if (ParseIndex(name, &index)) return elements ? elements->At(index) : nullptr;
        if (IsName(name, "elements")) return elements;
        EngineValue* first = elements ? elements->At(0) : nullptr;
        if (first && (IsName(name, "name") || elements->elements.size() == 1))
            return first->GetProperty(name);
        return ObjectValue::GetProperty(name);
    }
    if (ValueRef v = ObjectValue::GetProperty(name)) return v;
    if (PropertyNameTable::IdOf(name) >= 0) return {};
    // A name the classes do not know: on the window, a named element of its
    // document, then a frame of that name; on a document, its named element.
    if (hostClass == 1) return NamedElement(this, name);
    if (hostClass != 0 || !engine->getObject) return {};
    EngineValue* document = engine->getObject(handle, PropertyNameTable::IdOf("document"), hostClass);
    if (document && document->IsHostObject()) {
        if (ValueRef v = NamedElement(static_cast<HostObject*>(document), name)) return v;
    }
    // Frames are searched one level deep, so windows whose frames lead back
    // to each other cannot send the search round for ever.
    static bool searchingFrames = false;
    if (searchingFrames) return {};
    EngineValue* frames = engine->getObject(handle, PropertyNameTable::IdOf("frames"), hostClass);
    if (!frames || frames == this || !frames->IsObject()) return {};
    ValueRef hold(frames);
    searchingFrames = true;
    ValueRef found = frames->GetProperty(name);
    searchingFrames = false;
    return found;
}

ValueRef SetHostProperty(ObjectValue* object, int nameId, EngineValue* value, int token) {
    if (!engine->setValue) return {};
    const char* name = PropertyNameTable::NameOf(nameId);
    ValueRef handler;
    if (value && TakesEventHandlers(object->ClassId()) && name &&
        Listed(kEventNames, sizeof kEventNames / sizeof kEventNames[0], name)) {
        // A function assigned to an event name becomes an event handler
        // running its body; the host takes its own count if it keeps it.
        if (auto* function = dynamic_cast<FunctionObject*>(value)) {
            auto* wrapped = new EventHandler;
            handler = wrapped;
            wrapped->script = function->script;
            wrapped->body = function->Body();
        }
    }
    EngineString text(value && !handler ? value->ToText() : "");
    const char* result = engine->setValue(object->HostHandle(), nameId, object->ClassId(),
                                          value && !handler ? text.c_str() : nullptr,
                                          static_cast<EventHandler*>(handler.get()), token);
    if (!result) return SharedNull();
    return MakeString(result);
}
