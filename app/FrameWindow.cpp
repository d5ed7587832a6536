#include "app/FrameWindow.h"

#include <commdlg.h>
#include <cstring>
#include <shellapi.h>

#include "app/FrameCommands.h"
#include "app/GlobalObjects.h"
#include "app/StartupDialogs.h"
#include "core/EventSounds.h"
#include "core/AppGlobals.h"
#include "core/CoarseClock.h"
#include "core/CommandDispatcher.h"
#include "core/CommandLine.h"
#include "core/DelayedMessageQueue.h"
#include "core/DialogRuntime.h"
#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "core/ProgressDialog.h"
#include "core/StartupSettings.h"
#include "net/Winsock.h"
#include "resources/CoreIds.h"
#include "windows/DocumentFrame.h"
#include "windows/LinkHint.h"
#include "windows/OpenUrl.h"
#include "windows/WindowCommands.h"
#include "windows/WindowList.h"

namespace {

constexpr int kFrameHelpContext = 20081;
constexpr int kFirstMdiChildId = 100;

FrameWindow* g_current = nullptr;

}  // namespace

FrameWindow::~FrameWindow() {
    if (g_current == this) g_current = nullptr;
}

FrameWindow* FrameWindow::Current() {
    return g_current;
}

LRESULT FrameWindow::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefFrameProcA(Handle(), g_mdiClient, message, wParam, lParam);
}

LRESULT FrameWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = Handle();
    if (!findReplaceMessage_) findReplaceMessage_ = RegisterWindowMessageA(FINDMSGSTRINGA);
    if (message == findReplaceMessage_) return OnFindReplace(lParam);
    LRESULT result = 0;
    if (WindowProcFront(window, message, wParam, lParam, kFrameHelpContext, &result)) return result;
    switch (message) {
        case WM_CREATE:
            return OnCreate(message, wParam, lParam);
        case WM_DESTROY:
            return OnDestroy();
        case WM_SIZE:
            LayoutChildPanels(window, message, wParam, LOWORD(lParam), HIWORD(lParam), false);
            return 0;
        case WM_ACTIVATE:
            OnActivate(wParam);
            break;
        case WM_CLOSE:
        case WM_QUERYENDSESSION:
            return OnClose(message, wParam, lParam);
        case WM_ENDSESSION:
            if (wParam) DestroyWindow(window);
            return 0;
        case WM_ACTIVATEAPP:
            OnActivateApp(wParam);
            break;
        case WM_NCLBUTTONDBLCLK:
            OnNonClientDoubleClick(lParam);
            break;
        case WM_NCDESTROY:
            if (g_current == this) g_current = nullptr;
            if (shuttingDown_) return 0;
            break;
        case WM_SYSKEYDOWN:
            return OnSysKeyDown(message, wParam, lParam);
        case WM_COMMAND:
            return OnCommand(message, wParam, lParam);
        case WM_INITMENUPOPUP:
            OnInitMenuPopup(wParam, lParam);
            break;
        case WM_TIMER:
            OnTimer(static_cast<UINT>(wParam));
            if (wParam == DelayedMessageTimerId) return 0;
            break;
        case WM_GETMINMAXINFO:
            // Full screen puts the frame's edges beyond the screen's.
            if (IsFullScreen()) {
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMaxTrackSize.x = info->ptMaxSize.x = GetSystemMetrics(SM_CXSCREEN) * 2;
                info->ptMaxTrackSize.y = info->ptMaxSize.y = GetSystemMetrics(SM_CYSCREEN) * 2;
                return 0;
            }
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
            OpenStartUrls(nullptr);
            return 0;
        case kMsgStartupFinished:
            return OnStartupFinished();
        default:
            if (message >= kFirstInternalMessage && message < 0xC000)
                return OnInternalMessage(message, wParam, lParam);
            break;
    }
    return DefaultHandling(message, wParam, lParam);
}

LRESULT FrameWindow::OnFindReplace(LPARAM lParam) {
    const auto* request = reinterpret_cast<const FINDREPLACEA*>(lParam);
    if (request->Flags & FR_DIALOGTERM) findDialog_ = nullptr;
    // Replace requests are not offered.
    else if (request->Flags & FR_FINDNEXT) OnFindNext(*request);
    return 0;
}

