// Handles and their counts, reading files by extension, animation loops as
// the windows that show an image see them, and the image cache's trim.
#include <deque>
#include <gtest/gtest.h>
#include <string>

#include "core/MemoryManager.h"
#include "layout/BmpImage.h"
#include "layout/GifImage.h"
#include "layout/JpegImage.h"
#include "tests/layout/ImageTestSupport.h"
#include "tests/support/TestPaths.h"

using image_test::FeedWhole;
using image_test::Fixture;
using testing_support::SourcePath;

TEST(ImageHandle, CountsKeepImagesAliveAndTheEmptyImageForever) {
    ImageHandle empty(true);
    EXPECT_TRUE(empty.IsEmpty());
    ImageHandle own(false);
    EXPECT_FALSE(own.IsEmpty());
    Image* image = own.Get();
    ImageHandle& same = own;
    own = same;  // raised before lowered: still alive
    EXPECT_EQ(1, image->UseCount());
    ImageHandle copy(own);
    EXPECT_EQ(2, image->UseCount());
    own.Assign(empty);
    EXPECT_EQ(1, image->UseCount());
    EXPECT_TRUE(own.IsEmpty());
}

TEST(ImageHandle, FilesAreReadByTheirExtension) {
    ImageHandle gif = ImageHandle::MakeForFile(SourcePath("tests/layout/images/gif/plain.gif").c_str());
    ASSERT_NE(nullptr, dynamic_cast<GifImage*>(gif.Get()));
    EXPECT_TRUE(gif->IsComplete());
    EXPECT_EQ(37, gif->Width());
    ImageHandle bmp = ImageHandle::MakeForFile(SourcePath("tests/layout/images/bmp/b24.bmp").c_str());
    EXPECT_NE(nullptr, dynamic_cast<BmpImage*>(bmp.Get()));
    EXPECT_EQ(5, bmp->FrameByNumber(1)->rowsDecoded);

    testing_support::ScratchDir dir;
    testing_support::WriteWholeFile(dir.File("photo.JPE"), "not read as anything but JPEG");
    testing_support::WriteWholeFile(dir.File("picture.png"), Fixture("gif/plain.gif"));
    EXPECT_NE(nullptr,
              dynamic_cast<JpegImage*>(ImageHandle::MakeForFile(dir.File("photo.JPE").c_str()).Get()));
    EXPECT_TRUE(ImageHandle::MakeForFile(dir.File("picture.png").c_str()).IsEmpty());
    EXPECT_TRUE(ImageHandle::MakeForFile("").IsEmpty());
    EXPECT_TRUE(ImageHandle::MakeForFile(nullptr).IsEmpty());
    ImageHandle missing = ImageHandle::MakeForFile(dir.File("missing.gif").c_str());
    EXPECT_EQ(0u, missing->FrameCount());
}

// A bitmap whose rows are longer than the file chunk: the bytes kept between
// chunks outgrow it.
TEST(ImageHandle, FileRowsLongerThanAChunkDecode) {
    const int width = 4000, height = 3;
    const uint32_t stride = width * 3;
    std::string file(54, '\0');
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) file[at + i] = static_cast<char>(v >> (8 * i));
    };
    put(0, 'B' | ('M' << 8), 2);
    put(2, 54 + stride * height, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < height; ++y) file += std::string(stride, static_cast<char>(10 + y));
    testing_support::ScratchDir dir;
    testing_support::WriteWholeFile(dir.File("wide.bmp"), file);
    ImageHandle image = ImageHandle::MakeForFile(dir.File("wide.bmp").c_str());
    const ImageFrame* frame = image->FrameByNumber(1);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(height, frame->rowsDecoded);
    EXPECT_EQ(12, frame->Row(0)[stride - 1]);  // the last data row is the top row
}

