// What the engine's own built-in objects (Math, Date, String, Number,
// Object, Function, Array, Image) answer, the objects `new` makes of them,
// and the Date object's time value.
#pragma once

#include "script/ObjectValue.h"

// Built-in object ids beyond those the evaluator names itself.
enum : int { kFunctionObject = 2005 };

// A Date object: a time value in milliseconds since 1 January 1970 UTC.
class DateObject : public ObjectValue {
public:
    const char* ToText() override;
    double ToNumber() const override { return time; }
    int ClassId() const override { return 8; }
    double time = 0;  // NaN for an invalid date
    EngineString text;
};

// Whether the name is one of Math's constants, and its value.
bool MathConstantValue(const char* name, double* value);
// The time value `new Date(arguments)` holds (the current time without arguments).
double DateFromArguments(ArrayObject* arguments);
