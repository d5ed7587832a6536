#include "windows/WindowCommands.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/CommandLine.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ProgressDialog.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FrameTree.h"
#include "documents/HtmlDocument.h"
#include "net/UrlRecord.h"
#include "resources/CoreIds.h"
#include "resources/WindowStringIds.h"
#include "windows/DocumentFrame.h"
#include "windows/HomePageDialog.h"
#include "windows/LinkHint.h"
#include "windows/Navigation.h"
#include "windows/OpenUrl.h"
#include "windows/ViewArithmetic.h"
#include "windows/ViewMouse.h"
#include "windows/WindowList.h"

namespace {

// The frame's placement from before full screen; kept while the frame that
// went full screen is on it.
HWND g_fullScreenFrame = nullptr;
WINDOWPLACEMENT g_placementBefore{};
// The frame's menu, kept while the menu bar is hidden.
HMENU g_keptMenu = nullptr;

bool KeyHeld(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

UrlHandle DocumentUrl(HWND view) {
    DocumentList* list = g_windowList ? g_windowList->GetDocumentList(view) : nullptr;
    Document* d = list ? list->GetCurrentDocument() : nullptr;
    return d ? d->GetUrl() : UrlHandle();
}

LRESULT CmdReloadActive(HWND window, UINT, WPARAM, LPARAM) {
    if (HWND view = CommandTargetWindow(window)) {
        g_windowList->RequestReload(view);
        (void)ReloadWindow(view);
    }
    return 0;
}

LRESULT CmdReloadAll(HWND, UINT, WPARAM, LPARAM) {
    if (!g_windowList) return 0;
    for (HWND view = g_windowList->NextWindowId(true); view; view = g_windowList->NextWindowId(false)) {
        // A window without a document (a fresh one) has nothing to reload.
        if (!DocumentUrl(view).IsEmpty()) {
            g_windowList->RequestReload(view);
            (void)ReloadWindow(view);
        }
    }
    return 0;
}

LRESULT CmdStopActive(HWND window, UINT, WPARAM, LPARAM) {
    if (HWND view = CommandTargetWindow(window)) (void)StopWindowLoad(view, false);
    return 0;
}

LRESULT CmdActiveWindowHome(HWND window, UINT, WPARAM, LPARAM) {
    (void)GoHome(CommandTargetWindow(window), true, true);
    return 0;
}

LRESULT CmdSetHome(HWND window, UINT, WPARAM, LPARAM) {
    ShowHomePageDialog(window);
    return 0;
}

// The link under the last context menu, in the window the menu was opened
// in; its own load makes way.
LRESULT CmdLinkHere(HWND window, UINT, WPARAM, LPARAM) {
    HWND view = CommandTargetWindow(window);
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    UrlHandle link = g_windowList ? g_windowList->ContextUrl() : UrlHandle();
    if (!w || link.IsEmpty()) return 0;
    Document* document = w->CurrentDocument();
    UrlHandle referrer = document ? document->GetUrl() : UrlHandle();
    if (document) document->ClearSelection();
    g_windowList->SetStatusText(view, nullptr);
    g_windowList->SetLinkText(nullptr);
    UrlHandle current = w->CurrentUrl();
    if (!current.IsEmpty() && w->Handler()) current->RemoveTarget(w->Handler());
    if (document && document->GetUrl().Record() == current.Record()) document->Stop(1);
    w->ResetProgress();
    (void)OpenUrlInWindow(view, link, nullptr, link.Record() != current.Record(), 0, referrer, -1);
    return 0;
}

LRESULT CmdLinkNewWindow(HWND window, UINT, WPARAM, LPARAM) {
    HWND view = CommandTargetWindow(window);
    UrlHandle link = g_windowList ? g_windowList->ContextUrl() : UrlHandle();
    if (link.IsEmpty()) return 0;
    UrlHandle referrer = DocumentUrl(view);
    int tile = 1;
    HWND fresh = g_windowList->OpenNewWindow(&tile);
    if (fresh) (void)OpenUrlInWindow(fresh, link, nullptr, true, 0, referrer, -1);
    return 0;
}

// A new window of the program's own pages; its bottom bar stays hidden.
HWND OpenSpecialPage(int kind, const char* address) {
    if (!g_windowList) return nullptr;
    int tile = 1;
    HWND view = g_windowList->OpenNewWindow(&tile);
    if (!view) return nullptr;
    g_windowList->SetSpecialKind(view, kind);
    return OpenTypedUrl(view, address, address, true, 255);
}

LRESULT CmdCachePage(HWND, UINT, WPARAM, LPARAM) {
    (void)OpenSpecialPage(2, "zintu:cache");
    return 0;
}

LRESULT CmdHistoryPage(HWND, UINT, WPARAM, LPARAM) {
    (void)OpenSpecialPage(4, "zintu:history");
    return 0;
}

LRESULT CmdPluginsPage(HWND, UINT, WPARAM, LPARAM) {
    (void)OpenSpecialPage(3, "zintu:plugins");
    return 0;
}

LRESULT CmdSearchWindow(HWND, UINT, WPARAM, LPARAM) {
    const char* search = g_preferences ? g_preferences->Get(PrefText::FixedUrlsSearch) : nullptr;
    if (!g_windowList || !search || !*search) return 0;
    int tile = 1;
    if (HWND view = g_windowList->OpenNewWindow(&tile)) (void)OpenTypedUrl(view, search, nullptr, true, 0);
    return 0;
}

LRESULT CmdDownloadWindow(HWND, UINT, WPARAM, LPARAM) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(g_windowList->DownloadWindow()) : nullptr;
    if (w && w->Frame()) {
        ShowWindow(w->Frame(), SW_SHOWNORMAL);
        if (g_mdiClient) SendMessageA(g_mdiClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w->Frame()), 0);
    }
    return 0;
}

