#include "settings/ViewerTableIni.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/Preferences.h"

namespace {

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
    return preferences.ReadFileTypesSection(iniFile);
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
