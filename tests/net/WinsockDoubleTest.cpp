// The paths that Wine's own Winsock 1.1 never takes: a host look-up that
// blocks while the message loop runs inside it (calls deferred and run
// afterwards in order, a cancel, a connection given up meanwhile), and the
// look-ups of host-name expansion. The program loads a WSOCK32.DLL of the
// tests in place of the system's; only its look-ups are made up.
#include <functional>
#include <gtest/gtest.h>

#include "net/HttpConnection.h"
#include "net/NetErrors.h"
#include "net/Winsock.h"
#include "tests/net/NetFixture.h"
#include "tests/support/LocalServer.h"
#include "tests/support/WindowTools.h"

using namespace net_test;
using testing_support::ScriptedServer;
using testing_support::ScriptStep;

namespace {

struct Double {
    void (*addName)(const char*);
    void (*holdLookUps)(int);
    void (*releaseLookUp)();
    const char* (*callLog)();
    void (*clearLog)();
};

// Runs the function every 20 ms from a timer, inside whatever message loop
// runs (the blocking look-up's included), until it answers true.
class Ticker {
public:
    explicit Ticker(std::function<bool()> tick) : tick_(std::move(tick)) {
        current_ = this;
        id_ = SetTimer(nullptr, 0, 20, &Ticker::OnTimer);
    }
    ~Ticker() {
        KillTimer(nullptr, id_);
        current_ = nullptr;
    }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        if (current_ && !current_->done_) current_->done_ = current_->tick_();
    }
    static inline Ticker* current_ = nullptr;
    std::function<bool()> tick_;
    UINT_PTR id_;
    bool done_ = false;
};

ScriptStep::Kind kExpect = ScriptStep::Expect;

class WinsockDoubleTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        ASSERT_TRUE(LoadWinsock());
        HMODULE m = GetModuleHandleA("wsock32.dll");
        ASSERT_NE(m, nullptr);
        d_.addName = reinterpret_cast<void (*)(const char*)>(GetProcAddress(m, "DoubleAddName"));
        d_.holdLookUps = reinterpret_cast<void (*)(int)>(GetProcAddress(m, "DoubleHoldLookUps"));
        d_.releaseLookUp = reinterpret_cast<void (*)()>(GetProcAddress(m, "DoubleReleaseLookUp"));
        d_.callLog = reinterpret_cast<const char* (*)()>(GetProcAddress(m, "DoubleCallLog"));
        d_.clearLog = reinterpret_cast<void (*)()>(GetProcAddress(m, "DoubleClearLog"));
        ASSERT_NE(d_.callLog, nullptr) << "the system's WSOCK32.DLL was loaded, not the tests' own";
        d_.clearLog();
        d_.holdLookUps(0);
        GetNetSettings().enableHostnameExpansion = false;
    }
    std::string CallLog() const { return d_.callLog(); }
    size_t Count(const std::string& entry) const {
        std::string log = CallLog();
        size_t n = 0;
        for (size_t at = log.find(entry); at != std::string::npos; at = log.find(entry, at + 1)) ++n;
        return n;
    }
    std::unique_ptr<HttpConnection> Get(const char* host, uint16_t port, const char* path = "/") {
        return std::make_unique<HttpConnection>(view_.get(), 0, host, port, path, false, false);
    }
    Double d_{};
};

std::vector<ScriptStep> Reply(const char* body) {
    return {{kExpect, "\r\n\r\n"},
            {ScriptStep::Send, std::string("HTTP/1.0 200 OK\r\n\r\n") + body},
            {ScriptStep::Close}};
}

