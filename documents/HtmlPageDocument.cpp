#include "documents/HtmlPageDocument.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/DocumentMessages.h"
#include "documents/DocumentWindows.h"
#include "documents/FormControlWindows.h"
#include "documents/HtmlDocument.h"
#include "documents/PageLayout.h"
#include "documents/PagePrintJob.h"
#include "html/ElementRecords.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "html/PageUrls.h"
#include "html/UrlContentFeed.h"
#include "layout/FormControl.h"
#include "layout/FormSubmission.h"
#include "layout/PageImageWindowWin32.h"
#include "layout/PageImages.h"
#include "layout/LayoutElement.h"
#include "layout/PagedDevice.h"
#include "layout/PaintDevice.h"
#include "layout/RepaintRegion.h"
#include "layout/UrlImages.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"

namespace {

bool IsImageKind(int kind) {
    return kind == 2 || kind == 3 || kind == 6;
}

int PreferenceOr(PrefInt setting, int fallback) {
    return g_preferences ? g_preferences->Get(setting) : fallback;
}

// The text fragments of a layout in leaf order.
void CollectText(LayoutElement* box, std::vector<LayoutElement*>& out) {
    for (LayoutElement* c = box->FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() == LayoutElement::kReferenceBox) continue;
        if (c->GetKind() == LayoutElement::kTextFragment)
            out.push_back(c);
        else
            CollectText(c, out);
    }
}

int IndexOf(const std::vector<LayoutElement*>& list, const LayoutElement* e) {
    auto it = std::find(list.begin(), list.end(), e);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

// The nearest enclosing A with a link, or null.
HtmlElement* EnclosingAnchor(HtmlElement* e) {
    for (; e; e = e->Parent()) {
        if (e->Type() == kTagA) {
            auto* a = e->RecordAs<AnchorRecord>();
            if (a && a->href) return e;
        }
    }
    return nullptr;
}

// A place the keyboard stops at: a field with a window, or a link (one
// stop for the run of boxes it shows in); its rectangle in document
// coordinates.
struct KeyStop {
    HtmlElement* element;
    FormControl* control;
    RECT rect;
};

std::vector<KeyStop> KeyStopsOf(LayoutElement* layout) {
    std::vector<KeyStop> stops;
    for (TreeNode* n = layout; n; n = n->NextInOrder(false)) {
        auto* box = static_cast<LayoutElement*>(n);
        const int kind = box->GetKind();
        const RECT rect = {box->AbsoluteX(), box->AbsoluteY(), box->AbsoluteX() + box->Width(),
                           box->AbsoluteY() + static_cast<int32_t>(box->Height())};
        if (kind == LayoutElement::kFormControlBox) {
            FormControl* control = static_cast<FormControlBox*>(box)->Control();
            if (control && control->Window() && box->Element()) stops.push_back({box->Element(), control, rect});
            continue;
        }
        if (kind != LayoutElement::kTextFragment && kind != LayoutElement::kImageBox &&
            kind != LayoutElement::kAltTextBox)
            continue;
        HtmlElement* element = nullptr;
        for (LayoutElement* e = box; e && !element; e = e->Parent()) element = e->Element();
        HtmlElement* anchor = EnclosingAnchor(element);
        if (!anchor) continue;
        if (!stops.empty() && stops.back().element == anchor) {
            RECT& r = stops.back().rect;
            r.left = std::min(r.left, rect.left);
            r.top = std::min(r.top, rect.top);
            r.right = std::max(r.right, rect.right);
            r.bottom = std::max(r.bottom, rect.bottom);
        } else {
            stops.push_back({anchor, nullptr, rect});
        }
    }
    return stops;
}

// The stop after (before) the one at index at, round the page; the first
// (last) one when none is marked.
int NextStop(int at, int count, bool forward) {
    if (at < 0) return forward ? 0 : count - 1;
    return (at + (forward ? 1 : count - 1)) % count;
}

}  // namespace

HtmlPageDocument::HtmlPageDocument(HtmlDocument* owner, PaintDevice* device, MessageHandler* handler,
                                   const UrlHandle& url, int32_t width, int32_t height, int32_t frameId)
    : Document(device, handler, url, width, height, frameId),
      owner_(owner),
      imageWindow_(std::make_unique<HandlerImageWindow>(handler)),
      images_(std::make_unique<PageImages>(imageWindow_.get())) {
    ReadImageMode();
    const char* fragment = url.GetFragment();
    if (fragment && *fragment) {
        fragmentName_ = fragment;
        jumpDone_ = false;
    }
    auto* first = new FragmentNode;
    first->name = fragmentName_;
    first->AppendTo(fragments_);
    currentFragment_ = first;
}

HtmlPageDocument::~HtmlPageDocument() {
    DetachScripts();
    if (handler_) {
        handler_->CancelDelayed(kMsgClientPull, url_->GetId(), static_cast<uint32_t>(frameId_));
        handler_->UnregisterAll(this);
    }
    if (active_ && !content_.IsEmpty()) content_.GetPage()->UnlockAll();
    fragments_.Clear();
    // The layout's boxes go before the table that lists them; the table
    // then stops the window viewing its images.
    layout_.reset();
    images_.reset();
}

bool HtmlPageDocument::ImageUrl() const {
    return IsImageKind(url_->GetContentKind());
}

bool HtmlPageDocument::IsTop() const {
    return frameId_ < 0;
}

void HtmlPageDocument::ReadImageMode() {
    HWND window = DeviceWindow();
    if (window && frameId_ >= 0) window = GetParent(window) ? GetParent(window) : window;
    int mode = WindowServices().GetImageMode(window);
    bool shown = mode == kImagesOnRequest || mode == kImagesAutomatic;
    bool automatic = mode == kImagesAutomatic;
    imagesAllowed_ = shown || ImageUrl();
    imagesHeldBack_ = !(automatic || ImageUrl());
    if (!imagesAllowed_) imagesHeldBack_ = true;
    // A window that shows no images gets none, decoded or not: its boxes
    // keep their placeholders.
    images_->SetImageMaker(imagesAllowed_ ? &ImageOfUrl : nullptr);
}

void HtmlPageDocument::RegisterOnce(uint32_t message, uint32_t id) {
    if (handler_ && !handler_->IsRegistered(this, message, id)) (void)handler_->Register(this, message, id);
}

void HtmlPageDocument::PostProgress(uint32_t message) {
    if (!handler_) return;
    Document* top = GetTopDocument();
    uint32_t topId = top ? top->GetUrl()->GetId() : url_->GetId();
    handler_->Post(message, topId,
                   static_cast<uint32_t>(StartedCount()) << 16 | (static_cast<uint32_t>(DoneCount()) & 0xFFFF));
}

// --- start and the layout ---------------------------------------------------

void HtmlPageDocument::DropLayout() {
    images_->LayoutDropped();
    layout_.reset();
}

