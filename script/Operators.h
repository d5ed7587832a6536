// The value arithmetic of the evaluator: infix, unary and comparison
// symbols on engine values.
#pragma once

#include "script/EngineValue.h"

// The infix symbol (token code) applied to two values. Empty when the result
// cannot be made (a string past its size limit, out of memory).
ValueRef ApplyInfix(int token, EngineValue* left, EngineValue* right);
// The infix symbol a compound assignment applies (302 -> 300 ...), 0 for a plain one.
int CompoundOperator(int assignmentToken);
// The value a compound assignment (302-333) stores, from the old value and the right side.
ValueRef ApplyCompound(int assignmentToken, EngineValue* old, EngineValue* right);
// Unary minus, `!`, `~`, `typeof`, `void`.
ValueRef ApplyUnary(int token, EngineValue* value);
bool IsComparison(int token);
