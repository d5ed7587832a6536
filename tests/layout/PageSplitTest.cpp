// Cutting a layout into pages: what stays, what moves and where it lands,
// page breaks, rows of cells, and a long formatted page cut again and again
// without a line of text cut in two or lost.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "html/DocumentContent.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/LayoutElement.h"
#include "layout/LayoutFormatter.h"
#include "layout/PagePainting.h"
#include "tests/html/HtmlTestPages.h"

namespace {

LayoutRequest Size(int32_t w, int32_t h) {
    LayoutRequest r;
    r.width = w;
    r.height = h;
    return r;
}

LineBox* Line(LayoutElement* parent, int32_t h) {
    LayoutRequest r = Size(100, h);
    return new LineBox(parent, &r);
}

BlockBox* Block(LayoutElement* parent, int32_t h = 0, bool vertical = true) {
    LayoutRequest r = Size(100, h);
    return new BlockBox(parent, &r, nullptr, nullptr, vertical);
}

std::vector<int32_t> ChildTops(const LayoutElement& e) {
    std::vector<int32_t> tops;
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) tops.push_back(c->Y());
    return tops;
}

TEST(PageSplit, LinesBelowTheCutMoveAndTheLineAcrossItMovesWhole) {
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    LineBox* first = Line(&root, 100);
    LineBox* second = Line(&root, 100);
    LineBox* third = Line(&root, 100);
    root.Finish();
    ASSERT_EQ(root.Height(), 300u);

    std::unique_ptr<LayoutElement> rest(root.SplitAtHeight(nullptr, 150));
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(root.FirstChild(), first);
    EXPECT_EQ(root.ChildCount(), 1u);
    EXPECT_EQ(rest->FirstChild(), second);
    EXPECT_EQ(second->NextSibling(), third);
    EXPECT_EQ(ChildTops(*rest), (std::vector<int32_t>{0, 100}));
    EXPECT_EQ(rest->GetKind(), LayoutElement::kBlockBox);
    EXPECT_EQ(rest->Parent(), nullptr);

    EXPECT_EQ(rest->SplitAtHeight(nullptr, 200), nullptr) << "nothing at or below the cut";
    EXPECT_EQ(rest->ChildCount(), 2u);
    EXPECT_EQ(root.SplitAtHeight(nullptr, 5000), nullptr) << "a cut beyond the height";
    EXPECT_EQ(root.ChildCount(), 1u);
}

TEST(PageSplit, APageBreakIsMadeOnceEvenFarAboveTheCut) {
    // Pages taller than the cut: a cut beyond a page's height leaves it whole.
    LayoutRequest tall = Size(100, 2000);
    BlockBox root(nullptr, &tall, nullptr, nullptr);
    Line(&root, 20);
    BlockBox* chapter = Block(&root);
    Line(chapter, 30);
    chapter->Finish();
    Line(&root, 40);
    chapter->SetFlags(LayoutElement::kClassFlag, true);
    root.Finish();
    ASSERT_EQ(chapter->Y(), 20);

    std::unique_ptr<LayoutElement> rest(root.SplitAtHeight(nullptr, 1000));
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->FirstChild(), chapter);
    EXPECT_EQ(ChildTops(*rest), (std::vector<int32_t>{0, 30}));
    EXPECT_FALSE(chapter->Has(LayoutElement::kClassFlag));
    EXPECT_EQ(rest->SplitAtHeight(nullptr, 1000), nullptr) << "no second break before it";

    // A break inside a block above the cut is found there too.
    BlockBox outer(nullptr, &tall, nullptr, nullptr);
    BlockBox* section = Block(&outer);
    Line(section, 10);
    BlockBox* inner = Block(section);
    Line(inner, 10);
    inner->Finish();
    section->Finish();
    inner->SetFlags(LayoutElement::kClassFlag, true);
    outer.Finish();
    std::unique_ptr<LayoutElement> next(outer.SplitAtHeight(nullptr, 1000));
    ASSERT_NE(next, nullptr);
    ASSERT_NE(next->FirstChild(), nullptr);
    EXPECT_EQ(next->FirstChild()->FirstChild(), inner);
}

