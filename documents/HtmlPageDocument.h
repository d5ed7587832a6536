// One laid-out HTML page (or one image shown as a page) in a window or in
// one frame of a frame set. It listens to the URL loader for its own URL and
// for every URL the page refers to, formats the shared content step by step
// (each step a posted message apart, so that input and painting go on),
// repaints as formatting advances, starts the referenced loads, counts
// them, and tells its window when the page is finished.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ListNode.h"
#include "documents/Document.h"
#include "html/DocumentContent.h"
#include "html/ElementRecords.h"
#include "layout/FormControl.h"

class HtmlDocument;
class HandlerImageWindow;
class PageImages;
class PageLayout;
class LayoutElement;
class TextFragment;
class ElementScriptBinding;
class PagePrintJob;

class HtmlPageDocument : public Document {
public:
    HtmlPageDocument(HtmlDocument* owner, PaintDevice* device, MessageHandler* handler, const UrlHandle& url,
                     int32_t width, int32_t height, int32_t frameId);
    ~HtmlPageDocument() override;

    // --- document operations -----------------------------------------------
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override;
    uint8_t GetKind() const override { return kDocHtmlPage; }
    uint8_t Paint(const RECT& rect) override;
    void ReleaseLayout() override;
    void DiscardLayoutState() override;
    // Printing, a page at a time (the printer is a PagedDevice): prepare
    // answers 3 and posts kMsgPrintReady when there is something to print,
    // each PrintPage prints one page, answers 3 and posts kMsgPrintPageDone
    // or, after the last, kMsgPrintLastPage; then (or without a prepared
    // print for that printer) 5.
    uint8_t PreparePrint(PaintDevice* printer, int32_t firstPage, int32_t selectionOnly) override;
    uint8_t PrintPage(PaintDevice* printer, int32_t selectionOnly, int32_t spare) override;
    // On a paged device (a text file) the page is written out page by page.
    uint8_t FormatToDevice(PaintDevice* device) override;
    int32_t SetSize(int32_t width, int32_t height, bool notify, bool quiet) override;
    int32_t GetContentWidth() override;
    int32_t GetContentHeight() override;
    const char* DescribePoint(int32_t x, int32_t y, HtmlElement** element, const char** fragment,
                              int32_t* ismap) override;
    UrlHandle ActivateAtPoint(int32_t x, int32_t y, LinkHit* hit) override;
    // Tab and Shift+Tab: the next (previous) link or field of the page in
    // document order, after the field that has the keyboard or the link
    // that has the page's focus; a field takes the keyboard, a link is
    // marked. focus: its rectangle in document coordinates.
    int32_t MoveLinkFocus(bool forward, RECT* focus) override;
    UrlHandle SelectAdjacentLink(bool forward, RECT* focus, LinkHit* hit) override;
    // The marked link as a click on it would follow it (a place of this
    // very page is scrolled to).
    UrlHandle ActivateFocused(LinkHit* hit) override;
    HtmlElement* FocusedLink() const { return focusLink_; }
    const char* GetTitle() override;
    uint8_t GetCursorKind(int32_t x, int32_t y) override;
    HtmlElement* ElementAtPoint(int32_t x, int32_t y) override;
    // The submission of the control at the point (or of the element): the
    // caller owns it and submits it with SubmitForm.
    FormSubmission* SubmitAtPoint(int32_t x, int32_t y, HtmlElement* element) override;
    int ReleaseData() override;
    void Stop(int32_t flag) override;
    int32_t LoadInlineObjects() override;
    void SelectAll() override;
    void ClearSelection() override;
    void BeginSelection(int32_t x, int32_t y) override;
    void ExtendSelection(int32_t x, int32_t y) override;
    int32_t GetSelectionSize() override;
    int32_t CopySelection(char* buffer, int32_t size) override;
    int32_t FindText(const char* text, int32_t length, bool forward, bool caseSensitive, bool wholeWord,
                     bool continueSearch, RECT* found) override;
    int32_t IsFormatted() override;
    int32_t NeedsNewFormat() override;
    int Start(int32_t reload, int32_t a, int32_t startArg) override;
    int32_t IsComplete() override;
    int32_t GetPendingCount() override;
    int32_t SetActive(bool on) override;
    int ApplyImageMode(int mode) override;
    void MarkForNewFormat() override;
    int32_t FirstLinkTextLength() override;
    UrlHandle FindLinkUrlByText(const char* name) override;
    int32_t CanGoBackInside() override;
    int32_t CanGoForwardInside() override;
    int GoBackInside() override;
    int GoForwardInside() override;
    int32_t GetFormatPosition() override;
    void StartClientPull(int32_t frameId) override;
    UrlHandle GetBackgroundImageUrl() override;
    PageProperties* GetPage() override;
    void OnLoadStepDone() override;
    int32_t FireEvent(int code, int32_t a, int32_t b, int32_t c, int32_t d) override;
    void StopScripts() override;
    int32_t RunScriptUrl(const UrlHandle& url, int32_t a, int32_t b) override;

