#include "windows/LoadNotices.h"

#include <string>

#include "core/InternalMessages.h"
#include "core/MessageBoxes.h"
#include "core/MessageHandler.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/DocumentMessages.h"
#include "net/SniffContent.h"
#include "net/UrlAuthority.h"
#include "net/UrlRecord.h"
#include "windows/DocumentDispatch.h"
#include "windows/DocumentView.h"
#include "windows/WindowList.h"

namespace {

// An error that the loader reports without telling the user.
constexpr uint32_t kSilentFailure = 0x8256;

DocumentDispatch* g_dispatch = nullptr;

bool IsCurrentUrl(DocumentWindow& w, uint32_t id) {
    return !w.CurrentUrl().IsEmpty() && (w.CurrentUrl()->GetId(true) == id || w.CurrentUrl()->GetId() == id);
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
    if (HWND bar = w.BottomToolbar()) SetDlgItemTextA(bar, kBarAddressCombo, MaskedUrlText(d->GetUrl().GetName()).c_str());
}

void ShowInWindow(DocumentWindow& w, const UrlHandle& url) {
    if (!g_windowList || ShowsUrl(w, url)) return;
    (void)g_windowList->ShowUrl(w.ViewWindow(), url, 0, false);
}

void OnUrlLoaded(DocumentWindow& w, uint32_t id) {
    if (!w.List()) return;
    if (!IsCurrentUrl(w, id)) return;
    w.ResetProgress();
    UrlHandle url = w.CurrentUrl();
    if (g_dispatch) g_dispatch->DocumentLoaded(w.ViewWindow(), url);
    else ShowInWindow(w, url);
    if (Document* d = w.CurrentDocument()) UpdateScrollBars(w.ViewWindow(), d);
    TitleFromDocument(w);
    w.SetLoadState(kWindowIdle);
    w.loadFlagA = false;
    w.reloadRequested = false;
    w.stateByte = 255;
    w.cachePageFlag = false;
}

// The content kind is known: a page or a text is shown while it arrives.
void OnUrlChanged(DocumentWindow& w, uint32_t id) {
    if (!IsCurrentUrl(w, id)) return;
    UrlHandle url = w.CurrentUrl();
    if (url->GetId(true) != url->GetId()) {
        // Redirected: the window now stands for the end of the chain.
        UrlHandle end = url->GetRedirectTarget(true);
        if (!end.IsEmpty()) {
            w.SetCurrentUrl(end, w.CurrentUrlTarget());
            url = end;
        }
    }
    w.SetShortProgressText(nullptr);
    if (g_dispatch) return g_dispatch->DocumentStarting(w.ViewWindow(), url);
    int kind = url->GetContentKind();
    if (kind == kKindHtml || kind == kKindText) ShowInWindow(w, url);
}

void OnUrlFailed(DocumentWindow& w, uint32_t error, uint32_t id) {
    w.stateByte = 255;
    if (!IsCurrentUrl(w, id)) return;
    w.ResetProgress();
    w.loadFlagA = false;
    UrlHandle failed = w.CurrentUrl();
    if (Document* d = w.CurrentDocument()) {
        w.SetCurrentUrl(d->GetUrl(), -1);
        TitleFromDocument(w);
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
            if (p1 == kNoticeLoaded || p1 == kNoticeNotModified) OnUrlLoaded(*w, p2);
            break;
        case kMsgLoadError: OnUrlFailed(*w, p1, p2); break;
        case kMsgContentKnown: OnUrlChanged(*w, p1); break;
        case kMsgProgressKnown: case kMsgProgressUnknown: case kMsgInlineProgressKnown:
        case kMsgInlineProgressUnknown:
            if (w->bytesLoaded < 0) w->bytesLoaded = 0;
            w->bytesLoaded += static_cast<int32_t>(p2);
            break;
        case kMsgPageLoadsStarted: case kMsgPageLoadsDone:
            w->imagesDone = static_cast<uint16_t>(p2 & 0xFFFF);
            w->imagesTotal = static_cast<uint16_t>(p2 >> 16);
            break;
        default: break;
    }
    // Registered objects (a page waiting on its own notices) get them too.
    if (MessageHandler* handler = w->Handler()) handler->Dispatch(message, p1, p2);
    return 0;
}
