// The Math functions (ids 1047-1063) and what the Math object answers.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "script/BuiltinObjects.h"
#include "script/Builtins.h"
#include "script/EngineState.h"
#include "script/PrimitiveValues.h"

namespace {

enum MathId {
    kAbs = 1047,
    kAcos,
    kAsin,
    kAtan,
    kCeil,
    kCos,
    kExp,
    kFloor,
    kLog,
    kMax,
    kMin,
    kPow,
    kRandom,
    kRound,
    kSin,
    kSqrt,
    kTan,
};

double (*const kUnary[])(double) = {
    [](double x) { return std::fabs(x); }, [](double x) { return std::acos(x); },
    [](double x) { return std::asin(x); }, [](double x) { return std::atan(x); },
    [](double x) { return std::ceil(x); }, [](double x) { return std::cos(x); },
    [](double x) { return std::exp(x); },  [](double x) { return std::floor(x); },
    [](double x) { return std::log(x); },
};

double Round(double x) {
    double down = std::floor(x), up = std::ceil(x);
    if (down == up) return x;
    return up - x <= x - down ? up : down;
}

double Random() {
    if (!engine->randomSeeded) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        engine->randomSeeded = true;
    }
    // rand() gives 15 bits on some libraries and 31 on others: scale each
    // so that the result stays below 1.
    int r = std::abs(std::rand());
    return r < 0x7fff ? r * (1.0 / 32767) : r * 4.656612875245797e-10;
}

// A result that is not a number (acos(2), log(-1)) is the engine's NaN.
ValueRef Number(double d) {
    if (std::isnan(d)) return MakeNaN();
    return MakeNumber(d);
}

struct MathConstant {
    const char* name;
    double value;
};

const MathConstant kConstants[] = {
    {"E", 2.718281828459045},      {"PI", 3.141592653589793},       {"LN2", 0.6931471805599453},
    {"LN10", 2.302585092994046},   {"LOG2E", 1.4426950408889634},   {"LOG10E", 0.4342944819032518},
    {"SQRT2", 1.4142135623730951}, {"SQRT1_2", 0.7071067811865476},
};

}  // namespace

ValueRef PerformMathFunction(CallRecord& call, int id) {
    if (id == kRandom) return MakeNumber(Random());
    if (!HasArgument(call, 1)) return {};
    EngineValue* a = Argument(call, 1);
    if (a->IsNaN()) return a;
    double x = a->ToNumber();
    if (id == kMax || id == kMin || id == kPow) {
        if (!HasArgument(call, 2)) return id == kPow ? ValueRef(MakeNaN()) : ValueRef();
        EngineValue* b = Argument(call, 2);
        if (b->IsNaN()) return b;
        double y = b->ToNumber();
        if (id == kPow) return Number(std::pow(x, y));
        return MakeNumber(id == kMax ? (x > y ? x : y) : (x < y ? x : y));
    }
    switch (id) {
        case kRound:
            return Number(Round(x));
        case kSin:
            return Number(std::sin(x));
        case kSqrt:
            return Number(std::sqrt(x));
        case kTan:
            return Number(std::tan(x));
        default:
            return Number(kUnary[id - kAbs](x));
    }
}

bool MathConstantValue(const char* name, double* value) {
    for (const MathConstant& c : kConstants) {
        if (std::strcmp(c.name, name) == 0) {
            *value = c.value;
            return true;
        }
    }
    return false;
}
