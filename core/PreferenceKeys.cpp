#include "core/PreferenceKeys.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

#define ZINTU_INT_KEY(Name, section, key, value, rule, access) \
    {section, key, value, IntRule::rule, Access::access},
const IntKey kIntKeys[] = {ZINTU_INT_PREFERENCES(ZINTU_INT_KEY)};
#undef ZINTU_INT_KEY

#define ZINTU_TEXT_KEY(Name, section, key, size, value, rule, access) \
    {section, key, size, value, TextRule::rule, Access::access},
const TextKey kTextKeys[] = {ZINTU_TEXT_PREFERENCES(ZINTU_TEXT_KEY)};
#undef ZINTU_TEXT_KEY

static_assert(sizeof kIntKeys / sizeof kIntKeys[0] == static_cast<size_t>(PrefInt::Count), "");
static_assert(sizeof kTextKeys / sizeof kTextKeys[0] == static_cast<size_t>(PrefText::Count), "");

void CopyOut(const std::string& text, char* out, size_t size) {
    if (!out || size == 0) return;
    size_t length = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

std::string NormalizeProxy(const std::string& text) {
    std::string compact;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c))) compact.push_back(c);
    }
    size_t start = 0;
    size_t scheme = compact.find(":/");
    if (scheme != std::string::npos && compact.find('/') > scheme) {
        start = scheme;
        while (start < compact.size() && (compact[start] == ':' || compact[start] == '/')) ++start;
    }
    // Host and port end at the first '/' after them: a path is not part of
    // a proxy's address (dropping only the slashes would glue it to the host).
    size_t end = compact.find('/', start);
    return compact.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Matches the whole text against a pattern where '*' stands for any run.