    // --- scripts ---------------------------------------------------------------
    // The first parameter of the page's delayed script runs (the second
    // names the run): other senders post the same message number.
    static constexpr uint32_t kScriptRunTag = 0x53524E21;
    // An event for the page's scripts (codes of ElementRecords.h: 61 click,
    // 62 change, 64 blur, 66 focus, 140 to 144 the window's, 169 a link
    // click, 170 and 171 the mouse leaving and entering a link, 209 to 211
    // an image's): at the point x, y, or of element when given; script is
    // the handler of 170 and 171. 1 when the caller may take its default
    // action now, 0 when a script run was queued (it takes the action after).
    int Notify(int code, int32_t x, int32_t y, HtmlElement* element, ScriptObject script);
    // Runs script (owned from now on) after delay ms, at once below 1 ms;
    // url: a javascript: URL, whose value becomes the window's page. The
    // run's id for ClearScriptTimeout, 0 when it ran at once.
    uint32_t SetScriptTimeout(ScriptObject script, int32_t delay, bool url);
    void ClearScriptTimeout(uint32_t id);
    // Clears the waiting runs (all: running ones too, which go when they
    // return); true when none is left.
    bool ClearScriptTimers(bool all);
    void ClearAllScriptTimers();
    // A javascript: URL run after delay; 1 when it compiled.
    int RunScriptUrlText(const char* text, int32_t delay);
    int PendingScriptRuns() const;
    // The window object the page's scripts run in, 0 without one.
    ScriptObject WindowScriptObject();
    // A new script image object (new Image(width, height)).
    ScriptObject CreateScriptImage(int32_t width, int32_t height);
    // A form field's value as scripts read it (a check box: non-empty when
    // checked); false for an element that is no field.
    bool ControlValue(HtmlElement* element, std::string& value);
    // Sets it (append: added to the current text, cut below limit).
    void SetControlValue(HtmlElement* element, const char* text, bool append, size_t limit);
    // The form's compiled handler of event 87 (submit) or 88 (reset), or 0.
    ScriptObject FormHandler(HtmlElement* form, int event);
    void SubmitOrResetForm(HtmlElement* control, bool submit);
    // Default actions of script runs.
    void OpenLink(const UrlHandle& url, int32_t frameId, const char* target);
    void ShowLinkStatus(const UrlHandle& url);
    void ShowScriptResult(const char* text);

    // --- the page's own ------------------------------------------------------
    // Runs one formatting step; 1 when a step ran.
    int FormatStep(bool repaint);
    // Starts the loads of referenced URLs not yet counted; 1 when it started
    // any. Nothing while images are held back.
    int StartReferencedLoads(bool first);
    // Starts the loads of the pictures the layout shows that are not
    // loaded yet; those that no referenced URL names count as the page's.
    void StartTableLoads();
    // The table's load of that URL is over: answers how many count done.
    int32_t TableLoadDone(uint32_t id);
    bool LoadsDone() const { return DoneCount() >= StartedCount(); }
    void ResetLoadCounts();
    // Repaints from the existing layout and runs the after-format work.
    void RefreshLayout();
    // Moves to a named place of the page, keeping the move in the page's
    // own history.
    void JumpToFragment(const char* name);
    // The owning frame set finished the page.
    void FinishFromOwner();
    // Loads held-back images (restart: at once).
    void LoadImages(bool later);
    // Asks the server for the page's background image again; the page
    // repaints it and finishes once more when it has come. False when the
    // page has none.
    bool ReloadBackground();

    int FormatState() const { return format_.state; }
    // The page's loads: its referenced URLs and the pictures its boxes
    // show that no referenced URL names (background pictures).
    int32_t StartedCount() const { return started_ + tableStarted_; }
    int32_t DoneCount() const { return done_ + tableStarted_ - static_cast<int32_t>(tableLoads_.size()); }
    bool Finished() const { return finished_; }
    bool Loading() const { return loading_; }
    bool ImagesHeldBack() const { return imagesHeldBack_; }
    const PageLayout* Layout() const { return layout_.get(); }
    PageImages& Images() { return *images_; }
    const DocumentContentHandle& Content() const { return content_; }
    // The saved page position, applied at the next start.
    void SetSavedPosition(int32_t position) { savedPosition_ = position; }
    int32_t SavedPosition() const { return scrollY_; }

private:
    struct FragmentNode : ListNode {
        std::string name;
        HtmlElement* element = nullptr;
        int32_t position = 0;
    };
    // A selection end: the fragment and the character offset in it.
    struct SelectionEnd {
        LayoutElement* fragment = nullptr;
        int32_t offset = 0;
    };

