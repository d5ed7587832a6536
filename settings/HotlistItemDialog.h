// "Item Properties" (HL_EDITITEM): the name, nickname, address and
// description of a hotlist entry, with its folder and times to read.
#pragma once
#include <windows.h>

#include "settings/HotlistItem.h"

// Runs the dialog modally on the entry, which is or will be a child of the
// folder. On OK every field that is not empty replaces the entry's value
// and the answer is true; a nickname with '.', ':' or '/' is refused and
// the dialog stays. With saveDisabled OK is greyed.
bool EditHotlistItem(HWND owner, HotlistItem& item, const HotlistFolder& folder, bool saveDisabled);

// A time as the dialog shows it: the local date and time, empty for 0.
std::string HotlistDisplayTime(HotlistTime time);
