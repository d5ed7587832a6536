// Directory listings as generated pages: the entries of an FTP LIST reply
// (Unix long-listing lines) or of a local folder, written as one line of
// markup each inside a preformatted block. Platform-free: the URL record
// feeds the text it gets from here into its store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/StringHelpers.h"

// Entries taken per block of a listing; a local folder lists no more.
constexpr size_t kMaxListingEntries = 1637;
// Width of the name column: FTP listings and local folders.
constexpr int kFtpNameWidth = 24;
constexpr int kLocalNameWidth = 23;

enum ListingKind : uint8_t { kListingFile = 0, kListingDirectory = 1, kListingLink = 2 };

struct ListingEntry {
    uint8_t kind = kListingFile;
    uint32_t time = 0;  // hours << 11 | minutes << 5 | seconds / 2
    uint32_t date = 0;  // (year - 1980) << 9 | month << 5 | day
    uint32_t size = 0;
    std::string name;
};

// Packs a date and a time as the entries keep them; years before 1980 count
// as 1980.
uint32_t PackListingDate(int year, int month, int day);
uint32_t PackListingTime(int hours, int minutes, int seconds);

// One line of a Unix long listing ("drwxr-xr-x 2 u g 512 Mar 4 10:05 pub").
// A time instead of a year means this year, or the last one when the current
// month (1-12) lies before the entry's. True when the line gave an entry.
[[nodiscard]] bool ParseFtpListLine(std::string_view line, int currentYear, int currentMonth,
                                    ListingEntry& out);

// The page's head: the BASE element, the title and the heading (titlePrefix
// is the string table's "Directory listing of "; shownName the address with
// its password masked, left out when empty), then the opening <PRE>.
std::string ListingHeader(std::string_view base, std::string_view titlePrefix, std::string_view shownName);
// A server's welcome text between two rules.
std::string ListingWelcome(std::string_view text);
// The line that leads to the parent folder.
std::string ListingParentLine();
// One entry's line: icon, link, shown name, size, date and time.
std::string ListingEntryLine(const ListingEntry& entry, int nameWidth);
constexpr const char kListingEnd[] = "</PRE>\n";

// Sorts a local folder's entries by name without regard to case; a first
// entry ".." stays first.
void SortLocalListing(std::vector<ListingEntry>& entries);

