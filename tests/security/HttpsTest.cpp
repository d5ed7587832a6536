// HTTPS against real servers on 127.0.0.1: "openssl s_server" speaking
// TLS 1.0 with a certificate of the test authority (or one for another
// name), and tinyproxy for the CONNECT tunnel.
#include "tests/security/HttpsFixture.h"
#include "core/MessageBoxes.h"

using namespace https_test;

namespace {

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

// "s_server -www" answers every request with its own status page, which says
// whether the session was new or reused and counts the hits of its cache.
TEST_F(Https, TheServerCountsTheSecondLoadAsAReuse) {
    TrustTestAuthority();
    // (The page names the suite's own version, which is SSLv3 for NULL-SHA.)
    const char* said[] = {"New, SSLv3, Cipher is NULL-SHA", "Reused, SSLv3, Cipher is NULL-SHA"};
    std::string body;
    for (int load = 0; load < 2; ++load) {
        SCOPED_TRACE(load);
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("TLSSTATUS"), "/", false, false);
        Owner owner(*view_, c);
        body = Load(c, owner);
        EXPECT_NE(body.find(said[load]), std::string::npos) << body;
        EXPECT_EQ(c.Resumed(), load == 1);
    }
    EXPECT_NE(body.find("   1 session cache hits"), std::string::npos) << body;
}

// Two connections to a server met for the first time, opened at once: the
// second waits while the first negotiates the session, then resumes it
// (the server answers one connection at a time, so without the wait the
// second would make a session of its own).
TEST_F(Https, ASecondConnectionWaitsForTheFirstsSessionAndResumesIt) {
    TrustTestAuthority();
    HttpsConnection first(view_.get(), 0, "127.0.0.1", Port("TLSSTATUS"), "/", false, false);
    HttpsConnection second(view_.get(), 0, "127.0.0.1", Port("TLSSTATUS"), "/", false, false);
    Owner firstOwner(*view_, first), secondOwner(*view_, second);
    ASSERT_EQ(first.Connect(), 0);
    ASSERT_EQ(second.Connect(), 0);
    EXPECT_TRUE(RunUntilEnded(firstOwner, 20));
    EXPECT_TRUE(RunUntilEnded(secondOwner, 20));
    EXPECT_NE(firstOwner.Body().find("New, SSLv3"), std::string::npos) << firstOwner.Body();
    EXPECT_NE(secondOwner.Body().find("Reused, SSLv3"), std::string::npos) << secondOwner.Body();
    EXPECT_FALSE(first.Resumed());
    EXPECT_TRUE(second.Resumed());
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
    std::string log = testing_support::ServerFileFromEnv("TINYPROXY", "tinyproxy.log");
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
