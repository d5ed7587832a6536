#include "documents/HtmlDocument.h"

#include <algorithm>
#include <cstring>
#include <strings.h>
#include <vector>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/DocumentList.h"
#include "documents/DocumentMessages.h"
#include "documents/DocumentWindows.h"
#include "documents/FrameTree.h"
#include "documents/HtmlPageDocument.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "html/UrlContentFeed.h"
#include "layout/PaintDevice.h"
#include "net/UrlRecord.h"

namespace {

bool FramesEnabled() {
    return !g_preferences || g_preferences->Get(PrefInt::Frames) != 0;
}

bool IsImageKind(int kind) {
    return kind == 2 || kind == 3 || kind == 6;
}

// Walks the frames of a tree, calling f on each frame's current document
// (frames without one are walked into).
template <typename F>
void WalkFrames(FrameNode& node, F& f) {
    if (Document* d = node.CurrentDocument()) {
        f(node, *d);
        return;
    }
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) WalkFrames(*c, f);
}

// All frames answer nonzero; a frame without a document answers 0 while it
// waits for its URL.
template <typename F>
bool AllFrames(FrameNode& node, F f, bool waitingCounts) {
    if (Document* d = node.CurrentDocument()) return f(*d);
    if (!node.isFrameSet) {
        if (!waitingCounts) return true;
        bool loading = !node.awaitedUrl.IsEmpty() && node.awaitedUrl->GetLoadStatus(true) == kLoadLoading;
        return !(loading || node.awaiting);
    }
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) {
        if (!AllFrames(*c, f, waitingCounts)) return false;
    }
    return true;
}

// 0 while unknown, 1 for a page, 2 when the content's body is a frame set:
// the first element after the head's that holds content decides.
int FrameSetState(const DocumentContent& content) {
    HtmlElement* root = content.Root();
    if (!root) return 0;
    for (HtmlElement* e = root->FirstChild(); e; e = e->NextSibling()) {
        switch (e->Type()) {
            case kTagHead: case kTagScript: case kTagTitle: case kTagIsindex:
            case kTagBase: case kTagMeta: case kTagStyle: case kTagLink:
                continue;
            case kTextNode: {
                const char* t = e->GetText();
                while (t && (*t == ' ' || *t == '\n' || *t == '\r' || *t == '\t')) ++t;
                if (!t || !*t) continue;
                return 1;
            }
            case kTagFrameset:
                return 2;
            default:
                return 1;
        }
    }
    return content.IsComplete() ? 1 : 0;
}

int CompareNoCase(const char* a, const char* b) {
    return strcasecmp(a, b);
}

}  // namespace

template <typename F>
void HtmlDocument::ForEachFrameDocument(F f) {
    if (frameRoot_) WalkFrames(*frameRoot_, f);
}

HtmlDocument::HtmlDocument(PaintDevice* device, MessageHandler* handler, const UrlHandle& url, int32_t width,
                           int32_t height, int32_t frameId)
    : Document(device, handler, url, width, height, frameId) {}

HtmlDocument::~HtmlDocument() {
    activeFrame_ = nullptr;
    SetActive(false);
    useCount_ = 0;
    DiscardView();
    if (handler_) handler_->UnregisterAll(this);
    content_ = DocumentContentHandle();
    url_->ReleaseUnusedData();
}

HtmlDocument* HtmlDocument::EnclosingDocument() const {
    return containerFrame_ ? containerFrame_->owner : nullptr;
}

HtmlDocument* HtmlDocument::TopHtmlDocument() {
    HtmlDocument* top = this;
    while (HtmlDocument* up = top->EnclosingDocument()) top = up;
    return top;
}

bool HtmlDocument::ContentIsFrameSet() const {
    return !content_.IsEmpty() && FrameSetState(*content_.Get()) == 2;
}

void HtmlDocument::DiscardView() {
    if (useCount_ >= 1) return;
    if (handler_) handler_->UnregisterAll(this);
    FrameNode* root = frameRoot_;
    HtmlPageDocument* page = page_;
    frameRoot_ = nullptr;
    page_ = nullptr;
    activeFrame_ = nullptr;
    dragNode_ = nullptr;
    delete root;
    delete page;
}

void HtmlDocument::ShowView() {
    if (page_) {
        page_->RefreshLayout();
        return;
    }
    auto show = [](FrameNode&, Document& d) {
        if (d.GetKind() == kDocHtml) static_cast<HtmlDocument&>(d).ShowView();
        if (d.GetKind() == kDocHtmlPage) static_cast<HtmlPageDocument&>(d).RefreshLayout();
    };
    ForEachFrameDocument(show);
}

void HtmlDocument::GoToFragment(const UrlHandle& url) {
    Document* d = Active();
    if (d && d->GetKind() == kDocHtmlPage) static_cast<HtmlPageDocument*>(d)->JumpToFragment(url.GetFragment());
}

Document* HtmlDocument::Active() {
    if (activeFrame_) {
        if (Document* d = activeFrame_->CurrentDocument()) return d;
    }
    return page_;
}

Document* HtmlDocument::GetActiveFrameDocument() {
    return frameRoot_ && activeFrame_ ? activeFrame_->CurrentDocument() : nullptr;
}