void HtmlPageDocument::ResetLayout() {
    DropLayout();
    format_ = ::FormatState();
    format_.state = kFormatNothingToDo;
    format_.imagesWanted = !imagesHeldBack_;
    ResetLoadCounts();
    loadingStarted_ = false;
    awaitedId_ = 0;
    firstPaint_ = true;
    fragmentElement_ = nullptr;
    jumpDone_ = fragmentName_.empty();
    selStart_ = selEnd_ = SelectionEnd();
    searchFragment_ = nullptr;
}

bool HtmlPageDocument::EnsureLayout() {
    if (layout_) return true;
    if (!device_) return false;
    layout_ = std::make_unique<PageLayout>(*device_, width_);
    layout_->SetImages(images_.get());
    layout_->SetSavedControls(&savedControls_);
    return true;
}

int HtmlPageDocument::Start(int32_t reload, int32_t a, int32_t startArg) {
    ReadImageMode();
    const uint32_t id = url_->GetId();
    RegisterOnce(kMsgLoadStatus, id);
    RegisterOnce(kMsgMoreData, id);
    RegisterOnce(kMsgFormatMore, id);
    RegisterOnce(kMsgFormatAll, id);
    RegisterOnce(kMsgRedirected, id);
    RegisterOnce(kMsgPartReplaces, id);
    RegisterOnce(kMsgNextAnimationFrame, 0);

    bool imagePage = false;
    if (content_.IsEmpty() || !content_->Root()) {
        if (ImageUrl()) {
            DocumentContentHandle made(false);
            made->BuildImagePage(url_.GetName());
            content_ = made;
            imageState_ = 3;
            imagePage = true;
        } else {
            // Controls of another content's elements are of no use here;
            // they go while their elements are still there.
            DropLayout();
            savedControls_.Clear();
            focusLink_ = nullptr;
            if (handler_) url_->GetDocumentContent(handler_);
            content_ = DocumentContentOf(*url_.Record());
            loading_ = true;
        }
        if (active_ && !content_.IsEmpty()) content_.GetPage()->LockAll();
    }
    ResetLayout();
    finished_ = false;
    loading_ = true;
    displayMode_ = WindowServices().GetDocumentMode(DeviceWindow());
    if (savedPosition_ >= 0) {
        scrollY_ = savedPosition_;
        savedPosition_ = -1;
    }
    if (PageProperties* page = content_.GetPage()) {
        page->loadRequest = [this](const UrlHandle& wanted) {
            if (wanted.IsEmpty() || !handler_) return;
            RegisterOnce(kMsgLoadStatus, wanted->GetId());
            (void)wanted->StartLoad(handler_, url_, true, false);
        };
    }
    AttachScripts();
    if (imagePage) StartReferencedLoads(true);
    // The first step runs at once when data is already there; otherwise
    // the page waits in state 5 for its URL's data.
    if (!content_.IsEmpty() && content_->Root()) FormatStep(true);
    return kStartShown;
}

int HtmlPageDocument::FormatStep(bool repaint) {
    if (content_.IsEmpty() || !EnsureLayout()) return 0;
    RepaintRegion region;
    RepaintRegion* previous = RepaintRegion::Current();
    RepaintRegion::SetCurrent(&region);
    const int32_t oldScroll = scrollY_;
    const int generation = layout_->Generation();
    int state = FormatContentStep(*content_.Get(), *layout_, format_);
    RepaintRegion::SetCurrent(previous);
    if (layout_->Generation() != generation) {
        // The layout started again: its old boxes are gone.
        selStart_ = selEnd_ = SelectionEnd();
        searchFragment_ = nullptr;
    }

    if (!jumpDone_) TryFragmentJump();
    RefocusField();
    if (state == kFormatDone) {
        jumpDone_ = true;
        // Controls whose elements the whole page placed no more.
        savedControls_.Clear();
    }

    if (jumpDone_ && repaint && device_) {
        if (firstPaint_ || scrollY_ != oldScroll) {
            firstPaint_ = false;
            InvalidateVisible(scrollX_, scrollY_, scrollX_ + width_, scrollY_ + height_);
        } else if (!region.IsEmpty()) {
            int32_t left = std::max(region.Left(), scrollX_);
            int32_t top = std::max(region.Top(), scrollY_);
            int32_t right = std::min(region.Right(), scrollX_ + width_);
            int32_t bottom = std::min(region.Bottom(), scrollY_ + height_);
            if (right > left && bottom > top) InvalidateVisible(left, top, right, bottom);
        }
        if (handler_) handler_->Post(kMsgRepainted, static_cast<uint32_t>(frameId_), 0);
    }

    // The pictures the step laid out load now, before the page can count
    // itself done (those of the page's own list have started already and
    // are counted there).
    if (!imagesHeldBack_ && handler_) StartTableLoads();
    const uint32_t id = url_->GetId();
    switch (state) {
        case kFormatDone:
            StartReferencedLoads(true);
            if (LoadsDone()) {
                loadingStarted_ = false;
                if (!finished_ && loading_) {
                    Finish();
                }
            }
            break;
        case kFormatLayoutWait: {
            // The layout waits for a URL: an image without a size, or a file
            // the page needs first. It resumes with that URL's 0x8181.
            PageProperties* page = content_.GetPage();
            if (page && page->pendingScriptUrl && !page->pendingScriptUrl->IsEmpty()) {
                UrlHandle wanted = *page->pendingScriptUrl;
                awaitedId_ = static_cast<int32_t>(wanted->GetId());
                RegisterOnce(kMsgLoadStatus, wanted->GetId());
                if (handler_) (void)wanted->StartLoad(handler_, url_, true, false);
                ++started_;
                PostProgress(kMsgPageLoadsStarted);
            } else {
                awaitedId_ = -1;
            }
            break;
        }
        case kFormatLayoutMore: {
            const bool all = url_->GetLoadStatus(true) == kLoadLoaded || content_->IsComplete();
            if (handler_) handler_->Post(all ? kMsgFormatAll : kMsgFormatMore, id, 0);
            break;
        }
        default:
            break;
    }
    return 1;
}

void HtmlPageDocument::StartTableLoads() {
    std::vector<UrlHandle> started;
    (void)images_->StartLoads(this, url_, &started);
    PageProperties* page = content_.GetPage();
    bool counted = false;
    for (const UrlHandle& url : started) {
        if (page && page->CountEntriesForUrl(url->GetId(true)) > 0) continue;
        const bool pending = std::any_of(tableLoads_.begin(), tableLoads_.end(),
                                         [&](const UrlHandle& u) { return u.Record() == url.Record(); });
        if (pending) continue;
        tableLoads_.push_back(url);
        ++tableStarted_;
        counted = true;
    }
    if (counted) {
        loading_ = true;
        PostProgress(kMsgPageLoadsStarted);
    }
}

int32_t HtmlPageDocument::TableLoadDone(uint32_t id) {
    const size_t before = tableLoads_.size();
    tableLoads_.erase(std::remove_if(tableLoads_.begin(), tableLoads_.end(),
                                     [id](const UrlHandle& u) { return u->GetId() == id || u->GetId(true) == id; }),
                      tableLoads_.end());
    return static_cast<int32_t>(before - tableLoads_.size());
}

