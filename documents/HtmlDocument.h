// The document a window's history holds for every HTML URL. It owns the
// parsed content of its URL and shows it either as one laid-out page
// (through an HtmlPageDocument) or, when the page is a frame set and frames
// are enabled, as a tree of frames with documents of their own. Most
// document operations pass to the page, to the frame tree or to the active
// frame.
#pragma once
#include <windows.h>

#include <cstdint>

#include "documents/Document.h"
#include "html/DocumentContent.h"

class FrameNode;
class HtmlPageDocument;

class HtmlDocument : public Document {
public:
    HtmlDocument(PaintDevice* device, MessageHandler* handler, const UrlHandle& url, int32_t width, int32_t height,
                 int32_t frameId);
    ~HtmlDocument() override;

    // --- the document's own ---------------------------------------------------
    void DiscardView();
    void ShowView();
    void GoToFragment(const UrlHandle& url);
    // The content is a frame set (so the view must be built anew when
    // frames are shown).
    bool ContentIsFrameSet() const;
    HtmlPageDocument* Page() const { return page_; }
    FrameNode* FrameRoot() const { return frameRoot_; }
    FrameNode* ActiveFrame() const { return activeFrame_; }
    void SetActiveFrame(FrameNode* frame) { activeFrame_ = frame; }
    Document* GetActiveFrameDocument();
    // The next frame (the previous one when backwards) of this frame set in
    // tree order becomes the active one, from the last to the first and
    // round again; the first one when none was. Null without frames.
    FrameNode* CycleActiveFrame(bool backwards);
    FrameNode* FindFrameByWindow(HWND window);
    // After the URL with the id arrived: makes the documents of the frames
    // waiting for it, at any depth.
    void LoadFrameUrl(uint32_t urlId);
    // The frame that shows this document when it is in a frame, else null.
    void SetContainerFrame(FrameNode* frame) { containerFrame_ = frame; }
    FrameNode* ContainerFrame() const { return containerFrame_; }
    // The HTML document whose frame shows this one, or null.
    HtmlDocument* EnclosingDocument() const;
    // The window's top HTML document (this one outside frames).
    HtmlDocument* TopHtmlDocument();
    int32_t NextFrameId() { return nextFrameId_++; }
    // Listens for the arrival of a URL a frame waits for.
    void WatchFrameUrl(uint32_t urlId);
    int32_t HistoryIndex() const { return historyIndex_; }
    const DocumentContentHandle& Content() const { return content_; }

