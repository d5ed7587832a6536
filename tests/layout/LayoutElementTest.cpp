// Layout elements: heights, placement after the previous sibling, margin
// collapsing, line alignment, text fragments and repaint bookkeeping.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "html/HtmlElement.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/LayoutElement.h"
#include "layout/RepaintRegion.h"

namespace {

LayoutRequest Request(int32_t w, int32_t h, int16_t above = 0) {
    LayoutRequest s;
    s.width = w;
    s.height = h;
    s.value2 = above;
    return s;
}

BoxMetricsValues Margins(int top, int bottom) {
    BoxMetricsValues m;
    m.margin[BoxMetrics::kTop] = static_cast<int16_t>(top);
    m.margin[BoxMetrics::kBottom] = static_cast<int16_t>(bottom);
    return m;
}

TEST(MarginCombination, SignsDecide) {
    const struct {
        int a, b, result;
    } cases[] = {{10, 20, 20}, {-10, -20, -20}, {10, -4, 6}, {-4, 10, 6}, {0, 0, 0}, {0, -3, -3}};
    for (const auto& c : cases) EXPECT_EQ(CombineMargins(c.a, c.b), c.result) << c.a << "," << c.b;
}

TEST(LayoutHeights, SixteenBitHeightsAreUnsigned) {
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    LayoutRequest tall = Request(100, 40000);
    auto* line = new LineBox(&root, &tall);
    EXPECT_EQ(line->Height(), 32767u);
    line->SetHeight(70000);
    EXPECT_EQ(line->Height(), 65535u);
    line->SetHeight(40000);
    EXPECT_EQ(line->Height(), 40000u) << "kept above 32767, not wrapped";
    line->SetHeight(-5);
    EXPECT_EQ(line->Height(), 0u);
    auto* block = new BlockBox(&root, &tall, nullptr, nullptr);
    EXPECT_EQ(block->Height(), 40000u);
}

TEST(LayoutPlacement, StackedBoxesSkipOutOfFlowSiblings) {
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    LayoutRequest a = Request(100, 20), b = Request(50, 30), c = Request(100, 10);
    auto* first = new BlockBox(&root, &a, nullptr, nullptr);
    auto* floating = new BlockBox(&root, &b, nullptr, nullptr);
    floating->SetFlags(LayoutElement::kOutOfFlow, true);
    auto* third = new BlockBox(&root, &c, nullptr, nullptr);
    EXPECT_EQ(first->Y(), 0);
    EXPECT_EQ(third->Y(), 20);

    LayoutRequest word = Request(30, 10);
    auto* line = new LineBox(&root, &word);
    auto* w1 = new LineBox(line, &word);
    auto* w2 = new LineBox(line, &word);
    EXPECT_EQ(w1->X(), 0);
    EXPECT_EQ(w2->X(), 30) << "side by side in line flow";
    EXPECT_EQ(line->Y(), 30);
}

TEST(LayoutPlacement, ParentEdgesOffsetTheFirstChild) {
    BoxMetricsValues m;
    m.margin[BoxMetrics::kLeft] = 7;
    m.padding[BoxMetrics::kTop] = 3;
    m.padding[BoxMetrics::kLeft] = 2;
    BoxStyle style;
    style.borders.Set(BoxBorders::kTop, kBorderSolid, 4);
    style.borders.Set(BoxBorders::kLeft, kBorderSolid, 1);
    BlockBox root(nullptr, nullptr, &m, nullptr);
    root.SetStyle(&style);
    EXPECT_EQ(root.TopBarrier(), 7);
    EXPECT_EQ(root.LeftEdge(), 10);
    LayoutRequest s = Request(10, 10);
    auto* child = new BlockBox(&root, &s, nullptr, nullptr);
    EXPECT_EQ(child->X(), 10);
    EXPECT_EQ(child->Y(), 7);
    auto* second = new BlockBox(&root, &s, nullptr, nullptr);
    EXPECT_EQ(second->X(), 10);
    EXPECT_EQ(second->Y(), 17);
}

// Two stacked blocks: the first has a bottom margin (part of its height, as
// its completed layout makes it), the second a top margin.
struct CollapseCase {
    int bottom, top, gap;
};
class MarginCollapse : public ::testing::TestWithParam<CollapseCase> {};

TEST_P(MarginCollapse, TheGapIsTheCombinedMargin) {
    const CollapseCase c = GetParam();
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    const int content = 30;
    LayoutRequest s1 = Request(100, content + c.bottom), s2 = Request(100, 20);
    BoxMetricsValues m1 = Margins(0, c.bottom), m2 = Margins(c.top, 0);
    auto* first = new BlockBox(&root, &s1, &m1, nullptr);
    auto* second = new BlockBox(&root, &s2, &m2, nullptr);
    EXPECT_EQ(first->Height(), static_cast<uint32_t>(content)) << "the margin leaves the height";
    EXPECT_EQ(second->Y() - (first->Y() + static_cast<int32_t>(first->Height())), c.gap);
    EXPECT_EQ(second->Metrics()->margin[BoxMetrics::kTop], 0);
}

INSTANTIATE_TEST_SUITE_P(Signs, MarginCollapse,
                         ::testing::Values(CollapseCase{10, -4, 6}, CollapseCase{10, 20, 20},
                                           CollapseCase{-10, -20, -20}, CollapseCase{0, 12, 12}));

TEST(LayoutFinish, MarginsAreAppliedAndTheRecordsGoBack) {
    const unsigned spare = BoxMetricsRecords().Count();
    {
        BlockBox root(nullptr, nullptr, nullptr, nullptr);
        BoxMetrics m;
        m.margin[BoxMetrics::kLeft] = 5;
        m.margin[BoxMetrics::kRight] = 5;
        LayoutRequest s = Request(100, 20);
        auto* child = new BlockBox(&root, &s, &m, nullptr);
        root.Finish();
        EXPECT_TRUE(root.Has(LayoutElement::kFinished));
        EXPECT_EQ(child->X(), 5);
        EXPECT_EQ(child->Width(), 90);
        EXPECT_EQ(child->Metrics(), nullptr);
        EXPECT_EQ(root.Width(), 100) << "the widest child with its right edge";
        EXPECT_EQ(root.Height(), 20u);
    }
    EXPECT_EQ(BoxMetricsRecords().Count(), spare < 2 ? 2u : spare) << "every record back on the free list";
    BoxMetrics* reused = BoxMetricsRecords().Take();
    EXPECT_EQ(reused->valignCode, 80) << "reset to baseline";
    EXPECT_EQ(reused->margin[BoxMetrics::kLeft], 0);
    BoxMetricsRecords().Give(reused);
}

TEST(LineAlignment, TheBaselineMovesDownForTheTallestAscent) {
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    LayoutRequest lineRequest = Request(0, 0);
    auto* line = new LineBox(&root, &lineRequest);
    LayoutRequest a = Request(20, 10, 8), b = Request(20, 15, 12);
    auto* small = new BlockBox(line, &a, nullptr, nullptr, false);
    auto* big = new BlockBox(line, &b, nullptr, nullptr, false);
    EXPECT_EQ(line->AlignLine(0, 0), 12);
    EXPECT_EQ(small->Y(), 4);
    EXPECT_EQ(big->Y(), 0);
    EXPECT_EQ(line->Height(), 15u);
    line->CompleteLayout(true);
    EXPECT_EQ(line->Width(), 40);
    EXPECT_EQ(line->LayoutValue2(), 0) << "a line box holds no metrics";
}

struct TextFixture : ::testing::Test {
    FixedMetricsDevice device{640, 480};
    BlockBox root{nullptr, nullptr, nullptr, nullptr};
    BoxStyle style;
    std::unique_ptr<HtmlElement> text;
    LineBox* line = nullptr;
    void SetUp() override {
        style.fontHeight = 10;  // 5 units a character
        root.SetStyle(&style);
        LayoutRequest s = Request(0, 12);
        line = new LineBox(&root, &s);
    }
    TextFragment* Fragment(const char* content, int offset, int length) {
        text.reset(HtmlElement::MakeText(content, static_cast<int>(std::strlen(content)), true, true, nullptr));
        LayoutRequest s = Request(length * 5, 12);
        return new TextFragment(line, &s, nullptr, text.get(), offset, length);
    }
};

TEST_F(TextFixture, CharacterAtPointFindsTheNearerBoundary) {
    TextFragment* f = Fragment("hello", 0, 5);
    int index = -1;
    int32_t offset = -1;
    EXPECT_EQ(f->CharacterAt(device, 12, 0, true, index, offset), f);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(offset, 10);
    f->CharacterAt(device, 13, 0, true, index, offset);
    EXPECT_EQ(index, 3);
    f->CharacterAt(device, -4, 0, true, index, offset);
    EXPECT_EQ(index, 0);
    f->CharacterAt(device, 400, 0, true, index, offset);
    EXPECT_EQ(index, 5);
}

TEST_F(TextFixture, AnEmptyFragmentHasNoCharacterToDivideBy) {
    TextFragment* f = Fragment("abc", 0, 3);
    f->SetWidth(0);
    int index = -1;
    int32_t offset = -1;
    EXPECT_EQ(f->CharacterAt(device, 1, 0, true, index, offset), f);
    EXPECT_EQ(index, 3);
    TextFragment* empty = Fragment("", 0, 0);
    empty->CharacterAt(device, empty->X() + 1, 0, true, index, offset);
    EXPECT_EQ(index, 0);
}

TEST_F(TextFixture, WordGapsForJustification) {
    TextFragment* f = Fragment("a  b ", 0, 5);
    EXPECT_EQ(f->WordGaps(), 1);
    EXPECT_EQ(line->WordGaps(), 1);
    line->SetWordSpacing(3.0f);
    EXPECT_EQ(f->Width(), 28);
    EXPECT_EQ(f->Style()->wordSpacing, 3.0f) << "on a private copy of the style";
    EXPECT_EQ(style.wordSpacing, FLT_MAX);
}

TEST_F(TextFixture, SplittingAtTheLastSpace) {
    TextFragment* f = Fragment("hello big world", 0, 15);
    const char* rest = nullptr;
    int restLength = 0;
    int32_t restWidth = 0;
    ASSERT_EQ(f->SplitAtLastSpace(device, rest, restLength, restWidth), 1);
    EXPECT_EQ(std::string(rest, restLength), "world");
    EXPECT_EQ(restWidth, 25);
    EXPECT_EQ(f->TextLength(), 9);
    EXPECT_EQ(f->Width(), 45);
    TextFragment* single = Fragment(" word", 0, 5);
    EXPECT_EQ(single->SplitAtLastSpace(device, rest, restLength, restWidth), 0) << "no space after the first";
}

TEST_F(TextFixture, RangesAndVisibleCharacters) {
    TextFragment* f = Fragment("ab cd", 0, 5);
    int32_t start = 0, end = 0;
    ASSERT_TRUE(f->MeasureRange(device, 1, 3, start, end));
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 16);
    EXPECT_FALSE(f->MeasureRange(device, 2, 9, start, end));
    EXPECT_EQ(f->CountVisibleChars(5), 4);
    EXPECT_TRUE(Fragment("ab ", 0, 3)->EndsWithSpace());
    EXPECT_TRUE(line->EndsWithSpace());
}