    void Finish();
    void AfterFormat();
    void LoadFinished();
    void PostProgress(uint32_t message);
    void RegisterOnce(uint32_t message, uint32_t id);
    void ResetLayout();
    // The layout goes: its image entries with it, its images kept for the
    // next layout.
    void DropLayout();
    // Lays the page out again from its start (an image's size came),
    // keeping the load counters.
    void Relayout();
    // New data of an image URL: its boxes repaint, or the page is laid out
    // again when it placed the image without knowing its size.
    void OnImageData(uint32_t id);
    bool EnsureLayout();
    bool ScrollToElement(HtmlElement* element);
    bool TryFragmentJump();
    void InvalidateVisible(int32_t left, int32_t top, int32_t right, int32_t bottom);
    bool IsTop() const;
    bool ImageUrl() const;
    void ReadImageMode();
    bool OnMessageData(uint32_t id, uint32_t p2);
    HtmlElement* LinkElementAt(int32_t x, int32_t y, LayoutElement** box);
    // The link under a window point: an enclosing A, or the AREA of a
    // client-side image map that the point falls in. For an ISMAP image the
    // URL carries the point inside the image ("?x,y"). No element: none.
    struct PointLink {
        HtmlElement* element = nullptr;  // the A or AREA
        UrlHandle url;
        const char* target = nullptr;
        const char* fragment = nullptr;
        bool ismap = false;
        int32_t mapX = 0, mapY = 0;  // the point inside an ISMAP image
        // The URL's name followed by "?x,y".
        std::string IsmapName() const;
    };
    PointLink LinkAt(int32_t x, int32_t y);
    // The AREA of the image's map that holds the point (inside the image),
    // else its default area with a link, its HREF in url (empty for
    // NOHREF); null without a map or such an area.
    HtmlElement* MapAreaAt(HtmlElement* image, int32_t x, int32_t y, UrlHandle& url);
    // Repaints the boxes of the link (null: nothing).
    void InvalidateLink(HtmlElement* anchor);
    // The field that had the keyboard before the page was laid out again
    // takes it back once the new layout has placed it.
    void RefocusField();
    void MarkLink(HtmlElement* anchor);
    // The marked link's URL, target and fragment (no side effects).
    UrlHandle FocusedLinkUrl(LinkHit* hit);
    SelectionEnd TextPositionAt(int32_t x, int32_t y);
    void MoveInHistory(FragmentNode* node);
    void AttachScripts();
    // Runs the page's waiting SCRIPT and lets the parse go on; false when the
    // engine could not take it yet (a retry is scheduled).
    bool ResumeParse();
    ElementScriptBinding* FindParseResumption();
    void DetachScripts();
    void RunScriptRun(ElementScriptBinding* run);
    void ScheduleRun(ElementScriptBinding* run, uint32_t delay);
    ElementScriptBinding* FindRun(uint32_t serial);
    void OnScriptRunMessage(uint32_t tag, uint32_t serial);
    void RepaintSelection();

    HtmlDocument* owner_;
    DocumentContentHandle content_;
    std::unique_ptr<HandlerImageWindow> imageWindow_;
    std::unique_ptr<PageImages> images_;
    // The page's controls between two layouts of it; goes after the layout.
    SavedControls savedControls_;
    std::unique_ptr<PageLayout> layout_;
    ::FormatState format_;
    int displayMode_ = 0;
    bool finished_ = false;
    bool firstPaint_ = true;
    bool loading_ = true;
    bool loadingStarted_ = false;
    bool restart_ = true;
    bool imagesAllowed_ = true;
    bool imagesHeldBack_ = false;
    bool loadEventPending_ = false;
    bool jumpDone_ = true;
    bool reformatPending_ = false;
    // Of the referenced URLs (started_ is also how far down their list
    // the loads have been started).
    int32_t started_ = 0;
    int32_t done_ = 0;
    // The loads the image table started for pictures that no referenced
    // URL names: how many, and the URLs still loading.
    int32_t tableStarted_ = 0;
    std::vector<UrlHandle> tableLoads_;
    int32_t awaitedId_ = 0;
    int32_t savedPosition_ = -1;
    uint8_t imageState_ = 0;
    std::string fragmentName_;
    HtmlElement* fragmentElement_ = nullptr;
    NodeList fragments_;  // FragmentNode: the places visited inside the page
    FragmentNode* currentFragment_ = nullptr;
    std::string linkBuffer_;
    // The link Tab stopped at (null while a field or nothing has the focus).
    HtmlElement* focusLink_ = nullptr;
    SelectionEnd selStart_;
    SelectionEnd selEnd_;
    bool selForward_ = true;
    LayoutElement* searchFragment_ = nullptr;
    int32_t searchOffset_ = 0;
    NodeList scriptRuns_;  // ElementScriptBinding: events and timers waiting to run
    std::vector<std::unique_ptr<HtmlElement>> scriptImages_;  // images made by scripts
    std::unique_ptr<PagePrintJob> print_;                    // a print under way
};
