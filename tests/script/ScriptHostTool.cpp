// zntjs-host: runs a script file through ZNTJS32.dll the way the browser
// does: loads the library by name, binds its 17 exports by name, hands
// JS_Init the six callbacks, and evaluates the script in a window object.
// `alert` prints its text. Exit codes: 0 finished, 1 syntax error, 2 run-time
// error, 3 library or export missing, 4 script file unreadable, 5 never
// finished.
//
//   zntjs-host [--split N] [--handler] [--calls N] script.js
//   zntjs-host --table cases.txt
// --split N feeds the text in two calls, the first N bytes announcing more;
// --handler loads the text as an event handler instead of a page script;
// --calls N bounds the JS_Evaluate calls (default 1000, 0 for no bound);
// --table runs a table of cases through the recording host and prints each
// failed case and "table: passed" when none failed (exit 6 otherwise).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "script/ZntJs.h"
#include "tests/script/RecordingHost.h"

namespace {

script_test::Exports js;

constexpr intptr_t kWindowHandle = 1;
long maxCalls = 1000;  // JS_Evaluate calls per script, 0 for no bound

int ZNTJS_CALL GetValue(JsHostHandle, int nameId, int, char** text, int*) {
    static char self[] = "[window]";
    if (nameId != 0xffff) return 0;
    *text = self;
    return 1;
}
JsObject ZNTJS_CALL GetObject(JsHostHandle, int, int) {
    return nullptr;
}
const char* ZNTJS_CALL SetValue(JsHostHandle, int, int, const char* text, JsHandler, int) {
    return text;
}
intptr_t ZNTJS_CALL CallFunction(JsHostHandle, JsHostHandle, int id, JsObject arguments, intptr_t*, int*) {
    if (id == 1000) {
        const char* text = js.JS_GetObjectStringValue(arguments, 1, 1);
        std::printf("alert: %s\n", text ? text : "");
        std::fflush(stdout);
    }
    return 0;
}
void* ZNTJS_CALL Allocate(intptr_t, unsigned) {
    return nullptr;
}
void ZNTJS_CALL ReportError(JsHostHandle handle, int code, const char* message) {
    std::printf("error %d: %s\n", code, message ? message : "");
    std::fflush(stdout);
}

bool BindExports(HMODULE library) {
    int found = 0;
#define ZNTJS_BIND(ret, name, args)                                                \
    js.name = reinterpret_cast<decltype(js.name)>(GetProcAddress(library, #name)); \
    if (js.name) {                                                                 \
        ++found;                                                                   \
    } else {                                                                       \
        std::printf("missing export %s\n", #name);                                 \
    }
    ZNTJS_EXPORTS(ZNTJS_BIND)
#undef ZNTJS_BIND
    std::printf("resolved %d exports\n", found);
    return found == 17;
}

int Finish(int code, JsObject value) {
    if (value) std::printf("result: %s\n", js.JS_GetStringValue(value));
    std::printf("code: %d\n", code);
    js.JS_DeleteObject(value);
    switch (code) {
        case JS_FINISHED:
        case JS_FINISHED_TRUE:
        case JS_FINISHED_FALSE:
            return 0;
        case JS_RUNTIME_ERROR:
            return 2;
        default:
            return 5;
    }
}

int Evaluate(JsContext context) {
    JsObject value = nullptr;
    int code = JS_NOT_FINISHED;
    // A script that never ends is stopped here rather than hanging the test.
    for (long calls = 0; (maxCalls == 0 || calls < maxCalls) && code == JS_NOT_FINISHED; ++calls)
        code = js.JS_Evaluate(context, &value);
    int status = Finish(code, value);
    js.JS_DeleteEvalContext(context);
    return status;
}

int Run(const std::string& text, long split, bool handler, JsObject window) {
    if (handler) {
        JsHandler h = js.JS_LoadEventHandler(1, text.data(), static_cast<int>(text.size()), nullptr);
        if (!h) return 1;
        int status = Evaluate(js.JS_CreateEvalContext(window, nullptr, h, nullptr));
        js.JS_DeleteObject(reinterpret_cast<JsObject>(h));
        return status;
    }
    JsScript script = js.JS_CreateScript(0);
    std::string buffer = text;
    int loaded;
    if (split >= 0 && static_cast<size_t>(split) <= text.size()) {
        buffer = text.substr(0, static_cast<size_t>(split));
        const char* cursor = buffer.data();
        loaded = js.JS_LoadScript(script, &cursor, buffer.data() + buffer.size(), 1);
        std::printf("first part: %d\n", loaded);
        // The unconsumed rest goes in front of the new text, as a host does.
        buffer = std::string(cursor, static_cast<const char*>(buffer.data() + buffer.size())) +
                 text.substr(static_cast<size_t>(split));
    }
    const char* cursor = buffer.data();
    loaded = js.JS_LoadScript(script, &cursor, buffer.data() + buffer.size(), 0);
    std::printf("loaded: %d\n", loaded);
    int status = 1;
    if (loaded == JS_PARSED) status = Evaluate(js.JS_CreateEvalContext(window, script, nullptr, nullptr));
    js.JS_DeleteScript(script);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    long split = -1;
    bool handler = false;
    const char* path = nullptr;
    const char* table = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--split") == 0 && i + 1 < argc) {
            split = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--calls") == 0 && i + 1 < argc) {
            maxCalls = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--table") == 0 && i + 1 < argc) {
            table = argv[++i];
        } else if (std::strcmp(argv[i], "--handler") == 0) {
            handler = true;
        } else {
            path = argv[i];
        }
    }
    if (table) {
        HMODULE library = LoadLibraryA("ZNTJS32.dll");
        if (!library || !BindExports(library)) return 3;
        int count = 0;
        std::vector<std::string> failures;
        {
            script_test::RecordingHost host(js);
            failures = host.RunTable(table, &count);
        }
        for (const std::string& f : failures) std::printf("fail: %s\n", f.c_str());
        std::printf("cases: %d\n", count);
        if (failures.empty() && count > 0) std::printf("table: passed\n");
        FreeLibrary(library);
        return failures.empty() && count > 0 ? 0 : 6;
    }
    if (!path) {
        std::printf("usage: zntjs-host [--split N] [--handler] script.js\n");
        return 4;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::printf("cannot read %s\n", path);
        return 4;
    }
    std::ostringstream contents;
    contents << file.rdbuf();

    HMODULE library = LoadLibraryA("ZNTJS32.dll");
    if (!library) {
        std::printf("cannot load ZNTJS32.dll\n");
        return 3;
    }
    if (!BindExports(library)) {
        FreeLibrary(library);
        return 3;
    }
    JsNode ready = js.JS_Init(GetValue, GetObject, SetValue, CallFunction, Allocate, ReportError);
    if (!ready) {
        std::printf("JS_Init failed\n");
        FreeLibrary(library);
        return 3;
    }
    // The node's leading field is its token: the engine answers its built-in-call node.
    std::printf("JS_Init node token: %d\n", *reinterpret_cast<const int*>(ready));
    JsObject window = js.JS_CreateObject(0, kWindowHandle, nullptr);
    int status = Run(contents.str(), split, handler, window);
    js.JS_DeleteObject(window);
    js.JS_Destroy();
    FreeLibrary(library);
    return status;
}
