#include "script/BuiltinObjects.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "script/BuiltinClasses.h"
#include "script/EngineState.h"
#include "script/PrimitiveValues.h"
#include "script/PropertyNameTable.h"
#include "script/Script.h"
#include "script/ScriptLexer.h"
#include "script/ScriptParser.h"

namespace {

// Method names in id order, from the first id of each object's range.
const char* const kStringMethods[] = {
    "anchor",   "big",     "blink",     "bold",        "charAt",      "fixed",       "fontcolor",
    "fontsize", "indexOf", "italics",   "lastIndexOf", "link",        "small",       "split",
    "strike",   "sub",     "substring", "sup",         "toLowerCase", "toUpperCase", "valueOf",
};
const char* const kMathFunctions[] = {
    "abs", "acos", "asin", "atan",   "ceil",  "cos", "exp",  "floor", "log",
    "max", "min",  "pow",  "random", "round", "sin", "sqrt", "tan",
};
const char* const kDateMethods[] = {
    "getDate",           "getDay",  "getHours", "getMinutes",  "getMonth",       "getSeconds", "getTime",
    "getTimezoneOffset", "getYear", "parse",    "setDate",     "setHours",       "setMinutes", "setMonth",
    "setSeconds",        "setTime", "setYear",  "toGMTString", "toLocaleString", "UTC",
};

template <size_t N>
ClassAnswer Method(const char* const (&names)[N], int firstId, const char* name) {
    ClassAnswer a;
    for (size_t i = 0; i < N; ++i) {
        if (std::strcmp(names[i], name) == 0) {
            a.kind = ClassAnswer::Builtin;
            a.builtinId = firstId + static_cast<int>(i);
            break;
        }
    }
    return a;
}

ClassAnswer Ready(EngineValue* v) {
    ClassAnswer a;
    a.kind = ClassAnswer::Ready;
    a.value = v;
    return a;
}

ClassAnswer NumberConstant(const char* name) {
    const double infinity = std::numeric_limits<double>::infinity();
    if (std::strcmp(name, "MAX_VALUE") == 0) return Ready(MakeNumber(DBL_MAX));
    if (std::strcmp(name, "MIN_VALUE") == 0)
        return Ready(MakeNumber(std::numeric_limits<double>::denorm_min()));
    if (std::strcmp(name, "NaN") == 0) return Ready(MakeNaN());
    if (std::strcmp(name, "NEGATIVE_INFINITY") == 0) return Ready(MakeNumber(-infinity));
    if (std::strcmp(name, "POSITIVE_INFINITY") == 0) return Ready(MakeNumber(infinity));
    return {};
}

// `new Function([parameter, ...] body)`: the text is parsed as a function
// named "anonymous"; anything but exactly one function makes nothing.
ValueRef MakeFunction(ArrayObject* arguments) {
    size_t count = arguments ? arguments->elements.size() : 0;
    EngineString source("function anonymous(");
    for (size_t i = 0; i + 1 < count; ++i) {
        if (i) source += ", ";
        source += arguments->At(i)->ToText();
    }
    source += ") {\n";
    if (count) source += arguments->At(count - 1)->ToText();
    source += "\n}";
    ValueRef holder = new Script(0, true);
    auto* script = static_cast<Script*>(holder.get());
    const char* cursor = source.data();
    if (ParseScript(script, &cursor, source.data() + source.size(), false) != 1111) return {};
    SyntaxNode* node = script->root ? script->root->FirstChild() : nullptr;
    if (!node || script->root->ChildCount() != 1 || node->token != kTokFunction) return {};
    return new FunctionObject(node, script, nullptr);
}

}  // namespace

ClassAnswer LookUpBuiltinObjectProperty(int builtinId, int nameId) {
    const char* name = PropertyNameTable::NameOf(nameId);
    if (!name) return {};
    switch (builtinId) {
        case kStringObject:
            return Method(kStringMethods, 1026, name);
        case kNumberObject:
            return NumberConstant(name);
        case kMathObject: {
            double value;
            if (MathConstantValue(name, &value)) return Ready(MakeNumber(value));
            return Method(kMathFunctions, 1047, name);
        }
        case kDateObject:
            return Method(kDateMethods, 1064, name);
        default:
            return {};
    }
}

ValueRef ConstructBuiltin(BuiltinObject* constructor, ArrayObject* arguments) {
    int builtinId = constructor->id;
    ValueRef instance;
    EngineValue* first = arguments ? arguments->At(0) : nullptr;
    switch (builtinId) {
        case kFunctionObject:
            return MakeFunction(arguments);
        case kStringObject: {
            EngineString text(first ? first->ToText() : "");
            instance = MakeStringObject(text.data(), text.size());
            break;
        }
        case kDateObject: {
            auto* date = new DateObject;
            instance = date;
            date->time = DateFromArguments(arguments);
            break;
        }
        case kObjectObject:
        case kNumberObject:
            instance = new ObjectValue;
            break;
        default:  // Math and the ids without a name make nothing
            return {};
    }
    if (!instance) return {};
    static_cast<ObjectValue*>(instance.get())->classObject = constructor;
    return instance;
}