void HtmlPageDocument::ResetLoadCounts() {
    started_ = done_ = 0;
    tableStarted_ = 0;
    tableLoads_.clear();
}

void HtmlPageDocument::InvalidateVisible(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (!device_ || right <= left || bottom <= top) return;
    device_->InvalidateArea(left - scrollX_, top - scrollY_, right - left, bottom - top, true);
}

int HtmlPageDocument::StartReferencedLoads(bool first) {
    if (imagesHeldBack_ || content_.IsEmpty()) return 0;
    PageProperties* page = content_.GetPage();
    int index = 0;
    bool startedAny = false;
    for (ReferencedUrl* e = page->GetReferencedUrls().First(); e; e = ReferencedUrlList::Next(e), ++index) {
        if (index < started_) continue;
        ++started_;
        UrlHandle url = e->url;
        int kind = url.IsEmpty() ? -1 : url->GetScheme();
        int status = url.IsEmpty() ? kLoadLoaded : url->GetLoadStatus(true);
        if (url.IsEmpty() || status == kLoadLoaded || status == kLoadFailed) {
            ++done_;
            if (e->flag == kRefStyleLink && format_.state == kFormatSheetsWait) page->StyleSheetArrived(e->element);
            if (e->flag == kRefEmbed && !url.IsEmpty() && handler_) {
                RegisterOnce(kMsgLoadStatus, url->GetId());
                handler_->Post(kMsgLoadStatus, url->GetId(), static_cast<uint32_t>(status) << 8 | 1);
                --done_;  // counted when the posted notice arrives
            }
            continue;
        }
        if (kind == kSchemeNews || kind == kSchemeMailto || kind == kSchemeSnews || !handler_) {
            ++done_;
            continue;
        }
        RegisterOnce(kMsgLoadStatus, url->GetId());
        loadingStarted_ = true;
        startedAny = true;
        if (status != kLoadLoading) (void)url->StartLoad(handler_, url_, true, false);
    }
    if (startedAny) {
        loading_ = true;
        PostProgress(kMsgPageLoadsStarted);
    }
    return startedAny ? 1 : 0;
}

void HtmlPageDocument::OnMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    const uint32_t ownId = url_->GetId();
    switch (message) {
        case kMsgLoadStatus:
            OnMessageData(p1, p2);
            break;
        case kMsgMoreData:
            if (p1 != ownId) break;
            if (!fragmentElement_ && !fragmentName_.empty()) TryFragmentJump();
            StartReferencedLoads(true);
            if (format_.state == kFormatNothingToDo) {
                FormatStep(true);
            } else if (format_.state == kFormatDone && !finished_ && loading_ &&
                       (LoadsDone() || imagesHeldBack_)) {
                Finish();
            }
            break;
        case kMsgFormatMore:
        case kMsgFormatAll:
            if (format_.state == kFormatLayoutMore) FormatStep(true);
            break;
        case kMsgRedirected:
            RegisterOnce(kMsgLoadStatus, p1 & 0xFFFF);
            break;
        case kMsgNextAnimationFrame:
            // The next frame of an animated image: its boxes repaint.
            if (layout_ && device_) images_->RedrawUrl(p1, *device_, scrollX_, scrollY_, width_, height_, false);
            break;
        case kMsgScriptResult:
            OnScriptRunMessage(p1, p2);
            break;
        default:
            break;
    }
}

bool HtmlPageDocument::OnMessageData(uint32_t id, uint32_t p2) {
    // The low byte of p2 tells image data from other reports; either way a
    // URL still loading is not done: its new data only repaints.
    const int status = static_cast<int>((p2 >> 8) & 0xFF);
    const uint32_t ownId = url_->GetId();
    if (id != ownId) OnImageData(id);
    if (status == kLoadLoading) return false;
    images_->MarkUrlLoaded(id);
    PageProperties* page = content_.GetPage();
    if (id != ownId || !page) {
        if (page) done_ += page->CountEntriesForUrl(id);
        if (done_ > started_) done_ = started_;
        (void)TableLoadDone(id);
    }
    if (handler_ && id != ownId) handler_->Unregister(this, kMsgLoadStatus, id);
    if (!finished_) PostProgress(kMsgPageLoadsDone);

    if (imageState_ == 3 && id == ownId) imageState_ = status == kLoadLoaded ? 0 : 1;

    if (format_.state == kFormatLayoutWait && (static_cast<int32_t>(id) == awaitedId_ || awaitedId_ < 0)) {
        awaitedId_ = 0;
        if (page) page->pendingScriptUrl.reset();
        FormatStep(true);
    } else if (format_.state == kFormatSheetsWait && page) {
        if (HtmlElement* link = page->FindStyleLinkByUrl(id)) {
            page->StyleSheetArrived(link);
            FormatStep(true);
        }
    }
    if (format_.state == kFormatDone && LoadsDone() && !finished_ && loading_) {
        if (handler_) {
            handler_->UnregisterAll(this);
            RegisterOnce(kMsgFormatMore, ownId);
            RegisterOnce(kMsgNextAnimationFrame, 0);
        }
        Finish();
    }
    return true;
}

void HtmlPageDocument::OnImageData(uint32_t id) {
    if (!layout_) return;
    images_->RefreshUrl(id);
    if (images_->AwaitsSize(id)) {
        Relayout();
    } else if (device_) {
        images_->RedrawUrl(id, *device_, scrollX_, scrollY_, width_, height_, false);
    }
}

void HtmlPageDocument::Relayout() {
    if (!layout_ || content_.IsEmpty()) return;
    DropLayout();
    format_ = ::FormatState();
    format_.state = kFormatNothingToDo;
    format_.imagesWanted = !imagesHeldBack_;
    awaitedId_ = 0;
    firstPaint_ = true;
    selStart_ = selEnd_ = SelectionEnd();
    searchFragment_ = nullptr;
    FormatStep(true);
}

void HtmlPageDocument::Finish() {
    finished_ = true;
    loading_ = false;
    // The pictures out of sight that no window shows go to the image cache,
    // which may trim them like any other unused image.
    if (!imagesHeldBack_ && layout_) images_->PaintVisible(scrollX_, scrollY_, width_, height_);
    Document* top = GetTopDocument();
    bool report = IsTop() || (top && top->IsFormatted());
    if (report && handler_) handler_->Post(kMsgLoadNotice, kNoticeDocumentDone, url_->GetId());
    LoadFinished();
    AfterFormat();
}

void HtmlPageDocument::FinishFromOwner() {
    finished_ = true;
    loading_ = false;
    if (handler_) handler_->Post(kMsgLoadNotice, kNoticeDocumentDone, url_->GetId());
}

void HtmlPageDocument::AfterFormat() {
    StartClientPull(frameId_);
}

