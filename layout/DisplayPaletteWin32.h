// The display palette on the screen: made at start-up from the display's
// depth, with a GDI palette on 8-bit displays.
#pragma once
#include <windows.h>

#include <memory>

#include "layout/DisplayPalette.h"

// Makes g_displayPalette for the screen (and answers it); the colours are
// the preferences' background, link and visited-link colours.
DisplayPalette* CreateDisplayPalette(COLORREF background, COLORREF link, COLORREF visitedLink);
void DestroyDisplayPalette();

// Selects and realises the program's palette into the DC (as a background
// palette when asked) on 8-bit displays; answers the entries realised, 0
// elsewhere.
int SelectDisplayPalette(HDC dc, bool background);
