#include "windows/BrowsingCommands.h"

#include <windows.h>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "resources/CoreIds.h"
#include "windows/FrameSetCommands.h"
#include "windows/Navigation.h"
#include "windows/OpenUrlDialog.h"
#include "windows/ViewMouse.h"
#include "windows/WindowCommands.h"
#include "windows/WindowList.h"

namespace {

LRESULT CmdOpenRemote(HWND window, UINT, WPARAM, LPARAM) {
    OpenUrlDialog(g_frameWindow ? g_frameWindow : window);
    return 0;
}

// The active window shows its scroll bars when it did not, and hides them
// when it did; the same for its bottom bar.
LRESULT CmdToggleScrollBars(HWND, UINT, WPARAM, LPARAM) {
    if (HWND view = g_windowList ? g_windowList->GetActiveWindow() : nullptr)
        g_windowList->SetShowScrollBars(view, !g_windowList->GetShowScrollBars(view));
    return 0;
}

LRESULT CmdToggleProgressBar(HWND, UINT, WPARAM, LPARAM) {
    if (HWND view = g_windowList ? g_windowList->GetActiveWindow() : nullptr)
        g_windowList->ShowBottomToolbar(view, g_windowList->GetBottomToolbar(view) == nullptr);
    return 0;
}

}  // namespace

void RegisterBrowsingCommands() {
    static const CommandBinding bindings[] = {
        {CMD_OPEN_REMOTE, CmdOpenRemote},
        {CMD_SCROLL_BARS, CmdToggleScrollBars},
        {CMD_PROGRESS_BAR, CmdToggleProgressBar},
    };
    RegisterCommands(bindings);
    RegisterFrameSetCommands();
    RegisterNavigationCommands();
    RegisterViewMouseCommands();
    RegisterWindowCommands();
}
