// The texts of a compose window: its mail file read back exactly, a damaged
// file refused whole, the groups and server of posting addresses, and the
// article it posts.
#include <gtest/gtest.h>

#include <string>

#include "mailnews/MailFile.h"
#include "mailnews/NewsPosting.h"

namespace {

std::string LongLine() {
    std::string line;
    for (int i = 0; i < 3000; ++i) line += static_cast<char>('a' + i % 26);
    return line;
}

TEST(MailFile, EveryFieldAndTheBodyComeBackExactly) {
    const ComposeFields cases[] = {
        {},
        {"a@b", "zintu.test", "c@d", "e@f", "Hello", "Line one\r\nLine two\r\n"},
        // Bytes of any code page, a line far past any buffer, no final line end.
        {"\xe9l\xe8ve@x", "zintu.misc,zintu.test", "", "", "Gr\xfc\xdf" "e \x80", LongLine() + "\r\n\r\n" + LongLine()},
        // Text that looks like the file's own lines, escapes and line ends in a value.
        {"To : x", "a\\nb", "\\", "x\r\ny", "Body : 3", "To : y\r\nBody : 99\n\n\r\r\\n"},
        {"", "", "", "", "", std::string("nul\0byte", 8)},
    };
    for (const ComposeFields& c : cases) {
        const std::string file = FormatMailFile(c);
        ComposeFields back;
        ASSERT_TRUE(ParseMailFile(file, back)) << file;
        EXPECT_TRUE(back == c) << file;
    }
    // The lines a person reads in the file.
    EXPECT_EQ(FormatMailFile({"a@b", "g", "", "", "S", "x\r\n"}),
              "To : a@b\nNewsgroup : g\nCC : \nBCC : \nSubject : S\nBody : 3\nx\r\n");
    ComposeFields anyCase;
    ASSERT_TRUE(ParseMailFile("TO : a\nNEWSGROUP : g\ncc : \nbcc : \nSUBJECT : s\nbody : 0\n", anyCase));
    EXPECT_EQ(anyCase.to, "a");
    EXPECT_EQ(anyCase.newsgroups, "g");
}

TEST(MailFile, ADamagedFileIsRefusedAndNothingIsFilled) {
    const std::string whole = FormatMailFile({"a@b", "g", "c", "d", "S", "body text\r\n"});
    const std::string damaged[] = {
        "",
        "Hello, world\n",
        whole.substr(0, whole.size() - 1),                // cut short
        whole + "more",                                    // grown
        whole.substr(0, whole.find("Subject")),            // header lines missing
        "Newsgroup : g\nTo : a\nCC : \nBCC : \nSubject : s\nBody : 0\n",  // out of order
        "To : a\nNewsgroup : g\nCC : \nBCC : \nSubject : s\nBody : x\n",
        "To : a\nNewsgroup : g\nCC : \nBCC : \nSubject : s\nBody : \n",
        "To : a\nNewsgroup : g\nCC : \nBCC : \nSubject : s\nBody : 99999999999999999999\n",
        "To : a\\q\nNewsgroup : g\nCC : \nBCC : \nSubject : s\nBody : 0\n",  // unknown escape
        "To : a\\\nNewsgroup : g\nCC : \nBCC : \nSubject : s\nBody : 0\n",
        "To : a\r\nNewsgroup : g\r\nCC : \r\nBCC : \r\nSubject : s\r\nBody : 0\r\n",
    };
    for (const std::string& text : damaged) {
        ComposeFields out{"kept", "kept", "kept", "kept", "kept", "kept"};
        EXPECT_FALSE(ParseMailFile(text, out)) << text;
        EXPECT_TRUE(out == (ComposeFields{"kept", "kept", "kept", "kept", "kept", "kept"})) << text;
    }
}

TEST(NewsPosting, PostingAddressesNameTheirGroupsAndServer) {
    const struct {
        const char* url;
        bool split;
        const char *groups, *server;
        bool secure;
    } cases[] = {
        {"newspost:comp.lang.misc", true, "comp.lang.misc", "", false},
        {"newspost://server/comp.lang.misc", true, "comp.lang.misc", "server", false},
        {"NEWSPOST://127.0.0.1:1190/a.b,c.d", true, "a.b,c.d", "127.0.0.1:1190", false},
        {"snewspost://server", true, "", "server", true},
        {"snewspost:", true, "", "", true},
        {"news:comp.lang.misc", false, "", "", false},
        {"mailto:a@b", false, "", "", false},
    };
    for (const auto& c : cases) {
        PostingAddress a;
        EXPECT_EQ(SplitPostingUrl(c.url, a), c.split) << c.url;
        EXPECT_EQ(a.groups, c.groups) << c.url;
        EXPECT_EQ(a.server, c.server) << c.url;
        EXPECT_EQ(a.secure, c.secure) << c.url;
    }
}

TEST(NewsPosting, AWindowShowingAGroupPostsToThatGroup) {
    const struct {
        const char *shown, *posting;
    } cases[] = {
        {"news:zintu.test", "newspost:zintu.test"},
        {"news:zintu.test/10-20", "newspost:zintu.test"},
        {"snews://127.0.0.1:5630/zintu.misc/articlecount", "snewspost://127.0.0.1:5630/zintu.misc"},
        {"NEWS://server/zintu.test", "newspost://server/zintu.test"},
        {"news:", ""},
        {"news://server", ""},
        {"news:abc@zintu.test", ""},
        {"news:zintu.*", ""},
        {"http://zintu.test/", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PostingUrlForGroup(c.shown), c.posting) << c.shown;
}

TEST(NewsPosting, TheArticleCarriesTheFieldsAndNoFieldAddsAHeader) {
    const struct {
        NewsArticleFields fields;
        const char* article;
    } cases[] = {
        {{"me@zintu.test", "Me Myself", "zintu.test, zintu.misc", "Hi", "Body\r\n", "Fri, 11 Dec 2026 17:00:00 GMT",
          "<1@zintu.test>"},
         "From: me@zintu.test (Me Myself)\r\nNewsgroups: zintu.test,zintu.misc\r\nSubject: Hi\r\n"
         "Date: Fri, 11 Dec 2026 17:00:00 GMT\r\nMessage-ID: <1@zintu.test>\r\n\r\nBody\r\n"},
        {{"", "", "g", "", "", "", ""}, "From: nobody\r\nNewsgroups: g\r\nSubject: NONE\r\n\r\n"},
        {{"me@x", "", "g", "Evil\r\nApproved: yes", ".\r\n", "", ""},
         "From: me@x\r\nNewsgroups: g\r\nSubject: Evil  Approved: yes\r\n\r\n.\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(BuildNewsArticle(c.fields), c.article);
    EXPECT_EQ(MakeNewsMessageId(0x5f000000, 7, "Me <me@zintu.test>", "pc"), "<zintu.5f000000.7@zintu.test>");
    EXPECT_EQ(MakeNewsMessageId(1, 2, "", "my-pc.local"), "<zintu.00000001.2@my-pc.local>");
    EXPECT_EQ(MakeNewsMessageId(1, 2, "x@>\r\n", ""), "<zintu.00000001.2@zintu.invalid>");
}

}  // namespace
