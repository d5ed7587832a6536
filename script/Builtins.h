// The groups of built-in functions the dispatcher hands calls to, and the
// helpers they share for reading a call's arguments.
#pragma once

#include "script/ScriptDispatcher.h"

// Argument i (1-based) of the call, null when it was not given.
EngineValue* Argument(const CallRecord& call, size_t i);
// Whether argument i was given and is not undefined.
bool HasArgument(const CallRecord& call, size_t i);
// Argument i's text (empty when missing).
EngineString ArgumentText(const CallRecord& call, size_t i);

// Each returns the call's value, or an empty reference for none.
ValueRef PerformGlobalFunction(CallRecord& call, int id);  // parseInt ... isNaN, toString
ValueRef PerformStringMethod(CallRecord& call, int id);    // 1026-1046
ValueRef PerformMathFunction(CallRecord& call, int id);    // 1047-1063
ValueRef PerformDateMethod(CallRecord& call, int id);      // 1064-1083
ValueRef PerformArrayMethod(CallRecord& call, int id);     // 1096-1098
// Methods of documents, forms, form elements, location and history: the
// host performs them on the object's handle.
ValueRef PerformHostMethod(CallRecord& call, int id);
ValueRef PerformLocationAssign(CallRecord& call);  // 1022

// parseInt's conversion, exposed for its tests: text and radix argument.
double ParseIntText(const char* text, bool hasRadix, long radix);
