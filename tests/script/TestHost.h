// An in-process host for the engine's tests: it hands JS_Init its callbacks,
// keeps a window object, records what `alert` and the error report receive,
// and runs scripts to the end.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "script/ZntJs.h"

namespace script_test {

struct Outcome {
    int code = 0;        // last JS_Evaluate (or 1000 for a syntax error)
    int calls = 0;       // JS_Evaluate calls made
    std::string result;  // the handed-out value's text, "(none)" for none
};

class TestHost {
public:
    TestHost();   // JS_Init
    ~TestHost();  // releases its objects, JS_Destroy

    // Loads the text whole, then evaluates until done (at most maxCalls calls).
    Outcome Run(const std::string& text, int maxCalls = 1000);
    // Loads the text as an event handler of the window and evaluates it.
    Outcome RunHandler(const std::string& text);

    JsObject window = nullptr;
    std::vector<std::string> alerts;
    struct Report {
        intptr_t handle;
        int code;
        std::string message;
    };
    std::vector<Report> errors;
    std::vector<int> calledIds;
    // Called from inside every HostCallFunction, when set (to test re-entry).
    std::function<void(TestHost&, int id)> onCall;
    // Memory for scripts made with a host pool (pool handle 7); other pools get none.
    std::vector<std::vector<char>> pool;
    JsContext running = nullptr;
    int nestedResult = 0;
    static TestHost* current;
};

}  // namespace script_test
