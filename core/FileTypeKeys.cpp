// The viewer table's keys in the ini file: [FILE TYPES] and its sections.
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/Preferences.h"
#include "core/Win32Utilities.h"

int Preferences::GetFileTypesVersion() const {
    return static_cast<int>(GetPrivateProfileIntA("FILE TYPES SECTION INFO", "VERSION", 0, iniPath_.c_str()));
}

void Preferences::SetFileTypesVersion(int version) const {
    WriteInt("FILE TYPES SECTION INFO", "VERSION", version, iniPath_.c_str());
}

std::string Preferences::ReadFileTypesSection(const char* iniFile) const {
    if (!iniFile || !*iniFile) return std::string();
    char marker[10];
    if (GetPrivateProfileStringA("FILE TYPES", "VERSION", "", marker, sizeof marker, iniFile) > 0) {
        if (_stricmp(iniFile, iniPath_.c_str()) == 0) {
            WritePrivateProfileStringA("FILE TYPES", "VERSION", nullptr, iniFile);
        }
        SetFileTypesVersion(1);
    }
    return ReadWholeIniSection("FILE TYPES", iniFile, true);
}

void Preferences::WriteFileTypeEntry(const char* key, int action, const char* a, const char* b, const char* c,
                                     const char* d) const {
    auto text = [](const char* s) { return s ? s : ""; };
    std::string value =
        std::to_string(action) + "," + text(a) + "," + text(b) + "," + text(c) + "," + text(d);
    WriteString("FILE TYPES", key, value.c_str(), iniPath_.c_str());
}

void Preferences::ClearFileTypes() const {
    WritePrivateProfileStringA("FILE TYPES", nullptr, nullptr, iniPath_.c_str());
    for (int i = 0; i < 100; ++i) {
        char section[16];
        std::snprintf(section, sizeof section, "FILE TYPE %i", i);
        WritePrivateProfileStringA(section, nullptr, nullptr, iniPath_.c_str());
    }
}

void Preferences::ReadFileTypeEntry(const char* section, FileTypeEntry* entry) const {
    const char* path = iniPath_.c_str();
    entry->action = ReadInt(section, "ACTION", -1, path);
    ReadString(section, "MIME TYPE", "", entry->mimeType, sizeof entry->mimeType, path);
    ReadString(section, "PROGRAM", "", entry->program, sizeof entry->program, path);
    ReadString(section, "EXTENSIONS", "", entry->extensions, sizeof entry->extensions, path);
}
