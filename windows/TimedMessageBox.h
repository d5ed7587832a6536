// The program's message box: with [SPECIAL] BOX TIME OUT set, an
// information box is the dialog "MESSAGE", which closes itself after that
// many seconds, so that an unattended browser (a kiosk) does not stop on it.
// Boxes that ask something always wait for the user.
#pragma once
#include <windows.h>

// What MessageBoxA would answer (IDOK when the time ran out), or -1 when the
// dialog could not be made (the user has been told).
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags);
// Whether a box of these flags closes itself after the time-out: plain OK
// boxes only, and only with a time-out set.
bool BoxTimesOut(UINT flags, int timeOutSeconds);
