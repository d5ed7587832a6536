#include "documents/ScriptHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "core/ProgressDialog.h"
#include "core/UserAgent.h"
#include "documents/Document.h"
#include "documents/HtmlDocument.h"
#include "documents/HtmlPageDocument.h"
#include "documents/ScriptWindows.h"
#include "html/DocumentContent.h"
#include "html/ElementRecords.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "html/PageProperties.h"
#include "html/PageUrls.h"
#include "html/UrlParts.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"

namespace {

ScriptHost* liveHost = nullptr;

// The largest text handed to the engine from a scratch buffer.
constexpr size_t kMaxScratchText = 4095;
constexpr size_t kWorkBufferFirst = 65535;

// Host classes.
enum HostClass : int {
    kClassWindow = 0,
    kClassDocument = 1,
    kClassForm = 10,
    kClassButton = 11,
    kClassCheckbox = 12,
    kClassHidden = 14,
    kClassPassword = 15,
    kClassRadio = 16,
    kClassReset = 17,
    kClassSelect = 18,
    kClassSubmit = 19,
    kClassText = 20,
    kClassTextarea = 21,
    kClassOption = 22,
    kClassHistory = 26,
    kClassImage = 27,
    kClassLink = 28,
    kClassLocation = 29,
    kClassMimeType = 30,
    kClassNavigator = 31,
    kClassPlugin = 32,
    kClassElementList = 33,
};

// Property-name ids of the engine.
enum NameId : int {
    kNameTop = 16,
    kNameSrc = 17,
    kNameName = 24,
    kNameForm = 35,
    kNameLinks = 57,
    kNameTitle = 58,
    kNameForms = 63,
    kNameValue = 65,
    kNameWindow = 80,
    kNameImages = 89,
    kNameParent = 91,
    kNameCookie = 95,
    kNameStatus = 101,
    kNameAppName = 123,
    kNamePlugins = 125,
    kNameChecked = 126,
    kNameBgColor = 134,
    kNameOptions = 140,
    kNameDocument = 145,
    kNameSelected = 146,
    kNameLocation = 151,
    kNameHistory = 112,
    kNameOpener = 108,
    kNameElements = 163,
    kNameReferrer = 165,
    kNameNavigator = 170,
    kNameMimeTypes = 172,
    kNameUserAgent = 177,
    kNameAppVersion = 186,
    kNameAppCodeName = 192,
    kNameSelectedIndex = 202,
    kNameDefault = 0xffff,
};

// Host function ids.
enum FunctionId : int {
    kAlert = 1000,
    kBlur = 1001,
    kClearTimeout = 1002,
    kClose = 1003,
    kConfirm = 1004,
    kFocus = 1005,
    kOpen = 1006,
    kPrompt = 1007,
    kScroll = 1008,
    kSetTimeout = 1009,
    kDocumentClose = 1018,
    kDocumentOpen = 1019,
    kWrite = 1020,
    kWriteLine = 1021,
    kFieldBlur = 1089,
    kFieldFocus = 1090,
    kFieldSelect = 1091,
    kReload = 1102,
    kReplace = 1103,
    kBack = 1107,
    kForward = 1108,
    kGo = 1109,
    kNewImage = 2027,
};

// The boxes of alert and confirm: task-modal with the question icon.
constexpr UINT kAlertFlags = 0x2020;
constexpr UINT kConfirmFlags = 0x2021;
constexpr int kAppendOperator = 302;

template <typename T>
T Js(ScriptObject object) {
    return reinterpret_cast<T>(object);
}
ScriptObject Of(const void* pointer) {
    return reinterpret_cast<ScriptObject>(pointer);
}

// --- the six callbacks, as the engine calls them ---------------------------

int ZNTJS_CALL GetValueCallback(JsHostHandle handle, int nameId, int classId, char** text, int* number) {
    if (text) *text = nullptr;
    if (number) *number = 0;
    return liveHost && text && number ? liveHost->GetProperty(handle, nameId, classId, text, number) : 0;
}

JsObject ZNTJS_CALL GetObjectCallback(JsHostHandle handle, int nameId, int classId) {
    return liveHost ? Js<JsObject>(liveHost->GetSubObject(handle, nameId, classId)) : nullptr;
}

const char* ZNTJS_CALL SetValueCallback(JsHostHandle handle, int nameId, int classId, const char* text,
                                        JsHandler handler, int token) {
    return liveHost ? liveHost->SetProperty(handle, nameId, classId, text, Of(handler), token) : nullptr;
}

intptr_t ZNTJS_CALL CallFunctionCallback(JsHostHandle handle, JsHostHandle second, int id, JsObject arguments,
                                         intptr_t* out1, int* out2) {
    intptr_t text = 0;
    int number = 0;
    intptr_t result = liveHost ? liveHost->CallFunction(handle, second, id, Of(arguments), &text, &number) : 0;
    if (out1) *out1 = text;
    if (out2) *out2 = number;
    return result;
}

// Scripts are made on the ordinary heap (pool 0): no pool memory is given.
void* ZNTJS_CALL AllocateCallback(intptr_t, unsigned) {
    return nullptr;
}

// Script errors are dropped without a message.
void ZNTJS_CALL ReportErrorCallback(JsHostHandle, int, const char*) {}

bool ScriptingPreference() {
    return !g_preferences || g_preferences->Get(PrefInt::Scripting) != 0;
}

const char* PreferenceText(PrefText setting) {
    return g_preferences ? g_preferences->Get(setting) : "";
}

// The page document of a document: itself, or the page an HTML document shows.
HtmlPageDocument* PageDocumentOf(Document* document) {
    if (!document) return nullptr;
    if (document->GetKind() == kDocHtmlPage) return static_cast<HtmlPageDocument*>(document);
    if (document->GetKind() == kDocHtml) return static_cast<HtmlDocument*>(document)->Page();
    return nullptr;
}

// The URL by which access is judged: a javascript: or internal page in a
// frame counts as its window's top document.
UrlHandle AccessUrlOf(Document* document) {
    UrlHandle url = document->GetUrl();
    int scheme = url.IsEmpty() ? -1 : url->GetScheme();
    if ((scheme == kSchemeJavascript || scheme == kSchemeInternal) && document->FrameId() >= 0) {
        if (Document* top = document->GetTopDocument()) url = top->GetUrl();
    }
    return url;
}

// Leading decimal digits (after an optional sign) as a number; 0 without.
long LeadingNumber(const std::string& text) {
    return std::strtol(text.c_str(), nullptr, 10);
}

// The FORM of a form field: the nearest enclosing FORM, else the nearest
// FORM before it in document order.
HtmlElement* FormOf(HtmlElement* element) {
    for (HtmlElement* e = element->Parent(); e; e = e->Parent()) {
        if (e->Type() == kTagForm) return e;
    }
    for (TreeNode* n = element->PrevInOrder(true); n; n = n->PrevInOrder(true)) {
        auto* e = static_cast<HtmlElement*>(n);
        if (e->Type() == kTagForm) return e;
    }
    return nullptr;
}

// The host class of a form field's script object; -1 for none.
int FieldClass(const HtmlElement& element) {
    const FormFieldRecord* field = element.GetFormField();
    if (!field) return -1;
    switch (element.Type()) {
        case kTagTextarea:
            return kClassTextarea;
        case kTagSelect:
            return kClassSelect;
        case kTagInput:
            break;
        default:
            return -1;
    }
    switch (field->fieldType) {
        case kFieldText:
            return kClassText;
        case kFieldPassword:
            return kClassPassword;
        case kFieldCheckbox:
            return kClassCheckbox;
        case kFieldSubmit:
            return kClassSubmit;
        case kFieldReset:
            return kClassReset;
        case kFieldHidden:
            return kClassHidden;
        case kFieldButton:
            return kClassButton;
        case kFieldRadio:
            return kClassRadio;
        default:
            return -1;  // image and file fields have no object
    }
}

bool IsElementClass(int classId) {
    return (classId >= kClassForm && classId <= kClassOption && classId != 13) || classId == kClassImage ||
           classId == kClassLink || classId == kClassElementList;
}

}  // namespace

