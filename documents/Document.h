// The base of everything a document window, or one frame of a frame set,
// can show. Every document class answers the same table of virtual
// operations in one fixed order; the window code, the history, the frame
// tree and the script and layout code call documents only through them, so
// each class overrides what it shows and the base answers the rest.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/MemoryClients.h"
#include "core/MessageCallback.h"
#include "net/UrlHandle.h"

class MessageHandler;
class PaintDevice;
class HtmlElement;
class PageProperties;

// Document kinds (GetKind).
enum DocumentKind : uint8_t {
    kDocPlain = 0,
    kDocHtmlPage = 1,
    kDocNewsList = 2,
    kDocNewsGroup = 3,
    kDocNewsArticle = 4,
    kDocMedia = 5,
    kDocHtml = 6,
    kDocPlugin = 7,
    kDocDownloadList = 8,
};

// Answers of Start and ApplyImageMode.
enum StartResult : int {
    kStartShown = 9,
    kStartWaiting = 10,
    kStartRelayout = 12,
    kStartNothing = 14,
};

// What a click on a page answers besides the URL.
struct LinkHit {
    bool submit = false;
    char target[128] = {};      // the link's target name, empty for none
    int32_t targetFrame = -1;   // resolved frame id (-1 top, -2 new window)
    intptr_t clickHandler = 0;
    HtmlElement* element = nullptr;
    const char* fragment = nullptr;  // the link's "#" part, kept apart from its URL
};

class Document;

// The request a document answers from SubmitAtPoint (layout/FormSubmission.h).
class FormSubmission;

