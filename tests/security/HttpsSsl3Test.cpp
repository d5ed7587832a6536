// HTTPS against "openssl s_server -ssl3", an openssl command built with
// SSL 3.0 and the old ciphers by the set-up: the page over RC4 with MD5 and
// over 3-DES with SHA-1, resumed on the second load, and the level of a
// connection whose server key is small; and a request for a client
// certificate (TLS 1.0 from Debian's command beside it).
#include "tests/security/HttpsFixture.h"

using namespace https_test;

namespace {

void OfferOnly(SecurityManager& manager, uint8_t suite) {
    CipherSuiteList& offered = manager.preferences.activeSsl3Suites;
    offered.Resize(0);
    offered.Append(CipherSuiteItem(0, suite));
}

TEST_F(Https, Ssl3ServersCarryThePageOverRc4And3DesAndResume) {
    struct Case {
        uint8_t suite;
        const char* named;  // as the server's message trace names the cipher
    } cases[] = {{0x04, "RC4-MD5"}, {0x0A, "DES-CBC3-SHA"}};
    TrustTestAuthority();
    for (const Case& k : cases) {
        OfferOnly(*manager_, k.suite);
        ClearSslSessionCache();
        for (int load = 0; load < 2; ++load) {
            SCOPED_TRACE(std::string(k.named) + " load " + std::to_string(load));
            HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("SSL3"), "/page.html", false, false);
            Owner owner(*view_, c);
            LevelWatch watch(*view_, c);
            std::string body = Load(c, owner);
            EXPECT_NE(body.find("<title>Secure test page</title>"), std::string::npos) << ServerLog("SSL3");
            EXPECT_EQ(owner.FailCount(), 0);
            EXPECT_EQ(watch.level, 3u);
            EXPECT_EQ(c.Resumed(), load == 1);
            // The first contact announced TLS in an SSL 2.0-format hello;
            // the server could only answer in SSL 3.0.
            EXPECT_EQ(c.NegotiatedVersion(), ProtocolVersionItem(3, 0));
            EXPECT_EQ(c.NegotiatedSuite(), k.suite);
        }
    }
    EXPECT_NE(ServerLog("SSL3").find("SSL 3.0"), std::string::npos);
    EXPECT_TRUE(g_user.questions.empty());
    EXPECT_TRUE(g_user.fatal.empty());
}

TEST_F(Https, ASmallServerKeyLowersTheLevel) {
    struct Case {
        const char* server;
        uint32_t level;  // RC4 with MD5 is level 3 with a large key
    } cases[] = {{"SSL3KEY768", 2}, {"SSL3KEY512", 1}};
    TrustTestAuthority();
    OfferOnly(*manager_, 0x04);
    for (const Case& k : cases) {
        for (int load = 0; load < 2; ++load) {
            SCOPED_TRACE(std::string(k.server) + " load " + std::to_string(load));
            HttpsConnection c(view_.get(), 0, "127.0.0.1", Port(k.server), "/page.html", false, false);
            Owner owner(*view_, c);
            LevelWatch watch(*view_, c);
            std::string body = Load(c, owner);
            EXPECT_NE(body.find("Secure test page"), std::string::npos) << ServerLog(k.server);
            // A resumed session keeps the level its key gave it.
            EXPECT_EQ(c.Resumed(), load == 1);
            EXPECT_EQ(watch.level, k.level);
        }
    }
    EXPECT_TRUE(g_user.fatal.empty());
}

// A server that asks for a client certificate ("s_server -verify 1" shows
// on its status page what it got): with no certificate to send, the client
// says so with a warning no_certificate under SSL 3.0 and an empty
// Certificate message under TLS 1.0, and the handshake goes on.
TEST_F(Https, ACertificateRequestIsAnsweredWithNone) {
    struct Case {
        const char* server;
        uint8_t suite;
        const char* named;
    } cases[] = {{"SSL3REQUEST", 0x04, "New, SSLv3, Cipher is RC4-MD5"},
                 {"TLSREQUEST", 0x02, "New, SSLv3, Cipher is NULL-SHA"}};
    TrustTestAuthority();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.server);
        OfferOnly(*manager_, k.suite);
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port(k.server), "/", false, false);
        Owner owner(*view_, c);
        std::string body = Load(c, owner);
        EXPECT_NE(body.find(k.named), std::string::npos) << body << ServerLog(k.server);
        EXPECT_NE(body.find("no client certificate available"), std::string::npos) << body;
        EXPECT_EQ(owner.FailCount(), 0);
    }
    EXPECT_TRUE(g_user.fatal.empty());
}

}  // namespace