namespace {

// Stands in for the delayed 0x8187 messages: the test plays the windows.
class RecordingClock : public AnimationClock {
public:
    struct Post {
        void* viewer;
        uint32_t urlId;
        uint32_t parameter;
        uint32_t delayMs;
    };
    void Post(void* viewer, uint32_t urlId, uint32_t parameter, uint32_t delayMs) override {
        posts.push_back({viewer, urlId, parameter, delayMs});
    }
    void Cancel(void* viewer, uint32_t) override { ++cancels; }
    std::deque<struct Post> posts;
    int cancels = 0;
};

}  // namespace

TEST(ImageAnimation, LoopCountTwoStopsAfterTwoLoops) {
    RecordingClock clock;
    SetAnimationClock(&clock);
    ImageHandle handle = ImageHandle::MakeForKind(2, 77);
    FeedWhole(*handle.Get(), Fixture("gif/loop2.gif"));
    int window = 0;
    handle->StartAnimation(&window, handle->LoopCount());
    ASSERT_EQ(1u, clock.posts.size());
    EXPECT_EQ(77u, clock.posts[0].urlId);
    EXPECT_EQ(30u, clock.posts[0].delayMs);
    std::vector<uint32_t> shown;
    while (!clock.posts.empty() && shown.size() < 100) {
        uint32_t parameter = clock.posts.front().parameter;
        clock.posts.pop_front();
        shown.push_back(parameter);
        handle->AdvanceAnimation();  // the window draws the frame
    }
    // Frame 2 is disposed to the background: its messages say so.
    std::vector<uint32_t> expected = {1, 0x10002, 3, 4, 1, 0x10002, 3, 4};
    EXPECT_EQ(expected, shown);
    EXPECT_EQ(-1, handle->ViewerLoops(&window));
    SetAnimationClock(nullptr);
}

TEST(ImageAnimation, TwoViewersAnimateApart) {
    RecordingClock clock;
    SetAnimationClock(&clock);
    ImageHandle handle = ImageHandle::MakeForKind(2, 5);
    FeedWhole(*handle.Get(), Fixture("gif/forever.gif"));
    int first = 0, second = 0;
    handle->StartAnimation(&first, handle->LoopCount());
    handle->StartAnimation(&second, handle->LoopCount());
    handle->StartAnimation(&second, handle->LoopCount());
    EXPECT_EQ(2u, clock.posts.size());
    handle->StopAnimation(&second);
    EXPECT_EQ(Image::kLoopForever, handle->ViewerLoops(&second));
    handle->StopAnimation(&second);
    EXPECT_EQ(-1, handle->ViewerLoops(&second));
    EXPECT_EQ(Image::kLoopForever, handle->ViewerLoops(&first));
    for (int i = 0; i < 30; ++i) handle->AdvanceAnimation();
    EXPECT_EQ(Image::kLoopForever, handle->ViewerLoops(&first));
    handle->StopAnimation(&first);
    SetAnimationClock(nullptr);
}

TEST(ImageCache, TrimReleasesUnviewedCompleteImages) {
    MemoryManager manager(0, 0);
    g_memoryManager = &manager;
    {
        ImageHandle shown = ImageHandle::MakeForKind(2, 1);
        ImageHandle idle = ImageHandle::MakeForKind(2, 2);
        FeedWhole(*shown.Get(), Fixture("gif/plain.gif"));
        FeedWhole(*idle.Get(), Fixture("gif/plain.gif"));
        EXPECT_GT(manager.ImageUsage(), 0u);
        int window = 0;
        shown->StartAnimation(&window, 1);
        manager.TouchImage(shown.Get());
        manager.TouchImage(idle.Get());
        manager.SetImageBudget(1);
        EXPECT_EQ(0u, idle->FrameCount());   // released: it can be loaded again
        EXPECT_EQ(1u, shown->FrameCount());  // a window shows it
        shown->StopAnimation(&window);
    }
    // The cache's own use keeps the last image until a trim releases it.
    EXPECT_EQ(1u, manager.ImageCount());
    manager.TrimImageMemory();
    EXPECT_EQ(0u, manager.ImageCount());
    g_memoryManager = nullptr;
}
