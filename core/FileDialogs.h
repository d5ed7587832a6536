// The program's open and save dialogs: titles and filters from the string
// table, start folders kept in [SAVED SETTINGS] OPEN DIR and SAVE DIR.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The chosen file, or with allowMultiple the chosen files as the system
// gives them (the folder, then each name, each ended by NUL, and one more
// NUL; a single choice is its full path); null when cancelled. The text
// stays valid until the next call.
const char* ShowOpenFileDialog(HWND owner, UINT titleId, UINT filterId, bool allowMultiple);

// The full paths of what ShowOpenFileDialog answered.
std::vector<std::string> ChosenFiles(const char* answer);

// name (MAX_PATH characters) holds the proposed name and receives the
// chosen path; customFilter is "*.ext", NUL, "*.ext", NUL, NUL or empty. A
// proposed name the system refuses is cleared and the dialog shown once
// more. 1 when a name was chosen, 0 when cancelled.
int ShowSaveFileDialog(HWND owner, UINT titleId, UINT filterId, char* name, const std::string& customFilter);
