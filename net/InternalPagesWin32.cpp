// The generators of the internal pages: each writes its page into the
// record of the "zintu:" address and finishes the load.
#include <windows.h>

#include <direct.h>
#include <string>

#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "net/InternalPages.h"
#include "net/SniffContent.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"
#include "resources/ResourceIds.h"

namespace {

constexpr UINT kIdsCacheTitle = 21410;
constexpr UINT kIdsCacheFilename = 21411;
constexpr UINT kIdsCacheLocation = 21412;
constexpr UINT kIdsCacheSize = 21413;
constexpr UINT kIdsDrivesTitle = 21383;
constexpr UINT kIdsPluginsTitle = 21384;
constexpr UINT kIdsHistoryTitle = 21385;
constexpr UINT kIdsProgramTitle = 21110;
// Rows of the cache page between two flushes.
constexpr int kRowsPerFlush = 51;

std::string Text(UINT id, int size = 50) {
    std::string buffer(static_cast<size_t>(size), '\0');
    int n = LoadStringResource(id, &buffer[0], size);
    buffer.resize(static_cast<size_t>(n > 0 ? n : 0));
    return buffer;
}

std::string TitleLine(UINT id) {
    return "<TITLE>" + EscapeHtml(Text(id)) + "</TITLE>\n";
}

// Starts a generated page: HTML, nothing stored yet.
UrlRecord* BeginPage(const UrlHandle& handle) {
    if (handle.IsEmpty()) return nullptr;
    UrlRecord* r = handle.Record();
    r->SetContentKindHere(kKindHtml);
    // The viewer table goes by the type: without one the program's own
    // page would be offered as a document it has no viewer for.
    r->SetContentType("text/html");
    return r;
}

bool Append(UrlRecord* r, const std::string& text) {
    return r->AppendData(text.data(), static_cast<int32_t>(text.size()));
}

// The trimmed value of a version block's English string, or empty.
std::string VersionValue(const std::vector<char>& block, const char* name) {
    std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(const_cast<char*>(block.data()), key.c_str(), reinterpret_cast<void**>(&value),
                        &length) ||
        value == nullptr || length == 0)
        return std::string();
    std::string s(value, strnlen(value, length));
    size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::string WindowsVersionText() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return "Windows";
#pragma GCC diagnostic pop
    char text[160];
    const char* kind = info.dwPlatformId == VER_PLATFORM_WIN32_NT ? "Windows NT" : "Windows";
    std::snprintf(text, sizeof text, "%s %lu.%lu (build %lu) %s", kind, info.dwMajorVersion, info.dwMinorVersion,
                  info.dwBuildNumber & 0xFFFF, info.szCSDVersion);
    return text;
}

std::string Pref(PrefText setting) {
    const char* v = g_preferences ? g_preferences->Get(setting) : nullptr;
    return v ? v : "";
}

}  // namespace

void UrlRegistry::MakeCachePage(const UrlHandle& handle) {
    UrlRecord* page = BeginPage(handle);
    if (!page) return;
    std::string head = "<TITLE>" + EscapeHtml(Text(kIdsCacheTitle)) + "</TITLE>\n<TABLE border=1>\n";
    head += "<TR><TD>" + EscapeHtml(Text(kIdsCacheFilename)) + "</TD><TD>" + EscapeHtml(Text(kIdsCacheLocation)) +
            "</TD><TD>" + EscapeHtml(Text(kIdsCacheSize)) + "</TD></TR>\n";
    if (!Append(page, head)) return;
    page->FlushData(false);
    int rows = 0;
    for (UrlRecord* r : cache_->Records()) {
        bool http = r->GetScheme() == kSchemeHttp || r->GetScheme() == kSchemeHttps;
        if (!http || !r->GetHttpPart() || !r->GetName() || r->GetLoadedBytes() <= 0 ||
            r->GetCacheRelation() != kListCache || r->GetLoadStatusHere() == kLoadEmpty || r->IsCardEncrypted())
            continue;
        const char* file = r->GetStorage() == kStoredInFile ? r->GetFileName(false) : nullptr;
        if (!Append(page, CachePageRow(file, r->GetName(), static_cast<long>(r->GetLoadedBytes())))) return;
        if (++rows % kRowsPerFlush == 0) page->FlushData(false);
    }
    if (!Append(page, "</TABLE>")) return;
    page->FlushData(true);
}