TEST(PageSplit, ABlockAcrossTheCutIsSplitInsideAndItsFollowersKeepTheirGap) {
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    BlockBox* paragraph = Block(&root);
    for (int i = 0; i < 3; ++i) Line(paragraph, 100);
    paragraph->Finish();
    BlockBox* spacer = Block(&root, 20);
    spacer->Finish();
    BlockBox* after = Block(&root);
    Line(after, 50);
    after->Finish();
    root.Finish();
    ASSERT_EQ(after->Y(), 320);

    std::unique_ptr<LayoutElement> rest(root.SplitAtHeight(nullptr, 150));
    ASSERT_NE(rest, nullptr);
    LayoutElement* piece = rest->FirstChild();
    ASSERT_NE(piece, nullptr);
    EXPECT_NE(piece, paragraph) << "a fresh box continues the paragraph";
    EXPECT_EQ(ChildTops(*piece), (std::vector<int32_t>{0, 100}));
    EXPECT_EQ(piece->Height(), 200u) << "as tall as what it holds";
    EXPECT_EQ(paragraph->ChildCount(), 1u);
    EXPECT_EQ(spacer->Parent(), rest.get());
    EXPECT_EQ(spacer->Y(), 200);
    EXPECT_EQ(after->Y(), 220) << "the same place below the paragraph as before";
}

TEST(PageSplit, ABlockWhoseRestWouldBeEmptyTakesTheCutAsItsHeight) {
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    BlockBox* tall = Block(&root, 500);
    Line(tall, 100);
    tall->Finish();
    root.Finish();
    ASSERT_EQ(tall->Height(), 500u);
    EXPECT_EQ(root.SplitAtHeight(nullptr, 300), nullptr);
    EXPECT_EQ(tall->Height(), 300u);
    EXPECT_EQ(root.Height(), 300u);
    EXPECT_EQ(tall->ChildCount(), 1u);
}

TEST(PageSplit, ALineTallerThanAPageStaysWhenNothingIsAboveIt) {
    // Moving it would give the next page the same line at its top, for ever.
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    BlockBox* wrapper = Block(&root);
    LineBox* huge = Line(wrapper, 30000);
    wrapper->Finish();
    LineBox* next = Line(&root, 10);
    root.Finish();
    std::unique_ptr<LayoutElement> rest(root.SplitAtHeight(nullptr, 1000));
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(huge->Parent(), wrapper);
    EXPECT_EQ(next->Parent(), rest.get());

    BlockBox page(nullptr, nullptr, nullptr, nullptr);
    Line(&page, 10);
    LineBox* second = Line(&page, 30000);
    page.Finish();
    std::unique_ptr<LayoutElement> more(page.SplitAtHeight(nullptr, 1000));
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(second->Parent(), more.get()) << "below another line it moves whole";
}

TEST(PageSplit, AReferenceIsDroppedWhenItsElementEndsOnTheOtherPage) {
    // A reference box in the page's root paints an element that sticks out
    // of its block; split apart, it would paint that element on a page
    // where it is not.
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    BlockBox* kept = Block(&root);
    LineBox* sticking = Line(kept, 100);
    kept->Finish();
    BlockBox* moved = Block(&root);
    LineBox* alsoSticking = Line(moved, 100);
    moved->Finish();
    root.Finish();
    new ReferenceBox(&root, sticking);
    new ReferenceBox(&root, alsoSticking);
    ASSERT_EQ(root.ChildCount(), 4u);

    std::unique_ptr<LayoutElement> rest(root.SplitAtHeight(nullptr, 100));
    ASSERT_NE(rest, nullptr);
    ASSERT_EQ(rest->ChildCount(), 2u) << "the moved block and the reference to its line";
    EXPECT_EQ(rest->FirstChild(), moved);
    ASSERT_EQ(rest->LastChild()->GetKind(), LayoutElement::kReferenceBox);
    EXPECT_EQ(static_cast<ReferenceBox*>(rest->LastChild())->Referred(), alsoSticking);
    EXPECT_EQ(root.ChildCount(), 1u) << "the reference to the kept line went with the others and is dropped";
}

