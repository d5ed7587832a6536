// Secure news: the news client over TLS 1.0 to a real news server (INN)
// behind a TLS front made with the same OpenSSL as the other peers.
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "security/SecureNewsConnection.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "tests/net/NetFixture.h"
#include "tests/security/SecurityTestData.h"
#include "tests/support/LocalServer.h"
#include "tests/support/SecureTestSession.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace net_test;

namespace {

struct Groups : NntpReceiver {
    void OnGroupListLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

class SecureNews : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        ASSERT_TRUE(session_.Start(dir_.Path(), {0x02}, true));
    }
    void TearDown() override {
        session_.Stop();
        NetTest::TearDown();
    }
    testing_support::ScratchDir dir_;
    testing_support::SecureTestSession session_;
};

TEST_F(SecureNews, ASecureServerListsItsGroups) {
    NntpConnection* made =
        CreateSecureNewsConnection(view_.get(), "127.0.0.1", testing_support::ServerPortFromEnv("TLSFRONT"), false);
    ASSERT_NE(made, nullptr);
    std::unique_ptr<NntpConnection> c(made);
    Owner owner(*view_, *c);
    Groups groups;
    c->SetGroupListRequest(&groups);
    ASSERT_EQ(c->StartRequest(), 0);
    bool done = false;
    testing_support::PumpUntil(
        [&] {
            for (const Report& r : g_reportLog)
                if (r.id == c->Id() && (r.message == kMsgNewsDone || r.message == kMsgNewsFailed ||
                                        r.message == kMsgConnectionFailed))
                    done = true;
            return done || owner.Ended();
        },
        std::chrono::seconds(20));
    bool listed = std::any_of(groups.lines.begin(), groups.lines.end(),
                              [](const std::string& g) { return g.rfind("zintu.test ", 0) == 0; });
    EXPECT_TRUE(listed) << groups.lines.size();
    EXPECT_EQ(static_cast<SslConnection*>(static_cast<SecureNewsConnection*>(c.get()))->State(), uint32_t{kSslOpen});
}

}  // namespace
