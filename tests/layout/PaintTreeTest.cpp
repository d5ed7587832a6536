// Painting on the device with fixed metrics, which records what is drawn:
// the order of the two passes, culling to the visible rectangle, markers,
// the selection, background tiles, references to boxes that stick out of
// their parents, and the repaint region; and a page painted as text.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "html/DocumentContent.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/LayoutFormatter.h"
#include "layout/PagePainting.h"
#include "layout/PlainTextDevice.h"
#include "layout/PaintTree.h"
#include "layout/RepaintRegion.h"
#include "tests/html/HtmlTestPages.h"
#include "tests/layout/BoxSearch.h"

namespace {

constexpr int32_t kViewWidth = 400;

struct Page {
    DocumentContent content;
    FixedMetricsDevice device{kViewWidth, 300};
    std::unique_ptr<BlockBox> root;
    std::unique_ptr<LayoutFormatter> formatter;  // owns the boxes' styles

    explicit Page(const std::string& html) {
        html_test::FeedWhole(content, html);
        device.SetFontHeight(10);  // 5 units a character, lines of 12
        LayoutRequest request;
        request.width = kViewWidth;
        root = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
        formatter = std::make_unique<LayoutFormatter>(device, content.GetPage());
        while (formatter->FormatStep(content.Root(), root.get(), 1000000) == kResultBudgetOut) {
        }
        device.ClearLog();
    }

    PaintRequest Whole() const {
        PaintRequest r;
        r.clipWidth = kViewWidth;
        r.clipHeight = 100000;
        return r;
    }

    std::vector<std::string> Paint(const PaintRequest& r) {
        device.ClearLog();
        root->PaintTree(device, r);
        return device.Log();
    }
};

std::vector<std::string> Starting(const std::vector<std::string>& log, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : log) {
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
}

int IndexOf(const std::vector<std::string>& log, const std::string& prefix) {
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
    }
    return -1;
}

using layout_test::FindText;

TEST(PaintTree, BackgroundsAndBlockBordersComeBeforeTheText) {
    Page page("<div style=\"background-color: #ff0000; border: 2px solid #0000ff; padding: 3px\">Hi there</div>"
              "<p>After");
    const std::vector<std::string> log = page.Paint(page.Whole());
    const int fill = IndexOf(log, "fill");
    const int border = IndexOf(log, "line pen 0 color ff0000");  // blue, as the system orders it
    const int text = IndexOf(log, "text");
    ASSERT_GE(fill, 0);
    ASSERT_GE(border, 0);
    ASSERT_GE(text, 0);
    EXPECT_LT(fill, border);
    EXPECT_LT(border, text);
    EXPECT_EQ(log[fill].substr(log[fill].size() - 6), "0000ff") << log[fill];
    // The border lies inside the box: the first line of the top side at
    // the box's top, the text inside the border and padding.
    const LayoutElement* hi = FindText(*page.root, "Hi there");
    ASSERT_NE(hi, nullptr);
    EXPECT_EQ(Starting(log, "text").front(),
              "text " + std::to_string(hi->AbsoluteX()) + "," + std::to_string(hi->AbsoluteY()) + " \"Hi there\"");
    EXPECT_EQ(hi->AbsoluteX(), 5) << "2 of border and 3 of padding";
    // Two sides per direction, two lines each.
    EXPECT_EQ(Starting(log, "line pen 0 color ff0000").size(), 8u);
    // Both paragraphs' text is drawn, and the device's background is the
    // default again afterwards.
    EXPECT_EQ(Starting(log, "text").size(), 2u);
    EXPECT_TRUE(page.device.UsesDefaultBackground());
}

