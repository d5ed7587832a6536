// What markers, rules and alternative texts draw.
#include <algorithm>
#include <cstring>
#include <string>

#include "html/HtmlElement.h"
#include "layout/FormControl.h"
#include "layout/Image.h"
#include "layout/LayoutElement.h"
#include "layout/ListMarkers.h"
#include "layout/PaintTree.h"
#include "layout/ReplacedElements.h"

namespace {
constexpr uint16_t kDottedRule = 0x1000;
constexpr uint16_t kShadedRule = 0x0800;

int Answer(const LeafPaint& leaf) { return leaf.selection ? 0 : 1; }
}  // namespace

int ListMarkerBox::Paint(PaintDevice& device, LeafPaint& leaf) {
    const int32_t x = leaf.originX + X() - leaf.request->viewX;
    const int32_t y = leaf.originY + Y() - leaf.request->viewY;
    const int32_t h = static_cast<int32_t>(Height());
    const int32_t size = bulletSize_;
    // Bullets are centred in the marker's column and the line.
    const int32_t bx = x + (markerWidth_ - size) / 2, by = y + (h - size) / 2;
    switch (type_) {
        case 96: device.FillDisc(bx, by, size, size); break;
        case 97: device.DrawCircle(bx, by, size, size); break;
        case 98: device.DrawFrameRect(bx, by, size, size, kPenSolid); break;
        default: {
            const std::string text = ListMarkerText(number_, type_);
            if (text.empty()) break;
            const int length = static_cast<int>(text.size());
            const int32_t w = device.GetTextExtent(text.c_str(), length);
            device.DrawText(x + markerWidth_ - 10 - w, y + (h - device.GetLineHeight()) / 2, text.c_str(), length);
            break;
        }
    }
    return Answer(leaf);
}

int RuleBox::Paint(PaintDevice& device, LeafPaint& leaf) {
    const int32_t x = leaf.originX + X() - leaf.request->viewX;
    const int32_t y = leaf.originY + Y() - leaf.request->viewY;
    const int32_t top = Margin(BoxMetrics::kTop), bottom = Margin(BoxMetrics::kBottom);
    if (Has(kDottedRule)) {
        device.DrawDottedLine(x, y + top, Width());
    } else {
        device.DrawHorizontalRule(x, y + top, Width(), static_cast<int32_t>(Height()) - top - bottom,
                                  Has(kShadedRule));
    }
    return Answer(leaf);
}

int AltTextBox::Paint(PaintDevice& device, LeafPaint& leaf) {
    int32_t x = leaf.originX + X() - leaf.request->viewX;
    int32_t y = leaf.originY + Y() - leaf.request->viewY;
    int32_t w = Width(), h = static_cast<int32_t>(Height());
    if (framed_) {
        device.DrawFrameRect(x, y, w, h, kPenSolid);
        ++x, ++y, w -= 2, h -= 2;
    }
    device.DrawEtchedFrame(x, y, w, h, text_, length_);
    return Answer(leaf);
}

DeviceRect ImageBox::InnerRect(int32_t originX, int32_t originY) const {
    DeviceRect r;
    r.left = originX + X() + border_;
    r.top = originY + Y() + border_;
    r.right = originX + X() + Width() - border_;
    r.bottom = originY + Y() + static_cast<int32_t>(Height()) - border_;
    return r;
}

int ImageBox::Paint(PaintDevice& device, LeafPaint& leaf) {
    const PaintRequest& request = *leaf.request;
    const int32_t x = leaf.originX + X() - request.viewX;
    const int32_t y = leaf.originY + Y() - request.viewY;
    const int32_t w = Width(), h = static_cast<int32_t>(Height());
    if (border_ > 0) {
        if (leaf.link) {
            // A linked image is framed in the link's colour.
            for (int i = 0; i < border_ && 2 * i < w && 2 * i < h; ++i)
                device.DrawFrameRect(x + i, y + i, w - 2 * i, h - 2 * i, kPenSolid);
        } else {
            device.DrawBevel(x, y, w, h, border_, true);
        }
    }
    const DeviceRect inner = InnerRect(leaf.originX - request.viewX, leaf.originY - request.viewY);
    if (inner.right <= inner.left || inner.bottom <= inner.top) return Answer(leaf);
    Image* image = request.images ? request.images->ShowImageBox(*this, leaf.originX + X(), leaf.originY + Y())
                                  : nullptr;
    const ImageFrame* frame = image ? image->CurrentFrame() : nullptr;
    if (image && frame && frame->rowsDecoded > 0) {
        DeviceRect clip = inner;
        clip.left = std::max(clip.left, request.clipX);
        clip.top = std::max(clip.top, request.clipY);
        clip.right = std::min(clip.right, request.clipX + request.clipWidth);
        clip.bottom = std::min(clip.bottom, request.clipY + request.clipHeight);
        if (clip.right > clip.left && clip.bottom > clip.top)
            device.DrawImage(inner.left, inner.top, clip, inner.right - inner.left, inner.bottom - inner.top, *image, 0,
                             0, false);
        return Answer(leaf);
    }
    // Nothing decoded yet (or nothing to decode): the place with its text.
    const char* text = Element() ? PlaceholderText(Element()) : nullptr;
    const int length = text ? static_cast<int>(std::strlen(text)) : 0;
    device.DrawEtchedFrame(inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, text, length);
    return Answer(leaf);
}

int FormControlBox::Paint(PaintDevice& device, LeafPaint& leaf) {
    if (control_) {
        const int32_t x = leaf.originX + X() - leaf.request->viewX;
        int32_t y = leaf.originY + Y() - leaf.request->viewY;
        // The box stands 2 units taller than the control; window-less
        // devices draw the control at its foot.
        if (Has(0x1000) && device.IsNotScreen()) y += 2;
        control_->Position(x, y, true);
    }
    return Answer(leaf);
}

void FormControlBox::Reset() {
    if (!control_ || !Element()) return;
    std::string value;
    const bool has = FormControlDefault(Element(), value);
    control_->SetValue(has ? value.c_str() : nullptr);
}