void HtmlPageDocument::LoadFinished() {
    if (!loadEventPending_ || format_.state != kFormatDone) return;
    loadEventPending_ = false;
    FireEvent(kEventLoad, 0, 0, 0, 0);
    if (owner_) owner_->OnLoadStepDone();
}

void HtmlPageDocument::OnLoadStepDone() {
    LoadFinished();
}

void HtmlPageDocument::StartClientPull(int32_t frameId) {
    if (content_.IsEmpty() || !handler_) return;
    if (PreferenceOr(PrefInt::ClientPull, 1) == 0) return;
    PageProperties* page = content_.GetPage();
    int delay = page->GetRefreshDelay();
    const UrlHandle* refresh = page->GetRefreshUrl();
    if (delay < 0 || !refresh || refresh->IsEmpty()) return;
    // A local file that refreshes itself at once would reload without end.
    if (url_->GetScheme() == kSchemeFile && delay < 2) delay = 2;
    handler_->CancelDelayed(kMsgClientPull, url_->GetId(), static_cast<uint32_t>(frameId_));
    handler_->PostDelayed(kMsgClientPull, url_->GetId(), static_cast<uint32_t>(frameId_),
                          static_cast<uint32_t>(delay) * 1000u);
}

void HtmlPageDocument::Stop(int32_t flag) {
    if (ImageUrl()) return;
    imagesHeldBack_ = true;
    PageProperties* page = content_.GetPage();
    if (handler_) {
        for (const UrlHandle& url : tableLoads_) {
            if (url->GetLoadStatus(true) == kLoadLoading) url->RemoveTarget(handler_);
        }
    }
    if (page && handler_) {
        for (ReferencedUrl* e = page->GetReferencedUrls().First(); e; e = ReferencedUrlList::Next(e)) {
            if (!e->url.IsEmpty() && e->url->GetLoadStatus(true) == kLoadLoading) e->url->RemoveTarget(handler_);
        }
    }
    if (!finished_ && loading_) {
        int status = url_->GetLoadStatus(true);
        if (status == kLoadLoaded || status == kLoadFailed) Finish();
    }
    ResetLoadCounts();
    loadingStarted_ = false;
    if (format_.state != kFormatDone) FormatStep(true);
}

int32_t HtmlPageDocument::LoadInlineObjects() {
    LoadImages(false);
    return 0;
}

void HtmlPageDocument::LoadImages(bool later) {
    if (!imagesAllowed_ || ImageUrl()) return;
    imagesHeldBack_ = false;
    ResetLoadCounts();
    if (StartReferencedLoads(true)) {
        loading_ = true;
        finished_ = false;
        if (!later) Start(1, 0, 0);
    }
}

bool HtmlPageDocument::ReloadBackground() {
    UrlHandle image = GetBackgroundImageUrl();
    PageProperties* page = content_.GetPage();
    if (image.IsEmpty() || !page || !handler_) return false;
    // Its entries count as done again only when the new data has come, so
    // that the page finishes (and tells its window) after it.
    done_ -= page->CountEntriesForUrl(image->GetId(true));
    loading_ = true;
    finished_ = false;
    RegisterOnce(kMsgLoadStatus, image->GetId());
    PostProgress(kMsgPageLoadsStarted);
    image->RequestLoad(handler_, url_, false, true, false, false);
    return true;
}

// --- states ------------------------------------------------------------------

int32_t HtmlPageDocument::IsFormatted() {
    return format_.state == kFormatDone ? 1 : 0;
}

int32_t HtmlPageDocument::NeedsNewFormat() {
    return WindowServices().GetDocumentMode(DeviceWindow()) != displayMode_ ? 1 : 0;
}

int32_t HtmlPageDocument::IsComplete() {
    if (content_.IsEmpty()) return 0;
    return content_->IsComplete() && !content_->HasBlockedScripts() ? 1 : 0;
}

int32_t HtmlPageDocument::GetPendingCount() {
    return LoadsDone() ? 0 : StartedCount() - DoneCount();
}

void HtmlPageDocument::MarkForNewFormat() {
    format_.state = 2;
}

int32_t HtmlPageDocument::GetFormatPosition() {
    return (static_cast<int32_t>(StartedCount() & 0xFFFF) << 16) | (DoneCount() & 0xFFFF);
}

int32_t HtmlPageDocument::SetActive(bool on) {
    if (on && !active_) {
        RegisterOnce(kMsgScriptResult, kScriptRunTag);
        Document::SetActive(true);
        if (!content_.IsEmpty()) content_.GetPage()->LockAll();
        loadEventPending_ = true;
    } else if (!on && active_) {
        if (handler_) {
            handler_->CancelDelayed(kMsgClientPull, url_->GetId(), static_cast<uint32_t>(frameId_));
            handler_->UnregisterAll(this);
        }
        FireEvent(kEventUnload, 0, 0, 0, 0);
        Document::SetActive(false);
        if (!content_.IsEmpty()) content_.GetPage()->UnlockAll();
    }
    return 0;
}

int HtmlPageDocument::ApplyImageMode(int mode) {
    if (ImageUrl()) return kStartNothing;
    bool heldBefore = imagesHeldBack_;
    ReadImageMode();
    if (heldBefore == imagesHeldBack_) return kStartNothing;
    Start(1, 0, 0);
    return layout_ && format_.state == kFormatDone ? 109 : kStartShown;
}

int HtmlPageDocument::ReleaseData() {
    if (useCount_ > 0) return 0;
    ReleaseLayout();
    // What the page gives up is loaded again when it is shown: its images too.
    images_->ReleasePreviousImages();
    if (active_ && !content_.IsEmpty()) content_.GetPage()->UnlockAll();
    DetachScripts();
    content_ = DocumentContentHandle();
    ResetLoadCounts();
    return 1;
}

void HtmlPageDocument::ReleaseLayout() {
    DropLayout();
    selStart_ = selEnd_ = SelectionEnd();
    searchFragment_ = nullptr;
    if (format_.state == kFormatDone) format_.state = 2;
}

void HtmlPageDocument::DiscardLayoutState() {
    print_.reset();
}

uint8_t HtmlPageDocument::FormatToDevice(PaintDevice* device) {
    if (!layout_ || !IsFormatted() || content_.IsEmpty() || !device) return 5;
    if (auto* paged = dynamic_cast<PagedDevice*>(device)) {
        PagePrintJob job(*content_.Get(), *paged);
        while (job.PrintNext()) {
        }
        return 4;
    }
    PageLayout other(*device, device->GetViewWidth());
    ::FormatState state;
    for (int i = 0; i < 100000; ++i) {
        if (FormatContentStep(*content_.Get(), other, state) != kFormatLayoutMore) break;
    }
    return 4;
}

