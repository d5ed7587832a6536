// The HTTP client against real servers on 127.0.0.1: nginx for ordinary
// replies, and a scripted server for what real servers will not do.
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include "app/SettingsHandOver.h"
#include "core/Preferences.h"
#include "net/HttpConnection.h"
#include "net/NetErrors.h"
#include "net/Winsock.h"
#include "tests/net/NetFixture.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace net_test;
using testing_support::ScriptedServer;
using testing_support::ScriptStep;

namespace {

class HttpConnectionTest : public NetTest {
protected:
    std::unique_ptr<HttpConnection> Get(uint16_t port, const char* path, const char* host = "127.0.0.1") {
        return std::make_unique<HttpConnection>(view_.get(), 0, host, port, path, false, false);
    }
};

uint16_t Nginx() {
    return testing_support::ServerPortFromEnv("NGINX");
}

TEST_F(HttpConnectionTest, RequestGoesOutByteForByteAndTheReplyComesBack) {
    ASSERT_EQ(UserAgent().rfind("Mozilla/3.0 (compatible; Zintu/3.0; ", 0), 0u) << UserAgent();
    ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"},
                           {ScriptStep::Send, "HTTP/1.0 200 OK\r\nContent-type: text/plain\r\n\r\nhello"},
                           {ScriptStep::Close}});
    auto c = Get(server.Port(), "/a");
    c->SetReferrer("http://user:pw@ref.test");
    Owner owner(*view_, *c);
    ASSERT_EQ(c->Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(server.Received(),
              "GET /a HTTP/1.0\r\n"
              "User-Agent: " +
                  UserAgent() +
                  "\r\n"
                  "Accept: image/gif, image/x-xbitmap, image/jpeg, */*\r\n"
                  "Referer: http://ref.test/\r\n"
                  "Host: 127.0.0.1:" +
                  std::to_string(server.Port()) + "\r\n\r\n");
    EXPECT_EQ(c->ReplyHeaders().statusCode, 200);
    EXPECT_EQ(owner.Body(), "hello");
    EXPECT_EQ(owner.EndCount(), 1);
    EXPECT_EQ(owner.FailCount(), 0);
}

TEST_F(HttpConnectionTest, NginxRepliesWithStatusBodyAndOneEnd) {
    struct Case {
        const char* path;
        int status;
        std::string body;
        const char* location;
    } cases[] = {
        {"/a", 200, "served by nginx for /a\n", nullptr},
        {"/large/GPL-3", 200, testing_support::ReadWholeFile("Z:\\usr\\share\\common-licenses\\GPL-3"),
         nullptr},
        {"/old", 301, "", "/a"},
        {"/missing", 404, "", nullptr},
    };
    ASSERT_GT(cases[1].body.size(), 30000u);
    for (const Case& k : cases) {
        g_reportLog.clear();
        auto c = Get(Nginx(), k.path, "localhost");
        Owner owner(*view_, *c);
        ASSERT_EQ(c->Connect(), 0) << k.path;
        ASSERT_TRUE(RunUntilEnded(owner)) << k.path;
        EXPECT_EQ(owner.FailCount(), 0) << k.path;
        EXPECT_EQ(owner.EndCount(), 1) << k.path;
        EXPECT_EQ(owner.HeaderReports(), 1) << k.path;
        EXPECT_EQ(c->ReplyHeaders().statusCode, k.status) << k.path;
        if (!k.body.empty()) {
            EXPECT_EQ(owner.Body(), k.body) << k.path;
        }
        if (k.location) {
            ASSERT_TRUE(c->ReplyHeaders().location.has_value());
            EXPECT_NE(c->ReplyHeaders().location->find(k.location), std::string::npos);
        }
        // localhost needed no look-up.
        EXPECT_FALSE(owner.Saw(kMsgLookingUp)) << k.path;
    }
}

