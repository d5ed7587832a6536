// The cookie store: parsing Set-Cookie values, which cookies come back for
// which URL, the limits, and "cookies.dat" across a restart.
#include <gtest/gtest.h>
#include <string>

#include "core/RecordFile.h"
#include "net/CookieStore.h"
#include "net/NetSettings.h"
#include "net/UrlSettings.h"
#include "tests/support/TestPaths.h"

namespace {

using testing_support::ReadWholeFile;
using testing_support::ScratchDir;
using testing_support::WriteWholeFile;

uint32_t g_now = 1000000000;  // 2001
uint32_t FakeClock() {
    return g_now;
}

constexpr char kFuture[] = "Wed, 01 Jan 2031 00:00:00 GMT";
constexpr char kPast[] = "Mon, 01 Jan 1990 00:00:00 GMT";

std::string Header(CookieStore& store, const char* url) {
    const char* h = store.BuildCookieHeader(url);
    return h ? h : "(none)";
}

class CookieStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetNetSettings() = NetSettings();
        g_now = 1000000000;
        SetUrlClock(FakeClock);
    }
    void TearDown() override { SetUrlClock(nullptr); }
    ScratchDir dir_;
};

TEST_F(CookieStoreTest, WhichCookiesComeBack) {
    struct Case {
        const char* set;
        const char* host;
        const char* path;
        const char* url;
        const char* expected;
    } cases[] = {
        // By path: the cookie's folder and below, never its parent.
        {"a=1; path=/x/y", "h.test", "/", "http://h.test/x/y/page", "a=1"},
        {"a=1; path=/x/y", "h.test", "/", "http://h.test/x/yz", "(none)"},
        {"a=1; path=/x/y", "h.test", "/", "http://h.test/x/", "(none)"},
        // Without a path: the folder of the request.
        {"a=1", "h.test", "/d/page.html?q=/z", "http://h.test/d/other", "a=1"},
        {"a=1", "h.test", "/d/page.html", "http://h.test/e", "(none)"},
        // Domain with a leading dot: that domain and every host below it.
        {"a=1; domain=.h.test", "www.h.test", "/", "http://h.test/", "a=1"},
        {"a=1; domain=.h.test", "www.h.test", "/", "http://deep.www.h.test/", "a=1"},
        {"a=1; domain=.h.test", "www.h.test", "/", "http://xh.test/", "(none)"},
        // A host without a dot is sent its own cookies.
        {"a=1", "intranet", "/", "http://intranet/p", "a=1"},
        {"a=1", "intranet", "/", "http://other/p", "(none)"},
        // Numeric addresses are one label.
        {"a=1", "127.0.0.1", "/", "http://127.0.0.1:8080/p", "a=1"},
        {"a=1", "127.0.0.1", "/", "http://10.0.0.1/p", "(none)"},
        // Secure cookies go over https only; a scheme in capitals gets none.
        {"a=1; secure", "h.test", "/", "http://h.test/", "(none)"},
        {"a=1; secure", "h.test", "/", "https://h.test/", "a=1"},
        {"a=1", "h.test", "/", "HTTP://h.test/", "(none)"},
        {"a=1", "h.test", "/", "ftp://h.test/", "(none)"},
        // Names of hosts compare without case; user information is no host.
        {"a=1", "H.Test", "/", "http://user:pw@h.TEST/", "a=1"},
        // The value keeps its blanks; attributes match by their leading part.
        {"  a = b c  ; Path=/", "h.test", "/x/y", "http://h.test/", "a=b c"},
        {"a=1; exp=Wed, 01 Jan 1990 00:00:00 GMT", "h.test", "/", "http://h.test/", "(none)"},
        // Not a cookie: no "=" after the name, or an empty domain.
        {"novalue; path=/", "h.test", "/", "http://h.test/", "(none)"},
        {"a=1; domain=...", "h.test", "/", "http://h.test/", "(none)"},
        // A Domain the host is not within is ignored.
        {"a=1; domain=other.test", "a.test", "/", "http://other.test/", "(none)"},
        {"a=1; domain=other.test", "a.test", "/", "http://a.test/", "(none)"},
        {"a=1; domain=h.test", "www.h.test", "/", "http://b.h.test/", "a=1"},
        {"a=1; domain=test", "a.test", "/", "http://b.test/", "(none)"},  // a name without a dot is a host
        {"a=1; domain=0.0.1", "127.0.0.1", "/", "http://127.0.0.1/", "(none)"},
        // A line break ends the value: it never reaches a request.
        {"a=1\r\nX: y", "h.test", "/", "http://h.test/", "a=1"},
    };
    for (const Case& c : cases) {
        CookieStore store("");
        store.SetFromHeader(c.set, c.host, c.path);
        EXPECT_EQ(Header(store, c.url), c.expected) << c.set << " from " << c.host << " for " << c.url;
    }
}

