// What a document window does with the notices of its loads: the URL
// records and the page documents post them to the view. The window's load
// state, progress, title and scroll bars follow; the document is shown as
// soon as its content kind is known (so a page paints while it arrives) and
// the load ends with the window idle.
#pragma once
#include <windows.h>

bool IsLoadNotice(UINT message);
LRESULT HandleLoadNotice(HWND view, UINT message, WPARAM wParam, LPARAM lParam);
