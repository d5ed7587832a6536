// The program's side of the script engine library ZNTJS32: one global
// object that loads the library by name on first use (while the SCRIPTING
// preference is on), resolves its 17 exports, hands it the six host
// callbacks and wraps every engine call, so that the rest of the program can
// call it whether or not the engine is there (without it, objects are 0 and
// loads and runs answer 1111, so pages load as if their scripts had run).
//
// Evaluations never nest: one started while another runs (an event or a
// timer arriving while an alert box is open) answers 1234, and its caller
// retries later. The engine itself answers 1234 too when a script used up
// its step budget; the caller then runs it again later, so a script that
// loops for ever never stops the window.
//
// The callbacks answer for windows (by number, through ScriptWindowServices),
// pages (their PageProperties), form elements, images, links, locations and
// the navigator; a script may read or change another window only when both
// pages come from the same server (CheckAccess).
#pragma once
#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "html/PageScriptHost.h"
#include "net/UrlHandle.h"
#include "script/ZntJs.h"

class Document;
class HtmlElement;
class HtmlPageDocument;
class PageProperties;

// Result codes shared with the engine.
enum ScriptResult : int {
    kScriptResultDone = 1111,
    kScriptResultBusy = 1234,
    kScriptResultSyntaxError = 2000,
    kScriptResultNothing = 5555,
    kScriptResultTrue = 7777,
    kScriptResultFalse = 9000,
    kScriptResultNoBoolean = 1789,
};

// The host handle of a window object: the window number in the low 16 bits,
// the frame id (-1 for the window itself) in the high 16.
inline intptr_t WindowScriptHandle(int number, int32_t frameId) {
    return static_cast<intptr_t>(static_cast<uint32_t>(number & 0xFFFF) |
                                 (static_cast<uint32_t>(frameId & 0xFFFF) << 16));
}
inline int WindowNumberOfHandle(intptr_t handle) {
    return static_cast<int>(handle & 0xFFFF);
}
inline int32_t FrameIdOfHandle(intptr_t handle) {
    return static_cast<int16_t>((handle >> 16) & 0xFFFF);
}

class ScriptHost : public PageScriptHost {
public:
    // library: the name LoadLibraryA is given ("ZNTJS32.DLL" in the program).
    explicit ScriptHost(const char* library = "ZNTJS32.DLL");
    ~ScriptHost() override;
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;
    // The live host, or null.
    static ScriptHost* Instance();

    // --- the binding ----------------------------------------------------------
    // True when the engine is usable; loads it on the first call while the
    // SCRIPTING preference is on. A library that cannot be loaded or lacks
    // an export is never tried again in this run.
    bool EnsureLoaded();
    // Off unloads the engine (1); on answers EnsureLoaded.
    int SetEnabled(bool on);
    void Unload();
    bool IsLoaded() const { return module_ != nullptr; }
    // How often the library was asked for (tests: a failed one is not again).
    int LoadAttempts() const { return loadAttempts_; }
    // An evaluation runs for a script of that window.
    bool IsRunningForWindow(int number) const;
    bool IsEvaluating() const { return nesting_ > 0; }
    Document* CurrentScriptDocument() const { return scriptDocument_; }
    // The scratch buffer for texts handed to the engine: 65535 bytes, less
    // while memory is short; null when none could be had. Freed at the end of
    // every evaluation.
    char* GetWorkBuffer();
    size_t WorkBufferSize() const { return workSize_; }

    // --- wrappers of the exports (neutral answers without the engine) --------
    ScriptObject CreateObject(int classId, intptr_t handle, ScriptObject parent);
    void DeleteObject(ScriptObject object) override;
    ScriptObject NewInstance(ScriptObject object) override;
    const char* GetStringValue(ScriptObject value);
    ScriptObject CreateScript(intptr_t pool);
    void DeleteScript(ScriptObject script);
    int LoadScriptText(ScriptObject script, const char** cursor, const char* end, int moreText);
    ScriptObject LoadEventHandler(int kind, const char* text, int length, ScriptObject instance) override;
    ScriptObject CreateEvalContext(ScriptObject scope, ScriptObject script, ScriptObject handler,
                                   ScriptObject thisObject);
    void DeleteEvalContext(ScriptObject context) override;
    ScriptObject AddObjectIdx(ScriptObject parent, int nameId, int classId, int index, intptr_t handle,
                              ScriptObject object);
    const char* GetObjectStringValue(ScriptObject object, int index, int mode);
    ScriptObject GetObjectHandleValue(ScriptObject object, int index, int mode);
    ScriptObject GetObjectByName(ScriptObject object, const char* name);
    // Runs a context for document; opened: a script write opened a new
    // document; value: the script's result, the caller's to release.
    int Evaluate(ScriptObject context, Document* document, bool* opened, ScriptObject* value);

