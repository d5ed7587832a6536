#include "windows/TimedMessageBox.h"

#include <string>

#include "core/AppGlobals.h"
#include "core/Preferences.h"
#include "core/WindowBase.h"
#include "resources/BrowsingIds.h"

namespace {

constexpr UINT_PTR kTimeOutTimer = 1;

class MessageDialog : public DialogBase {
public:
    MessageDialog(const char* text, const char* caption, int seconds)
        : DialogBase(HELP_MESSAGE_BOX), text_(text ? text : ""), caption_(caption ? caption : ""),
          seconds_(seconds) {}

protected:
    INT_PTR OnInitDialog() override {
        SetTimer(Handle(), kTimeOutTimer, static_cast<UINT>(seconds_) * 1000, nullptr);
        SetWindowTextA(Handle(), caption_.c_str());
        SetDlgItemTextA(Handle(), IDC_MESSAGE_TEXT, text_.c_str());
        return TRUE;
    }

    INT_PTR OnCommand(UINT, WPARAM wParam, LPARAM) override {
        int id = LOWORD(wParam);
        if (id != IDOK && id != IDCANCEL) return FALSE;
        End(id);
        return TRUE;
    }

    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_TIMER:
                if (wParam != kTimeOutTimer) return FALSE;
                End(IDOK);
                return TRUE;
            case WM_DRAWITEM:
                return DrawPicture(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            default:
                return FALSE;
        }
    }

private:
    void End(int result) {
        KillTimer(Handle(), kTimeOutTimer);
        EndDialog(Handle(), result);
    }

    // The exclamation picture, stretched into its control.
    BOOL DrawPicture(const DRAWITEMSTRUCT* item) {
        if (!item) return FALSE;
        if (item->CtlID != IDC_MESSAGE_PICTURE) return HandleDraw3dButton(item);
        HBITMAP picture = LoadBitmapA(g_instance ? g_instance : GetModuleHandleA(nullptr), "EXCLAM");
        if (!picture) return FALSE;
        BITMAP info{};
        GetObjectA(picture, sizeof info, &info);
        HDC memory = CreateCompatibleDC(item->hDC);
        HGDIOBJ old = SelectObject(memory, picture);
        const RECT& r = item->rcItem;
        SetStretchBltMode(item->hDC, COLORONCOLOR);
        StretchBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(picture);
        return TRUE;
    }

    std::string text_;
    std::string caption_;
    int seconds_;
};

}  // namespace

bool BoxTimesOut(UINT flags, int timeOutSeconds) {
    // A question must never answer itself: "Close all windows?" or a form's
    // "Submit without encryption?" would confirm on their own.
    return timeOutSeconds > 0 && (flags & MB_TYPEMASK) == MB_OK;
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
    int seconds = g_preferences ? g_preferences->Get(PrefInt::BoxTimeOut) : 0;
    if (!BoxTimesOut(flags, seconds)) return MessageBoxA(owner, text, caption, flags);
    MessageDialog dialog(text, caption, seconds);
    HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
    return static_cast<int>(dialog.RunModal(instance, "MESSAGE", owner));
}
