// Who decides what a document window does with a document it loads: show
// it, or hand it to a plug-in, a program, a save or the user. The viewer
// table above the windows decides; it registers itself here at start-up
// (null removes it). Without one, a window shows pages and texts as they
// arrive and every other document once it has loaded.
#pragma once
#include <windows.h>

#include "net/UrlHandle.h"

class DocumentDispatch {
public:
    virtual ~DocumentDispatch() = default;
    // The window (named by its view) begins to receive the URL's document:
    // its content kind and type are known.
    virtual void DocumentStarting(HWND view, const UrlHandle& url) = 0;
    // The URL's document has loaded in the window.
    virtual void DocumentLoaded(HWND view, const UrlHandle& url) = 0;
};

void SetDocumentDispatch(DocumentDispatch* dispatch);
DocumentDispatch* GetDocumentDispatch();
