#include "core/ProgressDialog.h"

#include <algorithm>
#include <string>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"
#include "resources/CoreIds.h"

HWND g_progressWindow = nullptr;
NodeList* g_progressList = nullptr;

namespace {

constexpr int kProgressHelpContext = 20105;
constexpr int kPromptHelpContext = 20113;
constexpr int kNicknameHelpContext = 20126;

std::string g_progressCaption;
std::string g_progressText;

struct Prompt {
    const char* text = nullptr;
    char* buffer = nullptr;
    int size = 0;
} g_prompt;

ProgressEntry* FindEntry(HWND window) {
    if (!g_progressList || !window) return nullptr;
    for (ListNode* n = g_progressList->First(); n; n = n->Next()) {
        auto* entry = static_cast<ProgressEntry*>(n);
        if (entry->window == window) return entry;
    }
    return nullptr;
}

void DrawBar(HWND dialog, const DRAWITEMSTRUCT* item) {
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    InflateRect(&r, -1, -1);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    ProgressEntry* entry = FindEntry(dialog);
    if (!entry) return;
    int from = 0, to = 0;
    ProgressDialog::BarExtent(r.left, r.right - r.left, entry->value, entry->percentStyle != 0, &from, &to);
    RECT filled{from, r.top, to, r.bottom};
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 128));
    FillRect(dc, &filled, brush);
    DeleteObject(brush);
}

INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (DialogProcFront(dialog, message, wParam, lParam, PanelNone, kProgressHelpContext, &result))
        return result;
    switch (message) {
        case WM_INITDIALOG:
            SetWindowTextA(dialog, g_progressCaption.c_str());
            SetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, g_progressText.c_str());
            return TRUE;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlID == IDC_PROGRESS_BAR)
                DrawBar(dialog, item);
            else
                HandleDraw3dButton(item);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                DestroyWindow(dialog);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                ProgressDialog::Cancel(dialog);
                DestroyWindow(dialog);
                return TRUE;
            }
            return CommandDispatcher(dialog, message, wParam, lParam);
        case WM_NCDESTROY:
            if (g_progressWindow == dialog) g_progressWindow = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK AskTextProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (DialogProcFront(dialog, message, wParam, lParam, PanelNone, kPromptHelpContext, &result))
        return result;
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(dialog, IDC_PROMPT_TEXT, g_prompt.text ? g_prompt.text : "");
        if (g_prompt.buffer && g_prompt.size > 0) SetDlgItemTextA(dialog, IDC_PROMPT_ANSWER, g_prompt.buffer);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDOK) {
        if (g_prompt.buffer && g_prompt.size > 1)
            GetDlgItemTextA(dialog, IDC_PROMPT_ANSWER, g_prompt.buffer, g_prompt.size);
        EndDialog(dialog, 1);
        return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 2);
        return TRUE;
    }
    return CommandDispatcher(dialog, message, wParam, lParam);
}

INT_PTR CALLBACK AskNicknameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (DialogProcFront(dialog, message, wParam, lParam, PanelNone, kNicknameHelpContext, &result))
        return result;
    if (message == WM_INITDIALOG) return TRUE;
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 2);
            return TRUE;
        default:
            // Looking the nickname up is the hotlist's.
            return CommandDispatcher(dialog, message, wParam, lParam);
    }
}

INT_PTR RunModal(const char* name, HWND owner, DLGPROC procedure) {
    INT_PTR result = DialogBoxParamA(g_instance, name, owner, procedure, 0);
    if (result == -1) ReportDialogFailure(name);
    return result;
}

}  // namespace

ProgressEntry::~ProgressEntry() {
    Remove();  // owners may delete an entry that is still listed
    if (window && IsWindow(window)) DestroyWindow(window);
}

HWND OpenProgressDialog(HWND owner, const char* caption, const char* text, int percentStyle) {
    if (!g_progressList) return nullptr;
    auto* entry = new ProgressEntry;
    entry->percentStyle = percentStyle;
    if (g_progressWindow) {
        SetForegroundWindow(g_progressWindow);
        SetFocus(g_progressWindow);
    } else {
        g_progressCaption = caption ? caption : "";
        g_progressText = text ? text : "";
        g_progressWindow = CreateDialogParamA(g_instance, "PROGRESSDLG", owner, ProgressProc, 0);
        if (!g_progressWindow) {
            delete entry;
            ReportDialogFailure("PROGRESSDLG");
            return nullptr;
        }
        ShowWindow(g_progressWindow, SW_SHOW);
    }
    entry->window = g_progressWindow;
    entry->AppendTo(*g_progressList);
    return g_progressWindow;
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
    g_prompt = {prompt, buffer, bufferSize};
    INT_PTR result = RunModal("ASKTEXT", owner, AskTextProc);
    g_prompt = {};
    return result;
}

INT_PTR AskNickname(HWND owner) {
    return RunModal("ASKNICKNAME", owner, AskNicknameProc);
}
