#include "net/DirectoryListing.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/StringHelpers.h"

namespace {

const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                               "jul", "aug", "sep", "oct", "nov", "dec"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void SkipSpaces(std::string_view s, size_t& i) {
    while (i < s.size() && s[i] == ' ') ++i;
}

void SkipField(std::string_view s, size_t& i) {
    while (i < s.size() && s[i] != ' ' && s[i] != '\r' && s[i] != '\n') ++i;
}

// Digits at i up to a space; false when there are none or no space follows.
// Large numbers stop growing at the 32-bit limit.
bool ReadNumberThenSpace(std::string_view s, size_t& i, uint32_t& value) {
    size_t start = i;
    uint64_t v = 0;
    while (i < s.size() && IsDigit(s[i])) {
        v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(s[i] - '0'), 0xFFFFFFFFu);
        ++i;
    }
    if (i == start || i >= s.size() || s[i] != ' ') return false;
    value = static_cast<uint32_t>(v);
    return true;
}

// A name as a relative link: characters that would end the attribute or
// change what the link means are escaped.
std::string EscapeHref(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || ch == '%' || ch == '#' || ch == '?' || ch == '"' || ch == '<' ||
            ch == '>' || ch == '&' || ch == '\'') {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

// "123.45 kB": the size with its unit, number right-aligned in 6 and the
// unit left-aligned in 8.
std::string SizeColumn(uint32_t size) {
    char number[16];
    const char* unit;
    if (size < 1000) {
        std::snprintf(number, sizeof number, "%u", size);
        unit = " bytes";
    } else if (size < 1000000) {
        std::snprintf(number, sizeof number, "%u.%02u", size / 1000, size % 1000 / 10);
        unit = " kB";
    } else {
        std::snprintf(number, sizeof number, "%u.%02u", size / 1000000, size % 1000000 / 10000);
        unit = " MB";
    }
    char out[32];
    std::snprintf(out, sizeof out, "%6s%-8s", number, unit);
    return out;
}

}  // namespace

uint32_t PackListingDate(int year, int month, int day) {
    if (year < 1980) year = 1980;
    return static_cast<uint32_t>(year - 1980) << 9 | static_cast<uint32_t>(month) << 5 |
           static_cast<uint32_t>(day);
}

uint32_t PackListingTime(int hours, int minutes, int seconds) {
    return static_cast<uint32_t>(hours) << 11 | static_cast<uint32_t>(minutes) << 5 |
           static_cast<uint32_t>(seconds / 2);
}

bool ParseFtpListLine(std::string_view line, int currentYear, int currentMonth, ListingEntry& out) {
    size_t i = 0;
    SkipSpaces(line, i);
    if (i >= line.size()) return false;
    uint8_t kind = line[i] == 'd' ? kListingDirectory : line[i] == 'l' ? kListingLink : kListingFile;
    // Permissions, link count, owner and group.
    for (int field = 0; field < 4; ++field) {
        SkipField(line, i);
        SkipSpaces(line, i);
    }
    uint32_t size;
    if (!ReadNumberThenSpace(line, i, size)) return false;
    SkipSpaces(line, i);
    if (i + 3 > line.size()) return false;
    int month = 0;
    for (int m = 0; m < 12 && month == 0; ++m) {
        if (EqualsNoCase(line.substr(i, 3), kMonths[m])) month = m + 1;
    }
    if (month == 0) return false;
    i += 3;
    SkipSpaces(line, i);
    uint32_t day;
    if (!ReadNumberThenSpace(line, i, day) || day < 1 || day > 31) return false;
    SkipSpaces(line, i);
    int year = currentYear;
    int hours = 0, minutes = 0;
    size_t start = i;
    uint32_t number;
    if (ReadNumberThenSpace(line, i, number)) {
        year = static_cast<int>(std::min<uint32_t>(number, 9999));
    } else {
        i = start;
        uint32_t h = 0, m = 0;
        size_t digits = 0;
        while (i < line.size() && IsDigit(line[i]) && digits < 3) h = h * 10 + (line[i++] - '0'), ++digits;
        if (digits == 0 || i >= line.size() || line[i] != ':') return false;
        ++i;
        digits = 0;
        while (i < line.size() && IsDigit(line[i]) && digits < 3) m = m * 10 + (line[i++] - '0'), ++digits;
        if (digits == 0 || h > 23 || m > 59) return false;
        hours = static_cast<int>(h);
        minutes = static_cast<int>(m);
        if (currentMonth < month) --year;
    }
    SkipSpaces(line, i);
    size_t end = i;
    while (end < line.size() && line[end] != '\r' && line[end] != '\n') ++end;
    std::string_view name = line.substr(i, end - i);
    if (kind == kListingLink) {
        size_t arrow = name.find(" ->");
        if (arrow != std::string_view::npos) name = name.substr(0, arrow);
    }
    if (name.empty() || name == "." || name == "..") return false;
    out.kind = kind;
    out.size = size;
    out.date = PackListingDate(year, month, static_cast<int>(day));
    out.time = PackListingTime(hours, minutes, 0);
    out.name.assign(name);
    return true;
}

