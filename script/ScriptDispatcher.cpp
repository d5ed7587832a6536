#include "script/ScriptDispatcher.h"

#include <cstring>

#include "script/BuiltinClasses.h"
#include "script/EngineState.h"
#include "script/Evaluator.h"
#include "script/PrimitiveValues.h"
#include "script/Script.h"
#include "script/ScriptParser.h"

namespace {

enum WindowMethod { kAlert = 1000, kConfirm = 1004, kOpen = 1006, kPrompt = 1007, kSetTimeout = 1009 };

HostObject* AsWindow(EngineValue* v) {
    auto* host = dynamic_cast<HostObject*>(v);
    return host && host->hostClass == 0 ? host : nullptr;
}

// Window methods go to the host: the object is `this` when it is a window,
// else the window of the context being evaluated.
ValueRef PerformWindowMethod(CallRecord& call, int id) {
    HostObject* window = AsWindow(call.thisObject);
    if (!window) window = AsWindow(CurrentContextObject());
    if (!window || !engine->callFunction) return {};
    intptr_t out1 = 0;
    int out2 = 0;
    // While a dialog is open no evaluation may start (JS_Evaluate answers 1234).
    bool dialog = id == kAlert || id == kConfirm || id == kPrompt;
    bool wasOpen = engine->hostDialogOpen;
    if (dialog) engine->hostDialogOpen = true;
    intptr_t result = engine->callFunction(window->handle, window->handle, id, call.arguments, &out1, &out2);
    if (dialog) engine->hostDialogOpen = wasOpen;
    switch (id) {
        case kConfirm:
            return SharedBoolean(result != 0);
        case kPrompt:
            if (out1) return MakeString(reinterpret_cast<const char*>(out1));
            break;
        case kSetTimeout:
            return MakeNumber(out2);
        case kOpen:
            return reinterpret_cast<EngineValue*>(result);  // the new window's object
        default:
            break;
    }
    // The other methods give nothing back; whatever the host returned is not a value.
    return {};
}

ValueRef PerformEval(CallRecord& call) {
    EngineValue* text = call.arguments ? call.arguments->At(0) : nullptr;
    if (!text || text->Typeof() == TypeofKind::Undefined) return {};
    EngineString source(text->ToText());
    ValueRef script = new Script(0, true);
    const char* cursor = source.data();
    if (ParseScript(static_cast<Script*>(script.get()), &cursor, source.data() + source.size(), false) ==
        1111) {
        call.evalScript = script;
    }
    return {};
}

}  // namespace

ValueRef PerformBuiltin(CallRecord& call) {
    if (!call.function) return {};
    int id = call.function->id;
    if (id >= 1000 && id <= 1009) return PerformWindowMethod(call, id);
    switch (id) {
        case 1023:
            return PerformEval(call);
        case 1024:
            return call.thisObject ? ValueRef(MakeString(call.thisObject->ToText())) : ValueRef();
        case 1110:
        case 1111:
            return SharedBoolean(false);
        default:
            return {};
    }
}