TEST(RepaintBookkeeping, MovesOfPaintedChildrenAreRecorded) {
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    LayoutRequest s = Request(30, 10);
    auto* child = new BlockBox(&root, &s, nullptr, nullptr);
    RepaintRegion region;
    RepaintRegion::SetCurrent(&region);
    child->SetX(5);
    EXPECT_TRUE(region.IsEmpty()) << "nothing while the parent is not painted";
    root.SetFlags(LayoutElement::kPainted, true);
    child->SetFlags(LayoutElement::kPainted, true);
    child->SetX(12);
    EXPECT_FALSE(child->Has(LayoutElement::kPainted));
    EXPECT_EQ(region.Left(), 5);
    EXPECT_EQ(region.Right(), 42);
    EXPECT_EQ(region.Bottom(), 10);
    child->SetHeight(25);
    EXPECT_EQ(region.Bottom(), 25);
    RepaintRegion::SetCurrent(nullptr);
}

TEST(References, AChildThatSticksOutIsReferencedByAnAncestor) {
    LayoutRequest page = Request(200, 200);
    page.widthGiven = page.heightGiven = true;
    BlockBox root(nullptr, &page, nullptr, nullptr);
    LayoutRequest boxRequest = Request(50, 40);
    BoxMetricsValues m = Margins(0, 30);
    auto* box = new BlockBox(&root, &boxRequest, &m, nullptr);
    LayoutRequest tall = Request(40, 35);
    auto* inner = new BlockBox(box, &tall, nullptr, nullptr);
    box->ApplyMargins();
    EXPECT_EQ(box->Height(), 10u);
    ASSERT_EQ(root.LastChild()->GetKind(), LayoutElement::kReferenceBox);
    auto* ref = static_cast<ReferenceBox*>(root.LastChild());
    EXPECT_EQ(ref->Referred(), inner);
    EXPECT_EQ(ref->Height(), 35u);
    EXPECT_EQ(root.ElementAt(10, 30), inner) << "hit through the reference";
}

}  // namespace