LRESULT CmdMaximize(HWND window, UINT, WPARAM, LPARAM) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(CommandTargetWindow(window)) : nullptr;
    if (w && g_mdiClient) SendMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(w->Frame()), 0);
    return 0;
}

LRESULT CmdFullScreen(HWND, UINT, WPARAM, LPARAM) {
    ToggleFullScreen(!IsFullScreen());
    return 0;
}

LRESULT CmdToggleMenu(HWND, UINT, WPARAM, LPARAM) {
    ToggleMenuBar(g_frameWindow && !GetMenu(g_frameWindow));
    return 0;
}

// Scrolls the pane until the rectangle (document units) is inside what it
// shows, through its scroll messages so that the bars follow.
void ScrollIntoView(HWND pane, Document& d, const RECT& r) {
    const int scale = g_windowList->GetScale(g_windowList->IsDocumentWindow(pane) ? pane : GetParent(pane));
    RECT client{};
    GetClientRect(pane, &client);
    const int32_t width = view_math::LogicalSize(client.right, scale);
    const int32_t height = view_math::LogicalSize(client.bottom, scale);
    const int32_t unit = std::max<int32_t>(g_windowList->GetScrollUnit(pane), 1);
    if (r.top < d.ScrollY() || r.bottom > d.ScrollY() + height) {
        const int32_t y = std::max<int32_t>(r.top - height / 3, 0);
        SendMessageA(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, y / unit), 0);
    }
    if (r.left < d.ScrollX() || r.right > d.ScrollX() + width) {
        const int32_t x = std::max<int32_t>(r.left - width / 3, 0);
        SendMessageA(pane, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, x), 0);
    }
}

void FocusUrlField(HWND view) {
    HWND bar = g_windowList ? g_windowList->GetBottomToolbar(view) : nullptr;
    if (HWND field = bar ? GetDlgItem(bar, kBarAddressCombo) : nullptr) SetFocus(field);
}

}  // namespace

HWND CommandTargetWindow(HWND window) {
    if (!g_windowList) return nullptr;
    if (g_windowList->IsDocumentWindow(window)) return window;
    if (HWND view = window ? g_windowList->ViewForFrame(window) : nullptr) return view;
    return g_windowList->GetActiveWindow();
}

int ReloadWindow(HWND view) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    UrlHandle url = DocumentUrl(view);
    if (!w || url.IsEmpty()) return 0;
    w->loadFlagA = true;
    w->reloadRequested = true;
    return OpenUrlInWindow(view, url, nullptr, true, 0) ? 1 : 0;
}

