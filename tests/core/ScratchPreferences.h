// A fixture for the tests that read real ini files: preferences on a user
// file whose user directory lies in a scratch folder.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "core/Preferences.h"
#include "tests/support/TestPaths.h"

// The value of a key as the system reads it, or "(missing)".
inline std::string IniValue(const std::string& path, const char* section, const char* key) {
    char value[300];
    GetPrivateProfileStringA(section, key, "(missing)", value, sizeof value, path.c_str());
    return value;
}

class ScratchPreferencesTest : public ::testing::Test {
protected:
    // The user file with the user directory and the given ini text; loaded.
    std::unique_ptr<Preferences> Load(const std::string& ini) {
        testing_support::WriteWholeFile(userIni_,
                                        "[USER PREFS]\r\nZINTU DIRECTORY=" + UserDir() + "\r\n" + ini);
        auto prefs = std::make_unique<Preferences>(userIni_.c_str());
        prefs->LoadAll();
        return prefs;
    }
    std::string UserDir() const { return dir_.File("user"); }

    testing_support::ScratchDir dir_;
    std::string userIni_ = dir_.File("user.ini");
};
