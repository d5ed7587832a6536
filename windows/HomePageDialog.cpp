#include "windows/HomePageDialog.h"

#include <string>

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/Preferences.h"
#include "core/WindowBase.h"
#include "documents/Document.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "windows/WindowCommands.h"
#include "windows/WindowList.h"

namespace {

// Longest home page either field takes.
constexpr int kLongestHome = 300;

class HomePageDialog : public DialogBase {
public:
    explicit HomePageDialog(HWND view) : DialogBase(HELP_HOME_PAGE), view_(view) {}

protected:
    INT_PTR OnInitDialog() override {
        DocumentWindow* w = Window();
        if (w) w->dialog3 = Handle();
        const char* global = g_preferences ? g_preferences->Get(PrefText::HomeUrl) : nullptr;
        const char* own = g_windowList ? g_windowList->GetWindowHomeUrl(view_) : nullptr;
        for (int id : {IDC_HOME_GLOBAL, IDC_HOME_WINDOW})
            SendDlgItemMessageA(Handle(), id, EM_LIMITTEXT, kLongestHome, 0);
        SetDlgItemTextA(Handle(), IDC_HOME_GLOBAL, global ? global : "");
        SetDlgItemTextA(Handle(), IDC_HOME_WINDOW, own ? own : "");
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (LOWORD(wParam)) {
            case IDC_HOME_USE_ACTIVE_GLOBAL:
                UseActive(IDC_HOME_GLOBAL);
                return TRUE;
            case IDC_HOME_USE_ACTIVE_WINDOW:
                UseActive(IDC_HOME_WINDOW);
                return TRUE;
            case IDOK:
                Keep();
                End(IDOK);
                return TRUE;
            case IDCANCEL:
                End(IDCANCEL);
                return TRUE;
            default:
                return DialogBase::OnCommand(message, wParam, lParam);
        }
    }

private:
    // The window, while it is still open and this dialog is its own.
    DocumentWindow* Window() const {
        DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view_) : nullptr;
        return w && (!Handle() || !w->dialog3 || w->dialog3 == Handle()) ? w : nullptr;
    }

    void UseActive(int field) {
        DocumentWindow* w = Window();
        Document* d = w ? w->CurrentDocument() : nullptr;
        if (d && d->GetUrl().GetName()) SetDlgItemTextA(Handle(), field, d->GetUrl().GetName());
    }

    std::string Field(int id) const {
        char text[kLongestHome + 1] = "";
        GetDlgItemTextA(Handle(), id, text, sizeof text);
        return text;
    }

    void Keep() {
        if (Window() && g_windowList) g_windowList->SetWindowHomeUrl(view_, Field(IDC_HOME_WINDOW).c_str());
        if (g_preferences) (void)g_preferences->Set(PrefText::HomeUrl, Field(IDC_HOME_GLOBAL).c_str());
    }

    void End(int result) {
        if (DocumentWindow* w = Window(); w && w->dialog3 == Handle()) w->dialog3 = nullptr;
        EndDialog(Handle(), result);
    }

    HWND view_;
};

}  // namespace

INT_PTR ShowHomePageDialog(HWND owner) {
    HWND view = CommandTargetWindow(owner == g_frameWindow ? nullptr : owner);
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    if (!w) return 0;
    HomePageDialog dialog(view);
    HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
    return dialog.RunModal(instance, "WINHOME", g_frameWindow ? g_frameWindow : w->Frame());
}
