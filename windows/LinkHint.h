// The small popup that shows the address of the link the user is on, beside
// the mouse pointer, while [USER PREFS] POPUP LINK ADDRESS is on.
#pragma once
#include <windows.h>

// Shows the window list's link text in the hint (made on first use), sized
// to the text and placed below the pointer inside the screen; an empty link
// text hides it. A hint already shown follows the pointer only once the
// pointer has gone well away from it, unless immediately is set.
void UpdateLinkHint(bool immediately);
// Hides the hint; one still waiting for its delay does not come.
void HideLinkHint();

// The mouse's hint waits: it shows only once the pointer has rested on a
// link for ten ticks of the frame's 100 ms timer. Hovering a link restarts
// the wait; the frame's timer advances it and shows the hint at the tenth
// tick while POPUP LINK ADDRESS is on and the frame is the active window.
void RestartLinkHintDelay();
void AdvanceLinkHintDelay(HWND frame);
// The hint's window, null before it is first shown.
HWND LinkHintWindow();
