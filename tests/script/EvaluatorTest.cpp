#include <gtest/gtest.h>
#include <string>

#include "script/EngineMemory.h"
#include "script/EngineState.h"
#include "script/Evaluator.h"
#include "tests/script/TestHost.h"

namespace {

using script_test::Outcome;
using script_test::TestHost;

struct Case {
    const char* script;
    int code;
    const char* result;
};

void ExpectRuns(TestHost& host, const Case* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const Case& c = cases[i];
        Outcome o = host.Run(c.script);
        EXPECT_EQ(o.code, c.code) << c.script;
        EXPECT_EQ(o.result, c.result) << c.script;
    }
}

TEST(Evaluator, ComputesExpressions) {
    TestHost host;
    const Case cases[] = {
        {"x = 1 + 2", 1789, "3"},
        {"x = '1' + 2", 1789, "12"},
        {"1 + '2' + 3", 1789, "123"},
        {"8 - 3 - 2", 1789, "3"},
        {"a = b = 3; a + b", 1789, "6"},
        {"-x * 2; x = 4; -x * 2", 1789, "-8"},
        {"1/0", 1789, "NaN"},
        {"5 % 0", 1789, "NaN"},
        {"7 % 3", 1789, "1"},
        {"-7 >> 1", 1789, "-4"},
        {"1 << 31", 1789, "-2147483648"},
        {"-1 >>> 28", 1789, "15"},
        {"-1 >>> 0", 1789, "4294967295"},
        {"x = -16; x >>>= 2; x", 1789, "1073741820"},
        {"6 & 3 | 8 ^ 1", 1789, "11"},
        {"~5", 1789, "-6"},
        {"-0", 1789, "0"},
        {"0.1 + 0.2", 1789, "0.3"},
        {"1e21 * 10", 1789, "1e+22"},
        {"1 && 5", 7777, "true"},
        {"0 || ''", 9000, "false"},
        {"!0", 7777, "true"},
        {"(0/0) != (0/0)", 7777, "true"},
        {"(0/0) == (0/0)", 9000, "false"},
        {"(0/0) < 1", 9000, "false"},
        {"'10' < 9", 9000, "false"},
        {"9 < '10'", 7777, "true"},
        {"'abc' == 'abc'", 7777, "true"},
        {"'b' > 'a'", 7777, "true"},
        {"null == null", 7777, "true"},
        {"window == '[window]'", 7777, "true"},
        {"'[window]' == window", 7777, "true"},
        {"o = new Object(); o == new Object()", 9000, "false"},
        {"x = (0/0) + 1; x", 1789, "NaN"},
        {"typeof 1 + typeof 'a' + typeof true + typeof nothing", 1789, "numberstringbooleannull"},
        {"var v; typeof v", 1789, "undefined"},
        {"function f() {} typeof f", 1789, "function"},
        {"'ab'.length", 1789, "2"},
        {"x = 5; x += 2; x *= 3; x -= 1; x /= 4; x", 1789, "5"},
        {"s = 'a'; s += 1; s", 1789, "a1"},
        {"b = true; b &= 0; b", 9000, "false"},
        {"b = false; b |= 'x'; b", 7777, "true"},
        {"b = true; b += 1; b", 1789, "2"},
        {"i = 5; j = i++ + ++i; j * 100 + i", 1789, "1207"},
        {"t = true ? 'a' : 'b'", 1789, "a"},
        {"x = (1, 2)", 1789, "2"},
        {"void 0", 1789, "(none)"},
        {"x = void (y = 3); y", 1789, "3"},
        {"0x10 + 010 + 1e2 + .5", 1789, "124.5"},
        {"'a\\tb'.length", 1789, "3"},
    };
    ExpectRuns(host, cases, sizeof cases / sizeof cases[0]);
}