FrameNode* HtmlDocument::CycleActiveFrame(bool backwards) {
    if (!frameRoot_) return nullptr;
    std::vector<FrameNode*> frames;
    std::vector<FrameNode*> stack{frameRoot_};
    while (!stack.empty()) {
        FrameNode* n = stack.back();
        stack.pop_back();
        if (!n->isFrameSet) frames.push_back(n);
        // Children pushed last to first come off in their order.
        std::vector<FrameNode*> children;
        for (FrameNode* c = n->FirstChild(); c; c = c->NextSibling()) children.push_back(c);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    if (frames.empty()) return nullptr;
    const auto at = std::find(frames.begin(), frames.end(), activeFrame_);
    const size_t count = frames.size();
    size_t next = 0;
    if (at != frames.end()) {
        const size_t index = static_cast<size_t>(at - frames.begin());
        next = backwards ? (index + count - 1) % count : (index + 1) % count;
    } else if (backwards) {
        next = count - 1;
    }
    activeFrame_ = frames[next];
    return activeFrame_;
}

FrameNode* HtmlDocument::FindFrameByWindow(HWND window) {
    return frameRoot_ ? ::FindFrameByWindow(*frameRoot_, window) : nullptr;
}

void HtmlDocument::WatchFrameUrl(uint32_t urlId) {
    if (handler_ && !handler_->IsRegistered(this, kMsgLoadStatus, urlId))
        (void)handler_->Register(this, kMsgLoadStatus, urlId);
}

void HtmlDocument::LoadFrameUrl(uint32_t urlId) {
    if (!frameRoot_) return;
    std::vector<FrameNode*> waiting;
    struct Key {
        uint32_t id;
    } key{urlId};
    // Collect first: making a document can change the tree below.
    std::vector<FrameNode*> stack{frameRoot_};
    while (!stack.empty()) {
        FrameNode* n = stack.back();
        stack.pop_back();
        if (n->awaiting && !n->awaitedUrl.IsEmpty() && n->awaitedUrl->GetId() == key.id) waiting.push_back(n);
        for (FrameNode* c = n->FirstChild(); c; c = c->NextSibling()) stack.push_back(c);
        if (Document* d = n->CurrentDocument()) {
            if (d->GetKind() == kDocHtml) static_cast<HtmlDocument*>(d)->LoadFrameUrl(urlId);
        }
    }
    for (FrameNode* n : waiting) {
        int status = n->awaitedUrl->GetLoadStatus(true);
        if (status != kLoadLoaded) {
            n->awaiting = false;
            continue;
        }
        CreateFrameDocument(*n, handler_, historyIndex_, true, false);
    }
}

// --- starting -----------------------------------------------------------------

int HtmlDocument::Start(int32_t reload, int32_t a, int32_t startArg) {
    startArg_ = startArg;
    const uint32_t id = url_->GetId();
    if (handler_ && !handler_->IsRegistered(this, kMsgMoreData, id)) (void)handler_->Register(this, kMsgMoreData, id);
    if (!IsImageKind(url_->GetContentKind()) && (content_.IsEmpty() || !content_->Root())) {
        if (handler_) url_->GetDocumentContent(handler_);
        content_ = DocumentContentOf(*url_.Record());
        if (PageProperties* page = content_.GetPage()) page->SetDocumentUrl(url_);
        if (active_ && !content_.IsEmpty()) content_.GetPage()->LockAll();
    }
    checkReload_ = 0;
    return Build(reload, startArg);
}

int HtmlDocument::Build(int32_t reload, int32_t startArg) {
    if (!frameRoot_ && !page_) {
        bool frames = FramesEnabled() && !IsImageKind(url_->GetContentKind());
        HtmlElement* frameset = nullptr;
        if (frames) {
            if (content_.IsEmpty()) return kStartRelayout;
            int body = FrameSetState(*content_.Get());
            if (body == 0) return kStartRelayout;
            if (body == 2) {
                frameset = content_->FindElementOfType(kTagFrameset);
                if (!frameset || !content_->IsElementClosed(frameset)) return kStartRelayout;
            }
        }
        if (!frameset) {
            page_ = new HtmlPageDocument(this, device_, handler_, url_, width_, height_, frameId_);
            page_->SetScrolling(scrolling_);
            page_->SetScrollY(scrollY_);
            page_->SetScrollX(scrollX_);
            page_->SetActive(true);
        } else {
            PaintDevice* parentDevice = device_;
            int32_t x = 0, y = 0;
            if (containerFrame_) {
                // A nested frame set brings its own frame windows inside the
                // window of the enclosing one.
                parentDevice = containerFrame_->parentDevice;
                x = containerFrame_->AbsoluteX();
                y = containerFrame_->AbsoluteY();
            }
            frameRoot_ = new FrameNode(0, x, y, width_, height_, this, frameset, parentDevice, 2, width_);
            HtmlDocument* top = TopHtmlDocument();
            if (top == this) nextFrameId_ = 1;
            int code = BuildFrameTree(*frameRoot_, *top);
            if (code != 11 && handler_) {
                handler_->UnregisterAll(this);
                (void)handler_->Register(this, kMsgMoreData, url_->GetId());
                // The frames still waiting keep their watch.
                std::vector<FrameNode*> stack{frameRoot_};
                while (!stack.empty()) {
                    FrameNode* n = stack.back();
                    stack.pop_back();
                    if (n->awaiting && !n->awaitedUrl.IsEmpty()) top->WatchFrameUrl(n->awaitedUrl->GetId());
                    for (FrameNode* c = n->FirstChild(); c; c = c->NextSibling()) stack.push_back(c);
                }
            }
        }
    }
    if (!frameRoot_) {
        if (!page_) return kStartShown;
        if (savedPosition_ >= 0) {
            page_->SetSavedPosition(savedPosition_);
            savedPosition_ = -1;
        }
        return page_->Start(reload, 0, startArg);
    }
    WindowServices().UpdateScrollBars(DeviceWindow());
    int32_t x = containerFrame_ ? containerFrame_->AbsoluteX() : 0;
    int32_t y = containerFrame_ ? containerFrame_->AbsoluteY() : 0;
    int32_t width = width_, height = height_;
    // A window's own frame set fills the window as it is now: the scroll bars
    // of the page before may just have gone.
    RECT client = {};
    if (!containerFrame_ && DeviceWindow() && GetClientRect(DeviceWindow(), &client)) {
        width = client.right;
        height = client.bottom;
    }
    SetFrameRect(*frameRoot_, x, y, width, height, false);
    // The root's own position is that of the enclosing frame: its children
    // are placed relative to it.
    LayoutFrameSet(*frameRoot_, true, true, frameRoot_->border);
    ShowFrameWindows(*frameRoot_);
    if (device_ && DeviceWindow()) InvalidateRect(DeviceWindow(), nullptr, TRUE);
    return StartFrames(*frameRoot_, reload, startArg);
}

// --- messages -------------------------------------------------------------------

void HtmlDocument::OnMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    if (message == kMsgLoadStatus) {
        // A URL that a frame waits for has arrived (or failed).
        int status = static_cast<int>((p2 >> 8) & 0xFF);
        if (status == kLoadLoading) return;
        if (handler_) handler_->Unregister(this, kMsgLoadStatus, p1);
        LoadFrameUrl(p1);
        return;
    }
    if (message != kMsgMoreData || p1 != url_->GetId()) return;
    if (!frameRoot_) {
        if (!page_) Build(0, startArg_);
        if (!frameRoot_) {
            OnLoadStepDone();
            return;
        }
    }
    if (handler_) handler_->Post(kMsgRepainted, static_cast<uint32_t>(frameId_), 0);
    if (url_->GetLoadStatus(true) != kLoadLoading) OnUrlLoaded(p1);
    OnLoadStepDone();
}

