// Performs the built-in functions (ids 1000-1116): inside the engine or
// through the host's HostCallFunction.
#pragma once

#include "script/EngineValue.h"
#include "script/ObjectValue.h"

class Script;

struct CallRecord {
    BuiltinFunction* function;
    EngineValue* thisObject;  // may be null
    ArrayObject* arguments;   // read 1-based by the host
    ValueRef evalScript;      // out: a Script parsed by eval, run by the evaluator in the caller's scope
};

// The call's value, or an empty reference for "no value".
ValueRef PerformBuiltin(CallRecord& call);