TEST_F(HttpConnectionTest, RepliesRealServersWillNotSend) {
    struct Case {
        const char* name;
        std::vector<ScriptStep> script;
        int status;
        const char* body;
        int32_t contentLength;
    } cases[] = {
        {"header end split across writes",
         {{ScriptStep::Expect, "\r\n\r\n"},
          {ScriptStep::Send, "HTTP/1.0 200 OK\r\nContent-length: 4\r\n\r"},
          {ScriptStep::Pause, "", 150},
          {ScriptStep::Send, "\nbody"},
          {ScriptStep::Close}},
         200,
         "body",
         4},
        {"no status line",
         {{ScriptStep::Expect, "\r\n\r\n"}, {ScriptStep::Send, "<html>plain</html>"}, {ScriptStep::Close}},
         200,
         "<html>plain</html>",
         0},
        {"negative content length",
         {{ScriptStep::Expect, "\r\n\r\n"},
          {ScriptStep::Send, "HTTP/1.0 200 OK\r\nContent-length: -20\r\n\r\nxyz"},
          {ScriptStep::Close}},
         200,
         "xyz",
         0},
        {"cut off inside the headers",
         {{ScriptStep::Expect, "\r\n\r\n"},
          {ScriptStep::Send, "HTTP/1.0 302 Found\r\nLocation: /next\r\n"},
          {ScriptStep::Close}},
         302,
         "",
         0},
    };
    for (const Case& k : cases) {
        ScriptedServer server(k.script);
        auto c = Get(server.Port(), "/");
        Owner owner(*view_, *c);
        ASSERT_EQ(c->Connect(), 0) << k.name;
        ASSERT_TRUE(RunUntilEnded(owner)) << k.name;
        EXPECT_EQ(owner.FailCount(), 0) << k.name;
        EXPECT_EQ(owner.EndCount(), 1) << k.name;
        EXPECT_EQ(owner.HeaderReports(), 1) << k.name;
        EXPECT_EQ(c->ReplyHeaders().statusCode, k.status) << k.name;
        EXPECT_EQ(c->ReplyHeaders().contentLength, k.contentLength) << k.name;
        EXPECT_EQ(owner.Body(), k.body) << k.name;
    }
}

// Wine reports a reset by the peer as an ordinary close, so the reset is
// injected as the notification Winsock sends for it on Windows.
TEST_F(HttpConnectionTest, ResetRestartsOnlyBeforeTheReplyAndNeverForAPost) {
    struct Case {
        const char* name;
        bool post;
        const char* sentBeforeReset;
        int connections;
        int ends, fails;
        const char* body;
    } cases[] = {
        {"GET reset before any reply", false, "", 2, 1, 0, "hello"},
        {"POST reset before any reply", true, "", 1, 0, 1, ""},
        {"GET reset after part of the body", false, "HTTP/1.0 200 OK\r\n\r\nfirst", 1, 0, 1, "first"},
    };
    for (const Case& k : cases) {
        // The first connection gets the partial reply and waits; a second
        // one (after a restart) gets the whole reply.
        ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"},
                               {ScriptStep::Send, k.sentBeforeReset},
                               {ScriptStep::Pause, "", 300},
                               {ScriptStep::Send, "HTTP/1.0 200 OK\r\n\r\nhello"},
                               {ScriptStep::Close}});
        auto c = std::make_unique<HttpConnection>(view_.get(), k.post ? HttpConnection::kMethodPost : 0,
                                                  "127.0.0.1", server.Port(), "/form", false, false);
        if (k.post) c->SetBody("a=1");
        Owner owner(*view_, *c);
        ASSERT_EQ(c->Connect(), 0) << k.name;
        std::string partial = k.sentBeforeReset;
        size_t bodyStart = partial.find("\r\n\r\n");
        size_t expectBody = bodyStart == std::string::npos ? 0 : partial.size() - bodyStart - 4;
        ASSERT_TRUE(testing_support::PumpUntil([&] {
            return server.Received().find("\r\n\r\n") != std::string::npos &&
                   owner.Body().size() == expectBody;
        })) << k.name;
        PostMessageA(mainWindow_, kMsgSocketEvent, c->Socket(), WSAMAKESELECTREPLY(FD_CLOSE, WSAECONNRESET));
        ASSERT_TRUE(RunUntilEnded(owner)) << k.name;
        EXPECT_EQ(server.Connections(), k.connections) << k.name;
        EXPECT_EQ(owner.EndCount(), k.ends) << k.name;
        EXPECT_EQ(owner.FailCount(), k.fails) << k.name;
        if (k.fails) {
            EXPECT_EQ(owner.Error(), kErrClosedByRemote) << k.name;
        }
        EXPECT_EQ(owner.Body(), k.body) << k.name;
    }
}

