// The system's fonts: the font table made on the display's font families,
// and the menu font that a hidden window keeps current.
#pragma once
#include <windows.h>

#include "layout/FontTable.h"

// Makes g_fontTable on the display's fonts (and answers it). genericFaces:
// the faces named in the settings for the five generic families.
FontTable* CreateScreenFontTable(const char* const genericFaces[FontTable::kGenericCount], int sizeStepPercent);
void DestroyScreenFontTable();

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
