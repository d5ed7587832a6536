#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "script/ScriptLexer.h"

namespace {

struct Lexed {
    std::vector<int> tokens;
    std::vector<std::string> texts;
    size_t consumed;
};

Lexed Lex(const std::string& text, bool more) {
    Lexed out;
    const char* cursor = text.data();
    const char* end = text.data() + text.size();
    for (;;) {
        const char* start;
        size_t length;
        int token = NextToken(&cursor, &start, &length, end, more, true);
        out.tokens.push_back(token);
        out.texts.push_back(start ? std::string(start, length) : "");
        if (token == kTokEnd) break;
    }
    out.consumed = static_cast<size_t>(cursor - text.data());
    return out;
}

struct LexCase {
    const char* text;
    std::vector<int> tokens;  // without the final end token
};

TEST(ScriptLexer, CutsTextIntoTokens) {
    const LexCase cases[] = {
        {"a>>>=b", {kTokIdentifier, kTokUnsignedShiftRightAssign, kTokIdentifier}},
        {"a>>>b>>c>>=d<<e<<=f", {800, 332, 800, 330, 800, 331, 800, 326, 800, 327, 800}},
        {"x<!--y", {kTokIdentifier, kTokComment}},
        {"x<!y", {kTokIdentifier, kTokLess, kTokNot, kTokIdentifier}},
        {"010 09 08.5 0x1F .5 1e+3 7 0", {951, 950, 953, 952, 953, 953, 950, 950}},
        {"functionx if_ If if in", {800, 800, 800, kTokIf, kTokIn}},
        {"var for new else with null true this void break false while typeof return function continue",
         {508, 502, 401, 506, 511, 900, 902, 903, 402, 500, 901, 509, 400, 507, 504, 501}},
        {"'it\\'s' \"plain\"", {kTokEscapedString, kTokString}},
        {"# \\ @", {kTokInvalid, kTokInvalid, '@'}},
        {"a // comment\nb /* block\n */ c", {800, kTokComment, 800, kTokComment, 800}},
        {"++ -- += -= *= /= %= &= |= ^= == != <= >= && || ! ~ ^",
         {301, 304, 302, 305, 309, 307, 311, 314, 317, 319, 323, 321, 325, 329, 313, 316, 320, '~', 318}},
        {"( ) , . : ; ? [ ] { }", {'(', ')', ',', '.', ':', ';', '?', '[', ']', '{', '}'}},
        {"$x _y a1", {800, 800, 800}},
        {"1e 1.2.3", {950, 800, 953, 953}},
    };
    for (const LexCase& c : cases) {
        Lexed lexed = Lex(c.text, false);
        std::vector<int> expected = c.tokens;
        expected.push_back(kTokEnd);
        EXPECT_EQ(lexed.tokens, expected) << c.text;
    }
}

TEST(ScriptLexer, TokenTextExcludesQuotesAndKeepsEscapes) {
    Lexed lexed = Lex("'it\\'s' abc 0x1F", false);
    EXPECT_EQ(lexed.texts[0], "it\\'s");
    EXPECT_EQ(lexed.texts[1], "abc");
    EXPECT_EQ(lexed.texts[2], "0x1F");
}

TEST(ScriptLexer, MoreTextLeavesACutOffTokenAtTheCursor) {
    struct Case {
        const char* text;
        size_t consumed;  // where the cursor stays
        int lastBeforeEnd;
    };
    const Case cases[] = {
        {"a +", 2, kTokIdentifier},            // could become ++ or +=
        {"a 'unfinished", 2, kTokIdentifier},  // the literal starts again next time
        {"abc", 0, kTokEnd},                   // an identifier may go on
        {"x = 12", 4, kTokAssign},             // so may a number
        {"a >>", 2, kTokIdentifier},           // >>= or >>> may follow
        {"a <!-", 2, kTokIdentifier},          // a comment opener may follow
        {"a // note", 2, kTokIdentifier},      // the comment may go on
        {"a /* open", 2, kTokIdentifier},
        {"a;", 2, ';'},  // complete
    };
    for (const Case& c : cases) {
        Lexed lexed = Lex(c.text, true);
        EXPECT_EQ(lexed.consumed, c.consumed) << c.text;
        int last = lexed.tokens.size() >= 2 ? lexed.tokens[lexed.tokens.size() - 2] : kTokEnd;
        EXPECT_EQ(last, c.lastBeforeEnd) << c.text;
    }
    // Without the flag the same texts end where they are.
    EXPECT_EQ(Lex("a +", false).tokens, (std::vector<int>{800, kTokPlus, kTokEnd}));
    Lexed open = Lex("a 'unfinished", false);
    EXPECT_EQ(open.tokens[1], kTokString);
    EXPECT_EQ(open.texts[1], "unfinished");
}

TEST(ScriptLexer, NewlinesAreBlankOnlyWhenAsked) {
    const char* text = "a\r\nb";
    const char* cursor = text;
    const char* start;
    size_t length;
    EXPECT_EQ(NextToken(&cursor, &start, &length, text + 4, false, false), kTokIdentifier);
    EXPECT_EQ(NextToken(&cursor, &start, &length, text + 4, false, false), kTokNewline);
    EXPECT_EQ(NextToken(&cursor, &start, &length, text + 4, false, false), kTokIdentifier);
}

}  // namespace