uint8_t HtmlPageDocument::PreparePrint(PaintDevice* printer, int32_t firstPage, int32_t selectionOnly) {
    print_.reset();
    auto* paged = dynamic_cast<PagedDevice*>(printer);
    if (!paged || !layout_ || !IsFormatted() || content_.IsEmpty()) return 5;
    auto job = std::make_unique<PagePrintJob>(*content_.Get(), *paged);
    if (!job->HasLayout()) return 5;
    if (selectionOnly) {
        // From the top of the selection's first text to the bottom of its
        // last, as the printer lays them out.
        if (!selStart_.fragment || !selEnd_.fragment) return 5;
        const SelectionEnd& first = selForward_ ? selStart_ : selEnd_;
        const SelectionEnd& last = selForward_ ? selEnd_ : selStart_;
        int32_t top = 0, bottom = 0;
        if (!job->ElementSpan(first.fragment->Element(), top, bottom)) return 5;
        job->SkipTo(top);
        job->StopAfter(last.fragment->Element());
    } else if (firstPage > 1) {
        job->SkipPages(firstPage - 1);
    }
    if (job->Done()) return 5;
    print_ = std::move(job);
    if (handler_) handler_->Post(kMsgPrintReady, 0, 0);
    return 3;
}

uint8_t HtmlPageDocument::PrintPage(PaintDevice* printer, int32_t selectionOnly, int32_t spare) {
    if (!print_ || static_cast<PaintDevice*>(&print_->Printer()) != printer) return 5;
    if (!print_->PrintNext()) {
        print_.reset();
        return 5;
    }
    const auto pages = static_cast<uint32_t>(print_->PagesPrinted());
    const bool last = print_->Done();
    if (last) print_.reset();
    if (handler_) handler_->Post(last ? kMsgPrintLastPage : kMsgPrintPageDone, pages, 0);
    return 3;
}

int32_t HtmlPageDocument::SetSize(int32_t width, int32_t height, bool notify, bool quiet) {
    const int32_t oldWidth = width_;
    const int32_t oldHeight = height_;
    Document::SetSize(width, height, notify, quiet);
    if (height != oldHeight && layout_) {
        int32_t bottom = GetContentHeight();
        if (scrollY_ + height > bottom && bottom > height) scrollY_ = bottom - height;
    }
    if (width != oldWidth && layout_ && !quiet) {
        MarkForNewFormat();
        Start(1, 0, 0);
    }
    return 0;
}

int32_t HtmlPageDocument::GetContentWidth() {
    return layout_ ? layout_->ContentWidth() : 0;
}

int32_t HtmlPageDocument::GetContentHeight() {
    return layout_ ? layout_->ContentHeight() : 0;
}

const char* HtmlPageDocument::GetTitle() {
    return content_.IsEmpty() ? nullptr : content_->GetTitle();
}

PageProperties* HtmlPageDocument::GetPage() {
    return content_.GetPage();
}

UrlHandle HtmlPageDocument::GetBackgroundImageUrl() {
    PageProperties* page = content_.GetPage();
    return page ? page->GetBodyBackgroundUrl() : UrlHandle();
}

// --- painting ---------------------------------------------------------------

uint8_t HtmlPageDocument::Paint(const RECT& rect) {
    if (!device_) return 2;
    DeviceRect area{rect.left, rect.top, rect.right, rect.bottom};
    if (!jumpDone_ || !layout_) {
        device_->FillBackground(area);
        return 2;
    }
    if (rect.right > rect.left && rect.bottom > rect.top) {
        int32_t background = layout_->Background();
        if (background >= 0)
            device_->SetBackgroundColor(static_cast<DeviceColor>(background));
        else
            device_->UseDefaultBackground();
        device_->FillBackground(area);
        layout_->Paint(*device_, rect.left + scrollX_, rect.top + scrollY_, rect.right + scrollX_,
                       rect.bottom + scrollY_, scrollX_, scrollY_);
        // The link Tab stopped at wears a dotted frame.
        if (focusLink_ && layout_->Root()) {
            for (const KeyStop& stop : KeyStopsOf(layout_->Root())) {
                if (stop.element != focusLink_) continue;
                device_->DrawFrameRect(stop.rect.left - scrollX_, stop.rect.top - scrollY_,
                                       stop.rect.right - stop.rect.left, stop.rect.bottom - stop.rect.top, kPenDot);
            }
        }
        // Images scrolled out of the view are no longer viewed by the window.
        images_->DetachOutside(scrollX_, scrollY_, width_, height_);
    }
    LoadFinished();
    return 0;
}

void HtmlPageDocument::RefreshLayout() {
    if (DeviceWindow()) InvalidateRect(DeviceWindow(), nullptr, TRUE);
    AfterFormat();
}

// --- links ------------------------------------------------------------------

HtmlElement* HtmlPageDocument::LinkElementAt(int32_t x, int32_t y, LayoutElement** box) {
    if (!layout_ || !layout_->Root()) return nullptr;
    LayoutElement* hit = layout_->Root()->ElementAt(x + scrollX_, y + scrollY_);
    if (box) *box = hit;
    for (LayoutElement* e = hit; e; e = e->Parent()) {
        if (HtmlElement* element = e->Element()) return element;
    }
    return nullptr;
}

HtmlElement* HtmlPageDocument::ElementAtPoint(int32_t x, int32_t y) {
    return LinkElementAt(x, y, nullptr);
}

FormSubmission* HtmlPageDocument::SubmitAtPoint(int32_t x, int32_t y, HtmlElement* element) {
    LayoutElement* box = nullptr;
    if (!element) element = LinkElementAt(x, y, &box);
    if (!element || !layout_ || !layout_->Root()) return nullptr;
    // The point inside an image button, for its two coordinate pairs.
    int32_t left = 0, top = 0;
    for (LayoutElement* b = box; b; b = b->Parent()) left += b->X(), top += b->Y();
    const int32_t inX = box ? x + scrollX_ - left : 0, inY = box ? y + scrollY_ - top : 0;
    return MakeFormSubmission(element, GetUrl(), layout_->Root(), static_cast<int16_t>(inX), static_cast<int16_t>(inY))
        .release();
}

HtmlElement* HtmlPageDocument::MapAreaAt(HtmlElement* image, int32_t x, int32_t y, UrlHandle& url) {
    auto* record = image ? image->RecordAs<ImageRecord>() : nullptr;
    if (!record || !record->useMap || content_.IsEmpty() || !content_->Root()) return nullptr;
    // "#name" names a MAP of this page.
    const char* name = record->useMap->GetFragment();
    if (!name || !*name) return nullptr;
    HtmlElement* map = nullptr;
    for (HtmlElement* e = content_->Root(); e && !map; e = e->NextInOrder()) {
        auto* m = e->Type() == kTagMap ? e->RecordAs<MapRecord>() : nullptr;
        if (m && m->name.Get() && std::strcmp(m->name.Get(), name) == 0) map = e;
    }
    if (!map) return nullptr;
    // The first area that holds the point; failing that, the default one.
    HtmlElement* fallback = nullptr;
    for (HtmlElement* e = map->NextInOrder(); e && map->Contains(e); e = e->NextInOrder()) {
        auto* area = e->Type() == kTagArea ? e->RecordAs<AreaRecord>() : nullptr;
        if (!area) continue;
        if (area->shape == 0) {
            if (!area->noHref && !area->GetHref().IsEmpty()) fallback = e;
            continue;
        }
        if (area->HitTest(x, y, url)) return e;
    }
    if (fallback) url = fallback->RecordAs<AreaRecord>()->GetHref();
    return fallback;
}

