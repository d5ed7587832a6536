#include "windows/OpenUrl.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/AppGlobals.h"
#include "core/CoarseClock.h"
#include "core/CommandLine.h"
#include "core/EventSounds.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "net/UrlAuthority.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlReloadPolicy.h"
#include "resources/BrowsingIds.h"
#include "windows/DocumentDispatch.h"
#include "windows/HotlistHook.h"
#include "windows/Navigation.h"
#include "windows/OutsideUrls.h"
#include "windows/ScriptWindowList.h"
#include "windows/TypedAddress.h"
#include "windows/UrlRoads.h"
#include "windows/WindowList.h"

std::string CompleteTypedUrl(const char* text) {
    return CompleteTypedAddress(text ? text : "");
}

HWND OpenTypedUrl(HWND window, const char* text, const char* title, bool checkReload, int windowIndex) {
    // A single word may be the nickname the user gave a hotlist entry.
    const std::string trimmed = TrimTypedText(text ? text : "");
    HotlistHook* hotlist = GetHotlistHook();
    HWND loading = nullptr;
    if (hotlist && MayBeNickname(trimmed) && hotlist->OpenNickname(window, trimmed, &loading)) return loading;
    return OpenAddress(window, text, title, checkReload, windowIndex);
}

HWND OpenAddress(HWND window, const char* text, const char* title, bool checkReload, int windowIndex) {
    std::string name = CompleteTypedUrl(text);
    UrlRegistry* registry = UrlRegistry::Instance();
    if (name.empty() || !registry) return nullptr;
    UrlHandle url = registry->FindWithFragment(name.c_str());
    if (url.IsEmpty()) return nullptr;
    return OpenUrlInWindow(window, url, title, checkReload, windowIndex);
}

namespace {

// A form's submission is asked about before anything leaves: by mail,
// whether the user's own address goes with it (Yes) or none (No); over
// plain http, whether to send it unencrypted at all. False: the user
// declined and nothing is sent.
bool UserLetsFormGo(HWND window, const UrlHandle& url) {
    if (!url->IsFormPending()) return true;
    url->SetFormPending(false);  // asked once per submission
    if (url->GetScheme() == kSchemeMailto && url->CarriesMail()) {
        const int answer =
            g_messageBoxes ? g_messageBoxes->AskYesNo(window, IDS_FORM_BY_MAIL, nullptr, nullptr, true) : IDNO;
        if (answer == IDCANCEL) return false;
        const char* address = g_preferences ? g_preferences->Get(PrefText::MailAddress) : nullptr;
        // The record may hold the sender of an earlier submission.
        url->SetMailFrom(answer == IDYES && address ? address : "");
        return true;
    }
    if (url->GetScheme() != kSchemeHttp || !g_preferences || !g_preferences->Get(PrefInt::WarnInsecureForm))
        return true;
    return g_messageBoxes && g_messageBoxes->AskOkCancel(window, IDS_FORM_UNENCRYPTED, nullptr) == IDOK;
}

}  // namespace

HWND OpenUrlInWindow(HWND window, const UrlHandle& url, const char* title, bool checkReload, int windowIndex,
                     const UrlHandle& referrer, int target) {
    if (!g_windowList || url.IsEmpty()) return nullptr;
    (void)PlayEventSound(PrefText::SoundClicked);
    // Outside programs and refusals end here (the user is told of a
    // refusal); compose windows and scripts are opened by their own code.
    UrlRoad road = ChooseUrlRoad(UrlRoadFactsOf(url, url->CarriesMail()));
    if (road == UrlRoad::Script) {
        // A javascript: address runs in the page the window shows.
        HWND in = window ? window : g_windowList->GetActiveWindow();
        (void)RunScriptUrlInWindow(in, target, url);
        return nullptr;
    }
    if (road != UrlRoad::Load) {
        (void)FollowOutsideRoad(window, road, url);
        return nullptr;
    }
    if (!UserLetsFormGo(window, url)) return nullptr;
    int status = url->GetStatusCheckingFile(true);
    if (!window) {
        int tile = 1;
        bool fresh = g_preferences && g_preferences->Get(PrefInt::NewWindow);
        window = fresh ? g_windowList->OpenNewWindow(&tile) : g_windowList->ChooseWindowForUrl(windowIndex, &tile);
        if (!window) return nullptr;
    }
    DocumentWindow* w = g_windowList->FindWindowById(window);
    if (!w) return nullptr;
    // Clearing the load flag forgets a reload request: read it first.
    const bool reload = w->reloadRequested;
    w->SetLoadState(kWindowLoading);
    g_windowList->SetLoadFlagA(window, false);
    w->SetTargetUrl(UrlHandle(), -1);
    w->SetCurrentUrl(url, target);
    if (title) w->SetTitle(title, false);
    if (HWND bar = w->BottomToolbar(); bar && url.GetName())
        SetDlgItemTextA(bar, kBarAddressCombo, MaskedUrlText(url.GetName()).c_str());
    w->StartProgress(true);
    w->cachePageFlag = false;
    if (status != kLoadLoaded && status != kLoadDelivering) {
        (void)url->StartLoad(w->Handler(), referrer, false, false);
        return window;
    }
    bool offline = g_preferences && g_preferences->Get(PrefInt::OfflineMode);
    if (!offline && (reload || (checkReload && NeedsReload(*url.Record(), false, CoarseClockNow())))) {
        // The window hears this load like any other (never a quiet target).
        url->RequestLoad(w->Handler(), referrer, !reload, false, false, false);
        return window;
    }
    url->Touch(CoarseClockNow(), false);
    w->SetLoadState(kWindowUsable);
    if (DocumentDispatch* dispatch = GetDocumentDispatch()) {
        // Already loaded: both decisions at once.
        dispatch->DocumentStarting(window, url);
        dispatch->DocumentLoaded(window, url);
    } else {
        (void)g_windowList->ShowUrl(window, url, 0, false);
    }
    if (g_windowList->GetLoadState(window) != kWindowLoading) w->SetLoadState(kWindowIdle);
    return window;
}

