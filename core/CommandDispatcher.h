// The one table from command ids to the functions that carry them out. Menu
// items, accelerators, tool-bar buttons and dialog buttons share the ids, so
// the frame window and every dialog procedure pass WM_COMMAND here first and
// a command means the same wherever it is given.
#pragma once
#include <windows.h>

// Answers 1 when the command was taken (help mode, a known id) and 0 when it
// is not one of the table's, so the caller goes on with its own handling.
int CommandDispatcher(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the table knows the id (including the ids that do nothing).
bool IsDispatchedCommand(int commandId);
