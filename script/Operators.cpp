#include "script/Operators.h"

#include <cmath>
#include <cstdint>

#include "script/EngineState.h"
#include "script/PrimitiveValues.h"
#include "script/ScriptLexer.h"

namespace {

// A value's text and its length; a string knows its length, so its text is
// not measured again.
struct TextPiece {
    const char* data;
    size_t length;
};

TextPiece PieceOf(EngineValue* v) {
    if (v->IsString()) {
        auto* s = static_cast<StringValue*>(v);
        return {s->Data(), s->Length()};
    }
    const char* text = v->ToText();
    return {text, std::char_traits<char>::length(text)};
}

ValueRef Concatenate(EngineValue* left, EngineValue* right) {
    // One side is a string. The other side's text may live in the buffer
    // shared by every number's text, which converting a string never
    // touches, so both texts can be read before either is copied.
    TextPiece r = PieceOf(right);
    if (left->IsString()) return StringValue::Concatenate(static_cast<StringValue*>(left), r.data, r.length);
    TextPiece l = PieceOf(left);
    return StringValue::Join(l.data, l.length, r.data, r.length);
}

bool IsNumberSymbol(int token) {
    switch (token) {
        case kTokPlus:
        case kTokInfixMinus:
        case kTokMultiply:
        case kTokDivide:
        case kTokModulo:
        case kTokShiftLeft:
        case kTokShiftRight:
        case kTokUnsignedShiftRight:
        case kTokBitAnd:
        case kTokBitOr:
        case kTokBitXor:
            return true;
        default:
            return false;
    }
}

ValueRef NumberResult(int token, double a, double b) {
    switch (token) {
        case kTokPlus:
            return MakeNumber(a + b);
        case kTokInfixMinus:
            return MakeNumber(a - b);
        case kTokMultiply:
            return MakeNumber(a * b);
        case kTokDivide:
            return b == 0 ? MakeNaN() : MakeNumber(a / b);
        default:
            break;
    }
    // The rest work on 32-bit integers.
    int32_t x = ToInt32(a), y = ToInt32(b);
    uint32_t shift = static_cast<uint32_t>(y) & 31;
    switch (token) {
        case kTokModulo:
            if (y == 0) return MakeNaN();
            if (y == -1) return MakeNumber(0);  // INT_MIN % -1 would trap
            return MakeNumber(x % y);
        case kTokShiftLeft:
            return MakeNumber(static_cast<int32_t>(static_cast<uint32_t>(x) << shift));
        case kTokShiftRight:
            return MakeNumber(x >> shift);
        case kTokUnsignedShiftRight:
            return MakeNumber(static_cast<double>(static_cast<uint32_t>(x) >> shift));
        case kTokBitAnd:
            return MakeNumber(x & y);
        case kTokBitOr:
            return MakeNumber(x | y);
        case kTokBitXor:
            return MakeNumber(x ^ y);
        default:
            return {};
    }
}

int Mirror(int token) {
    switch (token) {
        case kTokLess:
            return kTokGreater;
        case kTokLessEqual:
            return kTokGreaterEqual;
        case kTokGreater:
            return kTokLess;
        case kTokGreaterEqual:
            return kTokLessEqual;
        default:
            return token;
    }
}

bool Compare(int token, EngineValue* left, EngineValue* right) {
    if (left->IsNaN() || right->IsNaN()) return token == kTokNotEqual;
    if (!left->IsNumber() && right->IsNumber()) {
        // Use the number's comparison.
        std::swap(left, right);
        token = Mirror(token);
    }
    int c = left->Compare(right);
    switch (token) {
        case kTokEqual:
            return c == 0;
        case kTokNotEqual:
            return c != 0;
        case kTokLess:
            return c < 0;
        case kTokLessEqual:
            return c < 1;
        case kTokGreater:
            return c > 0;
        case kTokGreaterEqual:
            return c >= 0;
        default:
            return false;
    }
}

}  // namespace

bool IsComparison(int token) {
    return token == kTokEqual || token == kTokNotEqual || token == kTokLess || token == kTokLessEqual ||
           token == kTokGreater || token == kTokGreaterEqual;
}

ValueRef ApplyInfix(int token, EngineValue* left, EngineValue* right) {
    if (left->IsNumber() && right->IsNumber() && !left->IsNaN() && !right->IsNaN()) {
        // Two numbers, the common case: no conversions, no comparison objects.
        double a = static_cast<NumberValue*>(left)->number, b = static_cast<NumberValue*>(right)->number;
        switch (token) {
            case kTokEqual:
                return SharedBoolean(a == b);
            case kTokNotEqual:
                return SharedBoolean(a != b);
            case kTokLess:
                return SharedBoolean(a < b);
            case kTokLessEqual:
                return SharedBoolean(a <= b);
            case kTokGreater:
                return SharedBoolean(a > b);
            case kTokGreaterEqual:
                return SharedBoolean(a >= b);
            default:
                if (IsNumberSymbol(token)) return NumberResult(token, a, b);
                break;
        }
    }
    if (IsComparison(token)) return SharedBoolean(Compare(token, left, right));
    if (token == kTokLogicalAnd) return SharedBoolean(left->ToBoolean() && right->ToBoolean());
    if (token == kTokLogicalOr) return SharedBoolean(left->ToBoolean() || right->ToBoolean());
    if (token == kTokPlus && (left->IsString() || right->IsString())) return Concatenate(left, right);
    if (!IsNumberSymbol(token)) return {};
    if (left->IsNaN()) return left;
    if (right->IsNaN()) return right;
    return NumberResult(token, left->ToNumber(), right->ToNumber());
}

ValueRef ApplyUnary(int token, EngineValue* value) {
    switch (token) {
        case kTokMinus:
            if (value->IsNaN()) return value;
            return MakeNumber(0 - value->ToNumber());
        case kTokNot:
            return SharedBoolean(!value->ToBoolean());
        case '~':
            if (value->IsNaN()) return value;
            return MakeNumber(~value->ToInteger());
        case kTokTypeof:
            return engine->typeofNames[static_cast<int>(value->Typeof())];
        case kTokVoid:
            return SharedUndefined();
        default:
            return {};
    }
}

ValueRef ApplyCompound(int assignmentToken, EngineValue* old, EngineValue* right) {
    int op = CompoundOperator(assignmentToken);
    // A boolean combines logically under &= and |=, and stays a boolean.
    if (old->IsBoolean() && (op == kTokBitAnd || op == kTokBitOr)) {
        bool a = old->ToBoolean(), b = right->ToBoolean();
        return SharedBoolean(op == kTokBitAnd ? a && b : a || b);
    }
    return ApplyInfix(op, old, right);
}
