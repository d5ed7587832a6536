// A page formatted step by step while its bytes arrive in pieces of any
// size ends in the same layout as the page formatted from one block, and
// what it shows on the way is already where it stays.
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "layout/RepaintRegion.h"
#include "tests/documents/PagePieces.h"
#include "tests/support/TestPaths.h"

namespace {

using page_pieces::FeedInPieces;
using page_pieces::Paging;

const char kPage[] =
    "<html><head><title>Chunks</title></head><body>\n"
    "<h1>A heading</h1>\n"
    "<p>First paragraph with <b>bold</b> and <i>italic</i> words that wrap across the width.\n"
    "<ul><li>one<li>two<li>three</ul>\n"
    "<pre>pre\n  formatted</pre>\n"
    "<p>Last &amp; final paragraph.<br>After a break.\n"
    "</body></html>\n";

// Elements that look at what follows them, cut at every place: an empty
// paragraph before and after others, preformatted text ending in a line
// break before inline content or a block, a table that ends the page so
// far, nested inline elements, a block inside an inline one, a no-break
// run, a centred and a justified block, list numbers at their end, a style
// sheet that comes after what it styles and a list long enough to use up a
// step's budget.
std::string LookAheadPage() {
    std::string page =
        "<html><head><title>Ahead</title><style>p.j { text-align: justify }</style></head><body>\n"
        "<p><p>After an empty paragraph.<p></p><h2>Heading</h2><p>\n"
        "<pre>one\ntwo\n</pre><pre>x\n<b>bold</b>\n</pre>tail\n"
        "<table border=1><tr><td>cell<p></td><td>two</td></tr></table><p>\n"
        "<p class=j>Justified words <b>with <i>nested <u>inline</u> elements</i></b> that run "
        "over more than one line of the view.</p>\n"
        "<center>Centred <nobr>no break run of words</nobr> text.</center>\n"
        "<font color=red><p>A paragraph inside a font</p>after it</font>\n"
        "<ol><li value=2147483647>Numbered last<li>After the last number</ol>\n"
        "<style>h2 { margin-left: 10px } p { margin: 1px 2px 3px }</style><ol>";
    for (int i = 0; i < 230; ++i) page += "<li>Item " + std::to_string(i) + "\n";
    page += "</ol><p>End.</p></body></html>\n";
    return page;
}

// The fixture pages of the formatter's own tests.
const char* const kFixturePages[] = {"golden/paragraphs",
                                     "golden/lists",
                                     "golden/pre",
                                     "golden/nobr",
                                     "golden/table-simple",
                                     "golden/table-spans",
                                     "golden/table-caption",
                                     "golden/table-nested",
                                     "golden/floats",
                                     "golden/images",
                                     "golden/clear",
                                     "golden/table-floats",
                                     "fuzz-pages/basic",
                                     "fuzz-pages/forms",
                                     "fuzz-pages/styles",
                                     "fuzz-pages/raw",
                                     "fuzz-pages/tables",
                                     "fuzz-pages/floats-mixed",
                                     "fuzz-pages/style-in-dropped-cell"};

// The leaves of the lines already closed, in tree order, with their place
// on the page: what a step has laid out for good.
// A float still being filled is not yet in its place.
void ClosedLeaves(const LayoutElement& e, int32_t x, int32_t y, bool closedLine,
                  std::vector<std::string>& out) {
    x += e.X();
    y += e.Y();
    if (e.Has(LayoutElement::kOutOfFlow) && !e.Has(LayoutElement::kFinished)) return;
    if (e.GetKind() == LayoutElement::kLineBox) closedLine = e.Has(LayoutElement::kFinished);
    if (!e.FirstChild()) {
        if (!closedLine || e.GetKind() == LayoutElement::kLineBox) return;
        std::string leaf = std::to_string(e.GetKind()) + " " + std::to_string(x) + "," + std::to_string(y) +
                           " " + std::to_string(e.Width()) + "x" + std::to_string(e.Height());
        if (e.GetKind() == LayoutElement::kTextFragment && e.TextPointer())
            leaf += " \"" + std::string(e.TextPointer(), e.TextLength()) + '"';
        out.push_back(leaf);
        return;
    }
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() != LayoutElement::kReferenceBox) ClosedLeaves(*c, x, y, closedLine, out);
    }
}