// --- the binding -------------------------------------------------------------

ScriptHost::ScriptHost(const char* library) : library_(library ? library : "ZNTJS32.DLL") {
    liveHost = this;
    SetDefaultPageScriptHost(this);
}

ScriptHost::~ScriptHost() {
    Unload();
    streams_.clear();
    if (DefaultPageScriptHost() == this) SetDefaultPageScriptHost(nullptr);
    if (liveHost == this) liveHost = nullptr;
}

ScriptHost* ScriptHost::Instance() {
    return liveHost;
}

bool ScriptHost::EnsureLoaded() {
    if (module_) return true;
    // The preference off leaves the state untouched: the engine is tried
    // once it is on again. A failed load is final for the run.
    if (failed_ || !ScriptingPreference()) return false;
    if (!LoadEngine()) {
        failed_ = true;
        return false;
    }
    js_.JS_Init(&GetValueCallback, &GetObjectCallback, &SetValueCallback, &CallFunctionCallback,
                &AllocateCallback, &ReportErrorCallback);
    BuildNavigator();
    return true;
}

bool ScriptHost::LoadEngine() {
    ++loadAttempts_;
    HMODULE module = LoadLibraryA(library_.c_str());
    if (!module) return false;
    static const char* const kOrder[17] = {
        "JS_Init",        "JS_Destroy",          "JS_Evaluate",       "JS_AddObjectIdx",
        "JS_GetObjectStringValue", "JS_GetStringValue", "JS_GetObjectHandleValue", "JS_GetObjectByName",
        "JS_LoadEventHandler", "JS_CreateObject", "JS_DeleteObject",   "JS_CreateScript",
        "JS_DeleteScript", "JS_LoadScript",      "JS_CreateEvalContext", "JS_DeleteEvalContext",
        "JS_NewInstance"};
    FARPROC found[17];
    for (int i = 0; i < 17; ++i) {
        found[i] = GetProcAddress(module, kOrder[i]);
        if (!found[i]) {
            FreeLibrary(module);
            return false;
        }
    }
    auto entry = [&](const char* name) {
        for (int i = 0; i < 17; ++i) {
            if (std::strcmp(kOrder[i], name) == 0) return reinterpret_cast<void (*)()>(found[i]);
        }
        return static_cast<void (*)()>(nullptr);
    };
#define ZINTU_ENGINE_BIND(ret, name, args) js_.name = reinterpret_cast<decltype(js_.name)>(entry(#name));
    ZNTJS_EXPORTS(ZINTU_ENGINE_BIND)
#undef ZINTU_ENGINE_BIND
    module_ = module;
    return true;
}

void ScriptHost::BuildNavigator() {
    navigator_ = Of(js_.JS_CreateObject(kClassNavigator, 0, nullptr));
    ScriptWindowServices& windows = ScriptWindows();
    for (int i = 0; navigator_ && windows.MimeTypeAt(i); ++i)
        js_.JS_AddObjectIdx(Js<JsObject>(navigator_), kNameMimeTypes, kClassMimeType, 0, i, nullptr);
    for (int i = 0; navigator_ && windows.PluginAt(i); ++i)
        js_.JS_AddObjectIdx(Js<JsObject>(navigator_), kNamePlugins, kClassPlugin, 0, i, nullptr);
}

int ScriptHost::SetEnabled(bool on) {
    if (!on) {
        Unload();
        return 1;
    }
    return EnsureLoaded() ? 1 : 0;
}

void ScriptHost::ReleaseObjects() {
    // Pages keep engine objects in their records and properties: they forget
    // them, as the engine that made them goes.
    for (auto& [page, objects] : pages_) {
        auto* properties = const_cast<PageProperties*>(page);
        properties->ForgetScriptObjects();
        if (DocumentContent* content = properties->Owner()) {
            for (TreeNode* n = content->Root(); n; n = n->NextInOrder(false)) {
                if (ElementRecord* record = static_cast<HtmlElement*>(n)->Record()) record->ForgetScriptObjects();
            }
        }
        for (auto& [number, list] : objects->formLists) js_.JS_DeleteObject(Js<JsObject>(list));
        if (objects->document) js_.JS_DeleteObject(Js<JsObject>(objects->document));
    }
    pages_.clear();
    for (auto& [handle, window] : windows_) {
        for (ScriptObject o : {window.window, window.location, window.history}) {
            if (o) js_.JS_DeleteObject(Js<JsObject>(o));
        }
    }
    windows_.clear();
    refs_.clear();
    if (navigator_) js_.JS_DeleteObject(Js<JsObject>(navigator_));
    navigator_ = 0;
    if (loading_) js_.JS_DeleteScript(Js<JsScript>(loading_));
    loading_ = 0;
}

