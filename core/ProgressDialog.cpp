#include "core/ProgressDialog.h"

#include <algorithm>
#include <string>

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/Preferences.h"
#include "core/WindowBase.h"
#include "resources/CoreIds.h"

NodeList* g_progressList = nullptr;

namespace {

constexpr int kProgressHelpContext = 20105;
constexpr int kPromptHelpContext = 20113;
constexpr int kNicknameHelpContext = 20126;

ProgressEntry* FindEntry(HWND window) {
    if (!g_progressList || !window) return nullptr;
    for (ListNode* n = g_progressList->First(); n; n = n->Next()) {
        auto* entry = static_cast<ProgressEntry*>(n);
        if (entry->window == window) return entry;
    }
    return nullptr;
}

// The one progress window, which every entry shares.
class ProgressBox : public DialogBase {
public:
    ProgressBox() : DialogBase(kProgressHelpContext) {}

    HWND Open(HWND owner, const char* caption, const char* text) {
        caption_ = caption ? caption : "";
        text_ = text ? text : "";
        return CreateModeless(g_instance, "PROGRESSDLG", owner);
    }

protected:
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DRAWITEM) return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return FALSE;
    }

    INT_PTR OnInitDialog() override {
        SetWindowTextA(Handle(), caption_.c_str());
        SetDlgItemTextA(Handle(), IDC_PROGRESS_TEXT, text_.c_str());
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        HWND dialog = Handle();
        if (LOWORD(wParam) == IDOK) {
            DestroyWindow(dialog);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            ProgressDialog::Cancel(dialog);
            DestroyWindow(dialog);
            return TRUE;
        }
        return DialogBase::OnCommand(message, wParam, lParam);
    }

private:
    INT_PTR OnDrawItem(const DRAWITEMSTRUCT* item) {
        if (item->CtlID == IDC_PROGRESS_BAR)
            DrawBar(item);
        else
            HandleDraw3dButton(item);
        return TRUE;
    }

    void DrawBar(const DRAWITEMSTRUCT* item) {
        HDC dc = item->hDC;
        RECT r = item->rcItem;
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        InflateRect(&r, -1, -1);
        // The user's colours: the interface background and the progress
        // colour of the preferences (the system's when none are loaded).
        HBRUSH background = g_preferences ? g_preferences->GetUiBackgroundBrush() : nullptr;
        FillRect(dc, &r, background ? background : GetSysColorBrush(COLOR_BTNFACE));
        ProgressEntry* entry = FindEntry(Handle());
        if (!entry) return;
        int from = 0, to = 0;
        ProgressDialog::BarExtent(r.left, r.right - r.left, entry->value, entry->percentStyle != 0, &from,
                                  &to);
        RECT filled{from, r.top, to, r.bottom};
        HBRUSH progress = g_preferences ? g_preferences->GetProgressBrush() : nullptr;
        FillRect(dc, &filled, progress ? progress : GetSysColorBrush(COLOR_HIGHLIGHT));
    }

    std::string caption_;
    std::string text_;
};

// Lives as long as the program; its window comes and goes.
ProgressBox& TheProgressBox() {
    static ProgressBox box;
    return box;
}

// The text prompt: OK keeps the answer in the caller's buffer.
class PromptDialog : public DialogBase {
public:
    PromptDialog(const char* prompt, char* buffer, int size)
        : DialogBase(kPromptHelpContext), prompt_(prompt), buffer_(buffer), size_(size) {}

protected:
    INT_PTR OnInitDialog() override {
        SetDlgItemTextA(Handle(), IDC_PROMPT_TEXT, prompt_ ? prompt_ : "");
        if (buffer_ && size_ > 0) SetDlgItemTextA(Handle(), IDC_PROMPT_ANSWER, buffer_);
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == IDOK) {
            if (buffer_ && size_ > 1) GetDlgItemTextA(Handle(), IDC_PROMPT_ANSWER, buffer_, size_);
            EndDialog(Handle(), 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(Handle(), 2);
            return TRUE;
        }
        return DialogBase::OnCommand(message, wParam, lParam);
    }

private:
    const char* prompt_;
    char* buffer_;
    int size_;
};

class NicknameDialog : public DialogBase {
public:
    NicknameDialog() : DialogBase(kNicknameHelpContext) {}

protected:
    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (LOWORD(wParam)) {
            case IDOK:
                EndDialog(Handle(), 1);
                return TRUE;
            case IDCANCEL:
                EndDialog(Handle(), 2);
                return TRUE;
            default:
                // Looking the nickname up is the hotlist's.
                return DialogBase::OnCommand(message, wParam, lParam);
        }
    }
};

}  // namespace

ProgressEntry::~ProgressEntry() {
    Remove();  // owners may delete an entry that is still listed
    if (window && IsWindow(window)) DestroyWindow(window);
}

HWND ProgressWindow() {
    return TheProgressBox().Handle();
}

HWND OpenProgressDialog(HWND owner, const char* caption, const char* text, int percentStyle) {
    if (!g_progressList) return nullptr;
    auto* entry = new ProgressEntry;
    entry->percentStyle = percentStyle;
    ProgressBox& box = TheProgressBox();
    HWND window = box.Handle();
    if (window) {
        SetForegroundWindow(window);
        SetFocus(window);
    } else {
        window = box.Open(owner, caption, text);
        if (!window) {
            delete entry;
            ReportDialogFailure("PROGRESSDLG");
            return nullptr;
        }
        ShowWindow(window, SW_SHOW);
    }
    entry->window = window;
    entry->AppendTo(*g_progressList);
    return window;
}

void ReleaseProgressDialog(HWND window) {
    if (!g_progressList || !window) return;
    for (ListNode* n = g_progressList->Last(); n; n = n->Prev()) {
        auto* entry = static_cast<ProgressEntry*>(n);
        if (entry->window == window) {
            delete entry;
            return;
        }
    }
}

namespace ProgressDialog {

void SetBarState(HWND window, unsigned value) {
    if (ProgressEntry* e = FindEntry(window)) {
        e->value = static_cast<uint8_t>(value);
        InvalidateRect(window, nullptr, FALSE);
    }
}

unsigned GetBarState(HWND window) {
    ProgressEntry* e = FindEntry(window);
    return e ? e->value : 0;
}

int IsCancelled(HWND window) {
    ProgressEntry* e = FindEntry(window);
    return e ? e->cancelled : 0;
}

void Cancel(HWND window) {
    if (ProgressEntry* e = FindEntry(window)) {
        e->cancelled = 1;
        ShowWindow(window, SW_HIDE);
    }
}

int IsPercentStyle(HWND window) {
    ProgressEntry* e = FindEntry(window);
    return e ? e->percentStyle : 0;
}

void BarExtent(int left, int width, unsigned value, bool percentStyle, int* from, int* to) {
    if (percentStyle) {
        // A value past 100 would paint beyond the bar.
        *from = left;
        *to = left + width * static_cast<int>(std::min(value, 100u)) / 100;
    } else {
        *from = left + width * static_cast<int>((value % 20) * 5) / 100;
        *to = *from + width * 5 / 100;
    }
}

}  // namespace ProgressDialog

INT_PTR AskText(HWND owner, const char* prompt, char* buffer, int bufferSize) {
    PromptDialog dialog(prompt, buffer, bufferSize);
    return dialog.RunModal(g_instance, "ASKTEXT", owner);
}

INT_PTR AskNickname(HWND owner) {
    NicknameDialog dialog;
    return dialog.RunModal(g_instance, "ASKNICKNAME", owner);
}
