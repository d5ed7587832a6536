// The "Set Home Page" dialog (WINHOME): the program's home page and the
// window's own, each typed or taken from the window's current document.
#pragma once
#include <windows.h>

// Runs the dialog for the owner's document window (the active one when the
// owner is the frame window or no document window). Answers what the dialog
// ended with: 1 OK, 2 Cancel, -1 when it could not be made (the user has
// been told), 0 when there is no window.
INT_PTR ShowHomePageDialog(HWND owner);
