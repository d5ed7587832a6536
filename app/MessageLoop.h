// The program's message loop with its fixed chain of filters. Runs until
// WM_QUIT and answers its code.
#pragma once
#include <windows.h>

int RunMessageLoop();

// The window that got the last mouse move the loop saw; when the mouse moves
// into another window, the old one is sent 0x9006 (mouse left).
extern HWND g_lastMouseWindow;
