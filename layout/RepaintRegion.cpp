#include "layout/RepaintRegion.h"

namespace {
RepaintRegion* g_current = nullptr;
}

RepaintRegion* RepaintRegion::Current() { return g_current; }
void RepaintRegion::SetCurrent(RepaintRegion* region) { g_current = region; }

void RepaintRegion::Add(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (w <= 0 || h <= 0) return;
    if (empty_) {
        left_ = x, top_ = y, right_ = x + w, bottom_ = y + h;
        empty_ = false;
        return;
    }
    if (x < left_) left_ = x;
    if (y < top_) top_ = y;
    if (x + w > right_) right_ = x + w;
    if (y + h > bottom_) bottom_ = y + h;
}
