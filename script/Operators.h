// The value arithmetic of the evaluator: infix, unary and comparison
// symbols on engine values.
#pragma once

#include "script/EngineValue.h"
#include "script/ScriptLexer.h"

// The infix symbol (token code) applied to two values. Empty when the result
// cannot be made (a string past its size limit, out of memory).
ValueRef ApplyInfix(int token, EngineValue* left, EngineValue* right);
struct CompoundTable {
    short applied[kTokUnsignedShiftRightAssign - kTokPlus + 1] = {};
    constexpr CompoundTable() {
        const int pairs[][2] = {
            {kTokPlusAssign, kTokPlus},
            {kTokMinusAssign, kTokInfixMinus},
            {kTokDivideAssign, kTokDivide},
            {kTokMultiplyAssign, kTokMultiply},
            {kTokModuloAssign, kTokModulo},
            {kTokAndAssign, kTokBitAnd},
            {kTokOrAssign, kTokBitOr},
            {kTokXorAssign, kTokBitXor},
            {kTokShiftLeftAssign, kTokShiftLeft},
            {kTokShiftRightAssign, kTokShiftRight},
            {kTokUnsignedShiftRightAssign, kTokUnsignedShiftRight},
        };
        for (const auto& p : pairs) applied[p[0] - kTokPlus] = static_cast<short>(p[1]);
    }
};
inline constexpr CompoundTable kCompoundTable;

// The infix symbol a compound assignment applies (302 -> 300 ...), 0 for a
// plain one. Asked for nearly every node the evaluator meets: a table, inline.
inline int CompoundOperator(int assignmentToken) {
    unsigned i = static_cast<unsigned>(assignmentToken - kTokPlus);
    return i <= static_cast<unsigned>(kTokUnsignedShiftRightAssign - kTokPlus) ? kCompoundTable.applied[i]
                                                                               : 0;
}

// The value a compound assignment (302-333) stores, from the old value and the right side.
ValueRef ApplyCompound(int assignmentToken, EngineValue* old, EngineValue* right);
// Unary minus, `!`, `~`, `typeof`, `void`.
ValueRef ApplyUnary(int token, EngineValue* value);
bool IsComparison(int token);
