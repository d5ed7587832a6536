// HTTPS against the servers of our own in tests/support/servers, for what no
// server on the machine shows: SSL 2.0 (Debian's OpenSSL has none), and a
// TLS 1.0 server that sends a wrong Finished or a HelloRequest. They log
// what they saw, which the tests read.
#include "tests/security/HttpsFixture.h"
#include "core/MessageBoxes.h"
#include "tests/support/WindowTools.h"

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
        // Each case is a first contact: no session of an earlier one.
        ClearSslSessionCache();
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

// An SSL 2.0 server's REQUEST-CERTIFICATE is answered with the certificate
// the user chooses and the challenge signed with its key (the server checks
// the signature), or, on Cancel, with the ERROR no-certificate; the page
// follows either way.
TEST_F(Https, AnSsl2CertificateRequestSendsTheCertificateTheUserChooses) {
    struct Case {
        int button;
        const char* logged;
    } cases[] = {{IDOK, "client certificate type 1 Zintu Test Client signature good"},
                 {IDCANCEL, "certificate answer type 0"}};
    TrustTestAuthority();
    EnableSsl2();
    manager_->enableSsl3 = manager_->enableTls10 = 0;
    ASSERT_TRUE(security_test::AddClientCertificate(*manager_));
    for (const Case& k : cases) {
        SCOPED_TRACE(k.logged);
        ClearSslSessionCache();
        SetServerMode("SSL2", "request-certificate\n");
        testing_support::DialogDriver chooser("Select Client Certificate", [](HWND) {}, k.button);
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("SSL2"), "/page.html", false, false);
        Owner owner(*view_, c);
        std::string body = Load(c, owner);
        EXPECT_TRUE(chooser.Found());
        EXPECT_NE(body.find("<title>Secure test page</title>"), std::string::npos) << body;
        std::string log = OwnServerLog("SSL2");
        EXPECT_NE(log.find(k.logged), std::string::npos) << log;
    }
    EXPECT_TRUE(g_user.fatal.empty());
}

TEST_F(Https, AnSsl2SessionIsOfferedAgainAndResumed) {
    TrustTestAuthority();
    EnableSsl2();
    for (const char* kind : {"010080", "0700c0"}) {
        ClearSslSessionCache();
        SetServerMode("SSL2", std::string("kinds ") + kind + "\n");
        for (int load = 0; load < 2; ++load) {
            SCOPED_TRACE(std::string(kind) + " load " + std::to_string(load));
            HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("SSL2"), "/page.html", false, false);
            Owner owner(*view_, c);
            LevelWatch watch(*view_, c);
            std::string body = Load(c, owner);
            EXPECT_NE(body.find("<title>Secure test page</title>"), std::string::npos) << body;
            EXPECT_TRUE(c.SpeaksSsl2());
            EXPECT_EQ(c.Resumed(), load == 1);
            EXPECT_EQ(watch.level, 2u);
        }
        // The second hello offered the first session's id; the server took
        // it up and no master key was sent again.
        std::string log = OwnServerLog("SSL2");
        size_t resumed = log.find(std::string("session reused kind ") + kind);
        EXPECT_NE(resumed, std::string::npos) << log;
        EXPECT_EQ(log.find("master key", resumed), std::string::npos) << log;
        EXPECT_NE(log.find("request GET /page.html HTTP/1.0", resumed), std::string::npos) << log;
    }
    // The user was asked nothing on the second load: no certificate came.
    EXPECT_TRUE(g_user.questions.empty());
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
    // The server sends data of its own after its Finished: it is not the
    // client's to read, as the handshake never completed.
    SetServerMode("TLS10", "tamper finished\npush-reply 1\n");
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
    EXPECT_NE(log.find("reply pushed"), std::string::npos) << log;
}

// The question box of a warning from the server has Yes, No and Cancel: only
// Yes goes on. The box is the real one, answered on the screen.
TEST_F(Https, OnlyYesGoesOnAfterAWarningFromTheServer) {
    struct Case {
        int button;
        bool goesOn;
    } cases[] = {{IDYES, true}, {IDNO, false}, {IDCANCEL, false}};
    TrustTestAuthority();
    SetSslUserInterface(nullptr);
    bool madeBoxes = !g_messageBoxes;
    if (madeBoxes) {
        ASSERT_TRUE(CreateMessageBoxes());
    }
    for (const Case& k : cases) {
        SCOPED_TRACE(k.button);
        SetServerMode("TLS10", "warn 45\n");
        std::string text;
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLS10"), "/page.html", false, false);
        Owner owner(*view_, c);
        std::string body;
        {
            testing_support::DialogDriver box(
                "Secure Connection: Warning (45) from Server",
                [&](HWND dialog) {
                    text = testing_support::StaticTexts(dialog);
                    if (k.button == IDYES) testing_support::CheckWindowScreenshot(dialog, "ssl-warning-question");
                },
                k.button);
            body = Load(c, owner);
            EXPECT_TRUE(box.Found());
        }
        EXPECT_NE(text.find("The certificate has expired."), std::string::npos) << text;
        EXPECT_EQ(body.find("<title>Secure test page</title>") != std::string::npos, k.goesOn) << body;
        EXPECT_EQ(owner.FailCount(), k.goesOn ? 0 : 1);
    }
    if (madeBoxes) DestroyMessageBoxes();
}

// 40-bit RC4 with MD5: the certificate's key (2048 bits) may not carry the
// secret of an export suite, so the server signs a 512-bit key of its own.
TEST_F(Https, AnExportSuiteCarriesItsSecretUnderTheSignedTemporaryKey) {
    struct Case {
        const char* name;
        const char* mode;
        uint8_t suite;
        uint32_t shown;  // 0: the page arrives
        const char* logged;
    } cases[] = {
        {"signed key", "export 1\n", 0x03, 0, "client finished good"},
        {"no key exchange", "export 1\nkey-exchange none\n", 0x03, 40, "alert level 2 description 40"},
        {"signature changed", "export 1\nkey-exchange tampered\n", 0x03, 47, "alert level 2 description 47"},
        // Only the null compression method was offered. The hello went out
        // in SSL 2.0 format, but the server answered in SSL 3.0 records: the
        // alert goes in them.
        {"compression method 1", "compression 1\n", 0x02, 47, "alert level 2 description 47"},
    };
    TrustTestAuthority();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        g_user = User();
        CipherSuiteList& offered = manager_->preferences.activeSsl3Suites;
        offered.Resize(0);
        offered.Append(CipherSuiteItem(0, k.suite));
        ClearSslSessionCache();
        SetServerMode("TLS10", k.mode);
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLS10"), "/page.html", false, false);
        Owner owner(*view_, c);
        LevelWatch watch(*view_, c);
        std::string body = Load(c, owner);
        std::string log = WaitForLog("TLS10", k.logged);
        EXPECT_NE(log.find(k.logged), std::string::npos) << log;
        if (k.shown) {
            EXPECT_EQ(body, "");
            EXPECT_EQ(owner.Error(), 0x8256);
            EXPECT_EQ(g_user.fatal, std::vector<uint32_t>{k.shown});
            EXPECT_EQ(log.find("request GET"), std::string::npos) << log;
        } else {
            EXPECT_NE(body.find("<title>Secure test page</title>"), std::string::npos) << body;
            EXPECT_EQ(c.NegotiatedSuite(), 0x03);
            EXPECT_EQ(watch.level, 1u);
            EXPECT_TRUE(g_user.fatal.empty());
        }
    }
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
