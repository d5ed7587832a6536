// The arithmetic of a document view: scales, zoom requests, scroll units,
// scroll requests and the conversion between layout units and pixels. No
// window is needed for it, so it is tested and fuzzed natively.
#pragma once
#include <cstdint>
#include <vector>

namespace view_math {

constexpr int kMinScale = 20;
constexpr int kMaxScale = 1000;

// Percent rounded down to a multiple of 10, then kept within 20..1000.
int ClampScale(int percent);

// The zoom message carries an absolute scale in its low word when its high
// word is set, else a signed relative step in its low word: a 32-bit
// parameter of -10 would have high word 0xFFFF and read as absolute 65526.
uint32_t AbsoluteZoom(int percent);
uint32_t RelativeZoom(int step);
// The new scale for a zoom message at the current scale (not yet clamped
// above or rounded: the window's setter does that); at least 20.
int ZoomTarget(int current, uint32_t parameter);

// Scroll-bar positions stay below 32768: the divisor for a document whose
// content is hidden by `hidden` layout units.
int32_t ScrollUnit(int32_t hidden);
// The scroll unit of a pane of `heightPixels` showing `contentHeight` units.
int32_t PaneScrollUnit(int32_t heightPixels, int32_t contentHeight, int scale);

// Pixels to layout units for a window size, rounded up (exact where the
// division is): the size of a view's document and what the view shows.
int32_t LogicalSize(int32_t pixels, int scale);
// Layout units to device pixels, rounded away from zero as the view scrolls.
int32_t ScrollPixels(int32_t deltaUnits, int scale);
// A corner of a paint rectangle in device units (signed 16-bit).
int32_t DeviceCorner(int32_t units, int scale);

// Scroll requests, numbered as the system's scroll-bar codes; the two private
// ones scroll by an amount.
enum ScrollRequest : int {
    kLineUp = 0,
    kLineDown = 1,
    kPageUp = 2,
    kPageDown = 3,
    kThumbPosition = 4,
    kThumbTrack = 5,
    kTop = 6,
    kBottom = 7,
    kScrollByAmount = 0x9004,
    kScrollByAmount2 = 0x9100,
};

struct ScrollState {
    int32_t offset;   // current offset, layout units
    int32_t visible;  // visible extent, layout units
    int32_t content;  // content extent, layout units
    int32_t unit;     // scroll-bar divisor (1 horizontally)
};

// The largest offset: content less what is visible, at least 0.
int32_t MaximumOffset(const ScrollState& state);
// Where a thumb position lands: thumb x unit, rounded down to a multiple of
// 10 unless that reaches the maximum.
int32_t ThumbOffset(int32_t thumb, const ScrollState& state);
// The new offset for a request (unknown requests keep the offset), always
// within 0..maximum. amount serves the private requests.
int32_t NewScrollOffset(int request, int32_t thumb, int32_t amount, const ScrollState& state);

// The lowest number from 1 that none of the used numbers is.
int LowestFreeNumber(const std::vector<int>& used);

}  // namespace view_math
