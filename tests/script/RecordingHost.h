// A host for the engine's tests that keeps a small browser (a window with
// its document, navigator, location and history), answers every callback
// in a fixed way and writes each one down. It reaches the engine through a
// table of the 17 exports, so the same host drives the engine linked in
// (native and Wine) and ZNTJS32.dll loaded by name.
//
// Cases are lines of a table file: script, TAB, expected result, and
// optionally TAB and the expected callbacks joined by "; ". '#' starts a
// comment line; "!add NAMEID CLASSID HANDLE" adds a new host object to the
// document's array of that name id for the cases that follow.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "script/ZntJs.h"

namespace script_test {

struct Exports {
#define ZNTJS_MEMBER(ret, name, args) ret(ZNTJS_CALL* name) args = nullptr;
    ZNTJS_EXPORTS(ZNTJS_MEMBER)
#undef ZNTJS_MEMBER
};

// The exports of the engine linked into this program (inline, so that a
// program that loads the library instead never refers to them).
inline Exports LinkedExports() {
    Exports e;
#define ZNTJS_LINK(ret, name, args) e.name = &::name;
    ZNTJS_EXPORTS(ZNTJS_LINK)
#undef ZNTJS_LINK
    return e;
}

// Host handles of the objects the host keeps.
enum HostHandles : intptr_t {
    kWindow = 1,
    kDocument = 2,
    kNavigator = 3,
    kLocation = 4,
    kHistory = 5,
    kFirstMadeHandle = 100,
};

class RecordingHost {
public:
    explicit RecordingHost(const Exports& js);  // JS_Init and the host's objects
    ~RecordingHost();                           // releases them, JS_Destroy

    // Runs a page script in the window; the result's text, "(none)" for no
    // value, or "error N" when it ended in an error.
    std::string Run(const std::string& text);
    // The callbacks since the last Run, joined by "; ".
    std::string Log() const;
    // Runs every case of a table file; returns one line per failed case.
    std::vector<std::string> RunTable(const std::string& path, int* count);

    const Exports& js;
    JsObject window = nullptr;
    JsObject document = nullptr;
    JsObject navigator = nullptr;
    JsObject location = nullptr;
    JsObject history = nullptr;
    std::vector<std::string> log;
    std::vector<JsObject> made;       // objects made for the engine, released at the end
    std::vector<JsHandler> handlers;  // event handlers the host kept
    std::string heldText;             // what a callback's text result points to
    // What `frames` gives for a window's handle (nothing when absent).
    std::map<intptr_t, JsObject> framesOf;
    // Called from inside HostCallFunction with the id, when set.
    std::function<void(int id)> onCall;
    static RecordingHost* current;
};

}  // namespace script_test
