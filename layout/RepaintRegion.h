// The area that a formatting step changed: the union of the rectangles added
// to it, in layout units from the page's origin. Layout elements that move
// or change size while a region is current add their old and new extents.
#pragma once
#include <cstdint>

class RepaintRegion {
public:
    void Add(int32_t x, int32_t y, int32_t w, int32_t h);
    bool IsEmpty() const { return empty_; }
    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t Right() const { return right_; }
    int32_t Bottom() const { return bottom_; }
    void Clear() { empty_ = true; }

    // The region that moves and resizes are recorded in; null for none.
    static RepaintRegion* Current();
    static void SetCurrent(RepaintRegion* region);

private:
    bool empty_ = true;
    int32_t left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
};
