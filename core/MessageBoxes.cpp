#include "core/MessageBoxes.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "core/AppGlobals.h"
#include "resources/CoreStringIds.h"

MessageBoxes* g_messageBoxes = nullptr;

namespace {

constexpr size_t kBoxTextSize = 300;
constexpr size_t kLongestWhole = 53;
constexpr size_t kCutTo = 50;
const char kProgramName[] = "Zintu";

int CallMessageBoxA(HWND owner, const char* text, const char* caption, UINT style) {
    return MessageBoxA(owner, text, caption, style);
}

MessageBoxFunction g_showTimedBox = CallMessageBoxA;

HWND OwnerOrFrame(HWND owner) {
    return owner ? owner : g_frameWindow;
}

// A caption or prefix of at most 53 characters whole, else 50 and "...".
void CutText(const char* text, char* out, size_t size) {
    size_t length = std::strlen(text);
    if (length <= kLongestWhole) {
        std::snprintf(out, size, "%s", text);
    } else {
        std::snprintf(out, size, "%.*s...", static_cast<int>(kCutTo), text);
    }
}

// The status-window table: up to 10 windows and the current index. Nothing
// enters a window into it yet; the document windows write their own bars.
HWND g_statusWindows[10];
int g_statusCount = 0;
int g_statusCurrent = -1;

void DropDeadStatusWindows() {
    int kept = 0;
    for (int i = 0; i < g_statusCount; ++i) {
        if (IsWindow(g_statusWindows[i])) {
            g_statusWindows[kept++] = g_statusWindows[i];
        } else if (i <= g_statusCurrent) {
            --g_statusCurrent;
        }
    }
    g_statusCount = kept;
    if (g_statusCurrent >= g_statusCount) g_statusCurrent = g_statusCount - 1;
}

}  // namespace

void SetTimedMessageBox(MessageBoxFunction show) {
    g_showTimedBox = show ? show : CallMessageBoxA;
}

int ShowTextBox(HWND owner, const char* text, const char* caption, UINT style) {
    return g_showTimedBox(OwnerOrFrame(owner), text, caption, style);
}

void ComposeCaption(const char* caption, char* out, size_t size) {
    if (!caption || !*caption) {
        std::snprintf(out, size, "%s", kProgramName);
        return;
    }
    CutText(caption, out, size);
}

MessageBoxes::MessageBoxes() {
    hasLanguage_ = LoadStringChecked(IDS_INTERNAL_ERROR, internalError_, sizeof internalError_) == 1;
    if (!hasLanguage_) internalError_[0] = '\0';
}

void MessageBoxes::ComposeText(UINT id, const char* prefix, bool withId, char* text, size_t size) const {
    size_t at = 0;
    text[0] = '\0';
    if (prefix && *prefix) {
        char cut[kCutTo + 4];
        CutText(prefix, cut, sizeof cut);
        std::snprintf(text, size, "%s\r\n\r\n", cut);
        at = std::strlen(text);
    }
    char message[kBoxTextSize];
    if (LoadStringResource(id, message, sizeof message) > 0) {
        std::snprintf(text + at, size - at, "%s", message);
    } else if (withId) {
        std::snprintf(text + at, size - at, "%s - %u", internalError_, id);
    } else {
        std::snprintf(text + at, size - at, "%s", internalError_);
    }
}

int MessageBoxes::Show(MessageBoxFunction show, HWND owner, UINT id, const char* caption, const char* prefix,
                       bool withId, UINT style) const {
    char title[kCutTo + 4];
    char text[kBoxTextSize];
    ComposeCaption(caption, title, sizeof title);
    ComposeText(id, prefix, withId, text, sizeof text);
    return show(OwnerOrFrame(owner), text, title, MB_TASKMODAL | style);
}

void MessageBoxes::ShowError(HWND owner, UINT id, const char* caption, const char* prefix) const {
    Show(g_showTimedBox, owner, id, caption, prefix, true, MB_ICONEXCLAMATION | MB_OK);
}

void MessageBoxes::ShowInfo(HWND owner, UINT id, const char* caption) const {
    Show(g_showTimedBox, owner, id, caption, nullptr, false, MB_ICONINFORMATION | MB_OK);
}

int MessageBoxes::AskOkCancel(HWND owner, UINT id, const char* caption) const {
    return Show(CallMessageBoxA, owner, id, caption, nullptr, false, MB_ICONQUESTION | MB_OKCANCEL);
}

int MessageBoxes::AskYesNo(HWND owner, UINT id, const char* caption, const char* prefix,
                           bool withCancel) const {
    // A question whose text is missing shows the internal-error text alone.
    char message[kBoxTextSize];
    if (!LoadStringChecked(id, message, sizeof message)) prefix = nullptr;
    UINT buttons = withCancel ? MB_YESNOCANCEL : MB_YESNO;
    return Show(CallMessageBoxA, owner, id, caption, prefix, false, MB_ICONQUESTION | buttons);
}

int MessageBoxes::ShowStringTableBox(HWND owner, UINT textId, UINT captionId, UINT style) const {
    char caption[51];
    char text[kBoxTextSize + 1];
    if (LoadStringResource(captionId, caption, sizeof caption) <= 0) std::strcpy(caption, kProgramName);
    if (LoadStringResource(textId, text, sizeof text) <= 0) std::strcpy(text, "Warning");
    return MessageBoxA(owner, text, caption, style);
}

bool CreateMessageBoxes() {
    auto* boxes = new MessageBoxes();
    if (boxes->HasLanguage()) {
        g_messageBoxes = boxes;
        return true;
    }
    delete boxes;
    // Without the string table no message can be shown: say so in plain
    // words and end start-up (there is no main window to close yet).
    MessageBoxA(g_frameWindow, "Could not load language. Out of resource memory.", kProgramName,
                MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void DestroyMessageBoxes() {
    delete g_messageBoxes;
    g_messageBoxes = nullptr;
}

int LoadStringResource(UINT id, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, size);
    return length > 0 ? length : 0;
}

int LoadStringChecked(UINT id, char* buffer, int size) {
    return LoadStringResource(id, buffer, size) > 0 ? 1 : 0;
}

int SetStatusText(const char* text) {
    DropDeadStatusWindows();
    if (g_statusCurrent < 0 || !text) return 0;
    return SetWindowTextA(g_statusWindows[g_statusCurrent], text) ? 1 : 0;
}