std::string ListingHeader(std::string_view base, std::string_view titlePrefix, std::string_view shownName) {
    std::string name = EscapeHtml(shownName);
    std::string out = "<HEAD><BASE href=\"";
    out += EscapeHtml(base);
    out += "\"></HEAD>\n<TITLE>";
    out += EscapeHtml(titlePrefix);
    out += name;
    out += "</TITLE><H1>\n";
    out += name;
    out += "</H1>\n<PRE>";
    return out;
}

std::string ListingWelcome(std::string_view text) {
    if (text.empty()) return std::string();
    return "\n<HR>\n" + EscapeHtml(text) + "\n<HR>\n";
}

std::string ListingParentLine() {
    return "<IMG SRC=\"internal-directory\"> <A HREF=\"..\">..</A>\n";
}

std::string ListingEntryLine(const ListingEntry& entry, int nameWidth) {
    bool folder = entry.kind == kListingDirectory;
    bool link = entry.kind == kListingLink;
    std::string out = "<IMG SRC=\"";
    out += folder || link ? "internal-directory" : "internal-unknown";
    out += "\"> <A HREF=\"";
    out += EscapeHref(entry.name);
    if (folder) out.push_back('/');
    out += "\">";
    size_t width = static_cast<size_t>(nameWidth) + (link ? 1 : 0);
    std::string shown = entry.name;
    if (shown.size() > width) {
        shown.resize(width);
        shown.replace(width >= 3 ? width - 3 : 0, 3, "...");
    }
    out += EscapeHtml(shown);
    if (folder) out.push_back('/');
    out += "</A>";
    if (shown.size() < width) out.append(width - shown.size(), ' ');
    out += folder || link ? std::string(13, ' ') : SizeColumn(entry.size);
    int year = static_cast<int>(entry.date >> 9) + 1980;
    char when[64];
    if (year < 2000) {
        std::snprintf(when, sizeof when, "%02u.%02u.%02d  %02u:%02u:%02u\n", entry.date & 31,
                      (entry.date >> 5) & 15, year - 1900, (entry.time >> 11) & 31, (entry.time >> 5) & 63,
                      (entry.time & 31) * 2);
    } else {
        std::snprintf(when, sizeof when, "%02u.%02u.%04d  %02u:%02u:%02u\n", entry.date & 31,
                      (entry.date >> 5) & 15, year, (entry.time >> 11) & 31, (entry.time >> 5) & 63,
                      (entry.time & 31) * 2);
    }
    out += when;
    return out;
}

void SortLocalListing(std::vector<ListingEntry>& entries) {
    auto first = entries.begin();
    if (first != entries.end() && first->name == "..") ++first;
    std::stable_sort(first, entries.end(), [](const ListingEntry& a, const ListingEntry& b) {
        return std::lexicographical_compare(
            a.name.begin(), a.name.end(), b.name.begin(), b.name.end(), [](char x, char y) {
                return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
            });
    });
}
