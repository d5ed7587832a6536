#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "html/HtmlTokenizer.h"

namespace {

// One token as a readable line: text runs in brackets, tags with their code
// and their attributes as code=value.
std::string Describe(int code, const char* start, int length, const AttributeSlot* slots) {
    if (code == kTokenText) return "T[" + std::string(start, length) + "]";
    std::string s = std::to_string(code);
    if (code == kUnknownTag || code == kUnknownTag + kEndTagBit) return s;
    for (const AttributeSlot* a = slots; a->code; ++a) {
        s += " " + std::to_string(a->code);
        if (a->value) s += "=" + std::string(a->value, a->valueLength);
    }
    return s;
}

std::vector<std::string> TokenizeWhole(const std::string& page) {
    HtmlTokenizer tokenizer;
    AttributeSlot slots[kAttributeSlots + 1];
    std::vector<std::string> out;
    const char* pos = page.data();
    const char* end = pos + page.size();
    for (;;) {
        const char* start;
        int length;
        int code = tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, end, false);
        if (code == kTokenNeedMore) break;
        out.push_back(Describe(code, start, length, slots));
    }
    return out;
}

// Feeds the page as if it arrived in two blocks cut at split: the tokenizer
// sees the first block with more data announced, then the whole page.
std::vector<std::string> TokenizeSplit(const std::string& page, size_t split) {
    HtmlTokenizer tokenizer;
    AttributeSlot slots[kAttributeSlots + 1];
    std::vector<std::string> out;
    const char* pos = page.data();
    for (int pass = 0; pass < 2; ++pass) {
        const char* end = page.data() + (pass == 0 ? split : page.size());
        for (;;) {
            const char* start;
            int length;
            int code = tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, end, pass == 0);
            if (code == kTokenNeedMore) break;
            out.push_back(Describe(code, start, length, slots));
        }
    }
    return out;
}

TEST(HtmlTokenizer, TokensOfWholePages) {
    struct Case {
        const char* page;
        std::vector<std::string> tokens;
    } cases[] = {
        {"<p>Hi</p>", {"257", "T[Hi]", "1281"}},
        {"<B>x</foo>", {"259", "T[x]", "1365"}},
        {"<a href=\"x.html\" name=top>", {"256 20=x.html 21=top"}},
        {"< /TD >", {"1304"}},
        {"< / TD >", {"1365"}},  // the name must follow "/" directly
        {"<td nowrap bgcolor = red>", {"280 47 70=red"}},
        {"<a foo=1 abcdefghijklm=2>", {"256 1=1 1=2"}},
        {"<a =stray href=y>", {"256 20=y"}},  // an empty name takes no slot
        {"<!DOCTYPE html>", {"341"}},         // "!" is no letter: unknown tag
        {"a<!-- x -- y -->b", {"T[a]", "341", "T[b]"}},
        {"a<!-- x -- y --\n>b", {"T[a]", "341", "T[b]"}},
        {"<!-- x --->b", {"341", "T[b]"}},
        {"<!-- open forever", {"T[<!-- open forever]"}},
        {"<!-- open > later", {"341", "T[ later]"}},
        {"<a title=\"x>y\">z", {"256 43=x>y", "T[z]"}},
        {"<a title=\"x>y>z", {"256 43=x", "T[y>z]"}},  // no closing quote: re-read leniently
        {"a < b", {"T[a ]", "T[< b]"}},                // a lone "<" at the end of a page is text
        {"<p", {"T[<p]"}},
        {"<img src='a b'>", {"282 14=a b"}},
    };
    for (const Case& c : cases) EXPECT_EQ(TokenizeWhole(c.page), c.tokens) << c.page;
}

TEST(HtmlTokenizer, SplitAtEveryOffsetGivesTheSameTokens) {
    const std::string page =
        "<!DOCTYPE html><html><head><title>T &amp; t</title></head>\n"
        "<body bgcolor=\"#ffffff\"><!-- a -- comment --><p align=center>Text &lt;here&gt;"
        "<a href='x.html#f' title=\"q>r\">link</a><br><table border><tr><td>1</td></tr></table>"
        "</body></html>";
    const std::vector<std::string> whole = TokenizeWhole(page);
    for (size_t split = 0; split <= page.size(); ++split)
        ASSERT_EQ(TokenizeSplit(page, split), whole) << "split at " << split;
}

