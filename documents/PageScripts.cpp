// The page's side of its scripts: the window and document objects it shows
// to scripts, its events (HtmlPageDocument::Notify), its timed runs
// (setTimeout, javascript: URLs) and the retries of runs the engine could
// not take at once.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/DocumentWindows.h"
#include "documents/HtmlPageDocument.h"
#include "documents/ScriptBindings.h"
#include "documents/ScriptHost.h"
#include "documents/ScriptWindows.h"
#include "html/ElementRecords.h"
#include "html/HtmlElement.h"
#include "html/PageScriptHost.h"
#include "html/PageUrls.h"
#include "layout/FormSubmission.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"

namespace {

bool ScriptingOn() {
    return !g_preferences || g_preferences->Get(PrefInt::Scripting) != 0;
}

// %XX escapes of a javascript: URL as the characters they stand for.
std::string DecodeEscapes(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && std::isxdigit(static_cast<unsigned char>(p[1])) &&
            std::isxdigit(static_cast<unsigned char>(p[2]))) {
            char hex[3] = {p[1], p[2], 0};
            out += static_cast<char>(std::strtol(hex, nullptr, 16));
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

ElementScriptBinding* AsRun(ListNode* node) {
    return static_cast<ElementScriptBinding*>(node);
}

HtmlElement* FormOfControl(HtmlElement* element) {
    for (HtmlElement* e = element ? element->Parent() : nullptr; e; e = e->Parent()) {
        if (e->Type() == kTagForm) return e;
    }
    for (TreeNode* n = element ? element->PrevInOrder(true) : nullptr; n; n = n->PrevInOrder(true)) {
        auto* e = static_cast<HtmlElement*>(n);
        if (e->Type() == kTagForm) return e;
    }
    return nullptr;
}

}  // namespace

// --- objects ------------------------------------------------------------------

void HtmlPageDocument::AttachScripts() {
    PageProperties* page = content_.GetPage();
    ScriptHost* host = ScriptHost::Instance();
    if (!page || !host) return;
    host->AttachPage(*this, *page);
    // A script that waited for the page's window runs now.
    ResumeParse();
}

bool HtmlPageDocument::ResumeParse() {
    PageProperties* page = content_.GetPage();
    if (!page || !page->pendingScript) return true;
    content_->ResumeScripts();
    if (content_->HasBlockedScripts()) {
        // The engine is busy (another window's script has a box open): try
        // again later, as for any other run.
        if (!FindParseResumption()) {
            auto* run = new ParseResumption(*this);
            run->AppendTo(scriptRuns_);
            ScheduleRun(run, 50);
            run->retries = 1;
        }
        return false;
    }
    // The bytes the page could not take while its script waited come again.
    if (!url_.IsEmpty() && !content_->IsComplete()) url_->DeliverData(url_->GetLoadStatus(true) != kLoadLoading);
    return true;
}

ElementScriptBinding* HtmlPageDocument::FindParseResumption() {
    for (ListNode* n = scriptRuns_.First(); n; n = n->Next()) {
        if (AsRun(n)->ResumesParse()) return AsRun(n);
    }
    return nullptr;
}

void HtmlPageDocument::DetachScripts() {
    ClearAllScriptTimers();
    for (auto& image : scriptImages_) image.reset();
    if (ScriptHost* host = ScriptHost::Instance()) host->DetachPage(*this, content_.GetPage());
    if (handler_) handler_->Unregister(this, kMsgScriptResult, kScriptRunTag);
}

ScriptObject HtmlPageDocument::WindowScriptObject() {
    PageProperties* page = content_.GetPage();
    return page && page->scriptDocument == this ? page->windowObject : 0;
}

ScriptObject HtmlPageDocument::CreateScriptImage(int32_t width, int32_t height) {
    ScriptHost* host = ScriptHost::Instance();
    PageProperties* page = content_.GetPage();
    if (!host || !page) return 0;
    std::string w = std::to_string(width), h = std::to_string(height);
    AttributeSlot slots[3];
    slots[0].code = kAttrWidth;
    slots[0].value = w.c_str();
    slots[0].valueLength = static_cast<int32_t>(w.size());
    slots[1].code = kAttrHeight;
    slots[1].value = h.c_str();
    slots[1].valueLength = static_cast<int32_t>(h.size());
    scriptImages_.push_back(std::make_unique<HtmlElement>(page, kTagImg, slots, true));
    return host->CreateElementObject(27, scriptImages_.back().get(), *this);
}

// --- form values as scripts see them ---------------------------------------------

bool HtmlPageDocument::ControlValue(HtmlElement* element, std::string& value) {
    FormFieldRecord* field = element ? element->GetFormField() : nullptr;
    if (!field) return false;
    int type = field->fieldType;
    if (element->Type() == kTagInput && (type == kFieldCheckbox || type == kFieldRadio)) {
        value = field->currentValue.empty() ? (field->checked ? "1" : "") : field->currentValue;
        if (value == "false") value.clear();
        return true;
    }
    value = !field->currentValue.empty() ? field->currentValue : (field->value.Get() ? field->value.Get() : "");
    return true;
}

void HtmlPageDocument::SetControlValue(HtmlElement* element, const char* text, bool append, size_t limit) {
    FormFieldRecord* field = element ? element->GetFormField() : nullptr;
    if (!field) return;
    std::string next = text ? text : "";
    if (append) {
        std::string current;
        ControlValue(element, current);
        next = current + next;
        if (limit > 0 && next.size() >= limit) next.resize(limit - 1);
    }
    int type = field->fieldType;
    // A cleared check box keeps the mark that it was cleared, not its default.
    if (element->Type() == kTagInput && (type == kFieldCheckbox || type == kFieldRadio) && next.empty())
        next = "false";
    field->SetCurrentValue(next.c_str());
    RepaintAll();
}

ScriptObject HtmlPageDocument::FormHandler(HtmlElement* form, int event) {
    PageProperties* page = content_.GetPage();
    ElementRecord* record = form ? form->Record() : nullptr;
    if (!page || !page->scriptHost || !record) return 0;
    return GetEventHandler(*record, event, *page->scriptHost, WindowScriptObject());
}

void HtmlPageDocument::SubmitOrResetForm(HtmlElement* control, bool submit) {
    HtmlElement* form = control && control->Type() == kTagForm ? control : FormOfControl(control);
    if (!submit) {
        // Every field of the form goes back to its own VALUE.
        for (TreeNode* n = form ? form->NextInOrder(false) : nullptr; n; n = n->NextInOrder(false)) {
            auto* e = static_cast<HtmlElement*>(n);
            if (e->Type() == kTagForm) break;
            if (FormFieldRecord* field = e->GetFormField()) field->SetCurrentValue(nullptr);
        }
        RepaintAll();
        return;
    }
    std::unique_ptr<FormSubmission> submission(SubmitAtPoint(0, 0, control ? control : form));
    if (!submission) return;
    const UrlHandle url = SubmitForm(*submission);
    if (!url.IsEmpty()) OpenLink(url, -1, submission->target.c_str());
}

// --- the window a page shows in ---------------------------------------------------

void HtmlPageDocument::OpenLink(const UrlHandle& url, int32_t frameId, const char* target) {
    int number = ScriptHost::WindowNumberOf(*this);
    char name[128] = {};
    std::strncpy(name, target ? target : "", sizeof name - 1);
    int32_t frame = frameId;
    if (Document* top = GetTopDocument()) top->ResolveTarget(name, &frame);
    if (name[0] || frame == -2) {
        number = ScriptWindows().OpenNamedWindow(name[0] ? name : nullptr, number);
        frame = -1;
    }
    if (number > 0) ScriptWindows().OpenUrl(number, frame, url, url_);
}

void HtmlPageDocument::ShowLinkStatus(const UrlHandle& url) {
    ScriptWindows().SetStatusText(ScriptHost::WindowNumberOf(*this), PageUrls::FullName(url).c_str());
}

void HtmlPageDocument::ShowScriptResult(const char* text) {
    int number = ScriptHost::WindowNumberOf(*this);
    UrlRegistry* urls = UrlRegistry::Instance();
    if (!text || !urls) {
        // Nothing to show: the window keeps its page.
        WindowServices().SetLoadState(handler_ ? handler_->Window() : nullptr, 2);
        return;
    }
    UrlHandle page = urls->NewInternalUrl();
    if (page.IsEmpty()) return;
    page->SetContentType("text/html");  // shown as a page, whatever the viewer table's fallback
    page->SetOrigin(url_);
    page->AppendData(text, static_cast<int32_t>(std::strlen(text)));
    page->FlushData(true);
    ScriptWindows().OpenUrl(number, frameId_, page, url_);
}

// --- events -------------------------------------------------------------------------

int HtmlPageDocument::Notify(int code, int32_t x, int32_t y, HtmlElement* element, ScriptObject script) {
    PageProperties* page = content_.GetPage();
    if (!ScriptingOn() || !page || !page->scriptHost || !page->scriptingOn) return 1;
    PageScriptHost& host = *page->scriptHost;
    ScriptObject window = WindowScriptObject();
    ElementScriptBinding* run = nullptr;
    switch (code) {
        case kEventClick:
        case kEventChange:
        case kEventBlur:
        case kEventFocus: {
            if (!element) element = ElementAtPoint(x, y);
            FormFieldRecord* field = element ? element->GetFormField() : nullptr;
            if (!field) return 1;
            int type = field->fieldType;
            if (type == kFieldImage) type = kFieldSubmit;
            const bool formControl = code == kEventClick && (type == kFieldSubmit || type == kFieldReset);
            HtmlElement* form = formControl ? FormOfControl(element) : nullptr;
            ScriptObject handler = GetEventHandler(*element->Record(), code, host, window);
            if (!handler && formControl) {
                int formEvent = type == kFieldSubmit ? kEventSubmit : kEventReset;
                ScriptObject formHandler = FormHandler(form, formEvent);
                if (!formHandler) return 1;
                if (type == kFieldSubmit)
                    run = new SubmitBinding(*this, formEvent, element, form, formHandler);
                else
                    run = new ResetBinding(*this, formEvent, element, form, formHandler);
            } else if (handler && formControl) {
                if (type == kFieldSubmit)
                    run = new SubmitBinding(*this, code, element, form, handler);
                else
                    run = new ResetBinding(*this, code, element, form, handler);
            } else if (handler) {
                run = new EventBinding(*this, code, element, handler);
            }
            break;
        }
        case 140:
        case 141:
        case 142:
        case kEventLoad:
        case kEventUnload:
            if (ScriptObject handler = page->GetEventHandler(code)) run = new EventBinding(*this, code, nullptr, handler);
            break;
        case kEventLinkClick: {
            LinkHit hit;
            UrlHandle url;
            if (element) {
                auto* anchor = element->RecordAs<AnchorRecord>();
                if (anchor && anchor->href) url = *anchor->href;
                hit.element = element;
                if (anchor && anchor->target.IsSet()) std::strncpy(hit.target, anchor->target.Get(), sizeof hit.target - 1);
            } else {
                url = ActivateAtPoint(x, y, &hit);
            }
            ElementRecord* record = hit.element ? hit.element->Record() : nullptr;
            ScriptObject handler = record ? GetEventHandler(*record, code, host, window) : 0;
            if (handler && !url.IsEmpty())
                run = new LinkBinding(*this, code, hit.element, handler, url, -1, hit.target);
            break;
        }
        case kEventMouseOut:
            if (script) run = new EventBinding(*this, code, element, script);
            break;
        case kEventMouseOver: {
            auto* anchor = element ? element->RecordAs<AnchorRecord>() : nullptr;
            if (script && anchor && anchor->href)
                run = new LinkBinding(*this, code, element, script, *anchor->href, -1, anchor->target.Get());
            break;
        }
        case kEventAbort:
        case kEventError:
        case kEventImageLoad:
            if (element && element->Record()) {
                if (ScriptObject handler = GetEventHandler(*element->Record(), code, host, window))
                    run = new EventBinding(*this, code, element, handler);
            }
            break;
        default:
            break;
    }
    if (!run) return 1;
    run->AppendTo(scriptRuns_);
    RunScriptRun(run);
    return 0;
}

int32_t HtmlPageDocument::FireEvent(int code, int32_t a, int32_t b, int32_t c, int32_t d) {
    return Notify(code, a, b, nullptr, 0);
}

// --- timed runs ------------------------------------------------------------------------

uint32_t HtmlPageDocument::SetScriptTimeout(ScriptObject script, int32_t delay, bool url) {
    ElementScriptBinding* run =
        url ? static_cast<ElementScriptBinding*>(new ScriptUrlEvaluation(*this, script)) : new ScriptTimer(*this, script);
    run->AppendTo(scriptRuns_);
    const uint32_t serial = run->serial;
    if (delay < 1) {
        RunScriptRun(run);
        return 0;
    }
    ScheduleRun(run, static_cast<uint32_t>(delay));
    return serial;
}

void HtmlPageDocument::ScheduleRun(ElementScriptBinding* run, uint32_t delay) {
    if (!handler_) return;
    RegisterOnce(kMsgScriptResult, kScriptRunTag);
    run->delayed = handler_->PostDelayed(kMsgScriptResult, kScriptRunTag, run->serial, delay);
}

ElementScriptBinding* HtmlPageDocument::FindRun(uint32_t serial) {
    for (ListNode* n = scriptRuns_.First(); n; n = n->Next()) {
        if (AsRun(n)->serial == serial) return AsRun(n);
    }
    return nullptr;
}

void HtmlPageDocument::ClearScriptTimeout(uint32_t serial) {
    ElementScriptBinding* run = serial ? FindRun(serial) : nullptr;
    if (!run) return;
    if (run->running) {
        run->done = true;
        return;
    }
    if (run->delayed && handler_) handler_->CancelDelayedById(run->delayed);
    run->Remove();
    delete run;
}

bool HtmlPageDocument::ClearScriptTimers(bool all) {
    for (ListNode* n = scriptRuns_.First(); n;) {
        ElementScriptBinding* run = AsRun(n);
        n = n->Next();
        if (!all && run->running) continue;
        if (run->running) {
            // It deletes itself when its evaluation returns.
            run->done = true;
            continue;
        }
        if (run->delayed && handler_) handler_->CancelDelayedById(run->delayed);
        run->Remove();
        delete run;
    }
    return scriptRuns_.First() == nullptr;
}

void HtmlPageDocument::ClearAllScriptTimers() {
    ClearScriptTimers(true);
}

void HtmlPageDocument::StopScripts() {
    ClearScriptTimers(false);
}

int HtmlPageDocument::PendingScriptRuns() const {
    int n = 0;
    for (ListNode* node = scriptRuns_.First(); node; node = node->Next()) ++n;
    return n;
}

ScriptObject CompileScriptUrl(const char* text) {
    const char* colon = text ? std::strchr(text, ':') : nullptr;
    ScriptHost* host = ScriptHost::Instance();
    if (!colon || !host) return 0;
    std::string body = DecodeEscapes(colon + 1);
    ScriptObject script = host->CreateScript(0);
    const char* cursor = body.c_str();
    if (!script || host->LoadScriptText(script, &cursor, body.c_str() + body.size(), 0) != kScriptResultDone) {
        host->DeleteScript(script);
        return 0;
    }
    return script;
}

int HtmlPageDocument::RunScriptUrlText(const char* text, int32_t delay) {
    ScriptObject script = CompileScriptUrl(text);
    if (!script) return 0;
    SetScriptTimeout(script, delay, true);
    return 1;
}

int32_t HtmlPageDocument::RunScriptUrl(const UrlHandle& url, int32_t, int32_t) {
    if (url.IsEmpty() || !url.GetName()) return 0;
    return RunScriptUrlText(url.GetName(), 0);
}

// --- running -------------------------------------------------------------------------------

void HtmlPageDocument::RunScriptRun(ElementScriptBinding* run) {
    ScriptHost* host = ScriptHost::Instance();
    PageProperties* page = content_.GetPage();
    const bool parsing = page && page->pendingScript;
    run->delayed = 0;
    if (run->ResumesParse()) {
        // Still listed, so that the resumption makes no second one.
        bool resumed = ResumeParse();
        if (resumed || !active_) {
            run->Remove();
            delete run;
        } else {
            ScheduleRun(run, static_cast<uint32_t>(run->retries + 5) * 10u);
            ++run->retries;
        }
        return;
    }
    int status = kScriptResultNoBoolean;
    ScriptObject value = 0;
    // The page's own script runs first: the window counts as busy meanwhile.
    if (parsing) {
        status = kScriptResultBusy;
    } else if (run->context && host) {
        run->running = true;
        status = host->Evaluate(run->context, this, nullptr, &value);
        run->running = false;
    }
    if (run->done) {
        // Cleared while it ran.
    } else if (status == kScriptResultNoBoolean || status == kScriptResultTrue || status == kScriptResultFalse) {
        run->running = true;
        run->Run(status, value);
        run->running = false;
        if (!run->done) status = kScriptResultBusy;
    } else if (status != kScriptResultBusy) {
        run->done = true;  // a script error or nothing to run: no default action
    }
    if (value && host) host->DeleteObject(value);
    if (!run->done && status == kScriptResultBusy) {
        if (active_ || parsing || run->retryRequested) {
            ScheduleRun(run, static_cast<uint32_t>(run->retries + 5) * 10u);
            ++run->retries;
        } else {
            run->done = true;
        }
    }
    if (run->done) {
        run->Remove();
        delete run;
    }
}

void HtmlPageDocument::OnScriptRunMessage(uint32_t tag, uint32_t serial) {
    // Only runs of this page: the number is also posted by other senders.
    if (tag != kScriptRunTag) return;
    if (ElementScriptBinding* run = FindRun(serial)) RunScriptRun(run);
}
