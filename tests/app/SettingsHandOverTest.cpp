// The settings hand-over on real ini files: what URL loading, the disk cache
// and the connections consult arrives when the preferences are read, again
// after every setter, and the no-proxy list goes with its object.
#include <windows.h>

#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "app/SettingsHandOver.h"
#include "core/Preferences.h"
#include "net/NetSettings.h"
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

}  // namespace
