#include "windows/LoadNotices.h"

#include <string>

#include "core/EventSounds.h"
#include "core/InternalMessages.h"
#include "core/MessageBoxes.h"
#include "core/MessageHandler.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/DocumentMessages.h"
#include "net/SniffContent.h"
#include "net/UrlAuthority.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "resources/BrowsingIds.h"
#include "windows/DocumentDispatch.h"
#include "windows/DocumentView.h"
#include "windows/HotlistHook.h"
#include "windows/TypedAddress.h"
#include "windows/WindowList.h"

namespace {

// An error that the loader reports without telling the user.
constexpr uint32_t kSilentFailure = 0x8256;

DocumentDispatch* g_dispatch = nullptr;

bool IsCurrentUrl(DocumentWindow& w, uint32_t id) {
    return !w.CurrentUrl().IsEmpty() && (w.CurrentUrl()->GetId(true) == id || w.CurrentUrl()->GetId() == id);
}

// A mail message the window sends: its notices end in a box, not a page.
bool SendsMail(DocumentWindow& w, uint32_t id) {
    return IsCurrentUrl(w, id) && w.CurrentUrl()->GetScheme() == kSchemeMailto;
}

void ShowProgressText(DocumentWindow& w, UINT textId) {
    char text[201] = "";
    if (LoadStringResource(textId, text, sizeof text) > 0) w.SetProgressText(text);
}

void ShowMaskedUrl(DocumentWindow& w, const UrlHandle& url) {
    if (HWND bar = w.BottomToolbar(); bar && url.GetName())
        SetDlgItemTextA(bar, kBarAddressCombo, MaskedUrlText(url.GetName()).c_str());
}

// Whether the window already shows a document of the URL.
bool ShowsUrl(DocumentWindow& w, const UrlHandle& url) {
    Document* d = w.CurrentDocument();
    return d && d->GetUrl().Record() == url.Record();
}

// The caption from the document's title, else its URL.
void TitleFromDocument(DocumentWindow& w) {
    Document* d = w.CurrentDocument();
    if (!d) return;
    const char* title = d->GetTitle();
    if (title && *title) w.SetTitle(title, false);
    else w.SetTitle(d->GetUrl().GetName(), false);
}

void OnDocumentReady(DocumentWindow& w, int16_t target) {
    Document* d = w.CurrentDocument();
    if (!d) return;
    // A step of any frame may have changed the page's extent (a page inside
    // its HTML document reports with its own frame number).
    (void)target;
    UpdateScrollBars(w.ViewWindow(), d);
    if (w.LoadState() != kWindowIdle) w.SetLoadState(kWindowUsable);
    TitleFromDocument(w);
    ShowMaskedUrl(w, d->GetUrl());
}

// Bytes of any load of the window (its document, its images).
void OnBytesReceived(DocumentWindow& w, uint32_t n) {
    if (w.bytesLoaded < 0) w.bytesLoaded = 0;
    w.bytesLoaded += static_cast<int32_t>(n);
    w.RepaintBarField(kBarBytesReceived);
    ShowProgressText(w, IDS_RECEIVING_DATA);
}

// Bytes of the document itself: what has come is shown as it comes.
void OnDataArrived(DocumentWindow& w, uint32_t n) {
    OnBytesReceived(w, n);
    w.RepaintBarField(kBarBytesLoaded);
    if (Document* d = w.CurrentDocument()) {
        UpdateScrollBars(w.ViewWindow(), d);
        TitleFromDocument(w);
    }
}

// A mail message went off: the user is told, the window is free again.
void OnMailSent(DocumentWindow& w) {
    w.ResetProgress();
    (void)PlayEventSound(PrefText::SoundLoaded);
    w.SetLoadState(kWindowIdle);
    if (g_messageBoxes) g_messageBoxes->ShowInfo(w.ViewWindow(), IDS_MAIL_POSTED, nullptr);
}

// The history field lists a loaded page by its title (a page without one
// keeps its address there); its edit shows the address.
void NameHistoryEntry(DocumentWindow& w, Document& d) {
    HWND combo = w.BottomToolbar() ? GetDlgItem(w.BottomToolbar(), kBarAddressCombo) : nullptr;
    const std::string title = TrimTypedText(d.GetTitle() ? d.GetTitle() : "");
    if (combo && w.List() && !title.empty()) {
        const LRESULT position = w.List()->GetCount() - w.List()->GetCurrentIndex();
        if (position >= 0 && position < SendMessageA(combo, CB_GETCOUNT, 0, 0)) {
            SendMessageA(combo, CB_DELETESTRING, position, 0);
            SendMessageA(combo, CB_INSERTSTRING, position, reinterpret_cast<LPARAM>(title.c_str()));
        }
    }
    ShowMaskedUrl(w, d.GetUrl());
}

void ShowInWindow(DocumentWindow& w, const UrlHandle& url) {
    if (!g_windowList || ShowsUrl(w, url)) return;
    (void)g_windowList->ShowUrl(w.ViewWindow(), url, 0, false);
}

void OnUrlLoaded(DocumentWindow& w, uint32_t id) {
    if (!w.List()) return;
    if (!IsCurrentUrl(w, id)) return;
    // One sound for a load, however often its end is told: the first end
    // finds the load's purpose still set (or its progress still shown).
    if (w.stateByte != 255 || w.ProgressShown()) (void)PlayEventSound(PrefText::SoundLoaded);
    w.ResetProgress();
    UrlHandle url = w.CurrentUrl();
    if (HotlistHook* hotlist = GetHotlistHook(); hotlist && url.GetName()) hotlist->MarkVisited(url.GetName());
    if (g_dispatch) g_dispatch->DocumentLoaded(w.ViewWindow(), url);
    else ShowInWindow(w, url);
    if (Document* d = w.CurrentDocument()) {
        UpdateScrollBars(w.ViewWindow(), d);
        NameHistoryEntry(w, *d);
    }
    TitleFromDocument(w);
    w.SetLoadState(kWindowIdle);
    w.loadFlagA = false;
    w.reloadRequested = false;
    w.stateByte = 255;
    w.cachePageFlag = false;
}

// The content kind is known: a page or a text is shown while it arrives.
// firstSeen: the URL was never shown before, so links to it in every
// window change colour.
void OnUrlChanged(DocumentWindow& w, uint32_t id, bool firstSeen) {
    if (!IsCurrentUrl(w, id)) return;
    UrlHandle url = w.CurrentUrl();
    if (firstSeen && g_windowList) g_windowList->NotifyUrlChangedAll(url);
    if (url->GetId(true) != url->GetId()) {
        // Redirected: the window now stands for the end of the chain.
        UrlHandle end = url->GetRedirectTarget(true);
        if (!end.IsEmpty()) {
            w.SetCurrentUrl(end, w.CurrentUrlTarget());
            url = end;
            if (firstSeen && g_windowList) g_windowList->NotifyUrlChangedAll(url);
        }
    }
    w.SetShortProgressText(nullptr);
    if (g_dispatch) return g_dispatch->DocumentStarting(w.ViewWindow(), url);
    int kind = url->GetContentKind();
    if (kind == kKindHtml || kind == kKindText) ShowInWindow(w, url);
}

// A frame of the shown frame set could not be loaded: the user is told;
// the frame stays empty and the other frames keep what they show.
void OnFrameFailed(DocumentWindow& w, uint32_t error, uint32_t id) {
    Document* d = w.CurrentDocument();
    UrlHandle frame = d && d->HasFrames() ? d->GetUrlIfId(id, true) : UrlHandle();
    if (!frame.IsEmpty() && error != kSilentFailure && error != 0) ShowUrlMessage(frame, error);
}

// Whether the record holds its whole document after a failed load (the
// copy the cache kept). Data that stopped half way is stored too, but it is
// not the document and is never shown as if it were.
bool HoldsWholeDocument(const UrlHandle& url) {
    if (url.IsEmpty()) return false;
    UrlRecord* end = url.Record()->ChainEnd();
    return end->GetStorage() != kStoredNowhere && end->GetStatusCheckingFile(false) == kLoadLoaded;
}

void OnUrlFailed(DocumentWindow& w, uint32_t error, uint32_t id) {
    (void)PlayEventSound(PrefText::SoundFailure);
    w.stateByte = 255;
    if (!IsCurrentUrl(w, id)) return OnFrameFailed(w, error, id);
    w.ResetProgress();
    w.loadFlagA = false;
    if (SendsMail(w, id)) {
        // The error is the reason the message was not sent; the window is
        // not left busy behind the box.
        w.SetLoadState(kWindowIdle);
        if (error != kSilentFailure && error != 0 && g_messageBoxes)
            g_messageBoxes->ShowError(w.ViewWindow(), error, nullptr, nullptr);
        return;
    }
    UrlHandle failed = w.CurrentUrl();
    if (Document* d = w.CurrentDocument()) {
        w.SetCurrentUrl(d->GetUrl(), -1);
        TitleFromDocument(w);
    }
    if (HoldsWholeDocument(failed)) {
        // The copy kept in the cache is shown instead of the error.
        w.SetCurrentUrl(failed, -1);
        OnUrlLoaded(w, failed->GetId());
        return;
    }
    w.SetLoadState(kWindowIdle);
    if (error != kSilentFailure && error != 0) ShowUrlMessage(failed, error);
}

}  // namespace

