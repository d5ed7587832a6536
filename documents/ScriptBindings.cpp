#include "documents/ScriptBindings.h"

#include "documents/HtmlPageDocument.h"
#include "documents/ScriptHost.h"
#include "html/HtmlElement.h"
#include "html/PageScriptHost.h"

namespace {

// Serials name runs in delayed messages; 0 is never one.
uint32_t NextSerial() {
    static uint32_t last = 0;
    if (++last == 0) ++last;
    return last;
}

ScriptObject ObjectOf(HtmlElement* element) {
    return element && element->Record() ? element->Record()->GetScriptObject() : 0;
}

}  // namespace

ElementScriptBinding::ElementScriptBinding(HtmlPageDocument& page, ScriptObject script, ScriptObject handler,
                                           ScriptObject thisObject)
    : page(page), script(script), thisObject(thisObject), serial(NextSerial()) {
    ScriptHost* host = ScriptHost::Instance();
    if (handler && host) this->handler = host->NewInstance(handler);
    MakeContext();
}

ElementScriptBinding::~ElementScriptBinding() {
    if (ScriptHost* host = ScriptHost::Instance()) {
        host->DeleteEvalContext(context);
        host->DeleteScript(script);
        host->DeleteObject(handler);
    }
}

void ElementScriptBinding::MakeContext() {
    ScriptHost* host = ScriptHost::Instance();
    ScriptObject scope = page.WindowScriptObject();
    if (host && scope && (script || handler)) context = host->CreateEvalContext(scope, script, handler, thisObject);
}

void ElementScriptBinding::Rebind(ScriptObject next) {
    ScriptHost* host = ScriptHost::Instance();
    if (!host) return;
    host->DeleteEvalContext(context);
    context = 0;
    host->DeleteObject(handler);
    handler = host->NewInstance(next);
    MakeContext();
}

void ScriptUrlEvaluation::Run(int status, ScriptObject value) {
    ScriptHost* host = ScriptHost::Instance();
    const char* text = value && host ? host->GetStringValue(value) : nullptr;
    page.ShowScriptResult(text);
    done = true;
}

EventBinding::EventBinding(HtmlPageDocument& page, int code, HtmlElement* element, ScriptObject handler)
    : ElementScriptBinding(page, 0, handler, ObjectOf(element)), code_(code) {}

LinkBinding::LinkBinding(HtmlPageDocument& page, int code, HtmlElement* element, ScriptObject handler,
                         const UrlHandle& url, int32_t frameId, const char* target)
    : ElementScriptBinding(page, 0, handler, ObjectOf(element)),
      code_(code),
      url_(url),
      frameId_(frameId),
      target_(target ? target : "") {}

void LinkBinding::Run(int status, ScriptObject) {
    if (code_ == kEventLinkClick && status != kScriptResultFalse) page.OpenLink(url_, frameId_, target_.c_str());
    if (code_ == kEventMouseOver && status != kScriptResultTrue) page.ShowLinkStatus(url_);
    done = true;
}

FormBinding::FormBinding(HtmlPageDocument& page, bool submit, int code, HtmlElement* control, HtmlElement* form,
                         ScriptObject handler)
    : ElementScriptBinding(page, 0, handler, ObjectOf(code == kEventClick ? control : form)),
      submit_(submit),
      code_(code),
      control_(control),
      form_(form) {}

void FormBinding::Run(int status, ScriptObject) {
    const int formEvent = submit_ ? kEventSubmit : kEventReset;
    if (code_ == kEventClick && form_) {
        // The control's own handler ran: the form's handler comes next.
        ScriptObject formHandler = page.FormHandler(form_, formEvent);
        if (formHandler && status != kScriptResultFalse) {
            code_ = formEvent;
            thisObject = ObjectOf(form_);
            Rebind(formHandler);
            retries = 0;
            retryRequested = true;
            return;
        }
    }
    if (status != kScriptResultFalse) page.SubmitOrResetForm(control_, submit_);
    done = true;
}