TEST(PaintTree, OnlyWhatMeetsTheVisibleRectangleIsVisitedAndTheViewMovesIt) {
    std::string html;
    for (int i = 0; i < 250; ++i) html += "<p>Paragraph " + std::to_string(i);
    Page page(html);
    const LayoutElement* p100 = FindText(*page.root, "Paragraph 100");
    const LayoutElement* p103 = FindText(*page.root, "Paragraph 103");
    ASSERT_NE(p100, nullptr);
    ASSERT_NE(p103, nullptr);
    PaintRequest r = page.Whole();
    r.viewY = p100->AbsoluteY();
    r.clipHeight = p103->AbsoluteY() - p100->AbsoluteY();
    const std::vector<std::string> texts = Starting(page.Paint(r), "text");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "text 0,0 \"Paragraph 100\"") << "relative to the view";
    EXPECT_NE(texts[2].find("Paragraph 102"), std::string::npos);
    // A clip rectangle inside the view: the same, moved.
    r.viewY = p100->AbsoluteY() - 50;
    r.clipY = 50;
    const std::vector<std::string> moved = Starting(page.Paint(r), "text");
    ASSERT_EQ(moved.size(), 3u);
    EXPECT_EQ(moved[0], "text 0,50 \"Paragraph 100\"");
    // Nothing visible, nothing drawn.
    r.viewY = 1000000;
    EXPECT_TRUE(page.Paint(r).empty());
}

TEST(PaintTree, MarkersDrawBulletsAndNumbersBeforeTheirItems) {
    const struct {
        const char* html;
        std::vector<std::string> texts;
    } cases[] = {
        {"<ol><li value=-3>a<li>b</ol>", {"-3.", "a", "-2.", "b"}},
        {"<ol type=a><li value=28>x</ol>", {"ab.", "x"}},
        {"<ol type=I><li value=4000>y</ol>", {"....", "y"}},
    };
    // These lists have no indent: their markers hang left of the page.
    auto shifted = [](const Page& page) {
        PaintRequest r = page.Whole();
        r.viewX = -50;
        return r;
    };
    for (const auto& c : cases) {
        Page page(c.html);
        std::vector<std::string> drawn;
        for (const std::string& line : Starting(page.Paint(shifted(page)), "text")) {
            drawn.push_back(line.substr(line.find('"') + 1, line.rfind('"') - line.find('"') - 1));
        }
        EXPECT_EQ(drawn, c.texts) << c.html;
    }
    // A number's text ends 10 units before the marker's right end, which is
    // where the item's text starts.
    Page numbered("<ol><li>a</ol>");
    const std::vector<std::string> texts = Starting(numbered.Paint(shifted(numbered)), "text");
    ASSERT_EQ(texts.size(), 2u);
    const LayoutElement* a = FindText(*numbered.root, "a");
    const int x = std::stoi(texts[0].substr(5)) - 50;
    EXPECT_EQ(x + 10 + 10, a->AbsoluteX()) << texts[0] << " \"1.\" is 10 wide";
    // A disc is centred in the marker's column and the line.
    Page bullets("<ul><li>item</ul>");
    const std::vector<std::string> discs = Starting(bullets.Paint(shifted(bullets)), "disc");
    ASSERT_EQ(discs.size(), 1u);
    const LayoutElement* item = FindText(*bullets.root, "item");
    const LayoutElement* marker = item->Parent()->FirstChild();
    ASSERT_EQ(marker->GetKind(), LayoutElement::kListMarkerBox);
    const auto& m = static_cast<const ListMarkerBox&>(*marker);
    const int32_t left = 50 + marker->AbsoluteX() + (m.MarkerWidth() - m.BulletSize()) / 2;
    const int32_t top = marker->AbsoluteY() + (static_cast<int32_t>(marker->Height()) - m.BulletSize()) / 2;
    EXPECT_EQ(discs[0], "disc " + std::to_string(left) + "," + std::to_string(top) + "," +
                            std::to_string(left + m.BulletSize()) + "," + std::to_string(top + m.BulletSize()));
}

