// Painting of the owner-drawn items of the document window bars: buttons
// with their labels, sunken fields with the progress texts, and the
// image-mode button whose label follows the window's image mode.
#pragma once
#include <windows.h>

#include <string>

// The bars' font: the user-interface font of the preferences, or the
// system's dialog font without them.
HFONT BarFont();

// A button (raised, sunken while pressed) with its window text, or a field
// (sunken) with the given text, in the user-interface colours.
void DrawBarItem(const DRAWITEMSTRUCT* item, const std::string& fieldText);

// The image-mode button: "Off" while images are shown, "Show" while they
// are restricted, "Load" while they are off (string-table texts).
void DrawImageModeButton(const DRAWITEMSTRUCT* item, bool imagesOff, bool imagesRestricted);
// The string id of that label.
int ImageModeLabelId(bool imagesOff, bool imagesRestricted);