void HtmlDocument::OnUrlLoaded(uint32_t urlId) {
    if (!IsComplete() || GetPendingCount() != 0) return;
    // A single page reports its own end; the frame set reports for its
    // frames, once.
    if (page_) return;
    if (handler_) {
        handler_->Unregister(this, kMsgMoreData, url_->GetId());
        uint32_t windowUrl = WindowServices().GetWindowUrlId(handler_->Window());
        handler_->Post(kMsgLoadNotice, kNoticeDocumentDone, windowUrl ? windowUrl : url_->GetId());
    }
    OnLoadStepDone();
}

void HtmlDocument::OnLoadStepDone() {
    if (!loadPending_ || (!frameRoot_ && !page_) || !IsComplete()) return;
    loadPending_ = false;
    if (page_) {
        page_->OnLoadStepDone();
    } else {
        // Frame sets whose frames are all complete fire their load event,
        // children first.
        FireEvent(kEventLoad, 0, 0, 0, 0);
    }
    if (HtmlDocument* up = EnclosingDocument()) up->OnLoadStepDone();
}

// --- view operations ------------------------------------------------------------

uint8_t HtmlDocument::Paint(const RECT& rect) {
    OnLoadStepDone();
    if (frameRoot_) {
        if (device_) {
            DeviceRect area{rect.left, rect.top, rect.right, rect.bottom};
            device_->FillBackground(area);
            PaintFrameBorders(*frameRoot_, *device_);
        }
        return 0;
    }
    if (page_) return page_->Paint(rect);
    if (device_) {
        DeviceRect area{rect.left, rect.top, rect.right, rect.bottom};
        device_->FillBackground(area);
    }
    return 2;
}

void HtmlDocument::ResetToUrl(const UrlHandle& url, int32_t width, int32_t height) {
    if (handler_) handler_->UnregisterAll(this);
    if (frameRoot_) {
        ReleaseLayout();
    } else if (page_) {
        savedPosition_ = page_->ScrollY();
    }
    DiscardView();
    url_ = url;
    width_ = width;
    height_ = height;
    if (active_ && !content_.IsEmpty()) content_.GetPage()->UnlockAll();
    content_ = DocumentContentHandle();
    scrollX_ = scrollY_ = 0;
    checkReload_ = 1;
}

void HtmlDocument::ReleaseLayout() {
    if (frameRoot_)
        ForEachFrameDocument([](FrameNode&, Document& d) { d.ReleaseLayout(); });
    else if (page_)
        page_->ReleaseLayout();
}