    // --- a parsed page's scripts (PageScriptHost) ------------------------------
    bool Available() override { return EnsureLoaded(); }
    int LoadScript(const char*& cursor, const char* end, bool moreText) override;
    ScriptObject TakeLoadedScript() override;
    void DropLoadedScript() override;
    ScriptObject CreateEvalContext(ScriptObject windowObject, ScriptRecord& script) override;
    int Evaluate(ScriptObject context, DocumentContent& content) override;
    void RegisterElement(HtmlElement& element, PageProperties& page) override;

    // --- pages and windows -------------------------------------------------------
    // A page document is shown: its page gets the window object of its window
    // and frame and a document object, and its elements their objects.
    void AttachPage(HtmlPageDocument& document, PageProperties& page);
    // The page document goes: element objects stop answering, the page's
    // objects are released.
    void DetachPage(Document& document, PageProperties* page);
    // The engine object of a window or frame (made on first use), 0 without
    // the engine.
    ScriptObject WindowObject(int number, int32_t frameId);
    // An object of classId for an element outside the page's tree (an image
    // a script made); 0 without the engine.
    ScriptObject CreateElementObject(int classId, HtmlElement* element, Document& document);
    // A window closed: its objects are released.
    void ForgetWindow(int number);
    // The window number of a document, 0 when it is in no window.
    static int WindowNumberOf(const Document& document);

    // --- the callbacks ------------------------------------------------------------
    int GetProperty(intptr_t handle, int property, int classId, char** text, int* number);
    ScriptObject GetSubObject(intptr_t handle, int property, int classId);
    const char* SetProperty(intptr_t handle, int property, int classId, const char* text, ScriptObject handler,
                            int operatorCode);
    intptr_t CallFunction(intptr_t window, intptr_t second, int id, ScriptObject arguments, intptr_t* outText,
                          int* outNumber);
    // 1 when the running script may reach the target: the window (and frame)
    // of the handle, or targetDocument when given.
    int CheckAccess(intptr_t targetHandle, Document* targetDocument);

private:
    struct Entries {
#define ZINTU_ENGINE_ENTRY(ret, name, args) ret(ZNTJS_CALL* name) args = nullptr;
        ZNTJS_EXPORTS(ZINTU_ENGINE_ENTRY)
#undef ZINTU_ENGINE_ENTRY
    };
    // The element and the document that shows it: the host handle of an
    // element's script object. Kept until the engine is unloaded, as script
    // objects may outlive the page; a page that goes clears its entries.
    struct ElementRef {
        HtmlElement* element;
        Document* document;
    };
    struct WindowObjects {
        ScriptObject window = 0, location = 0, history = 0;
    };
    // What a page holds in the engine besides its elements' objects.
    struct PageObjects {
        ScriptObject document = 0;
        std::map<int, ScriptObject> formLists;  // form number -> its element list
        std::deque<ElementRef*> refs;
    };

    bool LoadEngine();
    void BuildNavigator();
    void ReleaseObjects();
    ElementRef* NewRef(HtmlElement* element, Document* document);
    PageObjects* ObjectsOf(const PageProperties* page);
    PageProperties* LivePage(intptr_t documentHandle);
    void RegisterTree(HtmlElement* root, PageProperties& page, Document& document);
    void RegisterOne(HtmlElement& element, PageProperties& page, Document& document);
    // Helpers of the callbacks.
    Document* DocumentOfHandle(intptr_t handle);
    int GetFormElementProperty(const ElementRef& ref, int property, std::string& text);
    const char* Keep(const std::string& text);
    std::string Argument(ScriptObject arguments, int index, bool* given = nullptr);
    intptr_t OpenWindow(intptr_t windowHandle, ScriptObject arguments);
    void WriteDocument(intptr_t document, intptr_t window, int id, ScriptObject arguments);
    void EndWriteStream(ScriptObject context);
    int ShowBox(int number, const std::string& message, UINT flags);

    std::string library_;
    HMODULE module_ = nullptr;
    bool failed_ = false;  // loading failed: never again in this run
    int loadAttempts_ = 0;
    Entries js_;
    ScriptObject navigator_ = 0;
    ScriptObject context_ = 0;
    Document* scriptDocument_ = nullptr;
    int nesting_ = 0;
    std::unique_ptr<char[]> work_;
    size_t workSize_ = 0;
    bool openedDocument_ = false;
    ScriptObject loading_ = 0;  // the script LoadScript fills
    std::map<intptr_t, WindowObjects> windows_;
    std::map<const PageProperties*, std::unique_ptr<PageObjects>> pages_;
    std::deque<std::unique_ptr<ElementRef>> refs_;
    // Streams that scripts write new documents into, by evaluation context.
    struct WriteStream {
        ScriptObject context;
        UrlHandle url;
    };
    std::deque<WriteStream> streams_;
    std::string scratch_;
};
