// HTTPS against real servers on 127.0.0.1: "openssl s_server" speaking
// TLS 1.0 with a certificate of the test authority (or one for another
// name), tinyproxy for the CONNECT tunnel, and the SSL 2.0 and TLS 1.0
// servers of the test tree (tests/support/servers), which log what they saw:
// the TLS one for what no real server does (a wrong Finished, a HelloRequest). The user's answers to the
// certificate questions and the error boxes are recorded, not shown.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/MessageBoxes.h"
#include "security/HttpsConnection.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "tests/net/NetFixture.h"
#include "tests/security/SecurityTestData.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"

using namespace net_test;

namespace {

// What the user was asked and shown, and how the user answers.
struct User {
    std::vector<int> questions;
    std::vector<uint32_t> fatal;
    bool answer = false;
};
User g_user;

const SslUserInterface kRecordingUser = {
    [](uint32_t code, bool) { g_user.fatal.push_back(code); },
    [](uint32_t code, bool) {
        g_user.fatal.push_back(code);
        return false;
    },
    [](int mode, const Certificate&, const char*) {
        g_user.questions.push_back(mode);
        return g_user.answer;
    },
};

uint16_t Port(const char* kind) {
    return testing_support::ServerPortFromEnv(kind);
}

std::string ServerFile(const char* kind, const char* name) {
    const char* dir = std::getenv((std::string("ZINTU_") + kind + "_DIR").c_str());
    return dir ? testing_support::ReadWholeFile(std::string("Z:") + dir + "/" + name) : std::string();
}

std::string ServerLog(const char* kind) {
    return ServerFile(kind, "server.out");
}

// The behaviour of one of our own servers for the next connections, and
// its log.
void SetServerMode(const char* kind, const std::string& mode) {
    const char* dir = std::getenv((std::string("ZINTU_") + kind + "_DIR").c_str());
    ASSERT_NE(dir, nullptr);
    testing_support::WriteWholeFile(std::string("Z:") + dir + "/mode", mode);
    testing_support::WriteWholeFile(std::string("Z:") + dir + "/server.log", "");
}

std::string OwnServerLog(const char* kind) {
    return ServerFile(kind, "server.log");
}

// The log once it holds the text (the server may still be writing).
std::string WaitForLog(const char* kind, const char* text) {
    std::string log = OwnServerLog(kind);
    for (int i = 0; i < 100 && log.find(text) == std::string::npos; ++i) {
        Sleep(20);
        log = OwnServerLog(kind);
    }
    return log;
}

class Https : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        SetSecurityProfileDirectory(dir_.Path());
        ASSERT_EQ(StartSecurityLibrary(), 1);
        manager_ = SecurityManager::Acquire();
        ASSERT_NE(manager_, nullptr);
        // The suites the peer runs: authentication only, as Debian's
        // OpenSSL has dropped the old ciphers.
        CipherSuiteList& offered = manager_->preferences.activeSsl3Suites;
        offered.Resize(0);
        offered.Append(CipherSuiteItem(0, 0x0A));
        offered.Append(CipherSuiteItem(0, 0x02));
        offered.Append(CipherSuiteItem(0, 0x01));
        ClearSslSessionCache();
        ClearAcceptedCertificates();
        g_user = User();
        SetSslUserInterface(&kRecordingUser);
    }
    void TearDown() override {
        SetSslUserInterface(nullptr);
        ClearSslSessionCache();
        ClearAcceptedCertificates();
        if (manager_) manager_->Release();
        SetSecurityProfileDirectory("");
        NetTest::TearDown();
    }
    void TrustTestAuthority() {
        auto* entry = new StoredCertificate();
        std::vector<uint8_t> der = security_test::DataFile("https/ca.der");
        entry->certificate.SetBytes(der.data(), static_cast<uint32_t>(der.size()));
        entry->allowConnections = 1;
        entry->AppendTo(manager_->authorities);
    }
    // Loads the address and answers the owner's record of it.
    std::string Load(HttpsConnection& c, Owner& owner) {
        EXPECT_EQ(c.Connect(), 0);
        EXPECT_TRUE(RunUntilEnded(owner, 20)) << "state " << c.State() << " error " << c.Error().code << "\n"
                                              << ServerLog("TLS") << OwnServerLog("SSL2");
        return owner.Body();
    }
    // SSL 2.0 on with both of the server's kinds, RC4 first.
    void EnableSsl2() {
        manager_->enableSsl2 = 1;
        Ssl2CipherKindList& kinds = manager_->preferences.activeSsl2Kinds;
        kinds.Resize(0);
        kinds.Append(Ssl2CipherKindItem(0x01, 0x00, 0x80));
        kinds.Append(Ssl2CipherKindItem(0x07, 0x00, 0xC0));
    }
    // The level the connection reported to its owner, 0 before any.
    struct LevelWatch : MessageCallback {
        LevelWatch(MessageHandler& handler, Connection& c) : handler(handler) {
            handler.Register(this, kMsgSecurityLevel, c.Id());
        }
        ~LevelWatch() override { handler.UnregisterAll(this); }
        void OnMessage(uint32_t, uint32_t, uint32_t p2) override { level = p2; }
        MessageHandler& handler;
        uint32_t level = 0;
    };

    testing_support::ScratchDir dir_;
    SecurityManager* manager_ = nullptr;
};