TEST_F(HttpConnectionTest, EmptyReplyIsAFailureNotAnEmptyPage) {
    ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"}, {ScriptStep::Close}});
    auto c = Get(server.Port(), "/");
    Owner owner(*view_, *c);
    ASSERT_EQ(c->Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(owner.HeaderReports(), 0);
    EXPECT_EQ(owner.EndCount(), 0);
    EXPECT_EQ(owner.FailCount(), 1);
    EXPECT_EQ(owner.Error(), kErrClosedByRemote);
}

// An upload source as the MIME encoder gives one: its headers, then a body,
// in pieces of at most the capacity asked for.
class TextUpload : public UploadSource {
public:
    explicit TextUpload(std::string text) : text_(std::move(text)) {}
    int32_t EncodedLength() override { return static_cast<int32_t>(text_.size()); }
    uint16_t ProgressFirst() override { return static_cast<uint16_t>(pieces_); }
    uint16_t ProgressSecond() override { return static_cast<uint16_t>(at_ / 1024); }
    void ReadEncoded(char* buffer, int32_t& count, int32_t capacity, bool& done) override {
        // Pieces shorter than asked, as a reader of a file may give them.
        size_t n = std::min<size_t>(static_cast<size_t>(capacity) - 7, text_.size() - at_);
        std::memcpy(buffer, text_.data() + at_, n);
        at_ += n;
        count = static_cast<int32_t>(n);
        done = at_ == text_.size();
        ++pieces_;
    }
    int Pieces() const { return pieces_; }

private:
    std::string text_;
    size_t at_ = 0;
    int pieces_ = 0;
};

TEST_F(HttpConnectionTest, UploadGoesOutInNetworkBufferPiecesWithProgress) {
    GetNetSettings().networkBufferSize = 1;  // 1 KB pieces
    std::string payload;
    for (int i = 0; payload.size() < 20000; ++i) payload += "line " + std::to_string(i) + "\r\n";
    std::string upload = "Content-type: text/plain\r\n\r\n" + payload + "--END--";
    ScriptedServer server({{ScriptStep::Expect, "--END--"},
                           {ScriptStep::Send, "HTTP/1.0 200 OK\r\n\r\nstored"},
                           {ScriptStep::Close}});
    TextUpload source(upload);
    HttpConnection c(view_.get(), HttpConnection::kMethodPost, "127.0.0.1", server.Port(), "/upload", false,
                     false);
    c.SetBodyStream(&source);
    Owner owner(*view_, c);
    ASSERT_EQ(c.Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(owner.Body(), "stored");
    std::string received = server.Received();
    std::string head = "Content-length: " + std::to_string(upload.size()) + "\r\n";
    size_t at = received.find(head);
    ASSERT_NE(at, std::string::npos) << received.substr(0, 300);
    EXPECT_EQ(received.substr(at + head.size()), upload);
    // Every piece asked for a full network buffer (1 KB).
    EXPECT_EQ(source.Pieces(), static_cast<int>((upload.size() + 1016) / 1017));
    // One progress report per piece, the last with the final counts.
    int progress = 0;
    uint32_t last = 0;
    for (const Report& r : g_reportLog) {
        if (r.message != kMsgUploadProgress) continue;
        ++progress;
        last = r.p2;
    }
    EXPECT_EQ(progress, source.Pieces());
    EXPECT_EQ(last >> 16, static_cast<uint32_t>(source.Pieces()));
    EXPECT_EQ(last & 0xFFFF, upload.size() / 1024);
}

TEST_F(HttpConnectionTest, AddressWithLineBreakIsRefusedBeforeConnecting) {
    ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"}, {ScriptStep::Close}});
    auto c = Get(server.Port(), "/a\r\nX-Injected: 1");
    EXPECT_EQ(c->Connect(), kErrIllegalAddress);
    auto d = Get(server.Port(), "/a");
    d->SetCookie("a=1\r\nX-Injected: 1");
    EXPECT_EQ(d->Connect(), kErrIllegalAddress);
    testing_support::PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_EQ(server.Received(), "");
}

TEST_F(HttpConnectionTest, SecondConnectionToAFullServerWaitsForTheFirstToClose) {
    // The limit comes from the user's ini file through the preferences and
    // the program's settings hand-over.
    testing_support::ScratchDir dir;
    std::string ini = dir.File("zintu-test.ini");
    testing_support::WriteWholeFile(ini, "[USER PREFS]\r\nZINTU DIRECTORY=" + dir.File("user") +
                                             "\r\n[PERFORMANCE]\r\nMAX CONNECTIONS SERVER=1\r\n");
    InstallSettingsHandOver();
    struct Forget {
        ~Forget() { Preferences::SetListener(nullptr); }
    } forget;
    Preferences prefs(ini.c_str());
    prefs.LoadAll();
    ASSERT_EQ(prefs.Get(PrefInt::MaxConnectionsServer), 1);
    ScriptedServer slow({{ScriptStep::Expect, "\r\n\r\n"},
                         {ScriptStep::Pause, "", 300},
                         {ScriptStep::Send, "HTTP/1.0 200 OK\r\n\r\nslow"},
                         {ScriptStep::Close}});
    auto first = Get(slow.Port(), "/1");
    auto second = Get(slow.Port(), "/2");
    Owner o1(*view_, *first), o2(*view_, *second);
    ASSERT_EQ(first->Connect(), 0);
    ASSERT_EQ(second->Connect(), 0);
    EXPECT_TRUE(first->HasSocket());
    EXPECT_FALSE(second->HasSocket());
    EXPECT_EQ(registry_->CountEntries(SocketRegistry::kConnect), 1);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return slow.Received().find("/1 ") != std::string::npos; }));
    EXPECT_FALSE(second->HasSocket());
    ASSERT_TRUE(RunUntilEnded(o1));
    ASSERT_TRUE(RunUntilEnded(o2));
    EXPECT_EQ(o1.Body(), "slow");
    EXPECT_EQ(o2.Body(), "slow");
    // The second connection started connecting only once the first had its
    // whole reply and closed its socket.
    auto at = [&](uint32_t message, uint32_t id) {
        for (size_t i = 0; i < g_reportLog.size(); ++i)
            if (g_reportLog[i].message == message && g_reportLog[i].id == id) return static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(at(kMsgConnecting, second->Id()), 0);
    EXPECT_LT(at(kMsgDataReady, first->Id()), at(kMsgConnecting, second->Id()));
    EXPECT_EQ(registry_->CountEntries(0xFF), 0);
    EXPECT_EQ(OpenSocketCount, 0);
    EXPECT_EQ(GetNetSettings().maxConnectionsServer, 1);
}

