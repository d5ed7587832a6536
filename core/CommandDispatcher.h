// The one table from command ids to the functions that carry them out. Menu
// items, accelerators, tool-bar buttons and dialog buttons share the ids, so
// the frame window and every dialog procedure pass WM_COMMAND here first and
// a command means the same wherever it is given.
//
// The table starts empty: each subsystem registers the handlers of its own
// commands at start-up (the application shell calls its registration), so
// this layer names no command of a higher one. A command that no subsystem
// carries out is greyed in the menus instead of doing nothing when chosen.
#pragma once
#include <windows.h>

#include <cstddef>

// Takes (window, message, wParam, lParam) as the dispatcher got them and
// finds the window it works on itself; the result is not used.
using CommandHandler = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct CommandBinding {
    int commandId;  // a CMD_* id of resources/CoreIds.h
    CommandHandler handler;
};

// A later registration of an id replaces the earlier one; a null handler
// withdraws it.
void RegisterCommand(int commandId, CommandHandler handler);
void RegisterCommands(const CommandBinding* bindings, size_t count);
template <size_t N>
void RegisterCommands(const CommandBinding (&bindings)[N]) {
    RegisterCommands(bindings, N);
}
// Withdraws every handler (tests).
void ClearCommands();

// Answers 1 when the command was taken (help mode, a registered handler, a
// retired id) and 0 otherwise, so the caller goes on with its own handling.
int CommandDispatcher(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the id has a handler or is one of the retired ids that do nothing.
bool IsDispatchedCommand(int commandId);

// Greys every command item of the menu and its submenus that has no handler
// (other items, and what others greyed, stay as they are). The frame calls
// it as a menu opens, which also covers the accelerators of its items.
void GreyCommandsWithoutHandler(HMENU menu);
