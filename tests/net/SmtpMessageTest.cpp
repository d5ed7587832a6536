// The mail client's text: recipients, headers, replies and the stuffing of
// dots at line starts across the blocks of a body.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "net/SmtpMessage.h"

namespace {

TEST(SmtpMessage, RecipientsInListOrder) {
    EXPECT_EQ(SplitRecipients(" a@x, ,b@x  c@x,", "", ",d@x"),
              (std::vector<std::string>{"a@x", "b@x", "c@x", "d@x"}));
    EXPECT_TRUE(SplitRecipients("", " , ", "").empty());
}

TEST(SmtpMessage, HeadersWithAndWithoutABodyOfTheirOwn) {
    SmtpHeaderFields f;
    f.date = "Thu, 10 Dec 2026 23:00:00 GMT";
    f.to = "a@x";
    f.from = "me@x (Me)";
    f.subject = "Hi";
    f.mailer = "Zintu/3.0";
    f.contentType = "text/plain";
    EXPECT_EQ(SmtpHeaders(f),
              "Date: Thu, 10 Dec 2026 23:00:00 GMT\r\nTo: a@x\r\nFrom: me@x (Me)\r\nSubject: Hi\r\n"
              "X-Mailer: Zintu/3.0\r\nMime-Version: 1.0\r\nContent-Type: text/plain\r\n\r\n");
    f.date.clear();
    f.cc = "c@x";
    f.bodyHasHeaders = true;
    EXPECT_EQ(SmtpHeaders(f),
              "To: a@x\r\nCC: c@x\r\nFrom: me@x (Me)\r\nSubject: Hi\r\nX-Mailer: Zintu/3.0\r\nMime-Version: 1.0\r\n");
    EXPECT_TRUE(HasLineBreak("a\rb"));
    EXPECT_TRUE(HasLineBreak("a\nb"));
    EXPECT_FALSE(HasLineBreak("a b"));
}

TEST(SmtpMessage, RepliesSkipContinuationLines) {
    std::string buffer = "250-first\r\n250-second\r\n250 last\r\n354 go";
    int code = 0;
    ASSERT_TRUE(TakeSmtpReply(buffer, code));
    EXPECT_EQ(code, 250);
    EXPECT_FALSE(TakeSmtpReply(buffer, code));
    buffer += "\r\nhello\r\n";
    ASSERT_TRUE(TakeSmtpReply(buffer, code));
    EXPECT_EQ(code, 354);
    ASSERT_TRUE(TakeSmtpReply(buffer, code));
    EXPECT_EQ(code, 0);
}

// Undoes the stuffing as a server does: the data up to the end mark, with
// one dot taken from each line that begins with one.
std::string Unstuff(const std::string& data) {
    std::string out;
    size_t at = 0;
    while (at < data.size()) {
        size_t end = data.find("\r\n", at);
        std::string line = data.substr(at, end - at);
        if (line == ".") return out;
        if (!line.empty() && line[0] == '.') line.erase(0, 1);
        out += line + "\r\n";
        at = end + 2;
    }
    return "(no end mark)";
}

TEST(SmtpMessage, DotsAreStuffedAcrossEveryCut) {
    const std::string body = ".\r\n..x\r\nab\r\n.c\r\nd.\r\n.\r\n";
    unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    for (int round = 0; round < 300; ++round) {
        DotStuffer stuffer;
        std::string sent;
        for (size_t at = 0; at < body.size();) {
            size_t n = std::uniform_int_distribution<size_t>(1, 5)(random);
            sent += stuffer.Stuff(std::string_view(body).substr(at, n));
            at += n;
        }
        sent += stuffer.Finish();
        ASSERT_EQ(Unstuff(sent), body) << "seed " << seed << " round " << round;
        ASSERT_EQ(sent.find("\r\n.\r\n"), sent.size() - 5) << "seed " << seed;
    }
    DotStuffer open;
    std::string sent = open.Stuff("no line end");
    EXPECT_EQ(sent + open.Finish(), "no line end\r\n.\r\n");
    DotStuffer empty;
    EXPECT_EQ(empty.Finish(), ".\r\n");  // after the header block
}

}  // namespace
