#include "layout/ReplacedElements.h"

#include <cstdint>

namespace {
FormControlFactory* g_controlFactory = nullptr;

int32_t Clamp(int64_t v) { return v < 1 ? 1 : (v > 32767 ? 32767 : static_cast<int32_t>(v)); }

// A given size: percent (negative) of the reference, at least 1; percent
// sizes inside table cells are not given.
bool GivenSize(bool given, int32_t value, int32_t reference, bool inCell, int32_t& out) {
    if (!given) return false;
    if (value < 0) {
        if (inCell) return false;
        out = Clamp(static_cast<int64_t>(-value) * reference / 100);
        return true;
    }
    out = Clamp(value);
    return true;
}
}  // namespace

void RegisterFormControlFactory(FormControlFactory* factory) { g_controlFactory = factory; }
FormControlFactory* RegisteredFormControlFactory() { return g_controlFactory; }

bool ResolveImageSize(const ImageSizeRequest& r, int32_t& width, int32_t& height) {
    const bool hasWidth = GivenSize(r.widthGiven, r.width, r.viewWidth, r.inCell, width);
    const bool hasHeight = GivenSize(r.heightGiven, r.height, r.viewHeight, r.inCell, height);
    if (hasWidth && hasHeight) return true;
    if (!r.imageKnown) return false;
    const int64_t iw = r.imageWidth < 0 ? 0 : r.imageWidth, ih = r.imageHeight < 0 ? 0 : r.imageHeight;
    if (!hasWidth && !hasHeight) {
        width = Clamp(iw);
        height = Clamp(ih);
    } else if (hasWidth) {
        height = Clamp(iw ? width * ih / iw : ih);
    } else {
        width = Clamp(ih ? height * iw / ih : iw);
    }
    return true;
}