TEST_F(CookieStoreTest, OrderReplacementAndExpiry) {
    CookieStore store("");
    store.SetFromHeader("top=1; path=/", "www.h.test", "/");
    store.SetFromHeader("deep=2; path=/a/b", "www.h.test", "/");
    store.SetFromHeader("wide=3; domain=h.test; path=/", "www.h.test", "/");
    store.SetFromHeader("x=4; path=/a/b", "www.h.test", "/");
    // The deepest path first, then its parents, then the domains above.
    EXPECT_EQ(Header(store, "http://www.h.test/a/b/c"), "deep=2; x=4; top=1; wide=3");
    // The same name again replaces it and moves it to the end of its node.
    store.SetFromHeader("deep=5; path=/a/b", "www.h.test", "/");
    EXPECT_EQ(Header(store, "http://www.h.test/a/b/c"), "x=4; deep=5; top=1; wide=3");
    EXPECT_EQ(store.Count(), 4);
    // An expiry in the past removes it at the next request.
    store.SetFromHeader(std::string("x=4; path=/a/b; expires=") + kPast, "www.h.test", "/");
    EXPECT_EQ(Header(store, "http://www.h.test/a/b/c"), "deep=5; top=1; wide=3");
    EXPECT_EQ(store.Count(), 3);
    // Nothing at all while cookies are off.
    GetNetSettings().enableCookies = false;
    store.SetFromHeader("off=1", "www.h.test", "/");
    EXPECT_EQ(store.BuildCookieHeader("http://www.h.test/a/b/c"), nullptr);
    GetNetSettings().enableCookies = true;
    EXPECT_EQ(store.Count(), 3);
}

TEST_F(CookieStoreTest, Limits) {
    CookieStore store("");
    // 20 per domain: the 21st removes the one sent longest ago.
    for (int i = 0; i < 20; ++i) {
        store.SetFromHeader("c" + std::to_string(i) + "=v; path=/p" + std::to_string(i), "d.test", "/");
        ++g_now;
        (void)store.BuildCookieHeader(("http://d.test/p" + std::to_string(i)).c_str());
    }
    (void)store.BuildCookieHeader("http://d.test/p0");  // c0 is now the most recent
    store.SetFromHeader("new=v; path=/", "d.test", "/");
    EXPECT_EQ(store.Count(), 20);
    EXPECT_EQ(Header(store, "http://d.test/p1"), "new=v");
    EXPECT_EQ(Header(store, "http://d.test/p0"), "c0=v; new=v");

    // 300 in all.
    for (int d = 0; d < 20; ++d) {
        for (int i = 0; i < 20; ++i) {
            store.SetFromHeader("k" + std::to_string(i) + "=v", "h" + std::to_string(d) + ".test", "/");
        }
    }
    EXPECT_EQ(store.Count(), 300);

    // Name and value together stay within 4096; the header within 5000.
    CookieStore big("");
    std::string longValue(5000, 'v');
    big.SetFromHeader("n=" + longValue, "b.test", "/");
    EXPECT_EQ(Header(big, "http://b.test/").size(), 4096u);
    big.SetFromHeader("m=" + longValue, "b.test", "/");
    EXPECT_EQ(Header(big, "http://b.test/").size(), 4096u) << "the second does not fit";
}

