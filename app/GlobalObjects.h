// The global objects that live as long as the frame window. They are plain
// pointers, made in one fixed order when the frame is created and freed in a
// fixed order when it is destroyed; one that could not be made stays null,
// and every user tests for that.
//
// The preferences, the memory manager and the message boxes are made by
// start-up before the frame (see app/WinMain.cpp); each subsystem declares
// its own global next to its class and adds its step below.
#pragma once
#include <windows.h>

// Made on WM_CREATE of the frame, in order.
void CreateGlobalObjects(HWND frame);
// Freed on WM_DESTROY of the frame, in order.
void DestroyGlobalObjects(HWND frame);
// Start-up's step once the frame stands: the frame's saved place, the
// saved windows (unless none are wanted: "/nowin" or addresses given) and
// the typed addresses of the last run.
void RestoreSavedSession(HWND frame, bool noWindows);
