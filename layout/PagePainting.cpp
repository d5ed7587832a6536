#include "layout/PagePainting.h"

#include <memory>

#include "layout/PaintTree.h"
#include "layout/PlainTextDevice.h"

PageSequence::PageSequence(LayoutElement& root) : root_(root) {
    if (PageCutter::Handles(root)) cutter_ = std::make_unique<PageCutter>(root);
}

LayoutElement* PageSequence::Next(int32_t height) {
    if (cutter_) {
        // The root itself is the last page, after every cut.
        if (rootGiven_) return nullptr;
        page_ = cutter_->NextPage(height);
        if (page_) return page_.get();
        rootGiven_ = true;
        return &root_;
    }
    LayoutElement* current = &root_;
    if (started_) {
        if (!rest_) return nullptr;
        page_ = std::move(rest_);
        current = page_.get();
    }
    started_ = true;
    rest_.reset(current->SplitAtHeight(nullptr, height));
    return current;
}

bool PageSequence::Done() const {
    return cutter_ ? rootGiven_ : started_ && !rest_;
}

LayoutElement* PageSequence::Rest() const {
    if (cutter_) return rootGiven_ ? nullptr : &root_;
    return started_ ? rest_.get() : &root_;
}

void PaintBandOfBoxes(LayoutElement& page, PaintDevice& device, const DeviceRect& band) {
    PaintRequest request;
    request.clipX = band.left;
    request.clipY = band.top;
    request.clipWidth = band.right - band.left;
    request.clipHeight = band.bottom - band.top;
    page.PaintTree(device, request);
}

void PaintPage(LayoutElement& page, PagedDevice& device, const PagePainter& paint) {
    if (auto* text = dynamic_cast<PlainTextDevice*>(&device)) text->GrowToFit(page.Width(), page.Height());
    DeviceRect band;
    while (device.NextBand(band)) paint(page, band);
}

int PaintInPages(LayoutElement& root, PagedDevice& device, const PagePainter& paint) {
    PageSequence pages(root);
    int count = 0;
    while (LayoutElement* page = pages.Next(device.GetViewHeight())) {
        if (count++ > 0) device.EndPage();
        PaintPage(*page, device, paint);
    }
    return count;
}