TEST(PaintTree, TheSelectionIsInvertedFromStartToEndInTreeOrder) {
    Page page("<p>alpha beta gamma<p>delta<p>omega");
    const LayoutElement* first = FindText(*page.root, "alpha beta gamma");
    const LayoutElement* middle = FindText(*page.root, "delta");
    const LayoutElement* last = FindText(*page.root, "omega");
    ASSERT_TRUE(first && middle && last);
    auto row = [](const LayoutElement* e, int32_t from, int32_t to) {
        return "invert " + std::to_string(e->AbsoluteX() + from) + "," + std::to_string(e->AbsoluteY()) + "," +
               std::to_string(e->AbsoluteX() + to) + "," +
               std::to_string(e->AbsoluteY() + static_cast<int32_t>(e->Height()));
    };
    const std::vector<std::string> expected = {row(first, 30, first->Width()), row(middle, 0, middle->Width()),
                                               row(last, 0, 15)};
    PaintRequest r = page.Whole();
    r.selection = {first, 30, last, 15};
    EXPECT_EQ(Starting(page.Paint(r), "invert"), expected);
    // Made backwards, the same.
    r.selection = {last, 15, first, 30};
    EXPECT_EQ(Starting(page.Paint(r), "invert"), expected);
    // Within one fragment, either way round.
    r.selection = {first, 35, first, 10};
    EXPECT_EQ(Starting(page.Paint(r), "invert"), (std::vector<std::string>{row(first, 10, 35)}));
    // Only the selected characters, and nothing after the selection.
    r.selection = {first, 30, middle, 10};
    r.selectionOnly = true;
    r.stopAfterSelection = true;
    const std::vector<std::string> log = page.Paint(r);
    EXPECT_EQ(Starting(log, "text"), (std::vector<std::string>{
                                          "text " + std::to_string(first->AbsoluteX() + 30) + "," +
                                              std::to_string(first->AbsoluteY()) + " \"beta gamma\"",
                                          "text " + std::to_string(middle->AbsoluteX()) + "," +
                                              std::to_string(middle->AbsoluteY()) + " \"de\"",
                                      }));
    EXPECT_EQ(page.root->PaintTree(page.device, r), 1) << "the selection is behind";
}

TEST(PaintTree, TextStylesAreRestoredWhenElementsAreLeft) {
    Page page("<p><font color=#00ff00><b>green</b></font> plain");
    LogFont before;
    page.device.SetTextColor(0x00123456);
    page.device.GetLogFont(before);
    page.Paint(page.Whole());
    LogFont after;
    page.device.GetLogFont(after);
    EXPECT_EQ(page.device.GetTextColor(), 0x00123456u);
    EXPECT_EQ(after.weight, before.weight);
    EXPECT_EQ(after.height, before.height);
}

class Images : public PaintImages {
public:
    int32_t width = 0, height = 0;
    std::vector<BackgroundTiles> drawn;
    bool ImageSize(int32_t number, int32_t& w, int32_t& h) override {
        w = width, h = height;
        return number == 7;
    }
    void DrawTiles(PaintDevice&, int32_t, const BackgroundTiles& tiles) override { drawn.push_back(tiles); }
};

