// A page printed a page at a time gives the pages of the page loop; whole
// pages can be left out at the start, and a part of the page (a selection)
// is printed from the page where it starts to the one where it ends.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "documents/PagePrintJob.h"
#include "html/DocumentContent.h"
#include "html/HtmlElement.h"
#include "layout/PagePainting.h"
#include "tests/documents/TextPrinter.h"

namespace {

using testing_support::TextPrinter;

constexpr int kColumns = 40;
constexpr int kPageLines = 8;

std::string LongPage() {
    std::string page = "<html><head><title>Long</title></head><body><h1>Printed</h1>\n";
    for (int i = 1; i <= 30; ++i) page += "<p>Line " + std::to_string(i) + " of the page.</p>\n";
    return page + "</body></html>\n";
}

struct Content {
    DocumentContent content;
    explicit Content(const std::string& page) {
        content.FeedData(UrlHandle("http://test.example/long.html", true), page.data(),
                         static_cast<long>(page.size()), false, 0);
    }
    // The text element whose text begins with the words.
    HtmlElement* Text(const std::string& words) {
        for (HtmlElement* e = content.Root(); e; e = e->NextInOrder()) {
            if (e->GetText() && std::string(e->GetText()).rfind(words, 0) == 0) return e;
        }
        return nullptr;
    }
};

std::vector<std::string> PrintAll(PagePrintJob& job) {
    int guard = 0;
    while (job.PrintNext() && ++guard < 1000) {
    }
    return static_cast<TextPrinter&>(job.Printer()).pages;
}

// Where a text first appears: the page and the line on it; -1 when nowhere.
std::pair<int, int> Place(const std::vector<std::string>& pages, const std::string& text) {
    for (size_t p = 0; p < pages.size(); ++p) {
        size_t at = pages[p].find(text);
        if (at != std::string::npos) {
            int line = 0;
            for (size_t i = 0; i < at; ++i) line += pages[p][i] == '\n';
            return {static_cast<int>(p), line};
        }
    }
    return {-1, -1};
}

TEST(PagePrintJob, PrintsThePagesOfThePageLoopOneAtATime) {
    Content page(LongPage());
    TextPrinter printer(kColumns, kPageLines);
    PagePrintJob job(page.content, printer);
    ASSERT_TRUE(job.HasLayout());
    const std::vector<std::string> pages = PrintAll(job);
    EXPECT_TRUE(job.Done());
    EXPECT_FALSE(job.PrintNext()) << "nothing after the last page";
    EXPECT_EQ(job.PagesPrinted(), static_cast<int>(pages.size()));
    ASSERT_GT(pages.size(), 3u);

    // The page loop on the same printer, in one go.
    TextPrinter loop(kColumns, kPageLines);
    PageLayout layout(loop, loop.GetViewWidth());
    FormatState state;
    while (FormatContentStep(page.content, layout, state) == kFormatLayoutMore) {
    }
    ASSERT_NE(layout.Root(), nullptr);
    const int count = PaintInPages(
        *layout.Root(), loop,
        [&loop](LayoutElement& root, const DeviceRect& band) { PaintBandOfBoxes(root, loop, band); });
    loop.EndPage();
    EXPECT_EQ(count, static_cast<int>(pages.size()));
    EXPECT_EQ(loop.pages, pages);

    // Every line once, in order, none cut across pages.
    std::pair<int, int> previous{0, -1};
    for (int i = 1; i <= 30; ++i) {
        const std::string line = "Line " + std::to_string(i) + " of the page.";
        const auto at = Place(pages, line);
        ASSERT_GE(at.first, 0) << line;
        EXPECT_GT(at, previous) << line;
        previous = at;
        for (const std::string& p : pages) {
            size_t first = p.find(line);
            EXPECT_TRUE(first == std::string::npos || p.find(line, first + 1) == std::string::npos) << line;
        }
    }
    for (const std::string& p : pages) {
        int lines = 0;
        for (char c : p) lines += c == '\n';
        EXPECT_LE(lines, kPageLines);
    }
}

TEST(PagePrintJob, LeavesOutPagesBeforeTheFirstAndPrintsAPartFromItsPage) {
    Content page(LongPage());
    TextPrinter all(kColumns, kPageLines);
    PagePrintJob whole(page.content, all);
    const std::vector<std::string> pages = PrintAll(whole);
    ASSERT_GT(pages.size(), 3u);

    TextPrinter later(kColumns, kPageLines);
    PagePrintJob fromThird(page.content, later);
    fromThird.SkipPages(2);
    EXPECT_EQ(PrintAll(fromThird), std::vector<std::string>(pages.begin() + 2, pages.end()));

    TextPrinter none(kColumns, kPageLines);
    PagePrintJob pastTheEnd(page.content, none);
    pastTheEnd.SkipPages(1000);
    EXPECT_TRUE(pastTheEnd.Done());
    EXPECT_TRUE(PrintAll(pastTheEnd).empty());

    // Lines 12 to 20: printing starts with the first of them and ends with
    // the page that holds the last.
    TextPrinter part(kColumns, kPageLines);
    PagePrintJob selection(page.content, part);
    int32_t top = 0, bottom = 0, lastTop = 0, lastBottom = 0;
    ASSERT_TRUE(selection.ElementSpan(page.Text("Line 12 "), top, bottom));
    ASSERT_TRUE(selection.ElementSpan(page.Text("Line 20 "), lastTop, lastBottom));
    EXPECT_LT(bottom, lastTop);
    selection.SkipTo(top);
    selection.StopAfter(page.Text("Line 20 "));
    const std::vector<std::string> printed = PrintAll(selection);
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(Place(printed, "Line 12 "), std::make_pair(0, 0)) << printed.front();
    EXPECT_EQ(Place(printed, "Line 11 ").first, -1);
    const int lastPage = Place(printed, "Line 20 ").first;
    EXPECT_EQ(lastPage, static_cast<int>(printed.size()) - 1);
    EXPECT_EQ(Place(printed, "Line 30 ").first, -1);
}

TEST(PagePrintJob, AnEmptyContentHasNothingToPrint) {
    DocumentContent empty;
    TextPrinter printer(kColumns, kPageLines);
    PagePrintJob job(empty, printer);
    EXPECT_FALSE(job.HasLayout());
    EXPECT_TRUE(job.Done());
    EXPECT_FALSE(job.PrintNext());
    EXPECT_TRUE(printer.pages.empty());
}

}  // namespace
