// The text of the pages that the program generates itself ("zintu:cache",
// "zintu:drives", "zintu:plugins", "zintu:about", "zintu:history"). What
// goes into them comes from the registry, the disk, the preferences and the
// windows; this part only writes the HTML, platform-free. Every text that
// comes from outside (addresses, titles, version blocks, settings) is
// escaped, so a title holding "<b>" shows as written.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "core/StringHelpers.h"

// Link text of the cache page: the password masked with at most 5 '*',
// cut to 70 characters.
std::string CacheLinkText(const char* url);
// One row of the cache page; fileName null for data held in memory.
std::string CachePageRow(const char* fileName, const char* url, long bytes);

// One row of the plug-ins page; mimeTypes and extensions may be null. Each
// '|' of them starts a new line; each is cut to kMaxPluginField first.
constexpr size_t kMaxPluginField = 1024;
std::string PluginPageRow(const char* productName, const char* mimeTypes, const char* extensions,
                          const char* path);
// The folders of PLUGIN PATH: split at line feeds, tabs and ';', empty ones
// dropped, each ending in the separator.
std::vector<std::string> SplitPluginPath(const char* path, char separator);

// asctime's form of a local time ("Thu Dec 10 23:02:57 2026\n").
std::string AscTime(std::time_t when);
// One row of the history page.
std::string HistoryPageRow(const char* url, const char* title, std::time_t when);

// The about page: every byte 0xA4 of the template becomes a double quote,
// then its "%s" fields are filled in order (escaped, "%%" gives '%'). The
// result never passes the template's length plus kAboutReserve: fields are
// cut to fit.
constexpr size_t kAboutReserve = 8192;
std::string FillAboutTemplate(std::string_view templateText, const std::vector<std::string>& fields);

// An entry of the global history, newest first, as the windows keep it.
struct GlobalHistoryEntry {
    std::string url;
    std::string title;
    std::time_t visited = 0;
};

// The windows register where the history page finds the global history.
class GlobalHistorySource {
public:
    virtual ~GlobalHistorySource() = default;
    virtual std::vector<GlobalHistoryEntry> NewestFirst() const = 0;
};
void SetGlobalHistorySource(const GlobalHistorySource* source);
const GlobalHistorySource* GetGlobalHistorySource();
