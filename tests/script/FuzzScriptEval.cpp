// Fuzzes evaluation: each input is a script run in a window object for at
// most four JS_Evaluate calls (32,000 steps), through the exports as a host
// would. After JS_Destroy the engine must have freed everything it made.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/EngineMemory.h"
#include "script/ZntJs.h"

namespace {
int ZNTJS_CALL GetValue(JsHostHandle, int, int, char** text, int* number) {
    *number = 7;
    return 1;
}
JsObject ZNTJS_CALL GetObject(JsHostHandle, int, int) {
    return nullptr;
}
const char* ZNTJS_CALL SetValue(JsHostHandle, int, int, const char* text, JsHandler, int) {
    return text;
}
intptr_t ZNTJS_CALL CallFunction(JsHostHandle, JsHostHandle, int, JsObject arguments, intptr_t*, int*) {
    (void)JS_GetObjectStringValue(arguments, 1, 1);
    return 0;
}
void* ZNTJS_CALL Allocate(intptr_t, unsigned) {
    return nullptr;
}
void ZNTJS_CALL ReportError(JsHostHandle, int, const char*) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    long before = EngineMemory::LiveBlocks();
    if (!JS_Init(GetValue, GetObject, SetValue, CallFunction, Allocate, ReportError)) std::abort();
    JsObject window = JS_CreateObject(0, 1, nullptr);
    std::string text(reinterpret_cast<const char*>(data), size);
    JsScript script = JS_CreateScript(0);
    const char* cursor = text.data();
    if (JS_LoadScript(script, &cursor, text.data() + text.size(), 0) == JS_PARSED) {
        JsContext context = JS_CreateEvalContext(window, script, nullptr, nullptr);
        JsObject value = nullptr;
        for (int calls = 0; calls < 4; ++calls) {
            if (JS_Evaluate(context, &value) != JS_NOT_FINISHED) break;
        }
        if (value) (void)JS_GetStringValue(value);
        JS_DeleteObject(value);
        JS_DeleteEvalContext(context);
    }
    JS_DeleteScript(script);
    JS_DeleteObject(window);
    JS_Destroy();
    if (EngineMemory::LiveBlocks() != before) std::abort();
    return 0;
}
