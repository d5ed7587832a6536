// The process-wide state of the engine: the host callbacks and the shared
// values, built-ins and free lists that JS_Init makes and JS_Destroy frees.
#pragma once

#include "script/EngineValue.h"
#include "script/ObjectValue.h"
#include "script/ZntJs.h"

class EvalContext;
class EvalFrame;

struct EngineState {
    HostGetValueFn getValue = nullptr;
    HostGetObjectFn getObject = nullptr;
    HostSetValueFn setValue = nullptr;
    HostCallFunctionFn callFunction = nullptr;
    HostAllocateFn allocate = nullptr;
    HostReportErrorFn reportError = nullptr;

    ValueRef trueValue, falseValue, nullValue, undefinedValue;
    ValueRef minusOne, one, zero, emptyString;
    ValueRef typeofNames[7];  // by TypeofKind
    ValueRef builtinFunctions[kBuiltinFunctionCount];
    ValueRef builtinObjects[kBuiltinObjectCount];
    ValueRef documentObject;
    SyntaxNode* builtinCallNode = nullptr;

    EvalContext* currentContext = nullptr;
    bool hostDialogOpen = false;
    bool randomSeeded = false;
    EvalFrame* freeFrames = nullptr;
    int freeFrameCount = 0;
    // Emptied activation objects and argument lists of finished calls, kept
    // for the next calls (nothing else held them).
    static constexpr int kSpareCount = 64;
    ObjectValue* spareActivations[kSpareCount] = {};
    int spareActivationCount = 0;
    ArrayObject* spareArgumentLists[kSpareCount] = {};
    int spareArgumentListCount = 0;
};

// Frees the kept activation objects and argument lists.
void ReleaseSpareCallObjects();

// Null before JS_Init and after JS_Destroy.
extern EngineState* engine;

// Shared values (valid while the engine runs).
inline EngineValue* SharedNull() {
    return engine->nullValue.get();
}
inline EngineValue* SharedUndefined() {
    return engine->undefinedValue.get();
}
inline EngineValue* SharedBoolean(bool b) {
    return b ? engine->trueValue.get() : engine->falseValue.get();
}
EngineValue* BuiltinFunctionById(int id);  // null outside 1000-1116
EngineValue* BuiltinObjectById(int id);    // null outside 2000-2033

// Reports an error to the host (when it gave a reporter).
void ReportError(intptr_t handle, int code, const char* message);