TEST(Evaluator, RunsStatementsAndLoops) {
    TestHost host;
    const Case cases[] = {
        {"c = 0; while (c < 10) c++; c", 1789, "10"},
        {"s = 0; for (i = 0; i < 5; i++) s += i; s", 1789, "10"},
        {"s = 0; for (i = 0; i < 5; i++) { if (i == 2) continue; s += i } s", 1789, "8"},
        {"s = 0; i = 0; while (i < 5) { i++; if (i == 3) continue; s += i } s", 1789, "12"},
        {"s = 0; for (;;) { s++; if (s == 4) break } s", 1789, "4"},
        {"o = new Object(); o.a = 1; o.b = 2; o.c = 3; n = 0; for (p in o) { n++; if (p == 'b') break } n",
         1789, "2"},
        {"o = new Object(); o.a = 1; o.b = 2; o.c = 3; s = ''; for (var p in o) { if (p == 'b') continue; s "
         "+= p } s",
         1789, "ac"},
        {"a = new Array(1, 2, 3); s = 0; for (i in a) s += a[i]; s", 1789, "6"},
        {"x = 1; if (x) 'yes'; else 'no'", 1789, "yes"},
        {"x = 0; if (x) 'yes'; else 'no'", 1789, "no"},
        {"o = new Object(); o.v = 1; with (o) { v = 2 } o.v", 1789, "2"},
        {"o = new Object(); o.w = 5; with (o) w * 2", 1789, "10"},
        {"var a = 1, b; a", 1789, "1"},
        {"var k = 1; var k; k", 1789, "1"},
        {"var k = 1; var k = 2; k", 1789, "2"},
        {"for (i = 0; i < 3; i++) { for (j = 0; j < 3; j++) { if (j == 1) break } } i * 10 + j", 1789, "31"},
    };
    ExpectRuns(host, cases, sizeof cases / sizeof cases[0]);
}

TEST(Evaluator, CallsFunctionsAndConstructors) {
    TestHost host;
    const Case cases[] = {
        {"function f(a, b) { return a * b } f(6, 7)", 1789, "42"},
        {"function fact(n) { if (n <= 1) return 1; return n * fact(n - 1) } fact(10)", 1789, "3628800"},
        {"function g(a, b) { return typeof b } g(1)", 1789, "undefined"},
        {"function h() { return } h()", 1789, "(none)"},
        {"function k() { 5 } k()", 1789, "(none)"},
        {"x = 1; function set() { x = 2 } set(); x", 1789, "2"},
        {"function loc() { var x = 9; return x } x = 1; loc() * 10 + x", 1789, "91"},
        {"function outer(a) { function inner(b) { return a + b } return inner(2) } outer(1)", 1789, "3"},
        {"function P(x) { this.x = x } p = new P(5); p.x", 1789, "5"},
        {"function Q() { this.y = 1; return 7 } q = new Q(); q.y", 1789, "1"},
        {"function R() {} R.prototype.z = 4; r = new R(); r.z", 1789, "4"},
        {"o = new Object(); o.m = f; function f() { return this.n } o.n = 'me'; o.m()", 1789, "me"},
        {"function cnt(a, b, c) { return cnt.length } cnt(1, 2)", 1789, "2"},
        {"a = new Array(3); a.length", 1789, "3"},
        {"a = new Array(1, 'b'); a[1] + a.length", 1789, "b2"},
        {"a = new Array(); a[4] = 1; a.length", 1789, "5"},
        {"eval('1 + 2')", 1789, "3"},
        {"x = 2; eval('x * 5')", 1789, "10"},
        {"eval('function q() { return 9 } q()')", 1789, "9"},
        {"function ev() { var loc = 3; return eval('loc + 1') } ev()", 1789, "4"},
        {"f = 'x'.length; g = 'abc'.toString(); g", 1789, "abc"},
        {"function f() { return f } typeof f()", 1789, "function"},
        {"s = new String('abc'); s.length + s.toString()", 1789, "3abc"},
        {"window.window.self == this", 7777, "true"},
        // Calls one after another must not see what an earlier call left.
        {"function two(a, b) { return b } two(1, 2); typeof two(1)", 1789, "undefined"},
        {"function keep(a) { var t; if (a) t = 5; return t } keep(1); typeof keep(0)", 1789, "undefined"},
        {"function dup(a, a) { return a } dup(1, 2) + dup(3, 4)", 1789, "6"},
        {"function mk(v) { function get() { return v } return get } g1 = mk(1); g2 = mk(2); g1() + g2()",
         1789, "3"},
        {"function ag() { return ag.arguments } x = ag(7, 8); ag(9); x[0] + x.length", 1789, "9"},
        {"java == null", 7777, "true"},
        {"self.alert('via self'); window.x = 4; x", 1789, "4"},
    };
    ExpectRuns(host, cases, sizeof cases / sizeof cases[0]);
}

