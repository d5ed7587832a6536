// The frame window (class "BLDZINTU", title "Zintu"): the program's main
// window and the parent of the MDI client that holds the document windows.
// Its creation builds the global objects and its destruction frees them.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr UINT FrameTimerId = 1;  // the 100 ms housekeeping timer
constexpr UINT DelayedMessageTimerId = 123;

// Frame state.
extern HMENU g_frameMenu;          // the frame's menu (kept while hidden)
extern HMENU g_windowMenu;         // its "Window" submenu, the MDI window menu
extern HWND g_findDialog;          // the find/replace dialog, when open
extern bool g_shuttingDown;        // set while the global objects are freed
extern bool g_closePending;        // a close waits for a blocking call to end
extern uint32_t g_lastGoHomeTime;  // preferences clock of the last return home

LRESULT CALLBACK FrameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The frame's step of the message loop; 1 when one of its filters took the
// message.
int FrameMessageFilter(MSG* message);

ATOM RegisterFrameWindowClass(HINSTANCE instance);
// Answers nonzero when the frame class was registered.
int RegisterWindowClasses(HINSTANCE instance);
// Turns the style into an overlapped window's, less what kiosk mode removes.
int PrepareFrameStyle(DWORD* style);
// The frame window, or null after telling the user.
HWND CreateFrameWindow(HINSTANCE instance);

// The submenu of the item at position (-1: none; -2: the second-to-last
// item's, else the last item's that has one).
HMENU FindWindowMenu(HMENU menu, int position);
void HandleFrameTimer(HWND window, UINT timerId);
