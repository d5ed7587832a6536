#include "tests/script/RecordingHost.h"

#include <cstdio>
#include <fstream>

namespace script_test {

RecordingHost* RecordingHost::current = nullptr;

namespace {

enum NameId {
    kNameFrames = 107,
    kNameHistory = 112,
    kNameDocument = 145,
    kNameLocation = 151,
    kNameNavigator = 170
};

void Record(const std::string& entry) {
    RecordingHost::current->log.push_back(entry);
}

int ZNTJS_CALL GetValue(JsHostHandle handle, int nameId, int classId, char** text, int* number) {
    RecordingHost& host = *RecordingHost::current;
    if (nameId == 0xffff) {
        host.heldText = "[object " + std::to_string(handle) + "]";
    } else {
        Record("get " + std::to_string(nameId) + "/" + std::to_string(classId));
        // A number for the name id 97 (length), a text naming the request otherwise.
        if (nameId == 97) {
            *number = 3;
            return 1;
        }
        host.heldText = "v" + std::to_string(nameId) + "/" + std::to_string(classId);
    }
    *text = &host.heldText[0];
    return 1;
}

JsObject ZNTJS_CALL GetObject(JsHostHandle handle, int nameId, int classId) {
    RecordingHost& host = *RecordingHost::current;
    Record("object " + std::to_string(nameId) + "/" + std::to_string(classId));
    if (nameId == kNameFrames) {
        auto frames = host.framesOf.find(handle);
        return frames == host.framesOf.end() ? nullptr : frames->second;
    }
    if (handle != kWindow) return nullptr;
    switch (nameId) {
        case kNameDocument:
            return host.document;
        case kNameNavigator:
            return host.navigator;
        case kNameLocation:
            return host.location;
        case kNameHistory:
            return host.history;
        default:
            return nullptr;
    }
}

const char* ZNTJS_CALL SetValue(JsHostHandle handle, int nameId, int classId, const char* text,
                                JsHandler handler, int token) {
    RecordingHost& host = *RecordingHost::current;
    std::string entry = "set " + std::to_string(nameId) + "/" + std::to_string(classId) + " ";
    if (handler) {
        // The host keeps the handler it is given.
        host.handlers.push_back(handler);
        host.js.JS_NewInstance(reinterpret_cast<JsObject>(handler));
        entry += "handler";
        host.heldText = "handler";
    } else {
        entry += text ? text : "(null)";
        host.heldText = text ? text : "";
    }
    Record(entry + " " + std::to_string(token));
    return host.heldText.c_str();
}

intptr_t ZNTJS_CALL CallFunction(JsHostHandle handle, JsHostHandle second, int id, JsObject arguments,
                                 intptr_t* out1, int* out2) {
    RecordingHost& host = *RecordingHost::current;
    std::string entry =
        "call " + std::to_string(id) + " " + std::to_string(handle) + "," + std::to_string(second);
    for (int i = 1; const char* text = host.js.JS_GetObjectStringValue(arguments, i, 1); ++i)
        entry += std::string(" '") + text + "'";
    Record(entry);
    if (host.onCall) host.onCall(id);
    switch (id) {
        case 1004:  // confirm: the user says yes
            return 1;
        case 1007:  // prompt: the user types an answer
            host.heldText = "typed";
            *out1 = reinterpret_cast<intptr_t>(host.heldText.c_str());
            return 0;
        case 1009:  // setTimeout: timer number 42
            *out2 = 42;
            return 0;
        case 2027: {  // new Image()
            JsObject image = host.js.JS_CreateObject(
                27, kFirstMadeHandle + static_cast<intptr_t>(host.made.size()), nullptr);
            host.made.push_back(image);
            return reinterpret_cast<intptr_t>(image);
        }
        default:
            return 0;
    }
}

void* ZNTJS_CALL Allocate(intptr_t, unsigned) {
    return nullptr;
}

void ZNTJS_CALL ReportError(JsHostHandle, int code, const char* message) {
    Record("error " + std::to_string(code));
}

}  // namespace

RecordingHost::RecordingHost(const Exports& js) : js(js) {
    current = this;
    js.JS_Init(GetValue, GetObject, SetValue, CallFunction, Allocate, ReportError);
    window = js.JS_CreateObject(0, kWindow, nullptr);
    document = js.JS_CreateObject(1, kDocument, window);
    navigator = js.JS_CreateObject(31, kNavigator, nullptr);
    location = js.JS_CreateObject(29, kLocation, nullptr);
    history = js.JS_CreateObject(26, kHistory, nullptr);
}

RecordingHost::~RecordingHost() {
    for (JsHandler h : handlers) js.JS_DeleteObject(reinterpret_cast<JsObject>(h));
    for (JsObject o : made) js.JS_DeleteObject(o);
    for (JsObject o : {history, location, navigator, document, window}) js.JS_DeleteObject(o);
    js.JS_Destroy();
    current = nullptr;
}

std::string RecordingHost::Run(const std::string& text) {
    current = this;
    log.clear();
    JsScript script = js.JS_CreateScript(0);
    const char* cursor = text.data();
    int code = js.JS_LoadScript(script, &cursor, text.data() + text.size(), 0);
    std::string result = "error " + std::to_string(code);
    if (code == JS_PARSED) {
        JsContext context = js.JS_CreateEvalContext(window, script, nullptr, nullptr);
        JsObject value = nullptr;
        int calls = 0;
        do {
            code = js.JS_Evaluate(context, &value);
        } while (code == JS_NOT_FINISHED && ++calls < 1000);
        if (code == JS_FINISHED || code == JS_FINISHED_TRUE || code == JS_FINISHED_FALSE) {
            const char* t = value ? js.JS_GetStringValue(value) : nullptr;
            result = t ? t : "(none)";
        } else {
            result = "error " + std::to_string(code);
        }
        js.JS_DeleteObject(value);
        js.JS_DeleteEvalContext(context);
    }
    js.JS_DeleteScript(script);
    return result;
}

std::string RecordingHost::Log() const {
    std::string joined;
    for (const std::string& entry : log) joined += (joined.empty() ? "" : "; ") + entry;
    return joined;
}

std::vector<std::string> RecordingHost::RunTable(const std::string& path, int* count) {
    std::vector<std::string> failures;
    *count = 0;
    std::ifstream file(path);
    if (!file) return {"cannot read " + path};
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '!') {
            // "!add NAMEID CLASSID HANDLE": a new object in one of the document's arrays.
            int nameId = 0, classId = 0;
            long handle = 0;
            if (std::sscanf(line.c_str(), "!add %d %d %ld", &nameId, &classId, &handle) != 3 ||
                !js.JS_AddObjectIdx(document, nameId, classId, 0, handle, nullptr))
                failures.push_back(path + ":" + std::to_string(number) + ": cannot " + line);
            continue;
        }
        size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            failures.push_back(path + ":" + std::to_string(number) + ": no TAB");
            continue;
        }
        std::string script = line.substr(0, tab);
        std::string expected = line.substr(tab + 1);
        std::string expectedLog;
        bool checkLog = false;
        size_t tab2 = expected.find('\t');
        if (tab2 != std::string::npos) {
            expectedLog = expected.substr(tab2 + 1);
            expected.resize(tab2);
            checkLog = true;
        }
        ++*count;
        std::string actual = Run(script);
        if (actual != expected || (checkLog && Log() != expectedLog)) {
            failures.push_back(std::to_string(number) + ": " + script + " => " + actual +
                               (checkLog ? " [" + Log() + "]" : "") + " (expected " + expected +
                               (checkLog ? " [" + expectedLog + "]" : "") + ")");
        }
    }
    return failures;
}

}  // namespace script_test