void HtmlDocument::DiscardLayoutState() {
    if (Document* d = Active()) d->DiscardLayoutState();
}

uint8_t HtmlDocument::PreparePrint(PaintDevice* printer, int32_t firstPage, int32_t selectionOnly) {
    Document* d = Active();
    return d ? d->PreparePrint(printer, firstPage, selectionOnly) : 5;
}

uint8_t HtmlDocument::PrintPage(PaintDevice* printer, int32_t selectionOnly, int32_t spare) {
    Document* d = Active();
    return d ? d->PrintPage(printer, selectionOnly, spare) : 5;
}

uint8_t HtmlDocument::FormatToDevice(PaintDevice* device) {
    return !frameRoot_ && page_ ? page_->FormatToDevice(device) : 5;
}

void HtmlDocument::SetScrollX(int32_t value) {
    scrollX_ = value;
    if (page_) page_->SetScrollX(value);
}

void HtmlDocument::SetScrollY(int32_t value) {
    scrollY_ = value;
    if (page_) page_->SetScrollY(value);
}

int32_t HtmlDocument::SetSize(int32_t width, int32_t height, bool notify, bool quiet) {
    const int32_t oldWidth = width_, oldHeight = height_;
    Document::SetSize(width, height, false, true);
    if (width > oldWidth && scrollX_ != 0) {
        int32_t right = GetContentWidth();
        scrollX_ = std::max<int32_t>(0, std::min(scrollX_, right - width));
    }
    if (width == oldWidth && height == oldHeight) return 0;
    if (frameRoot_) {
        int32_t x = containerFrame_ ? containerFrame_->AbsoluteX() : 0;
        int32_t y = containerFrame_ ? containerFrame_->AbsoluteY() : 0;
        SetFrameRect(*frameRoot_, x, y, width, height, true);
        LayoutFrameSet(*frameRoot_, true, true, frameRoot_->border);
        if (!quiet) Start(0, 0, 0);
    } else if (page_) {
        page_->SetSize(width, height, true, quiet);
    }
    return 0;
}

int32_t HtmlDocument::GetContentWidth() {
    if (page_) return page_->GetContentWidth();
    return frameRoot_ ? frameRoot_->width : 0;
}

int32_t HtmlDocument::GetContentHeight() {
    if (page_) return page_->GetContentHeight();
    return frameRoot_ ? frameRoot_->height : 0;
}

const char* HtmlDocument::DescribePoint(int32_t x, int32_t y, HtmlElement** element, const char** fragment,
                                        int32_t* ismap) {
    return !frameRoot_ && page_ ? page_->DescribePoint(x, y, element, fragment, ismap) : nullptr;
}

UrlHandle HtmlDocument::ActivateAtPoint(int32_t x, int32_t y, LinkHit* hit) {
    if (frameRoot_ || !page_) return UrlHandle();
    UrlHandle url = page_->ActivateAtPoint(x, y, hit);
    if (!url.IsEmpty() && hit) ResolveTarget(hit->target, &hit->targetFrame);
    return url;
}

int32_t HtmlDocument::MoveLinkFocus(bool forward, RECT* focus) {
    Document* d = Active();
    return d ? d->MoveLinkFocus(forward, focus) : 0;
}

UrlHandle HtmlDocument::ActivateFocused(LinkHit* hit) {
    Document* d = Active();
    UrlHandle url = d ? d->ActivateFocused(hit) : UrlHandle();
    if (!url.IsEmpty() && hit) ResolveTarget(hit->target, &hit->targetFrame);
    return url;
}

UrlHandle HtmlDocument::SelectAdjacentLink(bool forward, RECT* focus, LinkHit* hit) {
    Document* d = Active();
    return d ? d->SelectAdjacentLink(forward, focus, hit) : UrlHandle();
}

UrlHandle HtmlDocument::GetFrameUrlForId(int32_t id) {
    if (!frameRoot_) return page_ ? page_->GetFrameUrlForId(id) : UrlHandle();
    return GetUrlOfFrame(id);
}

const char* HtmlDocument::GetTitle() {
    return content_.IsEmpty() ? nullptr : content_->GetTitle();
}

uint8_t HtmlDocument::GetCursorKind(int32_t x, int32_t y) {
    if (frameRoot_) return HitFrameBorder(x, y) ? 6 : 0;
    return page_ ? page_->GetCursorKind(x, y) : 0;
}

HtmlElement* HtmlDocument::ElementAtPoint(int32_t x, int32_t y) {
    return !frameRoot_ && page_ ? page_->ElementAtPoint(x, y) : nullptr;
}

FormSubmission* HtmlDocument::SubmitAtPoint(int32_t x, int32_t y, HtmlElement* element) {
    return !frameRoot_ && page_ ? page_->SubmitAtPoint(x, y, element) : nullptr;
}

int HtmlDocument::ReleaseData() {
    if (useCount_ > 0) return 0;
    if (active_ && !content_.IsEmpty()) content_.GetPage()->UnlockAll();
    content_ = DocumentContentHandle();
    if (frameRoot_)
        ForEachFrameDocument([](FrameNode&, Document& d) { d.ReleaseData(); });
    else if (page_)
        page_->ReleaseData();
    return 1;
}

