#include "documents/PageLayout.h"

#include "html/DocumentContent.h"
#include "layout/PaintDevice.h"
#include "layout/PaintTree.h"

PageLayout::PageLayout(PaintDevice& device, int32_t width) : device_(device), width_(width < 1 ? 1 : width) {}

PageLayout::~PageLayout() = default;

void PageLayout::BeginPage(const PageProperties& page, const HtmlElement* root) {
    LayoutRequest request;
    request.width = width_;
    root_element_ = const_cast<HtmlElement*>(root);
    root_ = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
    formatter_ = std::make_unique<LayoutFormatter>(device_, &page);
}

int PageLayout::Format(const HtmlElement* stopElement) {
    if (!formatter_ || !root_element_) return kResultDone;
    // While an element is still open the page waits for more data: the
    // formatter resumes a container only after the child it stopped at, so
    // children that arrive later in an open element would be lost, and
    // elements inside the head (never laid out) never reach the stop.
    if (stopElement) return kResultStopped;
    return formatter_->FormatStep(root_element_, root_.get(), kStepBudget, const_cast<HtmlElement*>(stopElement));
}

int32_t PageLayout::ContentWidth() const {
    return root_ ? root_->Width() : 0;
}

int32_t PageLayout::ContentHeight() const {
    return root_ ? static_cast<int32_t>(root_->Height()) : 0;
}

void PageLayout::Paint(PaintDevice& device, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       int32_t scrollX, int32_t scrollY) const {
    if (!root_) return;
    // The rectangle is in page coordinates; the paint wants it relative to
    // the view, whose origin is the scroll position.
    PaintRequest request;
    request.viewX = scrollX;
    request.viewY = scrollY;
    request.clipX = left - scrollX;
    request.clipY = top - scrollY;
    request.clipWidth = right - left;
    request.clipHeight = bottom - top;
    root_->PaintTree(device, request);
}

int FormatContentStep(DocumentContent& content, PageLayout& layout, FormatState& state) {
    return content.FormatStep(layout, state);
}