TEST(PaintTree, BackgroundImagesTileInsideTheBoxOrFallBackToTheColour) {
    BoxStyle style;
    style.backgroundColor = 0x00ABCDEF;
    style.backgroundImage = 7;
    LayoutRequest request;
    request.width = 100;
    request.height = 60;
    request.widthGiven = request.heightGiven = true;
    BlockBox box(nullptr, &request, nullptr, nullptr);
    box.SetX(10);
    box.SetY(20);
    box.SetStyle(&style);
    FixedMetricsDevice device(400, 300);
    Images images;
    PaintRequest r;
    r.images = &images;
    r.clipWidth = 400;
    r.clipHeight = 300;
    // An image of no size: the colour.
    box.PaintTree(device, r);
    EXPECT_EQ(Starting(device.Log(), "fill"), (std::vector<std::string>{"fill 10,20,110,80 color abcdef"}));
    EXPECT_TRUE(images.drawn.empty());
    // Repeated along x only: the colour first, then one row of tiles.
    images.width = 16, images.height = 8;
    style.backgroundRepeat = kRepeatHorizontal;
    style.backgroundY = 5;
    device.ClearLog();
    box.PaintTree(device, r);
    EXPECT_EQ(Starting(device.Log(), "fill").size(), 1u);
    ASSERT_EQ(images.drawn.size(), 1u);
    const BackgroundTiles& row = images.drawn[0];
    EXPECT_EQ(row.area.left, 10);
    EXPECT_EQ(row.area.right, 110);
    EXPECT_EQ(row.area.top, 25);
    EXPECT_EQ(row.area.bottom, 33);
    EXPECT_EQ(row.originY, 25);
    // Repeated both ways: tiles only, over the whole box.
    style.backgroundRepeat = kRepeatBoth;
    images.drawn.clear();
    device.ClearLog();
    box.PaintTree(device, r);
    EXPECT_TRUE(Starting(device.Log(), "fill").empty());
    ASSERT_EQ(images.drawn.size(), 1u);
    EXPECT_EQ(images.drawn[0].area.bottom, 80);

    // Positions and clipping.
    const DeviceRect visible{0, 0, 400, 300};
    const struct {
        int32_t px, py;
        uint16_t repeat;
        DeviceRect view;
        bool any;
        int32_t originX, originY, left, top, right, bottom;
    } cases[] = {
        // 50 %: centred; no repetition: one tile.
        {50, 50, kRepeatXPercent | kRepeatYPercent, visible, true, 52, 46, 52, 46, 68, 54},
        // Vertically repeated: the column over the box's height.
        {0, 0, kRepeatVertical, visible, true, 10, 20, 10, 20, 26, 80},
        // A tile placed outside the box is not drawn.
        {200, 0, 0, visible, false, 0, 0, 0, 0, 0, 0},
        // Clipped by the visible rectangle.
        {0, 0, kRepeatBoth, DeviceRect{0, 0, 50, 30}, true, 10, 20, 10, 20, 50, 30},
    };
    for (const auto& c : cases) {
        BackgroundTiles t;
        ASSERT_EQ(ComputeBackgroundTiles(10, 20, 100, 60, 16, 8, c.px, c.py, c.repeat, c.view, 0, 0, t), c.any)
            << c.px;
        if (!c.any) continue;
        EXPECT_EQ(t.originX, c.originX) << c.px;
        EXPECT_EQ(t.originY, c.originY) << c.px;
        EXPECT_EQ(t.area.left, c.left) << c.px;
        EXPECT_EQ(t.area.top, c.top) << c.px;
        EXPECT_EQ(t.area.right, c.right) << c.px;
        EXPECT_EQ(t.area.bottom, c.bottom) << c.px;
    }
}

// A device that is not a screen (a printer).
class PrinterLike : public FixedMetricsDevice {
public:
    PrinterLike() : FixedMetricsDevice(400, 300) {}
    bool IsNotScreen() override { return true; }
};

TEST(PaintTree, PrintingWithoutBackgroundsKeepsTheBordersOfInlineBoxes) {
    BoxStyle block, inlineBox;
    block.backgroundColor = 0x00FF0000;
    block.borders.Set(BoxBorders::kTop, kBorderSolid, 1);
    inlineBox.borders.Set(BoxBorders::kBottom, kBorderSolid, 1);
    LayoutRequest request;
    request.width = 100;
    request.height = 40;
    request.widthGiven = request.heightGiven = true;
    BlockBox root(nullptr, &request, nullptr, nullptr);
    root.SetStyle(&block);
    LayoutRequest lineRequest;
    lineRequest.width = 50;
    lineRequest.height = 10;
    auto* line = new LineBox(&root, &lineRequest);
    line->SetStyle(&inlineBox);
    PrinterLike printer;
    PaintRequest r;
    r.clipWidth = 400;
    r.clipHeight = 300;
    root.PaintTree(printer, r);
    EXPECT_EQ(printer.Log(), (std::vector<std::string>{"line pen 0 color 000000 0,10 50,10"}))
        << "no fill and no block border, the line's bottom border (below the block's top border)";
    printer.ClearLog();
    r.printBackground = true;
    root.PaintTree(printer, r);
    EXPECT_EQ(IndexOf(printer.Log(), "fill"), 0);
    EXPECT_EQ(printer.Log().size(), 3u);
}