void HtmlDocument::Stop(int32_t flag) {
    if (frameRoot_) {
        MessageHandler* handler = handler_;
        ForEachFrameDocument([flag, handler](FrameNode& n, Document& d) {
            d.Stop(flag);
            if (handler && !n.awaitedUrl.IsEmpty()) n.awaitedUrl->RemoveTarget(handler);
        });
    } else if (page_) {
        page_->Stop(flag);
    }
    if (handler_) handler_->UnregisterAll(this);
    OnLoadStepDone();
}

int32_t HtmlDocument::ReloadImages(int32_t flag) {
    if (frameRoot_) {
        ForEachFrameDocument([flag](FrameNode&, Document& d) { d.ReloadImages(flag); });
        return 0;
    }
    return page_ ? page_->ReloadImages(flag) : 0;
}

int32_t HtmlDocument::LoadInlineObjects() {
    if (frameRoot_) {
        ForEachFrameDocument([](FrameNode&, Document& d) { d.LoadInlineObjects(); });
        return 0;
    }
    return page_ ? page_->LoadInlineObjects() : 0;
}

void HtmlDocument::SelectAll() {
    if (Document* d = Active()) d->SelectAll();
}
void HtmlDocument::ClearSelection() {
    if (Document* d = Active()) d->ClearSelection();
}
void HtmlDocument::BeginSelection(int32_t x, int32_t y) {
    if (Document* d = Active()) d->BeginSelection(x, y);
}
void HtmlDocument::ExtendSelection(int32_t x, int32_t y) {
    if (Document* d = Active()) d->ExtendSelection(x, y);
}
int32_t HtmlDocument::GetSelectionSize() {
    Document* d = Active();
    return d ? d->GetSelectionSize() : 0;
}
int32_t HtmlDocument::CopySelection(char* buffer, int32_t size) {
    Document* d = Active();
    return d ? d->CopySelection(buffer, size) : 0;
}
int32_t HtmlDocument::FindText(const char* text, int32_t length, bool forward, bool caseSensitive, bool wholeWord,
                               bool continueSearch, RECT* found) {
    Document* d = Active();
    return d ? d->FindText(text, length, forward, caseSensitive, wholeWord, continueSearch, found) : 0;
}

UrlHandle HtmlDocument::GetUrlOfFrame(int32_t frameId) {
    if (frameId < 0 || !frameRoot_) return UrlHandle();
    FrameNode* frame = FindFrameById(*frameRoot_, frameId);
    if (!frame) return UrlHandle();
    if (!frame->awaitedUrl.IsEmpty()) return frame->awaitedUrl;
    Document* d = frame->CurrentDocument();
    return d ? d->GetUrl() : UrlHandle();
}

int32_t HtmlDocument::IsFormatted() {
    if (frameRoot_) return AllFrames(*frameRoot_, [](Document& d) { return d.IsFormatted() != 0; }, false) ? 1 : 0;
    return page_ ? page_->IsFormatted() : 0;
}

int32_t HtmlDocument::NeedsNewFormat() {
    if (frameRoot_) {
        int32_t any = 0;
        ForEachFrameDocument([&any](FrameNode&, Document& d) { any = any || d.NeedsNewFormat(); });
        return any;
    }
    return page_ ? page_->NeedsNewFormat() : 0;
}

int32_t HtmlDocument::NeedsReload(bool check) {
    return Document::NeedsReload(check);
}

int32_t HtmlDocument::ImagesChanged(int32_t a) {
    if (frameRoot_) {
        ForEachFrameDocument([a](FrameNode&, Document& d) { d.ImagesChanged(a); });
        return 0;
    }
    return page_ ? page_->ImagesChanged(a) : 0;
}

int32_t HtmlDocument::IsComplete() {
    if (frameRoot_) return AllFrames(*frameRoot_, [](Document& d) { return d.IsComplete() != 0; }, true) ? 1 : 0;
    return page_ ? page_->IsComplete() : 0;
}

int32_t HtmlDocument::GetPendingCount() {
    if (frameRoot_) {
        int32_t any = 0;
        ForEachFrameDocument([&any](FrameNode&, Document& d) {
            if (!any) any = d.GetPendingCount();
        });
        return any;
    }
    return page_ ? page_->GetPendingCount() : 0;
}

int32_t HtmlDocument::SetActive(bool on) {
    ++useCount_;
    bool was = active_ != 0;
    Document::SetActive(on);
    if (on && !was && !content_.IsEmpty()) content_.GetPage()->LockAll();
    if (!on && was && !content_.IsEmpty()) content_.GetPage()->UnlockAll();
    if (frameRoot_) {
        if (handler_) handler_->UnregisterAll(this);
        ActivateFrames(*frameRoot_, on);
    } else if (page_) {
        page_->SetActive(on);
    }
    if (on) loadPending_ = true;
    --useCount_;
    return 0;
}

int HtmlDocument::ApplyImageMode(int mode) {
    if (frameRoot_) {
        ForEachFrameDocument([mode](FrameNode&, Document& d) { d.ApplyImageMode(mode); });
        return kStartNothing;
    }
    return page_ ? page_->ApplyImageMode(mode) : kStartNothing;
}

