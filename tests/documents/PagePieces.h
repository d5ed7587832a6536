// A page content and its layout on a device of fixed metrics (5 units a
// character, lines of 12), fed piece by piece and formatted after each piece
// as the page document does while the page arrives.
#pragma once
#include <algorithm>
#include <string>

#include "documents/PageLayout.h"
#include "html/DocumentContent.h"
#include "layout/FixedMetricsDevice.h"
#include "net/UrlHandle.h"

namespace page_pieces {

struct Paging {
    DocumentContent content;
    FixedMetricsDevice device{400, 300};
    PageLayout layout{device, 400};
    FormatState state;
    std::string pending;  // bytes the content left for the next piece

    Paging() {
        device.SetFontHeight(10);
        state.state = kFormatNothingToDo;
    }
    void Feed(const std::string& bytes, bool more) {
        pending += bytes;
        long left = content.FeedData(UrlHandle("http://test.example/dir/page.html", true), pending.data(),
                                     static_cast<long>(pending.size()), more, 0);
        pending.erase(0, pending.size() - static_cast<size_t>(left));
    }
    // Steps until the layout waits for data or is complete.
    int Format() {
        for (int i = 0; i < 10000 && FormatContentStep(content, layout, state) == kFormatLayoutMore; ++i) {
        }
        return state.state;
    }
};

// Feeds the page in pieces of `chunk` bytes (0: whole), formatting after
// each; afterPiece(bytes fed so far) runs after every piece but the last.
// Answers the state of the last step.
template <typename AfterPiece>
int FeedInPieces(Paging& paging, const std::string& page, size_t chunk, AfterPiece afterPiece) {
    if (chunk == 0) chunk = page.size();
    for (size_t at = 0; at < page.size();) {
        const size_t n = std::min(chunk, page.size() - at);
        const bool more = at + n < page.size();
        paging.Feed(page.substr(at, n), more);
        at += n;
        paging.Format();
        if (more) afterPiece(at);
    }
    if (page.empty()) paging.Feed(std::string(), false);
    return paging.Format();
}

}  // namespace page_pieces
