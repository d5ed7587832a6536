#include "windows/Navigation.h"

#include "core/CommandDispatcher.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/ScriptHost.h"
#include "layout/PaintDevice.h"
#include "net/UrlRecord.h"
#include "resources/CoreIds.h"
#include "windows/WindowList.h"

int StopWindowLoad(HWND view, bool quiet) {
    (void)quiet;
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    if (!w) return 0;
    // A script of the window still needs its loads.
    if (ScriptHost* host = ScriptHost::Instance(); host && host->IsRunningForWindow(w->Number())) return 0;
    // Stopping also ends the window's scripts: timers, retried events and a
    // script that runs slice after slice.
    if (DocumentList* list = w->List()) list->StopAllScripts(0);
    w->loadFlagA = false;
    w->stateByte = 255;
    UrlHandle url = w->CurrentUrl();
    Document* document = w->CurrentDocument();
    // Leaving the targets ends the load itself when no other window waits
    // for it; the page keeps what had arrived.
    if (!url.IsEmpty() && w->Handler()) url->RemoveTarget(w->Handler());
    if (document) {
        document->Stop(1);
        if (document->GetUrl().Record() != url.Record()) w->SetCurrentUrl(document->GetUrl(), -1);
    }
    w->SetLoadState(kWindowIdle);
    w->ResetProgress();
    if (HWND bar = w->BottomToolbar(); bar && !w->CurrentUrl().IsEmpty())
        SetDlgItemTextA(bar, kBarAddressCombo, MaskedUrlText(w->CurrentUrl().GetName()).c_str());
    UpdateNavigationCommands(view);
    return 1;
}

int NavigateInWindow(HWND view, bool forward) {
    return g_windowList ? g_windowList->Navigate(view, forward) : kHistoryNothing;
}

int NavigatePrevious(HWND view) {
    return NavigateInWindow(view, false);
}

int NavigateNext(HWND view) {
    return NavigateInWindow(view, true);
}

LRESULT CmdNavigatePrevious(HWND, UINT, WPARAM, LPARAM) {
    if (g_windowList && g_windowList->GetActiveWindow()) (void)NavigatePrevious(g_windowList->GetActiveWindow());
    return 0;
}

LRESULT CmdNavigateNext(HWND, UINT, WPARAM, LPARAM) {
    if (g_windowList && g_windowList->GetActiveWindow()) (void)NavigateNext(g_windowList->GetActiveWindow());
    return 0;
}

void RegisterNavigationCommands() {
    static const CommandBinding bindings[] = {
        {CMD_PREVIOUS, CmdNavigatePrevious},
        {CMD_NEXT, CmdNavigateNext},
        {CMD_DOC_PREVIOUS, CmdNavigatePrevious},
        {CMD_DOC_NEXT, CmdNavigateNext},
    };
    RegisterCommands(bindings);
}