void HtmlDocument::MarkForNewFormat() {
    if (frameRoot_)
        ForEachFrameDocument([](FrameNode&, Document& d) { d.MarkForNewFormat(); });
    else if (page_)
        page_->MarkForNewFormat();
}

void HtmlDocument::RepaintAll() {
    if (frameRoot_) {
        ForEachFrameDocument([](FrameNode& n, Document&) {
            if (n.FrameWindow()) InvalidateRect(n.FrameWindow(), nullptr, TRUE);
        });
    }
    if (device_) device_->InvalidateArea(0, 0, width_, height_, false);
}

void HtmlDocument::RedrawUrl(const UrlHandle& url) {
    if (frameRoot_)
        ForEachFrameDocument([&url](FrameNode&, Document& d) { d.RedrawUrl(url); });
    else if (page_)
        page_->RedrawUrl(url);
}

int32_t HtmlDocument::ShowsUrlId(uint32_t id, bool check) {
    if (Document::ShowsUrlId(id, check)) return 1;
    int32_t found = 0;
    ForEachFrameDocument([&found, id](FrameNode&, Document& d) {
        if (!found && !d.GetUrl().IsEmpty() && d.GetUrl()->GetId(true) == id) found = 1;
    });
    return found;
}

void HtmlDocument::ShowFrameUrl(int32_t frameId, int32_t a) {
    if (!frameRoot_) return;
    FrameNode* frame = frameId < 0 ? frameRoot_ : FindFrameById(*frameRoot_, frameId);
    if (!frame || frame->awaitedUrl.IsEmpty()) return;
    frame->awaiting = true;
    // A fresh copy of the page the frame shows (Reload Frame) takes that
    // page's place in the history: no step is added, none ahead is lost.
    Document* shown = frame->current ? frame->current->document : nullptr;
    if (WindowServices().GetLoadFlagA(DeviceWindow()) && shown &&
        shown->GetUrl().Record() == frame->awaitedUrl.Record()) {
        CreateFrameDocument(*frame, handler_, frame->current->historyIndex, true, true);
        return;
    }
    CutFrameHistories(*frameRoot_, historyIndex_);
    ++historyIndex_;
    CreateFrameDocument(*frame, handler_, historyIndex_, true, WindowServices().GetLoadFlagA(DeviceWindow()));
}

void HtmlDocument::UpdateFrameScrollBars(int32_t frameId) {
    WindowServices().UpdateScrollBars(DeviceWindow());
}

int32_t HtmlDocument::CanGoBackInside() {
    if (frameRoot_) return historyIndex_ > 0 ? 1 : 0;
    return page_ ? page_->CanGoBackInside() : 0;
}

int32_t HtmlDocument::CanGoForwardInside() {
    if (frameRoot_) return historyIndex_ < HighestHistoryIndex(*frameRoot_) ? 1 : 0;
    return page_ ? page_->CanGoForwardInside() : 0;
}

int HtmlDocument::GoBackInside() {
    if (!frameRoot_) return page_ ? page_->GoBackInside() : kHistoryNothing;
    if (!CanGoBackInside()) return kHistoryNothing;
    --historyIndex_;
    return GoToHistoryIndex(*frameRoot_, historyIndex_, 0, *TopHtmlDocument());
}

int HtmlDocument::GoForwardInside() {
    if (!frameRoot_) return page_ ? page_->GoForwardInside() : kHistoryNothing;
    if (!CanGoForwardInside()) return kHistoryNothing;
    ++historyIndex_;
    return GoToHistoryIndex(*frameRoot_, historyIndex_, 0, *TopHtmlDocument());
}

Document* HtmlDocument::FindDocumentByFrameId(int32_t id) {
    if (id == frameId_) return this;
    Document* found = nullptr;
    ForEachFrameDocument([&found, id](FrameNode&, Document& d) {
        if (!found) found = d.FindDocumentByFrameId(id);
    });
    return found;
}

int32_t HtmlDocument::GetFormatPosition() {
    if (frameRoot_) {
        int32_t v = 0;
        ForEachFrameDocument([&v](FrameNode&, Document& d) { v = d.GetFormatPosition(); });
        return v;
    }
    return page_ ? page_->GetFormatPosition() : 0;
}

void HtmlDocument::StartClientPull(int32_t frameId) {
    if (frameRoot_ && frameId >= 0) {
        if (FrameNode* f = FindFrameById(*frameRoot_, frameId)) {
            if (Document* d = f->CurrentDocument()) d->StartClientPull(frameId);
        }
        return;
    }
    if (page_) page_->StartClientPull(frameId);
}

UrlHandle HtmlDocument::GetBackgroundImageUrl() {
    Document* d = Active();
    return d ? d->GetBackgroundImageUrl() : UrlHandle();
}

void HtmlDocument::NotifyUrlChanged(const UrlHandle& url) {
    if (frameRoot_)
        ForEachFrameDocument([&url](FrameNode&, Document& d) { d.NotifyUrlChanged(url); });
    else if (page_)
        page_->NotifyUrlChanged(url);
}

