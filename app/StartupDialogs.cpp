#include "app/StartupDialogs.h"

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"
#include "core/InternalMessages.h"
#include "core/StartupSettings.h"
#include "core/Win32Utilities.h"
#include "resources/CoreIds.h"

namespace {

constexpr int kProblemHelpContext = 20094;

struct Splash {
    HWND window = nullptr;
    COLORREF colour = RGB(255, 250, 240);
    HBRUSH brush = nullptr;
    HFONT bold = nullptr;
    HFONT normal = nullptr;
} g_splash;

HFONT DialogFontVariant(HWND dialog, int weight, int height) {
    LOGFONTA font{};
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    GetObjectA(current ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfWeight = weight;
    if (height) font.lfHeight = height;
    return CreateFontIndirectA(&font);
}

void InitSplash(HWND dialog) {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    CenterWindow(dialog, GetDesktopWindow());
    HDC dc = GetDC(dialog);
    // Displays that cannot show the cream shade get plain white.
    if (GetNearestColor(dc, g_splash.colour) != g_splash.colour) g_splash.colour = RGB(255, 255, 255);
    int tenPoint = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(dialog, dc);
    g_splash.brush = CreateSolidBrush(g_splash.colour);
    g_splash.bold = DialogFontVariant(dialog, FW_BOLD, 0);
    g_splash.normal = DialogFontVariant(dialog, FW_NORMAL, tenPoint);
    SendDlgItemMessageA(dialog, IDC_SPLASH_VERSION, WM_SETFONT, reinterpret_cast<WPARAM>(g_splash.bold),
                        FALSE);
    char version[100] = "";
    LoadStringA(g_instance, IDS_VERSION_LINE, version, sizeof version);
    SetDlgItemTextA(dialog, IDC_SPLASH_VERSION, version);
}

INT_PTR CALLBACK SplashProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (DialogProcFront(dialog, message, wParam, lParam, PanelNone, 0, &result, 0)) return result;
    switch (message) {
        case WM_INITDIALOG:
            InitSplash(dialog);
            return TRUE;
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
            SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
            SetBkColor(reinterpret_cast<HDC>(wParam), g_splash.colour);
            return reinterpret_cast<INT_PTR>(g_splash.brush);
        case kMsgCloseSplash:
            CloseSplashWindow();
            return TRUE;
        default:
            return FALSE;
    }
}

void InitProblemSolving(HWND dialog) {
    CenterWindow(dialog, nullptr);
    CheckDlgButton(dialog, IDC_SYNC_DNS, SynchronousDnsLookup() ? BST_CHECKED : BST_UNCHECKED);
}

INT_PTR CALLBACK ProblemSolvingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (DialogProcFront(dialog, message, wParam, lParam, PanelNone, kProblemHelpContext, &result))
        return result;
    if (message == WM_INITDIALOG) {
        InitProblemSolving(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    auto ticked = [&](int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; };
    switch (LOWORD(wParam)) {
        case IDC_HELP_BUTTON:
            OpenHelpTopic(dialog, 1, kProblemHelpContext);
            return TRUE;
        case IDC_STARTAGAIN_CANCEL:
        case IDCANCEL:
            EndDialog(dialog, 2);
            return TRUE;
        case IDC_STARTAGAIN_OK:
        case IDOK: {
            ProblemSolvingChoices choices;
            choices.noDocumentsAtStart = ticked(IDC_NO_DOCUMENTS_AT_START);
            choices.fewConnections = ticked(IDC_FEW_CONNECTIONS);
            choices.smallNetworkBuffer = ticked(IDC_SMALL_NETWORK_BUFFER);
            choices.synchronousDns = ticked(IDC_SYNC_DNS);
            ApplyProblemSolvingChoices(choices);
            EndDialog(dialog, 1);
            return TRUE;
        }
        default:
            // A button means the same in every dialog as in the menus.
            return CommandDispatcher(dialog, message, wParam, lParam);
    }
}

}  // namespace

HWND SplashWindow() {
    return g_splash.window;
}

HWND ShowSplashWindow(int show) {
    if (show) {
        if (!g_splash.window)
            g_splash.window = CreateDialogParamA(g_instance, "SPLASH", nullptr, SplashProc, 0);
        if (g_splash.window) {
            ShowWindow(g_splash.window, SW_SHOW);
            PumpSplashMessages();
            return g_splash.window;
        }
    }
    CloseSplashWindow();
    return nullptr;
}

void PumpSplashMessages() {
    MSG message;
    for (int i = 0; i < 51 && g_splash.window && PeekMessageA(&message, g_splash.window, 0, 0, PM_REMOVE);
         ++i) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void CloseSplashWindow() {
    PumpSplashMessages();
    if (g_splash.window && IsWindow(g_splash.window)) DestroyWindow(g_splash.window);
    g_splash.window = nullptr;
    DeleteGdiObject(reinterpret_cast<HGDIOBJ*>(&g_splash.brush));
    DeleteGdiObject(reinterpret_cast<HGDIOBJ*>(&g_splash.bold));
    DeleteGdiObject(reinterpret_cast<HGDIOBJ*>(&g_splash.normal));
}

INT_PTR ShowProblemSolvingDialog(HWND owner) {
    INT_PTR result = DialogBoxParamA(g_instance, "STARTAGAIN", owner, ProblemSolvingProc, 0);
    if (result == -1) ReportDialogFailure("STARTAGAIN");
    return result;
}
