// Completing typed addresses and choosing the road of a URL: tables of what
// a user types or a page links to and what must come of it.
#include <gtest/gtest.h>

#include "net/UrlNames.h"
#include "windows/TypedAddress.h"
#include "windows/UrlRoads.h"

namespace {

TEST(TypedAddress, CompletesWhatUsersType) {
    struct Case {
        const char* typed;
        const char* url;
    } cases[] = {
        {"www.x", "http://www.x"},
        {"www", "http://www"},
        {"ftp", "ftp://ftp"},
        {"ftp.x.org/pub", "ftp://ftp.x.org/pub"},
        {"gopher.x", "gopher://gopher.x"},
        {"wais", "wais://wais"},
        {"c:\\d\\f.htm", "file://localhost/c:/d/f.htm"},
        {"c:", "file://localhost/c:"},
        {"file:///c|/f.htm", "file://localhost/c:/f.htm"},
        {"file:///c:/f.htm", "file://localhost/c:/f.htm"},
        {"file:///tmp/f.htm", "file://localhost/tmp/f.htm"},
        {"file:f.htm", "file://localhost/f.htm"},
        {"file://host/f.htm", "file://host/f.htm"},
        {"WWW.X.COM", "http://WWW.X.COM"},
        {"javascript:1", "javascript:1"},
        {"JavaScript:1", "JavaScript:1"},
        {"mailto:a@b", "mailto:a@b"},
        {"word", "http://word"},
        {"localhost:8080/a.html", "http://localhost:8080/a.html"},
        {"http://h/a\\b", "http://h/a/b"},
        {"  www.x \t", "http://www.x"},
        {"wwwx.org", "http://wwwx.org"},
        {"news:comp.lang", "news:comp.lang"},
        {"", ""},
        {" \t ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CompleteTypedAddress(c.typed), c.url) << '"' << c.typed << '"';
}

TEST(TypedAddress, OnlyBareWordsAreLookedUpAsNicknames) {
    struct Case {
        const char* typed;
        bool nickname;
    } cases[] = {
        {"word", true},      {"two words", true}, {"www.x", false}, {"a:b", false},
        {"a/b", false},      {"a?b", false},      {"a\\b", false},  {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(MayBeNickname(TrimTypedText(c.typed)), c.nickname) << c.typed;
}

TEST(UrlRoads, TheSchemeAndTheSettingsChooseTheRoad) {
    struct Case {
        int scheme;
        bool proxy, scripting, mailForm, mailProgram, trusted;
        UrlRoad road;
    } cases[] = {
        {kSchemeHttp, false, false, false, false, false, UrlRoad::Load},
        {kSchemeHttps, false, false, false, false, false, UrlRoad::Load},
        {kSchemeFile, false, false, false, false, false, UrlRoad::Load},
        {kSchemeInternal, false, false, false, false, false, UrlRoad::Load},
        {kSchemeSnews, false, false, false, false, false, UrlRoad::Load},
        {kSchemeCid, false, false, false, false, false, UrlRoad::Load},
        {kSchemeGopher, false, false, false, false, false, UrlRoad::NeedsProxy},
        {kSchemeWais, false, false, false, false, false, UrlRoad::NeedsProxy},
        {kSchemeGopher, true, false, false, false, false, UrlRoad::Load},
        {kSchemeTelnet, false, false, false, false, false, UrlRoad::Telnet},
        {kSchemeTn3270, false, false, false, false, false, UrlRoad::Tn3270},
        {kSchemeMailto, false, false, false, false, false, UrlRoad::MailCompose},
        {kSchemeMailto, false, false, false, true, false, UrlRoad::MailProgram},
        {kSchemeMailto, false, false, true, true, false, UrlRoad::Load},
        {kSchemeNewsPost, false, false, false, false, false, UrlRoad::NewsCompose},
        {kSchemeSnewsPost, false, false, false, false, false, UrlRoad::NewsCompose},
        {kSchemeJavascript, false, true, false, false, false, UrlRoad::Script},
        {kSchemeJavascript, false, false, false, false, false, UrlRoad::Unknown},
        {kSchemeUnknown, false, false, false, false, false, UrlRoad::Unknown},
        {kSchemeUnknown, false, false, false, false, true, UrlRoad::External},
    };
    for (const auto& c : cases) {
        UrlRoadFacts f;
        f.scheme = c.scheme;
        f.proxyForScheme = c.proxy;
        f.scriptingOn = c.scripting;
        f.carriesMailForm = c.mailForm;
        f.mailProgramSet = c.mailProgram;
        f.trustedExternal = c.trusted;
        EXPECT_EQ(ChooseUrlRoad(f), c.road) << "scheme " << c.scheme;
    }
}

TEST(UrlRoads, OnlyPlainHostsAndUnquotedTextReachOutsidePrograms) {
    struct Case {
        const char* host;
        bool safe;
    } hosts[] = {
        {"host", true},         {"bbs.example.org", true}, {"10.0.0.1:23", true}, {"[::1]", true},
        {"a-b.c", true},        {"", false},               {"-e sh", false},      {"a\"b", false},
        {"a b", false},         {"a;b", false},            {"a&b", false},        {"h\xe9te", false},
        {"a/b", false},
    };
    for (const auto& c : hosts) EXPECT_EQ(IsSafeOutsideHost(c.host), c.safe) << c.host;
    EXPECT_TRUE(IsSafeOutsideArgument("mailto:a@b?subject=two words"));
    EXPECT_TRUE(IsSafeOutsideArgument(""));
    EXPECT_FALSE(IsSafeOutsideArgument("mailto:a@b\" -x \"c"));
    EXPECT_FALSE(IsSafeOutsideArgument("mailto:a@b\r\nx"));
}

TEST(UrlRoads, NewsUrlsNameArticlesGroupsOrEveryGroup) {
    struct Case {
        const char* url;
        int kind;
    } cases[] = {
        {"news:comp.lang.c", kNewsGroup},
        {"NEWS:comp.lang.c", kNewsGroup},
        {"news:1234@host.example", kNewsArticle},
        {"snews:<5@h>", kNewsArticle},
        {"news://server:119/comp.lang.c", kNewsServerGroup},
        {"news://server/77@server", kNewsServerArticle},
        {"news://server/", kNewsAllGroups},
        {"news:*", kNewsAllGroups},
        {"news:comp.lang.c#top", kNewsGroup},
        {"news:", -1},
        {"http://news/a@b", -1},
        {"comp.lang.c", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(ClassifyNewsUrl(c.url), c.kind) << c.url;
}

}  // namespace
