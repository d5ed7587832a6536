// The arithmetic of the mouse in a document view: wheel notches gathered
// into zoom or history steps, the auto-scroll edges of a selection, the
// amount a panning step scrolls and how a smooth scroll is cut into steps.
// No window is needed for it, so it is tested natively.
#pragma once
#include <cstdint>
#include <vector>

namespace pointer_math {

constexpr int kWheelDelta = 120;

// Wheel deltas kept until they make whole notches. Add answers the whole
// notches (signed: negative for a roll towards the user) and keeps the rest.
class WheelAccumulator {
public:
    int Add(int delta);
    int Rest() const { return rest_; }
    void Clear() { rest_ = 0; }

private:
    int rest_ = 0;
};

// Edges a selection has been dragged past: 1 left, 2 right, 4 above, 8 below.
int EdgeFlags(int32_t x, int32_t y, int32_t viewWidth, int32_t viewHeight);

// Panning: the cursor dy pixels from the centre of a window height pixels
// high, over steps merged ticks. Within 5 pixels nothing moves.
constexpr int kPanDeadZone = 5;
bool InPanDeadZone(int32_t dy);
// The layout units one panning step adds to the accumulator.
double PanStepAmount(int32_t dy, int32_t height, int steps);

// The steps a smooth scroll of amount units is made of at the measured
// speed (ms per unit) with the largest step maxStep ms: every step but a
// dropped remainder smaller than one step; signed like amount.
std::vector<int32_t> SmoothScrollSteps(int32_t amount, double speed, double maxStep);
// The speed measured over a scroll of amount units that took elapsedMs.
double NextPanSpeed(double speed, uint32_t elapsedMs, int32_t amount);

// Line scrolls for a wheel roll in a window without wheel handling of its
// own (positive: up).
int WheelLines(int notches, int linesPerNotch);

}  // namespace pointer_math