void ScriptHost::Unload() {
    if (!module_) return;
    ReleaseObjects();
    js_.JS_Destroy();
    FreeLibrary(module_);
    module_ = nullptr;
    js_ = Entries();
}

bool ScriptHost::IsRunningForWindow(int number) const {
    return nesting_ > 0 && scriptDocument_ && WindowNumberOf(*scriptDocument_) == number;
}

char* ScriptHost::GetWorkBuffer() {
    if (work_) return work_.get();
    for (size_t size = kWorkBufferFirst; size > 0; size = size > 1024 ? size - 1024 : 0) {
        work_.reset(new (std::nothrow) char[size]);
        if (work_) {
            workSize_ = size;
            work_[0] = 0;
            return work_.get();
        }
    }
    workSize_ = 0;
    return nullptr;
}

int ScriptHost::WindowNumberOf(const Document& document) {
    MessageHandler* handler = document.Handler();
    return handler ? ScriptWindows().WindowNumber(handler->Window()) : 0;
}

// --- wrappers ----------------------------------------------------------------

ScriptObject ScriptHost::CreateObject(int classId, intptr_t handle, ScriptObject parent) {
    return EnsureLoaded() ? Of(js_.JS_CreateObject(classId, handle, Js<JsObject>(parent))) : 0;
}

void ScriptHost::DeleteObject(ScriptObject object) {
    if (object && EnsureLoaded()) js_.JS_DeleteObject(Js<JsObject>(object));
}

ScriptObject ScriptHost::NewInstance(ScriptObject object) {
    return object && EnsureLoaded() ? Of(js_.JS_NewInstance(Js<JsObject>(object))) : 0;
}

const char* ScriptHost::GetStringValue(ScriptObject value) {
    return EnsureLoaded() ? js_.JS_GetStringValue(Js<JsObject>(value)) : nullptr;
}

ScriptObject ScriptHost::CreateScript(intptr_t pool) {
    return EnsureLoaded() ? Of(js_.JS_CreateScript(pool)) : 0;
}

void ScriptHost::DeleteScript(ScriptObject script) {
    if (script && EnsureLoaded()) js_.JS_DeleteScript(Js<JsScript>(script));
}

int ScriptHost::LoadScriptText(ScriptObject script, const char** cursor, const char* end, int moreText) {
    if (!EnsureLoaded()) return kScriptResultDone;
    int answer = js_.JS_LoadScript(Js<JsScript>(script), cursor, end, moreText);
    // The engine reports a syntax error as 1000, which to a page's parse
    // means "stop feeding": the host answers the shared code 2000.
    return answer == JS_SYNTAX_ERROR ? kScriptResultSyntaxError : answer;
}

ScriptObject ScriptHost::LoadEventHandler(int kind, const char* text, int length, ScriptObject instance) {
    return EnsureLoaded() ? Of(js_.JS_LoadEventHandler(kind, text, length, Js<JsObject>(instance))) : 0;
}

ScriptObject ScriptHost::CreateEvalContext(ScriptObject scope, ScriptObject script, ScriptObject handler,
                                           ScriptObject thisObject) {
    if (!EnsureLoaded()) return 0;
    return Of(js_.JS_CreateEvalContext(Js<JsObject>(scope), Js<JsScript>(script), Js<JsHandler>(handler),
                                       Js<JsObject>(thisObject)));
}

void ScriptHost::DeleteEvalContext(ScriptObject context) {
    // The context under evaluation is not the caller's to delete.
    if (!context || context == context_ || !EnsureLoaded()) return;
    js_.JS_DeleteEvalContext(Js<JsContext>(context));
}

ScriptObject ScriptHost::AddObjectIdx(ScriptObject parent, int nameId, int classId, int index, intptr_t handle,
                                      ScriptObject object) {
    if (!EnsureLoaded()) return 0;
    return Of(js_.JS_AddObjectIdx(Js<JsObject>(parent), nameId, classId, index, handle, Js<JsObject>(object)));
}

const char* ScriptHost::GetObjectStringValue(ScriptObject object, int index, int mode) {
    return EnsureLoaded() ? js_.JS_GetObjectStringValue(Js<JsObject>(object), index, mode) : nullptr;
}

ScriptObject ScriptHost::GetObjectHandleValue(ScriptObject object, int index, int mode) {
    return EnsureLoaded() ? Of(js_.JS_GetObjectHandleValue(Js<JsObject>(object), index, mode)) : 0;
}

ScriptObject ScriptHost::GetObjectByName(ScriptObject object, const char* name) {
    return EnsureLoaded() ? Of(js_.JS_GetObjectByName(Js<JsObject>(object), name)) : 0;
}

int ScriptHost::Evaluate(ScriptObject context, Document* document, bool* opened, ScriptObject* value) {
    if (opened) *opened = false;
    if (value) *value = 0;
    if (!EnsureLoaded()) return kScriptResultDone;
    // Scripts never nest: an event or a timer that arrives while a script
    // runs (an alert box is open) is refused, and its caller retries.
    if (nesting_ > 0) return kScriptResultBusy;
    context_ = context;
    scriptDocument_ = document;
    openedDocument_ = false;
    ++nesting_;
    JsObject result = nullptr;
    int status = js_.JS_Evaluate(Js<JsContext>(context), &result);
    --nesting_;
    if (status != kScriptResultBusy) EndWriteStream(context);
    work_.reset();
    workSize_ = 0;
    if (opened) *opened = openedDocument_;
    if (value) {
        *value = Of(result);
    } else if (result) {
        js_.JS_DeleteObject(result);
    }
    context_ = 0;
    scriptDocument_ = nullptr;
    return status;
}

// --- a parsed page's scripts ---------------------------------------------------

