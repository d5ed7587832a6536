// The screen device: PaintDevice on a window's device context through GDI.
// It gets the window's DC once when attached and keeps it (view windows
// have their own DCs), and draws in layout units, which the window's
// mapping turns into pixels by its scale.
#pragma once
#include <windows.h>

#include "layout/PaintDevice.h"

class ScreenDevice : public PaintDevice {
public:
    // window may be null: a device that measures on the screen and draws
    // nowhere.
    ScreenDevice(HWND window, bool sizedThroughParent);
    // A device on a DC that the caller owns (a memory DC); no window.
    explicit ScreenDevice(HDC dc);
    ~ScreenDevice() override;
    ScreenDevice(const ScreenDevice&) = delete;
    ScreenDevice& operator=(const ScreenDevice&) = delete;

    int GetScale() override;
    void FillBackground(const DeviceRect& rect) override;

    // Moves the device to another window (or none).
    void AttachWindow(HWND window);
    HDC Dc() const { return dc_; }
    HWND WindowHandle() const { return static_cast<HWND>(Window()); }
    // A hidden child window of class "PLUGINWND" at the place, or null.
    HWND CreatePluginWindow(int32_t x, int32_t y, int32_t w, int32_t h);
    // The font of form controls of kind 0-3, scaled; counted.
    HFONT AcquireControlFont(int index);
    void ReleaseControlFont(int index);

protected:
    void DeviceSelectFont(const LogFont& font) override;
    int32_t DeviceTextExtent(const char* text, int length) override;
    void DeviceTextOut(int32_t x, int32_t y, const char* text, int length) override;
    int32_t DeviceTabbedExtent(const char* text, int length) override;
    void DeviceTabbedOut(int32_t x, int32_t y, const char* text, int length) override;
    void DeviceClippedOut(int32_t x, int32_t y, const char* text, int length,
                          const DeviceRect& clip) override;
    int32_t DeviceTextInRect(const DeviceRect& rect, const char* text, int length, bool draw) override;
    void DeviceGetMetrics(DeviceTextMetrics& out) override;
    void DeviceSetTextColor(DeviceColor color) override;
    DeviceColor DeviceTextColor() override;
    int DeviceSetCharacterExtra(int extra) override;
    void DevicePolyline(const int32_t* xy, int points, DeviceColor color, int penStyle) override;
    int DeviceDrawImage(Image& image, const ImagePlacement& placement, DeviceColor background) override;
    void DeviceFillRect(const DeviceRect& rect, DeviceColor color) override;
    void DeviceEllipse(const DeviceRect& rect, bool filled) override;
    void DeviceInvertRect(const DeviceRect& rect) override;
    void DeviceInvalidate(const DeviceRect& pixels, bool updateNow) override;
    void DeviceClientSize(int32_t& width, int32_t& height) override;
    void DeviceOuterSize(int32_t& width, int32_t& height) override;
    int DeviceDpi(bool horizontal) override;

private:
    void Attach(HWND window);
    void Detach();

    HDC dc_ = nullptr;
    bool ownsDc_ = false;   // got with GetDC, released with the device
    HFONT font_ = nullptr;  // the font the device made and selected
    HFONT controlFonts_[4] = {};
    int controlFontUses_[4] = {};
};