bool GlobMatch(const char* pattern, const char* text) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*text) {
        if (*pattern == '*') {
            star = pattern++;
            resume = text;
        } else if (*pattern == *text) {
            ++pattern;
            ++text;
        } else if (star) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

std::string Lower(const char* text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

}  // namespace

const char* const kToolbarButtonNames[kToolbarButtonCount] = {
    "New",         "Open",          "Save",          "Print",         "Copy",          "Search",
    "Previous",    "Reload",        "Next",          "Home",          "URL",           "Hotlist",
    "Tile",        "Cascade",       "Special",       "Special2",      "Stop",          "News Previous",
    "News Next",   "News Reply",    "News Followup", "News Forward",  "News Post",     "News Unmark",
    "News Mark",   "News Overview", "News Group",    "News Show All", "News Show Old", "News Catchup",
    "News Thread", "Send",          "Include",       "Color",         "ABC",           "Keyb"};

const char* const kStatusImageNames[kStatusImageCount] = {
    "Load Images",      "Load Images Big",   "Show Images",         "Show Images Big",    "No Images",
    "No Images Big",    "Doc Progress",      "Doc Progress Big",    "Fig Progress",       "Fig Progress Big",
    "Full Progress",    "Full Progress Big", "No Security",         "No Security Big",    "Low Security",
    "Low Security Big", "Medium Security",   "Medium Security Big", "High Security",      "High Security Big",
    "CSS None",         "CSS None Big",      "CSS Local Only",      "CSS Local Only Big", "CSS Local",
    "CSS Local Big",    "CSS Full",          "CSS Full Big"};

const char* const kSmallImageNames[kSmallImageCount] = {"x",     "v",      "unknownb", "dirbm",
                                                        "nartr", "nartur", "ngrpsb",   "ngrpus",
                                                        "ngrps", "ngrpso", "nthreo",   "nthrec"};

const IntKey& KeyOf(PrefInt setting) {
    return kIntKeys[static_cast<size_t>(setting)];
}
const TextKey& KeyOf(PrefText setting) {
    return kTextKeys[static_cast<size_t>(setting)];
}

int ApplyIntRule(IntRule rule, int value) {
    switch (rule) {
        case IntRule::Int32:
            return value;
        case IntRule::Int16:
            return static_cast<int16_t>(value);
        case IntRule::Byte:
            return static_cast<uint8_t>(value);
        case IntRule::History255:
            return std::clamp(value, -255, 255);
        case IntRule::History999:
            return std::clamp(value, -999, 999);
        case IntRule::Scale:
            return std::clamp(value - value % 10, 20, 1000);
        case IntRule::FontTagScale:
            return std::clamp(value, 0, 500);
        case IntRule::PrinterScale:
            return std::clamp(value, 20, 400);
        case IntRule::Margin:
            return value > 500 ? 100 : static_cast<int16_t>(value);
        case IntRule::ErrorStrategy:
            return value >= 0 && value <= 2 ? value : 2;
        case IntRule::GoHomeTimeOut:
            return value < 30 ? 0 : std::min(value, 6000);
        case IntRule::BoxTimeOut:
            return value >= 0 && value <= 32 ? value : 32;
        case IntRule::AtLeast10:
            return std::clamp(value, 10, 32767);
        case IntRule::Expiry99:
            return std::clamp(value, 0, 99);
        case IntRule::ServerConnections:
            return std::clamp(value, 1, 64);
        case IntRule::TotalConnections:
            return std::clamp(value, 1, 999);
        case IntRule::NetworkBuffer:
            return value < 0 ? 1 : std::min(value, 9999);
    }
    return value;
}

void NormalizeProxyServer(const char* text, char* out, size_t size) {
    CopyOut(text ? NormalizeProxy(text) : std::string(), out, size);
}

void NormalizeProxyList(const char* text, char* out, size_t size) {
    std::string joined;
    std::string entry;
    for (const char* p = text ? text : "";; ++p) {
        if (*p && !std::strchr(" \n\t,;", *p)) {
            entry.push_back(*p);
            continue;
        }
        std::string normal = NormalizeProxy(entry);
        if (!normal.empty()) joined += (joined.empty() ? "" : ",") + normal;
        entry.clear();
        if (!*p) break;
    }
    CopyOut(joined, out, size);
}

bool HostMatchesProxyList(const char* list, const char* host) {
    if (!list || !host || !*host) return false;
    std::string entries = Lower(list);
    std::string lowerHost = Lower(host);
    size_t at = 0;
    while (at <= entries.size()) {
        size_t end = entries.find_first_of(" ;,\r\n\t", at);
        if (end == std::string::npos) end = entries.size();
        std::string pattern = entries.substr(at, end - at);
        if (!pattern.empty() && GlobMatch(pattern.c_str(), lowerHost.c_str())) return true;
        at = end + 1;
    }
    return false;
}

bool IsSchemeInProtocolList(const char* protocols, const char* url) {
    if (!protocols || !url) return false;
    const char* end = std::strstr(url, "://");
    if (!end || end - url >= 64) return false;
    std::string scheme(url, end);
    std::string list(protocols);
    size_t at = 0;
    for (int entries = 0; entries < 32 && at <= list.size(); ++entries) {
        size_t comma = list.find(',', at);
        if (comma == std::string::npos) comma = list.size();
        std::string entry = list.substr(at, comma - at);
        const char* trim = " \t\"";
        size_t first = entry.find_first_not_of(trim);
        size_t last = entry.find_last_not_of(trim);
        entry = first == std::string::npos ? std::string() : entry.substr(first, last - first + 1);
        if (!entry.empty() && entry == scheme) return true;
        at = comma + 1;
    }
    return false;
}

ButtonImage ButtonImageForId(int id) {
    // Small images by id, as indices into kSmallImageNames; 2 is "unknownb".
    static const int kSmallById[20] = {2, 3, 2, 2, 2, 0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 2, 2, 2, 2};
    if (id < 0) return {ButtonImageKind::None, 0};
    if (id < 20) return {ButtonImageKind::Small, kSmallById[id]};
    if (id < 300) {
        int button = (id - 20) / 6;
        // Ids past the last button name no image, not memory beyond the table.
        if (button >= kToolbarButtonCount) return {ButtonImageKind::None, 0};
        return {ButtonImageKind::Toolbar, button};
    }
    if (id - 300 >= kStatusImageCount) return {ButtonImageKind::None, 0};
    return {ButtonImageKind::Status, id - 300};
}