class Document : public MessageCallback, public ReleasableDocument {
public:
    Document(PaintDevice* device, MessageHandler* handler, const UrlHandle& url, int32_t width, int32_t height,
             int32_t frameId);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // --- non-virtual ------------------------------------------------------
    UrlHandle GetUrl() const { return url_; }
    // Lets the window's device refresh (when asked) and take the window's
    // client rectangle again.
    void RelayoutWindow(bool refresh);
    // The current document of the window that shows this one (itself for a
    // window's top document, or when the window has none).
    Document* GetTopDocument();
    MessageHandler* Handler() const { return handler_; }
    PaintDevice* Device() const { return device_; }
    void SetDevice(PaintDevice* device) { device_ = device; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t ScrollX() const { return scrollX_; }
    int32_t ScrollY() const { return scrollY_; }
    bool IsActive() const { return active_ != 0; }
    int32_t FrameId() const { return frameId_; }
    uint8_t Scrolling() const { return scrolling_; }
    void SetScrolling(uint8_t mode) { scrolling_ = mode; }
    uint8_t SecurityLevel() const { return securityLevel_; }
    int32_t UseCount() const { return useCount_; }
    void AddUse() { ++useCount_; }
    void DropUse() { --useCount_; }
    // The handle of the window the device paints into, or null.
    HWND DeviceWindow() const;

    // --- virtual operations, in their order --------------------------------
    // 0 (MessageCallback): message callback.
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override {}
    // 1: deleting destructor.
    virtual ~Document();
    virtual void ResetToUrl(const UrlHandle& url, int32_t width, int32_t height) {}
    virtual uint8_t GetKind() const { return kDocPlain; }
    virtual uint8_t Paint(const RECT& rect) { return 2; }
    virtual void ReleaseLayout() {}
    virtual void DiscardLayoutState() {}
    virtual uint8_t GetPrintSupport() { return 3; }
    virtual uint8_t PreparePrint(PaintDevice* printer, int32_t firstPage, int32_t selectionOnly) { return 5; }
    virtual uint8_t PrintPage(PaintDevice* printer, int32_t selectionOnly, int32_t spare) { return 5; }
    virtual uint8_t FormatToDevice(PaintDevice* device) { return 5; }
    virtual void SetScrollX(int32_t value) { scrollX_ = value; }
    virtual void SetScrollY(int32_t value) { scrollY_ = value; }
    virtual int32_t SetSize(int32_t width, int32_t height, bool notify, bool quiet);
    virtual int32_t GetContentWidth() { return 0; }
    virtual int32_t GetContentHeight() { return 0; }
    virtual const char* DescribePoint(int32_t x, int32_t y, HtmlElement** element, const char** fragment,
                                      int32_t* ismap) {
        return nullptr;
    }
    virtual UrlHandle ActivateAtPoint(int32_t x, int32_t y, LinkHit* hit) { return UrlHandle(); }
    virtual UrlHandle GetFrameUrlForId(int32_t id) { return UrlHandle(); }
    virtual const char* GetTitle() { return nullptr; }
    virtual uint8_t GetCursorKind(int32_t x, int32_t y) { return 0; }
    virtual FormSubmission* SubmitAtPoint(int32_t x, int32_t y, HtmlElement* element) { return nullptr; }
    // 22 to 28: the news views' own (their classes give them meaning).
    virtual int32_t NewsExpandAt(int32_t x, int32_t y) { return 0; }
    virtual int32_t NewsExpandSelected() { return 0; }
    virtual int32_t NewsCollapseAt(int32_t x, int32_t y) { return 0; }
    virtual int32_t NewsCollapseSelected() { return 0; }
    virtual int32_t NewsIsSelectedExpanded() { return 0; }
    virtual void NewsPressItemAt(int32_t x, int32_t y) {}
    virtual void NewsSelectListItem(int32_t y, int32_t first, int32_t second) {}
    virtual HtmlElement* ElementAtPoint(int32_t x, int32_t y) { return nullptr; }
    // 30: see ReleasableDocument.
    int ReleaseData() override { return 1; }
    virtual void Stop(int32_t flag) {}
    virtual int32_t ReloadImages(int32_t flag) { return 0; }
    virtual int32_t LoadInlineObjects() { return 0; }
    virtual int32_t LoadImageUrl(UrlHandle url) { return 0; }
    virtual int32_t LoadElementImage(HtmlElement* element) { return 0; }
    virtual int32_t ImageQuery(int32_t a) { return 0; }
    virtual void SelectAll() {}
    virtual void ClearSelection() {}
    virtual void BeginSelection(int32_t x, int32_t y) {}
    virtual void ExtendSelection(int32_t x, int32_t y) {}
    virtual int32_t GetSelectionSize() { return 0; }
    virtual int32_t CopySelection(char* buffer, int32_t size) { return 0; }
    // Outputs are the match's rectangle in document coordinates.
    virtual int32_t FindText(const char* text, int32_t length, bool forward, bool caseSensitive, bool wholeWord,
                             bool continueSearch, RECT* found) {
        return 0;
    }
    virtual int32_t FocusElement(int32_t x, int32_t y) { return 0; }
    virtual int32_t MoveFormFocus(bool forward, RECT* focus, int32_t mode) { return 0; }
    virtual int32_t MoveLinkFocus(bool forward, RECT* focus) { return 0; }
    virtual UrlHandle ActivateFocused(LinkHit* hit) { return UrlHandle(); }
    // The keyboard's own link moves (fields are passed over): marks the next
    // (previous) link and answers its URL, its rectangle in focus and its
    // element, target and fragment in hit; empty when the page has none.
    virtual UrlHandle SelectAdjacentLink(bool forward, RECT* focus, LinkHit* hit) { return UrlHandle(); }
    virtual uint8_t NewsViewFlag() { return 0; }
    virtual UrlHandle GetUrlOfFrame(int32_t frameId) { return UrlHandle(); }
    virtual int32_t IsFormatted() { return 0; }
    virtual int32_t NeedsNewFormat() { return 0; }
    virtual int Start(int32_t reload, int32_t a, int32_t startArg) { return kStartShown; }
    virtual int32_t NeedsReload(bool check);
    virtual int32_t ImagesChanged(int32_t a) { return 0; }
    virtual int32_t IsComplete() { return 0; }
    virtual int32_t GetPendingCount() { return 0; }
    virtual int32_t SetActive(bool on);
    virtual int ApplyImageMode(int mode) { return kStartNothing; }
    virtual void MarkForNewFormat() {}
    virtual int32_t FirstLinkTextLength() { return 0; }
    virtual UrlHandle FindLinkUrlByText(const char* name) { return UrlHandle(); }
    virtual void RepaintAll();
    virtual void RedrawUrl(const UrlHandle& url) {}
    virtual int32_t ShowsUrlId(uint32_t id, bool check);
    // 65 to 67: the frame set's (HtmlDocument).
    virtual void ShowFrameUrl(int32_t frameId, int32_t a) {}
    virtual void OnUrlLoaded(uint32_t urlId) {}
    virtual void UpdateFrameScrollBars(int32_t frameId) {}
    virtual int32_t HitFrameBorder(int32_t x, int32_t y) { return 0; }
    virtual void BeginBorderDrag(int32_t x, int32_t y) {}
    virtual void MoveBorderDrag(int32_t x, int32_t y) {}
    virtual void EndBorderDrag(int32_t x, int32_t y) {}
    virtual int32_t SpareHook(int32_t a, int32_t b, int32_t c, int32_t d) { return 0; }
    virtual int32_t CanGoBackInside() { return 0; }
    virtual int32_t CanGoForwardInside() { return 0; }
    virtual int GoBackInside() { return 106; }
    virtual int GoForwardInside() { return 106; }
    virtual Document* FindDocumentByFrameId(int32_t id) { return id == frameId_ ? this : nullptr; }
    virtual int32_t HasFrames() { return 0; }
    virtual int32_t SpareQuery() { return 0; }
    virtual int32_t GetFormatPosition() { return 0; }
    virtual void StartClientPull(int32_t frameId) {}
    virtual void PagePointAction(int32_t x, int32_t y) {}
    virtual UrlHandle GetBackgroundImageUrl() { return UrlHandle(); }
    virtual void NotifyUrlChanged(const UrlHandle& url) {}
    // target: in, the link's target name (cleared when it named a frame or a
    // keyword); frameId: out, the frame to load into.
    virtual void ResolveTarget(char* target, int32_t* frameId) {}
    virtual void SetFrameAwaitedUrl(int32_t frameId, const UrlHandle& url) {}
    virtual int32_t FocusElementControl(HtmlElement* element) { return 0; }
    virtual int32_t GetScriptObjectOfFrame(int32_t frameId) { return 0; }
    virtual int32_t GetScriptObject(int32_t classId, int32_t a) { return 0; }
    virtual int32_t RunScript(const char* text, int32_t a, int32_t b) { return 0; }
    virtual int32_t ScriptQuery(int32_t a) { return 0; }
    virtual int32_t FireEvent(int code, int32_t a, int32_t b, int32_t c, int32_t d) { return 1; }
    virtual PageProperties* GetPage() { return nullptr; }
    virtual void StopScripts() {}
    virtual int32_t RunScriptUrl(const UrlHandle& url, int32_t a, int32_t b) { return 0; }
    virtual int32_t GetDocumentProperty(int code, const char** outText, int32_t* outNumber);
    virtual void OnLoadStepDone() {}
    virtual int32_t ScriptContentQuery(int32_t a, int32_t b) { return 0; }
    virtual UrlHandle GetUrlIfId(uint32_t id, bool check);
    virtual int32_t LoadUrlIntoFrameById(int32_t frameId, const UrlHandle& url) { return 0; }
    virtual void SetFrameSecondUrl(int32_t frameId, const UrlHandle& url) {}

protected:
    // The load status of the URL, following redirects.
    int UrlStatus() const;

    MessageHandler* handler_;
    PaintDevice* device_;
    int32_t width_;
    int32_t height_;
    int32_t scrollX_ = 0;
    int32_t scrollY_ = 0;
    int32_t active_ = 0;
    int32_t useCount_ = 0;
    uint8_t scrolling_ = 2;
    int32_t frameId_;
    uint8_t securityLevel_;
    UrlHandle url_;
    int32_t checkReload_ = 1;
};

// An inline media file (video, sound) shown alone: played through the
// window once its file is loaded.
class MediaDocument : public Document {
public:
    using Document::Document;
    ~MediaDocument() override;
    uint8_t GetKind() const override { return kDocMedia; }
    int Start(int32_t reload, int32_t a, int32_t startArg) override;
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override;
    bool Started() const { return started_ != 0; }

private:
    // Plays the file when its data lies in a local file; true when it did.
    bool PlayWhenLoaded();
    int32_t started_ = 0;
};
