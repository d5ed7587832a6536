// The page loop of printing and text output: a laid-out page is cut into
// pages of the device's view height (LayoutElement::SplitAtHeight) and each
// page is painted band by band through the device's paging operations.
#pragma once
#include <functional>

#include "layout/LayoutElement.h"
#include "layout/PagedDevice.h"

// Paints one band: the page's root and the band's rectangle as the
// visible rectangle, in layout units. The caller's painter brings what the
// painting needs of the page (its images, link colours, selection).
using PagePainter = std::function<void(LayoutElement& pageRoot, const DeviceRect& band)>;

// Pages through the whole layout. The root keeps the first page; the later
// pages are cut off it and freed on the way. A plain-text device's grid is
// fitted to each page before it is painted. Answers the number of pages.
int PaintInPages(LayoutElement& root, PagedDevice& device, const PagePainter& paint);