TEST(Evaluator, ReportsRunTimeErrorsWithThePrintedExpression) {
    TestHost host;
    struct ErrorCase {
        const char* script;
        const char* message;
    };
    const ErrorCase cases[] = {
        {"x = 1; undefinedFunction(x, 'a')", "undefinedFunction(x,\"a\")"},
        {"x = null; y = x.y", "x.y"},
        {"a = null; a[0] = 1", "a[0]=1"},
        {"o = 1; z = new o()", "new o()"},
        {"n = 5; n()", "n()"},
        {"s = 'x'; while (1) s = s + s", "s+s"},
        {"a = new Array(1e9)", "new Array(1e9)"},
        {"function f(n) { return f(n + 1) } f(0)", "f(n+1)"},
    };
    for (const ErrorCase& c : cases) {
        host.errors.clear();
        Outcome o = host.Run(c.script, 100);
        EXPECT_EQ(o.code, 1001) << c.script;
        ASSERT_EQ(host.errors.size(), 1u) << c.script;
        EXPECT_EQ(host.errors[0].code, 1001);
        EXPECT_EQ(host.errors[0].handle, 0x5150);  // the window's handle
        EXPECT_EQ(host.errors[0].message, c.message) << c.script;
    }
    // Frames of a runaway recursion are not all kept for reuse.
    EXPECT_GT(engine->freeFrameCount, 0);
    EXPECT_LE(engine->freeFrameCount, kKeptFreeFrames);
}

// Structures a script builds may be long; using and dropping them must not
// recurse once per link.
TEST(Evaluator, LongChainsNeitherOverflowNorLeak) {
    TestHost host;
    const Case cases[] = {
        {"list = null; for (i = 0; i < 50000; i++) { n = new Object(); n.next = list; list = n } list = "
         "null; i",
         1789, "50000"},
        {"function F() {} for (i = 0; i < 20000; i++) F.prototype = new F(); x = new F(); x.missing", 1789,
         "(none)"},
        {"a = new Array(); for (i = 0; i < 1000; i++) { b = new Array(); b[0] = a; a = b } a = b = 0", 1789,
         "0"},
    };
    for (const Case& c : cases) {
        Outcome o = host.Run(c.script, 100000);
        EXPECT_EQ(o.code, c.code) << c.script;
        EXPECT_EQ(o.result, c.result) << c.script;
    }
}

TEST(Evaluator, StepBudgetSplitsLongRunsIntoCalls) {
    TestHost host;
    Outcome o = host.Run("for (i = 0; i < 20000; i++) { } i");
    EXPECT_EQ(o.code, 1789);
    EXPECT_EQ(o.result, "20000");
    EXPECT_GE(o.calls, 3);  // 1234 at least twice, then 1789
    // A loop without end keeps answering 1234 and never hangs a call.
    o = host.Run("while (1) ;", 5);
    EXPECT_EQ(o.code, 1234);
    EXPECT_EQ(o.calls, 5);
    o = host.Run("for (;;) {}", 3);
    EXPECT_EQ(o.code, 1234);
}

// The budget may run out anywhere in a loop of calls (varying the loop's
// length moves where); the value must be the same as for one long run.
TEST(Evaluator, BudgetStopsInsideCallsLoseNothing) {
    TestHost host;
    const char* padding[] = {"", "z = 0;", "z = 0; z = 1;", "if (z) z = 2;"};
    for (const char* pad : padding) {
        std::string script =
            "function add(x, y) { " + std::string(pad) +
            " return x + y } function fib(n) { if (n < 2) return n; " + pad +
            " return fib(n - 1) + fib(n - 2) } s = 0; z = 0; for (i = 0; i < 3000; i++) { s = "
            "add(s, i); s += fib(i % 8); " +
            pad + " } s";
        Outcome o = host.Run(script);
        EXPECT_EQ(o.code, 1789) << pad;
        EXPECT_EQ(o.result, "4510875") << pad;
        EXPECT_GT(o.calls, 10) << pad;
    }
}

