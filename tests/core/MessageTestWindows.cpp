#include "tests/core/MessageTestWindows.h"

#include <cstdio>

#include "core/InternalMessages.h"
#include "tests/support/WindowTools.h"

namespace message_test {

std::string Hex(uint32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", n);
    return text;
}

void Recorder::OnMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    log.push_back(name + ":" + Hex(message) + (p1 ? ":" + std::to_string(p1) : ""));
    if (also) also();
}

HandlerWindow::HandlerWindow(Log& log, std::string name) : log_(log), name_(std::move(name)) {
    window = testing_support::CreateTestWindow([this](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_TIMER && wp == DelayedMessageQueue::kTimerId) {
            if (g_delayedMessages) g_delayedMessages->OnTimer();
            return 0;
        }
        if (m == WM_PAINT) {
            log_.push_back(name_ + ":paint");
            PAINTSTRUCT ps;
            BeginPaint(w, &ps);
            EndPaint(w, &ps);
            return 0;
        }
        if (m >= kFirstInternalMessage && m < 0xC000 && handler) {
            handler->Dispatch(m, uint32_t(wp), uint32_t(lp));
            return 0;
        }
        return DefWindowProcA(w, m, wp, lp);
    });
    handler = std::make_unique<MessageHandler>(window);
}

HandlerWindow::~HandlerWindow() {
    handler.reset();
    if (IsWindow(window)) DestroyWindow(window);
}

bool RunLoop(const std::function<bool()>& done, int timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        MSG m;
        if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
            if (g_mainHandler) g_mainHandler->PumpDeferred();
            continue;
        }
        if (GetTickCount() - start > DWORD(timeoutMs)) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void Drain() {
    DWORD quietSince = GetTickCount();
    RunLoop([&] {
        if (GetQueueStatus(QS_ALLINPUT) & 0xFFFF0000u) quietSince = GetTickCount();
        return GetTickCount() - quietSince > 50;
    });
}

}  // namespace message_test
