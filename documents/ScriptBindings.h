// The script runs a page waits to make: an event's handler with its default
// action (follow a link, submit or reset a form, show a link on the status
// line), a timed script (setTimeout) and a javascript: URL. The page queues
// each one and runs it (HtmlPageDocument::RunScriptRun); the script's result
// decides whether the default action (Run) happens. A run the engine cannot
// take now (another script runs, or this one used up its step budget) is
// tried again (retries + 5) x 10 ms later, so events are never dropped and a
// script that loops for ever leaves the window alive.
#pragma once

#include <cstdint>
#include <string>

#include "core/ListNode.h"
#include "html/ElementRecords.h"
#include "net/UrlHandle.h"

class HtmlElement;
class HtmlPageDocument;
class FormSubmission;

class ElementScriptBinding : public ListNode {
public:
    // The evaluation context is made in the page's window object; script is
    // a compiled script the binding owns, handler an event handler of which
    // it takes a count of its own; thisObject is what `this` names.
    ElementScriptBinding(HtmlPageDocument& page, ScriptObject script, ScriptObject handler,
                         ScriptObject thisObject = 0);
    ~ElementScriptBinding() override;
    ElementScriptBinding(const ElementScriptBinding&) = delete;
    ElementScriptBinding& operator=(const ElementScriptBinding&) = delete;

    // Runs another handler instead (a click that turns into its form's
    // submit or reset handler).
    void Rebind(ScriptObject handler);
    virtual int EventCode() const { return 0; }
    // The run resumes the page's parse rather than running a script.
    virtual bool ResumesParse() const { return false; }
    // The default action after the script ended with status (7777 true,
    // 9000 false, 1789 no boolean) and value (borrowed); sets done unless
    // the binding must run again.
    virtual void Run(int status, ScriptObject value) { done = true; }

    HtmlPageDocument& page;
    ScriptObject context = 0;  // 0 when the engine is off: the action runs at once
    ScriptObject script = 0;
    ScriptObject handler = 0;
    ScriptObject thisObject = 0;
    bool done = false;
    bool running = false;
    bool retryRequested = false;
    int retries = 0;
    uint32_t delayed = 0;  // the id of its delayed message, 0 when none waits
    // What the page's delayed message names the run by.
    const uint32_t serial;

private:
    void MakeContext();
};

// A script run after a delay (setTimeout).
class ScriptTimer : public ElementScriptBinding {
public:
    ScriptTimer(HtmlPageDocument& page, ScriptObject script) : ElementScriptBinding(page, script, 0) {}
};

// The page's own parse waits for a script of its SCRIPT elements that the
// engine could not take yet: it is run again until it could.
class ParseResumption : public ElementScriptBinding {
public:
    explicit ParseResumption(HtmlPageDocument& page) : ElementScriptBinding(page, 0, 0) {}
    bool ResumesParse() const override { return true; }
};

// A javascript: URL: a value the script gives becomes the window's new page.
class ScriptUrlEvaluation : public ElementScriptBinding {
public:
    ScriptUrlEvaluation(HtmlPageDocument& page, ScriptObject script) : ElementScriptBinding(page, script, 0) {}
    void Run(int status, ScriptObject value) override;
};

// An event without a default action (page load, image events, change ...).
class EventBinding : public ElementScriptBinding {
public:
    EventBinding(HtmlPageDocument& page, int code, HtmlElement* element, ScriptObject handler);
    int EventCode() const override { return code_; }

private:
    int code_;
};

// A click on a link (169: followed unless the handler answered false) or the
// mouse over a link (171: shown on the status line unless it answered true).
class LinkBinding : public ElementScriptBinding {
public:
    LinkBinding(HtmlPageDocument& page, int code, HtmlElement* element, ScriptObject handler, const UrlHandle& url,
                int32_t frameId, const char* target);
    int EventCode() const override { return code_; }
    void Run(int status, ScriptObject value) override;

private:
    int code_;
    UrlHandle url_;
    int32_t frameId_;
    std::string target_;
};

// A form's submit (submit: true) or reset through its control's click (61)
// or the form's own event (87 submit, 88 reset).
class FormBinding : public ElementScriptBinding {
public:
    FormBinding(HtmlPageDocument& page, bool submit, int code, HtmlElement* control, HtmlElement* form,
                ScriptObject handler);
    int EventCode() const override { return code_; }
    void Run(int status, ScriptObject value) override;

private:
    bool submit_;
    int code_;
    HtmlElement* control_;
    HtmlElement* form_;
};

class SubmitBinding : public FormBinding {
public:
    SubmitBinding(HtmlPageDocument& page, int code, HtmlElement* control, HtmlElement* form, ScriptObject handler)
        : FormBinding(page, true, code, control, form, handler) {}
};

class ResetBinding : public FormBinding {
public:
    ResetBinding(HtmlPageDocument& page, int code, HtmlElement* control, HtmlElement* form, ScriptObject handler)
        : FormBinding(page, false, code, control, form, handler) {}
};

// The script of a javascript: URL (the text after its first ':', with its
// %XX escapes decoded), compiled; 0 when it has no ':' or does not parse.
ScriptObject CompileScriptUrl(const char* text);