TEST(Evaluator, NewImageAsksTheHost) {
    TestHost host;
    Outcome o = host.Run("i = new Image(10, 20); i");
    EXPECT_EQ(o.code, 1789);
    EXPECT_EQ(host.calledIds, (std::vector<int>{2027}));
}

TEST(Evaluator, HandlersReturnBooleansAsCodes) {
    TestHost host;
    EXPECT_EQ(host.RunHandler("return false").code, 9000);
    EXPECT_EQ(host.RunHandler("x = 1; return x == 1").code, 7777);
    EXPECT_EQ(host.RunHandler("if (1) return 'r'; 'not here'").result, "r");
    host.errors.clear();
    EXPECT_EQ(host.Run("return false").code, 1000);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].handle, 0);
    EXPECT_EQ(host.errors[0].code, 1000);
    EXPECT_EQ(host.errors[0].message, "return false");
}

TEST(Evaluator, AlertReachesTheHostAndBlocksEvaluation) {
    TestHost host;
    std::vector<int> nested;
    host.onCall = [&](TestHost& h, int id) {
        // During alert every context is refused, the running one included.
        nested.push_back(JS_Evaluate(h.running, nullptr));
        JsScript other = JS_CreateScript(0);
        const char* text = "1";
        (void)JS_LoadScript(other, &text, text + 1, 0);
        JsContext context = JS_CreateEvalContext(h.window, other, nullptr, nullptr);
        nested.push_back(JS_Evaluate(context, nullptr));
        JS_DeleteEvalContext(context);
        JS_DeleteScript(other);
    };
    Outcome o = host.Run("alert('hello ' + 42); alert(1 + 1)");
    EXPECT_EQ(o.code, 1789);
    EXPECT_EQ(host.alerts, (std::vector<std::string>{"hello 42", "2"}));
    EXPECT_EQ(nested, (std::vector<int>{1234, 1234, 1234, 1234}));
}

TEST(Evaluator, ReenteringTheRunningContextIsRefusedOthersRunAndTheCurrentOneComesBack) {
    TestHost host;
    std::vector<int> nested;
    EngineValue* currentAfter = nullptr;
    JsObject second = JS_CreateObject(0, 0x6000, nullptr);
    host.onCall = [&](TestHost& h, int id) {
        if (id != 1009) return;  // setTimeout: not a dialog
        nested.push_back(JS_Evaluate(h.running, nullptr));
        JsScript other = JS_CreateScript(0);
        const char* text = "y = 2";
        (void)JS_LoadScript(other, &text, text + 5, 0);
        JsContext context = JS_CreateEvalContext(second, other, nullptr, nullptr);
        nested.push_back(JS_Evaluate(context, nullptr));
        JS_DeleteEvalContext(context);
        JS_DeleteScript(other);
        currentAfter = CurrentContextObject();
    };
    Outcome o = host.Run("setTimeout('x', 10); 5");
    EXPECT_EQ(o.result, "5");
    EXPECT_EQ(nested, (std::vector<int>{1234, 1789}));
    EXPECT_EQ(currentAfter, host.window);
    JS_DeleteObject(second);
}

// Counting cannot free rings of objects (a closure that escaped its call
// keeps the call's activation, which holds the closure); JS_Destroy empties
// what is left, so the engine's memory goes back to where it was.
TEST(Evaluator, NothingIsLeftAfterDestroy) {
    long before = EngineMemory::LiveBlocks();
    {
        TestHost host;
        const char* scripts[] = {
            "function f(a) { var t = a + 'x'; return t } for (i = 0; i < 300; i++) f(i)",
            "function outer(a) { function inner(b) { return a + b } return inner(2) } outer(1)",
            "o = new Object(); o.self = 1; a = new Array(5); s = ''; for (p in a) s += p",
            "function P() { this.v = 1 } p = new P(); p.v",
            "eval('function e() { return 1 } e()')",
            "undefinedCall()",
            "x = 'a'; while (1) x = x + x",
            "function mk() { function inner() { return 1 } return inner } keep = mk(); keep()",
            "a = new Object(); b = new Object(); a.b = b; b.a = a; a = b = null",
        };
        for (const char* s : scripts) host.Run(s);
    }
    EXPECT_EQ(EngineMemory::LiveBlocks(), before);
}

}  // namespace