HWND GoHome(HWND view, bool force, bool newWindow) {
    if (!g_windowList) return nullptr;
    const bool isWindow = g_windowList->IsDocumentWindow(view);
    const char* own = isWindow ? g_windowList->GetWindowHomeUrl(view) : nullptr;
    const char* global = g_preferences ? g_preferences->GetHomeUrl() : nullptr;
    const char* home = own && *own ? own : global;
    if (!home || !*home) {
        if (g_messageBoxes) g_messageBoxes->ShowError(nullptr, IDS_NO_HOME_PAGE, nullptr, nullptr);
        return nullptr;
    }
    if (!force && isWindow) {
        UrlHandle shown = DocumentUrl(view);
        if (!shown.IsEmpty() && shown.GetName() && CompleteTypedUrl(home) == shown.GetName()) return nullptr;
    }
    HWND target = isWindow ? view : nullptr;
    if (!target && newWindow) {
        int tile = 1;
        target = g_windowList->OpenNewWindow(&tile);
        if (!target) return nullptr;
    }
    if (target) (void)StopWindowLoad(target, true);
    return OpenTypedUrl(target, home, nullptr, true, 0);
}

bool FindInActiveDocument(const char* text, DWORD flags) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(g_windowList->GetActiveWindow()) : nullptr;
    Document* d = w ? w->CurrentDocument() : nullptr;
    if (!d || !text || !*text) return false;
    HWND pane = w->ViewWindow();
    if (d->GetKind() == kDocHtml) {
        auto* html = static_cast<HtmlDocument*>(d);
        FrameNode* frame = html->ActiveFrame();
        if (Document* inner = frame && frame->FrameWindow() ? html->GetActiveFrameDocument() : nullptr) {
            d = inner;
            pane = frame->FrameWindow();
        }
    }
    RECT found{};
    if (!d->FindText(text, static_cast<int32_t>(std::strlen(text)), (flags & FR_DOWN) != 0,
                     (flags & FR_MATCHCASE) != 0, (flags & FR_WHOLEWORD) != 0, true, &found)) {
        if (g_messageBoxes) g_messageBoxes->ShowError(nullptr, IDS_SEARCH_NOT_FOUND, nullptr, nullptr);
        return false;
    }
    ScrollIntoView(pane, *d, found);
    // The match becomes the selection: its ends as points of the pane.
    const int32_t middle = (found.top + found.bottom) / 2 - d->ScrollY();
    d->BeginSelection(found.left - d->ScrollX(), middle);
    d->ExtendSelection(found.right - d->ScrollX(), middle);
    InvalidateRect(pane, nullptr, FALSE);
    return true;
}

bool IsFullScreen() {
    return g_fullScreenFrame && g_fullScreenFrame == g_frameWindow;
}

void ToggleFullScreen(bool on) {
    HWND frame = g_frameWindow;
    if (!frame || on == IsFullScreen() || KioskNoChangeFullScreen) return;
    if (on) {
        g_placementBefore.length = sizeof g_placementBefore;
        GetWindowPlacement(frame, &g_placementBefore);
        // Set first: the frame lets itself grow past the screen only now.
        g_fullScreenFrame = frame;
        // The client area takes the whole screen; border, caption and menu
        // lie beyond its edges.
        RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(frame, GWL_STYLE)), GetMenu(frame) != nullptr,
                           static_cast<DWORD>(GetWindowLongPtrA(frame, GWL_EXSTYLE)));
        if (IsZoomed(frame) || IsIconic(frame)) ShowWindow(frame, SW_RESTORE);
        SetWindowPos(frame, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_FRAMECHANGED);
    } else {
        g_fullScreenFrame = nullptr;
        SetWindowPlacement(frame, &g_placementBefore);
    }
    HMENU menu = GetMenu(frame) ? GetMenu(frame) : g_keptMenu;
    if (menu) CheckMenuItem(menu, CMD_FULL_SCREEN, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void ToggleMenuBar(bool show) {
    HWND frame = g_frameWindow;
    if (!frame) return;
    if (HMENU current = GetMenu(frame)) g_keptMenu = current;
    if (!g_keptMenu) return;
    SetMenu(frame, show ? g_keptMenu : nullptr);
    DrawMenuBar(frame);
}

bool HandleShortcutKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || !g_windowList) return false;
    const bool ctrl = KeyHeld(VK_CONTROL);
    const bool shift = KeyHeld(VK_SHIFT);
    HWND active = g_windowList->GetActiveWindow();
    switch (message.wParam) {
        case VK_F2:
            if (!shift || ctrl) return false;
            (void)AskNickname(g_frameWindow);
            return true;
        case VK_F7:
            if (!ctrl || shift) return false;  // the hotlist's keys are the hotlist's
            if (active) g_windowList->SetShowScrollBars(active, !g_windowList->GetShowScrollBars(active));
            return true;
        case VK_F8:
            if (shift) return false;
            if (ctrl) {
                if (active) g_windowList->ShowBottomToolbar(active, g_windowList->GetBottomToolbar(active) == nullptr);
            } else {
                FocusUrlField(active);
            }
            return true;
        case VK_F9:
            if (ctrl && shift) {
                if (g_frameWindow) PostMessageA(g_frameWindow, WM_CLOSE, 0, 0);
            } else if (DocumentWindow* w = g_windowList->FindWindowById(active)) {
                SetFocus(w->Frame());
            }
            return true;
        case VK_F11:
            if (!ctrl || shift) return false;
            ToggleMenuBar(g_frameWindow && !GetMenu(g_frameWindow));
            return true;
        default:
            return false;
    }
}

