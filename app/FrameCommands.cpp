#include "app/FrameCommands.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "app/FrameWindow.h"
#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/Win32Utilities.h"
#include "documents/Document.h"
#include "resources/CoreIds.h"
#include "windows/WindowCommands.h"
#include "windows/WindowList.h"

namespace {

constexpr WORD kFindTextLength = 100;
// The menu item of searching again, enabled once the find dialog was used.
constexpr UINT kFindNextItem = 10086;
// The find dialog's record and text live as long as the dialog.
FINDREPLACEA g_find{};
char g_findText[kFindTextLength] = "";
DWORD g_findFlags = FR_DOWN | FR_HIDEWHOLEWORD;

DocumentWindow* ActiveWindow() {
    return g_windowList ? g_windowList->FindWindowById(g_windowList->GetActiveWindow()) : nullptr;
}

// The focus is in a control of its own (a bar's field, a form field, a
// dialog), not in the document window itself.
HWND FocusElsewhere(const DocumentWindow* w) {
    HWND focus = GetFocus();
    if (!focus || focus == g_frameWindow || focus == g_mdiClient) return nullptr;
    if (w && (focus == w->Frame() || focus == const_cast<DocumentWindow*>(w)->ViewWindow())) return nullptr;
    return focus;
}

// Text as CF_TEXT, owned by the frame; nothing when the clipboard is busy
// or memory is short.
void CopyTextToClipboard(const std::string& text) {
    (void)::CopyTextToClipboard(g_frameWindow, text);
}

LRESULT CmdCopy(HWND, UINT, WPARAM, LPARAM) {
    DocumentWindow* w = ActiveWindow();
    if (HWND focus = FocusElsewhere(w)) {
        // The field with the focus copies its own selection; the page's
        // must not replace it on the clipboard.
        SendMessageA(focus, WM_COPY, 0, 0);
        return 0;
    }
    Document* d = w ? w->CurrentDocument() : nullptr;
    const int32_t length = d ? d->GetSelectionSize() : 0;
    if (length <= 0) return 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int32_t copied = d->CopySelection(&text[0], length + 1);
    if (copied <= 0) return 0;
    text.resize(std::strlen(text.c_str()));
    CopyTextToClipboard(text);
    return 0;
}

LRESULT CmdSelectAll(HWND, UINT, WPARAM, LPARAM) {
    DocumentWindow* w = ActiveWindow();
    HWND focus = FocusElsewhere(w);
    if (!w || focus) {
        // The whole text: an end of -1, since 32767 stops short of a long one.
        if (HWND target = focus ? focus : GetFocus()) PostMessageA(target, EM_SETSEL, 0, -1);
        return 0;
    }
    if (Document* d = w->CurrentDocument()) {
        d->SelectAll();
        InvalidateRect(w->ViewWindow(), nullptr, FALSE);
    }
    return 0;
}

LRESULT CmdCopyDocumentAddress(HWND window, UINT, WPARAM, LPARAM) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(CommandTargetWindow(window)) : nullptr;
    Document* d = w ? w->CurrentDocument() : nullptr;
    if (d && d->GetUrl().GetName()) CopyTextToClipboard(d->GetUrl().GetName());
    return 0;
}

LRESULT CmdCopyLinkAddress(HWND, UINT, WPARAM, LPARAM) {
    const UrlHandle link = g_windowList ? g_windowList->ContextUrl() : UrlHandle();
    if (link.IsEmpty() || !link.GetName()) return 0;
    std::string text = link.GetName();
    if (const char* fragment = link.GetFragment(); fragment && *fragment) text += std::string("#") + fragment;
    CopyTextToClipboard(text);
    return 0;
}

LRESULT CmdFind(HWND, UINT, WPARAM, LPARAM) {
    FrameWindow* frame = FrameWindow::Current();
    if (!frame) return 0;
    if (HWND open = frame->FindDialog(); open && IsWindow(open)) {
        SetFocus(open);
        return 0;
    }
    g_find = FINDREPLACEA{};
    g_find.lStructSize = sizeof g_find;
    g_find.hwndOwner = frame->Handle();
    g_find.Flags = g_findFlags;
    g_find.lpstrFindWhat = g_findText;
    g_find.wFindWhatLen = kFindTextLength;
    if (HMENU menu = GetMenu(frame->Handle())) EnableMenuItem(menu, kFindNextItem, MF_BYCOMMAND | MF_ENABLED);
    frame->SetFindDialog(FindTextA(&g_find));
    return 0;
}

LRESULT CmdNewDocumentWindow(HWND, UINT, WPARAM, LPARAM) {
    if (!g_windowList) return 0;
    // A window that cannot be made has been reported.
    int tile = 1;
    HWND view = g_windowList->OpenNewWindow(&tile);
    if (!view) return 0;
    g_windowList->SetLoadState(view, kWindowIdle);
    if (HWND bar = g_windowList->GetBottomToolbar(view)) SetFocus(GetDlgItem(bar, kBarAddressCombo));
    return 0;
}

LRESULT CmdLoadAllImages(HWND window, UINT, WPARAM, LPARAM) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(CommandTargetWindow(window)) : nullptr;
    Document* d = w ? w->CurrentDocument() : nullptr;
    if (!d) return 0;
    const bool flagWasClear = !w->loadFlagA;
    w->loadFlagA = true;
    // Images off altogether become images shown; a page whose images only
    // wait for asking loads them now.
    if (w->ImagesOff()) w->SetImageMode(2);
    (void)d->LoadInlineObjects();
    if (d->GetPendingCount() > 0 || !d->IsComplete()) {
        w->StartProgress(true);
        w->SetLoadState(kWindowLoading);
        w->SetLoadState(kWindowUsable);
    }
    if (flagWasClear) w->loadFlagA = false;
    return 0;
}

}  // namespace

void OnFindNext(const FINDREPLACEA& request) {
    g_findFlags = request.Flags & (FR_DOWN | FR_MATCHCASE | FR_WHOLEWORD | FR_HIDEWHOLEWORD);
    (void)FindInActiveDocument(request.lpstrFindWhat, g_findFlags);
}

void RegisterFrameCommands() {
    static const CommandBinding bindings[] = {
        {CMD_COPY, CmdCopy},
        {CMD_DOC_COPY, CmdCopy},
        {CMD_SELECT_ALL, CmdSelectAll},
        {CMD_COPY_DOCUMENT_ADDRESS, CmdCopyDocumentAddress},
        {CMD_COPY_LINK_ADDRESS, CmdCopyLinkAddress},
        {CMD_FIND, CmdFind},
        {CMD_NEW_DOCUMENT_WINDOW, CmdNewDocumentWindow},
        {CMD_NEW, CmdNewDocumentWindow},
        {CMD_LOAD_ALL_IMAGES, CmdLoadAllImages},
        {CMD_LOAD_ALL_IMAGES_DOC, CmdLoadAllImages},
    };
    RegisterCommands(bindings);
}
