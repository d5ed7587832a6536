#include "tests/script/TestHost.h"

#include <cstring>

namespace script_test {

TestHost* TestHost::current = nullptr;

namespace {
constexpr intptr_t kWindowHandle = 0x5150;

int ZNTJS_CALL GetValue(JsHostHandle, int nameId, int, char** text, int* number) {
    if (nameId == 0xffff) {
        static char self[] = "[window]";
        *text = self;
        return 1;
    }
    return 0;
}
JsObject ZNTJS_CALL GetObject(JsHostHandle, int, int) {
    return nullptr;
}
const char* ZNTJS_CALL SetValue(JsHostHandle, int, int, const char* text, JsHandler, int) {
    return text;
}
intptr_t ZNTJS_CALL CallFunction(JsHostHandle, JsHostHandle, int id, JsObject arguments, intptr_t*, int*) {
    TestHost& host = *TestHost::current;
    host.calledIds.push_back(id);
    if (id == 1000) {
        const char* text = JS_GetObjectStringValue(arguments, 1, 1);
        host.alerts.push_back(text ? text : "(none)");
    }
    if (host.onCall) host.onCall(host, id);
    return 0;
}
void* ZNTJS_CALL Allocate(intptr_t pool, unsigned size) {
    if (pool != 7) return nullptr;
    TestHost::current->pool.emplace_back(size);
    return TestHost::current->pool.back().data();
}
void ZNTJS_CALL ReportError(JsHostHandle handle, int code, const char* message) {
    TestHost::current->errors.push_back({handle, code, message ? message : ""});
}
}  // namespace

TestHost::TestHost() {
    current = this;
    JS_Init(GetValue, GetObject, SetValue, CallFunction, Allocate, ReportError);
    window = JS_CreateObject(0, kWindowHandle, nullptr);
}

TestHost::~TestHost() {
    JS_DeleteObject(window);
    JS_Destroy();
    current = nullptr;
}

namespace {
Outcome Evaluate(TestHost& host, JsContext context, int maxCalls) {
    Outcome outcome;
    host.running = context;
    JsObject value = nullptr;
    do {
        outcome.code = JS_Evaluate(context, &value);
        ++outcome.calls;
    } while (outcome.code == JS_NOT_FINISHED && outcome.calls < maxCalls);
    host.running = nullptr;
    outcome.result = value ? JS_GetStringValue(value) : "(none)";
    JS_DeleteObject(value);
    JS_DeleteEvalContext(context);
    return outcome;
}
}  // namespace

Outcome TestHost::Run(const std::string& text, int maxCalls) {
    JsScript script = JS_CreateScript(0);
    const char* cursor = text.data();
    int loaded = JS_LoadScript(script, &cursor, text.data() + text.size(), 0);
    Outcome outcome;
    if (loaded != JS_PARSED) {
        outcome.code = loaded;
    } else {
        outcome = Evaluate(*this, JS_CreateEvalContext(window, script, nullptr, nullptr), maxCalls);
    }
    JS_DeleteScript(script);
    return outcome;
}

Outcome TestHost::RunHandler(const std::string& text) {
    JsHandler handler = JS_LoadEventHandler(1, text.data(), static_cast<int>(text.size()), nullptr);
    if (!handler) return {JS_SYNTAX_ERROR, 0, "(none)"};
    Outcome outcome = Evaluate(*this, JS_CreateEvalContext(window, nullptr, handler, nullptr), 1000);
    JS_DeleteObject(reinterpret_cast<JsObject>(handler));
    return outcome;
}

}  // namespace script_test
