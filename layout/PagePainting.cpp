#include "layout/PagePainting.h"

#include <memory>

#include "layout/PlainTextDevice.h"

namespace {

void PaintPage(LayoutElement& page, PagedDevice& device, const PagePainter& paint) {
    if (auto* text = dynamic_cast<PlainTextDevice*>(&device)) text->GrowToFit(page.Width(), page.Height());
    DeviceRect band;
    while (device.NextBand(band)) paint(page, band);
}

}  // namespace

int PaintInPages(LayoutElement& root, PagedDevice& device, const PagePainter& paint) {
    if (PageCutter::Handles(root)) {
        PageCutter cutter(root);
        for (int pages = 1;; ++pages) {
            std::unique_ptr<LayoutElement> page = cutter.NextPage(device.GetViewHeight());
            PaintPage(page ? *page : root, device, paint);
            if (!page) return pages;
            device.EndPage();
        }
    }
    LayoutElement* page = &root;
    std::unique_ptr<LayoutElement> ownedPage;
    for (int pages = 1;; ++pages) {
        std::unique_ptr<LayoutElement> rest(page->SplitAtHeight(nullptr, device.GetViewHeight()));
        PaintPage(*page, device, paint);
        if (!rest) return pages;
        device.EndPage();
        ownedPage = std::move(rest);
        page = ownedPage.get();
    }
}
