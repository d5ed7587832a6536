// Trimming, the tokenizer, URL extensions, the user agent and measures.
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/TextRoutines.h"

namespace {

std::vector<std::string> Tokens(std::string text, const char* delimiters) {
    std::vector<std::string> tokens;
    int32_t position = 0;
    int end = 0;
    while (char* token = NextToken(&text[0], delimiters, &position, &end)) tokens.push_back(token);
    EXPECT_EQ(end, 1);
    return tokens;
}

TEST(TextRoutines, NextTokenSplitsAtEachDelimiter) {
    using List = std::vector<std::string>;
    EXPECT_EQ(Tokens("a,,b", ","), (List{"a", "", "b"}));
    EXPECT_EQ(Tokens("key: value\r\n", ":\r\n"), (List{"key", " value", ""}));
    EXPECT_EQ(Tokens("trailing,", ","), (List{"trailing"}));
    EXPECT_EQ(Tokens("", ","), List{});
}

TEST(TextRoutines, NextTokenWalksTextLongerThanSixteenBits) {
    // Network data: a header block well past 32767 characters.
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "token" + std::to_string(i) + ";";
    ASSERT_GT(text.size(), 40000u);
    std::vector<std::string> tokens = Tokens(text, ";");
    ASSERT_EQ(tokens.size(), 5000u);
    EXPECT_EQ(tokens.back(), "token4999");
}

TEST(TextRoutines, Trimming) {
    char text[] = " \t a b \r\n";
    TrimInPlace(text);
    EXPECT_STREQ(text, "a b");
    char blank[] = "   ";
    TrimInPlace(blank);
    EXPECT_STREQ(blank, "");
    TrimInPlace(nullptr);
    char* copy = StrDupTrimmed("  x  ");
    EXPECT_STREQ(copy, "x");
    std::free(copy);
    EXPECT_EQ(StrDupTrimmed(nullptr), nullptr);
}

TEST(TextRoutines, UrlFileExtension) {
    struct Case {
        const char* url;
        const char* expected;
    };
    const Case cases[] = {
        {"http://www.example.com/dir/page.html", "html"},
        {"http://www.example.com/dir/page", nullptr},  // dots only in the host
        {"http://www.example.com", nullptr},
        {"file.tar.gz/x.y.z", "z"},
        {"noslash.txt", nullptr},
    };
    for (const Case& c : cases) {
        const char* got = UrlFileExtension(c.url);
        EXPECT_EQ(got ? std::string(got) : "(null)", c.expected ? c.expected : "(null)") << c.url;
    }
}

TEST(TextRoutines, ParseHundredths) {
    struct Case {
        const char* text;
        uint16_t expected;
    };
    const Case cases[] = {
        {"2,5", 250}, {"2.50", 250},   {"3", 300},       {"0.07", 7},  {"12.345", 0},  // six characters
        {"", 0},      {"600 ", 50000}, {"99999", 50000}, {"1 x", 100}, {"1.2.3", 120},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseHundredths(c.text), c.expected) << c.text;
    EXPECT_EQ(ParseHundredths(nullptr), 0);
}

TEST(TextRoutines, UserAgentRespectsItsBuffer) {
    const char* pattern = "Mozilla/3.0 (compatible; Zintu/3.0; %s) 3.50b7";
    char buffer[100];
    size_t length = FormatUserAgent(pattern, "Windows NT 5.1", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Mozilla/3.0 (compatible; Zintu/3.0; Windows NT 5.1) 3.50b7");
    EXPECT_EQ(length, std::string(buffer).size());
    size_t needed = std::string(pattern).size() + std::string("Windows NT 5.1").size();
    char small[80] = "untouched";
    EXPECT_EQ(FormatUserAgent(pattern, "Windows NT 5.1", small, needed), 0u);
    EXPECT_STREQ(small, "untouched");
    EXPECT_GT(FormatUserAgent(pattern, "Windows NT 5.1", small, needed + 1), 0u);
    EXPECT_EQ(FormatUserAgent(pattern, "", buffer, sizeof buffer), 0u);
}

}  // namespace