TEST(PageSplit, ARowOfCellsIsCutCellByCell) {
    BlockBox root(nullptr, nullptr, nullptr, nullptr);
    BlockBox* row = Block(&root, 0, false);
    BlockBox* left = Block(row);
    for (int i = 0; i < 4; ++i) Line(left, 100);
    left->Finish();
    BlockBox* right = Block(row);
    Line(right, 100);
    right->Finish();
    root.Finish();
    ASSERT_EQ(right->X(), 100);
    ASSERT_GE(row->Height(), 400u);

    std::unique_ptr<LayoutElement> rest(root.SplitAtHeight(nullptr, 250));
    ASSERT_NE(rest, nullptr);
    LayoutElement* rowRest = rest->FirstChild();
    ASSERT_NE(rowRest, nullptr);
    EXPECT_FALSE(rowRest->Has(LayoutElement::kVerticalFlow));
    ASSERT_EQ(rowRest->ChildCount(), 1u) << "only the left cell reaches below the cut";
    EXPECT_EQ(rowRest->FirstChild()->X(), 0);
    EXPECT_EQ(ChildTops(*rowRest->FirstChild()), (std::vector<int32_t>{0, 100}));
    EXPECT_EQ(left->ChildCount(), 2u);
    EXPECT_EQ(row->Height(), 250u) << "the row keeps the part above the cut";
}

// --- a formatted page, cut again and again ------------------------------------------

void CollectLines(const LayoutElement& e, int32_t top, std::vector<std::pair<int32_t, int32_t>>& lines,
                  std::string& text) {
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) {
        const int32_t y = top + c->Y();
        if (c->GetKind() == LayoutElement::kLineBox)
            lines.emplace_back(y, y + static_cast<int32_t>(c->Height()));
        if (c->GetKind() == LayoutElement::kTextFragment) text.append(c->TextPointer(), c->TextLength());
        CollectLines(*c, y, lines, text);
    }
}

TEST(PageSplit, ALongPageIsCutBetweenLinesAndKeepsAllItsText) {
    std::string page;
    for (int i = 0; i < 120; ++i) {
        page += "<p>Paragraph " + std::to_string(i) +
                " holds words enough to fill more than one line of the view";
        if (i % 10 == 0) page += "<ul><li>an item<li>another item</ul>";
        if (i % 10 == 5) {
            page += "<table><tr><td>a cell of several words that wrap inside it<td>one<tr><td>row two<td>with "
                    "more words in the second cell than fit on one line of it</table>";
        }
    }
    DocumentContent content;
    html_test::FeedWhole(content, page);
    FixedMetricsDevice device(400, 300);
    device.SetFontHeight(10);
    LayoutRequest request;
    request.width = 400;
    auto root = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
    LayoutFormatter formatter(device, content.GetPage());
    ASSERT_EQ(formatter.FormatStep(content.Root(), root.get(), 1000000), kResultDone);

    std::vector<std::pair<int32_t, int32_t>> lines;
    std::string whole;
    CollectLines(*root, 0, lines, whole);
    ASSERT_GT(lines.size(), 100u);

    for (int32_t cut : {100, 115, 1000}) {
        // Format again for each cut: splitting takes the tree apart.
        DocumentContent again;
        html_test::FeedWhole(again, page);
        auto first = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
        LayoutFormatter f(device, again.GetPage());
        ASSERT_EQ(f.FormatStep(again.Root(), first.get(), 1000000), kResultDone);
        std::vector<std::unique_ptr<LayoutElement>> pages;
        std::string text;
        size_t lineCount = 0;
        LayoutElement* current = first.get();
        for (int n = 0; current && n < 10000; ++n) {
            std::unique_ptr<LayoutElement> rest(current->SplitAtHeight(nullptr, cut));
            std::vector<std::pair<int32_t, int32_t>> pageLines;
            CollectLines(*current, 0, pageLines, text);
            for (const auto& l : pageLines) {
                EXPECT_LE(l.second, cut) << "page " << n << " cut " << cut << ": a line crosses the cut";
                EXPECT_GE(l.first, 0);
            }
            lineCount += pageLines.size();
            if (!rest) break;
            pages.push_back(std::move(rest));
            current = pages.back().get();
        }
        EXPECT_EQ(text, whole) << "cut " << cut << ": every text once, in order";
        EXPECT_EQ(lineCount, lines.size());
        EXPECT_GE(pages.size(), static_cast<size_t>(lines.back().second / cut / 2)) << "cut " << cut;
    }
}

}  // namespace