int ScriptHost::LoadScript(const char*& cursor, const char* end, bool moreText) {
    if (!EnsureLoaded()) {
        cursor = end;
        return kScriptResultDone;
    }
    if (!loading_) loading_ = Of(js_.JS_CreateScript(0));
    if (!loading_) return kScriptResultSyntaxError;
    return LoadScriptText(loading_, &cursor, end, moreText ? 1 : 0);
}

ScriptObject ScriptHost::TakeLoadedScript() {
    ScriptObject script = loading_;
    loading_ = 0;
    return script ? script : 1;
}

void ScriptHost::DropLoadedScript() {
    if (loading_ && module_) js_.JS_DeleteScript(Js<JsScript>(loading_));
    loading_ = 0;
}

ScriptObject ScriptHost::CreateEvalContext(ScriptObject windowObject, ScriptRecord& script) {
    if (script.compiled <= 1) return 0;  // nothing the engine holds
    return CreateEvalContext(windowObject, script.compiled, 0, 0);
}

int ScriptHost::Evaluate(ScriptObject context, DocumentContent& content) {
    if (!context) return kScriptResultNothing;
    return Evaluate(context, content.GetPage()->scriptDocument, nullptr, nullptr);
}

// --- pages and windows -------------------------------------------------------------

ScriptObject ScriptHost::WindowObject(int number, int32_t frameId) {
    if (number <= 0 || !EnsureLoaded()) return 0;
    WindowObjects& window = windows_[WindowScriptHandle(number, frameId)];
    if (!window.window) window.window = Of(js_.JS_CreateObject(kClassWindow, WindowScriptHandle(number, frameId), nullptr));
    return window.window;
}

ScriptObject ScriptHost::CreateElementObject(int classId, HtmlElement* element, Document& document) {
    if (!EnsureLoaded()) return 0;
    return Of(js_.JS_CreateObject(classId, Of(NewRef(element, &document)), nullptr));
}

void ScriptHost::ForgetWindow(int number) {
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (WindowNumberOfHandle(it->first) != number) {
            ++it;
            continue;
        }
        for (ScriptObject o : {it->second.window, it->second.location, it->second.history}) {
            if (o && module_) js_.JS_DeleteObject(Js<JsObject>(o));
        }
        it = windows_.erase(it);
    }
}

PageProperties* ScriptHost::LivePage(intptr_t handle) {
    // A document object may outlive its page (another window's script
    // keeps it): only pages still attached answer.
    auto it = pages_.find(reinterpret_cast<const PageProperties*>(handle));
    return it == pages_.end() ? nullptr : const_cast<PageProperties*>(it->first);
}

ScriptHost::PageObjects* ScriptHost::ObjectsOf(const PageProperties* page) {
    auto it = pages_.find(page);
    return it == pages_.end() ? nullptr : it->second.get();
}

ScriptHost::ElementRef* ScriptHost::NewRef(HtmlElement* element, Document* document) {
    refs_.push_back(std::make_unique<ElementRef>(ElementRef{element, document}));
    return refs_.back().get();
}

void ScriptHost::AttachPage(HtmlPageDocument& document, PageProperties& page) {
    page.scriptDocument = &document;
    if (!page.scriptingOn || page.scriptHost != this) return;
    if (!page.windowObject && EnsureLoaded())
        page.windowObject = WindowObject(WindowNumberOf(document), document.FrameId());
    if (!page.windowObject) {
        // No window for its scripts to run in (no engine, or a document shown
        // outside the windows): the page reads as one without scripts, so its
        // parse never waits for them.
        page.scriptingOn = false;
        return;
    }
    if (page.HasDocumentScriptObject()) return;
    auto objects = std::make_unique<PageObjects>();
    objects->document = Of(js_.JS_CreateObject(kClassDocument, Of(&page), Js<JsObject>(page.windowObject)));
    if (!objects->document) return;
    page.SetDocumentScriptObject(objects->document);
    pages_[&page] = std::move(objects);
    // Elements parsed before the page had its window get their objects now;
    // later ones as the tree builder adds them.
    if (DocumentContent* content = page.Owner()) {
        for (TreeNode* n = content->Root(); n; n = n->NextInOrder(false))
            RegisterOne(*static_cast<HtmlElement*>(n), page, document);
    }
}

void ScriptHost::DetachPage(Document& document, PageProperties* page) {
    for (auto& ref : refs_) {
        if (ref->document == &document) *ref = ElementRef{nullptr, nullptr};
    }
    if (!page || page->scriptDocument != &document) return;
    page->scriptDocument = nullptr;
    auto it = pages_.find(page);
    if (it == pages_.end()) return;
    PageObjects& objects = *it->second;
    page->ForgetScriptObjects();
    if (DocumentContent* content = page->Owner()) {
        for (TreeNode* n = content->Root(); n; n = n->NextInOrder(false)) {
            if (ElementRecord* record = static_cast<HtmlElement*>(n)->Record()) record->SetScriptObject(0);
        }
    }
    if (module_) {
        for (auto& [number, list] : objects.formLists) js_.JS_DeleteObject(Js<JsObject>(list));
        js_.JS_DeleteObject(Js<JsObject>(objects.document));
    }
    pages_.erase(it);
}

void ScriptHost::RegisterElement(HtmlElement& element, PageProperties& page) {
    if (page.scriptDocument && ObjectsOf(&page)) RegisterOne(element, page, *page.scriptDocument);
}

