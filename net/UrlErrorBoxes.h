// Error boxes that name a URL: the URL is the caption, its password masked.
#pragma once
#include <windows.h>

#include "net/UrlHandle.h"

// Shows error id with the URL's name as the caption, its password replaced by
// at most five '*' so that it never appears on screen. The handle is taken by
// value and released on return.
void ShowUrlError(HWND owner, UINT id, UrlHandle url);
void ShowUrlErrorWithPrefix(HWND owner, UINT id, UrlHandle url, const char* prefix);
