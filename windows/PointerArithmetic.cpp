#include "windows/PointerArithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pointer_math {

int WheelAccumulator::Add(int delta) {
    // Kept in 64 bits: a driver may send any delta.
    int64_t total = int64_t{rest_} + delta;
    int64_t notches = total / kWheelDelta;
    rest_ = static_cast<int>(total % kWheelDelta);
    return static_cast<int>(std::clamp<int64_t>(notches, -0x7FFF, 0x7FFF));
}

int EdgeFlags(int32_t x, int32_t y, int32_t viewWidth, int32_t viewHeight) {
    int flags = 0;
    if (x < 0) flags |= 1;
    else if (x > viewWidth) flags |= 2;
    if (y < 0) flags |= 4;
    else if (y > viewHeight) flags |= 8;
    return flags;
}

bool InPanDeadZone(int32_t dy) {
    return std::abs(dy) <= kPanDeadZone;
}

double PanStepAmount(int32_t dy, int32_t height, int steps) {
    const double h = std::max<int32_t>(height, 1);
    return steps * (std::pow(dy / h, 3.0) * h) * 1.5;
}

std::vector<int32_t> SmoothScrollSteps(int32_t amount, double speed, double maxStep) {
    std::vector<int32_t> steps;
    if (amount == 0) return steps;
    speed = std::max(speed, 1.0);
    maxStep = std::max(maxStep, 1.0);
    const int64_t count = std::llabs(int64_t{amount});
    const int64_t pieces = std::max<int64_t>(1, static_cast<int64_t>(maxStep / speed));
    const int64_t step = std::max<int64_t>(1, count / pieces);
    const int32_t sign = amount < 0 ? -1 : 1;
    for (int64_t left = count; left >= step; left -= step) steps.push_back(static_cast<int32_t>(step) * sign);
    return steps;
}

double NextPanSpeed(double speed, uint32_t elapsedMs, int32_t amount) {
    if (amount == 0) return speed;
    double next = (static_cast<double>(elapsedMs) / std::abs(amount) + speed) / 2.0;
    return next < 1.1 ? 1.0 : next;
}

int WheelLines(int notches, int linesPerNotch) {
    return static_cast<int>(std::clamp<int64_t>(int64_t{notches} * linesPerNotch, -0x7FFF, 0x7FFF));
}

}  // namespace pointer_math
