#include "script/ScriptDispatcher.h"

#include <cstring>

#include "script/BuiltinClasses.h"
#include "script/Builtins.h"
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

namespace {

// What performs each built-in function id.
enum class Group : uint8_t { None, Window, Global, Eval, String, Math, Date, Host, Assign, Array, False };

struct GroupRange {
    int first, last;
    Group group;
};

constexpr GroupRange kGroups[] = {
    {1000, 1009, Group::Window}, {1015, 1016, Group::Global}, {1017, 1021, Group::Host},
    {1022, 1022, Group::Assign}, {1023, 1023, Group::Eval},   {1024, 1024, Group::Global},
    {1026, 1045, Group::String}, {1047, 1063, Group::Math},   {1064, 1083, Group::Date},
    {1084, 1085, Group::Host},   {1089, 1091, Group::Host},   {1093, 1093, Group::Host},
    {1096, 1098, Group::Array},  {1102, 1103, Group::Host},   {1107, 1109, Group::Host},
    {1110, 1111, Group::False},  {1112, 1113, Group::Global}, {1116, 1116, Group::Global},
};

// The table from id to group, built once; ids no range names yield no value.
struct GroupTable {
    Group groups[kBuiltinFunctionCount] = {};
    constexpr GroupTable() {
        for (const GroupRange& r : kGroups) {
            for (int id = r.first; id <= r.last; ++id) groups[id - kFirstBuiltinFunction] = r.group;
        }
    }
};
constexpr GroupTable kGroupTable;

}  // namespace

EngineValue* Argument(const CallRecord& call, size_t i) {
    return call.arguments && i >= 1 ? call.arguments->At(i - 1) : nullptr;
}

bool HasArgument(const CallRecord& call, size_t i) {
    EngineValue* v = Argument(call, i);
    return v && v->Typeof() != TypeofKind::Undefined;
}

EngineString ArgumentText(const CallRecord& call, size_t i) {
    EngineValue* v = Argument(call, i);
    return EngineString(v ? v->ToText() : "");
}

ValueRef PerformBuiltin(CallRecord& call) {
    if (!call.function || !engine) return {};
    int id = call.function->id;
    if (id < kFirstBuiltinFunction || id >= kFirstBuiltinFunction + kBuiltinFunctionCount) return {};
    try {
        switch (kGroupTable.groups[id - kFirstBuiltinFunction]) {
            case Group::Window:
                return PerformWindowMethod(call, id);
            case Group::Eval:
                return PerformEval(call);
            case Group::Global:
                return PerformGlobalFunction(call, id);
            case Group::String:
                return PerformStringMethod(call, id);
            case Group::Math:
                return PerformMathFunction(call, id);
            case Group::Date:
                return PerformDateMethod(call, id);
            case Group::Array:
                return PerformArrayMethod(call, id);
            case Group::Host:
                return PerformHostMethod(call, id);
            case Group::Assign:
                return PerformLocationAssign(call);
            case Group::False:
                return SharedBoolean(false);
            case Group::None:
                break;
        }
    } catch (const std::bad_alloc&) {
        // A failed allocation makes the call yield no value.
    }
    return {};
}
