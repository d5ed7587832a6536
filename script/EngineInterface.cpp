// The 17 exports of the engine library. No exception leaves them.
#include <cstring>
#include <new>

#include "script/BuiltinClasses.h"
#include "script/EngineState.h"
#include "script/Evaluator.h"
#include "script/EventHandler.h"
#include "script/PrimitiveValues.h"
#include "script/PropertyNameTable.h"
#include "script/Script.h"
#include "script/ScriptLexer.h"
#include "script/ScriptParser.h"
#include "script/ZntJs.h"

EngineState* engine = nullptr;

namespace {

const char* const kTypeofNames[7] = {"string",    "boolean", "number",  "null",
                                     "undefined", "object",  "function"};
const int kPrototypeIds[] = {kObjectObject, kStringObject, kNumberObject, kMathObject, kDateObject};

// Values handed out as texts or borrowed objects must outlive the call that
// made them; the last one of each kind is kept here until the next call.
ValueRef lastText;
ValueRef lastObject;

// A context deleted by the host while it runs (from inside a callback) is
// freed when its evaluation returns.
struct ContextFlags {
    EvalContext* deleteAfterRun = nullptr;
};
ContextFlags contextFlags;

bool MakeShared(EngineState& e) {
    e.trueValue = new BooleanValue(true);
    e.falseValue = new BooleanValue(false);
    e.nullValue = new NullValue;
    e.undefinedValue = new UndefinedValue;
    e.minusOne = MakeNumber(-1);
    e.one = MakeNumber(1);
    e.zero = MakeNumber(0);
    e.emptyString = MakeString("", 0);
    for (int i = 0; i < 7; ++i) e.typeofNames[i] = MakeString(kTypeofNames[i]);
    for (int i = 0; i < kBuiltinObjectCount; ++i)
        e.builtinObjects[i] = new BuiltinObject(kFirstBuiltinObject + i);
    for (int id : kPrototypeIds) {
        auto* builtin = static_cast<BuiltinObject*>(e.builtinObjects[id - kFirstBuiltinObject].get());
        auto* prototype = new ObjectValue;
        builtin->prototypeObject = prototype;
        prototype->classObject = builtin;
    }
    for (int i = 0; i < kBuiltinFunctionCount; ++i) {
        e.builtinFunctions[i] = new BuiltinFunction(kFirstBuiltinFunction + i);
    }
    e.documentObject = MakeHostObject(1, 0, nullptr);
    if (e.documentObject) --e.documentObject->refCount;  // held once, by the engine
    e.builtinCallNode = SyntaxNode::Make(kTokBuiltinCall, "", 0, 0);
    return e.documentObject && e.builtinCallNode && e.emptyString && e.zero;
}

ObjectValue* AsObject(EngineValue* v) {
    return v && v->IsObject() ? static_cast<ObjectValue*>(v) : nullptr;
}

// The element a host reads: mode 1 the index-th member (1-based) of an
// argument list or array, mode 0 a host object's property by name id.
ValueRef Element(EngineValue* object, int index, int mode) {
    if (!object) return {};
    if (mode == 1) {
        auto* array = dynamic_cast<ArrayObject*>(object);
        if (!array || index < 1) return {};
        return array->At(static_cast<size_t>(index - 1));
    }
    if (mode == 0 && object->IsHostObject()) return object->GetPropertyById(index);
    return {};
}

}  // namespace

EngineValue* BuiltinFunctionById(int id) {
    if (!engine || id < kFirstBuiltinFunction || id >= kFirstBuiltinFunction + kBuiltinFunctionCount)
        return nullptr;
    return engine->builtinFunctions[id - kFirstBuiltinFunction].get();
}

EngineValue* BuiltinObjectById(int id) {
    if (!engine || id < kFirstBuiltinObject || id >= kFirstBuiltinObject + kBuiltinObjectCount)
        return nullptr;
    return engine->builtinObjects[id - kFirstBuiltinObject].get();
}

void ReportError(intptr_t handle, int code, const char* message) {
    if (engine && engine->reportError) engine->reportError(handle, code, message);
}

