// What the network tests share: a main message window and a document
// window, each with its MessageHandler, a socket registry, settings reset
// to their defaults, and an owner that records a connection's reports and
// reads its reply as the URL loader would.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "core/MessageHandler.h"
#include "net/Connection.h"
#include "net/HttpConnection.h"
#include "net/NetSettings.h"
#include "net/SocketRegistry.h"

namespace net_test {

struct Report {
    uint32_t message;
    uint32_t id;
    uint32_t p2;
};

// Every report of every watched connection, in the order they came.
extern std::vector<Report> g_reportLog;

// Records the reports of one connection and reads its reply on 0x8231.
class Owner : public MessageCallback {
public:
    Owner(MessageHandler& handler, Connection& connection);
    ~Owner() override;
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override;

    bool Ended() const { return ended_ > 0 || failed_ > 0; }
    int EndCount() const { return ended_; }
    int FailCount() const { return failed_; }
    int32_t Error() const { return error_; }
    int HeaderReports() const { return headerReports_; }
    const std::string& Body() const { return body_; }
    bool Saw(uint32_t message) const;
    // When set, the owner reads nothing (to leave a reply waiting).
    bool dontRead = false;

private:
    MessageHandler& handler_;
    Connection& connection_;
    std::string body_;
    int ended_ = 0, failed_ = 0, headerReports_ = 0;
    int32_t error_ = 0;
    std::vector<uint32_t> seen_;
};

class NetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Pumps messages until the owner's connection ended or failed.
    bool RunUntilEnded(const Owner& owner, int seconds = 10);

    std::unique_ptr<MessageHandler> main_;
    std::unique_ptr<MessageHandler> view_;
    std::unique_ptr<SocketRegistry> registry_;
    HWND mainWindow_ = nullptr;
    HWND viewWindow_ = nullptr;
    int closeRequests_ = 0;  // WM_CLOSE that reached either window
};

std::string Loopback(uint16_t port, const std::string& path);
// The User-Agent text that BuildUserAgent makes (never empty in the tests,
// which carry the program's string table).
std::string UserAgent();

}  // namespace net_test