std::vector<std::string> ClosedLeavesOf(const PageLayout& layout) {
    std::vector<std::string> out;
    if (layout.Root()) ClosedLeaves(*layout.Root(), 0, 0, false, out);
    return out;
}

struct Pieces {
    std::string dump;                 // the final layout
    std::vector<std::string> closed;  // its closed leaves
    int generation = 0;               // its generation
    // Closed leaves after some pieces, with the layout's generation then.
    std::vector<std::pair<int, std::vector<std::string>>> intermediate;
    int piecesShowing = 0;  // pieces after which something was laid out
};

// Feeds the page in pieces of `chunk` bytes (0: whole), running formatting
// steps after each piece, and answers the final layout and what the steps
// had laid out along the way.
Pieces FormatInPieces(const std::string& page, size_t chunk) {
    Pieces result;
    Paging paging;
    const size_t every = chunk ? page.size() / chunk / 50 + 1 : 1;
    const int state = FeedInPieces(paging, page, chunk, [&](size_t at) {
        if (paging.layout.Root() && paging.layout.Root()->FirstChild()) ++result.piecesShowing;
        // About fifty looks along the way: enough to meet every kind of
        // element half done, few enough for pieces of one byte.
        if ((at / chunk) % every == 0)
            result.intermediate.emplace_back(paging.layout.Generation(), ClosedLeavesOf(paging.layout));
    });
    EXPECT_EQ(state, kFormatDone) << "chunk " << chunk;
    result.dump = paging.layout.Dump();
    result.closed = ClosedLeavesOf(paging.layout);
    result.generation = paging.layout.Generation();
    return result;
}

// Every piece size up to 256 bytes, then every 37th.
size_t NextPieceSize(size_t chunk) {
    return chunk < 256 ? chunk + 1 : chunk + 37;
}

// Every piece size gives the layout of the whole page, and along the way
// the lines laid out so far (since the last style sheet came) are the
// first lines of that layout, in their final places.
void CheckEveryPieceSize(const std::string& name, const std::string& page, bool showsEarly) {
    const Pieces whole = FormatInPieces(page, 0);
    ASSERT_FALSE(whole.dump.empty()) << name;
    const std::vector<std::string>& final = whole.closed;
    for (size_t chunk = 1; chunk < page.size(); chunk = NextPieceSize(chunk)) {
        const Pieces pieces = FormatInPieces(page, chunk);
        ASSERT_EQ(pieces.dump, whole.dump) << name << " in pieces of " << chunk << " bytes";
        for (size_t i = 0; i < pieces.intermediate.size(); ++i) {
            if (pieces.intermediate[i].first != pieces.generation) continue;
            const std::vector<std::string>& shown = pieces.intermediate[i].second;
            ASSERT_LE(shown.size(), final.size()) << name << " piece " << i << " of " << chunk << " bytes";
            for (size_t k = 0; k < shown.size(); ++k) {
                ASSERT_EQ(shown[k], final[k]) << name << ": leaf " << k << " after piece " << i << " of "
                                              << chunk << " bytes moved or changed";
            }
        }
        // Small pieces show the page before its end.
        if (showsEarly && chunk <= page.size() / 4) {
            EXPECT_GT(pieces.piecesShowing, 0) << name << " in pieces of " << chunk << " bytes";
        }
    }
}

TEST(PageLayout, PiecesOfEverySizeGiveTheLayoutOfOneBlock) {
    CheckEveryPieceSize("page", kPage, true);
    CheckEveryPieceSize("look-ahead page", LookAheadPage(), true);
}