HtmlPageDocument::PointLink HtmlPageDocument::LinkAt(int32_t x, int32_t y) {
    PointLink link;
    LayoutElement* box = nullptr;
    HtmlElement* element = LinkElementAt(x, y, &box);
    if (!element) return link;
    PageProperties* page = content_.GetPage();
    const char* baseTarget = page && !page->GetTargetName().empty() ? page->GetTargetName().c_str() : nullptr;
    int32_t inX = 0, inY = 0;
    if (element->Type() == kTagImg) {
        // The point inside the image: less the place of the image's box.
        while (box && box->Element() != element) box = box->Parent();
        inX = x + scrollX_ - (box ? box->AbsoluteX() : 0);
        inY = y + scrollY_ - (box ? box->AbsoluteY() : 0);
        UrlHandle href;
        if (HtmlElement* area = MapAreaAt(element, inX, inY, href)) {
            auto* r = area->RecordAs<AreaRecord>();
            link.element = area;
            link.url = href;
            link.target = r->target.IsSet() ? r->target.Get() : baseTarget;
            return link;
        }
    }
    HtmlElement* anchor = EnclosingAnchor(element);
    if (!anchor) return link;
    auto* a = anchor->RecordAs<AnchorRecord>();
    link.element = anchor;
    link.url = *a->href;
    link.target = a->target.IsSet() ? a->target.Get() : baseTarget;
    link.fragment = a->fragment.Get();
    if (element->Type() == kTagImg) {
        auto* image = element->RecordAs<ImageRecord>();
        link.ismap = image && image->isMap;
        link.mapX = inX;
        link.mapY = inY;
    }
    return link;
}

std::string HtmlPageDocument::PointLink::IsmapName() const {
    char point[24];
    std::snprintf(point, sizeof point, "?%d,%d", static_cast<int>(mapX), static_cast<int>(mapY));
    const char* name = url.GetName();
    return std::string(name ? name : "") + point;
}

const char* HtmlPageDocument::DescribePoint(int32_t x, int32_t y, HtmlElement** element, const char** fragment,
                                            int32_t* ismap) {
    if (element) *element = nullptr;
    if (fragment) *fragment = nullptr;
    if (ismap) *ismap = 0;
    PointLink link = LinkAt(x, y);
    if (!link.element || link.url.IsEmpty()) return nullptr;
    if (element) *element = link.element;
    if (link.ismap) {
        if (ismap) *ismap = 1;
        linkBuffer_ = link.IsmapName();
        return linkBuffer_.c_str();
    }
    auto* a = link.element->RecordAs<AnchorRecord>();
    if (a && PreferenceOr(PrefInt::DisplayLinkTitle, 1) && a->title.IsSet()) return a->title.Get();
    if (fragment) *fragment = link.fragment;
    linkBuffer_ = PageUrls::FullName(link.url);
    return linkBuffer_.c_str();
}

UrlHandle HtmlPageDocument::ActivateAtPoint(int32_t x, int32_t y, LinkHit* hit) {
    PointLink link = LinkAt(x, y);
    if (!link.element || link.url.IsEmpty()) return UrlHandle();
    if (hit) {
        hit->element = link.element;
        std::snprintf(hit->target, sizeof hit->target, "%s", link.target ? link.target : "");
    }
    UrlHandle url = link.url;
    if (link.ismap) {
        PageProperties* page = content_.GetPage();
        url = page ? page->FindUrl(nullptr, link.IsmapName().c_str()) : UrlHandle();
        return url;
    }
    // A link to a place of this very page only scrolls.
    if (url.Record() == url_.Record() && url.GetFragment() && *url.GetFragment()) {
        JumpToFragment(url.GetFragment());
    }
    return url;
}

// --- keyboard stops -----------------------------------------------------------

int32_t HtmlPageDocument::MoveLinkFocus(bool forward, RECT* focus) {
    if (!layout_ || !layout_->Root()) return 0;
    const std::vector<KeyStop> stops = KeyStopsOf(layout_->Root());
    if (stops.empty()) return 0;
    // From the field of this page that has the keyboard, else from the link.
    FormControl* typing = FormControlOfWindow(GetFocus());
    const int count = static_cast<int>(stops.size());
    int at = -1;
    for (int i = 0; i < count && at < 0; ++i) {
        const bool here = typing ? stops[i].control == typing : focusLink_ && stops[i].element == focusLink_;
        if (here) at = i;
    }
    const KeyStop& stop = stops[NextStop(at, count, forward)];
    MarkLink(stop.control ? nullptr : stop.element);
    if (stop.control) {
        // A field not painted yet gets its place first.
        stop.control->Position(stop.rect.left - scrollX_, stop.rect.top - scrollY_, true);
        stop.control->Focus();
    }
    if (focus) *focus = stop.rect;
    return 1;
}

UrlHandle HtmlPageDocument::SelectAdjacentLink(bool forward, RECT* focus, LinkHit* hit) {
    if (!layout_ || !layout_->Root()) return UrlHandle();
    std::vector<KeyStop> links = KeyStopsOf(layout_->Root());
    links.erase(std::remove_if(links.begin(), links.end(), [](const KeyStop& s) { return s.control != nullptr; }),
                links.end());
    if (links.empty()) return UrlHandle();
    const int count = static_cast<int>(links.size());
    int at = -1;
    for (int i = 0; i < count && at < 0; ++i) {
        if (focusLink_ && links[i].element == focusLink_) at = i;
    }
    const KeyStop& stop = links[NextStop(at, count, forward)];
    MarkLink(stop.element);
    if (focus) *focus = stop.rect;
    return FocusedLinkUrl(hit);
}

UrlHandle HtmlPageDocument::FocusedLinkUrl(LinkHit* hit) {
    auto* a = focusLink_ ? focusLink_->RecordAs<AnchorRecord>() : nullptr;
    if (!a || !a->href) return UrlHandle();
    if (hit) {
        PageProperties* page = content_.GetPage();
        const char* target = a->target.IsSet() ? a->target.Get()
                             : page && !page->GetTargetName().empty() ? page->GetTargetName().c_str()
                                                                      : "";
        hit->element = focusLink_;
        hit->fragment = a->fragment.Get();
        std::snprintf(hit->target, sizeof hit->target, "%s", target);
    }
    return *a->href;
}

UrlHandle HtmlPageDocument::ActivateFocused(LinkHit* hit) {
    LinkHit own;
    if (!hit) hit = &own;
    UrlHandle url = FocusedLinkUrl(hit);
    // A link to a place of this very page only scrolls.
    if (!url.IsEmpty() && url.Record() == url_.Record() && hit->fragment && *hit->fragment)
        JumpToFragment(hit->fragment);
    return url;
}

