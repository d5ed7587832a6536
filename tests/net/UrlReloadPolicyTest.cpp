// The reload policy and the choice between a direct request and a proxy.
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "core/Dates.h"
#include "net/SniffContent.h"
#include "net/UrlRecord.h"
#include "net/UrlReloadPolicy.h"
#include "net/UrlSettings.h"

namespace {

class UrlReloadPolicyTest : public ::testing::Test {
protected:
    void SetUp() override { GetUrlSettings() = UrlSettings(); }
    void TearDown() override { GetUrlSettings() = UrlSettings(); }
};

TEST_F(UrlReloadPolicyTest, ReloadDecisions) {
    const uint32_t loaded = 1000000;
    struct Case {
        const char* what;
        const char* name;
        int kind;
        int status;
        uint16_t method;
        bool force;
        uint32_t expires;
        bool redirect;
        int docsPolicy;
        uint32_t age;
        bool image;
        bool reload;
    };
    const Case cases[] = {
        {"fresh page", "http://h/a", kKindHtml, 200, kMethodGet, false, 0, false, 2, 18000, false, false},
        {"page one second too old", "http://h/a", kKindHtml, 200, kMethodGet, false, 0, false, 2, 18001,
         false, true},
        {"always check", "http://h/a", kKindHtml, 200, kMethodGet, false, 0, false, 1, 0, false, true},
        {"never check", "http://h/a", kKindHtml, 200, kMethodGet, false, 0, false, 3, 999999, false, false},
        {"POST reused even with policy 1", "http://h/a", kKindHtml, 200, kMethodPost, true, 0, false, 1,
         999999, false, false},
        {"stored 404 is fetched again", "http://h/a", kKindHtml, 404, kMethodGet, false, 0, false, 3, 0,
         false, true},
        {"304 counts as good", "http://h/a", kKindHtml, 304, kMethodGet, false, 0, false, 3, 0, false, false},
        {"forced", "http://h/a", kKindHtml, 200, kMethodGet, true, 0, false, 3, 0, false, true},
        {"redirect is checked", "http://h/a", kKindHtml, 302, kMethodGet, false, 0, true, 3, 0, false, true},
        {"expired", "http://h/a", kKindHtml, 200, kMethodGet, false, 1, false, 3, 0, false, true},
        {"not yet expired", "http://h/a", kKindHtml, 200, kMethodGet, false, 0xFFFFFFF0u, false, 1, 0, false,
         false},
        {"image uses its own policy", "http://h/a.gif", kKindGif, 200, kMethodGet, false, 0, false, 1, 10,
         true, false},
        {"not http", "ftp://h/a", kKindHtml, 200, kMethodGet, false, 0, false, 1, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GetUrlSettings().docsModification = c.docsPolicy;
        UrlHandle h(c.name, true);
        UrlHandle target("http://h/b", true);
        h->SetContentKind(c.kind);
        h->SetLoadTime(loaded);
        if (HttpPart* http = h->MakeHttpPart()) {
            http->status = c.status;
            http->method = c.method;
            http->expires = c.expires;
            if (c.redirect) http->redirectTarget = std::make_unique<UrlHandle>(target);
        }
        h->SetForceReload(c.force);
        EXPECT_EQ(NeedsReload(*h.Record(), c.image, loaded + c.age), c.reload);
    }
    UrlHandle never("http://h/new", true);
    EXPECT_FALSE(NeedsReload(*never.Record(), false, loaded));
}

bool NoProxyForIntranet(const char* host) {
    return std::strcmp(host, "intranet") == 0;
}

TEST_F(UrlReloadPolicyTest, RequestTargets) {
    struct Case {
        const char* name;
        const char* proxy;
        bool ok;
        const char* host;
        int port;
        bool useProxy;
        const char* uri;
        const char* credentials;
    };
    const Case cases[] = {
        {"http://Example.COM/a/b?q=1", "", true, "example.com", 80, false, "/a/b?q=1", ""},
        {"http://h:8080", "", true, "h", 8080, false, "/", ""},
        {"https://h/x", "", true, "h", 443, false, "/x", ""},
        {"http://user:pw@h/x", "", true, "h", 80, false, "/x", "user:pw"},
        {"http://h:70000/x", "", false, "", 0, false, "", ""},
        {"http://user:pw@h", "proxy:3128", true, "proxy", 3128, true, "http://h/", "user:pw"},
        {"http://h/x", "proxy", true, "proxy", 80, true, "http://h/x", ""},
        {"http://intranet/x", "proxy:3128", true, "intranet", 80, false, "/x", ""},
        {"http://h/x", "proxy:99999", false, "", 0, false, "", ""},
    };
    GetUrlSettings().isNoProxyHost = NoProxyForIntranet;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GetUrlSettings().httpProxy = c.proxy;
        UrlHandle h(c.name, true);
        RequestTarget t;
        ASSERT_EQ(GetRequestTarget(*h.Record(), 4096, t), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(t.host, c.host);
        EXPECT_EQ(t.port, c.port);
        EXPECT_EQ(t.useProxy, c.useProxy);
        EXPECT_EQ(t.uri, c.uri);
        EXPECT_EQ(t.credentials, c.credentials);
    }
}

}  // namespace