void ScriptHost::RegisterOne(HtmlElement& element, PageProperties& page, Document& document) {
    PageObjects* objects = ObjectsOf(&page);
    ElementRecord* record = element.Record();
    if (!objects || !record || record->GetScriptObject()) return;
    JsObject documentObject = Js<JsObject>(objects->document);
    auto add = [&](JsObject parent, int nameId, int classId, int index) {
        ElementRef* ref = NewRef(&element, &document);
        JsObject made = js_.JS_AddObjectIdx(parent, nameId, classId, index, Of(ref), nullptr);
        record->SetScriptObject(Of(made));
        return made;
    };
    switch (element.Type()) {
        case kTagA:
        case kTagArea: {
            auto* anchor = element.RecordAs<AnchorRecord>();
            auto* area = element.RecordAs<AreaRecord>();
            bool linked = (anchor && anchor->href) || (area && area->href);
            if (linked) add(documentObject, kNameLinks, kClassLink, page.linkCounter++);
            break;
        }
        case kTagImg:
            if (element.RecordAs<ImageRecord>() && element.RecordAs<ImageRecord>()->src)
                add(documentObject, kNameImages, kClassImage, page.imageCounter++);
            break;
        case kTagForm: {
            const FormFieldRecord* form = element.GetFormField();
            if (!form) break;
            add(documentObject, kNameForms, kClassForm, form->formNumber);
            ElementRef* ref = NewRef(&element, &document);
            if (JsObject list = js_.JS_CreateObject(kClassElementList, Of(ref), nullptr))
                objects->formLists[form->formNumber] = Of(list);
            break;
        }
        case kTagOption: {
            HtmlElement* select = element.Parent();
            ElementRecord* selectRecord = select ? select->Record() : nullptr;
            if (selectRecord && selectRecord->GetScriptObject())
                add(Js<JsObject>(selectRecord->GetScriptObject()), kNameOptions, kClassOption,
                    element.GetFormField() ? element.GetFormField()->controlNumber : 0);
            break;
        }
        default: {
            int classId = FieldClass(element);
            const FormFieldRecord* field = element.GetFormField();
            auto list = objects->formLists.find(field ? field->formNumber : 0);
            if (classId < 0 || list == objects->formLists.end()) break;
            add(Js<JsObject>(list->second), kNameElements, classId, field->controlNumber);
            break;
        }
    }
}

// --- the access check ----------------------------------------------------------------

Document* ScriptHost::DocumentOfHandle(intptr_t handle) {
    Document* top = ScriptWindows().CurrentDocument(WindowNumberOfHandle(handle));
    if (!top) return nullptr;
    int32_t frame = FrameIdOfHandle(handle);
    return frame < 0 ? top : top->FindDocumentByFrameId(frame);
}

int ScriptHost::CheckAccess(intptr_t targetHandle, Document* targetDocument) {
    Document* current = scriptDocument_;
    if (!current) return 0;
    int number = WindowNumberOf(*current);
    if (number <= 0 || !ScriptWindows().CurrentDocument(number)) return 0;
    if (!targetDocument && WindowNumberOfHandle(targetHandle) == number &&
        FrameIdOfHandle(targetHandle) == current->FrameId())
        return 1;
    if (!targetDocument) targetDocument = DocumentOfHandle(targetHandle);
    if (!targetDocument) return 0;
    if (targetDocument == current) return 1;
    UrlHandle mine = AccessUrlOf(current);
    UrlHandle theirs = AccessUrlOf(targetDocument);
    if (mine.IsEmpty() || theirs.IsEmpty() || mine->GetScheme() != theirs->GetScheme()) return 0;
    if (mine == theirs) return 1;
    return SameUrlHost(mine.GetName(), theirs.GetName()) ? 1 : 0;
}

// --- the callbacks ---------------------------------------------------------------------

const char* ScriptHost::Keep(const std::string& text) {
    scratch_.assign(text, 0, std::min(text.size(), kMaxScratchText));
    return scratch_.c_str();
}

int ScriptHost::GetFormElementProperty(const ElementRef& ref, int property, std::string& text) {
    HtmlElement* element = ref.element;
    bool valueAsked = property == kNameValue || property == kNameSelectedIndex || property == kNameSelected ||
                      property == kNameChecked;
    std::string value;
    bool haveValue = false;
    if (valueAsked && ref.document) {
        HtmlElement* asked = property == kNameSelected ? element->Parent() : element;
        if (HtmlPageDocument* page = PageDocumentOf(ref.document); page && asked)
            haveValue = page->ControlValue(asked, value);
    }
    if (haveValue) {
        switch (property) {
            case kNameSelectedIndex: {
                long n = LeadingNumber(value);
                text = n < 1 ? "-1" : std::to_string(n - 1);
                return 1;
            }
            case kNameSelected: {
                int position = 0;
                for (HtmlElement* c = element->Parent() ? element->Parent()->FirstChild() : nullptr; c;
                     c = c->NextSibling()) {
                    ++position;
                    if (c == element) break;
                }
                std::string list = "," + value + ",";
                text = list.find("," + std::to_string(position) + ",") != std::string::npos ? "true" : "";
                return 1;
            }
            case kNameChecked:
                text = value.empty() ? "" : "true";
                return 1;
            default:
                text = value;
                return 1;
        }
    }
    long number = 0;
    if (!element->GetScriptProperty(property, text, number)) return 0;
    if (text.empty() && number) text = std::to_string(number);
    return 1;
}