TEST(HtmlTokenizer, LongTextIsDeliveredInPiecesWithoutCuttingEntities) {
    HtmlTokenizer tokenizer;
    AttributeSlot slots[kAttributeSlots + 1];
    const char* start;
    int length;
    // 1000 bytes at the end of a partial block wait for more.
    std::string text(1000, 'x');
    const char* pos = text.data();
    EXPECT_EQ(tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, pos + text.size(), true),
              kTokenNeedMore);
    EXPECT_EQ(pos, text.data());
    // 1001 bytes are delivered, cut before an "&" in the last bytes.
    text = std::string(998, 'x') + "&am";
    pos = text.data();
    ASSERT_EQ(tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, pos + text.size(), true),
              kTokenText);
    EXPECT_EQ(length, 998);
    EXPECT_EQ(std::string(pos), "&am");
    // A ";" or a space stops the look-back: the whole run goes.
    text = std::string(996, 'x') + "&a; bc";
    pos = text.data();
    ASSERT_EQ(tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, pos + text.size(), true),
              kTokenText);
    EXPECT_EQ(length, 1002);
}

TEST(HtmlTokenizer, UnfinishedTagsWaitUpToTheirLimit) {
    HtmlTokenizer tokenizer;
    AttributeSlot slots[kAttributeSlots + 1];
    const char* start;
    int length;
    std::string tag = "<a title=\"" + std::string(40000, 'y');
    const char* pos = tag.data();
    // Past 32000 bytes an unfinished tag stops waiting and is text.
    ASSERT_EQ(tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, pos + tag.size(), true),
              kTokenText);
    EXPECT_EQ(length, static_cast<int>(tag.size()));
    std::string shorter = "<a title=\"" + std::string(100, 'y');
    pos = shorter.data();
    EXPECT_EQ(tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, pos + shorter.size(), true),
              kTokenNeedMore);
    EXPECT_EQ(pos, shorter.data());
}

TEST(HtmlTokenizer, AHundredAndOneAttributes) {
    std::string tag = "<p";
    for (int i = 0; i < 101; ++i) tag += " a" + std::to_string(i) + "=1";
    tag += ">rest";
    HtmlTokenizer tokenizer;
    AttributeSlot slots[kAttributeSlots + 1];
    const char* start;
    int length;
    const char* pos = tag.data();
    const char* end = pos + tag.size();
    EXPECT_EQ(tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, end, true), kTokenNeedMore);
    ASSERT_EQ(tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, end, false), kTokenText);
    EXPECT_EQ(std::string(start, length), tag.substr(0, tag.find(" a100")));
    EXPECT_EQ(slots[99].code, kAttrUnknown);
    EXPECT_EQ(slots[100].code, 0);
}

struct RawResult {
    int code;
    std::string content;
    std::string rest;
};

RawResult Raw(int wanted, const std::string& page, bool more) {
    HtmlTokenizer tokenizer;
    const char* pos = page.data();
    const char* start;
    int length;
    int code = tokenizer.ScanRawContent(wanted, pos, start, length, page.data() + page.size(), more);
    return {code, std::string(start, length), std::string(pos)};
}

