#include "layout/RepaintRegion.h"

namespace {
RepaintRegion* g_current = nullptr;

int16_t To16(int64_t v) { return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }
int32_t To32(int64_t v) { return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : v)); }
}  // namespace

RepaintRegion* RepaintRegion::Current() { return g_current; }
void RepaintRegion::SetCurrent(RepaintRegion* region) { g_current = region; }

RepaintRegion::RepaintRegion() { Init(-32768, INT32_MIN / 2, 65535, INT32_MAX); }

void RepaintRegion::Init(int32_t x, int32_t y, int32_t width, int32_t height) {
    visibleLeft_ = To16(x);
    visibleRight_ = To16(static_cast<int64_t>(x) + width);
    visibleTop_ = y;
    visibleBottom_ = To32(static_cast<int64_t>(y) + height);
    Clear();
}

void RepaintRegion::Clear() {
    left_ = visibleRight_;
    right_ = visibleLeft_;
    top_ = visibleBottom_;
    bottom_ = visibleTop_;
}

void RepaintRegion::Add(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (y < visibleBottom_) {
        if (x < left_) left_ = To16(x);
        if (static_cast<int64_t>(x) + width > right_) right_ = To16(static_cast<int64_t>(x) + width);
    }
    if (y < top_) top_ = y;
    if (static_cast<int64_t>(y) + height > bottom_) bottom_ = To32(static_cast<int64_t>(y) + height);
}

bool RepaintRegion::GetClippedRect(LayoutRect& out) const {
    const int32_t left = left_ > visibleLeft_ ? left_ : visibleLeft_;
    const int32_t right = right_ < visibleRight_ ? right_ : visibleRight_;
    const int32_t top = top_ > visibleTop_ ? top_ : visibleTop_;
    const int32_t bottom = bottom_ < visibleBottom_ ? bottom_ : visibleBottom_;
    if (right <= left || bottom <= top) return false;
    out.x = left - visibleLeft_;
    out.y = top - visibleTop_;
    out.width = right - left;
    out.height = static_cast<int32_t>(static_cast<int64_t>(bottom) - top);
    return true;
}
