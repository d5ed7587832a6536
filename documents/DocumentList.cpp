#include "documents/DocumentList.h"

#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentWindows.h"
#include "documents/HtmlDocument.h"
#include "documents/HtmlPageDocument.h"
#include "layout/PaintDevice.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"

namespace {

DocumentMaker g_makers[kDocDownloadList + 1] = {};

bool AcceptedKind(int kind, bool creating) {
    switch (kind) {
        case 0: case 1: case 2: case 3: case 4: case 5: case 6:
        case 9: case 10: case 11: case 12: case 14: case 15:
            return true;
        case 21:
            return creating;
        default:
            return false;
    }
}

bool FramesEnabled() {
    return !g_preferences || g_preferences->Get(PrefInt::Frames) != 0;
}

int InitialMaxEntries() {
    int n = g_preferences ? g_preferences->GetMaxWindowHistory() : 100;
    return n < 1 ? 1 : n;
}

}  // namespace

HistoryEntry::~HistoryEntry() {
    SetDocument(nullptr);
}

void HistoryEntry::SetDocument(Document* replacement) {
    Document* old = document;
    document = replacement;
    delete old;
}

void SetDocumentMaker(int documentKind, DocumentMaker maker) {
    if (documentKind >= 0 && documentKind <= kDocDownloadList) g_makers[documentKind] = maker;
}

DocumentMaker GetDocumentMaker(int documentKind) {
    return documentKind >= 0 && documentKind <= kDocDownloadList ? g_makers[documentKind] : nullptr;
}

int DocumentKindForContent(int contentKind, bool asPlugin, bool placeholderForEncrypted) {
    if (asPlugin) return kDocPlugin;
    switch (contentKind) {
        case 10: return kDocNewsList;
        case 11: return kDocNewsGroup;
        case 12: return kDocNewsArticle;
        case 9: case 14: return kDocMedia;
        case 15: return placeholderForEncrypted ? kDocPlain : kDocHtml;
        default: return kDocHtml;
    }
}

Document* MakeDocumentOfKind(int kind, PaintDevice* device, MessageHandler* handler, const UrlHandle& url,
                             int32_t width, int32_t height, int32_t frameId) {
    switch (kind) {
        case kDocPlain:
            return new (std::nothrow) Document(device, handler, url, width, height, frameId);
        case kDocMedia:
            return new (std::nothrow) MediaDocument(device, handler, url, width, height, frameId);
        case kDocHtml:
            return new (std::nothrow) HtmlDocument(device, handler, url, width, height, frameId);
        default: {
            DocumentMaker maker = GetDocumentMaker(kind);
            return maker ? maker(device, handler, url, width, height, frameId) : nullptr;
        }
    }
}

DocumentList::DocumentList(HistoryOwner* owner, int32_t width, int32_t height)
    : owner_(owner),
      device_(owner ? owner->Device() : nullptr),
      width_(width),
      height_(height),
      maxEntries_(InitialMaxEntries()) {}

DocumentList::~DocumentList() {
    current_ = nullptr;
    entries_.Clear();
    count_ = 0;
}

HWND DocumentList::Window() const {
    return owner_ ? owner_->ViewWindow() : (device_ ? static_cast<HWND>(device_->Window()) : nullptr);
}

void DocumentList::Push(const char* text) {
    if (owner_) owner_->PushHistoryCombo(text ? text : "");
}
void DocumentList::DropTop(int lines) {
    if (owner_ && lines > 0) owner_->DropHistoryComboTop(lines);
}
void DocumentList::DropBottom(int lines) {
    if (owner_ && lines > 0) owner_->DropHistoryComboBottom(lines);
}

void DocumentList::DeleteEntry(HistoryEntry* entry) {
    if (entry == current_) current_ = nullptr;
    entry->Remove();
    delete entry;
    --count_;
}

int DocumentList::GetCurrentIndex() const {
    int index = 1;
    for (ListNode* n = entries_.First(); n; n = n->Next(), ++index) {
        if (n == current_) return index;
    }
    return 0;
}

