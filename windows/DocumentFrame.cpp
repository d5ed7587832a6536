#include "windows/DocumentFrame.h"

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "net/UrlRecord.h"
#include "resources/CoreIds.h"
#include "resources/WindowStringIds.h"
#include "windows/DocumentView.h"
#include "windows/FrameSetCommands.h"
#include "windows/ViewMouse.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

namespace {

constexpr const char* kFrameClass = "ZUV_ObjWin";
constexpr int kFocusGained = 142;
constexpr int kFocusLost = 140;

bool Pref(PrefInt key) {
    return g_preferences && g_preferences->Get(key);
}

bool MainFrameVisible() {
    return g_frameWindow && IsWindowVisible(g_frameWindow);
}

HWND ActiveFrame() {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(g_windowList->GetActiveWindow()) : nullptr;
    return w ? w->Frame() : nullptr;
}

void FocusActiveFrame() {
    if (HWND frame = ActiveFrame()) SetFocus(frame);
}

bool ActiveMdiChildMaximized() {
    BOOL maximized = FALSE;
    if (g_mdiClient) SendMessageA(g_mdiClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized));
    return maximized != FALSE;
}

RECT RectInClient(HWND frame) {
    RECT r = {};
    GetWindowRect(frame, &r);
    MapWindowPoints(nullptr, GetParent(frame), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void RecordPlacement(HWND frame, HWND view, int state) {
    RECT r = RectInClient(frame);
    g_windowList->SetWindowPlacementById(view, state, r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1);
}

void NotifyFocus(HWND view, int code) {
    if (!g_preferences || !g_windowList || !g_preferences->Get(PrefInt::Scripting)) return;
    DocumentList* list = g_windowList->GetDocumentList(view);
    if (Document* d = list ? list->GetCurrentDocument() : nullptr) (void)d->FireEvent(code, 0, 0, 0, 0);
}

// The active window's frame takes the keyboard, unless one of its own
// windows (a page's field) has it already.
void FocusActiveWindowFrame(HWND frame, HWND view) {
    if (g_windowList->GetActiveWindow() != view) return;
    const HWND focus = GetFocus();
    if (focus != frame && !IsChild(frame, focus)) SetFocus(frame);
}

void OnFrameMove(HWND frame, HWND view) {
    if (!view || !MainFrameVisible() || IsIconic(frame) || IsZoomed(frame)) return;
    RECT r = RectInClient(frame);
    g_windowList->SetPlacementXY(view, r.left, r.top);
    FocusActiveWindowFrame(frame, view);
    // A frame dragged above the client area comes back to its top edge.
    if (r.top < 0) SetWindowPos(frame, nullptr, r.left, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
}

// After a resize the document stays within its content: a view scrolled to
// the right (or bottom) end keeps that end at its edge.
void KeepInsideContent(HWND view) {
    DocumentList* list = g_windowList->GetDocumentList(view);
    Document* d = list ? list->GetCurrentDocument() : nullptr;
    if (!d) return;
    if (d->ScrollX() != 0 && d->ScrollX() + d->Width() > d->GetContentWidth()) {
        int32_t target = std::max<int32_t>(d->GetContentWidth() - d->Width(), 0);
        d->SetScrollX(target);
        InvalidateRect(view, nullptr, FALSE);
    }
    if (d->ScrollY() != 0 && d->ScrollY() + d->Height() > d->GetContentHeight()) {
        int32_t target = std::max<int32_t>(d->GetContentHeight() - d->Height(), 0);
        d->SetScrollY(target);
        InvalidateRect(view, nullptr, FALSE);
    }
    UpdateScrollBars(view, d);
}

void OnFrameSize(HWND frame, HWND view, WPARAM type) {
    if (!view) return;
    if (type == SIZE_RESTORED || type == SIZE_MAXIMIZED) {
        g_windowList->LayoutToolbarsById(view, false);
        if (MainFrameVisible()) {
            if (type == SIZE_RESTORED) RecordPlacement(frame, view, 0);
            else g_windowList->SetWindowPlacementById(view, 2, 0, 0, 0, 0);
        }
        FocusActiveWindowFrame(frame, view);
    } else if (type == SIZE_MINIMIZED) {
        if (MainFrameVisible()) g_windowList->SetWindowPlacementById(view, 1, 0, 0, 0, 0);
        return;
    }
    KeepInsideContent(view);
}

// The full name of a dropped file, however long.
std::string DroppedFileName(HDROP drop, UINT index) {
    UINT length = DragQueryFileA(drop, index, nullptr, 0);
    std::string name(length + 1, '\0');
    UINT got = DragQueryFileA(drop, index, &name[0], length + 1);
    name.resize(got);
    return name;
}

LRESULT MdiArrange(UINT message) {
    if (g_frameWindow) MdiClientCommand(g_frameWindow, message);
    else if (g_mdiClient) SendMessageA(g_mdiClient, message, 0, 0);
    return 0;
}

LRESULT CmdCascade(HWND, UINT, WPARAM, LPARAM) {
    MdiArrange(WM_MDICASCADE);
    FocusActiveFrame();
    return 0;
}

LRESULT CmdTile(HWND, UINT, WPARAM, LPARAM) {
    CmdTileWindows();
    FocusActiveFrame();
    return 0;
}

LRESULT CmdArrangeIcons(HWND, UINT, WPARAM, LPARAM) {
    return MdiArrange(WM_MDIICONARRANGE);
}

LRESULT CmdViewSource(HWND, UINT, WPARAM, LPARAM) {
    return ViewSourceOfActiveWindow() ? 1 : 0;
}

// The program command with the argument in place of '%', or appended.
bool RunProgramWithArgument(const std::string& program, const std::string& argument) {
    std::string line = program;
    size_t percent = line.find('%');
    if (percent != std::string::npos) line.replace(percent, 1, argument);
    else line += " " + argument;
    return WinExec(line.c_str(), SW_SHOW) > 31;
}

}  // namespace

ATOM RegisterDocumentFrameClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = DocumentFrameProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "ZINTU");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kFrameClass;
    return RegisterClassA(&wc);
}

