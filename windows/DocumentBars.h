// The two bars a document frame can carry beside its view: the bottom bar
// ("BOTTOMTOOLBARFULL": address and history field, zoom field, stop,
// image-mode, document-mode and security buttons, progress fields) and the
// news bar ("TOPTOOLBAR4"). Each is a modeless dialog made as a child panel
// of the frame, registered for dialog keys, and owns itself: it goes with
// its window. The host outlives the bars of its frame.
#pragma once
#include <windows.h>

class DocumentBarHost;

// The zoom-field focus flag, one for the program: set when a zoom field gets
// the focus, cleared when the address field does; it decides what Enter in
// a bottom bar means.
extern bool g_zoomFieldHasFocus;

// The bar's window, or null after telling the user "Cannot create dialog
// box" (the frame then goes without that bar).
HWND CreateBottomToolbar(HWND frame, DocumentBarHost& host);
HWND CreateNewsToolbar(HWND frame, DocumentBarHost& host);

// Places a bar's controls again (after a change of bar mode or metrics).
void LayoutDocumentBar(HWND bar);
// Redraws the image-mode button and the progress fields from the host.
void RefreshBottomToolbar(HWND bar);
// The zoom field shows the host's scale.
void ShowScaleInBottomToolbar(HWND bar);