void HtmlPageDocument::MarkLink(HtmlElement* anchor) {
    HtmlElement* before = focusLink_;
    focusLink_ = anchor;
    if (before != focusLink_) {
        InvalidateLink(before);
        InvalidateLink(focusLink_);
    }
    if (anchor && DeviceWindow() && GetFocus() != DeviceWindow()) SetFocus(DeviceWindow());
}

void HtmlPageDocument::RefocusField() {
    FormControl* control = savedControls_.TakeRefocus();
    if (!control || !layout_ || !layout_->Root()) return;
    // Unless the user has put the keyboard elsewhere meanwhile: hiding the
    // field gave it to the view, or the window's frame took it.
    const HWND focus = GetFocus();
    if (focus && focus != DeviceWindow() && !IsChild(focus, DeviceWindow())) return;
    for (const KeyStop& stop : KeyStopsOf(layout_->Root())) {
        if (stop.control != control) continue;
        control->Position(stop.rect.left - scrollX_, stop.rect.top - scrollY_, true);
        control->Focus();
        return;
    }
}

void HtmlPageDocument::InvalidateLink(HtmlElement* anchor) {
    if (!anchor || !layout_ || !layout_->Root()) return;
    for (const KeyStop& stop : KeyStopsOf(layout_->Root())) {
        if (stop.element == anchor)
            InvalidateVisible(stop.rect.left - 1, stop.rect.top - 1, stop.rect.right + 1, stop.rect.bottom + 1);
    }
}

uint8_t HtmlPageDocument::GetCursorKind(int32_t x, int32_t y) {
    PointLink link = LinkAt(x, y);
    return link.element && !link.url.IsEmpty() ? 3 : 0;
}

int32_t HtmlPageDocument::FirstLinkTextLength() {
    if (content_.IsEmpty() || !content_->Root()) return 0;
    for (TreeNode* n = content_->Root(); n; n = n->NextInOrder(false)) {
        auto* e = static_cast<HtmlElement*>(n);
        if (e->Type() != kTagA) continue;
        HtmlElement* text = e->FirstChild();
        const char* t = text ? text->GetText() : nullptr;
        if (!t || !*t || *t == 'x' || *t == 'X' || *t == '*') continue;
        return static_cast<int32_t>(std::strlen(t));
    }
    return 0;
}

UrlHandle HtmlPageDocument::FindLinkUrlByText(const char* name) {
    if (!name || content_.IsEmpty() || !content_->Root()) return UrlHandle();
    for (TreeNode* n = content_->Root(); n; n = n->NextInOrder(false)) {
        auto* e = static_cast<HtmlElement*>(n);
        if (e->Type() != kTagA) continue;
        auto* a = e->RecordAs<AnchorRecord>();
        HtmlElement* text = e->FirstChild();
        const char* t = text ? text->GetText() : nullptr;
        if (a && a->href && t && std::strcmp(t, name) == 0) return *a->href;
    }
    return UrlHandle();
}

// --- fragments ----------------------------------------------------------------

bool HtmlPageDocument::ScrollToElement(HtmlElement* element) {
    if (!element || !layout_ || !layout_->Root()) return false;
    int count = 0;
    LayoutElement* box = layout_->Root()->FindFor(element, count);
    // A named anchor without a box of its own is found by what follows it.
    for (TreeNode* n = element; !box && n; n = n->NextInOrder(false)) {
        count = 0;
        box = layout_->Root()->FindFor(static_cast<HtmlElement*>(n), count);
    }
    if (!box) return false;
    int32_t y = box->AbsoluteY();
    int32_t dy = y - scrollY_;
    scrollY_ = y;
    if (dy != 0) WindowServices().ScrollViewVertically(DeviceWindow(), dy);
    return true;
}

bool HtmlPageDocument::TryFragmentJump() {
    if (fragmentName_.empty() || content_.IsEmpty()) {
        jumpDone_ = true;
        return false;
    }
    if (!fragmentElement_) fragmentElement_ = content_->FindElementByName(fragmentName_.c_str());
    if (!fragmentElement_) return false;
    if (!content_->IsElementClosed(fragmentElement_) && format_.state != kFormatDone) return false;
    if (ScrollToElement(fragmentElement_)) {
        jumpDone_ = true;
        if (currentFragment_) currentFragment_->element = fragmentElement_;
        return true;
    }
    return false;
}

void HtmlPageDocument::JumpToFragment(const char* name) {
    std::string wanted = name ? name : "";
    if (currentFragment_) currentFragment_->position = scrollY_;
    if (currentFragment_ && currentFragment_->name == wanted && !wanted.empty()) {
        MoveInHistory(currentFragment_);
        return;
    }
    auto* next = currentFragment_ ? static_cast<FragmentNode*>(currentFragment_->Next()) : nullptr;
    if (next && next->name == wanted) {
        MoveInHistory(next);
        return;
    }
    while (currentFragment_ && currentFragment_->Next()) delete currentFragment_->Next();
    auto* node = new FragmentNode;
    node->name = wanted;
    node->AppendTo(fragments_);
    MoveInHistory(node);
}

void HtmlPageDocument::MoveInHistory(FragmentNode* node) {
    currentFragment_ = node;
    fragmentName_ = node->name;
    fragmentElement_ = nullptr;
    if (!node->element && !node->name.empty() && !content_.IsEmpty())
        node->element = content_->FindElementByName(node->name.c_str());
    int32_t before = scrollY_;
    if (!node->element || !ScrollToElement(node->element)) {
        scrollY_ = node->position;
        if (scrollY_ != before) WindowServices().ScrollViewVertically(DeviceWindow(), scrollY_ - before);
    }
    fragmentElement_ = node->element;
    jumpDone_ = true;
    if (scrollY_ != before && DeviceWindow()) InvalidateRect(DeviceWindow(), nullptr, TRUE);
}

int32_t HtmlPageDocument::CanGoBackInside() {
    return currentFragment_ && currentFragment_->Prev() ? 1 : 0;
}

int32_t HtmlPageDocument::CanGoForwardInside() {
    return currentFragment_ && currentFragment_->Next() ? 1 : 0;
}

int HtmlPageDocument::GoBackInside() {
    if (!CanGoBackInside()) return 106;
    currentFragment_->position = scrollY_;
    MoveInHistory(static_cast<FragmentNode*>(currentFragment_->Prev()));
    return 102;
}

int HtmlPageDocument::GoForwardInside() {
    if (!CanGoForwardInside()) return 106;
    currentFragment_->position = scrollY_;
    MoveInHistory(static_cast<FragmentNode*>(currentFragment_->Next()));
    return 102;
}

// --- selection and search -------------------------------------------------------

