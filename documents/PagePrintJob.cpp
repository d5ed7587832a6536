#include "documents/PagePrintJob.h"

#include <algorithm>

#include "html/DocumentContent.h"
#include "layout/PagedDevice.h"
#include "layout/RepaintRegion.h"

namespace {

// A content whose formatting never ends (a layout that keeps growing)
// still ends the print: far more steps than any page takes.
constexpr int kMaxSteps = 1000000;

// Widens [top, bottom) by every box of the element below box, whose own
// top lies at y.
void SpanOf(const LayoutElement& box, const HtmlElement* element, int64_t y, bool& found, int32_t& top,
            int32_t& bottom) {
    for (const LayoutElement* c = box.FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() == LayoutElement::kReferenceBox) continue;
        const int64_t cy = y + c->Y();
        if (c->Element() == element) {
            const int32_t from = static_cast<int32_t>(std::clamp<int64_t>(cy, 0, INT32_MAX));
            const int32_t to = static_cast<int32_t>(std::clamp<int64_t>(cy + c->Height(), 0, INT32_MAX));
            top = found ? std::min(top, from) : from;
            bottom = found ? std::max(bottom, to) : to;
            found = true;
        }
        SpanOf(*c, element, cy, found, top, bottom);
    }
}

}  // namespace

PagePrintJob::PagePrintJob(DocumentContent& content, PagedDevice& printer)
    : printer_(printer), layout_(printer, printer.GetViewWidth()) {
    // The print's boxes are no repaint of the window's.
    RepaintRegion* region = RepaintRegion::Current();
    RepaintRegion::SetCurrent(nullptr);
    FormatState state;
    for (int i = 0; i < kMaxSteps && FormatContentStep(content, layout_, state) == kFormatLayoutMore; ++i) {
    }
    RepaintRegion::SetCurrent(region);
    if (layout_.Root()) pages_ = std::make_unique<PageSequence>(*layout_.Root());
}

bool PagePrintJob::HasLayout() const {
    return pages_ && layout_.ContentHeight() > 0;
}

bool PagePrintJob::ElementSpan(const HtmlElement* element, int32_t& top, int32_t& bottom) {
    if (!element || !layout_.Root()) return false;
    bool found = false;
    SpanOf(*layout_.Root(), element, 0, found, top, bottom);
    return found;
}

void PagePrintJob::SkipTo(int32_t top) {
    if (!pages_ || printed_ > 0 || skipped_ || top <= 0) return;
    skipped_ = true;
    (void)pages_->Next(top);
}

void PagePrintJob::SkipPages(int count) {
    for (int i = 0; i < count && pages_ && !pages_->Done(); ++i) (void)pages_->Next(printer_.GetViewHeight());
}

bool PagePrintJob::Done() const {
    if (!pages_ || pages_->Done()) return true;
    if (!stopAfter_) return false;
    // Nothing of the element is left to print.
    bool found = false;
    int32_t top = 0, bottom = 0;
    SpanOf(*pages_->Rest(), stopAfter_, 0, found, top, bottom);
    return !found;
}

bool PagePrintJob::PrintNext() {
    if (Done()) return false;
    LayoutElement* page = pages_->Next(printer_.GetViewHeight());
    if (!page) return false;
    PaintPage(*page, printer_, [this](LayoutElement& root, const DeviceRect& band) {
        PaintBandOfBoxes(root, printer_, band);
    });
    printer_.EndPage();
    ++printed_;
    return true;
}