TEST_F(HttpConnectionTest, ClosedPortFailsAfterItsRetries) {
    uint16_t closed = testing_support::FreePort();
    auto c = Get(closed, "/");
    Owner owner(*view_, *c);
    ASSERT_EQ(c->Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_EQ(owner.FailCount(), 1);
    EXPECT_EQ(owner.Error(), kErrConnectionRefused);
    EXPECT_FALSE(c->HasSocket());
    EXPECT_EQ(OpenSocketCount, 0);
}

TEST_F(HttpConnectionTest, DetachedConnectionIsDeletedOnceIdle) {
    ScriptedServer server(
        {{ScriptStep::Expect, "\r\n\r\n"}, {ScriptStep::Pause, "", 300}, {ScriptStep::Close}});
    auto c = Get(server.Port(), "/");
    ASSERT_EQ(c->Connect(), 0);
    testing_support::PumpFor(std::chrono::milliseconds(100));
    c.release()->Detach();  // the registry owns it from here
    EXPECT_EQ(registry_->CountEntries(SocketRegistry::kDeleteWhenIdle), 1);
    // The next connect of any connection deletes it (it makes no Winsock call).
    auto d = Get(Nginx(), "/a", "localhost");
    ASSERT_EQ(d->Connect(), 0);
    EXPECT_EQ(registry_->CountEntries(0xFF), 0);
    EXPECT_EQ(OpenSocketCount, 1);
}

}  // namespace

namespace {

TEST(NetErrorTexts, EveryCodeTheConnectionsReportHasItsText) {
    const int32_t codes[] = {
        kErrIllegalAddress,      kErrClosedByRemote,    kErrNetworkProblem,
        kErrWinsockBlocking,     kErrWinsockResources,  kErrInternal,
        kErrCouldNotConnect,     kErrWinsockVersion,    kErrHostNotFound,
        kErrAddressNotAvailable, kErrConnectionRefused, kErrNetworkUnreachable,
        kErrWinsockLacks,        kErrWinsockProblems,   kErrNoWinsock,
        kErrProxyConnect,        kErrProxyNotFound,     kErrProxyNotAvailable,
        kErrProxyRefused,
    };
    for (int32_t code : codes) {
        char text[256] = "";
        EXPECT_GT(LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(code), text, sizeof text), 0)
            << code;
    }
    char text[256] = "";
    LoadStringA(GetModuleHandleA(nullptr), kErrProxyConnect, text, sizeof text);
    EXPECT_STREQ(text, "Could not connect to PROXY server");
}

}  // namespace
