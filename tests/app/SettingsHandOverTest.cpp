// The settings hand-over on real ini files: what URL loading, the disk cache
// and the connections consult arrives when the preferences are read, again
// after every setter, and the no-proxy list goes with its object.
#include <windows.h>

#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "app/SettingsHandOver.h"
#include "core/Preferences.h"
#include "html/PageProperties.h"
#include "html/StyleSheet.h"
#include "net/NetSettings.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"
#include "tests/core/ScratchPreferences.h"

namespace {

class SettingsHandOver : public ScratchPreferencesTest {
protected:
    void SetUp() override { InstallSettingsHandOver(); }
    void TearDown() override {
        Preferences::SetListener(nullptr);
        GetUrlSettings() = UrlSettings();
        GetNetSettings() = NetSettings();
        FreeUserStyleSheet();
        DefaultStyleSettings() = StyleSettings();
    }
};

TEST_F(SettingsHandOver, UrlLoadingSeesTheSettings) {
    auto prefs = Load(
        "OFFLINE MODE=1\r\n[PROXY]\r\nHTTP SERVER=http://proxy:8080/\r\nNO PROXY SERVERS=*.local\r\n"
        "[DISK CACHE]\r\nDOCS EXP DAYS=1\r\nDOCS EXP HOURS=2\r\nDOCS EXP MINUTES=3\r\n[STATE]\r\nRUN=1\r\n"
        "[PERFORMANCE]\r\nMAX CONNECTIONS SERVER=3\r\nNETWORK BUFFER SIZE=12\r\n");
    const UrlSettings& s = GetUrlSettings();
    EXPECT_TRUE(s.offlineMode);
    EXPECT_EQ(s.httpProxy, "proxy:8080");
    EXPECT_EQ(s.docsExpirySeconds, ((24u + 2) * 60 + 3) * 60);
    EXPECT_EQ(s.cacheDirectory, UserDir() + "\\CACHE");
    EXPECT_EQ(s.profileDirectory, UserDir());
    EXPECT_TRUE(s.lastRunUnclean);
    ASSERT_NE(s.isNoProxyHost, nullptr);
    EXPECT_TRUE(s.isNoProxyHost("printer.local"));
    EXPECT_FALSE(s.isNoProxyHost("www.example.com"));
    const NetSettings& n = GetNetSettings();
    EXPECT_EQ(n.maxConnectionsServer, 3);
    EXPECT_EQ(n.NetworkBufferBytes(), 12 * 1024);

    prefs->Set(PrefInt::UseHttpProxy, 0);
    EXPECT_EQ(s.httpProxy, "") << "a setter publishes at once";
    prefs->SetForThisRun(PrefInt::MaxConnectionsServer, 1);
    EXPECT_EQ(n.maxConnectionsServer, 1) << "so does a change for this run";
    prefs->SetMemoryCacheSizes(300, 1200);
    EXPECT_EQ(prefs->GetDocumentBudget(), 300000u);
    EXPECT_EQ(prefs->GetImageBudget(), 1200000u);
    EXPECT_EQ(IniValue(userIni_, "CACHE", "FIGURE"), "1200");
    prefs->SetDiskCacheSize(5000);
    EXPECT_EQ(s.diskCacheSizeKb, 5000u);
    prefs.reset();
    EXPECT_EQ(GetUrlSettings().isNoProxyHost, nullptr) << "no list of a destroyed object";
}

// A new user directory moves the running cache at once: files cached from
// then on land in the new folder.
TEST_F(SettingsHandOver, ANewUserDirectoryMovesTheRunningCache) {
    auto prefs = Load("");
    UrlRegistry registry(GetUrlSettings());
    EXPECT_LT(registry.SetCacheDirectory(GetUrlSettings().cacheDirectory.c_str(), true), 2);
    EXPECT_EQ(registry.CacheDirectory(), UserDir() + "\\CACHE\\");
    std::string moved = dir_.File("elsewhere");
    ASSERT_TRUE(prefs->Set(PrefText::ZintuDirectory, moved.c_str()));
    EXPECT_EQ(registry.CacheDirectory(), moved + "\\CACHE\\");
    EXPECT_NE(GetFileAttributesA((moved + "\\CACHE").c_str()), INVALID_FILE_ATTRIBUTES) << "the folder is made";
    std::string file = registry.NewCacheFileName("htm");
    EXPECT_EQ(file.compare(0, moved.size(), moved), 0) << file;
}

// The user's sheet and the switches reach every page made afterwards; an
// unreadable file leaves no sheet rather than an empty one.
TEST_F(SettingsHandOver, PagesGetTheUserStyleSheetAndSwitches) {
    std::string css = dir_.File("mine.css");
    testing_support::WriteWholeFile(css, "P { color: red }\nH1 { font-size: 30px }\n");
    auto prefs = Load("LOCAL CSS FILE=" + css + "\r\nCSS LOCAL OVERRIDE=1\r\nCSS ENABLE GLOBAL=0\r\n");
    LoadUserStyleSheet(*prefs);
    PageProperties page(nullptr);
    ASSERT_NE(page.styleSettings.userSheet, nullptr);
    EXPECT_TRUE(page.styleSettings.cssLocalOverride);
    EXPECT_FALSE(page.styleSettings.cssEnableGlobal);
    EXPECT_EQ(page.styleSettings.userSheet, DefaultStyleSettings().userSheet);

    ASSERT_TRUE(prefs->Set(PrefText::LocalCssFile, dir_.File("missing.css").c_str()));
    LoadUserStyleSheet(*prefs);
    EXPECT_EQ(PageProperties(nullptr).styleSettings.userSheet, nullptr);
}

}  // namespace