// A box that sticks out of its parent is painted once, through the
// reference its ancestor holds, even where its own parent is not visible.
TEST(PaintTree, BoxesOutsideTheirParentsArePaintedThroughReferences) {
    LayoutRequest page;
    page.width = 200;
    page.height = 200;
    page.widthGiven = page.heightGiven = true;
    BlockBox root(nullptr, &page, nullptr, nullptr);
    LayoutRequest small;
    small.width = 40;
    small.height = 20;
    small.widthGiven = small.heightGiven = true;
    auto* holder = new BlockBox(&root, &small, nullptr, nullptr);
    LayoutRequest ruleRequest;
    ruleRequest.width = 30;
    ruleRequest.height = 4;
    auto* rule = new RuleBox(holder, &ruleRequest, nullptr, nullptr);
    rule->SetX(0);
    rule->SetY(100);  // far below the holder's 20 units
    rule->PlaceReference();
    ASSERT_EQ(root.LastChild()->GetKind(), LayoutElement::kReferenceBox);
    new BlockBox(&root, &small, nullptr, nullptr);

    FixedMetricsDevice device(200, 200);
    PaintRequest r;
    r.clipWidth = 200;
    r.clipHeight = 200;
    root.PaintTree(device, r);
    EXPECT_EQ(Starting(device.Log(), "fill"), (std::vector<std::string>{"fill 0,100,30,104 color 000000"}))
        << "painted once";
    // Only the rule's area is visible: its parent is culled, the reference
    // still paints it.
    device.ClearLog();
    r.clipY = 90;
    r.clipHeight = 20;
    root.PaintTree(device, r);
    EXPECT_EQ(Starting(device.Log(), "fill"), (std::vector<std::string>{"fill 0,100,30,104 color 000000"}));
}

// Saving a page as text: the page formatted on the plain-text device, cut
// into pages and painted band by band lands on the rows of the grid.
class CollectingText : public PlainTextDevice {
public:
    CollectingText() : PlainTextDevice(60, 30, nullptr) {}
    std::vector<std::string> rows;
    void FlushLines() override {
        for (int r = 0; r <= HighestRow(); ++r) {
            if (!RowText(r).empty()) rows.push_back(RowText(r));
        }
        PlainTextDevice::FlushLines();
    }
};

TEST(PaintTree, APageSavedAsTextIsPaintedBandByBand) {
    DocumentContent content;
    html_test::FeedWhole(content, "<h1>Title</h1><p>Some words here<p>two<br>lines");
    CollectingText device;
    LayoutRequest request;
    request.width = device.GetViewWidth();
    BlockBox root(nullptr, &request, nullptr, nullptr);
    LayoutFormatter formatter(device, content.GetPage());
    while (formatter.FormatStep(content.Root(), &root, 1000000) == kResultBudgetOut) {
    }
    const int pages = PaintInPages(root, device, [&](LayoutElement& page, const DeviceRect& band) {
        PaintRequest r;
        r.clipX = band.left;
        r.clipY = band.top;
        r.clipWidth = band.right - band.left;
        r.clipHeight = band.bottom - band.top;
        page.PaintTree(device, r);
    });
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(device.rows, (std::vector<std::string>{"Title", "Some words here", "two", "lines"}));
}

TEST(RepaintRegion, AccumulatesAndClipsToTheVisibleRectangle) {
    RepaintRegion region;
    region.Init(0, 100, 300, 200);
    LayoutRect out;
    EXPECT_FALSE(region.GetClippedRect(out)) << "starts empty";
    region.Add(10, 120, 50, 30);
    region.Add(40, 140, 100, 10);
    ASSERT_TRUE(region.GetClippedRect(out));
    EXPECT_EQ(out.x, 10);
    EXPECT_EQ(out.y, 20) << "relative to the visible origin";
    EXPECT_EQ(out.width, 130);
    EXPECT_EQ(out.height, 30);
    // Below the visible bottom: no wider, but the bottom grows (and is
    // clipped).
    region.Add(-50, 400, 500, 10);
    ASSERT_TRUE(region.GetClippedRect(out));
    EXPECT_EQ(out.x, 10);
    EXPECT_EQ(out.width, 130);
    EXPECT_EQ(out.height, 180);
    // Wholly above the visible rectangle: nothing to invalidate.
    RepaintRegion above;
    above.Init(0, 100, 300, 200);
    above.Add(0, 0, 50, 50);
    EXPECT_FALSE(above.GetClippedRect(out));
}

}  // namespace