int ScriptHost::GetProperty(intptr_t handle, int property, int classId, char** text, int* number) {
    std::string answer;
    bool given = false;
    long numeric = 0;
    switch (classId) {
        case kClassWindow: {
            if (property != kNameDefault && !CheckAccess(handle, nullptr)) return 0;
            int windowNumber = WindowNumberOfHandle(handle);
            if (!ScriptWindows().CurrentDocument(windowNumber)) return 0;
            if (property == kNameName || property == kNameDefault) {
                answer = ScriptWindows().GetName(windowNumber);
                given = true;
            }
            break;
        }
        case kClassDocument: {
            PageProperties* page = LivePage(handle);
            if (!page || !page->scriptDocument || !CheckAccess(-1, page->scriptDocument)) return 0;
            Document* document = page->scriptDocument;
            if (page->GetColourProperty(property, answer)) {
                given = true;
            } else if (property == kNameTitle) {
                const char* title = document->GetTitle();
                answer = title ? title : "";
                given = true;
            } else if (property == kNameLocation || property == 4 /* URL */) {
                answer = document->GetUrl().IsEmpty() ? "" : PageUrls::FullName(document->GetUrl());
                given = true;
            } else if (property == kNameReferrer) {
                given = true;
            }
            break;
        }
        case kClassImage:
        case kClassLink: {
            auto* ref = reinterpret_cast<ElementRef*>(handle);
            if (!ref || !ref->element || !ref->document || !CheckAccess(-1, ref->document)) return 0;
            given = ref->element->GetScriptProperty(property, answer, numeric) != 0;
            break;
        }
        case kClassLocation: {
            Document* document = DocumentOfHandle(handle);
            if (!document || !CheckAccess(handle, document)) return 0;
            UrlHandle url = document->GetUrl();
            if (url.IsEmpty()) return 0;
            answer = GetUrlPart(PageUrls::FullName(url).c_str(), property == kNameDefault ? 31 : property);
            given = true;
            break;
        }
        case kClassMimeType:
            if (property == kNameName || property == kNameDefault) {
                const char* type = ScriptWindows().MimeTypeAt(static_cast<int>(handle));
                if (type) answer = type, given = true;
            }
            break;
        case kClassNavigator:
            if (property == kNameUserAgent) {
                char agent[4096];
                BuildUserAgent(agent, sizeof agent);
                answer = agent;
                given = true;
            } else if (property == kNameAppVersion) {
                answer = PreferenceText(PrefText::ScriptAppVersion), given = true;
            } else if (property == kNameAppName) {
                answer = PreferenceText(PrefText::ScriptAppName), given = true;
            } else if (property == kNameAppCodeName) {
                answer = PreferenceText(PrefText::ScriptAppCodeName), given = true;
            }
            break;
        default:
            if (!IsElementClass(classId)) return 0;
            {
                auto* ref = reinterpret_cast<ElementRef*>(handle);
                if (!ref || !ref->element || !ref->document || !CheckAccess(-1, ref->document)) return 0;
                given = GetFormElementProperty(*ref, property, answer) != 0;
            }
            break;
    }
    if (IsElementClass(classId) && property == kNameSelectedIndex && given) {
        *number = static_cast<int>(LeadingNumber(answer));
        return 1;
    }
    // A password is never handed to scripts: as many stars as it has characters.
    if (classId == kClassPassword && property == kNameValue && given)
        answer.assign(std::min(answer.size(), kMaxScratchText), '*');
    if (!given) {
        if (!numeric) return 0;
        *number = static_cast<int>(numeric);
        return 1;
    }
    *text = const_cast<char*>(Keep(answer));
    return 1;
}

ScriptObject ScriptHost::GetSubObject(intptr_t handle, int property, int classId) {
    if (classId == kClassWindow) {
        if (property == kNameNavigator) return navigator_;
        int number = WindowNumberOfHandle(handle);
        int32_t frame = FrameIdOfHandle(handle);
        Document* document = DocumentOfHandle(handle);
        if (!document) return 0;
        WindowObjects& objects = windows_[WindowScriptHandle(number, frame)];
        switch (property) {
            case kNameDocument: {
                if (!CheckAccess(handle, document)) return 0;
                PageProperties* page = document->GetPage();
                return page ? page->GetDocumentScriptObject() : 0;
            }
            case kNameLocation:
                if (!objects.location)
                    objects.location = Of(js_.JS_CreateObject(kClassLocation, WindowScriptHandle(number, frame), nullptr));
                return objects.location;
            case kNameHistory:
                if (!objects.history)
                    objects.history = Of(js_.JS_CreateObject(kClassHistory, WindowScriptHandle(number, frame), nullptr));
                return objects.history;
            case kNameTop:
            case kNameParent:
                return WindowObject(number, -1);
            case kNameWindow:
                return WindowObject(number, frame);
            case kNameOpener: {
                int opener = ScriptWindows().Opener(number);
                return opener ? WindowObject(opener, -1) : 0;
            }
            default:
                return 0;
        }
    }
    if (!IsElementClass(classId)) return 0;
    auto* ref = reinterpret_cast<ElementRef*>(handle);
    if (!ref || !ref->element || !ref->document) return 0;
    PageProperties* page = ref->document->GetPage();
    PageObjects* objects = page ? ObjectsOf(page) : nullptr;
    if (!objects) return 0;
    if (classId == kClassForm && property == kNameElements) {
        const FormFieldRecord* form = ref->element->GetFormField();
        auto list = objects->formLists.find(form ? form->formNumber : 0);
        return list == objects->formLists.end() ? 0 : GetObjectByName(list->second, "elements");
    }
    if (classId != kClassForm && property == kNameForm) {
        HtmlElement* form = FormOf(ref->element);
        return form && form->Record() ? form->Record()->GetScriptObject() : 0;
    }
    return 0;
}

