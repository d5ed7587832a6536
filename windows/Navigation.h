// Moving in a window's history and stopping a window's loads: what the
// back and forward commands, their keys, the Shift-wheel and the Stop
// button and key share.
#pragma once
#include <windows.h>

// Stops every load of the window: the window leaves its URL's targets (so a
// load nobody else waits for ends on the network too), the document stops
// with what it has, and the window is idle. 0 when refused (a script of
// the window runs), else 1.
int StopWindowLoad(HWND view, bool quiet);
// One step back or forward in the window's history (a place inside the page
// first); the history's answer.
int NavigateInWindow(HWND view, bool forward);
int NavigatePrevious(HWND view);
int NavigateNext(HWND view);
// The commands' own: on the active window.
LRESULT CmdNavigatePrevious(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CmdNavigateNext(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RegisterNavigationCommands();
