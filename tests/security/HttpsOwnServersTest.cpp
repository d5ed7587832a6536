// HTTPS against the servers of our own in tests/support/servers, for what no
// server on the machine shows: SSL 2.0 (Debian's OpenSSL has none), and a
// TLS 1.0 server that sends a wrong Finished or a HelloRequest. They log
// what they saw, which the tests read.
#include "tests/security/HttpsFixture.h"

using namespace https_test;

namespace {

TEST_F(Https, Ssl2ServersServeThePageAtLevelTwo) {
    struct Case {
        const char* name;
        const char* kind;
        bool ssl3;
        const char* hello;
        const char* masterKey;
    } cases[] = {
        {"RC4, TLS on", "010080", true, "hello version 0301 kinds 010080 0700c0 00000a 000002 000001",
         "master key kind 010080 length 16 key-arg 0 rollback yes"},
        {"3-DES, TLS on", "0700c0", true, "hello version 0301 kinds 010080 0700c0 00000a",
         "master key kind 0700c0 length 24 key-arg 8 rollback yes"},
        {"RC4, SSL 2.0 only", "010080", false, "hello version 0002 kinds 010080 0700c0 challenge 16",
         "master key kind 010080 length 16 key-arg 0 rollback no"},
    };
    TrustTestAuthority();
    EnableSsl2();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        manager_->enableSsl3 = manager_->enableTls10 = k.ssl3 ? 1 : 0;
        SetServerMode("SSL2", std::string("kinds ") + k.kind + "\n");
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("SSL2"), "/page.html", false, false);
        Owner owner(*view_, c);
        LevelWatch watch(*view_, c);
        std::string body = Load(c, owner);
        EXPECT_NE(body.find("<title>Secure test page</title>"), std::string::npos) << body;
        EXPECT_EQ(owner.FailCount(), 0);
        EXPECT_TRUE(c.SpeaksSsl2());
        EXPECT_EQ(watch.level, 2u);
        std::string log = OwnServerLog("SSL2");
        EXPECT_NE(log.find(k.hello), std::string::npos) << log;
        EXPECT_NE(log.find(k.masterKey), std::string::npos) << log;
        EXPECT_NE(log.find("request GET /page.html HTTP/1.0"), std::string::npos) << log;
    }
    EXPECT_TRUE(g_user.fatal.empty());
}

TEST_F(Https, AnSsl2HandshakeThatGoesWrongEndsTheConnection) {
    struct Case {
        const char* name;
        const char* mode;
        bool ssl2;
        uint32_t shown;
        const char* logged;
        const char* notLogged;
    } cases[] = {
        // With SSL 2.0 off, an SSL 2.0-only server gets no further answer.
        {"SSL 2.0 off", "kinds 010080\nown-kinds\n", false, 552, "client closed", "master key"},
        {"SERVER-VERIFY changed", "tamper verify\n", true, 40, "client closed", "request GET"},
        {"no common kind", "kinds 0700c0\n", true, 296, "no common cipher", "master key"},
    };
    TrustTestAuthority();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        g_user = User();
        EnableSsl2();
        if (!k.ssl2) manager_->enableSsl2 = 0;
        if (k.shown == 296) manager_->preferences.activeSsl2Kinds.Resize(1);
        SetServerMode("SSL2", k.mode);
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("SSL2"), "/page.html", false, false);
        Owner owner(*view_, c);
        EXPECT_EQ(Load(c, owner), "");
        EXPECT_EQ(owner.FailCount(), 1);
        EXPECT_EQ(owner.Error(), 0x8256);
        EXPECT_EQ(g_user.fatal, std::vector<uint32_t>{k.shown});
        std::string log = WaitForLog("SSL2", k.logged);
        EXPECT_NE(log.find(k.logged), std::string::npos) << log;
        EXPECT_EQ(log.find(k.notLogged), std::string::npos) << log;
    }
}

TEST_F(Https, AServerThatDropsTheTlsHelloIsAskedAgainWithoutTls) {
    TrustTestAuthority();
    EnableSsl2();
    SetServerMode("SSL2", "drop-above 0300\n");
    HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("SSL2"), "/page.html", false, false);
    Owner owner(*view_, c);
    std::string body = Load(c, owner);
    EXPECT_NE(body.find("Secure test page"), std::string::npos) << body;
    EXPECT_EQ(owner.FailCount(), 0);
    EXPECT_EQ(c.OfferedVersion(), ProtocolVersionItem(3, 0));
    std::string log = OwnServerLog("SSL2");
    size_t dropped = log.find("dropped hello 0301");
    EXPECT_NE(dropped, std::string::npos) << log;
    EXPECT_NE(log.find("hello version 0300", dropped), std::string::npos) << log;
    EXPECT_TRUE(g_user.fatal.empty());
}

TEST_F(Https, AWrongServerFinishedEndsTheConnectionWithHandshakeFailure) {
    TrustTestAuthority();
    SetServerMode("TLS10", "tamper finished\n");
    HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLS10"), "/page.html", false, false);
    Owner owner(*view_, c);
    EXPECT_EQ(Load(c, owner), "");
    EXPECT_EQ(owner.Error(), 0x8256);
    EXPECT_EQ(g_user.fatal, std::vector<uint32_t>{40});
    // The server saw the client's Finished as good, then the alert.
    std::string log = WaitForLog("TLS10", "alert level 2 description 40");
    EXPECT_NE(log.find("client finished good"), std::string::npos) << log;
    EXPECT_NE(log.find("alert level 2 description 40"), std::string::npos) << log;
    EXPECT_EQ(log.find("request GET"), std::string::npos) << log;
}

TEST_F(Https, AHelloRequestStartsANewHandshakeAndThePageFollows) {
    TrustTestAuthority();
    SetServerMode("TLS10", "renegotiate\n");
    HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLS10"), "/page.html", false, false);
    Owner owner(*view_, c);
    LevelWatch watch(*view_, c);
    std::string body = Load(c, owner);
    EXPECT_NE(body.find("<title>Secure test page</title>"), std::string::npos) << body;
    EXPECT_EQ(watch.level, 1u);
    std::string log = OwnServerLog("TLS10");
    // The first hello in SSL 2.0 format, the second (under the first keys)
    // in SSL 3.0 format with the session of the first.
    size_t first = log.find("hello in SSL 2.0 format version 0301");
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find("hello version 0301 session id 32", first), std::string::npos) << log;
    EXPECT_NE(log.find("renegotiated"), std::string::npos) << log;
    EXPECT_TRUE(g_user.fatal.empty());
}

}  // namespace
