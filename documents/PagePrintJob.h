// A page printed a page at a time: the page's content laid out anew on the
// printer (whose view height is the height of one printed page) and cut
// into pages as each is asked for, so that the window's own layout is left
// as it is and a print can go on between other messages. Free of any
// window: it is tested natively on a paged text device.
#pragma once
#include <climits>
#include <cstdint>
#include <memory>

#include "documents/PageLayout.h"
#include "layout/PagePainting.h"

class DocumentContent;
class HtmlElement;
class PagedDevice;

class PagePrintJob {
public:
    // Lays the whole content out on the printer (content and printer
    // outlive the job).
    PagePrintJob(DocumentContent& content, PagedDevice& printer);
    PagePrintJob(const PagePrintJob&) = delete;
    PagePrintJob& operator=(const PagePrintJob&) = delete;

    PagedDevice& Printer() const { return printer_; }
    // Something was laid out to print.
    bool HasLayout() const;
    // Where the boxes of an element lie in this layout, top to bottom;
    // false when it has none.
    bool ElementSpan(const HtmlElement* element, int32_t& top, int32_t& bottom);
    // Leaves out the layout above top (only before the first page).
    void SkipTo(int32_t top);
    // Ends the print with the page that holds the last box of the element.
    void StopAfter(const HtmlElement* element) { stopAfter_ = element; }
    // Leaves out whole pages before the first printed.
    void SkipPages(int count);
    // Paints the next page onto the printer and ends it; false when none
    // is left.
    bool PrintNext();
    // No page is left to print.
    bool Done() const;
    int PagesPrinted() const { return printed_; }

private:
    PagedDevice& printer_;
    PageLayout layout_;
    std::unique_ptr<PageSequence> pages_;
    const HtmlElement* stopAfter_ = nullptr;
    bool skipped_ = false;
    int printed_ = 0;
};