TEST_F(WinsockDoubleTest, CallsQueuedDuringABlockingLookUpRunInOrderWhenItReturns) {
    GetNetSettings().synchronousDnsLookup = true;
    d_.addName("blocker.test");
    d_.holdLookUps(1);
    ScriptedServer sa(Reply("a")), sb(Reply("b")), sc(Reply("c"));
    auto a = Get("blocker.test", sa.Port());
    auto b = Get("127.0.0.1", sb.Port());
    auto c = Get("127.0.0.1", sc.Port());
    Owner oa(*view_, *a), ob(*view_, *b), oc(*view_, *c);
    ASSERT_EQ(a->Connect(), 0);  // schedules the blocking look-up
    ASSERT_EQ(b->Connect(), 0);  // its connect completes while the look-up blocks
    bool deferredBoth = false;
    Ticker ticker([&] {
        if (!IsSocketCallBlocking()) return false;
        if (registry_->CountEntries(SocketRegistry::kStartSession) == 1 && !c->HasSocket() &&
            registry_->CountEntries(SocketRegistry::kConnect) == 0) {
            // A new load while the look-up blocks waits too.
            EXPECT_EQ(c->Connect(), 0);
            deferredBoth = registry_->CountEntries(SocketRegistry::kConnect) == 1;
            d_.releaseLookUp();
            return true;
        }
        return false;
    });
    ASSERT_TRUE(RunUntilEnded(oa));
    ASSERT_TRUE(RunUntilEnded(ob));
    ASSERT_TRUE(RunUntilEnded(oc));
    EXPECT_TRUE(deferredBoth);
    EXPECT_EQ(oa.Body(), "a");
    EXPECT_EQ(ob.Body(), "b");
    EXPECT_EQ(oc.Body(), "c");
    // After the look-up: its own connect, then the queued calls in the order
    // they were queued (b's request, then c's connect).
    std::string log = CallLog();
    size_t returned = log.find("gethostbyname returns");
    ASSERT_NE(returned, std::string::npos) << log;
    size_t connectA = log.find("connect " + std::to_string(sa.Port()), returned);
    size_t sendB = log.find("send " + std::to_string(sb.Port()), returned);
    size_t connectC = log.find("connect " + std::to_string(sc.Port()), returned);
    EXPECT_LT(connectA, sendB) << log;
    EXPECT_LT(sendB, connectC) << log;
    EXPECT_NE(connectC, std::string::npos) << log;
    // Nothing of b went out while the look-up blocked.
    EXPECT_EQ(log.find("send " + std::to_string(sb.Port())), sendB) << log;
    EXPECT_EQ(registry_->CountEntries(0xFF), 0);
}

TEST_F(WinsockDoubleTest, CancelledLookUpStopsQuietlyAndShutDownWaitsForIt) {
    GetNetSettings().synchronousDnsLookup = true;
    d_.addName("blocker.test");
    d_.holdLookUps(1);
    ScriptedServer sa(Reply("a"));
    auto a = Get("blocker.test", sa.Port());
    Owner oa(*view_, *a);
    ASSERT_EQ(a->Connect(), 0);
    int unloadWhileBlocking = -1;
    bool closeRefused = false;
    Ticker ticker([&] {
        if (!IsSocketCallBlocking()) return false;
        // Unloading waits while the call runs; the frame window closing
        // meanwhile cancels the call and is refused.
        unloadWhileBlocking = UnloadWinsock();
        closeRefused = CancelBlockingCallForClose();
        return true;
    });
    testing_support::PumpUntil([&] { return unloadWhileBlocking != -1 && !IsSocketCallBlocking(); });
    testing_support::PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(unloadWhileBlocking, 0);
    EXPECT_TRUE(closeRefused);
    EXPECT_FALSE(g_closePendingAfterBlockingCall);
    EXPECT_FALSE(CancelBlockingCallForClose());  // nothing blocks now
    EXPECT_NE(CallLog().find("WSACancelBlockingCall"), std::string::npos);
    EXPECT_FALSE(oa.Ended());  // nothing reported
    EXPECT_EQ(sa.Connections(), 0);
    EXPECT_EQ(closeRequests_, 1);  // the close is asked for again
    EXPECT_TRUE(IsWinsockLoaded());
}

TEST_F(WinsockDoubleTest, ConnectionGivenUpDuringItsLookUpIsDeletedAfterwards) {
    GetNetSettings().synchronousDnsLookup = true;
    d_.addName("blocker.test");
    d_.holdLookUps(1);
    ScriptedServer sa(Reply("a")), sb(Reply("b"));
    auto a = Get("blocker.test", sa.Port());
    ASSERT_EQ(a->Connect(), 0);
    bool idleWhileBlocking = true;
    Ticker ticker([&] {
        if (!IsSocketCallBlocking()) return false;
        idleWhileBlocking = a->IsIdle();
        a.release()->Detach();  // the registry owns it from here
        d_.releaseLookUp();
        return true;
    });
    testing_support::PumpUntil([&] { return !a && !IsSocketCallBlocking(); });
    testing_support::PumpFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(idleWhileBlocking);
    EXPECT_EQ(registry_->CountEntries(SocketRegistry::kDeleteWhenIdle), 1);
    EXPECT_EQ(sa.Connections(), 0);  // given up: it did not connect
    // The next connect of any connection deletes it.
    auto b = Get("127.0.0.1", sb.Port());
    Owner ob(*view_, *b);
    ASSERT_EQ(b->Connect(), 0);
    EXPECT_EQ(registry_->CountEntries(SocketRegistry::kDeleteWhenIdle), 0);
    ASSERT_TRUE(RunUntilEnded(ob));
    EXPECT_EQ(ob.Body(), "b");
}