bool RegisterDocumentWindowClasses(HINSTANCE instance) {
    bool frame = RegisterDocumentFrameClass(instance) != 0;
    bool view = RegisterViewClass(instance) != 0;
    return frame && view;
}

void RegisterDocumentWindowCommands() {
    static const CommandBinding bindings[] = {
        {CMD_CASCADE, CmdCascade},
        {CMD_TILE, CmdTile},
        {CMD_ARRANGE_ICONS, CmdArrangeIcons},
        {CMD_SOURCE, CmdViewSource},
        {CMD_VIEW_SOURCE, CmdViewSource},
    };
    RegisterCommands(bindings);
}

HWND CreateDocumentWindow(bool setIdle, bool autoTile, bool show) {
    if (!g_mdiClient || !g_windowList) return nullptr;
    MDICREATESTRUCTA create = {};
    create.szClass = kFrameClass;
    create.szTitle = "...";
    create.hOwner = g_instance ? g_instance : GetModuleHandleA(nullptr);
    create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
    create.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    if (show) create.style |= WS_VISIBLE;
    if (ActiveMdiChildMaximized()) create.style |= WS_MAXIMIZE;
    HWND frame = reinterpret_cast<HWND>(SendMessageA(g_mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
    if (!frame) {
        ShowStringMessage(GetActiveWindow(), IDS_CANNOT_CREATE_WINDOW, create.szTitle, MB_ICONINFORMATION);
        return nullptr;
    }
    if (!show) ShowWindow(frame, SW_HIDE);
    HWND view = CreateViewWindow(frame);
    if (!view) {
        SendMessageA(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(frame), 0);
        return nullptr;
    }
    g_windowList->SetScale(view, g_preferences ? g_preferences->Get(PrefInt::Scale) : 100);
    bool barShown = false;
    if (Pref(PrefInt::ShowProgressDialog)) {
        g_windowList->ShowBottomToolbar(view, true);
        barShown = g_windowList->GetBottomToolbar(view) != nullptr;
    }
    if (g_preferences && !g_preferences->Get(PrefInt::ShowScrollbars)) {
        SetScrollRange(view, SB_VERT, 0, 0, TRUE);
        SetScrollRange(view, SB_HORZ, 0, 0, TRUE);
    }
    if (show) ShowWindow(view, SW_SHOW);
    if (autoTile && Pref(PrefInt::AutoTile)) {
        CmdTileWindows();
        FocusActiveFrame();
    }
    DragAcceptFiles(frame, TRUE);
    if (!barShown) g_windowList->LayoutToolbarsById(view, true);
    if (setIdle) g_windowList->SetLoadState(view, kWindowIdle);
    RecordPlacement(frame, view, 0);
    // The history takes the view's size now: a document made before the
    // first paint lays out at the width it is shown at.
    g_windowList->ApplyPendingSize(view);
    return view;
}

int OpenDroppedFiles(HWND frame, HDROP drop) {
    HWND view = g_windowList ? g_windowList->ViewForFrame(frame) : nullptr;
    if (!view) return 0;
    const bool idle = g_windowList->GetLoadState(view) == kWindowIdle;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0) return 0;
    int wanted = static_cast<int>(std::min<UINT>(count, kMaxDroppedWindows));
    if (idle) --wanted;
    std::vector<HWND> opened;
    for (int i = 0; i < wanted; ++i) {
        int tile = 0;
        // A window that cannot be made has been reported; no more are tried.
        HWND id = g_windowList->OpenNewWindow(&tile);
        if (!id) break;
        opened.push_back(id);
    }
    if (wanted > 0 && Pref(PrefInt::AutoTile)) {
        CmdTileWindows();
        FocusActiveFrame();
    }
    UINT next = 0;
    if (idle) (void)OpenLocalFileAsUrl(view, DroppedFileName(drop, next++).c_str());
    for (HWND id : opened) {
        if (next >= count) break;
        (void)OpenLocalFileAsUrl(id, DroppedFileName(drop, next++).c_str());
    }
    return static_cast<int>(opened.size());
}

void CmdTileWindows() {
    MdiArrange(WM_MDITILE);
}

bool ViewSourceOfActiveWindow() {
    if (!g_windowList) return false;
    Document* d = FrameDocument(g_windowList->GetActiveWindow());
    if (!d) return false;
    UrlHandle url = d->GetUrl();
    if (url.IsEmpty()) return false;
    std::string path = url->GetLocalFilePath(true);
    if (path.empty() && url->StoreInCacheFile()) path = url->GetLocalFilePath(true);
    if (path.empty()) return false;
    const char* viewer = g_preferences ? g_preferences->Get(PrefText::SourceViewer) : nullptr;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    bool started = RunProgramWithArgument(viewer && *viewer ? viewer : "write.exe", path);
    SetCursor(old);
    return started;
}

LRESULT CALLBACK DocumentFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT ignored = 0;
    (void)WindowProcFront(frame, message, wParam, lParam, kViewHelpContext, &ignored);
    HWND view = g_windowList ? g_windowList->ViewForFrame(frame) : nullptr;
    // The frame has the keyboard while its view pans: a key ends panning.
    if (PannedWindow() && message >= WM_KEYUP && message <= WM_SYSDEADCHAR) StopPanning();
    switch (message) {
        case WM_CREATE: break;
        case WM_DESTROY:
            if (g_frameWindow) DrawMenuBar(g_frameWindow);
            return 0;
        case WM_MOVE:
            FocusActivePanel(frame);
            OnFrameMove(frame, view);
            break;
        case WM_SIZE:
            LayoutChildPanels(frame, message, wParam, LOWORD(lParam), HIWORD(lParam), false);
            OnFrameSize(frame, view, wParam);
            break;
        case WM_SETFOCUS:
            NotifyFocus(view, kFocusGained);
            if (view) g_windowList->SetActiveWindow(view);
            return DefMDIChildProcA(frame, message, wParam, lParam);
        case WM_KILLFOCUS:
            NotifyFocus(view, kFocusLost);
            return 0;
        case WM_KEYDOWN:
            if (view) return OnViewKeyDown(view, wParam, lParam);
            break;
        case WM_MOUSEWHEEL:
            // The frame has the focus, so the wheel comes here: the view
            // scrolls (or zooms) with it.
            if (view) return SendMessageA(view, message, wParam, lParam);
            break;
        case WM_COMMAND:
            if (CommandDispatcher(frame, message, wParam, lParam)) return 0;
            return DefMDIChildProcA(frame, message, wParam, lParam);
        case WM_MDIACTIVATE:
            if (g_frameWindow) DrawMenuBar(g_frameWindow);
            if (reinterpret_cast<HWND>(lParam) == frame && view) OnViewActivate(view);
            break;
        case WM_DROPFILES:
            if (!view) break;
            (void)OpenDroppedFiles(frame, reinterpret_cast<HDROP>(wParam));
            DragFinish(reinterpret_cast<HDROP>(wParam));
            return 0;
        default:
            return DefMDIChildProcA(frame, message, wParam, lParam);
    }
    return DefMDIChildProcA(frame, message, wParam, lParam);
}