void HtmlDocument::ResolveTarget(char* target, int32_t* frameId) {
    if (!frameId) return;
    if (!target || !*target) {
        *frameId = frameId_;
        return;
    }
    if (CompareNoCase(target, "_self") == 0) {
        *frameId = frameId_;
        *target = '\0';
    } else if (CompareNoCase(target, "_parent") == 0) {
        HtmlDocument* parent = EnclosingDocument();
        *frameId = parent ? parent->FrameId() : -1;
        *target = '\0';
    } else if (CompareNoCase(target, "_top") == 0) {
        *frameId = -1;
        *target = '\0';
    } else if (CompareNoCase(target, "_blank") == 0) {
        *frameId = -2;
        *target = '\0';
    } else {
        FrameNode* found = frameRoot_ ? FindFrameByName(*frameRoot_, target) : nullptr;
        if (!found && frameId_ >= 0) {
            HtmlDocument* top = TopHtmlDocument();
            if (top != this && top->FrameRoot()) found = FindFrameByName(*top->FrameRoot(), target);
        }
        if (found) {
            *frameId = found->id;
            *target = '\0';
        } else {
            *frameId = -1;  // the window code looks for a window of that name
        }
    }
}

void HtmlDocument::SetFrameAwaitedUrl(int32_t frameId, const UrlHandle& url) {
    if (url.IsEmpty() || !frameRoot_) return;
    if (FrameNode* f = FindFrameById(*frameRoot_, frameId)) f->awaitedUrl = url;
}

PageProperties* HtmlDocument::GetPage() {
    return content_.GetPage();
}

int32_t HtmlDocument::GetDocumentProperty(int code, const char** outText, int32_t* outNumber) {
    static const char empty[] = "";
    if (outText) *outText = nullptr;
    if (outNumber) *outNumber = 0;
    if (!outText) return 0;
    switch (code) {
        case 4:
        case 151:
            *outText = url_.GetName();
            break;
        case 58:
            *outText = GetTitle();
            break;
        case 95:
        case 165:
            *outText = empty;
            break;
        default:
            break;
    }
    return *outText ? 1 : 0;
}

UrlHandle HtmlDocument::GetUrlIfId(uint32_t id, bool check) {
    if (!url_.IsEmpty() && url_->GetId() == id) return url_;
    UrlHandle found;
    // A frame's URL while it comes, or after it failed to come.
    std::vector<FrameNode*> stack;
    if (frameRoot_) stack.push_back(frameRoot_);
    while (!stack.empty() && found.IsEmpty()) {
        FrameNode* n = stack.back();
        stack.pop_back();
        if (!n->awaitedUrl.IsEmpty() && n->awaitedUrl->GetId() == id) found = n->awaitedUrl;
        for (FrameNode* c = n->FirstChild(); c; c = c->NextSibling()) stack.push_back(c);
    }
    ForEachFrameDocument([&found, id](FrameNode&, Document& d) {
        if (found.IsEmpty() && !d.GetUrl().IsEmpty() && d.GetUrl()->GetId() == id) found = d.GetUrl();
    });
    return found;
}

int32_t HtmlDocument::LoadUrlIntoFrameById(int32_t frameId, const UrlHandle& url) {
    if (!frameRoot_) return 0;
    FrameNode* f = FindFrameById(*frameRoot_, frameId);
    return f ? LoadUrlIntoFrame(*f, url, *TopHtmlDocument()) : 0;
}

void HtmlDocument::SetFrameSecondUrl(int32_t frameId, const UrlHandle& url) {
    if (!frameRoot_) return;
    if (FrameNode* f = FindFrameById(*frameRoot_, frameId)) f->secondUrl = url;
}

// --- dragging a frame border ------------------------------------------------------

namespace {

// No FRAME of the subtree refuses to be resized.
bool Resizable(FrameNode& node) {
    if (!node.isFrameSet) return !node.noResize;
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) {
        if (!Resizable(*c)) return false;
    }
    return true;
}

// The child after the border under the absolute point, searching nested
// frame sets too.
FrameNode* BorderAt(FrameNode& node, int32_t x, int32_t y, int32_t border) {
    if (Document* d = node.CurrentDocument()) {
        if (d->GetKind() != kDocHtml || !d->HasFrames()) return nullptr;
        FrameNode* inner = static_cast<HtmlDocument*>(d)->FrameRoot();
        return inner ? BorderAt(*inner, x, y, inner->border) : nullptr;
    }
    if (!node.isFrameSet) return nullptr;
    const int32_t v = node.rows ? y : x;
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) {
        const int32_t start = node.rows ? c->AbsoluteY() : c->AbsoluteX();
        const int32_t length = node.rows ? c->height : c->width;
        if (v > start && v < start + length) return BorderAt(*c, x, y, border);
    }
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) {
        FrameNode* before = static_cast<FrameNode*>(c->PrevSibling());
        if (!before) continue;
        const int32_t start = node.rows ? c->AbsoluteY() : c->AbsoluteX();
        if (v >= start - 2 * border && v < start && Resizable(*c) && Resizable(*before)) return c;
    }
    return nullptr;
}

