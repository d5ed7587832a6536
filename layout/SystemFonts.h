// The system's fonts: the font table made on the display's font families,
// and the menu font that a hidden window keeps current.
#pragma once
#include <windows.h>

#include "layout/FontTable.h"

class Preferences;

// Makes g_fontTable on the display's fonts (and answers it). genericFaces:
// the faces named in the settings for the five generic families.
FontTable* CreateScreenFontTable(const char* const genericFaces[FontTable::kGenericCount], int sizeStepPercent);
void DestroyScreenFontTable();
// Fills the table from the text styles of the settings: the normal style
// and the program's styles are the special entries 0-6; the normal style,
// the headings and PRE also give the default styles of their element types
// (the normal style is element type 0, the font every page starts from).
void FillFontTable(FontTable& table, const Preferences& preferences);

// Counted: the first use loads the menu font and creates the hidden window
// of class "ZINTU ASysInfo class window", which reloads it when the
// system's metrics change; the last release destroys both.
void AcquireSystemFontInfo();
void ReleaseSystemFontInfo();
// Reloads the menu font (its LOGFONT and metrics on the display).
void LoadSystemFontInfo();
HFONT SystemMenuFont();
const LOGFONTA& SystemMenuLogFont();
const TEXTMETRICA& SystemMenuMetrics();
