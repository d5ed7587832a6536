// Animation through real delayed 0x8187 messages to a window's handler: the
// window draws (advances) the image on each, until the loops are used up.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/InternalMessages.h"
#include "layout/AnimationClockWin32.h"
#include "layout/Image.h"
#include "tests/core/MessageTestWindows.h"
#include "tests/layout/ImageTestSupport.h"

namespace message_test {
namespace {

using ImageAnimationTest = MessagesTest;

// The window that shows the image: notes each frame message and draws.
struct Viewer : MessageCallback {
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override {
        frames.push_back(p2);
        if (image) image->AdvanceAnimation();
    }
    Image* image = nullptr;
    std::vector<uint32_t> frames;
};

TEST_F(ImageAnimationTest, LoopCountTwoStopsAfterTwoLoops) {
    InstallAnimationClock();
    ImageHandle image = ImageHandle::MakeForKind(2, 42);
    image_test::FeedWhole(*image.Get(), image_test::Fixture("gif/loop2.gif"));
    ASSERT_EQ(2, image->LoopCount());
    Viewer window;
    window.image = image.Get();
    main.handler->Register(&window, kMsgNextAnimationFrame, 42);
    image->StartAnimation(main.handler.get(), image->LoopCount());
    ASSERT_TRUE(RunLoop([&] { return window.frames.size() >= 8; }));
    Drain();
    // Frame 2 is disposed to the background.
    std::vector<uint32_t> expected = {1, 0x10002, 3, 4, 1, 0x10002, 3, 4};
    EXPECT_EQ(expected, window.frames);
    EXPECT_EQ(-1, image->ViewerLoops(main.handler.get()));
    main.handler->UnregisterAll(&window);
}

TEST_F(ImageAnimationTest, StoppingCancelsThePendingFrame) {
    InstallAnimationClock();
    ImageHandle image = ImageHandle::MakeForKind(2, 43);
    image_test::FeedWhole(*image.Get(), image_test::Fixture("gif/forever.gif"));
    Viewer window;
    main.handler->Register(&window, kMsgNextAnimationFrame, 43);
    image->StartAnimation(main.handler.get(), image->LoopCount());
    image->StopAnimation(main.handler.get());
    Drain();
    EXPECT_TRUE(window.frames.empty());
    EXPECT_TRUE(queue->IsEmpty());
    main.handler->UnregisterAll(&window);
}

}  // namespace
}  // namespace message_test
