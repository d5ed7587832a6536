// The text side of the news client: status lines and text bodies of the
// news server, lines of a posting, GROUP replies, overview lines and the
// ranges of wanted articles. Platform-free, so it is tested and fuzzed
// natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Takes one status line from the front of buffer: lines whose fourth
// character is '-' are skipped; code is 0 for a line that begins with no
// number. line is the status line without its line end. False when more
// text is needed.
[[nodiscard]] bool TakeNntpStatus(std::string& buffer, int& code, std::string& line);

// Takes one line of a text body: the line without its line end, with the
// dot that the server put before a line beginning with '.' taken away.
// end is set (and line empty) for the end mark ".". False when no whole
// line is there yet.
[[nodiscard]] bool TakeNntpTextLine(std::string& buffer, std::string& line, bool& end);

// The lines of a posting as they go out: a line that begins with '.' gets
// another in front, every line ends in CR LF (a bare LF becomes CR LF), and
// the end mark follows.
std::string StuffNntpPosting(std::string_view article);

// "211 count first last group"; false when it does not parse.
[[nodiscard]] bool ParseGroupReply(std::string_view line, uint32_t& count, uint32_t& first, uint32_t& last);

// One XOVER line: number, Subject, From, Date, Message-ID, References,
// bytes, Lines. False when it has fewer fields.
struct OverviewLine {
    uint32_t number = 0;
    std::string subject, from, date, messageId, references, lines;
};
[[nodiscard]] bool ParseOverviewLine(std::string_view line, OverviewLine& out);

struct ArticleRange {
    uint32_t first, last;
};
// The ranges to ask for: the wanted numbers (sorted here) within first and
// last of the group and among its newest maxArticles, a range growing while
// the next number is less than its last plus 10.
std::vector<ArticleRange> WantedRanges(std::vector<uint32_t> wanted, uint32_t groupFirst, uint32_t groupLast,
                                       uint32_t maxArticles);
