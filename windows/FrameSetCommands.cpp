#include "windows/FrameSetCommands.h"

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/Win32Utilities.h"
#include "documents/Document.h"
#include "documents/FrameTree.h"
#include "documents/HtmlDocument.h"
#include "resources/CoreIds.h"
#include "windows/OpenUrl.h"
#include "windows/WindowCommands.h"
#include "windows/WindowList.h"

namespace {

HtmlDocument* FrameSetOf(HWND view) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    Document* d = w ? w->CurrentDocument() : nullptr;
    return d && d->GetKind() == kDocHtml && d->HasFrames() ? static_cast<HtmlDocument*>(d) : nullptr;
}

LRESULT CmdReloadFrame(HWND window, UINT, WPARAM, LPARAM) {
    (void)ReloadActiveFrame(CommandTargetWindow(window));
    return 0;
}

LRESULT CmdCopyFrameAddress(HWND window, UINT, WPARAM, LPARAM) {
    Document* d = FrameDocument(CommandTargetWindow(window));
    if (d && d->GetUrl().GetName()) (void)CopyTextToClipboard(g_frameWindow, d->GetUrl().GetName());
    return 0;
}

}  // namespace

Document* FrameDocument(HWND view) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    Document* d = w ? w->CurrentDocument() : nullptr;
    if (HtmlDocument* set = FrameSetOf(view)) {
        if (Document* inner = set->GetActiveFrameDocument()) return inner;
    }
    return d;
}

int ReloadActiveFrame(HWND view) {
    HtmlDocument* set = FrameSetOf(view);
    FrameNode* frame = set ? set->ActiveFrame() : nullptr;
    Document* d = frame ? frame->CurrentDocument() : nullptr;
    if (!d || d->GetUrl().IsEmpty()) return 0;
    DocumentWindow* w = g_windowList->FindWindowById(view);
    // The frame takes a fresh copy from the server, not the one it shows.
    w->reloadRequested = true;
    HWND opened = OpenUrlInWindow(view, d->GetUrl(), nullptr, true, 0, set->GetUrl(), frame->id);
    w->loadFlagA = true;
    return opened ? 1 : 0;
}

bool NextFrame(HWND view, bool backwards) {
    HtmlDocument* set = FrameSetOf(view);
    if (!set || !set->CycleActiveFrame(backwards)) return false;
    if (DocumentWindow* w = g_windowList->FindWindowById(view)) InvalidateRect(w->ViewWindow(), nullptr, FALSE);
    return true;
}

void RegisterFrameSetCommands() {
    static const CommandBinding bindings[] = {
        {CMD_RELOAD_FRAME, CmdReloadFrame},
        {CMD_FRAME_RELOAD, CmdReloadFrame},
        {CMD_FRAME_COPY_ADDRESS, CmdCopyFrameAddress},
    };
    RegisterCommands(bindings);
}