TEST(PageLayout, FixturePagesInPiecesGiveTheirLayoutOfOneBlock) {
    for (const char* name : kFixturePages) {
        const std::string page = testing_support::ReadWholeFile(
            testing_support::SourcePath("tests/layout/" + std::string(name) + ".html"));
        ASSERT_FALSE(page.empty()) << name;
        CheckEveryPieceSize(name, page, false);
    }
}

// A page whose last element is still open: its text is laid out, shown by
// a paint, counted in the page's height and added to the step's repaint
// region; the text that follows goes on the same line, once.
TEST(PageLayout, TheOpenElementIsShownAndContinued) {
    Paging paging;
    const std::string first = "<html><body><h1>Title</h1><p>Some words <i>";
    const std::string second = "and more</i> words</p><p>Next</body></html>";
    paging.Feed(first, true);
    ASSERT_TRUE(paging.pending.empty());

    RepaintRegion region;
    region.Init(0, 0, 400, 300);
    RepaintRegion::SetCurrent(&region);
    EXPECT_EQ(paging.Format(), kFormatNothingToDo);
    RepaintRegion::SetCurrent(nullptr);
    const std::string early = paging.layout.Dump();
    EXPECT_NE(early.find("\"Title\""), std::string::npos) << early;
    EXPECT_NE(early.find("\"Some words"), std::string::npos) << early;
    EXPECT_GE(paging.layout.ContentHeight(), 24) << "the heading and the open paragraph's line";
    EXPECT_FALSE(region.IsEmpty());
    EXPECT_LE(region.Top(), 12);
    EXPECT_GE(region.Bottom(), 24);

    paging.device.ClearLog();
    paging.layout.Paint(paging.device, 0, 0, 400, 300, 0, 0);
    std::string painted;
    for (const std::string& line : paging.device.Log()) painted += line + "\n";
    EXPECT_NE(painted.find("\"Some words"), std::string::npos) << painted;

    paging.Feed(second, false);
    region.Clear();
    RepaintRegion::SetCurrent(&region);
    EXPECT_EQ(paging.Format(), kFormatDone);
    RepaintRegion::SetCurrent(nullptr);
    const std::string done = paging.layout.Dump();
    EXPECT_EQ(done, FormatInPieces(first + second, 0).dump);
    EXPECT_EQ(done.find("Some words"), done.rfind("Some words")) << "laid out once: " << done;
    EXPECT_LE(region.Top(), 12) << "the open line is repainted with what joined it";
}

// A style sheet that comes after a paragraph was laid out styles it too:
// the layout starts again.
TEST(PageLayout, ALateStyleSheetLaysThePageOutAgain) {
    Paging paging;
    paging.Feed("<html><body><p>Early words</p><div>", true);
    paging.Format();
    const std::string before = paging.layout.Dump();
    ASSERT_NE(before.find("line 0,0 55x12"), std::string::npos) << before;
    paging.Feed("<style>p { margin-left: 30px }</style>After", true);
    paging.Format();
    EXPECT_EQ(paging.layout.Generation(), 1);
    EXPECT_NE(paging.layout.Dump().find("line 30,0 55x12"), std::string::npos) << paging.layout.Dump();
    paging.Feed("</div></body></html>", false);
    EXPECT_EQ(paging.Format(), kFormatDone);
    EXPECT_EQ(paging.layout.Dump(),
              FormatInPieces("<html><body><p>Early words</p><div><style>p { margin-left: 30px }</style>After"
                             "</div></body></html>",
                             0)
                  .dump);
}

TEST(PageLayout, AnEmptyContentFormatsNothing) {
    Paging paging;
    EXPECT_EQ(paging.Format(), kFormatNothingToDo);
    EXPECT_EQ(paging.layout.Root(), nullptr);
    EXPECT_EQ(paging.layout.ContentHeight(), 0);
}

}  // namespace
