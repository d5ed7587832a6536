#include "settings/HotlistItemDialog.h"

#include <ctime>
#include <string>
#include <vector>

#include "core/AppGlobals.h"
#include "core/MessageBoxes.h"
#include "core/WindowBase.h"
#include "resources/CoreIds.h"
#include "resources/HotlistIds.h"

namespace {

// Longest text a field takes.
constexpr int kLongestField = 4095;

class HotlistItemDialog : public DialogBase {
public:
    HotlistItemDialog(HotlistItem& item, const HotlistFolder& folder, bool saveDisabled)
        : DialogBase(HELP_HOTLIST), item_(item), folder_(folder), saveDisabled_(saveDisabled) {}

protected:
    INT_PTR OnInitDialog() override {
        for (int id : {IDC_HL_NAME, IDC_HL_NICKNAME, IDC_HL_URL, IDC_HL_DESCRIPTION})
            SendDlgItemMessageA(Handle(), id, EM_LIMITTEXT, kLongestField, 0);
        SetDlgItemTextA(Handle(), IDC_HL_NAME, item_.Name().c_str());
        SetDlgItemTextA(Handle(), IDC_HL_NICKNAME, item_.ShortName().c_str());
        SetDlgItemTextA(Handle(), IDC_HL_DESCRIPTION, item_.Description().c_str());
        if (item_.IsUrl()) {
            SetDlgItemTextA(Handle(), IDC_HL_URL, static_cast<HotlistUrl&>(item_).Url().c_str());
        } else {
            EnableWindow(GetDlgItem(Handle(), IDC_HL_URL), FALSE);
        }
        SetDlgItemTextA(Handle(), IDC_HL_PARENT, folder_.Name().c_str());
        SetDlgItemTextA(Handle(), IDC_HL_CREATED, HotlistDisplayTime(item_.created).c_str());
        SetDlgItemTextA(Handle(), IDC_HL_VISITED, HotlistDisplayTime(item_.visited).c_str());
        // Nothing the user changes could be kept.
        if (saveDisabled_) EnableWindow(GetDlgItem(Handle(), IDOK), FALSE);
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (LOWORD(wParam)) {
            case IDOK:
                if (Keep()) EndDialog(Handle(), IDOK);
                return TRUE;
            case IDCANCEL:
                EndDialog(Handle(), IDCANCEL);
                return TRUE;
            default:
                return DialogBase::OnCommand(message, wParam, lParam);
        }
    }

private:
    std::string Field(int id) const {
        std::vector<char> text(kLongestField + 1);
        GetDlgItemTextA(Handle(), id, text.data(), static_cast<int>(text.size()));
        return text.data();
    }

    // False when the nickname is refused (the user is told and the dialog
    // stays, with the nickname selected).
    bool Keep() {
        const std::string nickname = Field(IDC_HL_NICKNAME);
        if (!IsValidNickname(nickname)) {
            (void)ShowTextBox(Handle(), "A nickname cannot contain one of the following characters\n.  :  or  /",
                              "Invalid Nickname.", MB_OK | MB_ICONEXCLAMATION);
            SendDlgItemMessageA(Handle(), IDC_HL_NICKNAME, EM_SETSEL, 0, -1);
            SetFocus(GetDlgItem(Handle(), IDC_HL_NICKNAME));
            return false;
        }
        // An emptied field keeps the entry's value.
        if (std::string name = Field(IDC_HL_NAME); !name.empty()) item_.SetName(name);
        if (!nickname.empty()) item_.SetShortName(nickname);
        if (std::string text = Field(IDC_HL_DESCRIPTION); !text.empty()) item_.SetDescription(text);
        if (item_.IsUrl()) {
            if (std::string url = Field(IDC_HL_URL); !url.empty()) static_cast<HotlistUrl&>(item_).SetUrl(url);
        }
        return true;
    }

    HotlistItem& item_;
    const HotlistFolder& folder_;
    bool saveDisabled_;
};

}  // namespace

std::string HotlistDisplayTime(HotlistTime time) {
    if (!time) return "";
    const std::time_t t = static_cast<std::time_t>(time);
    const std::tm* local = std::localtime(&t);
    char text[64] = "";
    if (local) std::strftime(text, sizeof text, "%c", local);
    return text;
}

bool EditHotlistItem(HWND owner, HotlistItem& item, const HotlistFolder& folder, bool saveDisabled) {
    HotlistItemDialog dialog(item, folder, saveDisabled);
    HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
    return dialog.RunModal(instance, "HL_EDITITEM", owner) == IDOK;
}
