// The news client against a real news server on 127.0.0.1 (INN with a
// private configuration and spool), and a scripted server for what INN
// will not do on cue (ask for a login in the middle, refuse posting).
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "net/NetErrors.h"
#include "net/NntpConnection.h"
#include "tests/net/NetFixture.h"
#include "tests/support/LocalServer.h"
#include "tests/support/WindowTools.h"

using namespace net_test;
using testing_support::ScriptedServer;
using testing_support::ScriptStep;

namespace {

// Keeps whatever a request hands on.
struct Recorder : NntpReceiver {
    void OnGroupListLine(const std::string& line) override { groups.push_back(line); }
    void OnGroupCounts(uint32_t c, uint32_t f, uint32_t l) override {
        count = c;
        first = f;
        last = l;
    }
    std::vector<uint32_t> WantedArticles() override { return wanted; }
    void OnHeaderField(uint32_t article, uint32_t bit, const std::string& value) override {
        headers.push_back(std::to_string(article) + ":" + std::to_string(bit) + ":" + value);
    }
    void OnArticleLine(const std::string& line) override { article.push_back(line); }
    std::vector<std::string> groups, headers, article;
    std::vector<uint32_t> wanted;
    uint32_t count = 0, first = 0, last = 0;
};

class NntpConnectionTest : public NetTest {
protected:
    // Runs until the connection reports the request done (true) or failed,
    // or the connection ends.
    bool RunRequest(NntpConnection& c, Owner& owner, int32_t* error = nullptr) {
        size_t from = g_reportLog.size();
        EXPECT_EQ(c.StartRequest(), 0);
        int outcome = 0;
        testing_support::PumpUntil(
            [&] {
                for (size_t i = from; i < g_reportLog.size(); ++i) {
                    const Report& r = g_reportLog[i];
                    if (r.id != c.Id()) continue;
                    if (r.message == kMsgNewsDone) outcome = 1;
                    if (r.message == kMsgNewsFailed || r.message == kMsgConnectionFailed) {
                        outcome = 2;
                        if (error) *error = static_cast<int32_t>(r.p2);
                    }
                }
                return outcome != 0 || owner.Ended();
            },
            std::chrono::seconds(15));
        return outcome == 1;
    }
    uint16_t Inn() { return testing_support::ServerPortFromEnv("NNTP"); }
};

TEST_F(NntpConnectionTest, GroupsArticlesAndAPostOnOneConnection) {
    NntpConnection c(view_.get(), "127.0.0.1", Inn(), true);
    Owner owner(*view_, c);
    Recorder list;
    c.SetGroupListRequest(&list);
    ASSERT_TRUE(RunRequest(c, owner));
    EXPECT_NE(std::find(list.groups.begin(), list.groups.end(), "zintu.misc 0000000000 0000000001 y"),
              list.groups.end());
    bool listed = false;
    for (const std::string& g : list.groups) listed = listed || g.rfind("zintu.test ", 0) == 0;
    EXPECT_TRUE(listed);

    // The server's first article is posted as it starts: wait for it.
    Recorder counts;
    for (int i = 0; i < 50 && counts.count == 0; ++i) {
        c.SetGroupRequest(&counts, "zintu.test");
        ASSERT_TRUE(RunRequest(c, owner));
        if (counts.count == 0) testing_support::PumpFor(std::chrono::milliseconds(100));
    }
    ASSERT_GE(counts.count, 1u);

    // Its lines that begin with a dot arrive as they were written.
    Recorder article;
    c.SetGroupArticleRequest(&article, "zintu.test", counts.first);
    ASSERT_TRUE(RunRequest(c, owner));
    auto body = std::find(article.article.begin(), article.article.end(), "");
    ASSERT_NE(body, article.article.end());
    EXPECT_EQ(std::vector<std::string>(body + 1, article.article.end()),
              (std::vector<std::string>{".starts with a dot", "..two dots", "plain"}));

    Recorder overview;
    overview.wanted = {counts.first};
    c.SetOverviewRequest(&overview, "zintu.test", kHeaderSubject | kHeaderMessageId, 500);
    ASSERT_TRUE(RunRequest(c, owner));
    EXPECT_EQ(overview.headers, (std::vector<std::string>{std::to_string(counts.first) + ":2:Dots",
                                                          std::to_string(counts.first) + ":16:<dots@zintu.test>"}));

    // A post appears in the group, dots and all.
    std::string id = "<post-" + std::to_string(GetTickCount()) + "@zintu.test>";
    c.SetPostRequest("From: Zintu <z@zintu.test>\r\nNewsgroups: zintu.test\r\nSubject: Posted\r\nMessage-ID: " + id +
                     "\r\n\r\n.\r\n.hidden\r\nend\r\n");
    ASSERT_TRUE(RunRequest(c, owner));
    Recorder posted;
    for (int i = 0; i < 50 && posted.article.empty(); ++i) {
        posted = Recorder();
        c.SetArticleRequest(&posted, id, 0);
        RunRequest(c, owner);
        if (posted.article.empty()) testing_support::PumpFor(std::chrono::milliseconds(100));
    }
    body = std::find(posted.article.begin(), posted.article.end(), "");
    ASSERT_NE(body, posted.article.end());
    EXPECT_EQ(std::vector<std::string>(body + 1, posted.article.end()),
              (std::vector<std::string>{".", ".hidden", "end"}));
    Recorder after;
    c.SetGroupRequest(&after, "zintu.test");
    ASSERT_TRUE(RunRequest(c, owner));
    EXPECT_EQ(after.count, counts.count + 1);

    int32_t error = 0;
    Recorder none;
    c.SetGroupRequest(&none, "zintu.nowhere");
    EXPECT_FALSE(RunRequest(c, owner, &error));
    EXPECT_EQ(error, kErrNewsGroupUnknown);
    EXPECT_FALSE(owner.Ended());  // a keep-open connection stays for the next request
}

TEST_F(NntpConnectionTest, ALoginRequestInTheMiddleSendsAuthinfoThenTheCommandAgain) {
    ScriptedServer server({{ScriptStep::Send, "200 ready\r\n"},
                           {ScriptStep::Expect, "GROUP zintu.test\r\n"},
                           {ScriptStep::Send, "480 Authentication required\r\n"},
                           {ScriptStep::Expect, "AUTHINFO USER bob\r\n"},
                           {ScriptStep::Send, "381 More please\r\n"},
                           {ScriptStep::Expect, "AUTHINFO PASS pw\r\n"},
                           {ScriptStep::Send, "281 Welcome\r\n"},
                           {ScriptStep::Expect, "GROUP zintu.test\r\n"},
                           {ScriptStep::Send, "211 2 5 6 zintu.test\r\n"},
                           {ScriptStep::Expect, "QUIT\r\n"},
                           {ScriptStep::Send, "205 Bye\r\n"},
                           {ScriptStep::Close, ""}});
    NntpConnection c(view_.get(), "127.0.0.1", server.Port(), false);
    c.SetCredentials("bob", "pw");
    Owner owner(*view_, c);
    Recorder counts;
    c.SetGroupRequest(&counts, "zintu.test");
    EXPECT_TRUE(RunRequest(c, owner));
    EXPECT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(counts.count, 2u);
    EXPECT_EQ(counts.first, 5u);
    EXPECT_EQ(owner.EndCount(), 1);
    EXPECT_EQ(server.Received(),
              "GROUP zintu.test\r\nAUTHINFO USER bob\r\nAUTHINFO PASS pw\r\nGROUP zintu.test\r\nQUIT\r\n");
}

TEST_F(NntpConnectionTest, NoLoginOrNoPostingEndsWithoutSendingIt) {
    const struct {
        const char* greeting;
        bool post;
        int32_t error;
    } cases[] = {
        {"201 No posting\r\n", true, kErrNewsPostDenied},
        {"200 ready\r\n", false, kErrNewsNeedsLogin},
    };
    for (const auto& k : cases) {
        std::vector<ScriptStep> script = {{ScriptStep::Send, k.greeting}};
        if (!k.post) {
            script.push_back({ScriptStep::Expect, "GROUP g\r\n"});
            script.push_back({ScriptStep::Send, "480 Login first\r\n"});
        }
        script.push_back({ScriptStep::Expect, "QUIT\r\n"});
        script.push_back({ScriptStep::Send, "205 Bye\r\n"});
        script.push_back({ScriptStep::Close, ""});
        ScriptedServer server(script);
        NntpConnection c(view_.get(), "127.0.0.1", server.Port(), false);
        Owner owner(*view_, c);
        Recorder r;
        if (k.post)
            c.SetPostRequest("Subject: x\r\n\r\nbody\r\n");
        else
            c.SetGroupRequest(&r, "g");
        EXPECT_EQ(c.StartRequest(), 0);
        EXPECT_TRUE(RunUntilEnded(owner));
        EXPECT_EQ(owner.Error(), k.error) << k.greeting;
        EXPECT_EQ(server.Received().find("POST"), std::string::npos);
        EXPECT_EQ(server.Received().find("AUTHINFO"), std::string::npos);
    }
    NntpConnection c(view_.get(), "127.0.0.1", 119, false);
    Recorder r;
    c.SetGroupRequest(&r, "g\r\nPOST");
    EXPECT_EQ(c.StartRequest(), kErrIllegalAddress);
}

}  // namespace
