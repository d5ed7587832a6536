#include <windows.h>

#include "core/DelayedMessageQueue.h"
#include "tests/core/MessageTestWindows.h"

namespace message_test {
namespace {

constexpr uint32_t kMsg = 0x8500;

using DelayedMessagesTest = MessagesTest;

TEST_F(DelayedMessagesTest, ArriveInOrderOfDueTime) {
    Recorder r(log, "r");
    main.handler->Register(&r, kMsg, 0);
    MessageHandler& h = *main.handler;
    EXPECT_EQ(h.PostDelayed(kMsg, 300, 0, 300), 2u) << "the first id handed out";
    EXPECT_EQ(h.PostDelayed(kMsg, 100, 0, 100), 3u);
    EXPECT_EQ(h.PostDelayed(kMsg, 200, 0, 200), 4u);
    // Equal due times keep the order of adding.
    h.PostDelayed(kMsg, 1501, 0, 150);
    h.PostDelayed(kMsg, 1502, 0, 150);

    ASSERT_TRUE(RunLoop([&] { return log.size() >= 5; }));
    EXPECT_EQ(log, (Log{"r:8500:100", "r:8500:1501", "r:8500:1502", "r:8500:200", "r:8500:300"}));
    EXPECT_TRUE(queue->IsEmpty());
    h.UnregisterAll(&r);
}

TEST_F(DelayedMessagesTest, ZeroDelayPostsAtOnceAndCancelledMessagesNeverCome) {
    Recorder r(log, "r");
    MessageHandler& h = *main.handler;
    h.Register(&r, kMsg, 0);
    EXPECT_EQ(h.PostDelayed(kMsg, 1, 0, 0), 0u);
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, main.window, kMsg, kMsg, PM_NOREMOVE)) << "posted at once";

    // The first entry is cancelled: the tick that was armed for it finds
    // nothing due and arms the timer for the next one.
    const uint32_t first = h.PostDelayed(kMsg, 2, 0, 30);
    h.PostDelayed(kMsg, 3, 7, 60);
    h.PostDelayed(kMsg, 4, 0, 90);
    h.PostDelayed(kMsg, 5, 0, 120);
    h.CancelDelayedById(first);
    h.CancelDelayed(kMsg, 3, 7);
    h.CancelDelayed(kMsg, 4, 1);  // no such entry
    ASSERT_TRUE(RunLoop([&] { return log.size() >= 3; }));
    Drain();
    EXPECT_EQ(log, (Log{"r:8500:1", "r:8500:4", "r:8500:5"}));
    h.UnregisterAll(&r);
}

TEST_F(DelayedMessagesTest, GoToTheHandlerOfTheirWindow) {
    HandlerWindow second(log, "second");
    auto gone = std::make_unique<HandlerWindow>(log, "gone");
    Recorder onSecond(log, "onSecond");
    second.handler->Register(&onSecond, kMsg, 0);
    EXPECT_NE(gone->handler->PostDelayed(kMsg, 1, 0, 20), 0u);
    EXPECT_NE(second.handler->PostDelayed(kMsg, 2, 0, 40), 0u);
    gone.reset();
    ASSERT_TRUE(RunLoop([&] { return log.size() >= 1; }));
    Drain();
    EXPECT_EQ(log, (Log{"onSecond:8500:2"}));
    second.handler->UnregisterAll(&onSecond);
}

// The system's clock, shifted so that it wraps when the test wants.
struct WrappingSoon : DelayTimer {
    uint32_t offset = 0;
    uint32_t Now() override { return GetTickCount() + offset; }
};

class WrappingClockTest : public MessagesTest {
protected:
    DelayTimer* Timer() override { return &clock; }
    WrappingSoon clock;
};

