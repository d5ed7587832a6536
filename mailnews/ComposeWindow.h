// The compose window: an MDI child of class "ZUV_Mail" whose fields panel
// ("MAILCLIENT") holds the addresses, the news groups, the subject and the
// body of a mail or a news article. Send hands the mail to a private mailto
// record of the URL loader, whose load sends it to the mail server of the
// settings, and posts the article through a news client of its own to the
// server of the posting address or of the settings; both report to the
// window's message handler (its entry in the window list). The window
// closes once everything it sends was taken; what failed is told and stays
// in the window to be sent again.
#pragma once
#include <windows.h>

// Opens a compose window in the frame's MDI client and answers it. Mail >
// New (10679) with an external mail program set starts that program
// instead; without a mail server the user is told (20096), except for a
// news posting (10682), which needs none. A window opened for a mailto
// address (0x8320) or a posting address (10682) takes its fields from the
// list's compose URL. Null when no window was opened. The second and last
// values are not used.
HWND OpenComposeWindow(HWND frame, int unused, int command, int unused2);

// Sends the mail of the compose window (the frame: its active compose
// window; a panel: the window it is in).
void SendComposeWindow(HWND window);

// The commands of the compose windows (New Mail Window, Mail > New, Mail >
// Send, News > Post), and the window list's way to open a compose window
// for a mailto or posting address, or for a mail file.
void RegisterComposeCommands();

// The mail file (".pst") of a compose window (the frame: its active compose
// window), written whole or not at all; a failure is told. True when it
// was written.
bool SaveComposeToFile(HWND window, const char* path);
// The same at a name the user chooses in the save dialog (20091).
bool SaveComposeWindowAs(HWND window);
// Opens a new compose window holding the fields and body of a mail file; a
// file that cannot be read or is damaged is told and opens nothing. Null
// when no window was opened.
HWND OpenMailFile(const char* path);