void MoveToLink(HWND view, HWND pane, bool forward) {
    Document* document = g_windowList ? WindowDocument(view, pane) : nullptr;
    if (!document) return;
    RECT focus = {};
    LinkHit hit;
    const UrlHandle url = document->SelectAdjacentLink(forward, &focus, &hit);
    const uint8_t kind = document->GetKind();
    if (url.IsEmpty() || !url.GetName() || kind == kDocNewsList || kind == kDocNewsGroup) {
        g_windowList->SetStatusText(view, "");
        g_windowList->SetLinkText("");
        if (g_preferences && g_preferences->Get(PrefInt::StatusLine)) (void)SetStatusText("");
        HideLinkHint();
        if (url.IsEmpty()) return;
    } else {
        ShowLinkStatus(view, url.GetName(), hit.fragment);
        if (g_preferences && g_preferences->Get(PrefInt::PopupLinkAddress)) UpdateLinkHint(true);
    }
    ScrollIntoView(pane, *document, focus);
}

void ActivateCurrentElement(HWND view, HWND pane, bool newWindow) {
    Document* document = g_windowList ? WindowDocument(view, pane) : nullptr;
    if (!document) return;
    LinkHit hit;
    const UrlHandle url = document->ActivateFocused(&hit);
    if (url.IsEmpty()) return;
    // A place of the same page: the page has already moved there.
    if (url.Record() == document->GetUrl().Record() && hit.fragment && *hit.fragment) return;
    HideLinkHint();
    if (newWindow)
        (void)OpenLinkInTarget(url, view, document, -2, "");
    else
        (void)OpenLinkInTarget(url, view, document, hit.targetFrame, hit.target);
}

void RegisterWindowCommands() {
    static const CommandBinding bindings[] = {
        {CMD_RELOAD, CmdReloadActive},
        {CMD_DOC_RELOAD, CmdReloadActive},
        {CMD_RELOAD_ALL, CmdReloadAll},
        {CMD_STOP, CmdStopActive},
        {CMD_DOC_STOP, CmdStopActive},
        {CMD_HOME, CmdActiveWindowHome},
        {CMD_DOC_HOME, CmdActiveWindowHome},
        {CMD_SET_HOME, CmdSetHome},
        {CMD_LINK_GET, CmdLinkHere},
        {CMD_IMGLINK_GET, CmdLinkHere},
        {CMD_LINK_GET_NEW, CmdLinkNewWindow},
        {CMD_IMGLINK_GET_NEW, CmdLinkNewWindow},
        {CMD_SHOW_CACHE, CmdCachePage},
        {CMD_SHOW_HISTORY, CmdHistoryPage},
        {CMD_SHOW_PLUGINS, CmdPluginsPage},
        {CMD_SHOW_DOWNLOAD, CmdDownloadWindow},
        {CMD_NEW_SEARCH_WINDOW, CmdSearchWindow},
        {CMD_MAXIMIZE, CmdMaximize},
        {CMD_FULL_SCREEN, CmdFullScreen},
        {CMD_TOGGLE_MENU, CmdToggleMenu},
    };
    RegisterCommands(bindings);
}
