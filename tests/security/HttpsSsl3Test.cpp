// HTTPS against "openssl s_server -ssl3", an openssl command built with
// SSL 3.0 and the old ciphers by the set-up: the page over RC4 with MD5 and
// over 3-DES with SHA-1, resumed on the second load, and the level of a
// connection whose server key is small; and a request for a client
// certificate (TLS 1.0 from Debian's command beside it).
#include "resources/SecurityIds.h"
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

// With a personal certificate in the store whose chain reaches a stored
// root, the server's request opens the certificate dialog: OK sends the
// certificate with its chain and signs the handshake with its key, which
// the server verifies against the client authority; Cancel sends none.
TEST_F(Https, ACertificateRequestSendsTheCertificateTheUserChooses) {
    struct Case {
        const char* server;
        uint8_t suite;
        int button;
    } cases[] = {{"SSL3REQUEST", 0x04, IDOK}, {"TLSREQUEST", 0x02, IDOK}, {"TLSREQUEST", 0x02, IDCANCEL}};
    TrustTestAuthority();
    ASSERT_TRUE(security_test::AddClientCertificate(*manager_));
    bool shot = false;
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.server) + (k.button == IDOK ? " OK" : " Cancel"));
        // A fresh handshake each time: a resumed one is asked nothing.
        ClearSslSessionCache();
        OfferOnly(*manager_, k.suite);
        std::string listed;
        testing_support::DialogDriver chooser(
            "Select Client Certificate",
            [&](HWND d) {
                char name[100] = "";
                SendDlgItemMessageA(d, IDC_CERT_LIST, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(name));
                listed = name;
                if (!shot) testing_support::CheckWindowScreenshot(d, "select-client-certificate");
                shot = true;
            },
            k.button);
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port(k.server), "/", false, false);
        Owner owner(*view_, c);
        std::string body = Load(c, owner);
        EXPECT_TRUE(chooser.Found());
        EXPECT_EQ(listed, "Zintu Test Client");
        EXPECT_EQ(owner.FailCount(), 0);
        std::string log = ServerLog(k.server);
        if (k.button == IDOK) {
            EXPECT_NE(body.find("Subject: O=Zintu Test, CN=Zintu Test Client"), std::string::npos) << body;
            size_t client = log.find("depth=0 O = Zintu Test, CN = Zintu Test Client");
            EXPECT_NE(client, std::string::npos) << log;
            EXPECT_EQ(log.find("verify return:1", client), log.find("verify return", client)) << log;
            EXPECT_EQ(log.find("verify error"), std::string::npos) << log;
        } else {
            EXPECT_NE(body.find("no client certificate available"), std::string::npos) << body;
        }
    }
    EXPECT_TRUE(g_user.fatal.empty());
}

}  // namespace
