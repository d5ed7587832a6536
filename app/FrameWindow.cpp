#include "app/FrameWindow.h"

#include <commdlg.h>
#include <cstring>
#include <shellapi.h>
#include <string>

#include "app/GlobalObjects.h"
#include "app/StartupDialogs.h"
#include "core/AppGlobals.h"
#include "core/CoarseClock.h"
#include "core/CommandDispatcher.h"
#include "core/CommandLine.h"
#include "core/DelayedMessageQueue.h"
#include "core/DialogRuntime.h"
#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/ProgressDialog.h"
#include "core/StartupSettings.h"
#include "net/Winsock.h"
#include "resources/CoreIds.h"

HMENU g_frameMenu = nullptr;
HMENU g_windowMenu = nullptr;
HWND g_findDialog = nullptr;
bool g_shuttingDown = false;
bool g_closePending = false;
uint32_t g_lastGoHomeTime = 0;

namespace {

constexpr int kFrameHelpContext = 20081;
constexpr int kFirstMdiChildId = 100;

UINT g_findReplaceMessage = 0;
HWND g_activeBeforeDeactivation = nullptr;
std::string g_savedTitle;
int g_hintTicks = 0;
int g_hintTicks2 = 0;
unsigned g_ticks = 0;

LRESULT DefaultFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefFrameProcA(window, g_mdiClient, message, wParam, lParam);
}

LRESULT HandleFindReplace(LPARAM lParam) {
    const auto* request = reinterpret_cast<const FINDREPLACEA*>(lParam);
    if (request->Flags & FR_DIALOGTERM) g_findDialog = nullptr;
    // Searching the active document belongs to the document windows; replace
    // requests are not offered.
    return 0;
}

void HandleFrameCreate(HWND window) {
    CreateGlobalObjects(window);
    LoadCursor(nullptr, IDC_ARROW);
    LoadCursor(nullptr, IDC_WAIT);
    // The automatic return home counts from start-up, not from 1970.
    g_lastGoHomeTime = CoarseClockNow();
}

LRESULT OnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_frameWindow = window;
    g_frameMenu = GetMenu(window);
    g_windowMenu = FindWindowMenu(g_frameMenu, -2);
    CLIENTCREATESTRUCT client{g_windowMenu, kFirstMdiChildId};
    g_mdiClient = CreateWindowExA(0, "mdiclient", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0,
                                  0, window, nullptr, g_instance, &client);
    HandleFrameCreate(window);
    return DefaultFrame(window, message, wParam, lParam);
}

void OnActivate(HWND window, WPARAM wParam) {
    if (HIWORD(wParam)) {
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        if (char* child = strstr(title, " - [")) *child = '\0';
        g_savedTitle = title;
        SetWindowTextA(window, "Zintu");
    } else if (!g_savedTitle.empty()) {
        SetWindowTextA(window, g_savedTitle.c_str());
    }
}

void OnActivateApp(WPARAM active) {
    if (!active) {
        g_activeBeforeDeactivation = GetFocus();
    } else if (g_activeBeforeDeactivation && IsWindow(g_activeBeforeDeactivation)) {
        SetFocus(g_activeBeforeDeactivation);
    } else {
        g_activeBeforeDeactivation = GetFocus();
    }
}

LRESULT HandleFrameClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Winsock runs our loop inside a blocking look-up: closing now would pull
    // the frame from under it. The look-up, cancelled, closes again.
    if (CancelBlockingCallForClose()) {
        g_closePending = true;
        return 0;
    }
    // The menu comes back before the frame goes, so that the next start
    // finds it where the settings say.
    if (g_frameMenu && !GetMenu(window)) SetMenu(window, g_frameMenu);
    g_closePending = false;
    return DefaultFrame(window, message, wParam, lParam);
}

