// A page's image table: numbering and reuse of images, the loads it starts,
// and which images the page's window views while their boxes are shown.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "layout/FixedMetricsDevice.h"
#include "layout/GifImage.h"
#include "layout/LayoutElement.h"
#include "layout/PageImages.h"
#include "net/UrlRecord.h"
#include "tests/layout/ImageTestSupport.h"

namespace {

// The window's side, recorded: the table's calls are what is checked; the
// images count their viewers themselves.
class RecordingWindow : public PageImageWindow {
public:
    void AttachViewer(Image& image) override {
        log.push_back("attach " + Name(image));
        image.AttachViewer(this);
    }
    void DetachViewer(Image& image) override {
        log.push_back("detach " + Name(image));
        image.DetachViewer(this);
    }
    bool StartImageLoad(const UrlHandle& url, MessageCallback*, const UrlHandle&) override {
        log.push_back(std::string("load ") + url.GetName());
        return startLoads;
    }
    void TouchImage(Image& image) override { log.push_back("touch " + Name(image)); }

    std::string Name(const Image& image) const {
        for (size_t i = 0; i < images.size(); ++i) {
            if (images[i] == &image) return std::to_string(i);
        }
        return "?";
    }

    std::vector<const Image*> images;
    std::vector<std::string> log;
    bool startLoads = true;
};

LayoutRequest Size(int32_t w, int32_t h) {
    LayoutRequest r;
    r.width = w;
    r.height = h;
    return r;
}

UrlHandle Url(const char* name, int status = kLoadNever) {
    UrlHandle url(name, false);
    url->SetLoadStatus(status);
    return url;
}

ImageHandle ImageFor(RecordingWindow& window, const UrlHandle* url = nullptr) {
    ImageHandle image(false);
    if (url) image->SetUrl(*url);
    window.images.push_back(image.Get());
    return image;
}

TEST(PageImages, NumbersImagesOnceEach) {
    RecordingWindow window;
    PageImages table(&window);
    UrlHandle a = Url("http://h/a.gif");
    ImageHandle first = ImageFor(window, &a);
    ImageHandle second = ImageFor(window);
    EXPECT_EQ(1, table.AddImage(first));
    EXPECT_EQ(2, table.AddImage(second));
    EXPECT_EQ(1, table.AddImage(first));
    // The shared empty image stands for "none yet": each gets a number.
    EXPECT_EQ(3, table.AddImage(ImageHandle(true)));
    EXPECT_EQ(4, table.AddImage(ImageHandle(true)));

    EXPECT_EQ(1, table.IndexOfUrl(a->GetId()));
    EXPECT_EQ(0, table.IndexOfUrl(a->GetId() + 1000));
    EXPECT_TRUE(table.ImageByNumber(0).IsEmpty());
    EXPECT_TRUE(table.ImageByNumber(5).IsEmpty());
    EXPECT_EQ(second.Get(), table.ImageByNumber(2).Get());
    EXPECT_EQ(nullptr, table.ImageSlot(5));

    // Replacing outside the list changes nothing; inside, the window moves
    // its viewing from the old image to the new one.
    ImageHandle third = ImageFor(window);
    table.ReplaceImage(5, third, false);
    EXPECT_EQ(4u, table.ImageCount());
    EXPECT_TRUE(window.log.empty());
    table.ReplaceImage(2, third, false);
    EXPECT_EQ((std::vector<std::string>{"detach 1", "attach 2"}), window.log);
    EXPECT_EQ(third.Get(), table.ImageByNumber(2).Get());
    EXPECT_FALSE(table.IsImageReady(2));  // nothing decoded yet
    EXPECT_TRUE(table.IsImageReady(1));
    EXPECT_FALSE(table.IsImageReady(9));

    PageImages other(&window);
    other.AddImage(second);
    table.CopyImagesTo(other);
    EXPECT_EQ(5u, other.ImageCount());  // second kept its number, the rest appended
    EXPECT_EQ(1, other.AddImage(second));
}

TEST(PageImages, StartsOnlyTheLoadsThatAreNeeded) {
    RecordingWindow window;
    PageImages table(&window);
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    UrlHandle cached = Url("http://h/cached.gif", kLoadLoaded);
    UrlHandle fresh = Url("http://h/fresh.gif");
    UrlHandle other = Url("http://h/other.gif");
    uint32_t usesBefore = cached->GetUseCount();
    table.AddElement(&root, UrlHandle(), true);
    table.AddElement(&root, cached, true);
    table.AddElement(&root, fresh, true);
    table.AddElement(&root, other, false);
    table.AddPendingUrl(fresh);
    table.AddPendingUrl(other);

    EXPECT_EQ(1, table.StartLoads(nullptr, UrlHandle()));
    EXPECT_EQ((std::vector<std::string>{"load http://h/fresh.gif"}), window.log);
    EXPECT_EQ(cached->GetUseCount(), usesBefore + 1);
    const auto& entries = table.Entries();
    EXPECT_EQ(PageImages::kDone, entries[0].state);
    EXPECT_EQ(PageImages::kDone, entries[1].state);
    EXPECT_EQ(PageImages::kLoading, entries[2].state);
    EXPECT_EQ(PageImages::kDone, entries[3].state);
    // Started loads are not started again.
    EXPECT_EQ(0, table.StartLoads(nullptr, UrlHandle()));

    EXPECT_EQ(2, table.MarkUrlLoaded(fresh->GetId()));  // the entry and the pending URL
    EXPECT_EQ(PageImages::kDone, entries[2].state);
    EXPECT_EQ(1u, table.PendingUrlCount());
    EXPECT_EQ(0, table.MarkUrlLoaded(fresh->GetId()));

    // A table whose URLs are all cached starts nothing.
    PageImages allCached(&window);
    allCached.AddElement(&root, cached, true);
    allCached.AddElement(&root, cached, true);
    EXPECT_EQ(0, allCached.StartLoads(nullptr, UrlHandle()));
    for (const auto& entry : allCached.Entries()) EXPECT_EQ(PageImages::kDone, entry.state);

    // A load the window could not start is tried again next time.
    window.startLoads = false;
    PageImages refused(&window);
    refused.AddElement(&root, fresh, true);
    EXPECT_EQ(0, refused.StartLoads(nullptr, UrlHandle()));
    EXPECT_EQ(PageImages::kNew, refused.Entries()[0].state);
}

TEST(PageImages, WindowViewsTheImagesOfShownBoxes) {
    RecordingWindow window;
    PageImages table(&window);
    ImageHandle picture = ImageFor(window);
    ImageHandle backdrop = ImageFor(window);
    int number = table.AddImage(picture);
    LayoutRequest page = Size(400, 1000);
    LayoutRequest box = Size(50, 40);
    BlockBox root(nullptr, &page, nullptr, nullptr);
    auto* top = new ImageBox(&root, &box, nullptr, nullptr, number, 0, false);
    auto* low = new ImageBox(&root, &box, nullptr, nullptr, number, 0, false);
    low->SetY(600);
    table.AddElement(top, UrlHandle(), false);
    table.AddElement(low, UrlHandle(), false);

    table.ShowEntry(top, 0, 0);
    table.ShowEntry(top, 0, 0);  // shown already
    table.ShowEntry(low, 0, 600);
    EXPECT_EQ((std::vector<std::string>{"attach 0", "attach 0"}), window.log);
    window.log.clear();

    // Scrolled to the top 300 pixels: the low box goes out of view.
    table.DetachOutside(0, 0, 400, 300);
    EXPECT_EQ((std::vector<std::string>{"detach 0"}), window.log);
    EXPECT_TRUE(table.Entries()[0].shown);
    EXPECT_FALSE(table.Entries()[1].shown);
    window.log.clear();
    // The window still views the image through the top box: not touched.
    EXPECT_EQ(1, picture->ViewerCount());
    table.PaintVisible(0, 0, 400, 300);
    EXPECT_TRUE(window.log.empty());

    table.Background() = backdrop;
    table.ShowBackground(true);
    table.ShowBackground(true);
    uint16_t generation = table.Generation();
    table.ClearEntries();
    EXPECT_EQ(generation + 1, table.Generation());
    EXPECT_TRUE(table.Entries().empty());
    table.DetachAll();
    EXPECT_EQ((std::vector<std::string>{"attach 1", "detach 0", "detach 1"}), window.log);
    EXPECT_EQ(0, picture->ViewerCount());
    EXPECT_EQ(0, backdrop->ViewerCount());

    // Out of sight and viewed by no window: marked recently used.
    table.AddElement(low, UrlHandle(), false);
    window.log.clear();
    table.PaintVisible(0, 0, 400, 300);
    EXPECT_EQ((std::vector<std::string>{"touch 0"}), window.log);
}

TEST(PageImages, NewLayoutFindsThePreviousImages) {
    RecordingWindow window;
    PageImages table(&window);
    UrlHandle a = Url("http://h/a.gif", kLoadLoaded);
    UrlHandle b = Url("http://h/b.gif", kLoadLoaded);
    UrlHandle busy = Url("http://h/busy.gif", kLoadLoading);
    UrlHandle unknown = Url("http://h/unknown.gif");
    ImageHandle imageA = ImageFor(window, &a);
    ImageHandle imageBusy = ImageFor(window, &busy);
    ImageHandle imageB = ImageFor(window, &b);
    table.AddImage(imageA);
    table.AddImage(imageBusy);
    table.AddImage(imageB);

    table.KeepPreviousImages();
    table.ClearImages();
    EXPECT_EQ(0u, table.ImageCount());
    imageA = ImageHandle(true);  // the kept copy holds it
    bool stopped = true;
    ImageHandle found = table.FindPreviousImage(a, stopped);
    EXPECT_FALSE(stopped);
    ASSERT_FALSE(found.IsEmpty());
    EXPECT_EQ(a.Record(), found->Url().Record());
    // The walk ends at an image whose URL is still loading.
    EXPECT_TRUE(table.FindPreviousImage(b, stopped).IsEmpty());
    EXPECT_TRUE(table.FindPreviousImage(unknown, stopped).IsEmpty());
    table.ReleasePreviousImages();
    EXPECT_TRUE(table.FindPreviousImage(a, stopped).IsEmpty());
}


// The decoded image a URL has so far, as the page's maker finds it.
ImageHandle g_arrived(true);
ImageHandle Arrived(const UrlHandle&) {
    return g_arrived;
}

// A device that records what it is asked to repaint.
class RepaintLog : public FixedMetricsDevice {
public:
    RepaintLog() : FixedMetricsDevice(400, 300) {}
    void InvalidateArea(int32_t x, int32_t y, int32_t w, int32_t h, bool) override {
        areas.push_back(std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(w) + "x" +
                        std::to_string(h));
    }
    std::vector<std::string> areas;
};

TEST(PageImages, ArrivingDataReplacesTheStandInAndRepaintsWhatShowsIt) {
    RecordingWindow window;
    PageImages table(&window);
    table.SetImageMaker(&Arrived);
    UrlHandle url = Url("http://h/slow.gif", kLoadLoading);
    const uint32_t id = url->GetId();

    // Nothing arrived yet: a stand-in of unknown size holds the number.
    g_arrived = ImageHandle(true);
    ImageLookup first = table.FindImage(nullptr, url);
    EXPECT_EQ(1, first.number);
    EXPECT_FALSE(first.sizeKnown);
    EXPECT_TRUE(first.loading);
    window.images.push_back(table.ImageByNumber(1).Get());
    LayoutRequest page = Size(400, 1000), box = Size(50, 40);
    BlockBox root(nullptr, &page, nullptr, nullptr);
    auto* placeholder = new AltTextBox(&root, &box, nullptr, nullptr, "IMAGE ", 6, false);
    auto* shown = new ImageBox(&root, &box, nullptr, nullptr, first.number, 0, true);
    auto* below = new ImageBox(&root, &box, nullptr, nullptr, first.number, 0, true);
    placeholder->SetX(0);
    placeholder->SetY(0);
    shown->SetX(10);
    shown->SetY(20);
    below->SetY(700);
    table.RegisterImageBox(first.number, placeholder);
    table.RegisterImageBox(first.number, shown);
    table.RegisterImageBox(first.number, below);
    EXPECT_EQ(nullptr, table.ShowImageBox(*shown, 10, 20)) << "nothing to draw yet";
    EXPECT_FALSE(table.AwaitsSize(id));

    // The first bytes came: the URL's image replaces the stand-in, the
    // window views it instead, and its size asks for a new layout.
    auto* gif = new GifImage;
    g_arrived = ImageHandle(gif);
    image_test::FeedWhole(*gif, image_test::Fixture("gif/transparent.gif"));
    window.images.push_back(gif);
    window.log.clear();
    table.RefreshUrl(id);
    EXPECT_EQ(gif, table.ImageByNumber(1).Get());
    EXPECT_EQ((std::vector<std::string>{"detach 0", "attach 1"}), window.log);
    EXPECT_TRUE(table.AwaitsSize(id));
    EXPECT_FALSE(table.AwaitsSize(id + 1000));
    EXPECT_EQ(gif, table.ShowImageBox(*shown, 10, 20));
    // Once it holds data it stays, whatever the maker answers later.
    g_arrived = ImageHandle(true);
    table.RefreshUrl(id);
    EXPECT_EQ(gif, table.ImageByNumber(1).Get());

    // Repainted: the parts of its boxes in the view, in view coordinates.
    RepaintLog device;
    table.RedrawUrl(id, device, 0, 10, 400, 300, false);
    EXPECT_EQ((std::vector<std::string>{"0,0 50x30", "10,10 50x40"}), device.areas);
    device.areas.clear();
    table.RedrawUrl(id + 1000, device, 0, 0, 400, 300, false);
    EXPECT_TRUE(device.areas.empty());
    table.ClearEntries();
    g_arrived = ImageHandle(true);
}

// A device that records the images it is asked to draw.
class DrawLog : public RepaintLog {
public:
    int DeviceDrawImage(Image& image, const ImagePlacement& at, DeviceColor) override {
        drawn.push_back(&image);
        placements.push_back(at);
        return 1;
    }
    std::vector<const Image*> drawn;
    std::vector<ImagePlacement> placements;
};

TEST(PageImages, TheBackgroundTilesFromThePageOriginAndIsViewedWhileDrawn) {
    RecordingWindow window;
    PageImages table(&window);
    table.SetImageMaker(&Arrived);
    UrlHandle url = Url("http://h/tile.gif", kLoadLoading);
    const uint32_t id = url->GetId();
    g_arrived = ImageHandle(true);
    table.SetBackgroundUrl(url);
    EXPECT_EQ(1u, table.ImageCount()) << "numbered like any image of the page";
    EXPECT_EQ(1, table.IndexOfUrl(id));
    table.SetBackgroundUrl(url);
    EXPECT_EQ(1u, table.ImageCount());
    DrawLog device;
    const DeviceRect view{0, 0, 400, 300};
    EXPECT_FALSE(table.DrawBackground(device, view, 0, 0)) << "nothing arrived yet";
    table.RedrawUrl(id, device, 0, 0, 400, 300, false);
    EXPECT_TRUE(device.areas.empty()) << "nothing to repaint yet";

    // The picture arrives: the view repaints whole, the tiles start at the
    // page's origin however far the view is scrolled, and the window views
    // the picture from its first drawing until the images are cleared.
    auto* gif = new GifImage;
    g_arrived = ImageHandle(gif);
    image_test::FeedWhole(*gif, image_test::Fixture("gif/transparent.gif"));
    window.images.push_back(gif);
    table.RefreshUrl(id);
    table.RedrawUrl(id, device, 30, 500, 400, 300, false);
    EXPECT_EQ((std::vector<std::string>{"0,0 400x300"}), device.areas);
    window.log.clear();
    const DeviceRect part{10, 20, 200, 100};
    ASSERT_TRUE(table.DrawBackground(device, part, 30, 500));
    ASSERT_TRUE(table.DrawBackground(device, view, 30, 500));
    EXPECT_EQ((std::vector<std::string>{"attach 0"}), window.log) << "viewed once";
    ASSERT_EQ(2u, device.drawn.size());
    const ImagePlacement& at = device.placements[0];
    EXPECT_EQ(gif, device.drawn[0]);
    EXPECT_EQ(-30, at.x);
    EXPECT_EQ(-500, at.y);
    EXPECT_EQ(gif->Width(), at.tileWidth);
    EXPECT_EQ(gif->Height(), at.tileHeight);
    EXPECT_EQ(gif->Width(), at.width);
    EXPECT_EQ((std::vector<int32_t>{10, 20, 200, 100}),
              (std::vector<int32_t>{at.clipLeft, at.clipTop, at.clipRight, at.clipBottom}));
    EXPECT_TRUE(at.background);
    EXPECT_EQ(1, gif->ViewerCount());

    // A new layout lets go of it and finds it again.
    table.LayoutDropped();
    EXPECT_EQ(0, gif->ViewerCount());
    table.SetBackgroundUrl(url);
    EXPECT_EQ(gif, table.ImageByNumber(table.IndexOfUrl(id)).Get());
    EXPECT_TRUE(table.DrawBackground(device, view, 0, 0));
    EXPECT_EQ(1, gif->ViewerCount());
    // No background any more: no longer viewed, nothing drawn.
    table.SetBackgroundUrl(UrlHandle());
    EXPECT_EQ(0, gif->ViewerCount());
    EXPECT_FALSE(table.DrawBackground(device, view, 0, 0));
    g_arrived = ImageHandle(true);
}

}  // namespace
