#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/net/MultipartDriver.h"

using multipart_test::Driver;

namespace {

// Bytes that a careless splitter would take apart: line ends, NULs, dashes
// and the boundary's own text inside a line.
std::string Binary(int seed, size_t length) {
    std::string s;
    uint32_t x = static_cast<uint32_t>(seed) * 2654435761u + 1;
    for (size_t i = 0; i < length; ++i) {
        x = x * 1103515245u + 12345u;
        s.push_back(static_cast<char>(x >> 16));
        if (i % 97 == 5) s += "\r\n--";
        if (i % 131 == 7) s += "x--frame\r\n";
        if (i % 53 == 0) s.push_back('\0');
    }
    return s;
}

struct Case {
    const char* what;
    const char* boundary;
    std::string stream;
    std::vector<std::pair<std::string, std::string>> parts;  // type, bytes
};

std::vector<Case> Cases() {
    std::string a = Binary(1, 3000), b = Binary(2, 9000), c = Binary(3, 10);
    return {
        {"binary parts, CRLF lines, closing delimiter",
         "frame",
         "--frame\r\nContent-Type: image/jpeg\r\n\r\n" + a + "\r\n--frame\r\ncontent-type:  image/gif; x=1\r\n\r\n" +
             b + "\r\n--frame\r\nContent-Length: 10\r\nContent-Type:text/html\r\n\r\n" + c + "\r\n--frame--\r\n",
         {{"image/jpeg", a}, {"image/gif", b}, {"text/html", c}}},
        {"LF lines, preamble and epilogue, a part without a type",
         "b",
         "This is a preamble\n--bx not yet\n--b\nContent-Type: text/html\n\n<p>one</p>\n--b\nX-Other: 1\n\nplain\n--b--\nepilogue",
         {{"text/html", "<p>one</p>"}, {"text/plain", "plain"}}},
        {"padding after a delimiter, empty part",
         "b",
         "--b  \r\nContent-Type: text/plain\r\n\r\n\r\n--b\t\r\nContent-Type: text/plain\r\n\r\nx\r\n--b--",
         {{"text/plain", ""}, {"text/plain", "x"}}},
        {"boundary learned from the data", nullptr,
         "--learned\r\nContent-Type: text/plain\r\n\r\none\r\n--learned\r\n\r\ntwo\r\n--learned--\r\n",
         {{"text/plain", "one"}, {"text/plain", "two"}}},
        {"no closing delimiter: the end of the input ends the last part",
         "b",
         "--b\r\nContent-Type: image/jpeg\r\n\r\n" + a + "\r\n--b\r\nContent-Type: image/jpeg\r\n\r\n" + c,
         {{"image/jpeg", a}, {"image/jpeg", c}}},
        {"closing delimiter straight after a boundary gives no empty part",
         "b",
         "--b\r\nContent-Type: text/plain\r\n\r\nonly\r\n--b\r\n--b--\r\n",
         {{"text/plain", "only"}}},
        {"a longer boundary that shares the prefix is data",
         "b",
         "--b\r\n\r\nbefore\r\n--bb\r\nafter\r\n--b--",
         {{"text/plain", "before\r\n--bb\r\nafter"}}},
        {"no boundary line at all: no part", "b", "just some text\r\nwithout parts\r\n", {}},
        {"headers that never end: no part", "b", "--b\r\nContent-Type: text/plain\r\n", {}},
    };
}

TEST(MultipartSplitter, PartsComeOutWholeInEveryChunking) {
    for (const Case& k : Cases()) {
        for (size_t chunk : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{64}, size_t{4096}, size_t{100000}}) {
            SCOPED_TRACE(std::string(k.what) + ", chunks of " + std::to_string(chunk));
            Driver d(k.boundary);
            d.Feed(k.stream, chunk);
            ASSERT_EQ(d.parts.size(), k.parts.size());
            for (size_t i = 0; i < k.parts.size(); ++i) {
                EXPECT_EQ(d.parts[i].type, k.parts[i].first) << "part " << i;
                EXPECT_TRUE(d.parts[i].bytes == k.parts[i].second)
                    << "part " << i << ": " << d.parts[i].bytes.size() << " bytes, expected "
                    << k.parts[i].second.size();
                EXPECT_TRUE(d.parts[i].ended) << "part " << i;
            }
            EXPECT_TRUE(d.WellOrdered());
            EXPECT_EQ(d.orphanBytes, 0);
            EXPECT_FALSE(d.splitter.HoldsData());
        }
    }
}

TEST(MultipartSplitter, HoldsDataUntilTheLastPartIsHeard) {
    Driver d("b");
    std::string stream = "--b\r\nContent-Type: text/plain\r\n\r\nabc\r\n--b--\r\n";
    int got = d.splitter.Read([&](char* into, int size) {
        stream.copy(into, stream.size());
        return static_cast<int>(stream.size());
    });
    ASSERT_EQ(got, static_cast<int>(stream.size()));
    // Begun and data waiting: the record has not read yet.
    EXPECT_EQ(d.queue, (std::deque<uint32_t>{kMsgPartBegins, kMsgPartData}));
    EXPECT_TRUE(d.splitter.HoldsData());
    d.splitter.SetInputEnded();
    EXPECT_TRUE(d.splitter.HoldsData());
    d.Drain();
    EXPECT_EQ(d.log, (std::vector<uint32_t>{kMsgPartBegins, kMsgPartData, kMsgPartEnds}));
    EXPECT_FALSE(d.splitter.HoldsData());
    ASSERT_EQ(d.parts.size(), 1u);
    EXPECT_EQ(d.parts[0].bytes, "abc");
}

TEST(MultipartSplitter, LearnedBoundaryIsTheFirstDashLine) {
    Driver d(nullptr);
    d.Feed("preamble\r\n--xyz\r\n\r\nbody\r\n--xyz--\r\n", 5);
    EXPECT_EQ(d.splitter.Delimiter(), "--xyz");
    ASSERT_EQ(d.parts.size(), 1u);
    EXPECT_EQ(d.parts[0].bytes, "body");
}

}  // namespace