// A double click on the icon of a maximised document frame at the left end
// of the menu bar closes that document frame.
void OnNonClientDoubleClick(HWND window, LPARAM lParam) {
    if (!g_mdiClient) return;
    BOOL maximized = FALSE;
    HWND child = reinterpret_cast<HWND>(
        SendMessageA(g_mdiClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    if (!child || !maximized) return;
    RECT frame;
    GetWindowRect(window, &frame);
    int left = frame.left + GetSystemMetrics(SM_CXFRAME);
    int top = frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
    RECT icon{left, top, left + GetSystemMetrics(SM_CXSIZE), top + GetSystemMetrics(SM_CYSIZE)};
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (PtInRect(&icon, at)) PostMessageA(child, WM_CLOSE, 0, 0);
}

LRESULT OnSysKeyDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    bool alt = lParam & (1 << 29);
    HWND child =
        g_mdiClient ? reinterpret_cast<HWND>(SendMessageA(g_mdiClient, WM_MDIGETACTIVE, 0, 0)) : nullptr;
    if (alt || !child) return DefaultFrame(window, message, wParam, lParam);
    SetFocus(child);
    SendMessageA(child, WM_KEYDOWN, wParam, lParam);
    return 0;
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (CommandDispatcher(window, message, wParam, lParam)) {
        UpdateWindow(window);
        return 0;
    }
    return DefaultFrame(window, message, wParam, lParam);
}

void OnDelayedMessageTimer() {
    if (g_delayedMessages) g_delayedMessages->OnTimer();
}

// [SPECIAL] GO HOME TIME OUT: an unattended window goes back to its home
// page. Returning home is the document windows' part; the frame keeps time.
void CheckGoHomeTimeOut() {
    int timeOut = GoHomeTimeOutSeconds();
    uint32_t now = CoarseClockNow();
    if (timeOut > 0 && now - g_lastGoHomeTime > static_cast<uint32_t>(timeOut)) g_lastGoHomeTime = now;
}

// 0x8020: the addresses of the command line are opened by the document
// windows; until they are built, the addresses are kept.
LRESULT OnOpenStartUrls(HWND) {
    return 0;
}

LRESULT DispatchToMainHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_mainHandler)
        g_mainHandler->Dispatch(message, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
    return 0;
}

LRESULT OnStartupFinished() {
    CloseSplashWindow();
    MarkFirstRunGreeted();
    return 0;
}

}  // namespace

HMENU FindWindowMenu(HMENU menu, int position) {
    if (!menu || position == -1) return nullptr;
    if (position != -2) {
        if (HMENU sub = GetSubMenu(menu, position)) return sub;
    }
    int count = GetMenuItemCount(menu);
    if (count >= 2) return GetSubMenu(menu, count - 2);
    for (int i = count - 1; i >= 0; --i)
        if (HMENU sub = GetSubMenu(menu, i)) return sub;
    return nullptr;
}

void HandleFrameTimer(HWND window, UINT timerId) {
    if (timerId == DelayedMessageTimerId) {
        OnDelayedMessageTimer();
        return;
    }
    if (g_hintTicks < 10) {
        ++g_hintTicks;
    } else if (g_hintTicks == 10) {
        g_hintTicks = 11;  // the pop-up hint logic looks once per wait
    }
    if (g_hintTicks2 < 11) ++g_hintTicks2;
    CheckGoHomeTimeOut();
    if (++g_ticks % 9 == 0) RefreshCoarseClock();
}