bool DocumentList::CanGoBack() const {
    if (!current_) return false;
    Document* d = current_->document;
    return (d && d->CanGoBackInside()) || current_->Prev() != nullptr;
}

bool DocumentList::CanGoForward() const {
    if (!current_) return false;
    Document* d = current_->document;
    return (d && d->CanGoForwardInside()) || current_->Next() != nullptr;
}

int DocumentList::CreateDocument(const UrlHandle& url, int32_t startArg, bool asPlugin) {
    int status = url->GetLoadStatus(true);
    const char* name = url.GetName();
    if (status == kLoadNever || !name || !*name) return kHistoryNoData;
    if (status == kLoadEmpty || status == kLoadNews || status == kLoadFailed) return kHistoryLoading;

    int contentKind = url->GetContentKind();
    int kind;
    if (url->GetScheme() == kSchemeInternal && std::string(name) == "zintu:download") {
        kind = kDocDownloadList;
    } else {
        if (!asPlugin && !AcceptedKind(contentKind, true)) return kHistoryCannotShow;
        kind = DocumentKindForContent(contentKind, asPlugin, true);
    }

    bool movedInside = false;
    Document* document = nullptr;
    Document* shown = GetCurrentDocument();
    if (kind == kDocHtml && shown && shown->GetKind() == kDocHtml && shown->GetUrl().Record() == url.Record()) {
        static_cast<HtmlDocument*>(shown)->GoToFragment(url);
        movedInside = true;
    } else {
        document = MakeDocumentOfKind(kind, device_, owner_ ? owner_->Handler() : nullptr, url, width_, height_, -1);
        if (!document) return kHistoryCannotShow;
    }

    // A new document (or a move inside) ends the forward history.
    int dropped = 0;
    while (current_ && current_->Next()) {
        DeleteEntry(static_cast<HistoryEntry*>(current_->Next()));
        ++dropped;
    }
    DropTop(dropped);
    if (movedInside) return kHistoryMovedInside;

    HistoryEntry* entry = new (std::nothrow) HistoryEntry(document, 0);
    if (!entry) {
        delete document;
        return kHistoryCannotShow;
    }
    HistoryEntry* previous = current_;
    entry->AppendTo(entries_);
    current_ = entry;
    if (previous && previous->document) {
        // The page fires its unload event itself as it goes inactive.
        previous->document->ReleaseLayout();
        previous->document->SetActive(false);
    }

    // Trim the oldest entries; one in use stops the trimming, and the count
    // stays the number of entries that are really there.
    while (count_ >= maxEntries_) {
        HistoryEntry* oldest = static_cast<HistoryEntry*>(entries_.First());
        if (!oldest || oldest == current_) break;
        if (oldest->document && oldest->document->UseCount() > 0) break;
        DeleteEntry(oldest);
        DropBottom(1);
    }
    ++count_;
    Push(name);

    document->SetActive(true);
    int r = document->Start(0, 0, startArg);
    if (r == kStartRelayout) document->RelayoutWindow(true);
    document->OnLoadStepDone();
    if (r == kStartRelayout || r == kStartWaiting) return r;
    return document->GetPendingCount() > 0 ? kHistoryLoadsRunning : kHistoryShown;
}

int DocumentList::ReplaceCurrentDocument(const UrlHandle& url, bool asPlugin) {
    int status = url->GetLoadStatus(true);
    const char* name = url.GetName();
    if (status == kLoadNever || !name || !*name) return kHistoryNoData;
    if (status == kLoadEmpty) return kHistoryLoading;
    int contentKind = url->GetContentKind();
    if (!asPlugin && !AcceptedKind(contentKind, false)) return kHistoryCannotShow;
    if (!current_ || !current_->document) return kHistoryCannotShow;

    Document* document = current_->document;
    if (document->GetKind() != kDocPlain || contentKind == 15) {
        document->ResetToUrl(url, width_, height_);
        document->SetActive(false);
    } else {
        int kind = DocumentKindForContent(contentKind, asPlugin, false);
        Document* made =
            MakeDocumentOfKind(kind, device_, owner_ ? owner_->Handler() : nullptr, url, width_, height_, -1);
        if (!made) return kHistoryCannotShow;
        SetEntryDocument(current_, made);
        document = made;
    }
    document->SetActive(true);
    document->Start(0, 0, 1);
    document->OnLoadStepDone();
    return kHistoryShown;
}

