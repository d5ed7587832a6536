// What a run keeps for the next one: the frame's place, the document
// windows (the window set), the typed addresses and the global history.
// Start-up restores them once the frame stands; the frame saves them as it
// closes.
#pragma once
#include <windows.h>

class MruList;

// The document windows keep the window set; they install how it is
// restored from and saved to a file (none installed: no window set).
class WindowSetKeeper {
public:
    virtual ~WindowSetKeeper() = default;
    virtual void RestoreWindowSet(const char* file) = 0;
    virtual void SaveWindowSet(const char* file) = 0;
};
void SetWindowSetKeeper(WindowSetKeeper* keeper);

// Unless no windows were asked for ("/nowin", addresses on the command
// line) or documents are not to be loaded at start: with [USER PREFS]
// STARTUP TYPE 2 the frame takes its saved place and opens the start
// addresses (0x8020 with 2, half a second later), with other types the
// window set is restored. Otherwise the frame takes its saved place only.
// Then the typed addresses and the history are read; missing files are
// skipped. Either list may be null.
void RestoreSession(HWND frame, bool noWindows, MruList* typedAddresses, MruList* history);

// Saves the window set when [USER PREFS] SAVE WINDOWS is on, then the two
// lists. A list file is replaced only once its new text is written whole, so
// that a full disk keeps the old one.
void SaveSession(const MruList* typedAddresses, const MruList* history);