LRESULT CALLBACK FrameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_findReplaceMessage) g_findReplaceMessage = RegisterWindowMessageA(FINDMSGSTRINGA);
    if (message == g_findReplaceMessage) return HandleFindReplace(lParam);
    LRESULT result = 0;
    if (WindowProcFront(window, message, wParam, lParam, kFrameHelpContext, &result)) return result;
    switch (message) {
        case WM_CREATE:
            return OnCreate(window, message, wParam, lParam);
        case WM_DESTROY:
            DestroyGlobalObjects(window);
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            LayoutChildPanels(window, message, wParam, LOWORD(lParam), HIWORD(lParam), false);
            return 0;
        case WM_ACTIVATE:
            OnActivate(window, wParam);
            break;
        case WM_CLOSE:
        case WM_QUERYENDSESSION:
            return HandleFrameClose(window, message, wParam, lParam);
        case WM_ENDSESSION:
            if (wParam) DestroyWindow(window);
            return 0;
        case WM_ACTIVATEAPP:
            OnActivateApp(wParam);
            break;
        case WM_NCLBUTTONDBLCLK:
            OnNonClientDoubleClick(window, lParam);
            break;
        case WM_NCDESTROY:
            if (g_shuttingDown) return 0;
            break;
        case WM_SYSKEYDOWN:
            return OnSysKeyDown(window, message, wParam, lParam);
        case WM_COMMAND:
            return OnCommand(window, message, wParam, lParam);
        case WM_INITMENUPOPUP:
            // Not the system menu: its items are the system's.
            if (!HIWORD(lParam)) GreyCommandsWithoutHandler(reinterpret_cast<HMENU>(wParam));
            break;
        case WM_TIMER:
            HandleFrameTimer(window, static_cast<UINT>(wParam));
            if (wParam == DelayedMessageTimerId) return 0;
            break;
        case WM_DROPFILES:
            // Opening dropped files belongs to the document windows.
            DragFinish(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_QUERYNEWPALETTE:
        case WM_PALETTEISCHANGING:
        case WM_PALETTECHANGED:
            return 0;
        case kMsgOpenStartUrls:
            return OnOpenStartUrls(window);
        case kMsgStartupFinished:
            return OnStartupFinished();
        default:
            if (message >= kFirstInternalMessage && message < 0xC000)
                return DispatchToMainHandler(message, wParam, lParam);
            break;
    }
    return DefaultFrame(window, message, wParam, lParam);
}

int FrameMessageFilter(MSG* message) {
    HandleHelpKeys(*message);
    if (g_frameWindow && g_accelerators && TranslateAcceleratorA(g_frameWindow, g_accelerators, message))
        return 1;
    if (RegisteredDialogMessage(message)) return 1;
    if (g_mdiClient && TranslateMDISysAccel(g_mdiClient, message)) return 1;
    if (g_progressWindow && IsDialogMessageA(g_progressWindow, message)) return 1;
    if (g_findDialog) {
        if (!IsWindow(g_findDialog)) {
            g_findDialog = nullptr;
            return 0;
        }
        if (IsDialogMessageA(g_findDialog, message)) return 1;
    }
    return 0;
}

int PrepareFrameStyle(DWORD* style) {
    *style |= WS_OVERLAPPEDWINDOW;
    if (KioskNoSysMenu) *style &= ~WS_SYSMENU;
    if (KioskNoMinMaxButtons) *style &= ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    return 0;
}

ATOM RegisterFrameWindowClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_OWNDC | CS_DBLCLKS;
    wc.lpfnWndProc = FrameWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "ZINTU");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(MENU_FRAME);
    wc.lpszClassName = "BLDZINTU";
    return RegisterClassA(&wc);
}

int RegisterWindowClasses(HINSTANCE instance) {
    // The document, compose and help windows register their classes with
    // their own code; only the frame's class decides whether we can run.
    return RegisterFrameWindowClass(instance) != 0;
}

HWND CreateFrameWindow(HINSTANCE instance) {
    DWORD style = WS_CAPTION;
    PrepareFrameStyle(&style);
    HWND frame = CreateWindowExA(0, "BLDZINTU", "Zintu", style, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                                 nullptr, instance, nullptr);
    if (!frame) ShowStringMessage(GetActiveWindow(), IDS_CANNOT_CREATE_WINDOW, "Zintu", MB_ICONINFORMATION);
    return frame;
}