TEST_F(Https, APageArrivesOverTlsAndTheSecondLoadResumes) {
    TrustTestAuthority();
    for (int load = 0; load < 2; ++load) {
        SCOPED_TRACE(load);
        g_reportLog.clear();
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLS"), "/page.html", false, false);
        Owner owner(*view_, c);
        LevelWatch watch(*view_, c);
        std::string body = Load(c, owner);
        EXPECT_NE(body.find("<title>Secure test page</title>"), std::string::npos) << body;
        EXPECT_EQ(c.ReplyHeaders().statusCode, 200);
        EXPECT_EQ(owner.FailCount(), 0);
        // The NULL suites only authenticate: the weak level.
        EXPECT_EQ(watch.level, 1u);
        EXPECT_EQ(c.Resumed(), load == 1);
    }
    EXPECT_TRUE(g_user.questions.empty());
    EXPECT_TRUE(g_user.fatal.empty());
}

TEST_F(Https, AnUnknownAuthorityIsAskedAboutAndNoEndsTheConnection) {
    HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLS"), "/page.html", false, false);
    Owner owner(*view_, c);
    std::string body = Load(c, owner);
    EXPECT_EQ(body, "");
    EXPECT_EQ(owner.FailCount(), 1);
    EXPECT_EQ(owner.Error(), 0x8256);
    EXPECT_EQ(g_user.questions, std::vector<int>{7});
    // The refusal reached the server as a fatal unknown_ca alert.
    EXPECT_NE(ServerLog("TLS").find("alert unknown ca"), std::string::npos) << ServerLog("TLS");
}

TEST_F(Https, AcceptingAnAuthorityStillChecksTheName) {
    g_user.answer = true;  // yes to the authority, yes to the name
    HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLSOTHER"), "/page.html", false, false);
    Owner owner(*view_, c);
    std::string body = Load(c, owner);
    EXPECT_EQ(g_user.questions, (std::vector<int>{7, 5}));
    EXPECT_NE(body.find("Secure test page"), std::string::npos);

    // The acceptance holds for that certificate and host only.
    g_user = User();
    HttpsConnection again(view_.get(), 0, "127.0.0.1", Port("TLSOTHER"), "/page.html", false, false);
    Owner second(*view_, again);
    Load(again, second);
    EXPECT_TRUE(g_user.questions.empty());
}

TEST_F(Https, AWrongCertificateNameIsRefusedWhenTheUserSaysNo) {
    TrustTestAuthority();
    HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLSOTHER"), "/page.html", false, false);
    Owner owner(*view_, c);
    EXPECT_EQ(Load(c, owner), "");
    EXPECT_EQ(g_user.questions, std::vector<int>{5});
    EXPECT_EQ(owner.FailCount(), 1);
}