const char* ScriptHost::SetProperty(intptr_t handle, int property, int classId, const char* text,
                                    ScriptObject handler, int operatorCode) {
    switch (classId) {
        case kClassWindow: {
            int number = WindowNumberOfHandle(handle);
            if (!text || !ScriptWindows().CurrentDocument(number)) return nullptr;
            if (property == kNameStatus) {
                ScriptWindows().SetStatusText(number, std::string(text).substr(0, 500).c_str());
                return text;
            }
            if (property == kNameName) {
                ScriptWindows().SetName(number, text);
                return text;
            }
            if (property == kNameLocation) {
                Document* target = DocumentOfHandle(handle);
                if (!CheckAccess(handle, target)) return nullptr;
                Document* base = target ? target : scriptDocument_;
                UrlRegistry* urls = UrlRegistry::Instance();
                if (!urls || !base) return nullptr;
                UrlHandle current = base->GetUrl();
                UrlHandle url = urls->Find(&current, text, nullptr, false);
                if (url.IsEmpty()) return nullptr;
                ScriptWindows().OpenUrl(number, FrameIdOfHandle(handle), url, current);
                return text;
            }
            return nullptr;
        }
        case kClassLocation: {
            Document* document = DocumentOfHandle(handle);
            if (!document || !text || !CheckAccess(handle, document)) return nullptr;
            std::string current = PageUrls::FullName(document->GetUrl());
            std::string next = ReplaceUrlPart(current.c_str(), text, property, kWorkBufferFirst);
            size_t lead = next.find_first_not_of(' ');
            next.erase(0, lead == std::string::npos ? next.size() : lead);
            if (next == current) return text;
            UrlRegistry* urls = UrlRegistry::Instance();
            if (!urls) return nullptr;
            UrlHandle base = document->GetUrl();
            UrlHandle url = urls->Find(&base, next.c_str(), nullptr, false);
            if (!url.IsEmpty())
                ScriptWindows().OpenUrl(WindowNumberOfHandle(handle), FrameIdOfHandle(handle), url, base);
            return text;
        }
        case kClassDocument: {
            PageProperties* page = LivePage(handle);
            if (!page || !page->scriptDocument || !text || !CheckAccess(-1, page->scriptDocument)) return nullptr;
            if (property == kNameCookie) {
                UrlHandle url = page->scriptDocument->GetUrl();
                std::string name = PageUrls::FullName(url);
                std::string host = GetUrlPart(name.c_str(), 156);
                std::string path = GetUrlPart(name.c_str(), 150);
                if (UrlRegistry* urls = UrlRegistry::Instance()) urls->Cookies().SetFromHeader(text, host, path);
                return text;
            }
            if (property == kNameBgColor) {
                std::string colour = text;
                if (colour.rfind("0x", 0) == 0) colour.erase(0, 2);
                if (!colour.empty() && colour[0] >= '0' && colour[0] <= '9') {
                    char digits[16];
                    std::snprintf(digits, sizeof digits, "%06lx", std::strtoul(colour.c_str(), nullptr, 10));
                    colour = digits;
                }
                page->SetBackgroundColour(colour.c_str());
                page->scriptDocument->RepaintAll();
                return text;
            }
            return nullptr;
        }
        default:
            break;
    }
    if (!IsElementClass(classId)) return nullptr;
    auto* ref = reinterpret_cast<ElementRef*>(handle);
    if (!ref || !ref->element || !ref->document) return nullptr;
    HtmlPageDocument* page = PageDocumentOf(ref->document);
    if (handler || !text) {
        // An event handler replaced by a script function.
        if (!CheckAccess(-1, ref->document) || !ref->element->Record() || !handler) return nullptr;
        SetEventHandler(*ref->element->Record(), property, handler, *this);
        return nullptr;
    }
    if (property == kNameSrc && classId == kClassImage) {
        auto* image = ref->element->RecordAs<ImageRecord>();
        UrlRegistry* urls = UrlRegistry::Instance();
        if (!image || !urls || !CheckAccess(-1, ref->document)) return nullptr;
        UrlHandle base = ref->document->GetUrl();
        image->src = std::make_unique<UrlHandle>(urls->Find(&base, text, nullptr, false));
        ref->document->LoadElementImage(ref->element);
        return text;
    }
    if (property == kNameValue) {
        if (classId == kClassPassword) return text;  // taken, but a password is never set by scripts
        bool settable = classId == kClassButton || classId == kClassCheckbox || classId == kClassHidden ||
                        classId == kClassRadio || classId == kClassSelect || classId == kClassText ||
                        classId == kClassTextarea || classId == kClassOption;
        if (!settable || !page || !CheckAccess(-1, ref->document)) return nullptr;
        page->SetControlValue(ref->element, text, operatorCode == kAppendOperator, WorkBufferSize());
        return text;
    }
    if (property == kNameChecked && (classId == kClassCheckbox || classId == kClassRadio) && page) {
        bool on = text && std::strcmp(text, "false") != 0;
        page->SetControlValue(ref->element, on ? "true" : "", false, 0);
        return text;
    }
    return nullptr;
}

std::string ScriptHost::Argument(ScriptObject arguments, int index, bool* given) {
    const char* text = arguments ? js_.JS_GetObjectStringValue(Js<JsObject>(arguments), index, 1) : nullptr;
    if (given) *given = text != nullptr;
    return text ? text : "";
}

int ScriptHost::ShowBox(int number, const std::string& message, UINT flags) {
    HWND owner = ScriptWindows().BoxOwner(number);
    int answer = MessageBoxA(owner, message.c_str(), "JavaScript", flags);
    if (owner) SetFocus(owner);
    return answer;
}

intptr_t ScriptHost::CallFunction(intptr_t window, intptr_t second, int id, ScriptObject arguments,
                                  intptr_t* outText, int* outNumber) {
    *outText = 0;
    *outNumber = 0;
    if (id >= kDocumentOpen - 1 && id <= kWriteLine) {
        WriteDocument(window, second, id, arguments);
        return 0;
    }
    int number = WindowNumberOfHandle(window);
    int32_t frame = FrameIdOfHandle(window);
    if (!ScriptWindows().CurrentDocument(number)) return 0;
    Document* document = DocumentOfHandle(second);
    switch (id) {
        case kAlert:
            ShowBox(number, Argument(arguments, 1), kAlertFlags);
            return 0;
        case kConfirm:
            return ShowBox(number, Argument(arguments, 1), kConfirmFlags) == IDOK ? arguments : 0;
        case kPrompt: {
            char* buffer = GetWorkBuffer();
            if (!buffer) return 0;
            std::string answer = Argument(arguments, 2);
            answer.resize(std::min(answer.size(), workSize_ - 1));
            std::memcpy(buffer, answer.c_str(), answer.size() + 1);
            std::string message = Argument(arguments, 1);
            if (AskText(ScriptWindows().BoxOwner(number), message.c_str(), buffer, static_cast<int>(workSize_)) !=
                IDOK)
                return 0;
            *outText = reinterpret_cast<intptr_t>(buffer);
            return 0;
        }
        case kBlur:
            ScriptWindows().FocusNextWindow(number);
            return 0;
        case kFocus:
            if (HWND owner = ScriptWindows().BoxOwner(number)) SetFocus(owner);
            return 0;
        case kClose:
            if (frame < 0 && ScriptWindows().Opener(number)) ScriptWindows().CloseWindow(number);
            return 0;
        case kOpen:
            return OpenWindow(window, arguments);
        case kScroll: {
            bool yGiven = false;
            long x = LeadingNumber(Argument(arguments, 1));
            long y = LeadingNumber(Argument(arguments, 2, &yGiven));
            if (!document || x < 0) return 0;
            document->SetScrollX(x);
            if (yGiven && y >= 0) document->SetScrollY(y);
            document->RepaintAll();
            return 0;
        }
        case kSetTimeout: {
            HtmlPageDocument* page = PageDocumentOf(document);
            if (!page) return 0;
            bool delayGiven = false;
            std::string text = Argument(arguments, 1);
            long delay = LeadingNumber(Argument(arguments, 2, &delayGiven));
            ScriptObject script = CreateScript(0);
            const char* cursor = text.c_str();
            if (!script || LoadScriptText(script, &cursor, text.c_str() + text.size(), 0) != kScriptResultDone) {
                DeleteScript(script);
                return 0;
            }
            *outNumber = static_cast<int>(page->SetScriptTimeout(script, std::max<long>(delay, 10), false));
            return 0;
        }
        case kClearTimeout:
            if (HtmlPageDocument* page = PageDocumentOf(document))
                page->ClearScriptTimeout(static_cast<uint32_t>(LeadingNumber(Argument(arguments, 1))));
            return 0;
        case kReload:
        case kReplace: {
            if (!document) return 0;
            UrlHandle base = document->GetUrl();
            UrlHandle url = base;
            if (id == kReplace) {
                std::string text = Argument(arguments, 1);
                if (text.compare(0, 11, "javascript:") == 0) {
                    if (HtmlPageDocument* page = PageDocumentOf(document)) page->RunScriptUrlText(text.c_str(), 0);
                    return 0;
                }
                UrlRegistry* urls = UrlRegistry::Instance();
                url = urls ? urls->Find(&base, text.c_str(), nullptr, false) : UrlHandle();
            }
            if (!url.IsEmpty()) ScriptWindows().OpenUrl(number, document->FrameId(), url, base);
            return 0;
        }
        case kBack:
            ScriptWindows().MoveInHistory(number, -1);
            return 0;
        case kForward:
            ScriptWindows().MoveInHistory(number, 1);
            return 0;
        case kGo: {
            long steps = LeadingNumber(Argument(arguments, 1));
            if (steps == 0) {
                if (document) ScriptWindows().OpenUrl(number, document->FrameId(), document->GetUrl(), document->GetUrl());
            } else {
                ScriptWindows().MoveInHistory(number, static_cast<int>(steps));
            }
            return 0;
        }
        case kNewImage: {
            HtmlPageDocument* page = PageDocumentOf(document);
            return page ? page->CreateScriptImage(static_cast<int32_t>(LeadingNumber(Argument(arguments, 1))),
                                                  static_cast<int32_t>(LeadingNumber(Argument(arguments, 2))))
                        : 0;
        }
        default:
            return 0;
    }
}