void UrlRegistry::MakeDrivesPage(const UrlHandle& handle) {
    UrlRecord* page = BeginPage(handle);
    if (!page) return;
    std::string text = TitleLine(kIdsDrivesTitle);
    int current = _getdrive();
    for (int drive = 1; drive <= 26; ++drive) {
        if (_chdrive(drive) != 0) continue;
        char letter = static_cast<char>('A' + drive - 1);
        char line[96];
        std::snprintf(line, sizeof line, "<A HREF=\"file://localhost/%c:\">Drive <b>%c</b>:</A><br>", letter, letter);
        text += line;
    }
    if (current > 0) _chdrive(current);
    if (!Append(page, text)) return;
    page->FlushData(true);
}

void UrlRegistry::MakePluginsPage(const UrlHandle& handle) {
    UrlRecord* page = BeginPage(handle);
    if (!page) return;
    std::string text = "<TITLE>" + EscapeHtml(Text(kIdsPluginsTitle)) + "</TITLE>\n<TABLE border=1>\n";
    for (const std::string& folder : SplitPluginPath(Pref(PrefText::PluginPath).c_str(), '\\')) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*.dll").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            std::string path = folder + found.cFileName;
            DWORD ignored = 0;
            DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
            if (size == 0) continue;
            std::vector<char> block(size);
            if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) continue;
            std::string product = VersionValue(block, "ProductName");
            if (product.empty()) continue;
            std::string mime = VersionValue(block, "MIMEType");
            std::string extents = VersionValue(block, "FileExtents");
            text += PluginPageRow(product.c_str(), mime.empty() ? nullptr : mime.c_str(),
                                  extents.empty() ? nullptr : extents.c_str(), path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    text += "</TABLE>\n";
    if (!Append(page, text)) return;
    page->FlushData(true);
}

void UrlRegistry::MakeAboutPage(const UrlHandle& handle) {
    UrlRecord* page = BeginPage(handle);
    if (!page) return;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, "RCD_ABOUT_HTML", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes) {
        page->FlushData(true);
        return;
    }
    std::string_view templateText(bytes, SizeofResource(module, found));
    std::string version = "1.0";
    std::string iniPath = g_preferences ? g_preferences->IniPath() : "";
    std::vector<std::string> fields = {Text(kIdsProgramTitle, 100),
                                       version,
                                       __DATE__,
                                       "Win32",
                                       WindowsVersionText(),
                                       iniPath,
                                       Pref(PrefText::ZintuDirectory),
                                       Pref(PrefText::WindowsStorageFile),
                                       Pref(PrefText::HotListFile),
                                       Pref(PrefText::PluginPath),
                                       GetUrlSettings().cacheDirectory,
                                       Pref(PrefText::HelpDirectory)};
    std::string text = FillAboutTemplate(templateText, fields);
    if (!Append(page, text)) return;
    page->FlushData(true);
}

void UrlRegistry::MakeHistoryPage(const UrlHandle& handle) {
    UrlRecord* page = BeginPage(handle);
    if (!page) return;
    if (!Append(page, TitleLine(kIdsHistoryTitle))) return;
    page->FlushData(false);
    std::string text = "<TABLE BORDER=1>\n";
    int lines = g_preferences ? g_preferences->Get(PrefInt::MaxGlobalHistoryLines) : 0;
    const GlobalHistorySource* history = GetGlobalHistorySource();
    if (lines > 0 && history) {
        for (const GlobalHistoryEntry& e : history->NewestFirst()) {
            if (e.url.empty() || e.title.empty()) break;
            text += HistoryPageRow(e.url.c_str(), e.title.c_str(), e.visited);
        }
    }
    text += "</TABLE>";
    if (!Append(page, text)) return;
    page->FlushData(true);
}
