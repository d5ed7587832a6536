#include "documents/PageLayout.h"

#include <algorithm>
#include <cstdint>

#include "html/DocumentContent.h"
#include "layout/FontTable.h"
#include "layout/FormControl.h"
#include "layout/PageImages.h"
#include "layout/PaintDevice.h"
#include "layout/PaintTree.h"
#include "layout/RepaintRegion.h"

PageLayout::PageLayout(PaintDevice& device, int32_t width) : device_(device), width_(width < 1 ? 1 : width) {}

PageLayout::~PageLayout() {
    if (saved_ && root_) saved_->KeepFrom(root_.get());
}

void PageLayout::BeginPage(const PageProperties& page, const HtmlElement* root) {
    page_ = &page;
    style_ = StyleOf(page);
    root_element_ = const_cast<HtmlElement*>(root);
    StartLayout();
}

PageLayout::PageStyle PageLayout::StyleOf(const PageProperties& page) {
    PageStyle style;
    style.sheets = page.StyleSheets().size();
    style.cssMode = page.cssMode;
    style.linkColour = page.GetLinkColour();
    return style;
}

void PageLayout::StartLayout() {
    if (saved_ && root_) saved_->KeepFrom(root_.get());
    LayoutRequest request;
    request.width = width_;
    root_ = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
    formatter_ = std::make_unique<LayoutFormatter>(device_, page_);
    formatter_->SetImageSource(images_);
    formatter_->SetSavedControls(saved_);
    openTop_ = 0;
}

void PageLayout::SetPageBackground(int32_t colour, const UrlHandle& image) {
    background_ = colour;
    if (images_) images_->SetBackgroundUrl(image);
}

int PageLayout::Format(const HtmlElement* stopElement) {
    if (!formatter_ || !root_element_) return kResultDone;
    // What the old layout showed is repainted too, down to its bottom.
    int32_t shownBottom = 0;
    if (page_ && !(StyleOf(*page_) == style_)) {
        style_ = StyleOf(*page_);
        if (root_->FirstChild()) {
            shownBottom = ContentHeight();
            if (images_) images_->LayoutDropped();
            StartLayout();
            ++generation_;
        }
    }
    // Every step starts from the page's default font: the formatter applies
    // each element's font over the one the device holds.
    SelectDefaultFont(device_);
    const int32_t changedFrom = openTop_;
    // The formatter stops at the element still open (the tree's insertion
    // element) and goes on there when the step after more data comes.
    const int result = formatter_->FormatStep(root_element_, root_.get(), kStepBudget,
                                              const_cast<HtmlElement*>(stopElement));
    // New lines and boxes are not moves of painted ones, which the layout
    // records itself: what lies below the area left open before is new.
    openTop_ = OpenAreaTop();
    const int32_t bottom = std::max(ContentHeight(), shownBottom);
    if (RepaintRegion* region = RepaintRegion::Current()) {
        if (bottom > changedFrom) region->Add(0, changedFrom, width_, bottom - changedFrom);
    }
    return result;
}

int32_t PageLayout::OpenAreaTop() const {
    if (!root_ || root_->Has(LayoutElement::kFinished)) return ContentHeight();
    // Down the last boxes, which are the ones still being filled: the first
    // open line is where text may still be added or aligned.
    int32_t y = 0;
    for (const LayoutElement* e = root_.get(); e;) {
        y += e->Y();
        if (e->GetKind() == LayoutElement::kLineBox && !e->Has(LayoutElement::kFinished)) return y;
        const LayoutElement* last = e->LastChild();
        while (last &&
               (last->GetKind() == LayoutElement::kReferenceBox || last->Has(LayoutElement::kOutOfFlow)))
            last = last->PrevSibling();
        if (!last || last->Has(LayoutElement::kFinished)) break;
        e = last;
    }
    return ContentHeight();
}

int32_t PageLayout::ContentWidth() const {
    return root_ ? root_->Width() : 0;
}

int32_t PageLayout::ContentHeight() const {
    if (!root_) return 0;
    const int64_t height = ExtentHeight(*root_);
    return height > INT32_MAX ? INT32_MAX : static_cast<int32_t>(height);
}

void PageLayout::Paint(PaintDevice& device, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       int32_t scrollX, int32_t scrollY) const {
    if (!root_) return;
    // The rectangle is in page coordinates; the paint wants it relative to
    // the view, whose origin is the scroll position.
    PaintRequest request;
    request.images = images_;
    request.viewX = scrollX;
    request.viewY = scrollY;
    request.clipX = left - scrollX;
    request.clipY = top - scrollY;
    request.clipWidth = right - left;
    request.clipHeight = bottom - top;
    // The page's background image lies under everything, tiled from the
    // page's origin over the whole rectangle, beyond the layout's end too.
    if (images_) {
        const DeviceRect area{left - scrollX, top - scrollY, right - scrollX, bottom - scrollY};
        images_->DrawBackground(device, area, scrollX, scrollY);
    }
    root_->PaintTree(device, request);
}

int FormatContentStep(DocumentContent& content, PageLayout& layout, FormatState& state) {
    return content.FormatStep(layout, state);
}