intptr_t ScriptHost::OpenWindow(intptr_t windowHandle, ScriptObject arguments) {
    int opener = WindowNumberOfHandle(windowHandle);
    Document* openerDocument = DocumentOfHandle(windowHandle);
    std::string url = Argument(arguments, 1);
    std::string name = Argument(arguments, 2);
    std::string features = Argument(arguments, 3);
    int target = ScriptWindows().OpenNamedWindow(name.c_str(), opener);
    if (target <= 0) return 0;
    // "width=W,height=H" in the features: names ignoring case, spaces skipped.
    int width = 0, height = 0;
    std::string compact;
    for (char c : features) {
        if (c != ' ') compact += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (auto [key, out] : {std::pair<const char*, int*>{"width=", &width}, {"height=", &height}}) {
        size_t at = compact.find(key);
        if (at != std::string::npos) *out = std::atoi(compact.c_str() + at + std::strlen(key));
    }
    if (width > 0 && height > 0) ScriptWindows().ResizeWindow(target, width, height);
    UrlRegistry* urls = UrlRegistry::Instance();
    if (!url.empty() && urls && openerDocument) {
        UrlHandle base = AccessUrlOf(openerDocument);
        UrlHandle resolved = urls->Find(&base, url.c_str(), nullptr, false);
        if (!resolved.IsEmpty()) ScriptWindows().OpenUrl(target, -1, resolved, base);
    }
    return WindowObject(target, -1);
}

void ScriptHost::WriteDocument(intptr_t document, intptr_t window, int id, ScriptObject arguments) {
    PageProperties* page = LivePage(document);
    if (!page || !page->scriptDocument) return;
    DocumentContent* content = page->Owner();
    // A page still being parsed takes the text at its running script's place.
    if (content && page->pendingScript) {
        if (id == kDocumentClose || id == kDocumentOpen) return;
        UrlHandle url = page->GetDocumentUrl() ? *page->GetDocumentUrl() : UrlHandle();
        for (int i = 1;; ++i) {
            bool given = false;
            std::string text = Argument(arguments, i, &given);
            if (!given) break;
            if (id == kWriteLine) text += '\n';
            content->WriteText(url, text.c_str());
        }
        return;
    }
    auto stream = std::find_if(streams_.begin(), streams_.end(),
                               [&](const WriteStream& s) { return s.context == context_; });
    if (id == kDocumentClose) {
        if (stream != streams_.end()) EndWriteStream(context_);
        return;
    }
    if (stream == streams_.end()) {
        UrlRegistry* urls = UrlRegistry::Instance();
        if (!urls || !context_) return;
        UrlHandle url = urls->NewInternalUrl();
        if (url.IsEmpty()) return;
        url->SetContentType("text/html");  // shown as a page, whatever the viewer table's fallback
        url->SetOrigin(page->scriptDocument->GetUrl());
        url->AddUser(1);
        streams_.push_back({context_, url});
        stream = streams_.end() - 1;
        ScriptWindows().OpenUrl(WindowNumberOfHandle(window), FrameIdOfHandle(window), url,
                                page->scriptDocument->GetUrl());
        openedDocument_ = true;
    }
    UrlHandle url = stream->url;
    for (int i = 1;; ++i) {
        bool given = false;
        std::string text = Argument(arguments, i, &given);
        if (!given) break;
        if (id == kWriteLine) text += '\n';
        url->AppendData(text.data(), static_cast<int32_t>(text.size()));
    }
    url->FlushData(false);
}

void ScriptHost::EndWriteStream(ScriptObject context) {
    auto stream = std::find_if(streams_.begin(), streams_.end(),
                               [&](const WriteStream& s) { return s.context == context; });
    if (stream == streams_.end()) return;
    if (stream->url->GetLoadStatus() == kLoadLoading) stream->url->FlushData(true);
    stream->url->RemoveUser(1);
    streams_.erase(stream);
}
