// The RC4 and 3-DES suites that Debian's OpenSSL has dropped, against
// "gnutls-serv --http", whose page names the suite it ran.
#include "tests/security/HttpsFixture.h"

using namespace https_test;

namespace {

TEST_F(Https, Rc4And3DesSuitesCarryTheExchangeAtLevelThree) {
    struct Case {
        uint16_t suite;
        const char* named;  // as the server's page names it
    } cases[] = {
        {0x04, "<TD>RSA_ARCFOUR_128_MD5</TD>"},
        {0x05, "<TD>RSA_ARCFOUR_128_SHA1</TD>"},
        {0x0A, "<TD>RSA_3DES_EDE_CBC_SHA1</TD>"},
    };
    TrustTestAuthority();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.named);
        CipherSuiteList& offered = manager_->preferences.activeSsl3Suites;
        offered.Resize(0);
        offered.Append(CipherSuiteItem(0, static_cast<uint8_t>(k.suite)));
        ClearSslSessionCache();
        HttpsConnection c(view_.get(), 0, "127.0.0.1", Port("GNUTLS"), "/", false, false);
        Owner owner(*view_, c);
        LevelWatch watch(*view_, c);
        std::string body = Load(c, owner);
        EXPECT_NE(body.find("<TD>TLS1.0</TD>"), std::string::npos) << body;
        EXPECT_NE(body.find(k.named), std::string::npos) << body;
        EXPECT_EQ(watch.level, 3u);
    }
    EXPECT_TRUE(g_user.fatal.empty());
}

}  // namespace
