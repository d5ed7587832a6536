// The news client's text: status lines, text bodies with their dots undone
// however they arrive, postings with their dots doubled, GROUP replies,
// overview lines and the ranges of wanted articles.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "net/NntpReplies.h"

namespace {

TEST(NntpReplies, StatusLinesSkipContinuations) {
    std::string buffer = "200-Welcome\r\n200-more\r\n200 ready\r\nnonsense\r\n211 3 1 3 g";
    int code = 0;
    std::string line;
    ASSERT_TRUE(TakeNntpStatus(buffer, code, line));
    EXPECT_EQ(code, 200);
    EXPECT_EQ(line, "200 ready");
    ASSERT_TRUE(TakeNntpStatus(buffer, code, line));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(TakeNntpStatus(buffer, code, line));
}

TEST(NntpReplies, TextLinesAreUnstuffedHoweverTheyArrive) {
    const std::string text = "..starts with a dot\r\n...two dots\r\nplain\r\n.\r\n.\r\n211 next\r\n";
    const std::vector<std::string> expected = {".starts with a dot", "..two dots", "plain"};
    unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    for (int round = 0; round < 200; ++round) {
        std::string buffer;
        std::vector<std::string> lines;
        int ends = 0;
        for (size_t at = 0; at < text.size() && ends == 0;) {
            size_t n = std::uniform_int_distribution<size_t>(1, 6)(random);
            buffer.append(text, at, n);
            at += n;
            std::string line;
            bool end = false;
            while (ends == 0 && TakeNntpTextLine(buffer, line, end)) {
                if (end)
                    ++ends;
                else
                    lines.push_back(line);
            }
        }
        ASSERT_EQ(lines, expected) << "seed " << seed << " round " << round;
        ASSERT_EQ(ends, 1);
    }
}

TEST(NntpReplies, PostingsDoubleLeadingDots) {
    EXPECT_EQ(StuffNntpPosting("Subject: x\r\n\r\n.\r\n..a\nb.\r\n"), "Subject: x\r\n\r\n..\r\n...a\r\nb.\r\n.\r\n");
    EXPECT_EQ(StuffNntpPosting("no end"), "no end\r\n.\r\n");
}

TEST(NntpReplies, GroupRepliesAndOverviewLines) {
    uint32_t count, first, last;
    ASSERT_TRUE(ParseGroupReply("211 3 10 12 zintu.test", count, first, last));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(first, 10u);
    EXPECT_EQ(last, 12u);
    EXPECT_FALSE(ParseGroupReply("211 x", count, first, last));
    EXPECT_FALSE(ParseGroupReply("411 no such group", count, first, last));
    OverviewLine o;
    ASSERT_TRUE(ParseOverviewLine("7\tHi\tMe <m@x>\tDate\t<id@x>\t<r@x>\t512\t3\tXref: x", o));
    EXPECT_EQ(o.number, 7u);
    EXPECT_EQ(o.subject, "Hi");
    EXPECT_EQ(o.from, "Me <m@x>");
    EXPECT_EQ(o.messageId, "<id@x>");
    EXPECT_EQ(o.references, "<r@x>");
    EXPECT_EQ(o.lines, "3");
    EXPECT_FALSE(ParseOverviewLine("7\tHi\tMe", o));
}

TEST(NntpReplies, WantedRanges) {
    auto ranges = WantedRanges({5, 1, 2, 30, 12, 11, 40, 1000}, 2, 100, 500);
    std::vector<std::pair<uint32_t, uint32_t>> got;
    for (const ArticleRange& r : ranges) got.emplace_back(r.first, r.last);
    EXPECT_EQ(got, (std::vector<std::pair<uint32_t, uint32_t>>{{2, 12}, {30, 30}, {40, 40}}));
    // Only the newest maxArticles count.
    ranges = WantedRanges({1, 50, 95, 100}, 1, 100, 10);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].first, 95u);
    EXPECT_EQ(ranges[0].last, 100u);
}

}  // namespace
