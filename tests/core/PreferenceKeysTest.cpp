// The rules of the ini keys that need no ini file: bounds, proxy addresses,
// the no-proxy list, trusted protocols and button image ids.
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "core/PreferenceKeys.h"

namespace {

TEST(PreferenceKeys, EveryKeyIsNamedOnce) {
    for (int i = 0; i < static_cast<int>(PrefInt::Count); ++i) {
        const IntKey& a = KeyOf(static_cast<PrefInt>(i));
        for (int j = i + 1; j < static_cast<int>(PrefInt::Count); ++j) {
            const IntKey& b = KeyOf(static_cast<PrefInt>(j));
            EXPECT_FALSE(std::strcmp(a.section, b.section) == 0 && std::strcmp(a.key, b.key) == 0)
                << a.section << " " << a.key;
        }
    }
    for (int i = 0; i < static_cast<int>(PrefText::Count); ++i) {
        const TextKey& a = KeyOf(static_cast<PrefText>(i));
        EXPECT_GT(a.bufferSize, 1) << a.key;
        EXPECT_LT(static_cast<int>(std::strlen(a.defaultValue)), a.bufferSize) << a.key;
    }
}

TEST(PreferenceKeys, RulesBoundValues) {
    struct Case {
        PrefInt setting;
        int value;
        int expected;
    };
    const Case cases[] = {
        {PrefInt::Scale, 155, 150},
        {PrefInt::Scale, 5, 20},
        {PrefInt::Scale, 2000, 1000},
        {PrefInt::Scale, 100, 100},
        {PrefInt::PrinterScale, 300, 300},
        {PrefInt::PrinterScale, 10, 20},
        {PrefInt::LeftMargin, 600, 100},
        {PrefInt::BottomMargin, 500, 500},
        {PrefInt::HttpErrorStrategy, 7, 2},
        {PrefInt::HttpErrorStrategy, -1, 2},
        {PrefInt::HttpErrorStrategy, 1, 1},
        {PrefInt::GoHomeTimeOut, 29, 0},
        {PrefInt::GoHomeTimeOut, 45, 45},
        {PrefInt::GoHomeTimeOut, 7000, 6000},
        {PrefInt::BoxTimeOut, 33, 32},
        {PrefInt::BoxTimeOut, -1, 32},
        {PrefInt::BoxTimeOut, 5, 5},
        {PrefInt::MaxWindowHistoryLines, -300, -255},
        {PrefInt::MaxGlobalHistoryLines, 5000, 999},
        {PrefInt::FontTagScale, 501, 500},
        {PrefInt::LinkExpiryDays, 100, 99},
        {PrefInt::MaxConnectionsServer, 0, 1},
        {PrefInt::MaxConnectionsServer, 65, 64},
        {PrefInt::MaxConnectionsTotal, 1000, 999},
        {PrefInt::NetworkBufferSize, -3, 1},
        {PrefInt::NetworkBufferSize, 12000, 9999},
        {PrefInt::MaxArticles, 3, 10},
        {PrefInt::DocumentMode, 257, 1},
        {PrefInt::DocsExpHours, 70000, 4464},  // a 16-bit field
    };
    for (const Case& c : cases) {
        const IntKey& key = KeyOf(c.setting);
        EXPECT_EQ(ApplyIntRule(key.rule, c.value), c.expected)
            << key.section << " " << key.key << " " << c.value;
    }
}

TEST(PreferenceKeys, ProxyServersKeepHostAndPort) {
    struct Case {
        const char* written;
        const char* kept;
    };
    const Case cases[] = {
        {"http://proxy.example:3128/", "proxy.example:3128"},
        {"http://h/p", "h"},  // the path is cut, not glued to the host
        {"  proxy . example : 80 ", "proxy.example:80"},
        {"proxy:8080", "proxy:8080"},
        {"ftp:///", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        char out[100];
        NormalizeProxyServer(c.written, out, sizeof out);
        EXPECT_STREQ(out, c.kept) << c.written;
    }
    char list[200];
    NormalizeProxyList("*.local; intra.example,\thttp://x.example/path\n,,", list, sizeof list);
    EXPECT_STREQ(list, "*.local,intra.example,x.example");
}

TEST(PreferenceKeys, NoProxyPatternsCoverTheWholeHost) {
    const char* list = "*.LOCAL,intra.example,10.*";
    struct Case {
        const char* host;
        bool excluded;
    };
    const Case cases[] = {
        {"printer.local", true},      {"PRINTER.Local", true}, {"local", false},     {"intra.example", true},
        {"intra.example.com", false}, {"10.1.2.3", true},      {"110.1.2.3", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(HostMatchesProxyList(list, c.host), c.excluded) << c.host;
    EXPECT_TRUE(HostMatchesProxyList("*", "anything"));
    EXPECT_FALSE(HostMatchesProxyList(nullptr, "anything"));
}

TEST(PreferenceKeys, TrustedProtocolsCompareTheSchemeExactly) {
    const char* list = " mailto , \"zintu-app\" ,news";
    struct Case {
        const char* url;
        bool trusted;
    };
    const Case cases[] = {
        {"zintu-app://open", true},        {"ZINTU-APP://open", false},
        {"mailto:joe@example.com", false},  // no "://" after the scheme
        {"news://server/group", true},     {"nntp://server/group", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSchemeInProtocolList(list, c.url), c.trusted) << c.url;
    std::string longScheme(64, 'a');
    EXPECT_FALSE(IsSchemeInProtocolList(longScheme.c_str(), (longScheme + "://x").c_str()));
}

TEST(PreferenceKeys, ButtonImageIds) {
    struct Case {
        int id;
        ButtonImageKind kind;
        int index;
    };
    const Case cases[] = {
        {0, ButtonImageKind::Small, 2},
        {1, ButtonImageKind::Small, 3},
        {5, ButtonImageKind::Small, 0},
        {15, ButtonImageKind::Small, 11},
        {7, ButtonImageKind::Small, 2},
        {20, ButtonImageKind::Toolbar, 0},
        {25, ButtonImageKind::Toolbar, 0},
        {26, ButtonImageKind::Toolbar, 1},
        {235, ButtonImageKind::Toolbar, 35},
        // Past the 36 buttons and the 28 status images: no image, no read
        // beyond the tables.
        {236, ButtonImageKind::None, 0},
        {299, ButtonImageKind::None, 0},
        {300, ButtonImageKind::Status, 0},
        {327, ButtonImageKind::Status, 27},
        {328, ButtonImageKind::None, 0},
        {-1, ButtonImageKind::None, 0},
    };
    for (const Case& c : cases) {
        ButtonImage image = ButtonImageForId(c.id);
        EXPECT_EQ(image.kind, c.kind) << c.id;
        if (image.kind != ButtonImageKind::None) {
            EXPECT_EQ(image.index, c.index) << c.id;
        }
    }
    EXPECT_STREQ(kSmallImageNames[ButtonImageForId(0).index], "unknownb");
    EXPECT_STREQ(kToolbarButtonNames[ButtonImageForId(235).index], "Keyb");
}

}  // namespace
