#include "net/NntpReplies.h"

#include <algorithm>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

bool ReadNumber(std::string_view s, size_t& i, uint32_t& value) {
    while (i < s.size() && s[i] == ' ') ++i;
    size_t start = i;
    uint64_t v = 0;
    while (i < s.size() && IsDigit(s[i])) {
        v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(s[i] - '0'), 0xFFFFFFFFu);
        ++i;
    }
    value = static_cast<uint32_t>(v);
    return i > start;
}

}  // namespace

bool TakeNntpStatus(std::string& buffer, int& code, std::string& line) {
    for (;;) {
        size_t end = buffer.find('\n');
        if (end == std::string::npos) return false;
        std::string_view text = WithoutLineEnd(std::string_view(buffer).substr(0, end + 1));
        bool digits = text.size() >= 3 && IsDigit(text[0]) && IsDigit(text[1]) && IsDigit(text[2]);
        if (digits && text.size() > 3 && text[3] == '-') {
            buffer.erase(0, end + 1);
            continue;
        }
        code = digits ? (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0') : 0;
        line.assign(text);
        buffer.erase(0, end + 1);
        return true;
    }
}

bool TakeNntpTextLine(std::string& buffer, std::string& line, bool& end) {
    size_t stop = buffer.find('\n');
    if (stop == std::string::npos) return false;
    std::string_view text = WithoutLineEnd(std::string_view(buffer).substr(0, stop + 1));
    end = text == ".";
    if (end) {
        line.clear();
    } else {
        // The server doubled a leading dot so that the line is no end mark.
        if (!text.empty() && text[0] == '.') text.remove_prefix(1);
        line.assign(text);
    }
    buffer.erase(0, stop + 1);
    return true;
}

std::string StuffNntpPosting(std::string_view article) {
    std::string out;
    out.reserve(article.size() + 16);
    size_t start = 0;
    while (start < article.size()) {
        size_t end = article.find('\n', start);
        std::string_view line = article.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line[0] == '.') out.push_back('.');
        out.append(line);
        out += "\r\n";
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    out += ".\r\n";
    return out;
}

bool ParseGroupReply(std::string_view line, uint32_t& count, uint32_t& first, uint32_t& last) {
    size_t i = 0;
    uint32_t code;
    return ReadNumber(line, i, code) && code == 211 && ReadNumber(line, i, count) && ReadNumber(line, i, first) &&
           ReadNumber(line, i, last);
}

bool ParseOverviewLine(std::string_view line, OverviewLine& out) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    if (fields.size() < 8) return false;
    size_t i = 0;
    if (!ReadNumber(fields[0], i, out.number)) return false;
    out.subject.assign(fields[1]);
    out.from.assign(fields[2]);
    out.date.assign(fields[3]);
    out.messageId.assign(fields[4]);
    out.references.assign(fields[5]);
    out.lines.assign(fields[7]);
    return true;
}

std::vector<ArticleRange> WantedRanges(std::vector<uint32_t> wanted, uint32_t groupFirst, uint32_t groupLast,
                                       uint32_t maxArticles) {
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    uint32_t lowest = groupFirst;
    if (maxArticles > 0 && groupLast >= maxArticles && groupLast - maxArticles + 1 > lowest)
        lowest = groupLast - maxArticles + 1;
    std::vector<ArticleRange> ranges;
    for (uint32_t n : wanted) {
        if (n < lowest || n > groupLast) continue;
        if (!ranges.empty() && n < ranges.back().last + 10)
            ranges.back().last = n;
        else
            ranges.push_back({n, n});
    }
    return ranges;
}
