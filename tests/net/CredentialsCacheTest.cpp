// The credentials cache and the hints that let a request below a protected
// path send credentials before it is asked.
#include <gtest/gtest.h>
#include <string>

#include "net/Authorization.h"
#include "net/CookieTree.h"
#include "net/CredentialsCache.h"

namespace {

std::string Found(const CredentialsCache& cache, uint8_t kind, const char* host, uint16_t port,
                  const char* realm, const char* path) {
    const std::string* realmOut = nullptr;
    const std::string* c = cache.Find(kind, host, port, realm, path, &realmOut);
    if (!c) return realmOut ? "(realm without credentials)" : "(none)";
    return *c + (realmOut ? "@" + *realmOut : std::string("@-"));
}

TEST(CredentialsCache, FindsByKindHostPortRealmAndPath) {
    CredentialsCache cache;
    cache.Add("zone", "Zm9vOmJhcg==", kCredentialServer, "h.test", 80, "/private/");
    cache.Add("proxy", "cHg6cHc=", kCredentialProxy, "proxy.test", 3128, nullptr);
    cache.Add("user", "secret", 12, "news.test", 119, nullptr);
    struct Case {
        uint8_t kind;
        const char* host;
        uint16_t port;
        const char* realm;
        const char* path;
        const char* expected;
    } cases[] = {
        {kCredentialServer, "h.test", 80, "zone", "/private/a/b", "Zm9vOmJhcg==@zone"},
        {kCredentialServer, "h.test", 80, nullptr, "/private/", "Zm9vOmJhcg==@zone"},
        {kCredentialServer, "h.test", 80, "zone", "/priv", "(none)"},  // shorter than the prefix
        {kCredentialServer, "h.test", 80, "other", "/private/a", "(none)"},
        {kCredentialServer, "H.test", 80, "zone", "/private/a", "(none)"},  // hosts are exact
        {kCredentialServer, "h.test", 81, "zone", "/private/a", "(none)"},
        {kCredentialProxy, "proxy.test", 3128, nullptr, nullptr, "cHg6cHc=@proxy"},
        {kCredentialProxy, "proxy.test", 3128, "proxy", "/ignored", "cHg6cHc=@proxy"},
        {12, "news.test", 119, nullptr, nullptr, "dXNlcjpzZWNyZXQ=@user"},
        {12, "news.test", 119, nullptr, "/x", "(none)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Found(cache, c.kind, c.host, c.port, c.realm, c.path), c.expected)
            << int(c.kind) << " " << c.host << " " << (c.path ? c.path : "-");
}

TEST(CredentialsCache, AddReplacesAndRemoveIsExact) {
    CredentialsCache cache;
    cache.Add("zone", "old", kCredentialServer, "h.test", 80, nullptr);
    cache.Add("zone", "new", kCredentialServer, "h.test", 80, nullptr);
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_EQ(Found(cache, kCredentialServer, "h.test", 80, "zone", "/"), "new@zone");
    cache.Add("zone", "pathed", kCredentialServer, "h.test", 80, "/p");
    EXPECT_EQ(cache.Count(), 2u);
    cache.Remove(kCredentialServer, "h.test", 80, "/other");
    EXPECT_EQ(cache.Count(), 2u);
    cache.Remove(kCredentialServer, "h.test", 80, nullptr);
    EXPECT_EQ(Found(cache, kCredentialServer, "h.test", 80, "zone", "/p/x"), "pathed@zone");
    cache.Add(nullptr, "x", kCredentialServer, "h.test", 80, "/p");  // no realm: only removes
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_EQ(EncodeUserPassword("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

TEST(PreAuthentication, SiblingsOfAProtectedPathSendCredentials) {
    CredentialsCache cache;
    CookieDomainNode hints;
    RequestOrigin asked;
    ASSERT_TRUE(OriginOfUrl("http://user@www.h.test:8080/private/a.html?x=/y", asked));
    EXPECT_EQ(asked.host, "www.h.test");
    EXPECT_EQ(asked.port, 8080);
    EXPECT_EQ(asked.path, "/private/a.html");
    RememberServerCredentials(cache, hints, asked, "zone", "Y3JlZA==", true);

    const struct {
        const char* url;
        const char* expected;
    } cases[] = {
        {"http://www.h.test:8080/private/b.html", "Y3JlZA=="},
        {"http://www.h.test:8080/private/sub/c.html", "Y3JlZA=="},
        {"http://www.h.test:8080/public/b.html", ""},
        {"http://www.h.test/private/b.html", ""},  // another port
        {"http://h.test:8080/private/b.html", ""},
    };
    for (const auto& c : cases) {
        RequestOrigin o;
        ASSERT_TRUE(OriginOfUrl(c.url, o));
        EXPECT_EQ(PreAuthenticationFor(cache, hints, o), c.expected) << c.url;
    }

    // Without pre-authentication only the cache learns them.
    CredentialsCache quiet;
    CookieDomainNode none;
    RememberServerCredentials(quiet, none, asked, "zone", "Y3JlZA==", false);
    RequestOrigin sibling;
    ASSERT_TRUE(OriginOfUrl("http://www.h.test:8080/private/b.html", sibling));
    EXPECT_EQ(PreAuthenticationFor(quiet, none, sibling), "");
    EXPECT_EQ(quiet.Count(), 1u);
    EXPECT_FALSE(OriginOfUrl("ftp://h.test/", sibling));
}

}  // namespace
