#include "settings/ViewerTableIni.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/Preferences.h"

namespace {

// Every section is read whole: a cut one would lose its last lines when the
// table is written back.
constexpr int kFirstSectionBuffer = 16384;
constexpr int kLargestSection = 16 << 20;

void ReadOldSections(ViewerTable& table, const Preferences& preferences) {
    for (int n = 0;; ++n) {
        char section[24];
        std::snprintf(section, sizeof section, "FILE TYPE %d", n);
        Preferences::FileTypeEntry old;
        preferences.ReadFileTypeEntry(section, &old);
        if (old.action == -1) break;
        if (old.mimeType[0] == '\0') continue;
        int index = table.AddEntry(old.action, old.mimeType, old.program[0] ? old.program : nullptr, nullptr,
                                   nullptr, nullptr, false);
        if (index == kViewerTooManyTypes) break;
        if (ViewerEntry* e = table.FindByIndex(index); e && old.extensions[0]) e->extensions = old.extensions;
    }
}

}  // namespace

std::string ReadWholeFileTypesSection(const Preferences& preferences, const char* iniFile) {
    if (iniFile == nullptr || *iniFile == '\0') return std::string();
    for (int size = kFirstSectionBuffer; size <= kLargestSection; size *= 2) {
        std::vector<char> buffer(static_cast<size_t>(size));
        int length = preferences.ReadFileTypesSection(iniFile, buffer.data(), size);
        if (length > 0) return std::string(buffer.data(), static_cast<size_t>(length));
        // Nothing read: an empty section, or one longer than the buffer.
        char probe[4];
        if (GetPrivateProfileStringA("FILE TYPES", nullptr, "", probe, sizeof probe, iniFile) == 0) break;
    }
    return std::string();
}

std::unique_ptr<ViewerTable> LoadViewerTable(const Preferences& preferences) {
    auto table = std::make_unique<ViewerTable>();
    ReadOldSections(*table, preferences);
    const char* ini = preferences.IniPath();
    // A VERSION marker inside [FILE TYPES] (files of an earlier release)
    // says the lines are in the current layout as well.
    char marker[8];
    int version = preferences.GetFileTypesVersion();
    if (GetPrivateProfileStringA("FILE TYPES", "VERSION", "", marker, sizeof marker, ini) > 0) version = 1;
    const char* files[2] = {ini, preferences.OverridePath()};
    for (int pass = 0; pass < 2; ++pass) {
        std::string section = ReadWholeFileTypesSection(preferences, files[pass]);
        table->ApplyFileTypesSection(section.data(), section.size(), version, pass == 1);
    }
    preferences.SetFileTypesVersion(version);
    table->AddBuiltInRows();
    ScanPlugins(*table, preferences.GetPluginPath());
    table->ResolvePlugins(nullptr);
    return table;
}

void SaveViewerTable(const ViewerTable& table, const Preferences& preferences) {
    preferences.ClearFileTypes();
    preferences.SetFileTypesVersion(1);
    auto text = [](const std::optional<std::string>& s) { return s ? s->c_str() : nullptr; };
    for (ViewerEntry* e = table.First(); e; e = e->NextEntry()) {
        preferences.WriteFileTypeEntry(e->mimeType.c_str(), e->action, text(e->program), text(e->pluginPath),
                                       text(e->pluginName), text(e->extensions));
    }
}
