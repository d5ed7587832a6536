#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "html/HtmlTables.h"

namespace {

int Tag(const char* s) {
    return LookupTagCode(s, static_cast<int>(std::strlen(s)));
}
int Attr(const char* s) {
    return LookupAttributeCode(s, static_cast<int>(std::strlen(s)));
}
int Key(const char* s) {
    return LookupKeyword(s, static_cast<int>(std::strlen(s)));
}
int32_t Colour(const char* s) {
    return ParseColour(s, static_cast<int>(std::strlen(s)));
}
std::string Decode(std::string s) {
    DecodeEntities(&s[0]);
    return s.c_str();
}

TEST(HtmlTables, TagCodes) {
    struct Case {
        const char* name;
        int code;
    } cases[] = {
        {"A", kTagA},   {"a", 256},          {"H1", 268},        {"h1", 268},          {"H7", 341},
        {"TABLE", 310}, {"BlockQuote", 340}, {"PLAINTEXT", 339}, {"BLOCKQUOTES", 341}, {"", 341},
        {"IMAGE", 316}, {"APPLET", 319},     {"NOSCRIPT", 338},  {"BQ", 281},          {"XYZ", 341},
    };
    for (const Case& c : cases) EXPECT_EQ(Tag(c.name), c.code) << c.name;
    // Every tag's name leads back to its code.
    for (int code = kFirstTag; code <= kLastTag; ++code) EXPECT_EQ(Tag(TagName(code)), code);
    EXPECT_EQ(TagName(341), nullptr);
}

TEST(HtmlTables, AttributeCodes) {
    struct Case {
        const char* name;
        int code;
    } cases[] = {
        {"X", 10},
        {"href", 20},
        {"HREF", 20},
        {"http-equiv", 104},
        {"MARGINHEIGHT", 118},
        {"BGPROPERTIES", 117},
        {"", 0},
        {"FOO", 1},
        {"ABCDEFGHIJKLM", 1},
        {"cellpadding", 109},
    };
    for (const Case& c : cases) EXPECT_EQ(Attr(c.name), c.code) << c.name;
    for (int code = 10; code <= 118; ++code) EXPECT_EQ(Attr(AttributeName(code)), code);
}

TEST(HtmlTables, Keywords) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"yes", 1},        {"POST", 6},      {"Center", 130},    {"pushbutton", 41}, {"polygon", 70},
                 {"absmiddle", 18}, {"password", 39}, {"pushbuttons", 0}, {"cent", 0},        {"", 0}};
    for (const Case& c : cases) EXPECT_EQ(Key(c.text), c.value) << c.text;
}

TEST(HtmlTables, Entities) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"AT&T", "AT&T"},                        // the run reaches the end: kept
        {"a &amp; b", "a & b"},                  // ";" after the name is dropped
        {"a &AMP; b", "a & b"},                  // upper-case twin
        {"a &Amp; b", "a &Amp; b"},              // mixed case is no entity
        {"x &lt", "x &lt"},                      // at the very end: not decoded
        {"x &lt y", "x < y"},                    // followed by a space: decoded
        {"&nbspx ", "\xA0x "},                   // longest match first, then shorter
        {"&#65abc; ", "A "},                     // numeric form takes its run up to 6
        {"&#233; ", "\xE9 "},                    // Latin-1
        {"&#8217; ", "? "},                      // beyond one byte: '?', not a control byte
        {"&#0; ", "&#0; "},                      // 0 means no match
        {"&#x41; ", "&#x41; "},                  // no hexadecimal form
        {"&#99999999999999; ", "?999999999; "},  // the run is cut at 6, the value saturates
        {"& b", "& b"},                          // "&" not followed by a letter or "#"
        {"&yuml;&copy;&COPY; ", "\xFF\xA9\xA9 "},
        {"&unknown; ", "&unknown; "},
    };
    for (const Case& c : cases) EXPECT_EQ(Decode(c.in), c.out) << c.in;
}

TEST(HtmlTables, Colours) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"teal", 0x02808000},
        {"TEAL", 0x02808000},
        {"#12345", 0x02332211},
        {"#FFF", 0x02FFFFFF},
        {"#ff0000", 0x020000FF},
        {"ff0000", 0x020000FF},
        {"#F", -1},
        {"#12", -1},
        {"#12345g", -1},
        {"LightGoldenrodYellow", 0x02CCF8FA},
        {"# 1 2 3", 0x02332211},
        {"abc", 0x02CCBBAA},
        {"nocolour", -1},
        {"Gray100", 0x02FFFFFF},
        {"", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(Colour(c.text), c.value) << c.text;
    EXPECT_EQ(LookupColourName("teal", 4), 0x008080);
    EXPECT_EQ(LookupColourName("MediumForestGreenXXXX", 21), -1);
    EXPECT_EQ(ParseHexDigits("1aF", 3), 0x1AF);
    EXPECT_EQ(ParseHexDigits("1g", 2), -1);
    EXPECT_EQ(ParseHexDigits("1", 0), -1);
}

}  // namespace
