#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "script/EngineMemory.h"
#include "script/SyntaxNode.h"
#include "tests/script/TestHost.h"

namespace {

using script_test::Outcome;
using script_test::TestHost;

TEST(EngineInterface, InitAnswersTheBuiltinCallNode) {
    long before = EngineMemory::LiveBlocks();
    {
        TestHost host;  // JS_Init
        JsNode again = JS_Init(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(again->token, 666);
    }
    EXPECT_EQ(EngineMemory::LiveBlocks(), before);
}

TEST(EngineInterface, MissingArgumentsGiveTheirCodes) {
    TestHost host;
    const char* text = "x";
    EXPECT_EQ(JS_LoadScript(nullptr, &text, text + 1, 0), JS_NO_SCRIPT);
    JsObject out = host.window;
    EXPECT_EQ(JS_Evaluate(nullptr, &out), JS_NO_SCRIPT);
    EXPECT_EQ(out, nullptr);
    JsScript script = JS_CreateScript(0);
    EXPECT_EQ(JS_CreateEvalContext(nullptr, script, nullptr, nullptr), nullptr);
    EXPECT_EQ(JS_CreateEvalContext(host.window, nullptr, nullptr, nullptr), nullptr);
    JS_DeleteScript(script);
    // A script with a syntax error is not evaluated, not even its good start.
    JsScript broken = JS_CreateScript(0);
    const char* bad = "alert(1); x = ;";
    EXPECT_EQ(JS_LoadScript(broken, &bad, bad + strlen(bad), 0), JS_SYNTAX_ERROR);
    EXPECT_EQ(JS_CreateEvalContext(host.window, broken, nullptr, nullptr), nullptr);
    JS_DeleteScript(broken);
    JS_DeleteScript(nullptr);
    JS_DeleteEvalContext(nullptr);
    JS_DeleteObject(nullptr);
    EXPECT_EQ(JS_NewInstance(nullptr), nullptr);
    EXPECT_EQ(JS_GetStringValue(nullptr), nullptr);
    EXPECT_EQ(JS_CreateObject(3, 1, nullptr), nullptr);  // not a host class
    EXPECT_EQ(JS_LoadEventHandler(1, "x = ", 4, nullptr), nullptr);
}

// A table of scripts fed whole and fed split at every byte (the first part
// announcing more text) gives 700 then 1111 and the same result.
TEST(EngineInterface, SplitLoadingGivesTheSameResult) {
    TestHost host;
    const char* scripts[] = {
        "var total = 0; for (i = 0; i < 10; i++) { total += i * 2 } total",
        "function add(a, b) { return a + b }\nadd('x', 2) + add(1, 2)",
        "s = 'it\\'s \"here\"' + \"x\"; // done\n/* block */ s + .5e1",
        "a = 7; if (a > 3) b = 'big'; else { b = 'small' } b",
        "x = 1 y = 2 x - -y",
        "n = 0 <!-- hidden\nn >>>= 3; n += 0x10 - 010; n",
    };
    for (const char* text : scripts) {
        Outcome whole = host.Run(text);
        ASSERT_EQ(whole.code, JS_FINISHED) << text;
        std::string all = text;
        for (size_t split = 0; split <= all.size(); ++split) {
            JsScript script = JS_CreateScript(0);
            std::string first = all.substr(0, split);
            const char* cursor = first.data();
            ASSERT_EQ(JS_LoadScript(script, &cursor, first.data() + first.size(), 1), JS_MORE_TEXT);
            std::string rest = std::string(cursor, static_cast<const char*>(first.data() + first.size())) +
                               all.substr(split);
            cursor = rest.data();
            ASSERT_EQ(JS_LoadScript(script, &cursor, rest.data() + rest.size(), 0), JS_PARSED);
            EXPECT_EQ(cursor, rest.data() + rest.size());
            // A script loaded to its end answers 1111 at once.
            EXPECT_EQ(JS_LoadScript(script, &cursor, rest.data() + rest.size(), 0), JS_PARSED);
            JsContext context = JS_CreateEvalContext(host.window, script, nullptr, nullptr);
            JsObject value = nullptr;
            EXPECT_EQ(JS_Evaluate(context, &value), JS_FINISHED);
            ASSERT_NE(value, nullptr);
            EXPECT_EQ(std::string(JS_GetStringValue(value)), whole.result) << text << " split at " << split;
            JS_DeleteObject(value);
            JS_DeleteEvalContext(context);
            JS_DeleteScript(script);
        }
    }
}

TEST(EngineInterface, StringLiteralCutOffWaitsForMoreText) {
    TestHost host;
    JsScript script = JS_CreateScript(0);
    std::string text = "x = 'abc";
    const char* cursor = text.data();
    EXPECT_EQ(JS_LoadScript(script, &cursor, text.data() + text.size(), 1), JS_MORE_TEXT);
    EXPECT_EQ(cursor, text.data() + 4);  // at the literal's start
    JS_DeleteScript(script);
    // Without the flag the literal ends with the text.
    EXPECT_EQ(host.Run(text).result, "abc");
}

TEST(EngineInterface, DocumentArraysAreFilledByTheHost) {
    TestHost host;
    JsObject document = JS_CreateObject(1, 0x77, host.window);
    JsObject forms = JS_GetObjectByName(document, "forms");
    ASSERT_NE(forms, nullptr);
    EXPECT_EQ(JS_GetObjectHandleValue(forms, 1, 1), nullptr);  // empty at first
    JsObject form = JS_AddObjectIdx(document, 63, 10, 0, 0x88, nullptr);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(JS_GetObjectHandleValue(forms, 1, 1), form);
    JsObject image = JS_CreateObject(27, 0x99, nullptr);
    EXPECT_EQ(JS_AddObjectIdx(document, 89, 27, 0, 0x99, image), image);         // images
    EXPECT_EQ(JS_AddObjectIdx(document, 24, 10, 0, 0x88, nullptr), nullptr);     // name: not an array
    EXPECT_EQ(JS_AddObjectIdx(host.window, 63, 10, 0, 0x88, nullptr), nullptr);  // a window keeps no forms
    JS_DeleteObject(image);
    JS_DeleteObject(document);
}

TEST(EngineInterface, HostReadsArgumentsAndHandedOutValues) {
    TestHost host;
    std::string seen;
    host.onCall = [&](TestHost& h, int id) {};
    Outcome o = host.Run("alert(1.5, 'two', null)");
    EXPECT_EQ(host.alerts, (std::vector<std::string>{"1.5"}));
    // Mode 1 reads an array's members 1-based; past the end there is none.
    JsScript script = JS_CreateScript(0);
    const char* text = "a = new Array('x', 2, window); a";
    (void)JS_LoadScript(script, &text, text + strlen(text), 0);
    JsContext context = JS_CreateEvalContext(host.window, script, nullptr, nullptr);
    JsObject array = nullptr;
    EXPECT_EQ(JS_Evaluate(context, &array), JS_FINISHED);
    ASSERT_NE(array, nullptr);
    EXPECT_STREQ(JS_GetObjectStringValue(array, 1, 1), "x");
    EXPECT_STREQ(JS_GetObjectStringValue(array, 2, 1), "2");
    EXPECT_EQ(JS_GetObjectStringValue(array, 4, 1), nullptr);
    EXPECT_EQ(JS_GetObjectStringValue(array, 0, 1), nullptr);
    EXPECT_EQ(JS_GetObjectHandleValue(array, 1, 1), nullptr);  // not an object
    EXPECT_EQ(JS_GetObjectHandleValue(array, 3, 1), host.window);
    // Mode 0 asks a host object for a property by name id (here its own text).
    EXPECT_STREQ(JS_GetObjectStringValue(host.window, 0xffff, 0), nullptr);
    JS_DeleteObject(array);
    JS_DeleteEvalContext(context);
    JS_DeleteScript(script);
}

TEST(EngineInterface, HandlerInstanceReplacesTheScopeObject) {
    TestHost host;
    JsObject element = JS_CreateObject(0, 0x42, nullptr);
    JsHandler handler = JS_LoadEventHandler(7, "marker = 1; return true", 23, element);
    ASSERT_NE(handler, nullptr);
    JsContext context = JS_CreateEvalContext(host.window, nullptr, handler, nullptr);
    JsObject out = nullptr;
    EXPECT_EQ(JS_Evaluate(context, &out), JS_FINISHED_TRUE);
    JS_DeleteObject(out);
    JS_DeleteEvalContext(context);
    EXPECT_NE(JS_GetObjectByName(element, "marker"), nullptr);
    EXPECT_EQ(JS_GetObjectByName(host.window, "marker"), nullptr);
    JS_DeleteObject(reinterpret_cast<JsObject>(handler));
    JS_DeleteObject(element);
}

TEST(EngineInterface, HostPoolGivesNodeMemoryAndAFailedPoolIsASyntaxError) {
    TestHost host;
    JsScript pooled = JS_CreateScript(7);
    const char* text = "x = 2 * 21; x";
    EXPECT_EQ(JS_LoadScript(pooled, &text, text + strlen(text), 0), JS_PARSED);
    EXPECT_FALSE(host.pool.empty());
    JsContext context = JS_CreateEvalContext(host.window, pooled, nullptr, nullptr);
    JsObject out = nullptr;
    EXPECT_EQ(JS_Evaluate(context, &out), JS_FINISHED);
    EXPECT_STREQ(JS_GetStringValue(out), "42");
    JS_DeleteObject(out);
    JS_DeleteEvalContext(context);
    JS_DeleteScript(pooled);
    // A pool that gives no memory: a syntax error (1000), not a crash.
    JsScript starved = JS_CreateScript(3);
    text = "x = 1";
    host.errors.clear();
    EXPECT_EQ(JS_LoadScript(starved, &text, text + 5, 0), JS_SYNTAX_ERROR);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].code, 1000);
    JS_DeleteScript(starved);
}