HtmlPageDocument::SelectionEnd HtmlPageDocument::TextPositionAt(int32_t x, int32_t y) {
    SelectionEnd end;
    if (!layout_ || !layout_->Root() || !device_) return end;
    int index = 0;
    int32_t offset = 0;
    LayoutElement* leaf = layout_->Root()->CharacterAt(*device_, x + scrollX_, y + scrollY_, true, index, offset);
    if (leaf && leaf->GetKind() == LayoutElement::kTextFragment) {
        end.fragment = leaf;
        end.offset = std::max(0, std::min(index, leaf->TextLength()));
    }
    return end;
}

void HtmlPageDocument::RepaintSelection() {
    if (DeviceWindow()) InvalidateRect(DeviceWindow(), nullptr, FALSE);
}

void HtmlPageDocument::SelectAll() {
    if (!layout_ || !layout_->Root()) return;
    ClearSelection();
    std::vector<LayoutElement*> texts;
    CollectText(layout_->Root(), texts);
    if (texts.empty()) return;
    selStart_ = {texts.front(), 0};
    selEnd_ = {texts.back(), texts.back()->TextLength()};
    selForward_ = true;
    RepaintSelection();
}

void HtmlPageDocument::ClearSelection() {
    if (selStart_.fragment && selEnd_.fragment) RepaintSelection();
    selStart_ = selEnd_ = SelectionEnd();
}

void HtmlPageDocument::BeginSelection(int32_t x, int32_t y) {
    if (!layout_) return;
    ClearSelection();
    selStart_ = TextPositionAt(x, y);
}

void HtmlPageDocument::ExtendSelection(int32_t x, int32_t y) {
    if (!selStart_.fragment) return;
    SelectionEnd end = TextPositionAt(x, y);
    if (!end.fragment) return;
    selEnd_ = end;
    if (selEnd_.fragment == selStart_.fragment)
        selForward_ = selEnd_.offset >= selStart_.offset;
    else
        selForward_ = selStart_.fragment->IsBefore(selEnd_.fragment);
    RepaintSelection();
}

int32_t HtmlPageDocument::GetSelectionSize() {
    if (!selStart_.fragment || !selEnd_.fragment || !layout_) return 0;
    int32_t total;
    if (selStart_.fragment == selEnd_.fragment) {
        // Selected right to left the end lies before the start: the size is
        // the distance either way.
        total = std::abs(selEnd_.offset - selStart_.offset);
    } else {
        std::vector<LayoutElement*> texts;
        CollectText(layout_->Root(), texts);
        const SelectionEnd& first = selForward_ ? selStart_ : selEnd_;
        const SelectionEnd& last = selForward_ ? selEnd_ : selStart_;
        int a = IndexOf(texts, first.fragment);
        int b = IndexOf(texts, last.fragment);
        if (a < 0 || b < 0 || a > b) return 0;
        total = texts[a]->TextLength() + 1 - first.offset;
        for (int i = a + 1; i < b; ++i) total += texts[i]->TextLength() + 2;
        total += last.offset;
    }
    return total > 0 ? total + 10 : 0;
}

int32_t HtmlPageDocument::CopySelection(char* buffer, int32_t size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    if (!selStart_.fragment || !selEnd_.fragment || !layout_) return 0;
    std::string out;
    const SelectionEnd& first = selForward_ ? selStart_ : selEnd_;
    const SelectionEnd& last = selForward_ ? selEnd_ : selStart_;
    if (first.fragment == last.fragment) {
        int from = std::min(first.offset, last.offset);
        int to = std::max(first.offset, last.offset);
        out.assign(first.fragment->TextPointer() + from, static_cast<size_t>(to - from));
    } else {
        std::vector<LayoutElement*> texts;
        CollectText(layout_->Root(), texts);
        int a = IndexOf(texts, first.fragment);
        int b = IndexOf(texts, last.fragment);
        if (a < 0 || b < 0 || a > b) return 0;
        for (int i = a; i <= b; ++i) {
            LayoutElement* t = texts[i];
            int from = i == a ? first.offset : 0;
            int to = i == b ? last.offset : t->TextLength();
            if (i > a && t->Parent() != texts[i - 1]->Parent()) out += "\r\n";
            if (to > from) out.append(t->TextPointer() + from, static_cast<size_t>(to - from));
        }
    }
    // The caller sized the buffer; never write past it.
    size_t n = std::min(out.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, out.data(), n);
    buffer[n] = '\0';
    return 1;
}

int32_t HtmlPageDocument::FindText(const char* text, int32_t length, bool forward, bool caseSensitive,
                                   bool wholeWord, bool continueSearch, RECT* found) {
    if (!text || length <= 0 || !layout_ || !layout_->Root()) return 0;
    std::vector<LayoutElement*> texts;
    CollectText(layout_->Root(), texts);
    if (texts.empty()) return 0;
    auto same = [caseSensitive](char a, char b) {
        return caseSensitive ? a == b
                             : std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    auto matchAt = [&](LayoutElement* t, int at) {
        if (at < 0 || at + length > t->TextLength()) return false;
        const char* s = t->TextPointer();
        for (int i = 0; i < length; ++i) {
            if (!same(s[at + i], text[i])) return false;
        }
        if (wholeWord) {
            if (at > 0 && std::isalnum(static_cast<unsigned char>(s[at - 1]))) return false;
            if (at + length < t->TextLength() && std::isalnum(static_cast<unsigned char>(s[at + length]))) return false;
        }
        return true;
    };
    const int n = static_cast<int>(texts.size());
    int startIndex = forward ? 0 : n - 1;
    int startOffset = forward ? 0 : texts[n - 1]->TextLength() - length;
    bool fromBeginning = true;
    if (continueSearch && searchFragment_) {
        int i = IndexOf(texts, searchFragment_);
        if (i >= 0) {
            startIndex = i;
            startOffset = forward ? searchOffset_ + 1 : searchOffset_ - 1;
            fromBeginning = false;
        }
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = startIndex; forward ? i < n : i >= 0; i += forward ? 1 : -1) {
            LayoutElement* t = texts[i];
            int from = i == startIndex ? startOffset : (forward ? 0 : t->TextLength() - length);
            for (int at = from; forward ? at + length <= t->TextLength() : at >= 0; at += forward ? 1 : -1) {
                if (!matchAt(t, at)) continue;
                searchFragment_ = t;
                searchOffset_ = at;
                if (found) {
                    int32_t left = 0, right = 0;
                    if (device_)
                        // The whole match: the range's end is the boundary after its last character.
                        static_cast<TextFragment*>(t)->MeasureRange(*device_, at, at + length, left, right);
                    found->left = t->AbsoluteX() + left;
                    found->right = t->AbsoluteX() + right;
                    found->top = t->AbsoluteY() + 1;
                    found->bottom = found->top + static_cast<int32_t>(t->Height()) - 2;
                }
                return 1;
            }
        }
        if (fromBeginning) break;
        // Not found after the last match: once more from the start (end).
        fromBeginning = true;
        startIndex = forward ? 0 : n - 1;
        startOffset = forward ? 0 : texts[n - 1]->TextLength() - length;
    }
    return 0;
}
