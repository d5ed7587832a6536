#include "windows/OpenUrl.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/CoarseClock.h"
#include "core/CommandLine.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "net/UrlAuthority.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlReloadPolicy.h"
#include "windows/DocumentDispatch.h"
#include "windows/OutsideUrls.h"
#include "windows/TypedAddress.h"
#include "windows/UrlRoads.h"
#include "windows/WindowList.h"

std::string CompleteTypedUrl(const char* text) {
    return CompleteTypedAddress(text ? text : "");
}

HWND OpenTypedUrl(HWND window, const char* text, const char* title, bool checkReload, int windowIndex) {
    std::string name = CompleteTypedUrl(text);
    UrlRegistry* registry = UrlRegistry::Instance();
    if (name.empty() || !registry) return nullptr;
    UrlHandle url = registry->FindWithFragment(name.c_str());
    if (url.IsEmpty()) return nullptr;
    return OpenUrlInWindow(window, url, title, checkReload, windowIndex);
}

HWND OpenUrlInWindow(HWND window, const UrlHandle& url, const char* title, bool checkReload, int windowIndex) {
    if (!g_windowList || url.IsEmpty()) return nullptr;
    // Outside programs and refusals end here (the user is told of a
    // refusal); compose windows and scripts are opened by their own code.
    UrlRoad road = ChooseUrlRoad(UrlRoadFactsOf(url));
    if (road != UrlRoad::Load) {
        (void)FollowOutsideRoad(window, road, url);
        return nullptr;
    }
    int status = url->GetStatusCheckingFile(true);
    if (!window) {
        int tile = 1;
        bool fresh = g_preferences && g_preferences->Get(PrefInt::NewWindow);
        window = fresh ? g_windowList->OpenNewWindow(&tile) : g_windowList->ChooseWindowForUrl(windowIndex, &tile);
        if (!window) return nullptr;
    }
    DocumentWindow* w = g_windowList->FindWindowById(window);
    if (!w) return nullptr;
    w->SetLoadState(kWindowLoading);
    g_windowList->SetLoadFlagA(window, false);
    w->SetTargetUrl(UrlHandle(), -1);
    w->SetCurrentUrl(url, -1);
    if (title) w->SetTitle(title, false);
    if (HWND bar = w->BottomToolbar(); bar && url.GetName())
        SetDlgItemTextA(bar, kBarAddressCombo, MaskedUrlText(url.GetName()).c_str());
    w->StartProgress(true);
    w->cachePageFlag = false;
    if (status != kLoadLoaded && status != kLoadDelivering) {
        (void)url->StartLoad(w->Handler(), UrlHandle(), false, false);
        return window;
    }
    bool offline = g_preferences && g_preferences->Get(PrefInt::OfflineMode);
    if (!offline && (w->reloadRequested || (checkReload && NeedsReload(*url.Record(), false, CoarseClockNow())))) {
        url->RequestLoad(w->Handler(), UrlHandle(), !w->reloadRequested, false, false, w->reloadRequested);
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