int32_t Zoomed(int32_t v, int scale) {
    return scale == 100 ? v : (v * scale + 99) / 100;
}

}  // namespace

FrameNode* HtmlDocument::FindBorder(int32_t x, int32_t y) {
    if (!frameRoot_) return nullptr;
    const int scale = WindowServices().GetScale(DeviceWindow());
    return BorderAt(*frameRoot_, Zoomed(x, scale), Zoomed(y, scale), frameRoot_->border);
}

int32_t HtmlDocument::HitFrameBorder(int32_t x, int32_t y) {
    FrameNode* after = FindBorder(x, y);
    if (!after || !after->Parent()) return 0;
    return after->Parent()->rows ? 2 : 1;
}

void HtmlDocument::DrawDragBar() {
    if (!dragNode_ || !device_) return;
    FrameNode* set = dragNode_->Parent();
    const int32_t thickness = 2 * set->border;
    UnzoomedDrawing pixels(*device_);
    // Centred on the drag position; drawn inverted, so that drawing it again
    // takes it away.
    if (set->rows)
        device_->InvertArea(set->AbsoluteX(), dragPosition_ - set->border, set->width, thickness);
    else
        device_->InvertArea(dragPosition_ - set->border, set->AbsoluteY(), thickness, set->height);
}

void HtmlDocument::BeginBorderDrag(int32_t x, int32_t y) {
    dragNode_ = FindBorder(x, y);
    if (!dragNode_ || !dragNode_->Parent()) {
        dragNode_ = nullptr;
        return;
    }
    // The middle of the gap before the drag node.
    dragPosition_ = (dragNode_->Parent()->rows ? dragNode_->AbsoluteY() : dragNode_->AbsoluteX()) -
                    dragNode_->Parent()->border;
    DrawDragBar();
}

void HtmlDocument::MoveBorderDrag(int32_t x, int32_t y) {
    if (!dragNode_) return;
    FrameNode* set = dragNode_->Parent();
    auto* before = static_cast<FrameNode*>(dragNode_->PrevSibling());
    const int scale = WindowServices().GetScale(DeviceWindow());
    int32_t v = set->rows ? Zoomed(y, scale) : Zoomed(x, scale);
    // The gap stays between the outer edges of the two frames beside it.
    const int32_t low = (set->rows ? before->AbsoluteY() : before->AbsoluteX()) + set->border;
    const int32_t high = (set->rows ? dragNode_->AbsoluteY() + dragNode_->height
                                    : dragNode_->AbsoluteX() + dragNode_->width) - set->border;
    if (v < low) v = low;
    if (v > high) v = high;
    if (v == dragPosition_) return;
    DrawDragBar();
    dragPosition_ = v;
    DrawDragBar();
}

void HtmlDocument::EndBorderDrag(int32_t x, int32_t y) {
    if (!dragNode_) return;
    MoveBorderDrag(x, y);
    DrawDragBar();
    FrameNode* set = dragNode_->Parent();
    auto* before = static_cast<FrameNode*>(dragNode_->PrevSibling());
    const int32_t gap = 2 * set->border;
    const int32_t origin = set->rows ? set->AbsoluteY() : set->AbsoluteX();
    // The gap lies centred where the border was let go.
    const int32_t position = dragPosition_ + set->border - origin;
    const int32_t end = (set->rows ? dragNode_->y + dragNode_->height : dragNode_->x + dragNode_->width);
    const int32_t beforeStart = set->rows ? before->y : before->x;
    const int32_t beforeSize = std::max<int32_t>(0, position - gap - beforeStart);
    const int32_t size = std::max<int32_t>(0, end - position);
    if (set->rows) {
        SetFrameRect(*before, before->x, beforeStart, before->width, beforeSize, true);
        SetFrameRect(*dragNode_, dragNode_->x, position, dragNode_->width, size, true);
    } else {
        SetFrameRect(*before, beforeStart, before->y, beforeSize, before->height, true);
        SetFrameRect(*dragNode_, position, dragNode_->y, size, dragNode_->height, true);
    }
    LayoutFrameSet(*before, true, true, before->border);
    LayoutFrameSet(*dragNode_, true, true, dragNode_->border);
    if (!set->rows) {
        StartFrames(*before, 0, 0);
        StartFrames(*dragNode_, 0, 0);
    }
    if (DeviceWindow()) InvalidateRect(DeviceWindow(), nullptr, TRUE);
    WindowServices().UpdateScrollBars(DeviceWindow());
    dragNode_ = nullptr;
}

// --- scripts ------------------------------------------------------------------------

int32_t HtmlDocument::FireEvent(int code, int32_t a, int32_t b, int32_t c, int32_t d) {
    return page_ ? page_->FireEvent(code, a, b, c, d) : 1;
}

void HtmlDocument::StopScripts() {
    if (frameRoot_) ForEachFrameDocument([](FrameNode&, Document& d) { d.StopScripts(); });
    if (page_) page_->StopScripts();
}

int32_t HtmlDocument::RunScriptUrl(const UrlHandle& url, int32_t a, int32_t b) {
    Document* d = Active();
    return d ? d->RunScriptUrl(url, a, b) : 0;
}
