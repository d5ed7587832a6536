// The compose window: an MDI child of class "ZUV_Mail" whose fields panel
// ("MAILCLIENT") holds the addresses, the subject and the body of a mail.
// Send hands the mail to a private mailto record of the URL loader, whose
// load sends it to the mail server of the settings and reports to the
// window's message handler (its entry in the window list); the window
// closes once the server took the mail.
#pragma once
#include <windows.h>

// Opens a compose window in the frame's MDI client and answers it. Mail >
// New (10679) with an external mail program set starts that program
// instead; without a mail server the user is told (20096). A window opened
// for a mailto address (0x8320) takes its fields from the list's compose
// URL. Null when no window was opened. The second and last values are not
// used.
HWND OpenComposeWindow(HWND frame, int unused, int command, int unused2);

// Sends the mail of the compose window (the frame: its active compose
// window; a panel: the window it is in).
void SendComposeWindow(HWND window);

// The commands of the compose windows (New Mail Window, Mail > New, Mail >
// Send), and the window list's way to open a compose window for a mailto
// address.
void RegisterComposeCommands();