Document* DocumentList::AddDocumentOfKind(const UrlHandle& url, int kind, const char* title) {
    const char* name = url.GetName();
    if (url->GetLoadStatus(true) == kLoadNever || !name || !*name) return nullptr;
    bool known = kind == kDocDownloadList || kind == kDocNewsList || kind == kDocNewsGroup ||
                 kind == kDocNewsArticle || kind == kDocPlugin || kind == kDocMedia || kind == kDocPlain;
    Document* document = MakeDocumentOfKind(known ? kind : kDocHtml, device_, owner_ ? owner_->Handler() : nullptr,
                                            url, width_, height_, -1);
    if (!document) return nullptr;
    HistoryEntry* entry = new (std::nothrow) HistoryEntry(document, 0);
    if (!entry) {
        delete document;
        return nullptr;
    }
    entry->AppendTo(entries_);
    ++count_;
    Push(title ? title : name);
    return document;
}

int DocumentList::GoBack(bool noInside) {
    return Navigate(true, noInside);
}

int DocumentList::GoForward(bool noInside) {
    return Navigate(false, noInside);
}

int DocumentList::Navigate(bool back, bool noInside) {
    if (!current_) return kHistoryNothing;
    Document* document = current_->document;
    if (!noInside && document) {
        if (back && document->CanGoBackInside()) return document->GoBackInside();
        if (!back && document->CanGoForwardInside()) return document->GoForwardInside();
    }
    HistoryEntry* next = static_cast<HistoryEntry*>(back ? current_->Prev() : current_->Next());
    if (!next) return kHistoryNothing;
    HistoryEntry* left = current_;
    int r = MakeCurrent(next);
    if (back && left->document && left->document->GetKind() == kDocMedia) DeleteEntry(left);
    return r;
}

int DocumentList::MakeCurrent(HistoryEntry* entry) {
    HistoryEntry* old = current_;
    current_ = entry;
    return ShowEntry(old, entry, device_, Window(), width_, height_, owner_ ? owner_->ImageSetting() : 0);
}

int DocumentList::GoToIndex(int n) {
    if (n < 0 || n > count_) return kHistoryNothing;
    if (n == 0) n = 1;
    if (n == GetCurrentIndex()) return kHistoryShown;
    ListNode* node = entries_.First();
    for (int i = 1; node && i < n; ++i) node = node->Next();
    if (!node) return kHistoryNothing;
    return MakeCurrent(static_cast<HistoryEntry*>(node));
}

int DocumentList::GoToEntry(HistoryEntry* entry) {
    if (!entry) return kHistoryNothing;
    bool inList = false;
    for (ListNode* n = entries_.First(); n; n = n->Next()) inList = inList || n == entry;
    if (!inList) return kHistoryNothing;
    if (entry == current_) return kHistoryShown;
    return MakeCurrent(entry);
}

