// The commands the frame window carries out itself: the clipboard (copy,
// the document's and the link's address), select all, the find dialog, a
// new document window and loading all images of a window.
#pragma once
#include <windows.h>

#include <commdlg.h>

// Registers their handlers with the command dispatcher.
void RegisterFrameCommands();

// The find dialog's FR_FINDNEXT: the flags are kept for the next dialog and
// the active document is searched.
void OnFindNext(const FINDREPLACEA& request);
