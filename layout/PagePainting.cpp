#include "layout/PagePainting.h"

#include <memory>

#include "layout/PlainTextDevice.h"

int PaintInPages(LayoutElement& root, PagedDevice& device, const PagePainter& paint) {
    LayoutElement* page = &root;
    std::unique_ptr<LayoutElement> ownedPage;
    for (int pages = 1;; ++pages) {
        std::unique_ptr<LayoutElement> rest(page->SplitAtHeight(nullptr, device.GetViewHeight()));
        if (auto* text = dynamic_cast<PlainTextDevice*>(&device))
            text->GrowToFit(page->Width(), page->Height());
        DeviceRect band;
        while (device.NextBand(band)) paint(*page, band);
        if (!rest) return pages;
        device.EndPage();
        ownedPage = std::move(rest);
        page = ownedPage.get();
    }
}