TEST(EngineInterface, AContextDeletedWhileRunningGoesWhenItReturns) {
    TestHost host;
    host.onCall = [](TestHost& h, int id) { JS_DeleteEvalContext(h.running); };
    JsScript script = JS_CreateScript(0);
    const char* text = "setTimeout('x', 1); 5";
    (void)JS_LoadScript(script, &text, text + strlen(text), 0);
    JsContext context = JS_CreateEvalContext(host.window, script, nullptr, nullptr);
    host.running = context;
    JsObject out = nullptr;
    EXPECT_EQ(JS_Evaluate(context, &out), JS_FINISHED);
    JS_DeleteObject(out);
    JS_DeleteScript(script);
}

// Every allocation the engine makes may fail; each failure point in turn
// must end in an error code, never a crash or a leak.
TEST(EngineInterface, AllocationFailuresEndInErrors) {
    const char* text =
        "function f(a) { var s = 'v' + a; return s.length } o = new Object(); o.k = f(12); "
        "a = new Array(1, 2); for (p in o) a[p] = o[p]; eval('o.k + 1')";
    long before = EngineMemory::LiveBlocks();
    for (long n = 1; n < 160; ++n) {
        TestHost host;
        EngineMemory::FailAfter(n);
        Outcome o = host.Run(text);
        EngineMemory::FailAfter(0);
        EXPECT_TRUE(o.code == JS_FINISHED || o.code == JS_SYNTAX_ERROR || o.code == JS_RUNTIME_ERROR ||
                    o.code == JS_NO_SCRIPT)
            << "failing allocation " << n << " gave " << o.code;
    }
    EXPECT_EQ(EngineMemory::LiveBlocks(), before);
}

}  // namespace
