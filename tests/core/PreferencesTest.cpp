// The preferences store on real ini files in a scratch folder: bounds read
// from fixtures, the override file, setters that write at once, derived
// paths and the ini path rule.
#include <windows.h>

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "core/CoarseClock.h"
#include "core/Preferences.h"
#include "tests/core/ScratchPreferences.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using testing_support::ReadWholeFile;
using testing_support::ScratchDir;
using testing_support::WriteWholeFile;

namespace {

std::string Text(const char* p) {
    return p ? p : "(null)";
}

using PreferencesTest = ScratchPreferencesTest;

TEST_F(PreferencesTest, BoundsApplyToWhatIsRead) {
    struct Case {
        const char* ini;
        PrefInt setting;
        int expected;
    };
    const Case cases[] = {
        {"SCALE=155", PrefInt::Scale, 150},
        {"SCALE=5", PrefInt::Scale, 20},
        {"SCALE=2000", PrefInt::Scale, 1000},
        {"MAX WINDOW HISTORY LINES=-300", PrefInt::MaxWindowHistoryLines, -255},
        {"[PRINTER]\r\nLEFT MARGIN=600", PrefInt::LeftMargin, 100},
        {"[PRINTER]\r\nLEFT MARGIN=500", PrefInt::LeftMargin, 500},
        {"[PRINTER]\r\nSCALE=10", PrefInt::PrinterScale, 20},
        {"[PERFORMANCE]\r\nHTTP ERROR STRATEGY=7", PrefInt::HttpErrorStrategy, 2},
        {"[SPECIAL]\r\nGO HOME TIME OUT=29", PrefInt::GoHomeTimeOut, 0},
        {"[SPECIAL]\r\nGO HOME TIME OUT=45", PrefInt::GoHomeTimeOut, 45},
        {"[FONT TAG]\r\nSCALE=900", PrefInt::FontTagScale, 500},
    };
    for (const Case& c : cases) {
        auto prefs = Load(c.ini);
        EXPECT_EQ(prefs->Get(c.setting), c.expected) << c.ini;
    }
    auto prefs = Load("MAX WINDOW HISTORY LINES=-300");
    EXPECT_EQ(prefs->GetMaxWindowHistory(), 0);
    EXPECT_EQ(prefs->GetMaxWindowHistorySigned(), -255);
}

TEST_F(PreferencesTest, DiskCacheSizeFromTwoSixteenBitKeys) {
    struct Case {
        const char* ini;
        uint32_t kilobytes;
    };
    const Case cases[] = {
        {"[DISK CACHE]\r\nSIZE=34464\r\nSIZE H=15", 999999},  // 1017504 is too much
        {"[DISK CACHE]\r\nSIZE=3000\r\nSIZE H=1", 68536},
        {"[DISK CACHE]\r\nSIZE=65537", 1},  // only the low 16 bits count
        {"", 2000},
    };
    for (const Case& c : cases) EXPECT_EQ(Load(c.ini)->GetDiskCacheSize(), c.kilobytes) << c.ini;

    auto prefs = Load("");
    prefs->SetDiskCacheSize(1017504);
    EXPECT_EQ(prefs->GetDiskCacheSize(), 999999u);
    EXPECT_EQ(IniValue(userIni_, "DISK CACHE", "SIZE"), "16959");
    EXPECT_EQ(IniValue(userIni_, "DISK CACHE", "SIZE H"), "15");
}

TEST_F(PreferencesTest, DefaultsOfAnEmptyFile) {
    auto prefs = Load("");
    EXPECT_EQ(prefs->Get(PrefInt::Scale), 100);
    EXPECT_EQ(prefs->Get(PrefInt::MaxGlobalHistoryLines), -200);
    EXPECT_EQ(prefs->Get(PrefInt::MaxConnectionsServer), 8);
    EXPECT_EQ(Text(prefs->Get(PrefText::SourceViewer)), "write.exe");
    EXPECT_EQ(Text(prefs->Get(PrefText::HostnameExpansionPrefix)), "www");
    EXPECT_EQ(Text(prefs->Get(PrefText::SoundStart)), "None");
    EXPECT_EQ(Text(prefs->Get(PrefText::ScriptAppName)), "Netscape");
    EXPECT_EQ(prefs->Get(PrefText::HttpProxy), nullptr);
    EXPECT_EQ(prefs->GetLinkColor(), RGB(0, 0, 255));
    EXPECT_EQ(prefs->GetVisitedLinkColor(), RGB(0, 0, 128));
    EXPECT_EQ(prefs->GetBackgroundColor(), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(prefs->GetExpirySeconds(CacheKind::Docs), 5u * 3600);
    EXPECT_EQ(prefs->GetVisitedLinkLifetime(), (10u * 24 + 10) * 3600);
}

TEST_F(PreferencesTest, OverrideFileWinsAndIsNeverWritten) {
    std::string override = dir_.File("site.ini");
    const std::string siteText = "[USER PREFS]\r\nSCALE=150\r\n[MAIL]\r\nNAME=\r\n";
    WriteWholeFile(override, siteText);
    auto prefs =
        Load("SCALE=100\r\n[MAIL]\r\nNAME=Joe User\r\n[SYSTEM]\r\nSUPER INI=  " + override + "  \r\n");
    EXPECT_EQ(Text(prefs->OverridePath()), override);
    EXPECT_EQ(prefs->Get(PrefInt::Scale), 150);
    EXPECT_EQ(Text(prefs->Get(PrefText::MailName)), "Joe User") << "an empty override does not blank a key";

    EXPECT_TRUE(prefs->Set(PrefInt::Scale, 80));
    EXPECT_EQ(prefs->Get(PrefInt::Scale), 80);
    EXPECT_EQ(IniValue(userIni_, "USER PREFS", "SCALE"), "80");
    EXPECT_EQ(ReadWholeFile(override), siteText);
    prefs.reset();

    Preferences next(userIni_.c_str());
    next.LoadAll();
    EXPECT_EQ(next.Get(PrefInt::Scale), 150) << "the next start reads the override again";
}

TEST_F(PreferencesTest, SettersWriteAtOnce) {
    auto prefs = Load("");
    EXPECT_TRUE(prefs->Set(PrefInt::MaxConnectionsServer, 100));
    EXPECT_EQ(prefs->Get(PrefInt::MaxConnectionsServer), 64);
    EXPECT_EQ(IniValue(userIni_, "PERFORMANCE", "MAX CONNECTIONS SERVER"), "64");

    EXPECT_TRUE(prefs->Set(PrefText::NewsServer, "  news.example  "));
    EXPECT_EQ(Text(prefs->Get(PrefText::NewsServer)), "news.example");
    EXPECT_EQ(IniValue(userIni_, "USER PREFS", "NEWS SERVER"), "news.example");

    EXPECT_TRUE(prefs->Set(PrefText::HttpProxy, "http://proxy.example:3128/"));
    EXPECT_EQ(Text(prefs->GetHttpProxy()), "proxy.example:3128");

    EXPECT_FALSE(prefs->Set(PrefInt::GoHomeTimeOut, 60)) << "read only";
    EXPECT_FALSE(prefs->Set(PrefText::SpecialUrl, "http://elsewhere/"));
    EXPECT_EQ(IniValue(userIni_, "SPECIAL", "GO HOME TIME OUT"), "(missing)");
    EXPECT_FALSE(prefs->Set(PrefText::SourceViewer, ""));
    EXPECT_EQ(Text(prefs->Get(PrefText::SourceViewer)), "write.exe");

    prefs->SetForThisRun(PrefInt::MaxConnectionsTotal, 4);
    EXPECT_EQ(prefs->Get(PrefInt::MaxConnectionsTotal), 4);
    EXPECT_EQ(IniValue(userIni_, "PERFORMANCE", "MAX CONNECTIONS TOTAL"), "(missing)");

    prefs->SetLinkColor(RGB(1, 2, 3));
    EXPECT_EQ(IniValue(userIni_, "LINK", "GREEN"), "2");
    prefs->SetImageMode(1);
    EXPECT_EQ(prefs->Get(PrefInt::LoadFigures), 0);
    EXPECT_EQ(prefs->Get(PrefInt::ShowFigures), 0);

    prefs->SetOpenDirFromFile("C:\\docs\\page.html");
    EXPECT_EQ(Text(prefs->Get(PrefText::OpenDir)), "C:\\docs");
    prefs->SetOpenDirFromFile("\\page.html");
    prefs->SetOpenDirFromFile("page.html");
    EXPECT_EQ(IniValue(userIni_, "SAVED SETTINGS", "OPEN DIR"), "C:\\docs");
}

TEST_F(PreferencesTest, ProxiesAndTheNoProxyList) {
    auto prefs = Load(
        "[PROXY]\r\nHTTP SERVER=http://h/p\r\nFTP SERVER=ftp.proxy:21\r\nUSE FTP=0\r\n"
        "HTTPS SERVER=secure.proxy:443\r\nUSE HTTPS=1\r\nNO PROXY SERVERS=*.local; intra.example\r\n");
    EXPECT_EQ(Text(prefs->GetHttpProxy()), "h");
    EXPECT_EQ(prefs->GetFtpProxy(), nullptr) << "USE FTP is 0";
    EXPECT_EQ(Text(prefs->Get(PrefText::NoProxyServers)), "*.local,intra.example");
    EXPECT_EQ(Text(prefs->GetSecureProxyForHost("www.example.com", 1)), "secure.proxy:443");
    EXPECT_EQ(prefs->GetSecureProxyForHost("printer.LOCAL", 1), nullptr);
    EXPECT_EQ(prefs->GetSecureProxyForHost("www.example.com", 0), nullptr);
    prefs->Set(PrefInt::NoProxyServersCheck, 0);
    EXPECT_EQ(Text(prefs->GetSecureProxyForHost("printer.local", 1)), "secure.proxy:443");
}

TEST_F(PreferencesTest, TrustedExternalProtocols) {
    auto prefs = Load("TrustedExternalURLProtocols=mailto, \"zintu-app\"\r\n");
    EXPECT_EQ(prefs->IsTrustedExternalProtocol("zintu-app://open"), 1);
    EXPECT_EQ(prefs->IsTrustedExternalProtocol("ZINTU-APP://open"), 0);
    EXPECT_EQ(prefs->IsTrustedExternalProtocol("mailto:joe@example.com"), 0);
}

TEST_F(PreferencesTest, PathsDerivedFromTheUserDirectory) {
    std::string nested = dir_.File("a\\b\\c");
    WriteWholeFile(userIni_, "[USER PREFS]\r\nZINTU DIRECTORY=" + nested + "\\\r\n");
    Preferences prefs(userIni_.c_str());
    prefs.LoadAll();
    EXPECT_EQ(Text(prefs.GetUserDirectory()), nested + "\\");
    EXPECT_NE(GetFileAttributesA(nested.c_str()), INVALID_FILE_ATTRIBUTES) << "made with its parents";
    EXPECT_EQ(Text(prefs.Get(PrefText::CacheDirectory)), nested + "\\CACHE");
    EXPECT_EQ(Text(prefs.Get(PrefText::HelpDirectory)), nested + "\\HELP");
    EXPECT_EQ(Text(prefs.Get(PrefText::WindowsStorageFile)), nested + "\\zintu.win");
    EXPECT_EQ(Text(prefs.Get(PrefText::GlobalHistoryFile)), nested + "\\global.dat");
    EXPECT_EQ(Text(prefs.Get(PrefText::HotListFile)), nested + "\\zintu.adr");
    EXPECT_EQ(Text(prefs.GetPluginPath()), nested + "\\plugins");
    EXPECT_EQ(Text(prefs.Get(PrefText::SaveDir)), nested + "\\");

    std::string moved = dir_.File("moved");
    EXPECT_TRUE(prefs.Set(PrefText::ZintuDirectory, moved.c_str()));
    EXPECT_EQ(Text(prefs.Get(PrefText::CacheDirectory)), moved + "\\CACHE");
    EXPECT_EQ(Text(prefs.Get(PrefText::WindowsStorageFile)), moved + "\\zintu.win");

    std::string cache = dir_.File("my cache");
    std::string storage = dir_.File("windows.txt");
    WritePrivateProfileStringA("USER PREFS", "CACHE DIRECTORY", cache.c_str(), userIni_.c_str());
    WritePrivateProfileStringA("USER PREFS", "WINDOWS STORAGE FILE", storage.c_str(), userIni_.c_str());
    Preferences again(userIni_.c_str());
    again.LoadAll();
    EXPECT_EQ(Text(again.Get(PrefText::CacheDirectory)), cache);
    EXPECT_NE(GetFileAttributesA(cache.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Text(again.Get(PrefText::WindowsStorageFile)), storage);
}

TEST_F(PreferencesTest, DataFilesOpenInTheUserDirectory) {
    auto prefs = Load("");
    g_preferences = prefs.get();
    FILE* f = OpenProfileDataFile("cookies.dat", "wb");
    g_preferences = nullptr;
    ASSERT_NE(f, nullptr);
    std::fputs("x", f);
    std::fclose(f);
    EXPECT_EQ(ReadWholeFile(UserDir() + "\\cookies.dat"), "x");
    EXPECT_EQ(OpenProfileDataFile("cookies.dat", "rb"), nullptr) << "no preferences";
}

TEST_F(PreferencesTest, OrderlyExitWritesRunZero) {
    auto prefs = Load("[STATE]\r\nRUN=1\r\n");
    EXPECT_EQ(prefs->Get(PrefInt::StateRun), 1) << "the last run did not end cleanly";
    prefs.reset();
    EXPECT_EQ(IniValue(userIni_, "STATE", "RUN"), "0");
}

TEST_F(PreferencesTest, IniPathRule) {
    // The program's own folder, from its module name.
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string folder(module);
    folder.resize(folder.find_last_of('\\'));
    std::string beside = folder + "\\zintu.ini";
    std::remove(beside.c_str());
    EXPECT_EQ(std::string(Preferences("ZINTU.INI").IniPath()), "zintu.ini");
    WriteWholeFile(beside, "[STATE]\r\nRUN=0\r\n");
    EXPECT_EQ(std::string(Preferences("ZINTU.INI").IniPath()), beside);
    EXPECT_EQ(std::string(Preferences(userIni_.c_str()).IniPath()), userIni_);
    // A name longer than any fixed buffer is kept whole, not copied past one.
    std::string longName = dir_.File(std::string(400, 'n') + ".ini");
    EXPECT_EQ(std::string(Preferences(longName.c_str()).IniPath()), longName);
    std::remove(beside.c_str());
}

TEST_F(PreferencesTest, WindowPlacementRoundTrips) {
    auto prefs = Load("");
    RECT normal;
    int show;
    prefs->ReadWindowPlacement(&normal, &show, false);
    EXPECT_EQ(normal.right, 620);
    EXPECT_EQ(normal.bottom, 450);
    EXPECT_EQ(show, 3);
    prefs->ReadWindowPlacement(&normal, &show, true);
    EXPECT_EQ(show, SW_SHOWNORMAL) << "kiosk mode";

    HWND window = testing_support::CreateTestWindow();
    SetWindowPos(window, nullptr, 30, 40, 300, 200, SWP_NOZORDER);
    prefs->Set(PrefInt::SaveWindows, 0);
    prefs->SaveWindowPlacement(window, false);
    EXPECT_EQ(IniValue(userIni_, "WINDOW", "LEFT"), "(missing)");
    prefs->SaveWindowPlacement(window, true);
    prefs->ReadWindowPlacement(&normal, &show, false);
    EXPECT_EQ(normal.left, 30);
    EXPECT_EQ(normal.top, 40);
    EXPECT_EQ(normal.right, 330);
    EXPECT_EQ(normal.bottom, 240);
    DestroyWindow(window);
}

TEST_F(PreferencesTest, ClockIsTheCoarseClock) {
    auto prefs = Load("");
    SetCoarseClock(1000);
    EXPECT_EQ(prefs->GetClock(), 1000u);
    prefs->RefreshClock();
    EXPECT_GT(prefs->GetClock(), 1600000000u);
}

TEST_F(PreferencesTest, ViewerTableKeys) {
    // A value longer than 519 characters, in the included section, reads whole.
    const std::string longValue = "3," + std::string(700, 'p') + ",,,lng";
    auto prefs = Load(
        "[FILE TYPES]\r\nVERSION=2\r\ntext/html=2,.htm,,,\r\n#include=MORE TYPES\r\n"
        "[MORE TYPES]\r\nimage/gif=1,.gif,,,\r\nx-long/type=" + longValue + "\r\n"
        "[FILE TYPE 3]\r\nACTION=6\r\nMIME TYPE=video/x-test\r\n");
    EXPECT_EQ(prefs->ReadFileTypesSection(userIni_.c_str()),
              std::string("text/html=2,.htm,,,\0image/gif=1,.gif,,,\0", 40) + "x-long/type=" + longValue +
                  std::string(1, '\0'));
    EXPECT_EQ(prefs->GetFileTypesVersion(), 1) << "the old marker moved";
    EXPECT_EQ(IniValue(userIni_, "FILE TYPES", "VERSION"), "(missing)");

    Preferences::FileTypeEntry entry;
    prefs->ReadFileTypeEntry("FILE TYPE 3", &entry);
    EXPECT_EQ(entry.action, 6);
    EXPECT_STREQ(entry.mimeType, "video/x-test");
    EXPECT_STREQ(entry.program, "");
    prefs->ReadFileTypeEntry("FILE TYPE 4", &entry);
    EXPECT_EQ(entry.action, -1);

    prefs->WriteFileTypeEntry("audio/x-test", 3, ".snd", nullptr, "player.exe", "");
    EXPECT_EQ(IniValue(userIni_, "FILE TYPES", "audio/x-test"), "3,.snd,,player.exe,");
    prefs->ClearFileTypes();
    EXPECT_EQ(IniValue(userIni_, "FILE TYPES", "audio/x-test"), "(missing)");
    EXPECT_EQ(IniValue(userIni_, "FILE TYPE 3", "ACTION"), "(missing)");
}

}  // namespace