TEST_F(Https, TheTunnelComesFirstAndTheNameIsTheUrls) {
    TrustTestAuthority();
    std::string url = "https://127.0.0.1:" + std::to_string(Port("TLS")) + "/page.html";
    HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TINYPROXY"), url.c_str(), true, false);
    EXPECT_EQ(c.CertificateHost(), "127.0.0.1");
    Owner owner(*view_, c);
    std::string body = Load(c, owner);
    EXPECT_NE(body.find("Secure test page"), std::string::npos) << body;
    const char* dir = std::getenv("ZINTU_TINYPROXY_DIR");
    std::string log = dir ? testing_support::ReadWholeFile(std::string("Z:") + dir + "/tinyproxy.log") : "";
    EXPECT_NE(log.find("CONNECT"), std::string::npos) << log;
}

// A box of the program, recorded instead of shown.
std::vector<std::string> g_boxes;
int RecordBox(HWND, const char* text, const char* caption, UINT) {
    g_boxes.push_back(std::string(caption) + " | " + text);
    return IDOK;
}

TEST_F(Https, AFatalAlertFromTheServerIsShownWithItsText) {
    TrustTestAuthority();
    // Only a suite the server does not run: it refuses the hello.
    CipherSuiteList& offered = manager_->preferences.activeSsl3Suites;
    offered.Resize(0);
    offered.Append(CipherSuiteItem(0, 0x0A));
    SetSslUserInterface(nullptr);
    bool madeBoxes = !g_messageBoxes;
    if (madeBoxes) {
        ASSERT_TRUE(CreateMessageBoxes());
    }
    g_boxes.clear();
    SetTimedMessageBox(RecordBox);
    HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLS"), "/page.html", false, false);
    Owner owner(*view_, c);
    EXPECT_EQ(Load(c, owner), "");
    SetTimedMessageBox(nullptr);
    if (madeBoxes) DestroyMessageBoxes();
    EXPECT_EQ(owner.Error(), 0x8256);
    EXPECT_EQ(g_boxes, std::vector<std::string>{
                           "Secure Connection: Fatal Error (40) from Server | Failed to connect to server."});
    EXPECT_EQ(c.State(), uint32_t{kSslClosedDuringHandshake});
}

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

TEST(CertificateHosts, TheNameRunsFromThePrefixToAColonOrSlash) {
    EXPECT_EQ(CertificateHostOfUrl("https://www.example.com:8443/x"), "www.example.com");
    EXPECT_EQ(CertificateHostOfUrl("http://host/path"), "host");
    EXPECT_EQ(CertificateHostOfUrl("https://bare"), "bare");
    EXPECT_EQ(CertificateHostOfUrl("ftp://host/"), "");
}

TEST(SslTables, RowsAreFoundInOrderWithTheDefaultLast) {
    const SslTableRow& hello = LookUpSslRow(SslHandshakeTable(), kSslHelloSent, 2);
    EXPECT_EQ(hello.action, 8u);
    EXPECT_EQ(LookUpSslRow(SslRecordTable(), kSslServerHelloReceived, 23).next, 10u);
    EXPECT_EQ(LookUpSslRow(SslRecordTable(), kSslClientFinishedSent, 20).next, 7u);
    EXPECT_EQ(LookUpSslRow(SslRecordTable(), kSslResumeAccepted, 20).next, 8u);
    EXPECT_EQ(LookUpSslRow(SslHandshakeTable(), kSslOpen, 0).action, 7u);
    EXPECT_EQ(LookUpSslRow(SslHandshakeTable(), kSslServerCipherChanged, 0).action, 0u);
    EXPECT_EQ(LookUpSslRow(SslAlertTable(), kSslServerHelloReceived, 41).next, 4u);
    EXPECT_EQ(LookUpSslRow(SslAlertTable(), kSslOpen, 41).next, 10u);
    EXPECT_EQ(LookUpSslError(12345).stringId, 21273u);
    // The name-check rows are reached: they stand before the default.
    EXPECT_EQ(LookUpSslError(16639).stringId, 21338u);
    EXPECT_EQ(LookUpSslError(583).stringId, 21340u);
}

}  // namespace
