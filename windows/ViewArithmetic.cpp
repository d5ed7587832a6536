#include "windows/ViewArithmetic.h"

#include <algorithm>

namespace view_math {

int ClampScale(int percent) {
    return std::clamp(percent / 10 * 10, kMinScale, kMaxScale);
}

uint32_t AbsoluteZoom(int percent) {
    return 0x10000u | (static_cast<uint32_t>(percent) & 0xFFFFu);
}

uint32_t RelativeZoom(int step) {
    return static_cast<uint16_t>(static_cast<int16_t>(step));
}

int ZoomTarget(int current, uint32_t parameter) {
    int target;
    if (parameter >> 16)
        target = static_cast<int>(parameter & 0xFFFFu);
    else
        target = current + static_cast<int16_t>(parameter & 0xFFFFu);
    return std::max(target, kMinScale);
}

int32_t ScrollUnit(int32_t hidden) {
    return std::max<int32_t>(hidden, 0) / 30000 + 1;
}

int32_t PaneScrollUnit(int32_t heightPixels, int32_t contentHeight, int scale) {
    if (scale <= 0) scale = 100;
    return ScrollUnit(contentHeight - static_cast<int16_t>(LogicalSize(heightPixels, scale)));
}

int32_t LogicalSize(int32_t pixels, int scale) {
    if (scale <= 0) scale = 100;
    // Rounded up, and exact where the pixels make whole units: a view 400
    // pixels high at 100 % shows 400 units, not 401.
    return static_cast<int32_t>((static_cast<int64_t>(pixels) * 100 + scale - 1) / scale);
}

int32_t ScrollPixels(int32_t deltaUnits, int scale) {
    int64_t scaled = static_cast<int64_t>(deltaUnits) * scale;
    return static_cast<int32_t>((scaled + (deltaUnits >= 1 ? 99 : -99)) / 100);
}

int32_t DeviceCorner(int32_t units, int scale) {
    return static_cast<int16_t>((static_cast<int64_t>(units) * scale + 99) / 100);
}

int32_t MaximumOffset(const ScrollState& state) {
    return std::max<int32_t>(state.content - state.visible, 0);
}

int32_t ThumbOffset(int32_t thumb, const ScrollState& state) {
    int32_t maximum = MaximumOffset(state);
    int64_t at = static_cast<int64_t>(thumb) * std::max<int32_t>(state.unit, 1);
    if (at >= maximum) return maximum;
    return static_cast<int32_t>(std::max<int64_t>(at - at % 10, 0));
}

int32_t NewScrollOffset(int request, int32_t thumb, int32_t amount, const ScrollState& state) {
    const int64_t y = state.offset;
    int64_t next = y;
    switch (request) {
        case kScrollByAmount: case kScrollByAmount2: next = y + amount; break;
        case kLineUp: next = y - 30; break;
        case kLineDown: next = y + 30; break;
        case kPageUp: next = y - state.visible + 20; break;
        case kPageDown: next = y + state.visible - 20; break;
        case kThumbPosition: case kThumbTrack: next = ThumbOffset(thumb, state); break;
        case kTop: next = 0; break;
        case kBottom: next = MaximumOffset(state); break;
        default: break;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(next, 0, MaximumOffset(state)));
}

int LowestFreeNumber(const std::vector<int>& used) {
    for (int n = 1;; ++n) {
        if (std::find(used.begin(), used.end(), n) == used.end()) return n;
    }
}

}  // namespace view_math
