// The address dialog "HENTURL": the user types an address (or picks one
// typed before) and it opens in a chosen window.
#pragma once
#include <windows.h>

class MruList;

// The typed-address list the dialog offers and adds to; start-up hands it
// over (none: the dialog keeps no history).
void SetTypedAddresses(MruList* list);

// Runs the dialog; a typed address is added to the list and opened once the
// dialog is closed. 1 for OK, 2 for Cancel, -1 when the dialog could not be
// made (the user has been told).
INT_PTR OpenUrlDialog(HWND owner);
