// The FTP client's text: replies gathered across reads, PASV addresses,
// command arguments and the path walk.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "net/FtpReplies.h"

namespace {

// Takes every reply out of text fed in pieces of the given sizes.
std::vector<FtpReply> Replies(const std::string& text, const std::vector<size_t>& cuts) {
    std::vector<FtpReply> out;
    std::string buffer;
    size_t at = 0;
    for (size_t i = 0; at < text.size(); ++i) {
        size_t n = i < cuts.size() ? cuts[i] : text.size() - at;
        n = std::min(n, text.size() - at);
        buffer.append(text, at, n);
        at += n;
        FtpReply r;
        while (TakeFtpReply(buffer, r)) out.push_back(r);
    }
    return out;
}

TEST(FtpReplies, MultiLineRepliesAreOneReplyHoweverTheyArrive) {
    const std::string text =
        "220-Welcome to the archive\r\n"
        "220-  Be nice\r\n"
        "  a line without a code\r\n"
        "220 Ready\r\n"
        "331 Password please\r\n"
        "230-Logged in\r\n230 Fine\r\n";
    std::mt19937 random(20260617);
    for (int round = 0; round < 200; ++round) {
        std::vector<size_t> cuts;
        for (size_t left = text.size(); left > 0;) {
            size_t n = std::uniform_int_distribution<size_t>(1, 9)(random);
            cuts.push_back(n);
            left -= std::min(n, left);
        }
        std::vector<FtpReply> r = Replies(text, cuts);
        ASSERT_EQ(r.size(), 3u) << "round " << round;
        EXPECT_EQ(r[0].code, 220);
        EXPECT_EQ(r[0].message, "Welcome to the archive\n  Be nice\n  a line without a code\n");
        EXPECT_EQ(r[0].last, "220 Ready");
        EXPECT_EQ(r[1].code, 331);
        EXPECT_EQ(r[1].message, "");
        EXPECT_EQ(r[2].code, 230);
        EXPECT_EQ(r[2].message, "Logged in\n");
    }
}

TEST(FtpReplies, ALineWithoutACodeIsAReplyOfCodeZero) {
    std::string buffer = "garbage\r\n220 ok\r\n";
    FtpReply r;
    ASSERT_TRUE(TakeFtpReply(buffer, r));
    EXPECT_EQ(r.code, 0);
    ASSERT_TRUE(TakeFtpReply(buffer, r));
    EXPECT_EQ(r.code, 220);
    buffer = "22";
    EXPECT_FALSE(TakeFtpReply(buffer, r));
    buffer = "220-never ends\r\n221 other\r\n";
    EXPECT_FALSE(TakeFtpReply(buffer, r));
}

TEST(FtpReplies, PasvAddresses) {
    struct Case {
        const char* text;
        bool ok;
        uint16_t port;
    } cases[] = {
        {"227 Entering Passive Mode (127,0,0,1,195,80).", true, 195 * 256 + 80},
        {"227 =127,0,0,1,4,1", true, 1025},
        {"227 Entering (1,2,3,4,5,6) or rather (127,0,0,1,0,21)", true, 21},
        {"227 Entering Passive Mode (127,0,0,256,4,1)", false, 0},
        {"227 Entering Passive Mode (127,0,0,1,4,256)", false, 0},
        {"227 Entering Passive Mode (127,0,0,1,4)", false, 0},
        {"227 Entering Passive Mode (127,0,0,1,4,1,7)", false, 0},
        {"227 Entering Passive Mode (127,0,0,1,0,0)", false, 0},
        {"227 Entering Passive Mode", false, 0},
        {"227 (99999999999999999999,0,0,1,4,1)", false, 0},
    };
    for (const Case& c : cases) {
        uint16_t port = 0;
        EXPECT_EQ(ParsePasvReply(c.text, port), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(port, c.port) << c.text;
        }
    }
}

TEST(FtpReplies, ArgumentsDecodeButNeverEndTheCommand) {
    struct Case {
        const char* escaped;
        bool ok;
        const char* plain;
    } cases[] = {
        {"pub", true, "pub"},
        {"a%2fb%2Fc", true, "a/b/c"},
        {"100%25", true, "100%"},
        {"x%2", true, "x%2"},
        {"x%", true, "x%"},
        // Characters that are no hex digits count 0: a NUL, refused.
        {"%zz", false, ""},
        {"file%0d%0aDELE%20x", false, ""},
        {"file%0D", false, ""},
        {"file%0a", false, ""},
        {"file%00", false, ""},
        {"file\r\nDELE x", false, ""},
    };
    for (const Case& c : cases) {
        std::string out;
        bool ok = DecodeFtpArgument(c.escaped, out);
        EXPECT_EQ(ok, c.ok) << c.escaped;
        if (c.ok) {
            EXPECT_EQ(out, c.plain) << c.escaped;
        }
    }
}

TEST(FtpReplies, PathWalk) {
    EXPECT_EQ(SplitFtpPath(""), std::vector<std::string>{});
    EXPECT_EQ(SplitFtpPath("/"), std::vector<std::string>{});
    EXPECT_EQ(SplitFtpPath("pub/dir/file.txt"), (std::vector<std::string>{"pub", "dir", "file.txt"}));
    EXPECT_EQ(SplitFtpPath("pub//dir/"), (std::vector<std::string>{"pub", "dir"}));
    EXPECT_EQ(SplitFtpPath("../a%2Fb"), (std::vector<std::string>{"..", "a%2Fb"}));
}

}  // namespace
