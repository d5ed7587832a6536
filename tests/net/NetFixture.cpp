#include "tests/net/NetFixture.h"

#include <algorithm>

#include "core/UserAgent.h"
#include "tests/support/WindowTools.h"

namespace net_test {

std::vector<Report> g_reportLog;

namespace {

constexpr uint32_t kReports[] = {kMsgHeadersParsed,   kMsgConnectionFailed, kMsgDataReady,
                                 kMsgConnectionEnded, kMsgConnected,        kMsgLookingUp,
                                 kMsgConnecting,      kMsgRequestSent,      kMsgUploadProgress,
                                 kMsgFtpDataStarted,  kMsgRecipientRefusedReport, kMsgNewsProgress,
                                 kMsgNewsDone,        kMsgNewsFailed};

HWND HandlerWindow(std::unique_ptr<MessageHandler>& slot, int& closeRequests) {
    return testing_support::CreateTestWindow(
        [&slot, &closeRequests](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_CLOSE) {  // counted, never obeyed
                ++closeRequests;
                return 0;
            }
            if (m >= 0x8001 && m < 0xC000 && slot) {
                slot->Dispatch(m, static_cast<uint32_t>(wp), static_cast<uint32_t>(lp));
                return 0;
            }
            return DefWindowProcA(w, m, wp, lp);
        });
}

}  // namespace

Owner::Owner(MessageHandler& handler, Connection& connection) : handler_(handler), connection_(connection) {
    for (uint32_t m : kReports) handler_.Register(this, m, connection_.Id());
}

Owner::~Owner() {
    handler_.UnregisterAll(this);
}

bool Owner::Saw(uint32_t message) const {
    return std::find(seen_.begin(), seen_.end(), message) != seen_.end();
}

void Owner::OnMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    g_reportLog.push_back({message, p1, p2});
    seen_.push_back(message);
    switch (message) {
        case kMsgHeadersParsed:
            ++headerReports_;
            break;
        case kMsgDataReady:
            if (dontRead) break;
            for (;;) {
                char buffer[1500];
                int n = connection_.ReadData(buffer, sizeof buffer);
                if (n <= 0) break;
                body_.append(buffer, static_cast<size_t>(n));
            }
            break;
        case kMsgConnectionEnded:
            ++ended_;
            break;
        case kMsgConnectionFailed:
            ++failed_;
            error_ = static_cast<int32_t>(p2);
            break;
        default:
            break;
    }
}

void NetTest::SetUp() {
    g_reportLog.clear();
    mainWindow_ = HandlerWindow(main_, closeRequests_);
    viewWindow_ = HandlerWindow(view_, closeRequests_);
    main_ = std::make_unique<MessageHandler>(mainWindow_);
    view_ = std::make_unique<MessageHandler>(viewWindow_);
    g_mainHandler = main_.get();
    registry_ = std::make_unique<SocketRegistry>();
    g_socketRegistry = registry_.get();
    GetNetSettings() = NetSettings{};
    // Retries come at once: the tests do not wait out the real delay.
    GetNetSettings().connectRetryDelayMs = 0;
}

void NetTest::TearDown() {
    g_socketRegistry = nullptr;
    registry_.reset();
    g_mainHandler = nullptr;
    DestroyWindow(mainWindow_);
    DestroyWindow(viewWindow_);
    main_.reset();
    view_.reset();
}

bool NetTest::RunUntilEnded(const Owner& owner, int seconds) {
    bool ended =
        testing_support::PumpUntil([&owner] { return owner.Ended(); }, std::chrono::seconds(seconds));
    // Anything reported after the end (a second end, say) shows up too.
    testing_support::PumpFor(std::chrono::milliseconds(50));
    return ended;
}

std::string Loopback(uint16_t port, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::string UserAgent() {
    char text[64];
    size_t n = BuildUserAgent(text, sizeof text);
    return std::string(text, n);
}

}  // namespace net_test
