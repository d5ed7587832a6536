// An output device with fixed metrics and no window system: every character
// is half the font height wide (rounded up), the ascent is four fifths of
// the height, and the display has 96 dots per inch. It records what is drawn
// as text lines, so that layouts can be measured, compared and fuzzed
// natively, and tests can see the device's operations.
#pragma once
#include <string>
#include <vector>

#include "layout/PaintDevice.h"

class FixedMetricsDevice : public PaintDevice {
public:
    // A view of the given size in pixels; window stands for a device window
    // (any non-null value) so that invalidation is recorded.
    FixedMetricsDevice(int32_t viewWidth, int32_t viewHeight, void* window = nullptr);

    // One line per primitive drawn or invalidated, in order.
    const std::vector<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    // How many times a font was made.
    int FontsMade() const { return fontsMade_; }
    const LogFont& SelectedFont() const { return selected_; }
    void SetClientSize(int32_t w, int32_t h) { width_ = w, height_ = h; }

protected:
    void DeviceSelectFont(const LogFont& font) override;
    int32_t DeviceTextExtent(const char* text, int length) override;
    void DeviceTextOut(int32_t x, int32_t y, const char* text, int length) override;
    int32_t DeviceTabbedExtent(const char* text, int length) override;
    void DeviceTabbedOut(int32_t x, int32_t y, const char* text, int length) override;
    void DeviceClippedOut(int32_t x, int32_t y, const char* text, int length, const DeviceRect& clip) override;
    int32_t DeviceTextInRect(const DeviceRect& rect, const char* text, int length, bool draw) override;
    void DeviceGetMetrics(DeviceTextMetrics& out) override;
    void DeviceSetTextColor(DeviceColor color) override { dcTextColor_ = color; }
    DeviceColor DeviceTextColor() override { return dcTextColor_; }
    int DeviceSetCharacterExtra(int extra) override;
    void DevicePolyline(const int32_t* xy, int points, DeviceColor color, int penStyle) override;
    void DeviceFillRect(const DeviceRect& rect, DeviceColor color) override;
    void DeviceEllipse(const DeviceRect& rect, bool filled) override;
    void DeviceInvertRect(const DeviceRect& rect) override;
    void DeviceInvalidate(const DeviceRect& pixels, bool updateNow) override;
    void DeviceClientSize(int32_t& width, int32_t& height) override;
    void DeviceOuterSize(int32_t& width, int32_t& height) override;
    int DeviceDpi(bool horizontal) override { return 96; }

private:
    int32_t CharWidth() const;
    void Record(const std::string& line) { log_.push_back(line); }

    int32_t width_, height_;
    LogFont selected_;
    int fontsMade_ = 0;
    int extra_ = 0;
    DeviceColor dcTextColor_ = 0;
    std::vector<std::string> log_;
};
