#include "windows/OpenUrlDialog.h"

#include <string>

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/MruList.h"
#include "core/WindowBase.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "windows/OpenUrl.h"

namespace {

MruList* g_typedAddresses = nullptr;
constexpr int kLongestAddress = 500;

void CentreOver(HWND dialog, HWND owner) {
    RECT d, o;
    GetWindowRect(dialog, &d);
    if (!owner || !GetWindowRect(owner, &o)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &o, 0);
    int width = d.right - d.left, height = d.bottom - d.top;
    SetWindowPos(dialog, nullptr, o.left + ((o.right - o.left) - width) / 2, o.top + ((o.bottom - o.top) - height) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

class AddressDialog : public DialogBase {
public:
    AddressDialog() : DialogBase(HELP_OPEN_URL) {}
    const std::string& Typed() const { return typed_; }

protected:
    INT_PTR OnInitDialog() override {
        CentreOver(Handle(), GetWindow(Handle(), GW_OWNER));
        HWND combo = GetDlgItem(Handle(), IDC_URL_ENTRY);
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        if (g_typedAddresses) {
            if (const char* newest = g_typedAddresses->First()) SetWindowTextA(combo, newest);
            for (const char* a = g_typedAddresses->First(); a; a = g_typedAddresses->Next())
                SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(a));
        }
        SetFocus(combo);
        return FALSE;  // the focus is set
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        if (id == IDOK && code == 0) {
            char text[kLongestAddress + 1] = "";
            GetDlgItemTextA(Handle(), IDC_URL_ENTRY, text, sizeof text);
            typed_ = text;
            if (!typed_.empty() && g_typedAddresses) g_typedAddresses->Add(text);
            EndDialog(Handle(), 1);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(Handle(), 2);
            return TRUE;
        }
        if (id == IDC_HELP_BUTTON && code == 0) {
            OpenHelpTopic(Handle(), 1, HELP_OPEN_URL);
            return TRUE;
        }
        return DialogBase::OnCommand(message, wParam, lParam);
    }

private:
    std::string typed_;
};

}  // namespace

void SetTypedAddresses(MruList* list) {
    g_typedAddresses = list;
}

INT_PTR OpenUrlDialog(HWND owner) {
    AddressDialog dialog;
    HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
    INT_PTR result = dialog.RunModal(instance, "HENTURL", owner);
    if (result == 1 && !dialog.Typed().empty())
        (void)OpenTypedUrl(nullptr, dialog.Typed().c_str(), nullptr, true, 0);
    return result;
}
