#include "layout/FixedMetricsDevice.h"

#include <cstdio>

namespace {
std::string Format(const char* format, long a, long b, long c, long d) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, format, a, b, c, d);
    return buffer;
}

std::string RectText(const char* what, const DeviceRect& r) {
    return what + Format(" %ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
}
}  // namespace

FixedMetricsDevice::FixedMetricsDevice(int32_t viewWidth, int32_t viewHeight, void* window)
    : PaintDevice(window, false), width_(viewWidth), height_(viewHeight) {}

int32_t FixedMetricsDevice::CharWidth() const {
    int32_t h = selected_.height < 0 ? -selected_.height : selected_.height;
    return (h + 1) / 2 + extra_;
}

namespace {
// Pages can ask for any font size or letter spacing; like a real device,
// this one keeps them to what it can measure, so widths of whole text runs
// stay within 32-bit arithmetic.
constexpr int32_t kLargestMetric = 16383;

int32_t Bounded(int32_t value) {
    return value < -kLargestMetric ? -kLargestMetric : value > kLargestMetric ? kLargestMetric : value;
}
}  // namespace

void FixedMetricsDevice::DeviceSelectFont(const LogFont& font) {
    selected_ = font;
    selected_.height = Bounded(selected_.height);
    ++fontsMade_;
}

int32_t FixedMetricsDevice::DeviceTextExtent(const char* text, int length) { return CharWidth() * length; }

void FixedMetricsDevice::DeviceTextOut(int32_t x, int32_t y, const char* text, int length) {
    Record(Format("text %ld,%ld", x, y, 0, 0) + " \"" + std::string(text, length) + "\"");
}

int32_t FixedMetricsDevice::DeviceTabbedExtent(const char* text, int length) {
    // Default tab stops every 8 average characters.
    int32_t stop = 8 * CharWidth(), x = 0;
    for (int i = 0; i < length; ++i) x = text[i] == '\t' && stop > 0 ? (x / stop + 1) * stop : x + CharWidth();
    return x;
}

void FixedMetricsDevice::DeviceTabbedOut(int32_t x, int32_t y, const char* text, int length) {
    Record(Format("tabbed %ld,%ld", x, y, 0, 0) + " \"" + std::string(text, length) + "\"");
}

void FixedMetricsDevice::DeviceClippedOut(int32_t x, int32_t y, const char* text, int length,
                                          const DeviceRect& clip) {
    Record(Format("clipped %ld,%ld", x, y, 0, 0) + " \"" + std::string(text, length) + "\"");
}

int32_t FixedMetricsDevice::DeviceTextInRect(const DeviceRect& rect, const char* text, int length, bool draw) {
    int32_t perLine = rect.right > rect.left ? (rect.right - rect.left) / (CharWidth() ? CharWidth() : 1) : 1;
    if (perLine < 1) perLine = 1;
    int32_t lines = (length + perLine - 1) / perLine;
    int32_t h = selected_.height < 0 ? -selected_.height : selected_.height;
    if (draw) Record(RectText("textrect", rect) + " \"" + std::string(text, length) + "\"");
    return lines * h;
}

void FixedMetricsDevice::DeviceGetMetrics(DeviceTextMetrics& out) {
    int32_t h = selected_.height < 0 ? -selected_.height : selected_.height;
    out = DeviceTextMetrics();
    out.height = h;
    out.ascent = h * 4 / 5;
    out.descent = h - out.ascent;
    out.aveCharWidth = CharWidth();
    out.maxCharWidth = CharWidth();
    out.weight = selected_.weight;
}

int FixedMetricsDevice::DeviceSetCharacterExtra(int extra) {
    int previous = extra_;
    extra_ = Bounded(extra);
    return previous;
}

void FixedMetricsDevice::DevicePolyline(const int32_t* xy, int points, DeviceColor color, int penStyle) {
    std::string line = Format("line pen %ld color %06lx", penStyle, static_cast<long>(color & 0xFFFFFF), 0, 0);
    for (int i = 0; i < points; ++i) line += Format(" %ld,%ld", xy[2 * i], xy[2 * i + 1], 0, 0);
    Record(line);
}

void FixedMetricsDevice::DeviceFillRect(const DeviceRect& rect, DeviceColor color) {
    Record(RectText("fill", rect) + Format(" color %06lx", static_cast<long>(color & 0xFFFFFF), 0, 0, 0));
}

void FixedMetricsDevice::DeviceEllipse(const DeviceRect& rect, bool filled) {
    Record(RectText(filled ? "disc" : "circle", rect));
}

void FixedMetricsDevice::DeviceInvertRect(const DeviceRect& rect) { Record(RectText("invert", rect)); }

void FixedMetricsDevice::DeviceInvalidate(const DeviceRect& pixels, bool updateNow) {
    Record(RectText("invalidate", pixels));
}

void FixedMetricsDevice::DeviceClientSize(int32_t& width, int32_t& height) {
    width = width_;
    height = height_;
}

void FixedMetricsDevice::DeviceOuterSize(int32_t& width, int32_t& height) {
    width = width_;
    height = height_;
}
