// The page loop of printing and text output: a laid-out page is cut into
// pages of the device's view height (LayoutElement::SplitAtHeight) and each
// page is painted band by band through the device's paging operations.
#pragma once
#include <functional>
#include <memory>

#include "layout/LayoutElement.h"
#include "layout/PagedDevice.h"

// The page loop's cut of a root: the pages that cutting it again and again
// with SplitAtHeight gives, each the same box for box, but cut off the top
// of the root, which keeps the rest. A cut so moves the boxes of one page,
// where SplitAtHeight moves those of the rest of the document, and cutting
// a long document takes time in proportion to it.
//
// Between cuts the rest keeps the places it had in the root; the cutter
// remembers where its top lies. The root takes the form the last rest would
// have when no page is left to cut off. Only a parentless vertical block
// is cut this way (Handles); the caller cuts others with SplitAtHeight.
class PageCutter {
public:
    static bool Handles(const LayoutElement& root);
    explicit PageCutter(LayoutElement& root);

    // The next page, cut off at the height (from the top of what is left):
    // the caller paints and frees it. Null when nothing lies at or below
    // the cut: the root then is the last page.
    std::unique_ptr<LayoutElement> NextPage(int32_t height);

private:
    std::unique_ptr<LayoutElement> CutBefore(LayoutElement* child);
    std::unique_ptr<LayoutElement> CutInside(LayoutElement* child, int32_t cut, bool kept);
    // A page in the form the root has after a cut of SplitAtHeight, with the
    // root's children before the given one.
    std::unique_ptr<LayoutElement> TakePage(LayoutElement* before);
    // The height that finishing the rest as a part of its own gives.
    int64_t RestHeight(int32_t top);
    void Settle();

    LayoutElement& root_;
    int32_t top_ = 0;   // where the rest starts in the root
    int64_t height_;    // the rest's height
    bool cut_ = false;  // a page was cut off
};

// Paints one band: the page's root and the band's rectangle as the
// visible rectangle, in layout units. The caller's painter brings what the
// painting needs of the page (its images, link colours, selection).
using PagePainter = std::function<void(LayoutElement& pageRoot, const DeviceRect& band)>;

// The pages of a root one at a time, for a caller that pages at its own
// pace (printing a page at a time): each page is cut off when it is asked
// for, with the cut of the page loop.
class PageSequence {
public:
    explicit PageSequence(LayoutElement& root);
    // The next page, cut off at the height: valid until the next call;
    // null when every page was given.
    LayoutElement* Next(int32_t height);
    // No page is left to give.
    bool Done() const;
    // What the pages still to give hold (null when none is left); their
    // boxes keep the places they have there.
    LayoutElement* Rest() const;

private:
    LayoutElement& root_;
    std::unique_ptr<PageCutter> cutter_;  // when the root is cut from the top
    std::unique_ptr<LayoutElement> page_;
    std::unique_ptr<LayoutElement> rest_;  // SplitAtHeight's rest, the next page
    bool started_ = false;
    bool rootGiven_ = false;
};

// The painter of a page that brings nothing but its boxes (no images,
// no selection): saving as text and printing.
void PaintBandOfBoxes(LayoutElement& page, PaintDevice& device, const DeviceRect& band);

// Paints one page band by band; a plain-text device's grid is fitted to the
// page first.
void PaintPage(LayoutElement& page, PagedDevice& device, const PagePainter& paint);

// Pages through the whole layout. The root keeps the first page; the later
// pages are cut off it and freed on the way. Answers the number of pages.
int PaintInPages(LayoutElement& root, PagedDevice& device, const PagePainter& paint);