TEST_F(CookieStoreTest, FileAcrossARestart) {
    {
        CookieStore store(dir_.Path());
        store.SetFromHeader(std::string("keep=1; path=/a; expires=") + kFuture, "www.h.test", "/");
        store.SetFromHeader(std::string("sec=2; secure; expires=") + kFuture, "intranet", "/");
        store.SetFromHeader("session=3", "www.h.test", "/");
        store.SetFromHeader(std::string("gone=4; expires=") + kPast, "old.test", "/");
        EXPECT_EQ(Header(store, "http://www.h.test/a/"), "keep=1; session=3");
        ASSERT_TRUE(store.Save());
    }
    std::string bytes = ReadWholeFile(dir_.File("cookies.dat"));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x03);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xE9);
    EXPECT_EQ(bytes.find("old.test"), std::string::npos);

    CookieStore again(dir_.Path());
    EXPECT_EQ(Header(again, "http://www.h.test/a/"), "keep=1") << "only persistent cookies remain";
    EXPECT_EQ(Header(again, "https://intranet/"), "sec=2");
    EXPECT_EQ(Header(again, "http://intranet/"), "(none)");
    EXPECT_EQ(again.Count(), 2);
    // Saved again, the file reads back the same.
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(ReadWholeFile(dir_.File("cookies.dat")).substr(0, 2), bytes.substr(0, 2));
}

TEST_F(CookieStoreTest, FilesOfOtherVersionsAndDamage) {
    // A newer file is neither read nor overwritten.
    std::string newer = "\x03\xEA";
    newer += std::string("\x01\x00\x04test\x00", 8);
    WriteWholeFile(dir_.File("cookies.dat"), newer);
    {
        CookieStore store(dir_.Path());
        store.SetFromHeader(std::string("a=1; expires=") + kFuture, "h.test", "/");
        EXPECT_FALSE(store.Save());
    }
    EXPECT_EQ(ReadWholeFile(dir_.File("cookies.dat")), newer);

    // An old file: numeric top labels go; others stay. A damaged tail keeps
    // what came before it.
    auto str = [](const std::string& s) { return std::string{char(s.size() >> 8), char(s.size() & 255)} + s; };
    std::string cookie = std::string("\x01") + str("n") + str("v") + std::string("\x7F\x00\x00\x00", 4) +
                         std::string("\x00", 1) + std::string("\x00\x00\x00\x00", 4);
    std::string old = std::string("\x03\xE8", 2);
    old += "\x01" + str("1") + cookie + std::string("\x00\x00", 2);
    old += "\x01" + str("test") + std::string("\x00", 1);
    old += "\x01" + str("h") + cookie + std::string("\x00\x00", 2);
    old += std::string("\x00\x00", 2);
    WriteWholeFile(dir_.File("cookies.dat"), old);
    CookieStore store(dir_.Path());
    EXPECT_EQ(Header(store, "http://h.test/"), "n=v");
    EXPECT_EQ(Header(store, "http://1/"), "(none)");
    EXPECT_EQ(store.Count(), 1);

    // Nesting without end, of domains and of paths, stops reading.
    std::string deep = std::string("\x03\xE9", 2);
    for (int i = 0; i < 100000; ++i) deep += "\x01" + str("x") + std::string("\x00", 1);
    deep += "\x01" + str("y");
    for (int i = 0; i < 100000; ++i) deep += "\x02" + str("p");
    WriteWholeFile(dir_.File("cookies.dat"), deep);
    CookieStore damaged(dir_.Path());
    (void)damaged.BuildCookieHeader("http://x.x/");  // reads it, without running out of stack
    EXPECT_TRUE(damaged.Save());
}

}  // namespace