LRESULT FrameWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = Handle();
    g_frameWindow = window;
    frameMenu_ = GetMenu(window);
    windowMenu_ = FindWindowMenu(frameMenu_, -2);
    CLIENTCREATESTRUCT client{windowMenu_, kFirstMdiChildId};
    g_mdiClient = CreateWindowExA(0, "mdiclient", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0,
                                  0, window, nullptr, g_instance, &client);
    CreateGlobalObjects(window);
    g_arrowCursor = LoadCursor(nullptr, IDC_ARROW);
    g_waitCursor = LoadCursor(nullptr, IDC_WAIT);
    g_selectCursor = LoadCursorA(g_instance, "SELECT");
    // The automatic return home counts from start-up, not from 1970.
    lastGoHomeTime_ = CoarseClockNow();
    // The frame and everything it holds stand: the program has started.
    (void)PlayEventSound(PrefText::SoundStart);
    return DefaultHandling(message, wParam, lParam);
}

LRESULT FrameWindow::OnDestroy() {
    // From here the frame's last messages must not reach freed objects.
    shuttingDown_ = true;
    DestroyGlobalObjects(Handle());
    PostQuitMessage(0);
    return 0;
}

void FrameWindow::OnActivate(WPARAM wParam) {
    HWND window = Handle();
    if (HIWORD(wParam)) {
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        if (char* child = strstr(title, " - [")) *child = '\0';
        savedTitle_ = title;
        SetWindowTextA(window, "Zintu");
    } else if (!savedTitle_.empty()) {
        SetWindowTextA(window, savedTitle_.c_str());
    }
}

void FrameWindow::OnActivateApp(WPARAM active) {
    if (!active) {
        activeBeforeDeactivation_ = GetFocus();
    } else if (activeBeforeDeactivation_ && IsWindow(activeBeforeDeactivation_)) {
        SetFocus(activeBeforeDeactivation_);
    } else {
        activeBeforeDeactivation_ = GetFocus();
    }
}

LRESULT FrameWindow::OnClose(UINT message, WPARAM wParam, LPARAM lParam) {
    // Winsock runs our loop inside a blocking look-up: closing now would pull
    // the frame from under it. The look-up, cancelled, closes again.
    if (CancelBlockingCallForClose()) {
        closePending_ = true;
        return 0;
    }
    // The menu comes back before the frame goes, so that the next start
    // finds it where the settings say.
    if (frameMenu_ && !GetMenu(Handle())) SetMenu(Handle(), frameMenu_);
    if (g_preferences) g_preferences->SaveWindowPlacement(Handle(), false);
    (void)PlayEventSound(PrefText::SoundEnd);
    closePending_ = false;
    return DefaultHandling(message, wParam, lParam);
}

