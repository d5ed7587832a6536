#include "documents/PageLayout.h"

#include "html/DocumentContent.h"
#include "layout/PaintDevice.h"

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

namespace {

void PaintBox(const LayoutElement& box, PaintDevice& device, int32_t left, int32_t top, int32_t right,
              int32_t bottom, int32_t scrollX, int32_t scrollY) {
    for (const LayoutElement* c = box.FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() == LayoutElement::kReferenceBox) continue;
        const int32_t x = c->AbsoluteX();
        const int32_t y = c->AbsoluteY();
        const int32_t h = static_cast<int32_t>(c->Height());
        if (y > bottom || (h > 0 && y + h < top)) {
            if (c->IsContainer() && h > 0) continue;
        }
        if (c->GetKind() == LayoutElement::kTextFragment) {
            if (y + h < top || y > bottom || x > right || x + c->Width() < left) continue;
            const auto* text = static_cast<const TextFragment*>(c);
            text->ApplyTextStyle(device);
            device.DrawText(x - scrollX, y - scrollY, text->TextPointer(), text->TextLength());
        } else if (c->GetKind() == LayoutElement::kRuleBox) {
            device.DrawHorizontalRule(x - scrollX, y - scrollY, c->Width(), h, true);
        } else {
            PaintBox(*c, device, left, top, right, bottom, scrollX, scrollY);
        }
    }
}

}  // namespace

void PageLayout::Paint(PaintDevice& device, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       int32_t scrollX, int32_t scrollY) const {
    if (!root_) return;
    PaintBox(*root_, device, left, top, right, bottom, scrollX, scrollY);
}

int FormatContentStep(DocumentContent& content, PageLayout& layout, FormatState& state) {
    return content.FormatStep(layout, state);
}
