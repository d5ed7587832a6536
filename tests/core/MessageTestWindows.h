// Hidden windows with their own MessageHandler, and a message loop that
// pumps deferred messages the way the program's loop does.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/DelayedMessageQueue.h"
#include "core/MessageCallback.h"
#include "core/MessageHandler.h"

namespace message_test {

// What the windows and callbacks saw, in order, as "name:message[:p1]".
using Log = std::vector<std::string>;

std::string Hex(uint32_t n);

// A callback that writes what it hears into the log.
struct Recorder : MessageCallback {
    Recorder(Log& log, std::string name) : log(log), name(std::move(name)) {}
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override;
    Log& log;
    std::string name;
    // Runs after logging, inside the delivery.
    std::function<void()> also;
};

// A hidden window whose internal messages go to its own handler, whose
// timer 123 drives the global delayed-message queue, and whose WM_PAINT is
// logged as "name:paint".
class HandlerWindow {
public:
    HandlerWindow(Log& log, std::string name);
    ~HandlerWindow();
    HWND window = nullptr;
    std::unique_ptr<MessageHandler> handler;

private:
    Log& log_;
    std::string name_;
};

// Runs the thread's message loop (dispatch, then PumpDeferred on the main
// handler) until done() holds or the time is up; answers done().
bool RunLoop(const std::function<bool()>& done, int timeoutMs = 3000);
// Runs the loop until nothing has been waiting for a little while.
void Drain();

}  // namespace message_test

#include <gtest/gtest.h>

namespace message_test {

// A main window with the main handler and the global delayed-message queue
// behind its timer, as the frame window has them.
class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_mainHandler = main.handler.get();
        queue = std::make_unique<DelayedMessageQueue>(main.window, Timer());
        g_delayedMessages = queue.get();
        Drain();
        log.clear();
    }
    void TearDown() override {
        Drain();
        g_delayedMessages = nullptr;
        queue.reset();
        g_mainHandler = nullptr;
        MessageHandler::SetPostFunction(nullptr);
    }
    // The clock the queue uses; null for the system's.
    virtual DelayTimer* Timer() { return nullptr; }

    Log log;
    HandlerWindow main{log, "main"};
    std::unique_ptr<DelayedMessageQueue> queue;
};

}  // namespace message_test