int DocumentList::ShowEntry(HistoryEntry* oldEntry, HistoryEntry* newEntry, PaintDevice* device, HWND window,
                            int32_t width, int32_t height, int imageMode) {
    bool oldHadFrames = false;
    if (oldEntry && oldEntry != newEntry && oldEntry->document) {
        oldHadFrames = oldEntry->document->HasFrames() != 0;
        oldEntry->document->ReleaseLayout();
        oldEntry->document->SetActive(false);
    }
    Document* document = newEntry ? newEntry->document : nullptr;
    if (!document) return kHistoryNothing;
    if (document->GetKind() == kDocPlain) {
        document->RelayoutWindow(true);
        return kHistoryCannotShow;
    }
    bool leftFrames;
    if (FramesEnabled()) {
        leftFrames = oldHadFrames && !document->HasFrames();
        if (!document->HasFrames() && document->GetKind() == kDocHtml &&
            static_cast<HtmlDocument*>(document)->ContentIsFrameSet())
            static_cast<HtmlDocument*>(document)->DiscardView();
    } else {
        leftFrames = oldHadFrames;
        if (document->HasFrames()) static_cast<HtmlDocument*>(document)->DiscardView();
    }
    document->SetActive(true);
    WindowServices().LowerSecurityLevel(window, document->SecurityLevel());
    if (leftFrames) WindowServices().UpdateScrollBars(window);

    if (!document->IsFormatted() && document->NeedsReload(true)) {
        if (document->Width() != width || document->Height() != height) document->SetSize(width, height, false, true);
        document->RelayoutWindow(true);
        return kHistoryReload;
    }
    bool resized = false;
    if (document->Width() != width || document->Height() != height) {
        document->SetSize(width, height, false, true);
        resized = true;
    }
    int r = document->ApplyImageMode(imageMode);
    bool done = r == kStartShown || r == kHistoryLoadsRunning;
    bool repaintWhole = false;
    if (!done) {
        if ((imageMode && document->ImagesChanged(0)) || resized || !document->IsFormatted() ||
            document->NeedsNewFormat()) {
            document->Start(1, 0, 1);
            done = true;
        } else {
            if (document->GetKind() == kDocHtmlPage) static_cast<HtmlPageDocument*>(document)->RefreshLayout();
            if (document->GetKind() == kDocHtml) static_cast<HtmlDocument*>(document)->ShowView();
            repaintWhole = true;
        }
    }
    if (done && document->GetContentHeight() == 0) repaintWhole = true;
    if (repaintWhole) {
        HWND target = device ? static_cast<HWND>(device->Window()) : window;
        if (target) {
            InvalidateRect(target, nullptr, TRUE);
            UpdateWindow(target);
        }
        document->UpdateFrameScrollBars(-1);
    }
    if (document->IsComplete()) {
        document->OnLoadStepDone();
        return document->GetPendingCount() > 0 ? kHistoryLoadsRunning : kHistoryShown;
    }
    return kHistoryIncomplete;
}

void DocumentList::SetSize(int32_t width, int32_t height, bool repaint) {
    width_ = width;
    height_ = height;
    Document* document = GetCurrentDocument();
    if (!document) return;
    if (repaint) document->RepaintAll();
    document->SetSize(width, height, true, false);
}

void DocumentList::SetMaxEntries(int n) {
    if (maxEntries_ < 1) return;
    maxEntries_ = n < 1 ? 1 : n;
    if (count_ <= maxEntries_) return;
    while (count_ > maxEntries_) {
        HistoryEntry* oldest = static_cast<HistoryEntry*>(entries_.First());
        if (!oldest || oldest == current_) break;
        DeleteEntry(oldest);
        DropBottom(1);
    }
    while (count_ > maxEntries_) {
        HistoryEntry* newest = static_cast<HistoryEntry*>(entries_.Last());
        if (!newest || newest == current_) break;
        DeleteEntry(newest);
        DropTop(1);
    }
}

void DocumentList::ReformatAll() {
    for (ListNode* n = entries_.First(); n; n = n->Next()) {
        Document* d = static_cast<HistoryEntry*>(n)->document;
        if (!d) continue;
        if (n == current_)
            d->Start(0, 0, 0);
        else
            d->MarkForNewFormat();
    }
}

void DocumentList::FillAddressList() {
    for (ListNode* n = entries_.First(); n; n = n->Next()) {
        Document* d = static_cast<HistoryEntry*>(n)->document;
        if (!d) continue;
        const char* title = d->GetTitle();
        Push(title ? title : d->GetUrl().GetName());
    }
}

void DocumentList::NotifyUrlChanged(const UrlHandle& url) {
    if (Document* d = GetCurrentDocument()) d->NotifyUrlChanged(url);
}

void DocumentList::StopAllScripts(int flag) {
    if (flag != 0) return;
    for (ListNode* n = entries_.First(); n; n = n->Next()) {
        if (Document* d = static_cast<HistoryEntry*>(n)->document) d->StopScripts();
    }
}

void DocumentList::SetEntryDocument(HistoryEntry* entry, Document* document) {
    if (entry) entry->SetDocument(document);
}
