// A page formatted step by step while its bytes arrive in pieces of any
// size ends in the same layout as the page formatted from one block.
#include <gtest/gtest.h>

#include <string>

#include "documents/PageLayout.h"
#include "html/DocumentContent.h"
#include "layout/FixedMetricsDevice.h"
#include "tests/html/HtmlTestPages.h"

namespace {

const char kPage[] =
    "<html><head><title>Chunks</title></head><body>\n"
    "<h1>A heading</h1>\n"
    "<p>First paragraph with <b>bold</b> and <i>italic</i> words that wrap across the width.\n"
    "<ul><li>one<li>two<li>three</ul>\n"
    "<pre>pre\n  formatted</pre>\n"
    "<p>Last &amp; final paragraph.<br>After a break.\n"
    "</body></html>\n";

// Feeds the page in pieces of `chunk` bytes (0: whole), running a
// formatting step after each piece as the page document does, and answers
// the final layout dump.
std::string FormatInPieces(const std::string& page, size_t chunk) {
    DocumentContent content;
    FixedMetricsDevice device(400, 300);
    device.SetFontHeight(10);
    PageLayout layout(device, 400);
    FormatState state;
    state.state = kFormatNothingToDo;
    UrlHandle url = html_test::PageUrl();
    std::string pending;
    size_t at = 0;
    if (chunk == 0) chunk = page.size();
    while (at < page.size()) {
        size_t n = std::min(chunk, page.size() - at);
        pending.append(page, at, n);
        at += n;
        bool more = at < page.size();
        long left = content.FeedData(url, pending.data(), static_cast<long>(pending.size()), more, 0);
        pending.erase(0, pending.size() - static_cast<size_t>(left));
        int steps = 0;
        while (FormatContentStep(content, layout, state) == kFormatLayoutMore && ++steps < 10000) {
        }
    }
    int steps = 0;
    while (state.state != kFormatDone && ++steps < 10000) {
        if (FormatContentStep(content, layout, state) == kFormatNothingToDo) break;
    }
    EXPECT_EQ(state.state, kFormatDone) << "chunk " << chunk;
    return layout.Dump();
}

TEST(PageLayout, PiecesOfEverySizeGiveTheLayoutOfOneBlock) {
    const std::string page = kPage;
    const std::string whole = FormatInPieces(page, 0);
    ASSERT_FALSE(whole.empty());
    for (size_t chunk = 1; chunk < page.size(); ++chunk) {
        ASSERT_EQ(FormatInPieces(page, chunk), whole) << "pieces of " << chunk << " bytes";
    }
}

TEST(PageLayout, AnEmptyContentFormatsNothing) {
    DocumentContent content;
    FixedMetricsDevice device(400, 300);
    PageLayout layout(device, 400);
    FormatState state;
    EXPECT_EQ(FormatContentStep(content, layout, state), kFormatNothingToDo);
    EXPECT_EQ(layout.Root(), nullptr);
    EXPECT_EQ(layout.ContentHeight(), 0);
}

}  // namespace
