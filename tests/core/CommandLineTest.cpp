// The command line: ini file names, switches, the end of option parsing and
// the limit on start addresses.
#include <gtest/gtest.h>

#include "core/CommandLine.h"

namespace {

std::vector<std::string> Args(std::initializer_list<const char*> words) {
    std::vector<std::string> v{"Zintu.exe"};
    for (const char* w : words) v.push_back(w);
    return v;
}

TEST(CommandLine, IniFileNamesAreCaseSensitiveAndNeedAName) {
    struct Case {
        const char* word;
        bool isIni;
    } cases[] = {
        {"my.ini", true}, {"a.ini", true},   {"C:\\x\\zintu.ini", true}, {"MY.INI", false},
        {".ini", false},  {"my.Ini", false}, {"my.ini.x", false},        {"http://h/a.ini", true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsIniFileName(c.word), c.isIni) << c.word;

    auto o = ParseCommandLine(Args({"MY.INI", "first.ini", ".ini", "second.ini"}));
    EXPECT_EQ(o.iniFile, "second.ini");  // a later one replaces an earlier one
    EXPECT_EQ(o.urls, (std::vector<std::string>{"MY.INI", ".ini"}));
}

TEST(CommandLine, SwitchesIgnoreCaseAndPrefixWordsMatchTheirStart) {
    for (const char* w : {"/nowin", "/NOWIN", "/nowindow"}) {
        auto o = ParseCommandLine(Args({w}));
        EXPECT_TRUE(o.noWindow) << w;
        EXPECT_TRUE(o.urls.empty()) << w;
    }
    for (const char* w : {"/e", "/edit", "/E"}) {
        auto o = ParseCommandLine(Args({"a", w, "b.ini", "/k", "c"}));
        EXPECT_EQ(o.urls, (std::vector<std::string>{"a"})) << w;
        EXPECT_TRUE(o.iniFile.empty()) << w;
        EXPECT_FALSE(o.kioskNoSysMenu) << w;
    }
    // "/now" is too short for the no-window switch and "/Kiosk" is not a switch.
    auto o = ParseCommandLine(Args({"/now", "/Kiosk"}));
    EXPECT_FALSE(o.noWindow);
    EXPECT_EQ(o.urls, (std::vector<std::string>{"/now", "/Kiosk"}));
}

TEST(CommandLine, KioskSwitches) {
    for (const char* w : {"/k", "/K", "/KioskMode", "/kioskmode"}) {
        auto o = ParseCommandLine(Args({w}));
        EXPECT_TRUE(o.kioskFullScreen && o.kioskNoChangeFullScreen && o.kioskNoChangeMenu &&
                    o.kioskNoChangeButtons && o.kioskNoSysMenu && o.kioskNoMinMaxButtons)
            << w;
    }
    auto o = ParseCommandLine(Args({"/NoSysMenu", "/nominmaxbuttons"}));
    EXPECT_TRUE(o.kioskNoSysMenu);
    EXPECT_TRUE(o.kioskNoMinMaxButtons);
    EXPECT_FALSE(o.kioskFullScreen || o.kioskNoChangeMenu || o.kioskNoChangeButtons ||
                 o.kioskNoChangeFullScreen);

    ApplyKioskFlags(ParseCommandLine(Args({"/NoChangeMenu", "/NoChangeButtons", "/NoChangeFullScreen"})));
    EXPECT_EQ(KioskNoChangeMenu, 1);
    EXPECT_EQ(KioskNoChangeButtons, 1);
    EXPECT_EQ(KioskNoChangeFullScreen, 1);
    EXPECT_EQ(KioskFullScreen, 0);
    EXPECT_EQ(KioskNoSysMenu, 0);
    ApplyKioskFlags(CommandLineOptions{});
}

TEST(CommandLine, ElevenAddressesKeepTheFirstTen) {
    std::vector<std::string> args{"Zintu.exe"};
    for (int i = 1; i <= 11; ++i) args.push_back("http://h/" + std::to_string(i));
    args.push_back("late.ini");  // switches after the tenth address still count
    auto o = ParseCommandLine(args);
    ASSERT_EQ(o.urls.size(), 10u);
    EXPECT_EQ(o.urls.front(), "http://h/1");
    EXPECT_EQ(o.urls.back(), "http://h/10");
    EXPECT_EQ(o.iniFile, "late.ini");
}

TEST(CommandLine, UninstallOnlyAsTheFirstArgument) {
    EXPECT_TRUE(IsUninstallRequest(Args({"/U_n_i_n_s_t_a_l_l"})));
    EXPECT_TRUE(IsUninstallRequest(Args({"/u_N_i_N_s_T_a_L_l"})));
    EXPECT_FALSE(IsUninstallRequest(Args({})));
    auto later = Args({"a", "/U_n_i_n_s_t_a_l_l"});
    EXPECT_FALSE(IsUninstallRequest(later));
    EXPECT_EQ(ParseCommandLine(later).urls, (std::vector<std::string>{"a", "/U_n_i_n_s_t_a_l_l"}));
}

}  // namespace