extern "C" {

JsNode ZNTJS_CALL JS_Init(HostGetValueFn getValue, HostGetObjectFn getObject, HostSetValueFn setValue,
                          HostCallFunctionFn callFunction, HostAllocateFn allocate,
                          HostReportErrorFn reportError) {
    if (engine) JS_Destroy();
    engine = new (std::nothrow) EngineState;
    if (!engine) return nullptr;
    engine->getValue = getValue;
    engine->getObject = getObject;
    engine->setValue = setValue;
    engine->callFunction = callFunction;
    engine->allocate = allocate;
    engine->reportError = reportError;
    NumberCache::Clear();
    bool ready = false;
    try {
        ready = MakeShared(*engine);
    } catch (const std::bad_alloc&) {
    }
    if (!ready) {
        JS_Destroy();
        return nullptr;
    }
    return engine->builtinCallNode;
}

void ZNTJS_CALL JS_Destroy(void) {
    if (!engine) return;
    lastText = nullptr;
    lastObject = nullptr;
    // Before the rings: the kept objects are alive but held by nobody.
    ReleaseSpareCallObjects();
    ReleaseObjectRings();
    while (EvalFrame* f = engine->freeFrames) {
        engine->freeFrames = f->below;
        --engine->freeFrameCount;
        delete f;
    }
    SyntaxNode::Destroy(engine->builtinCallNode);
    engine->builtinCallNode = nullptr;
    engine->documentObject = nullptr;
    for (ValueRef& f : engine->builtinFunctions) f = nullptr;
    for (ValueRef& o : engine->builtinObjects) {
        // A prototype refers back to its built-in object: break that ring first.
        if (auto* builtin = static_cast<BuiltinObject*>(o.get())) builtin->prototypeObject = nullptr;
        o = nullptr;
    }
    for (ValueRef& t : engine->typeofNames) t = nullptr;
    engine->emptyString = nullptr;
    engine->zero = nullptr;
    engine->one = nullptr;
    engine->minusOne = nullptr;
    engine->undefinedValue = nullptr;
    engine->nullValue = nullptr;
    engine->falseValue = nullptr;
    engine->trueValue = nullptr;
    NumberCache::Clear();
    delete engine;
    engine = nullptr;
    EngineMemory::ReleaseUnused();
}

JsScript ZNTJS_CALL JS_CreateScript(intptr_t pool) {
    auto* script = new (std::nothrow) Script(pool, false);
    if (script) script->refCount = 1;
    return script;
}

void ZNTJS_CALL JS_DeleteScript(JsScript script) {
    if (!script) return;
    // The pool owns the nodes of a pooled tree; the script only forgets them.
    if (script->pool) script->poolTookTree = true;
    ReleaseValue(script);
}

int ZNTJS_CALL JS_LoadScript(JsScript script, const char** cursor, const char* end, int moreText) {
    if (!script || !engine) return JS_NO_SCRIPT;
    if (!cursor || !*cursor || !end || end < *cursor) {
        const char* nothing = "";
        return ParseScript(script, &nothing, nothing, moreText != 0);
    }
    return ParseScript(script, cursor, end, moreText != 0);
}

JsHandler ZNTJS_CALL JS_LoadEventHandler(int id, const char* text, int length, JsObject instance) {
    if (!engine || !text || length < 0) return nullptr;
    try {
        ValueRef script = new Script(0, true);
        auto* s = static_cast<Script*>(script.get());
        const char* cursor = text;
        if (ParseScript(s, &cursor, text + length, false) != JS_PARSED || !s->root) return nullptr;
        auto* handler = new EventHandler;
        handler->id = id;
        handler->script = script;
        handler->instance = instance;
        handler->body = s->root;
        handler->refCount = 1;
        return handler;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

JsContext ZNTJS_CALL JS_CreateEvalContext(JsObject object, JsScript script, JsHandler handler,
                                          JsObject thisObject) {
    if (!engine || !object || (!script && !handler)) return nullptr;
    if (handler && handler->instance) object = handler->instance.get();
    Script* s = script ? script : static_cast<Script*>(handler->script.get());
    SyntaxNode* start = script ? script->root : handler->body;
    // A script that failed to parse is only fit for deletion.
    if (!s || !start || s->lastToken == JS_SYNTAX_ERROR) return nullptr;
    auto* context = new (std::nothrow) EvalContext;
    if (!context) return nullptr;
    try {
        if (context->Start(object, s, start, thisObject)) return context;
    } catch (const std::bad_alloc&) {
    }
    delete context;
    return nullptr;
}

void ZNTJS_CALL JS_DeleteEvalContext(JsContext context) {
    if (!context) return;
    if (context->busy) {
        contextFlags.deleteAfterRun = context;
        return;
    }
    if (engine && engine->currentContext == context) engine->currentContext = nullptr;
    delete context;
}

int ZNTJS_CALL JS_Evaluate(JsContext context, JsObject* out) {
    if (out) *out = nullptr;
    if (!context || !engine) return JS_NO_SCRIPT;
    if (engine->hostDialogOpen || context->busy) return JS_NOT_FINISHED;
    // A nested evaluation (from a callback) gives the current context back after it.
    EvalContext* previous = engine->currentContext;
    engine->currentContext = context;
    context->busy = true;
    ValueRef result;
    int code = context->Run(&result);
    context->busy = false;
    engine->currentContext = previous == context ? nullptr : previous;
    if (contextFlags.deleteAfterRun == context) {
        contextFlags.deleteAfterRun = nullptr;
        delete context;
    }
    if (out && result && !result->IsUndefinedOrNull() &&
        (code == JS_FINISHED || code == JS_FINISHED_TRUE || code == JS_FINISHED_FALSE)) {
        *out = result.Detach();
    }
    return code;
}

JsObject ZNTJS_CALL JS_CreateObject(int classId, JsHostHandle handle, JsObject parent) {
    if (!engine) return nullptr;
    return MakeHostObject(classId, handle, parent);
}

void ZNTJS_CALL JS_DeleteObject(JsObject object) {
    ReleaseValue(object);
}

JsObject ZNTJS_CALL JS_NewInstance(JsObject object) {
    if (object) ++object->refCount;
    return object;
}

JsObject ZNTJS_CALL JS_AddObjectIdx(JsObject parent, int nameId, int classId, int, JsHostHandle handle,
                                    JsObject object) {
    if (!engine || !AsObject(parent) || parent->ClassId() < 0) return nullptr;
    try {
        ValueRef property = parent->GetPropertyById(nameId);
        auto* array = dynamic_cast<ArrayObject*>(property.get());
        if (!array) return nullptr;
        ValueRef element = object;
        if (!object) {
            element = MakeHostObject(classId, handle, nullptr);
            if (!element) return nullptr;
            --element->refCount;  // made with a count for a caller; the array holds it instead
        }
        if (!array->Append(element.get())) return nullptr;
        return element.get();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const char* ZNTJS_CALL JS_GetObjectStringValue(JsObject object, int index, int mode) {
    if (!engine) return nullptr;
    try {
        lastText = Element(object, index, mode);
    } catch (const std::bad_alloc&) {
        lastText = nullptr;
    }
    return lastText ? lastText->ToText() : nullptr;
}

const char* ZNTJS_CALL JS_GetStringValue(JsObject value) {
    return value ? value->ToText() : nullptr;
}

JsObject ZNTJS_CALL JS_GetObjectHandleValue(JsObject object, int index, int mode) {
    if (!engine) return nullptr;
    try {
        ValueRef v = Element(object, index, mode);
        if (!v || !v->IsObject()) return nullptr;
        lastObject = v;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return lastObject.get();
}

JsObject ZNTJS_CALL JS_GetObjectByName(JsObject object, const char* name) {
    if (!engine || !object || !name) return nullptr;
    try {
        lastObject = object->GetProperty(name);
    } catch (const std::bad_alloc&) {
        lastObject = nullptr;
    }
    return lastObject.get();
}

}  // extern "C"