TEST_F(WrappingClockTest, MessagesSurviveTheTickCountWrapping) {
    Recorder r(log, "r");
    main.handler->Register(&r, kMsg, 0);
    clock.offset = 0u - GetTickCount() - 15;  // wraps 15 ms from now
    for (uint32_t delay : {500u, 30u, 300u}) EXPECT_NE(main.handler->PostDelayed(kMsg, delay, 0, delay), 0u);
    ASSERT_TRUE(RunLoop([&] { return log.size() >= 1; }));
    ASSERT_LT(clock.Now(), 0x80000000u) << "the clock has wrapped by now";
    // Added after the wrap while the others wait (with room to spare on a
    // busy machine).
    EXPECT_NE(main.handler->PostDelayed(kMsg, 1, 0, 1), 0u);
    ASSERT_TRUE(RunLoop([&] { return log.size() >= 4; }));
    EXPECT_EQ(log, (Log{"r:8500:30", "r:8500:1", "r:8500:300", "r:8500:500"}));
    main.handler->UnregisterAll(&r);
}

// A clock the test moves, and a timer that only records how it was armed;
// the test plays the timer's ticks itself.
struct ManualTimer : DelayTimer {
    uint32_t now = 0;
    std::vector<uint32_t> arms;
    bool armed = false;
    bool refuse = false;
    uint32_t Now() override { return now; }
    bool Arm(HWND, UINT id, uint32_t ms) override {
        EXPECT_EQ(id, DelayedMessageQueue::kTimerId);
        if (refuse) return false;
        arms.push_back(ms);
        armed = true;
        return true;
    }
    void Disarm(HWND, UINT) override { armed = false; }
    // Lets the armed time pass and delivers the tick.
    void Tick(DelayedMessageQueue& queue) {
        ASSERT_TRUE(armed);
        now += arms.back();
        queue.OnTimer();
    }
};

class ManualClockTest : public MessagesTest {
protected:
    DelayTimer* Timer() override { return &timer; }
    ManualTimer timer;
};

TEST_F(ManualClockTest, LongDelaysAreReachedInSteps) {
    Recorder r(log, "r");
    main.handler->Register(&r, kMsg, 0);
    queue->Add(main.window, kMsg, 1, 0, 200000);
    for (int i = 0; i < 3; ++i) {
        timer.Tick(*queue);
        Drain();
        EXPECT_EQ(log, Log{}) << "after tick " << i;
    }
    timer.Tick(*queue);
    EXPECT_FALSE(timer.armed);
    ASSERT_TRUE(RunLoop([&] { return !log.empty(); }));
    EXPECT_EQ(timer.arms, (std::vector<uint32_t>{65535, 65535, 65535, 3395}));
    EXPECT_EQ(log, Log{"r:8500:1"});
    main.handler->UnregisterAll(&r);
}

TEST_F(ManualClockTest, AddingAcrossTheWrapKeepsEveryMessage) {
    Recorder r(log, "r");
    main.handler->Register(&r, kMsg, 0);
    timer.now = 0xFFFFFFC0;  // 64 ms before the wrap
    queue->Add(main.window, kMsg, 100, 0, 100);
    timer.now += 80;  // wrapped: 0x10
    EXPECT_NE(queue->Add(main.window, kMsg, 130, 0, 50), 0u) << "due 130 ms after the first Add";
    EXPECT_NE(queue->Add(main.window, kMsg, 90, 0, 10), 0u) << "due first: the timer is armed anew";
    EXPECT_EQ(timer.arms, (std::vector<uint32_t>{100, 10}));
    timer.Tick(*queue);
    timer.Tick(*queue);
    timer.Tick(*queue);
    ASSERT_TRUE(RunLoop([&] { return log.size() >= 3; }));
    EXPECT_EQ(log, (Log{"r:8500:90", "r:8500:100", "r:8500:130"}));
    EXPECT_EQ(timer.arms, (std::vector<uint32_t>{100, 10, 10, 30}));
    main.handler->UnregisterAll(&r);
}

TEST_F(ManualClockTest, ATimerThatCannotBeArmedDropsEveryEntry) {
    EXPECT_EQ(queue->Add(main.window, kMsg, 1, 0, 500), 2u);
    EXPECT_NE(queue->Add(main.window, kMsg, 2, 0, 600), 0u) << "goes second: no arming";
    timer.refuse = true;
    EXPECT_EQ(queue->Add(main.window, kMsg, 3, 0, 100), 0u);
    EXPECT_TRUE(queue->IsEmpty());
}

}  // namespace
}  // namespace message_test