// A double click on the icon of a maximised document frame at the left end
// of the menu bar closes that document frame.
void FrameWindow::OnNonClientDoubleClick(LPARAM lParam) {
    if (!g_mdiClient) return;
    BOOL maximized = FALSE;
    HWND child = reinterpret_cast<HWND>(
        SendMessageA(g_mdiClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    if (!child || !maximized) return;
    RECT frame;
    GetWindowRect(Handle(), &frame);
    int left = frame.left + GetSystemMetrics(SM_CXFRAME);
    int top = frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
    RECT icon{left, top, left + GetSystemMetrics(SM_CXSIZE), top + GetSystemMetrics(SM_CYSIZE)};
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (PtInRect(&icon, at)) PostMessageA(child, WM_CLOSE, 0, 0);
}

LRESULT FrameWindow::OnSysKeyDown(UINT message, WPARAM wParam, LPARAM lParam) {
    bool alt = lParam & (1 << 29);
    HWND child =
        g_mdiClient ? reinterpret_cast<HWND>(SendMessageA(g_mdiClient, WM_MDIGETACTIVE, 0, 0)) : nullptr;
    if (alt || !child) return DefaultHandling(message, wParam, lParam);
    SetFocus(child);
    SendMessageA(child, WM_KEYDOWN, wParam, lParam);
    return 0;
}

LRESULT FrameWindow::OnCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (CommandDispatcher(Handle(), message, wParam, lParam)) {
        UpdateWindow(Handle());
        return 0;
    }
    return DefaultHandling(message, wParam, lParam);
}

void FrameWindow::OnInitMenuPopup(WPARAM wParam, LPARAM lParam) {
    // Not the system menu: its items are the system's.
    if (!HIWORD(lParam)) GreyCommandsWithoutHandler(reinterpret_cast<HMENU>(wParam));
}

// [SPECIAL] GO HOME TIME OUT: an unattended window goes back to its home
// page. Returning home is the document windows' part; the frame keeps time.
void FrameWindow::CheckGoHomeTimeOut() {
    int timeOut = GoHomeTimeOutSeconds();
    uint32_t now = CoarseClockNow();
    if (timeOut > 0 && now - lastGoHomeTime_ > static_cast<uint32_t>(timeOut)) lastGoHomeTime_ = now;
}

void FrameWindow::OnTimer(UINT timerId) {
    if (timerId == DelayedMessageTimerId) {
        if (g_delayedMessages) g_delayedMessages->OnTimer();
        return;
    }
    AdvanceLinkHintDelay(Handle());
    CheckGoHomeTimeOut();
    if (++ticks_ % 9 == 0) RefreshCoarseClock();
}

LRESULT FrameWindow::OnStartupFinished() {
    CloseSplashWindow();
    MarkFirstRunGreeted();
    // Started without addresses and with no window restored: the home page,
    // or the program's own page when none is set, so that the user starts
    // in a document window.
    if (StartUrls.empty() && g_windowList && g_windowList->Count() == 0) {
        const char* home = g_preferences ? g_preferences->GetHomeUrl() : nullptr;
        (void)OpenTypedUrl(nullptr, home && *home ? home : "zintu:about", nullptr, true, 0);
    }
    return 0;
}

LRESULT FrameWindow::OnInternalMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_mainHandler)
        g_mainHandler->Dispatch(message, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
    return 0;
}

bool FrameWindow::RegisterClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_OWNDC | CS_DBLCLKS;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "ZINTU");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(MENU_FRAME);
    wc.lpszClassName = "BLDZINTU";
    return RegisterWindowClass(wc) != 0;
}

HWND FrameWindow::Create(HINSTANCE instance) {
    DWORD style = WS_CAPTION;
    PrepareFrameStyle(&style);
    g_current = this;
    HWND frame = CreateWindowFor(0, "BLDZINTU", "Zintu", style, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                                 nullptr, instance);
    if (!frame) {
        g_current = nullptr;
        ShowStringMessage(GetActiveWindow(), IDS_CANNOT_CREATE_WINDOW, "Zintu", MB_ICONINFORMATION);
    }
    return frame;
}

int RegisterWindowClasses(HINSTANCE instance) {
    // The compose and help windows register their classes with their own
    // code; the frame's and the document windows' decide whether we can run.
    if (!FrameWindow::RegisterClass(instance)) return 0;
    return RegisterDocumentWindowClasses(instance) ? 1 : 0;
}

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

int FrameMessageFilter(MSG* message) {
    HandleHelpKeys(*message);
    if (g_frameWindow && g_accelerators && TranslateAcceleratorA(g_frameWindow, g_accelerators, message))
        return 1;
    if (RegisteredDialogMessage(message)) return 1;
    if (g_mdiClient && TranslateMDISysAccel(g_mdiClient, message)) return 1;
    if (HWND progress = ProgressWindow(); progress && IsDialogMessageA(progress, message)) return 1;
    FrameWindow* frame = FrameWindow::Current();
    if (HWND find = frame ? frame->FindDialog() : nullptr) {
        if (!IsWindow(find)) {
            frame->SetFindDialog(nullptr);
            return 0;
        }
        if (IsDialogMessageA(find, message)) return 1;
    }
    return 0;
}

int PrepareFrameStyle(DWORD* style) {
    *style |= WS_OVERLAPPEDWINDOW;
    if (KioskNoSysMenu) *style &= ~WS_SYSMENU;
    if (KioskNoMinMaxButtons) *style &= ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    return 0;
}
