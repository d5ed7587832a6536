// What the HTTPS tests share: a user whose answers to the certificate
// questions and whose error boxes are recorded, not shown; the ports, logs
// and modes of the servers around the test; and the fixture, which starts
// the security library with a fresh store and session cache.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/DelayedMessageQueue.h"
#include "security/HttpsConnection.h"
#include "security/SecurityLibrary.h"
#include "security/SecurityManager.h"
#include "tests/net/NetFixture.h"
#include "tests/security/SecurityTestData.h"
#include "tests/support/LocalServer.h"
#include "tests/support/SecureTestSession.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

namespace https_test {

using namespace net_test;

// What the user was asked and shown, and how the user answers.
struct User {
    std::vector<int> questions;
    std::vector<uint32_t> fatal;
    bool answer = false;
};
inline User g_user;

inline const SslUserInterface kRecordingUser = {
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

inline uint16_t Port(const char* kind) {
    return testing_support::ServerPortFromEnv(kind);
}

inline std::string ServerFile(const char* kind, const char* name) {
    return testing_support::ServerFileFromEnv(kind, name);
}

inline std::string ServerLog(const char* kind) {
    return ServerFile(kind, "server.out");
}

// The behaviour of one of our own servers for the next connections, and
// its log.
inline void SetServerMode(const char* kind, const std::string& mode) {
    const char* dir = std::getenv((std::string("ZINTU_") + kind + "_DIR").c_str());
    ASSERT_NE(dir, nullptr);
    testing_support::WriteWholeFile(std::string("Z:") + dir + "/mode", mode);
    testing_support::WriteWholeFile(std::string("Z:") + dir + "/server.log", "");
}

inline std::string OwnServerLog(const char* kind) {
    return ServerFile(kind, "server.log");
}

// The log once it holds the text (the server may still be writing).
inline std::string WaitForLog(const char* kind, const char* text) {
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
        // Delayed messages (a connection waiting on another's session) come
        // through a queue and its timer, as in the program.
        timerWindow_ = testing_support::CreateTestWindow([](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_TIMER && wp == DelayedMessageQueue::kTimerId && g_delayedMessages) {
                g_delayedMessages->OnTimer();
                return 0;
            }
            return DefWindowProcA(w, m, wp, lp);
        });
        delayed_ = std::make_unique<DelayedMessageQueue>(timerWindow_);
        g_delayedMessages = delayed_.get();
        // 3-DES, and the suites that only authenticate, which Debian's
        // OpenSSL still runs; the test authority is trusted where a test
        // says so.
        ASSERT_TRUE(session_.Start(dir_.Path(), {0x0A, 0x02, 0x01}, false));
        manager_ = session_.Manager();
        g_user = User();
        SetSslUserInterface(&kRecordingUser);
    }
    void TearDown() override {
        session_.Stop();
        manager_ = nullptr;
        delayed_.reset();
        DestroyWindow(timerWindow_);
        NetTest::TearDown();
    }
    void TrustTestAuthority() { security_test::TrustTestAuthority(*manager_); }
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
    testing_support::SecureTestSession session_;
    SecurityManager* manager_ = nullptr;
    HWND timerWindow_ = nullptr;
    std::unique_ptr<DelayedMessageQueue> delayed_;
};

}  // namespace https_test
