#include <windows.h>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "tests/core/MessageTestWindows.h"
#include "tests/support/WindowTools.h"

namespace message_test {
namespace {

constexpr uint32_t kMsgA = 0x8400;
constexpr uint32_t kMsgB = 0x8401;
constexpr uint32_t kLate = 0x9001;

using MessageHandlerTest = MessagesTest;

TEST_F(MessageHandlerTest, NewestRegistrationHearsFirstAndIdsSelect) {
    Recorder any1(log, "any1"), five(log, "five"), any2(log, "any2"), other(log, "other");
    MessageHandler& h = *main.handler;
    ASSERT_TRUE(h.Register(&any1, kMsgA, 0));
    ASSERT_TRUE(h.Register(&five, kMsgA, 5));
    ASSERT_TRUE(h.Register(&any2, kMsgA, 0));
    ASSERT_TRUE(h.Register(&other, kMsgB, 0));

    // Through the real window: posted, taken by the window procedure.
    h.Post(kMsgA, 5, 0);
    h.Post(kMsgA, 7, 0);
    ASSERT_TRUE(RunLoop([&] { return log.size() >= 5; }));
    Drain();
    EXPECT_EQ(log, (Log{"any2:8400:5", "five:8400:5", "any1:8400:5", "any2:8400:7", "any1:8400:7"}));

    EXPECT_TRUE(h.IsRegistered(&five, kMsgA, 5));
    EXPECT_FALSE(h.IsRegistered(&five, kMsgA, 0)) << "an id of 0 matches only 0 here";
    EXPECT_FALSE(h.IsRegistered(&five, kMsgB, 5));
    for (Recorder* r : {&any1, &five, &any2, &other}) h.UnregisterAll(r);
}

TEST_F(MessageHandlerTest, ChangesDuringDeliveryTakeEffectSafely) {
    MessageHandler& h = *main.handler;
    Recorder oldest(log, "oldest"), quitter(log, "quitter"), adder(log, "adder"), late(log, "late");
    // Registered twice: both records are marked by one Unregister.
    h.Register(&oldest, kMsgA, 0);
    h.Register(&oldest, kMsgA, 0);
    h.Register(&quitter, kMsgA, 0);
    h.Register(&adder, kMsgA, 0);
    quitter.also = [&] {
        h.Unregister(&quitter, kMsgA, 0);
        h.Unregister(&oldest, kMsgA, 0);
    };
    adder.also = [&] {
        if (!h.IsRegistered(&late, kMsgA, 0)) h.Register(&late, kMsgA, 0);
    };

    h.Dispatch(kMsgA, 0, 0);
    EXPECT_EQ(log, (Log{"adder:8400", "quitter:8400"}));
    EXPECT_FALSE(h.IsRegistered(&quitter, kMsgA, 0));
    EXPECT_FALSE(h.IsRegistered(&oldest, kMsgA, 0));

    log.clear();
    h.Dispatch(kMsgA, 0, 0);
    EXPECT_EQ(log, (Log{"late:8400", "adder:8400"}));

    // A nested dispatch from inside a delivery reaches the same
    // registrations and leaves the outer walk intact.
    log.clear();
    bool nested = false;
    late.also = [&] {
        if (nested) return;
        nested = true;
        h.UnregisterAll(&adder);
        h.Dispatch(kMsgA, 2, 0);
    };
    h.Dispatch(kMsgA, 1, 0);
    EXPECT_EQ(log, (Log{"late:8400:1", "late:8400:2"}));
    log.clear();
    h.Dispatch(kMsgA, 3, 0);
    EXPECT_EQ(log, (Log{"late:8400:3"}));
    h.UnregisterAll(&late);
}

TEST_F(MessageHandlerTest, LateMessagesWaitForPendingPaint) {
    Recorder r(log, "r");
    main.handler->Register(&r, kLate, 0);
    main.handler->Register(&r, kMsgStartupFinished, 0);

    // A hidden window still gets WM_PAINT for an invalid region under Wine;
    // post one when it does not, so the queue holds a paint either way.
    InvalidateRect(main.window, nullptr, TRUE);
    MSG m;
    if (!PeekMessageA(&m, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE))
        PostMessageA(main.window, WM_PAINT, 0, 0);

    main.handler->Dispatch(kLate, 1, 0);
    EXPECT_EQ(log, Log{}) << "0x9001 waits while a paint is pending";
    main.handler->Dispatch(kMsgStartupFinished, 0, 0);
    EXPECT_EQ(log, Log{"r:9000"}) << "0x9000 is never held back";

    ASSERT_TRUE(RunLoop([&] { return log.size() >= 3; }));
    EXPECT_EQ(log, (Log{"r:9000", "main:paint", "r:9001:1"}));
    main.handler->UnregisterAll(&r);
}

TEST_F(MessageHandlerTest, DeferredMessagesGoToTheirOwnWindowsHandler) {
    HandlerWindow second(log, "second");
    auto gone = std::make_unique<HandlerWindow>(log, "gone");
    Recorder onMain(log, "onMain"), onSecond(log, "onSecond"), onGone(log, "onGone");
    main.handler->Register(&onMain, kLate, 0);
    second.handler->Register(&onSecond, kLate, 0);
    gone->handler->Register(&onGone, kLate, 0);

    PostMessageA(main.window, WM_NULL, 0, 0);
    second.handler->Dispatch(kLate, 2, 0);
    gone->handler->Dispatch(kLate, 3, 0);
    main.handler->Dispatch(kLate, 1, 0);
    EXPECT_EQ(log, Log{});
    // The handler goes before its deferred message is handed on: dropped.
    gone->handler->UnregisterAll(&onGone);
    gone.reset();

    ASSERT_TRUE(RunLoop([&] { return log.size() >= 2; }));
    Drain();
    EXPECT_EQ(log, (Log{"onSecond:9001:2", "onMain:9001:1"}));
    main.handler->UnregisterAll(&onMain);
    second.handler->UnregisterAll(&onSecond);
}

// Refuses posts while `refusing` is set, as a full queue would.
bool refusing = false;
BOOL WINAPI RefusingPost(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return refusing ? FALSE : PostMessageA(w, m, wp, lp);
}

TEST_F(MessageHandlerTest, RefusedPostsGoOutFirstAndInOrder) {
    Recorder r(log, "r");
    main.handler->Register(&r, kMsgA, 0);
    MessageHandler::SetPostFunction(RefusingPost);

    refusing = true;
    main.handler->Post(kMsgA, 1, 0);
    main.handler->Post(kMsgA, 2, 0);
    EXPECT_FALSE(main.handler->RetryPosts());
    refusing = false;
    // Would be accepted at once, but must not overtake the two before it.
    main.handler->Post(kMsgA, 3, 0);
    ASSERT_TRUE(RunLoop([&] { return log.size() >= 3; }));
    EXPECT_EQ(log, (Log{"r:8400:1", "r:8400:2", "r:8400:3"}));

    // A dispatch also sends the waiting posts on.
    log.clear();
    refusing = true;
    main.handler->Post(kMsgA, 4, 0);
    refusing = false;
    main.handler->Dispatch(kMsgB, 0, 0);
    EXPECT_TRUE(main.handler->RetryPosts());
    ASSERT_TRUE(RunLoop([&] { return log.size() >= 1; }));
    EXPECT_EQ(log, (Log{"r:8400:4"}));
    main.handler->UnregisterAll(&r);
}

TEST_F(MessageHandlerTest, PostToADestroyedWindowDoesNotHoldBackLaterPosts) {
    Recorder r(log, "r");
    main.handler->Register(&r, kMsgA, 0);

    // The window is gone before the post: the system refuses it for good.
    HandlerWindow closed(log, "closed");
    DestroyWindow(closed.window);
    closed.handler->Post(kMsgA, 1, 0);
    EXPECT_TRUE(main.handler->RetryPosts());
    main.handler->Post(kMsgA, 2, 0);

    // The window goes while its refused post waits in the retry queue.
    MessageHandler::SetPostFunction(RefusingPost);
    HandlerWindow closing(log, "closing");
    refusing = true;
    closing.handler->Post(kMsgA, 3, 0);
    main.handler->Post(kMsgA, 4, 0);
    DestroyWindow(closing.window);
    refusing = false;
    main.handler->Post(kMsgA, 5, 0);

    ASSERT_TRUE(RunLoop([&] { return log.size() >= 3; }));
    Drain();
    EXPECT_EQ(log, (Log{"r:8400:2", "r:8400:4", "r:8400:5"}));
    EXPECT_TRUE(main.handler->RetryPosts());
    main.handler->UnregisterAll(&r);
}

TEST_F(MessageHandlerTest, SendAnswersWithTheWindowsResult) {
    HWND w = testing_support::CreateTestWindow(
        [](HWND, UINT m, WPARAM wp, LPARAM lp) -> LRESULT { return m == kMsgA ? LRESULT(wp + lp) : 0; });
    MessageHandler h(w);
    EXPECT_EQ(h.Send(kMsgA, 40, 2), 42);
    EXPECT_EQ(MessageHandler::ForWindow(w), &h);
    EXPECT_EQ(MessageHandler::ForWindow(main.window), main.handler.get());
    DestroyWindow(w);
}

}  // namespace
}  // namespace message_test
