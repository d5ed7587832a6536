#include "app/StartupDialogs.h"

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/InternalMessages.h"
#include "core/StartupSettings.h"
#include "core/Win32Utilities.h"
#include "core/WindowBase.h"
#include "resources/CoreIds.h"

namespace {

constexpr int kProblemHelpContext = 20094;

HFONT DialogFontVariant(HWND dialog, int weight, int height) {
    LOGFONTA font{};
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    GetObjectA(current ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfWeight = weight;
    if (height) font.lfHeight = height;
    return CreateFontIndirectA(&font);
}

// The splash: topmost, centred, the version line in bold on cream.
class SplashDialog : public DialogBase {
public:
    // It paints its own colours.
    SplashDialog() : DialogBase(0, 0) {}
    ~SplashDialog() override { ReleaseGdiObjects(); }

    // Made once; answers its window or null.
    HWND Show() {
        if (!Handle()) CreateModeless(g_instance, "SPLASH", nullptr);
        if (Handle()) ShowWindow(Handle(), SW_SHOW);
        return Handle();
    }
    void Close() {
        if (Handle() && IsWindow(Handle())) DestroyWindow(Handle());
        ReleaseGdiObjects();
    }

protected:
    // It has no buttons: no command is its.
    INT_PTR OnCommand(UINT, WPARAM, LPARAM) override { return FALSE; }
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSTATIC:
                return OnControlColour(reinterpret_cast<HDC>(wParam));
            case kMsgCloseSplash:
                CloseSplashWindow();
                return TRUE;
            default:
                return FALSE;
        }
    }

    INT_PTR OnInitDialog() override {
        HWND dialog = Handle();
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        CenterWindow(dialog, GetDesktopWindow());
        HDC dc = GetDC(dialog);
        // Displays that cannot show the cream shade get plain white.
        colour_ = kCream;
        if (GetNearestColor(dc, colour_) != colour_) colour_ = RGB(255, 255, 255);
        int tenPoint = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
        ReleaseDC(dialog, dc);
        brush_ = CreateSolidBrush(colour_);
        bold_ = DialogFontVariant(dialog, FW_BOLD, 0);
        normal_ = DialogFontVariant(dialog, FW_NORMAL, tenPoint);
        SendDlgItemMessageA(dialog, IDC_SPLASH_VERSION, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), FALSE);
        char version[100] = "";
        LoadStringA(g_instance, IDS_VERSION_LINE, version, sizeof version);
        SetDlgItemTextA(dialog, IDC_SPLASH_VERSION, version);
        return TRUE;
    }

private:
    INT_PTR OnControlColour(HDC dc) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, colour_);
        return reinterpret_cast<INT_PTR>(brush_);
    }

    void ReleaseGdiObjects() {
        DeleteGdiObject(reinterpret_cast<HGDIOBJ*>(&brush_));
        DeleteGdiObject(reinterpret_cast<HGDIOBJ*>(&bold_));
        DeleteGdiObject(reinterpret_cast<HGDIOBJ*>(&normal_));
    }

    static constexpr COLORREF kCream = RGB(255, 250, 240);
    COLORREF colour_ = kCream;
    HBRUSH brush_ = nullptr;
    HFONT bold_ = nullptr;
    HFONT normal_ = nullptr;
};

// Lives as long as the program; its window comes and goes (its own close
// message ends it from inside its handler).
SplashDialog& TheSplash() {
    static SplashDialog splash;
    return splash;
}

class ProblemSolvingDialog : public DialogBase {
public:
    ProblemSolvingDialog() : DialogBase(kProblemHelpContext) {}

protected:
    INT_PTR OnInitDialog() override {
        CenterWindow(Handle(), nullptr);
        CheckDlgButton(Handle(), IDC_SYNC_DNS, SynchronousDnsLookup() ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (LOWORD(wParam)) {
            case IDC_HELP_BUTTON:
                OpenHelpTopic(Handle(), 1, kProblemHelpContext);
                return TRUE;
            case IDC_STARTAGAIN_CANCEL:
            case IDCANCEL:
                EndDialog(Handle(), 2);
                return TRUE;
            case IDC_STARTAGAIN_OK:
            case IDOK:
                return OnOk();
            default:
                return DialogBase::OnCommand(message, wParam, lParam);
        }
    }

private:
    bool Ticked(int id) const { return IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }

    INT_PTR OnOk() {
        ProblemSolvingChoices choices;
        choices.noDocumentsAtStart = Ticked(IDC_NO_DOCUMENTS_AT_START);
        choices.fewConnections = Ticked(IDC_FEW_CONNECTIONS);
        choices.smallNetworkBuffer = Ticked(IDC_SMALL_NETWORK_BUFFER);
        choices.synchronousDns = Ticked(IDC_SYNC_DNS);
        ApplyProblemSolvingChoices(choices);
        EndDialog(Handle(), 1);
        return TRUE;
    }
};

}  // namespace

HWND SplashWindow() {
    return TheSplash().Handle();
}

HWND ShowSplashWindow(int show) {
    if (show && TheSplash().Show()) {
        PumpSplashMessages();
        return TheSplash().Handle();
    }
    CloseSplashWindow();
    return nullptr;
}

void PumpSplashMessages() {
    MSG message;
    for (int i = 0; i < 51 && SplashWindow() && PeekMessageA(&message, SplashWindow(), 0, 0, PM_REMOVE);
         ++i) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void CloseSplashWindow() {
    PumpSplashMessages();
    TheSplash().Close();
}

INT_PTR ShowProblemSolvingDialog(HWND owner) {
    ProblemSolvingDialog dialog;
    return dialog.RunModal(g_instance, "STARTAGAIN", owner);
}
