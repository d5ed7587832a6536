// The hotlist file (".adr"), version 2.0: a text of records, one per entry,
// a folder's records directly after its own and closed by a line "-".
//
//   Zintu Hotlist version 2.0
//
//   #FOLDER
//   	NAME=News
//   	CREATED=1700000000 (Tue Nov 14 22:13:20 2023)
//   	VISITED=0 (?)
//   	ORDER=0
//   	ACTIVE FOLDER=YES
//
//   #URL
//   	NAME=Example
//   	URL=http://example.com/
//   	...
//
//   -
//   -
//
// Lines end in CR LF (LF alone is read too). Only the first letter of a key
// is looked at when reading, and only the number of a time.
#pragma once
#include <string>

#include "settings/HotlistItem.h"

extern const char kHotlistHeader[];

// The whole file for the folder's entries (normally the root's); the active
// folder's record carries the mark. Line breaks inside a value become
// blanks, so that no value can break its record.
std::string WriteHotlistText(const HotlistFolder& folder, const HotlistFolder* activeFolder);

// A time as the file stores it: "0 (?)", or the seconds and the local date
// ("1700000000 (Tue Nov 14 22:13:20 2023)").
std::string HotlistFileTime(HotlistTime time);

// Reads a file's text, of this format or else of the older one (folders of
// addresses), and moves its entries, in order, to the end of the folder. On failure nothing in the folder changes and *error says why;
// *activeFolder (when given) is the first folder marked active, or null.
// A record not closed before the end of the file or the next record is
// kept as far as it came.
[[nodiscard]] bool LoadHotlistText(const std::string& text, HotlistFolder& into, HotlistFolder** activeFolder,
                                   std::string* error);
