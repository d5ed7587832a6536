#include <gtest/gtest.h>

#include "security/HostNamePattern.h"

namespace {

TEST(HostNamePattern, MatchesTheTable) {
    struct Case {
        const char* pattern;
        const char* host;
        int matched;
    } cases[] = {
        {"*.alpha.beta", "mail.alpha.beta", 1},
        {"*.alpha.beta", "MAIL.ALPHA.BETA", 1},
        {"*.alpha.beta", "alpha.beta", 0},
        {"mail.alp?a.beta", "mail.alpha.beta", 1},
        {"[a-c]x", "bx", 1},
        {"[a-c]x", "Bx", 0},
        {"host[0-9]", "host0", 1},
        {"host[0-9]", "host7", 1},
        {"host[0-9]", "host", 0},
        {"(mail|news).alpha.beta", "mail.alpha.beta", 1},
        {"(mail|news).alpha.beta", "news.alpha.beta", 1},
        {"(mail|news).alpha.beta", "www.alpha.beta", 0},
        {"\\*.beta", "*.beta", 1},
        {"\\*.beta", "x.beta", 0},
        {"[^a-c]x", "dx", 1},
        {"[^a-c]x", "ax", 0},
        {"a*$", "abc", 1},
        {"*.(a|ab)c", "x.abc", 1},
        {"~www.*", "mail.example", 1},
        {"~www.*", "www.example", 0},
        {"www.example.com", "www.example.com.evil", 0},
        {"*", "", 1},
    };
    for (const Case& c : cases) {
        HostNamePattern pattern(true);
        pattern.Compile(c.pattern);
        ASSERT_EQ(pattern.GetError(), 0) << c.pattern;
        int matched = -1;
        pattern.Match(c.host, matched);
        EXPECT_EQ(matched, c.matched) << c.pattern << " / " << c.host;
        // Matching again gives the same answer.
        pattern.Match(c.host, matched);
        EXPECT_EQ(matched, c.matched) << c.pattern << " / " << c.host << " again";
    }
}

TEST(HostNamePattern, RefusesBadSyntax) {
    struct Case {
        const char* pattern;
        uint32_t code;
    } cases[] = {
        {"[abc", 16639}, {"a]", 16639},    {"[]", 16639},   {"[\\q]", 16639}, {"a~|b", 16639},
        {"[z-a]", 16639}, {"(mail|news.alpha.beta", 336}, {"a)b", 336},
    };
    for (const Case& c : cases) {
        HostNamePattern pattern(true);
        pattern.Compile(c.pattern);
        EXPECT_EQ(pattern.Error(), SecurityErrorCode(511, c.code)) << c.pattern;
        int matched = -1;
        pattern.Match("anything", matched);
        EXPECT_EQ(matched, 0);
    }
    HostNamePattern none(true);
    none.Compile(nullptr);
    EXPECT_EQ(none.Error(), SecurityErrorCode(511, 16639));
}

TEST(HostNamePattern, HostileNamesEndInAFailedMatch) {
    // Many stars against a long name that cannot match: bounded work.
    std::string stars;
    for (int i = 0; i < 40; ++i) stars += "*a";
    stars += "b";
    HostNamePattern pattern(true);
    pattern.Compile(stars.c_str());
    int matched = -1;
    pattern.Match(std::string(200, 'a').c_str(), matched);
    EXPECT_EQ(matched, 0);

    std::string deep(200, '(');
    HostNamePattern nested(true);
    nested.Compile(deep.c_str());
    EXPECT_EQ(nested.GetError(), 1);
    std::string longName(5000, 'x');
    HostNamePattern many(true);
    many.Compile(std::string(2000, '?').c_str());
    EXPECT_EQ(many.GetError(), 1);
}

TEST(HostNamePattern, TopLevelBarEndsThePattern) {
    HostNamePattern pattern(true);
    const char* text = "a.b|c.d";
    EXPECT_EQ(pattern.Compile(text), text + 3);
    int matched = 0;
    pattern.Match("a.b", matched);
    EXPECT_EQ(matched, 1);
}

}  // namespace
