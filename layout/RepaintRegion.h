// The area that a formatting step changed, for the window to invalidate.
//
// The formatting step makes its region current while it runs; layout
// elements whose parent was painted add their old and new extents as they
// move or change size (LayoutElement::RecordChange). Coordinates are layout
// units from the page's origin: left and right 16-bit, top and bottom
// 32-bit, as the layout keeps them. The accumulated rectangle starts empty
// (inside out: left at the visible right, top at the visible bottom).
#pragma once
#include <cstdint>

struct LayoutRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

class RepaintRegion {
public:
    // A region over the widest area the layout can address.
    RepaintRegion();

    // The visible rectangle; the accumulated one starts empty.
    void Init(int32_t x, int32_t y, int32_t width, int32_t height);
    // Widens horizontally only for an area that starts above the visible
    // bottom (what lies below is not seen, whatever its width).
    void Add(int32_t x, int32_t y, int32_t width, int32_t height);
    // The accumulated rectangle clipped to the visible one, relative to the
    // visible origin; false when it is empty either way.
    bool GetClippedRect(LayoutRect& out) const;

    bool IsEmpty() const { return left_ >= right_ || top_ >= bottom_; }
    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t Right() const { return right_; }
    int32_t Bottom() const { return bottom_; }
    // Empty again over the same visible rectangle.
    void Clear();

    // The region that moves and resizes are recorded in; null for none.
    static RepaintRegion* Current();
    static void SetCurrent(RepaintRegion* region);

private:
    int16_t visibleLeft_ = 0, visibleRight_ = 0;
    int32_t visibleTop_ = 0, visibleBottom_ = 0;
    int16_t left_ = 0, right_ = 0;
    int32_t top_ = 0, bottom_ = 0;
};