namespace {

bool KeyHeld(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

bool SameRecord(const UrlHandle& a, const UrlHandle& b) {
    return !a.IsEmpty() && a.Record() == b.Record();
}

// The window's own load makes way for the new one.
HWND OpenHere(HWND window, const UrlHandle& url, const UrlHandle& referrer, bool checkReload, int target) {
    (void)StopWindowLoad(window, false);
    return OpenUrlInWindow(window, url, nullptr, checkReload, 0, referrer, target);
}

// A news article or group in the window the chain of this one keeps for
// it (links 1: article, 2: group, 3: the list before), or in a new window
// added to the chain.
HWND OpenInNewsChain(HWND window, const UrlHandle& url, const UrlHandle& referrer, bool article) {
    const int mode = g_preferences ? g_preferences->Get(article ? PrefInt::NewsArticleMode : PrefInt::NewsGroupMode) : 1;
    if (mode == 0) return OpenHere(window, url, referrer, true, -1);
    HWND frame = g_windowList->FindWindowById(window) ? g_windowList->FindWindowById(window)->Frame() : nullptr;
    if (mode == 1) {
        if (HWND reused = g_windowList->GetLink(window, article ? 1 : 2)) {
            (void)StopWindowLoad(reused, false);
            HWND opened = OpenUrlInWindow(reused, url, nullptr, true, 0, referrer, -1);
            HWND reusedFrame = g_windowList->FindWindowById(reused)->Frame();
            if (IsIconic(reusedFrame) || (frame && IsZoomed(frame))) ShowWindow(reusedFrame, SW_RESTORE);
            if (g_mdiClient && frame &&
                reinterpret_cast<HWND>(SendMessageA(g_mdiClient, WM_MDIGETACTIVE, 0, 0)) == frame)
                SendMessageA(g_mdiClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(reusedFrame), 0);
            return opened;
        }
    }
    int tile = 1;
    HWND fresh = g_windowList->OpenNewWindow(&tile);
    if (!fresh) return nullptr;
    if (article) {
        g_windowList->SetLink(window, 1, fresh);
        g_windowList->SetLink(fresh, 2, window);
        HWND list = g_windowList->GetLink(window, 3);
        g_windowList->SetLink(fresh, 3, list);
        if (list) g_windowList->SetLink(list, 1, fresh);
    } else {
        g_windowList->SetLink(window, 2, fresh);
        g_windowList->SetLink(fresh, 3, window);
        HWND articles = g_windowList->GetLink(window, 1);
        g_windowList->SetLink(fresh, 1, articles);
        if (articles) g_windowList->SetLink(articles, 2, fresh);
    }
    (void)StopWindowLoad(fresh, true);
    return OpenUrlInWindow(fresh, url, nullptr, true, 0, referrer, -1);
}

}  // namespace

HWND FollowLink(HWND window, const UrlHandle& url, const UrlHandle& referrer, int target) {
    if (!g_windowList || url.IsEmpty() || !g_windowList->IsDocumentWindow(window)) return nullptr;
    const bool ignoreTarget = g_preferences && g_preferences->Get(PrefInt::IgnoreTarget);
    const UrlHandle current = g_windowList->GetWindowUrl(window);
    const bool differs = !SameRecord(url, current);
    if (!KeyHeld(VK_SHIFT) && (target != -2 || ignoreTarget)) {
        const int scheme = url->GetScheme();
        const bool news = scheme == kSchemeNews || scheme == kSchemeSnews;
        if (!news || !differs) return OpenHere(window, url, referrer, differs, target == -2 ? -1 : target);
        const char* text = url.GetName();
        if (!text || !*text) return nullptr;
        switch (ClassifyNewsUrl(text)) {
            case kNewsArticle: case kNewsServerArticle: return OpenInNewsChain(window, url, referrer, true);
            case kNewsGroup: case kNewsServerGroup: return OpenInNewsChain(window, url, referrer, false);
            default: return OpenHere(window, url, referrer, differs, -1);
        }
    }
    int tile = 1;
    HWND fresh = g_windowList->OpenNewWindow(&tile);
    if (!fresh) return nullptr;
    HWND opened = OpenUrlInWindow(fresh, url, nullptr, differs, 0, referrer, -1);
    // With Ctrl the new window opens behind this one.
    if (KeyHeld(VK_CONTROL) && g_mdiClient) {
        if (DocumentWindow* w = g_windowList->FindWindowById(window))
            SendMessageA(g_mdiClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w->Frame()), 0);
    }
    return opened;
}

HWND OpenLocalFileAsUrl(HWND window, const char* path) {
    if (!path || !*path) return nullptr;
    std::string url = CompleteTypedUrl(path);
    return OpenTypedUrl(window, url.c_str(), nullptr, true, 0);
}

void OpenStartUrls(HWND window) {
    std::vector<std::string> urls;
    urls.swap(StartUrls);
    bool first = true;
    for (const std::string& text : urls) {
        // A mail file opens in a compose window, not as a page.
        if (OpenIfMailFile(text.c_str())) continue;
        // The first address takes the given (or a reusable) window, every
        // further one a new window of its own.
        int tile = 1;
        HWND target = nullptr;
        if (g_windowList) {
            if (first) target = window ? window : g_windowList->ChooseWindowForUrl(0, &tile);
            else target = g_windowList->OpenNewWindow(&tile);
        }
        first = false;
        if (!target) return;
        (void)OpenTypedUrl(target, text.c_str(), nullptr, true, 0);
    }
}