// --- the page loop's cut ----------------------------------------------------------------

// A long page of paragraphs, lists, tables that cross cuts, preformatted
// text and floats, formatted afresh (cutting takes a layout apart).
std::unique_ptr<BlockBox> FormatLongPage(DocumentContent& content, FixedMetricsDevice& device,
                                         std::unique_ptr<LayoutFormatter>& formatter) {
    std::string page;
    for (int i = 0; i < 60; ++i) {
        page += "<p>Paragraph " + std::to_string(i) + " holds words enough to fill more than one line of the view";
        if (i % 7 == 0) page += "<ul><li>an item<li>another item<ol><li>nested<li>again</ol></ul>";
        if (i % 9 == 4) {
            page += "<table border=1><tr><td>a cell of several words that wrap inside it<td>one<tr><td rowspan=2>"
                    "a cell over two rows with words enough for lines<td>two<tr><td>three</table>";
        }
        if (i % 11 == 3) page += "<pre>line one\nline two\nline three</pre>";
        if (i % 13 == 6) page += "<img align=left width=40 height=90>beside a float";
        if (i % 8 == 2) page += "<blockquote><div><p>deep inside <p>two blocks</div></blockquote>";
    }
    html_test::FeedWhole(content, page);
    LayoutRequest request;
    request.width = 400;
    auto root = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
    formatter = std::make_unique<LayoutFormatter>(device, content.GetPage());
    EXPECT_EQ(formatter->FormatStep(content.Root(), root.get(), 1000000), kResultDone);
    // Breaks wanted before some blocks, at the top and deeper down.
    int n = 0;
    for (TreeNode* t = root->FirstChild(); t; t = t->NextInOrder(false)) {
        auto* e = static_cast<LayoutElement*>(t);
        if (e->GetKind() == LayoutElement::kBlockBox && ++n % 37 == 0) e->SetFlags(LayoutElement::kClassFlag, true);
    }
    return root;
}

TEST(PageSplit, ThePageLoopsCutGivesThePagesOfSplitAtHeightBoxForBox) {
    FixedMetricsDevice device(400, 300);
    device.SetFontHeight(10);
    for (int32_t cut : {60, 100, 115, 333, 1000, 100000}) {
        SCOPED_TRACE("cut " + std::to_string(cut));
        std::vector<std::string> expected, actual;
        {
            DocumentContent content;
            std::unique_ptr<LayoutFormatter> formatter;
            std::unique_ptr<BlockBox> root = FormatLongPage(content, device, formatter);
            std::unique_ptr<LayoutElement> owned;
            for (LayoutElement* page = root.get(); page;) {
                std::unique_ptr<LayoutElement> rest(page->SplitAtHeight(nullptr, cut));
                expected.push_back(DumpLayoutTree(*page));
                owned = std::move(rest);
                page = owned.get();
            }
        }
        {
            DocumentContent content;
            std::unique_ptr<LayoutFormatter> formatter;
            std::unique_ptr<BlockBox> root = FormatLongPage(content, device, formatter);
            ASSERT_TRUE(PageCutter::Handles(*root));
            PageCutter cutter(*root);
            for (;;) {
                std::unique_ptr<LayoutElement> page = cutter.NextPage(cut);
                actual.push_back(DumpLayoutTree(page ? *page : *root));
                if (!page) break;
            }
        }
        ASSERT_EQ(actual.size(), expected.size());
        if (cut < 100000) {
            EXPECT_GT(actual.size(), 5u);
        }
        for (size_t i = 0; i < actual.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "page " << i;
    }
}