TEST_F(WinsockDoubleTest, OneWordNameIsLookedUpOnlyAsItsExpansion) {
    GetNetSettings().enableHostnameExpansion = true;
    d_.addName("www.zintu.com");
    for (bool checkLocal : {false, true}) {
        SCOPED_TRACE(checkLocal ? "CHECK LOCAL HOSTNAME on" : "CHECK LOCAL HOSTNAME off");
        registry_ = std::make_unique<SocketRegistry>();
        g_socketRegistry = registry_.get();
        GetNetSettings().checkLocalHostname = checkLocal;
        d_.clearLog();
        auto c = Get("zintu", 8080, "/a?b");
        Owner owner(*view_, *c);
        ASSERT_EQ(c->Connect(), 0);
        ASSERT_TRUE(RunUntilEnded(owner));
        EXPECT_EQ(c->ReplyHeaders().statusCode, 301);
        EXPECT_EQ(c->ReplyHeaders().statusText, "Internal Host Redirection");
        EXPECT_EQ(c->ReplyHeaders().location, "http://www.zintu.com:8080/a?b");
        EXPECT_EQ(owner.EndCount(), 1);
        EXPECT_EQ(Count("WSAAsyncGetHostByName zintu\n"), checkLocal ? 1u : 0u) << CallLog();
        EXPECT_EQ(Count("WSAAsyncGetHostByName www.zintu.com\n"), 1u) << CallLog();
        // The next connection to the short name goes straight to the
        // expansion through the alias table, without a look-up.
        d_.clearLog();
        auto again = Get("zintu", 8080, "/c");
        Owner o2(*view_, *again);
        ASSERT_EQ(again->Connect(), 0);
        ASSERT_TRUE(RunUntilEnded(o2));
        EXPECT_EQ(again->ReplyHeaders().location, "http://www.zintu.com:8080/c");
        EXPECT_EQ(CallLog(), "");
    }
}

TEST_F(WinsockDoubleTest, NamesOf32CharactersAreLookedUpEveryTime) {
    std::string name31 = std::string(26, 'a') + ".test";  // 31 characters
    std::string name32 = std::string(27, 'b') + ".test";  // 32 characters
    d_.addName(name31.c_str());
    d_.addName(name32.c_str());
    ScriptedServer server(Reply("x"));
    for (const std::string& name : {name31, name31, name32, name32}) {
        auto c = Get(name.c_str(), server.Port());
        Owner owner(*view_, *c);
        ASSERT_EQ(c->Connect(), 0);
        ASSERT_TRUE(RunUntilEnded(owner)) << name;
        EXPECT_EQ(owner.Body(), "x") << name;
    }
    EXPECT_EQ(Count("WSAAsyncGetHostByName " + name31 + "\n"), 1u) << CallLog();
    EXPECT_EQ(Count("WSAAsyncGetHostByName " + name32 + "\n"), 2u) << CallLog();
    EXPECT_EQ(LookUpCachedHostAddress(name31.c_str()), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(LookUpCachedHostAddress(name32.c_str()), 0u);
}

TEST_F(WinsockDoubleTest, LocalHostNameIsAskedOnceAndFallsBackToAPlaceholder) {
    auto failHostName = reinterpret_cast<void (*)(int)>(
        GetProcAddress(GetModuleHandleA("wsock32.dll"), "DoubleFailHostName"));
    ASSERT_NE(failHostName, nullptr);
    failHostName(1);
    EXPECT_STREQ(GetLocalHostName(), "unknown-host.invalid");
    failHostName(0);
    EXPECT_STREQ(GetLocalHostName(), "unknown-host.invalid");
    EXPECT_EQ(Count("gethostname\n"), 1u) << CallLog();
}

TEST_F(WinsockDoubleTest, UnknownNameFailsAsNotFound) {
    auto c = Get("nowhere.test", 80);
    Owner owner(*view_, *c);
    ASSERT_EQ(c->Connect(), 0);
    ASSERT_TRUE(RunUntilEnded(owner));
    EXPECT_TRUE(owner.Saw(kMsgLookingUp));
    EXPECT_EQ(owner.Error(), kErrHostNotFound);
}

}  // namespace
