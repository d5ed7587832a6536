#include <windows.h>

#include <string>

#include "core/Preferences.h"

// The platform side of the security library: the profile folder and the ini
// section from the preferences, and replacing a file in one step.

std::string DefaultSecurityProfileDirectory() {
    const char* directory = g_preferences ? g_preferences->GetUserDirectory() : nullptr;
    return directory ? directory : "";
}

static const char kSecuritySection[] = "SECURITY PREFS";

int ReadSecurityIniInt(const char* key, int defaultValue) {
    if (!g_preferences) return defaultValue;
    return g_preferences->ReadInt(kSecuritySection, key, defaultValue, g_preferences->IniPath());
}

void WriteSecurityIniInt(const char* key, int value) {
    if (g_preferences && *g_preferences->IniPath())
        g_preferences->WriteInt(kSecuritySection, key, value, g_preferences->IniPath());
}

bool ReplaceSecurityFile(const std::string& temporary, const std::string& path) {
    return MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
