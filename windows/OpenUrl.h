// The road from an address to a loading document window: a typed text is
// completed into a URL, a window chosen (or made) and the load started for
// the window's message handler.
#pragma once
#include <windows.h>

#include <string>

#include "net/UrlHandle.h"

// The URL text a typed address stands for ("www.x" -> "http://www.x", a
// drive path -> a file URL, ...); empty for an empty text.
std::string CompleteTypedUrl(const char* text);
// window 0: a window is chosen (windowIndex among the reusable ones).
// Answers the window that loads, or 0.
// A single word that is a hotlist entry's nickname opens that entry.
HWND OpenTypedUrl(HWND window, const char* text, const char* title, bool checkReload, int windowIndex);
// The same without the nickname: what a hotlist entry opens its address with.
HWND OpenAddress(HWND window, const char* text, const char* title, bool checkReload, int windowIndex);
// referrer: the document the URL comes from; target: the frame of the
// window that is to show it (-1 the whole window).
HWND OpenUrlInWindow(HWND window, const UrlHandle& url, const char* title, bool checkReload, int windowIndex,
                     const UrlHandle& referrer = UrlHandle(), int target = -1);
// A URL the user chose inside a document of the window (a link, the next
// article): Shift (or target -2, a new window asked for) opens it in a new
// window, Shift with Ctrl behind this one; news articles and groups go to
// the windows chained to this one as the NEWS modes say. The window that
// loads, or 0.
HWND FollowLink(HWND window, const UrlHandle& url, const UrlHandle& referrer, int target);
// A local file as a file URL in the window.
HWND OpenLocalFileAsUrl(HWND window, const char* path);
// Opens the addresses of the command line, each in a window of its own.
void OpenStartUrls(HWND window);
