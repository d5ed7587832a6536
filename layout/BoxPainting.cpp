// What markers, rules and alternative texts draw.
#include <string>

#include "layout/LayoutElement.h"
#include "layout/ListMarkers.h"
#include "layout/PaintTree.h"

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