    // --- document operations ------------------------------------------------
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override;
    void ResetToUrl(const UrlHandle& url, int32_t width, int32_t height) override;
    uint8_t GetKind() const override { return kDocHtml; }
    uint8_t Paint(const RECT& rect) override;
    void ReleaseLayout() override;
    void DiscardLayoutState() override;
    uint8_t PreparePrint(PaintDevice* printer, int32_t firstPage, int32_t selectionOnly) override;
    uint8_t PrintPage(PaintDevice* printer, int32_t selectionOnly, int32_t spare) override;
    uint8_t FormatToDevice(PaintDevice* device) override;
    void SetScrollX(int32_t value) override;
    void SetScrollY(int32_t value) override;
    int32_t SetSize(int32_t width, int32_t height, bool notify, bool quiet) override;
    int32_t GetContentWidth() override;
    int32_t GetContentHeight() override;
    const char* DescribePoint(int32_t x, int32_t y, HtmlElement** element, const char** fragment,
                              int32_t* ismap) override;
    UrlHandle ActivateAtPoint(int32_t x, int32_t y, LinkHit* hit) override;
    int32_t MoveLinkFocus(bool forward, RECT* focus) override;
    UrlHandle GetFrameUrlForId(int32_t id) override;
    const char* GetTitle() override;
    uint8_t GetCursorKind(int32_t x, int32_t y) override;
    HtmlElement* ElementAtPoint(int32_t x, int32_t y) override;
    // A press of a submit button or an image button of the page.
    FormSubmission* SubmitAtPoint(int32_t x, int32_t y, HtmlElement* element) override;
    int ReleaseData() override;
    void Stop(int32_t flag) override;
    int32_t ReloadImages(int32_t flag) override;
    int32_t LoadInlineObjects() override;
    void SelectAll() override;
    void ClearSelection() override;
    void BeginSelection(int32_t x, int32_t y) override;
    void ExtendSelection(int32_t x, int32_t y) override;
    int32_t GetSelectionSize() override;
    int32_t CopySelection(char* buffer, int32_t size) override;
    int32_t FindText(const char* text, int32_t length, bool forward, bool caseSensitive, bool wholeWord,
                     bool continueSearch, RECT* found) override;
    UrlHandle ActivateFocused(LinkHit* hit) override;
    UrlHandle SelectAdjacentLink(bool forward, RECT* focus, LinkHit* hit) override;
    UrlHandle GetUrlOfFrame(int32_t frameId) override;
    int32_t IsFormatted() override;
    int32_t NeedsNewFormat() override;
    int Start(int32_t reload, int32_t a, int32_t startArg) override;
    int32_t NeedsReload(bool check) override;
    int32_t ImagesChanged(int32_t a) override;
    int32_t IsComplete() override;
    int32_t GetPendingCount() override;
    int32_t SetActive(bool on) override;
    int ApplyImageMode(int mode) override;
    void MarkForNewFormat() override;
    void RepaintAll() override;
    void RedrawUrl(const UrlHandle& url) override;
    int32_t ShowsUrlId(uint32_t id, bool check) override;
    void ShowFrameUrl(int32_t frameId, int32_t a) override;
    void OnUrlLoaded(uint32_t urlId) override;
    void UpdateFrameScrollBars(int32_t frameId) override;
    int32_t HitFrameBorder(int32_t x, int32_t y) override;
    void BeginBorderDrag(int32_t x, int32_t y) override;
    void MoveBorderDrag(int32_t x, int32_t y) override;
    void EndBorderDrag(int32_t x, int32_t y) override;
    int32_t CanGoBackInside() override;
    int32_t CanGoForwardInside() override;
    int GoBackInside() override;
    int GoForwardInside() override;
    Document* FindDocumentByFrameId(int32_t id) override;
    int32_t HasFrames() override { return frameRoot_ ? 1 : 0; }
    int32_t GetFormatPosition() override;
    void StartClientPull(int32_t frameId) override;
    UrlHandle GetBackgroundImageUrl() override;
    void NotifyUrlChanged(const UrlHandle& url) override;
    void ResolveTarget(char* target, int32_t* frameId) override;
    void SetFrameAwaitedUrl(int32_t frameId, const UrlHandle& url) override;
    PageProperties* GetPage() override;
    int32_t GetDocumentProperty(int code, const char** outText, int32_t* outNumber) override;
    void OnLoadStepDone() override;
    UrlHandle GetUrlIfId(uint32_t id, bool check) override;
    int32_t LoadUrlIntoFrameById(int32_t frameId, const UrlHandle& url) override;
    void SetFrameSecondUrl(int32_t frameId, const UrlHandle& url) override;
    // Scripts: events of a plain page go to it (a frame set's frames take
    // their own from their views); a javascript: URL runs in the active
    // frame's page; stopping reaches every frame.
    int32_t FireEvent(int code, int32_t a, int32_t b, int32_t c, int32_t d) override;
    void StopScripts() override;
    int32_t RunScriptUrl(const UrlHandle& url, int32_t a, int32_t b) override;

private:
    int Build(int32_t reload, int32_t startArg);
    // The frame after the border at a window point (zoom applied), or null.
    FrameNode* FindBorder(int32_t x, int32_t y);
    void DrawDragBar();
    // The document that takes the page operations: the active frame's, or
    // the page.
    Document* Active();
    // Each frame's current document in tree order, at the top level of this
    // tree (nested frame sets are reached through their documents).
    template <typename F>
    void ForEachFrameDocument(F f);

    DocumentContentHandle content_;
    int32_t nextFrameId_ = 1;
    FrameNode* frameRoot_ = nullptr;
    FrameNode* activeFrame_ = nullptr;
    HtmlPageDocument* page_ = nullptr;
    int32_t startArg_ = 0;
    int32_t historyIndex_ = 0;
    int32_t savedPosition_ = -1;
    bool loadPending_ = false;
    FrameNode* containerFrame_ = nullptr;
    FrameNode* dragNode_ = nullptr;
    int32_t dragPosition_ = 0;  // absolute, along the frame set
};
