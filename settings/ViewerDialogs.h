// The viewer dialogs: "Associate" (VIEWERS2, modal) edits a working copy of
// the viewer table and puts it in place on OK; "New" (NEWVIEWER, modal)
// names a new type or renames one; "Unknown type" (UNKNOWNDOC, modeless,
// one per document window) asks what to do with a document.
#pragma once
#include <windows.h>

#include "settings/ViewerDispatch.h"

// Opens "Associate" over the owner; with selectType that type is selected
// (added to the working copy first when it is not in the table). Answers
// IDOK or IDCANCEL (-1 when the dialog could not be made).
INT_PTR OpenViewersDialog(HWND owner, const char* selectType = nullptr);
// Opens "Unknown type" for the window's document, or brings its open one
// forward. Answers the dialog.
HWND OpenUnknownTypeDialog(ViewerWindow window, const UrlHandle& url);
// The window's open "Unknown type" dialog, or null.
HWND UnknownTypeDialogOf(ViewerWindow window);
