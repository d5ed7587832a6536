// The address parts that scripts read and assign, and the same-server test
// that keeps a script out of another server's windows.
#include <gtest/gtest.h>

#include "html/UrlParts.h"

namespace {

TEST(SameUrlHost, OnlyTheSameServerMatches) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"http://127.0.0.1:8001/a.html", "http://127.0.0.1:8001/b/c.html?x#y", true},
        {"http://Example.COM/a", "http://example.com/b", true},
        {"http://example.com/a", "http://example.com:80/b", true},     // the default port
        {"https://example.com/a", "https://example.com:443/", true},
        {"http://user:pw@example.com/a", "http://example.com/b", true},  // user information is no server
        {"http://127.0.0.1:8001/a", "http://127.0.0.1:8002/a", false},  // another server on the machine
        {"http://example.com/a", "http://example.org/a", false},
        {"http://example.com/a", "http://example.com.evil.org/a", false},
        {"http://example.com/a", "http://example.co/a", false},
        {"file:///c:/a.html", "file:///c:/b.html", true},                // no server on either side
        {"file:///c:/a.html", "file://localhost/c:/b.html", true},
        {"file://localhost/c:/b.html", "file:///c:/a.html", true},
        {"file:///c:/a.html", "file://localhost.evil.org/c:/b.html", false},
        {"file:///c:/a.html", "http://example.com/", false},
        {"about:blank", "http://example.com/", false},
        // A missing name on either side never matches: the check fails closed.
        {nullptr, "http://example.com/", false},
        {"http://example.com/", nullptr, false},
        {nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameUrlHost(c.a, c.b), c.same) << (c.a ? c.a : "(null)") << " / " << (c.b ? c.b : "(null)");
    }
}

TEST(ReplaceUrlPart, APartIsReplacedOrPlacedWhereItBelongs) {
    struct Case {
        const char* address;
        int property;
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"http://h.com/p?q#f", kPartHref, "http://o.org/", "http://o.org/"},
        {"http://h.com/p?q#f", kPartHash, "g", "http://h.com/p?q#g"},
        {"http://h.com/p?q#f", kPartHash, "#g", "http://h.com/p?q#g"},
        {"http://h.com/p", kPartHash, "g", "http://h.com/p#g"},  // no '#': appended with one
        {"http://h.com/p?q#f", kPartSearch, "r=1", "http://h.com/p?r=1#f"},
        {"http://h.com/p#f", kPartSearch, "r=1", "http://h.com/p?r=1#f"},  // before the hash
        {"http://h.com/p", kPartProtocol, "https:", "https://h.com/p"},
        {"http://h.com/p", kPartProtocol, "ftp", "ftp://h.com/p"},
        {"http://h.com:81/p", kPartHostname, "o.org", "http://o.org:81/p"},
        {"http://h.com:81/p", kPartHost, "o.org:82", "http://o.org:82/p"},
        {"http://h.com:81/p", kPartPort, "8080", "http://h.com:8080/p"},
        {"http://h.com/p", kPartPort, "8080", "http://h.com:8080/p"},  // no port yet
        {"http://h.com/p/q?x", kPartPathname, "/r", "http://h.com/r?x"},
        {"http://h.com", kPartPathname, "/r", "http://h.com/r"},  // no path yet
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplaceUrlPart(c.address, c.value, c.property, 4096), c.expected)
            << c.address << " property " << c.property << " = " << c.value;
    }
    // The result stays below the limit it is given.
    EXPECT_EQ(ReplaceUrlPart("http://h.com/", "0123456789", kPartHash, 16).size(), 15u);
}

}  // namespace
