// Host objects through the recording host: what each class asks the host,
// read-only names, event handlers, the arrays the host fills, and the
// methods the host performs.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/script/RecordingHost.h"

namespace {

using script_test::LinkedExports;
using script_test::RecordingHost;

enum NameId { kLinks = 57, kForms = 63, kOptions = 140, kElements = 163, kMimeTypes = 172 };

class HostClasses : public ::testing::Test {
protected:
    script_test::Exports js = LinkedExports();
    RecordingHost host{js};

    // Appends a new object of the class to the document's array.
    JsObject AddToDocument(int nameId, int classId, intptr_t handle) {
        return js.JS_AddObjectIdx(host.document, nameId, classId, 0, handle, nullptr);
    }
    void ExpectRun(const std::string& script, const std::string& result, const std::string& log) {
        EXPECT_EQ(host.Run(script), result) << script;
        EXPECT_EQ(host.Log(), log) << script;
    }
};

TEST_F(HostClasses, NavigatorAsksTheHostByNameIdAndClass) {
    ExpectRun("navigator.userAgent", "v177/31", "object 170/0; get 177/31");
    ExpectRun("navigator.appName + navigator.appVersion + navigator.appCodeName", "v123/31v186/31v192/31",
              "object 170/0; get 123/31; object 170/0; get 186/31; object 170/0; get 192/31");
    ExpectRun("navigator.mimeTypes.length + navigator.plugins.length", "0", "object 170/0; object 170/0");
    ASSERT_NE(js.JS_AddObjectIdx(host.navigator, kMimeTypes, 30, 0, 61, nullptr), nullptr);
    ExpectRun("navigator.mimeTypes[0].suffixes", "v161/30", "object 170/0; get 161/30");
}

TEST_F(HostClasses, WindowNamesAreReadOnlyAndBuiltinsCanBeHidden) {
    const char* readOnly[] = {"length", "defaultStatus", "self",    "window",   "top",       "parent",
                              "frames", "opener",        "history", "document", "navigator", "closed"};
    for (const char* name : readOnly) {
        std::string script = std::string("window.") + name + " = 1";
        host.Run(script);
        EXPECT_EQ(host.Log().find("set"), std::string::npos) << script << ": " << host.Log();
    }
    ExpectRun("window.document = 1; typeof window.document", "object", "object 145/0");
    ExpectRun("window.self == window && window.window.self == window", "true", "");
    ExpectRun("java == null && netscape == null && closed == false", "true", "");
    // A name the window answers with a built-in becomes the script's own.
    ExpectRun("alert = 5; alert + 1", "6", "");
    // Names the host holds go to it.
    ExpectRun("status = 'busy'", "busy", "set 101/0 busy 322");
    ExpectRun("location = 'next.html'", "next.html", "set 151/0 next.html 322");
}

TEST_F(HostClasses, DocumentArraysGrowAsTheHostAddsObjects) {
    ExpectRun("document.forms.length", "0", "object 145/0");
    JsObject form = AddToDocument(kForms, 10, 70);
    ASSERT_NE(form, nullptr);
    ExpectRun("document.forms.length", "1", "object 145/0");
    ExpectRun("document.forms[0].action", "v96/10", "object 145/0; get 96/10");
    ExpectRun("document.forms = 1; document.forms.length", "1", "object 145/0; object 145/0");
    // Only arrays take members.
    EXPECT_EQ(js.JS_AddObjectIdx(host.document, 24, 10, 0, 71, nullptr), nullptr);
    // The form is also found by its name, on the document and on the window.
    ExpectRun("document['v24/10'] == document.forms[0]", "true", "object 145/0; get 24/10; object 145/0");
    ExpectRun("window['v24/10'] == document.forms[0]", "true", "object 145/0; get 24/10; object 145/0");
    ExpectRun("window['nothing']", "(none)", "object 145/0; get 24/10; object 107/0");
}

TEST_F(HostClasses, UnknownWindowNamesSearchTheFramesOnce) {
    // Two windows whose frames lead to each other.
    JsObject other = js.JS_CreateObject(0, 7, nullptr);
    host.made.push_back(other);
    host.framesOf[script_test::kWindow] = other;
    host.framesOf[7] = host.window;
    ExpectRun("window['nowhere']", "(none)", "object 145/0; object 107/0; object 145/0");
    // A frame's own names are found.
    ExpectRun("window.frames.here = 5; window['here']", "5", "object 107/0; object 145/0; object 107/0");
}

TEST_F(HostClasses, FunctionsAssignedToEventNamesReachTheHostAsHandlers) {
    ASSERT_NE(AddToDocument(kLinks, 28, 80), nullptr);
    ExpectRun("function h() { return false } document.links[0].onclick = h", "handler",
              "object 145/0; set 132/28 handler 322");
    ASSERT_EQ(host.handlers.size(), 1u);
    // The handler runs the function's body.
    JsContext context = js.JS_CreateEvalContext(host.window, nullptr, host.handlers[0], nullptr);
    JsObject value = nullptr;
    EXPECT_EQ(js.JS_Evaluate(context, &value), JS_FINISHED_FALSE);
    js.JS_DeleteObject(value);
    js.JS_DeleteEvalContext(context);
    // Text goes as text; classes without event handlers get the text too.
    ExpectRun("document.links[0].onclick = 'go()'", "go()", "object 145/0; set 132/28 go() 322");
    ExpectRun("function g() {} onload = g", "function g() {...}", "set 104/0 function g() {...} 322");
}

TEST_F(HostClasses, FormsAndElementsCallTheHost) {
    JsObject form = AddToDocument(kForms, 10, 70);
    ASSERT_NE(form, nullptr);
    ExpectRun("document.forms[0].submit()", "(none)", "object 145/0; call 1085 70,0");
    ExpectRun("document.forms[0].reset()", "(none)", "object 145/0; call 1084 70,0");
    // Form elements: what each class answers.
    struct Case {
        int classId;
        const char* script;
        const char* result;
    };
    const Case cases[] = {
        {20, "e.focus()", "(none)"},
        {20, "e.defaultValue", "v196/20"},
        {15, "e.select()", "(none)"},
        {15, "e.defaultValue", "(none)"},
        {16, "e.checked", "v126/16"},
        {12, "e.onclick", "v132/12"},
        {11, "e.value", "v65/11"},
        {11, "e.onclick", "(none)"},
        {22, "e.defaultSelected", "v206/22"},
        {32, "e.filename", "v144/32"},
    };
    intptr_t handle = 90;
    for (const Case& c : cases) {
        JsObject e = js.JS_CreateObject(c.classId, handle++, nullptr);
        ASSERT_NE(e, nullptr);
        // Put the element where the script finds it.
        host.made.push_back(e);
        js.JS_AddObjectIdx(host.document, kForms, c.classId, 0, 0, e);
        std::string found = "e = document.forms[document.forms.length - 1]; " + std::string(c.script);
        EXPECT_EQ(host.Run(found), c.result) << c.classId << " " << c.script << " " << host.Log();
    }
}

TEST_F(HostClasses, GroupsOfSameNamedElementsAnswerThroughTheirMembers) {
    JsObject group = js.JS_CreateObject(33, 0, nullptr);
    ASSERT_NE(group, nullptr);
    host.made.push_back(group);
    js.JS_AddObjectIdx(host.document, kForms, 33, 0, 0, group);
    ASSERT_NE(js.JS_AddObjectIdx(group, kElements, 16, 0, 91, nullptr), nullptr);
    ExpectRun("g = document.forms[0]; g.checked", "v126/16", "object 145/0; get 126/16");
    ASSERT_NE(js.JS_AddObjectIdx(group, kElements, 16, 0, 92, nullptr), nullptr);
    ExpectRun("g = document.forms[0]; g.elements.length + ' ' + g[1].value + ' ' + g.name + ' ' + g.checked",
              "2 v65/16 v24/16 undefined", "object 145/0; get 65/16; get 24/16");
}

TEST_F(HostClasses, SelectOptionsAreAnArrayTheHostFills) {
    JsObject select = AddToDocument(kForms, 18, 95);
    ASSERT_NE(select, nullptr);
    ExpectRun("document.forms[0].options.length", "0", "object 145/0");
    ASSERT_NE(js.JS_AddObjectIdx(select, kOptions, 22, 0, 96, nullptr), nullptr);
    ExpectRun("document.forms[0].options[0].text", "v39/22", "object 145/0; get 39/22");
    ExpectRun("document.forms[0].selectedIndex = 0", "0", "object 145/0; set 202/18 0 322");
}

TEST_F(HostClasses, DialogsBlockEvaluationWhileTheyAreOpen) {
    struct Case {
        const char* script;
        int id;
        int whileOpen;
    };
    const Case cases[] = {
        {"alert('a')", 1000, JS_NOT_FINISHED},
        {"confirm('c')", 1004, JS_NOT_FINISHED},
        {"prompt('p')", 1007, JS_NOT_FINISHED},
        {"focus()", 1005, JS_FINISHED},  // not a dialog: other contexts run
    };
    for (const Case& c : cases) {
        std::vector<int> seen;
        host.onCall = [&](int id) {
            JsScript other = js.JS_CreateScript(0);
            const char* text = "1";
            EXPECT_EQ(js.JS_LoadScript(other, &text, text + 1, 0), JS_PARSED);
            JsContext context = js.JS_CreateEvalContext(host.window, other, nullptr, nullptr);
            JsObject value = nullptr;
            seen.push_back(id);
            seen.push_back(js.JS_Evaluate(context, &value));
            js.JS_DeleteObject(value);
            js.JS_DeleteEvalContext(context);
            js.JS_DeleteScript(other);
        };
        host.Run(c.script);
        EXPECT_EQ(seen, (std::vector<int>{c.id, c.whileOpen})) << c.script;
    }
    host.onCall = nullptr;
    // Afterwards evaluation runs again.
    EXPECT_EQ(host.Run("confirm('again') && 1"), "true");
}

}  // namespace