void SetDocumentDispatch(DocumentDispatch* dispatch) {
    g_dispatch = dispatch;
}

DocumentDispatch* GetDocumentDispatch() {
    return g_dispatch;
}

bool IsLoadNotice(UINT message) {
    return (message >= 0x8000 && message <= 0x8002) || message == 0x8004 || (message >= 0x8023 && message <= 0x8029);
}

LRESULT HandleLoadNotice(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    if (!w) return 0;
    const uint32_t p1 = static_cast<uint32_t>(wParam);
    const uint32_t p2 = static_cast<uint32_t>(lParam);
    switch (message) {
        case kMsgRepainted: OnDocumentReady(*w, static_cast<int16_t>(p1)); break;
        case kMsgLoadNotice:
            if (SendsMail(*w, p2)) {
                if (p1 == kNoticeLoaded) OnMailSent(*w);
            } else if (p1 == kNoticeLoaded || p1 == kNoticeNotModified) {
                OnUrlLoaded(*w, p2);
            } else if (p1 == kNoticeLookingUp || p1 == kNoticeLookingUp + 3) {
                ShowProgressText(*w, IDS_LOOKING_UP_HOST);
            } else if (p1 == kNoticeConnecting || p1 == kNoticeConnecting + 3) {
                ShowProgressText(*w, IDS_CONNECTING_HOST);
            } else if (p1 == kNoticeRequestSent || p1 == kNoticeRequestSent + 3) {
                ShowProgressText(*w, IDS_SENDING_REQUEST);
            }
            break;
        case kMsgLoadError: OnUrlFailed(*w, p1, p2); break;
        case kMsgContentKnown: OnUrlChanged(*w, p1, p2 == 1); break;
        case kMsgProgressKnown: case kMsgProgressUnknown: OnDataArrived(*w, p2); break;
        case kMsgInlineProgressKnown: case kMsgInlineProgressUnknown: OnBytesReceived(*w, p2); break;
        case kMsgPageLoadsStarted: case kMsgPageLoadsDone:
            w->imagesDone = static_cast<uint16_t>(p2 & 0xFFFF);
            w->imagesTotal = static_cast<uint16_t>(p2 >> 16);
            w->RepaintBarField(kBarImages);
            break;
        default: break;
    }
    // Registered objects (a page waiting on its own notices) get them too.
    if (MessageHandler* handler = w->Handler()) handler->Dispatch(message, p1, p2);
    return 0;
}
