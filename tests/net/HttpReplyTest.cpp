// The reply-header parser and the reader that finds the end of the headers
// across the reads of a socket.
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "net/HttpReplyHeaders.h"
#include "net/HttpReplyReader.h"

namespace {

HttpReplyHeaders Parse(const std::string& text, std::vector<std::string>* cookies = nullptr) {
    HttpReplyHeaders h;
    ParseHttpReplyHeaders(text, h, [cookies](const std::string& v) {
        if (cookies) cookies->push_back(v);
    });
    return h;
}

TEST(HttpReplyHeaders, StatusLineAndKnownHeaders) {
    std::vector<std::string> cookies;
    HttpReplyHeaders h = Parse(
        "HTTP/1.0 404 Not Found\r\n"
        "content-TYPE:   text/html  \r\n"
        "Content-type: text/plain\r\n"
        "Location: http://first/\r\n"
        "Location: http://second/\r\n"
        "Content-Length: 1234\r\n"
        "Content-encoding: x-gzip\r\n"
        "Last-modified: Mon, 01 Jan 2001 00:00:00 GMT\r\n"
        "Date: Tue, 02 Jan 2001 00:00:00 GMT\r\n"
        "Expires: 0\r\n"
        "Refresh: 5; URL=/x\r\n"
        "X-Other: skipped\r\n"
        "Set-Cookie: a=1\r\n"
        "Set-Cookie: b=2; path=/\r\n"
        "\r\n"
        "Location: body/\r\n",
        &cookies);
    EXPECT_EQ(h.statusCode, 404);
    EXPECT_EQ(h.statusText, "Not Found");
    EXPECT_EQ(h.contentType, "text/plain");  // the later line wins
    EXPECT_EQ(h.location, "http://first/");  // the first line wins
    EXPECT_EQ(h.contentLength, 1234);
    EXPECT_EQ(h.contentEncoding, "x-gzip");
    EXPECT_EQ(h.lastModified, "Mon, 01 Jan 2001 00:00:00 GMT");
    EXPECT_EQ(h.date, "Tue, 02 Jan 2001 00:00:00 GMT");
    EXPECT_EQ(h.expires, "0");
    EXPECT_EQ(h.refresh, "5; URL=/x");
    EXPECT_EQ(cookies, (std::vector<std::string>{"a=1", "b=2; path=/"}));
}

TEST(HttpReplyHeaders, RefreshDelayAndAddress) {
    const struct {
        const char* text;
        bool ok;
        int delay;
        const char* address;
    } cases[] = {
        {"5", true, 5, ""},
        {"0; url=next.html", true, 0, "next.html"},
        {"10;URL= http://h/x#top \t", true, 10, "http://h/x#top"},
        {"3; target=x", true, 3, ""},  // no "url=": the page itself
        {"99999999999; url=a", true, 0xFFFF, "a"},
        {" 5; url=a", false, 0, ""},
        {"soon", false, 0, ""},
        {"", false, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int delay = -7;
        std::string_view address = "stale";
        ASSERT_EQ(ParseRefresh(c.text, delay, address), c.ok);
        if (!c.ok) {
            EXPECT_EQ(delay, -7);
            continue;
        }
        EXPECT_EQ(delay, c.delay);
        EXPECT_EQ(address, c.address);
    }
}

TEST(HttpReplyHeaders, FoldedValuesAndBareLineFeeds) {
    HttpReplyHeaders h = Parse("HTTP/1.0 200 OK\nContent-type: text/html;\n\tcharset=x \n\nbody");
    EXPECT_EQ(h.statusCode, 200);
    EXPECT_EQ(h.contentType, "text/html; charset=x");
    EXPECT_FALSE(h.location.has_value());
}

TEST(HttpReplyHeaders, ContentLengthThatCannotSizeABlockIsUnknown) {
    struct Case {
        const char* value;
        int32_t expected;
    } cases[] = {
        {"0", 0}, {"17", 17}, {"-5", 0}, {"99999999999", 0}, {"abc", 0}, {"", 0}, {"2147483647", 2147483647},
    };
    for (const Case& c : cases) {
        HttpReplyHeaders h = Parse(std::string("HTTP/1.0 200 OK\r\nContent-length: ") + c.value + "\r\n\r\n");
        EXPECT_EQ(h.contentLength, c.expected) << c.value;
    }
}

TEST(HttpReplyHeaders, OnlyBasicChallengesAndTheirRealm) {
    struct Case {
        const char* headers;
        bool www, proxy;
        const char* realm;
    } cases[] = {
        {"WWW-Authenticate: Basic realm=\"Staff only\"\r\n", true, false, "Staff only"},
        {"WWW-Authenticate: Digest realm=\"x\"\r\n", false, false, ""},
        {"WWW-Authenticate: Basicrealm=x\r\n", false, false, ""},
        {"WWW-Authenticate: BASIC\trealm = plain, x\r\n", true, false, "plain"},
        {"WWW-Authenticate: Basic realm=\"site\"\r\nProxy-Authenticate: basic realm=\"gate\"\r\n", true, true,
         "gate"},
    };
    for (const Case& c : cases) {
        HttpReplyHeaders h = Parse(std::string("HTTP/1.0 401 Unauthorized\r\n") + c.headers + "\r\n");
        EXPECT_EQ(h.wwwAuthenticate.has_value(), c.www) << c.headers;
        EXPECT_EQ(h.proxyAuthenticate.has_value(), c.proxy) << c.headers;
        EXPECT_EQ(ChallengeRealm(h), c.realm) << c.headers;
    }
}

TEST(HttpReplyHeaders, StatusCodeIsTheNumberAfterTheFirstSpaceBeforeADigit) {
    struct Case {
        const char* line;
        int32_t code;
        const char* text;
    } cases[] = {
        {"HTTP/1.1 301 Moved Permanently", 301, "Moved Permanently"},
        {"http/1.0  200", 200, ""},
        {"HTTP/1.0 abc 302 Found", 302, "Found"},
        {"HTTP/1.0", 0, nullptr},
    };
    for (const Case& c : cases) {
        HttpReplyHeaders h = Parse(std::string(c.line) + "\r\n\r\n");
        EXPECT_EQ(h.statusCode, c.code) << c.line;
        if (c.text)
            EXPECT_EQ(h.statusText, c.text) << c.line;
        else
            EXPECT_FALSE(h.statusText.has_value()) << c.line;
    }
}

struct Fed {
    HttpReplyReader::Result result = HttpReplyReader::Result::NeedMore;
    std::string header, body;
};

// Feeds the reply in the given pieces, as the socket would deliver them, and
// reads the buffered body afterwards.
Fed FeedPieces(const std::vector<std::string>& pieces) {
    HttpReplyReader reader;
    Fed fed;
    for (const std::string& piece : pieces) {
        fed.result = reader.Feed(piece.data(), piece.size());
        if (fed.result != HttpReplyReader::Result::NeedMore) break;
    }
    if (fed.result == HttpReplyReader::Result::NeedMore) fed.result = reader.FinishAtClose();
    fed.header = reader.HeaderText();
    char buf[7];
    size_t n;
    while ((n = reader.ReadBuffered(buf, sizeof buf)) > 0) fed.body.append(buf, n);
    return fed;
}

TEST(HttpReplyReader, HeaderEndFoundWhereverTheReadsSplitIt) {
    using R = HttpReplyReader::Result;
    struct Case {
        std::vector<std::string> pieces;
        R result;
        std::string header, body;
    } cases[] = {
        {{"HTTP/1.0 200 OK\r\nA: b\r\n\r", "\nbody"},
         R::HeadersDone,
         "HTTP/1.0 200 OK\r\nA: b\r\n\r\n",
         "body"},
        {{"HTTP/1.0 200 OK\r\n", "\r\nxy"}, R::HeadersDone, "HTTP/1.0 200 OK\r\n\r\n", "xy"},
        {{"HTTP/1.0 200 OK\n", "\nxy"}, R::HeadersDone, "HTTP/1.0 200 OK\n\n", "xy"},
        {{"HTTP/1.0 200 OK\n\r", "\nxy"}, R::HeadersDone, "HTTP/1.0 200 OK\n\r\n", "xy"},
        {{"HT", "TP/1.0 200 OK\r\n\r\n"}, R::HeadersDone, "HTTP/1.0 200 OK\r\n\r\n", ""},
        {{"http/1.0 200 OK\r\n\r\n\r\nrest"}, R::HeadersDone, "http/1.0 200 OK\r\n\r\n", "\r\nrest"},
        // No status line: everything is body, however it arrives.
        {{"<html>hello</html>"}, R::NoStatusLine, "", "<html>hello</html>"},
        {{"<ht", "ml>"}, R::NoStatusLine, "", "<html>"},
        {{"ok\n"}, R::NoStatusLine, "", "ok\n"},
        // Cut off inside the headers: what arrived is the header text.
        {{"HTTP/1.0 200 OK\r\nA: b"}, R::HeadersDone, "HTTP/1.0 200 OK\r\nA: b", ""},
    };
    for (const Case& c : cases) {
        Fed fed = FeedPieces(c.pieces);
        EXPECT_EQ(fed.result, c.result) << c.pieces[0];
        EXPECT_EQ(fed.header, c.header) << c.pieces[0];
        EXPECT_EQ(fed.body, c.body) << c.pieces[0];
    }
}

TEST(HttpReplyReader, RandomSplitsGiveTheSameHeadersAndBody) {
    const std::string reply =
        "HTTP/1.0 200 OK\r\nContent-type: text/html\r\nContent-length: 26\r\n\r\n"
        "abcdefghijklmnopqrstuvwxyz";
    unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> pieces;
        for (size_t pos = 0; pos < reply.size();) {
            size_t n = std::uniform_int_distribution<size_t>(1, 9)(rng);
            pieces.push_back(reply.substr(pos, n));
            pos += n;
        }
        HttpReplyReader reader;
        size_t i = 0;
        HttpReplyReader::Result r = HttpReplyReader::Result::NeedMore;
        for (; i < pieces.size() && r == HttpReplyReader::Result::NeedMore; ++i)
            r = reader.Feed(pieces[i].data(), pieces[i].size());
        ASSERT_EQ(r, HttpReplyReader::Result::HeadersDone) << "seed " << seed;
        std::string body(reader.BufferedSize(), '\0');
        body.resize(reader.ReadBuffered(body.data(), body.size()));
        for (; i < pieces.size(); ++i) body += pieces[i];
        ASSERT_EQ(reader.HeaderText(), reply.substr(0, reply.find("\r\n\r\n") + 4)) << "seed " << seed;
        ASSERT_EQ(body, "abcdefghijklmnopqrstuvwxyz") << "seed " << seed;
    }
}

}  // namespace