TEST(HtmlTokenizer, RawContentEndsOnlyAtItsEndTag) {
    const int script = kTagScript + kEndTagBit, style = kTagStyle + kEndTagBit;
    const int textarea = kTagTextarea + kEndTagBit, noscript = kTagNoscript + kEndTagBit;
    EXPECT_EQ(script, 1349);
    EXPECT_EQ(style, 1339);
    EXPECT_EQ(textarea, 1358);
    EXPECT_EQ(noscript, 1362);
    struct Case {
        int wanted;
        const char* page;
        bool more;
        int code;
        const char* content;
        const char* rest;
    } cases[] = {
        {script, "a<b>c</script>d", false, script, "a<b>c", "d"},
        {script, "x</S>y", false, script, "x", "y"},  // a leading part of the name ends it
        {script, "x</SCRIPTX>y</script>z", false, script, "x</SCRIPTX>y", "z"},
        {script, "w(\"</\"+\"b>\");</script>z", false, script, "w(\"</\"+\"b>\");", "z"},
        {script, "for(i=0;i<n;i++){}</script>z", false, script, "for(i=0;i<n;i++){}", "z"},
        {script, "a<!-- </script> -->b</script>c", false, script, "a<!-- </script> -->b", "c"},
        {style, "p{}</STYLE >q", false, style, "p{}", "q"},
        {textarea, "one\ntwo</textarea>", false, textarea, "one\ntwo", ""},
        {noscript, "x</noscript>", false, noscript, "x", ""},
        {script, "abc</scr", true, kTokenNeedMore, "abc", "</scr"},  // a short cut tag is kept
        {script, "abc", true, kTokenNeedMore, "abc", ""},
        {script, "abc</scr", false, kTokenNeedMore, "abc</scr", ""},  // the last block: all is content
    };
    for (const Case& c : cases) {
        RawResult r = Raw(c.wanted, c.page, c.more);
        EXPECT_EQ(r.code, c.code) << c.page;
        EXPECT_EQ(r.content, c.content) << c.page;
        EXPECT_EQ(r.rest, c.rest) << c.page;
    }
}

TEST(HtmlTokenizer, RawContentResumesInsideAComment) {
    HtmlTokenizer tokenizer;
    std::string page = "a<!-- </script> ";
    const char* pos = page.data();
    const char* start;
    int length;
    EXPECT_EQ(tokenizer.ScanRawContent(1349, pos, start, length, page.data() + page.size(), true),
              kTokenNeedMore);
    EXPECT_TRUE(tokenizer.InComment());
    EXPECT_EQ(pos, page.data() + page.size());
    std::string next = "</script> --></script>";
    pos = next.data();
    EXPECT_EQ(tokenizer.ScanRawContent(1349, pos, start, length, next.data() + next.size(), false), 1349);
    EXPECT_EQ(std::string(start, length), "</script> -->");
}

TEST(HtmlTokenizer, PushedBackTokenComesFirst) {
    HtmlTokenizer tokenizer;
    AttributeSlot slots[kAttributeSlots + 1];
    std::string page = "<p>";
    const char* pos = page.data();
    const char* start;
    int length;
    tokenizer.PushBack(kTagB, "x", 1);
    EXPECT_EQ(tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, pos + 3, false), kTagB);
    EXPECT_EQ(tokenizer.NextToken(pos, start, length, slots, kAttributeSlots, pos + 3, false), kTagP);
    // Raw content takes a pushed-back token only when it is the wanted one.
    std::string raw = "x</style>";
    pos = raw.data();
    tokenizer.PushBack(kTagB, "x", 1);
    EXPECT_EQ(tokenizer.ScanRawContent(1339, pos, start, length, pos + raw.size(), false), 1339);
    EXPECT_FALSE(tokenizer.HasPushedBack());
}

TEST(HtmlTokenizer, PlainTextRunsToTheEnd) {
    HtmlTokenizer tokenizer;
    std::string page = "<b>not a tag</b>";
    const char* pos = page.data();
    const char* start;
    int length;
    EXPECT_EQ(tokenizer.NextPlainText(pos, start, length, pos + page.size(), true), kTokenNeedMore);
    EXPECT_EQ(tokenizer.NextPlainText(pos, start, length, pos + page.size(), false), kTokenText);
    EXPECT_EQ(std::string(start, length), page);
}

TEST(HtmlTokenizer, TrimAttributeValue) {
    char text[] = "  a\r\nb c \t";
    int length = static_cast<int>(sizeof(text) - 1);
    char* start = TrimAttributeValue(text, length);
    EXPECT_STREQ(start, "ab c");
    EXPECT_EQ(length, 4);
}

}  // namespace
