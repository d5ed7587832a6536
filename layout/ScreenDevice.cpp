#include "layout/ScreenDevice.h"

#include <cstring>

#include "layout/DisplayPaletteWin32.h"
#include "layout/FontTable.h"

static_assert(sizeof(LOGFONTA) == sizeof(LogFont), "LogFont mirrors LOGFONTA");

namespace {
RECT ToRect(const DeviceRect& r) {
    RECT rect = {r.left, r.top, r.right, r.bottom};
    return rect;
}
}  // namespace

ScreenDevice::ScreenDevice(HWND window, bool sizedThroughParent) : PaintDevice(window, sizedThroughParent) {
    Attach(window);
}

ScreenDevice::ScreenDevice(HDC dc) : PaintDevice(nullptr, false), dc_(dc) {
    SetBkMode(dc_, TRANSPARENT);
}

ScreenDevice::~ScreenDevice() {
    Detach();
    for (HFONT& font : controlFonts_) {
        if (font) DeleteObject(font);
        font = nullptr;
    }
}

void ScreenDevice::Attach(HWND window) {
    ownsDc_ = true;
    dc_ = GetDC(window);
    if (dc_) SetBkMode(dc_, TRANSPARENT);
}

void ScreenDevice::Detach() {
    if (dc_) {
        HGDIOBJ replaced = SelectObject(dc_, GetStockObject(DEVICE_DEFAULT_FONT));
        if (font_ && replaced == font_) DeleteObject(font_);
    } else if (font_) {
        DeleteObject(font_);
    }
    font_ = nullptr;
    if (dc_ && ownsDc_) ReleaseDC(WindowHandle(), dc_);
    dc_ = nullptr;
    ownsDc_ = false;
}

void ScreenDevice::AttachWindow(HWND window) {
    Detach();
    ResetState(window);
    Attach(window);
}

int ScreenDevice::GetScale() {
    HWND window = WindowHandle();
    if (!window) return 100;
    return LookupScale(SizedThroughParent() ? GetParent(window) : window);
}

void ScreenDevice::FillBackground(const DeviceRect& rect) {
    SelectDisplayPalette(dc_, true);
    PaintDevice::FillBackground(rect);
}

HWND ScreenDevice::CreatePluginWindow(int32_t x, int32_t y, int32_t w, int32_t h) {
    HWND parent = WindowHandle();
    if (!parent) return nullptr;
    HWND window = CreateWindowExA(0, "PLUGINWND", "", WS_CHILD, x, y, w, h, parent, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window) return nullptr;
    HDC dc = GetDC(window);
    const int s = GetScale();
    SetBkMode(dc, TRANSPARENT);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 100, 100, nullptr);
    SetViewportExtEx(dc, s, s, nullptr);
    ReleaseDC(window, dc);
    return window;
}

HFONT ScreenDevice::AcquireControlFont(int index) {
    if (index < 0 || index > 3) return nullptr;
    if (!controlFonts_[index] && g_fontTable) {
        const LogFont* font = g_fontTable->ForSpecial(index).Font();
        LOGFONTA logfont = {};
        if (font) std::memcpy(&logfont, font, sizeof logfont);
        const int s = GetScale();
        if (s != 100) logfont.lfHeight = logfont.lfHeight * s / 100;
        controlFonts_[index] = CreateFontIndirectA(&logfont);
    }
    ++controlFontUses_[index];
    return controlFonts_[index];
}

void ScreenDevice::ReleaseControlFont(int index) {
    if (index < 0 || index > 3) return;
    if (--controlFontUses_[index] < 1 && controlFonts_[index]) {
        DeleteObject(controlFonts_[index]);
        controlFonts_[index] = nullptr;
        controlFontUses_[index] = 0;
    }
}

// --- primitives ------------------------------------------------------------------

void ScreenDevice::DeviceSelectFont(const LogFont& font) {
    if (!dc_) return;
    LOGFONTA logfont;
    std::memcpy(&logfont, &font, sizeof logfont);
    HFONT made = CreateFontIndirectA(&logfont);
    if (!made) return;
    HGDIOBJ replaced = SelectObject(dc_, made);
    if (font_ && replaced == font_) DeleteObject(font_);
    font_ = made;
}

int32_t ScreenDevice::DeviceTextExtent(const char* text, int length) {
    SIZE size = {};
    if (!dc_ || !GetTextExtentPoint32A(dc_, text, length, &size)) return 0;
    return size.cx;
}

void ScreenDevice::DeviceTextOut(int32_t x, int32_t y, const char* text, int length) {
    if (dc_) TextOutA(dc_, x, y, text, length);
}

int32_t ScreenDevice::DeviceTabbedExtent(const char* text, int length) {
    return dc_ ? static_cast<int32_t>(LOWORD(::GetTabbedTextExtentA(dc_, text, length, 0, nullptr))) : 0;
}

void ScreenDevice::DeviceTabbedOut(int32_t x, int32_t y, const char* text, int length) {
    if (dc_) TabbedTextOutA(dc_, x, y, text, length, 0, nullptr, x);
}

void ScreenDevice::DeviceClippedOut(int32_t x, int32_t y, const char* text, int length,
                                    const DeviceRect& clip) {
    RECT rect = ToRect(clip);
    if (dc_) ExtTextOutA(dc_, x, y, ETO_CLIPPED, &rect, text, length, nullptr);
}

int32_t ScreenDevice::DeviceTextInRect(const DeviceRect& r, const char* text, int length, bool draw) {
    if (!dc_) return 0;
    RECT rect = ToRect(r);
    UINT flags = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | (draw ? 0 : DT_CALCRECT);
    return ::DrawTextA(dc_, text, length, &rect, flags);
}

void ScreenDevice::DeviceGetMetrics(DeviceTextMetrics& out) {
    TEXTMETRICA tm = {};
    out = DeviceTextMetrics();
    if (!dc_ || !::GetTextMetricsA(dc_, &tm)) return;
    out.height = tm.tmHeight;
    out.ascent = tm.tmAscent;
    out.descent = tm.tmDescent;
    out.internalLeading = tm.tmInternalLeading;
    out.externalLeading = tm.tmExternalLeading;
    out.aveCharWidth = tm.tmAveCharWidth;
    out.maxCharWidth = tm.tmMaxCharWidth;
    out.weight = tm.tmWeight;
}

void ScreenDevice::DeviceSetTextColor(DeviceColor color) {
    if (dc_) ::SetTextColor(dc_, color);
}

DeviceColor ScreenDevice::DeviceTextColor() {
    return dc_ ? ::GetTextColor(dc_) : 0;
}

int ScreenDevice::DeviceSetCharacterExtra(int extra) {
    return dc_ ? ::SetTextCharacterExtra(dc_, extra) : 0;
}

int ScreenDevice::DeviceDrawImage(Image& image, const ImagePlacement& placement, DeviceColor background) {
    return image.Draw(dc_, background, placement);
}

void ScreenDevice::DevicePolyline(const int32_t* xy, int points, DeviceColor color, int penStyle) {
    if (!dc_ || points < 2) return;
    HPEN pen = CreatePen(penStyle, 1, color);
    HGDIOBJ old = SelectObject(dc_, pen);
    MoveToEx(dc_, xy[0], xy[1], nullptr);
    for (int i = 1; i < points; ++i) LineTo(dc_, xy[2 * i], xy[2 * i + 1]);
    SelectObject(dc_, old);
    DeleteObject(pen);
}

void ScreenDevice::DeviceFillRect(const DeviceRect& r, DeviceColor color) {
    if (!dc_) return;
    RECT rect = ToRect(r);
    if (color == 0x00C0C0C0) {
        FillRect(dc_, &rect, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
        return;
    }
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc_, &rect, brush);
    DeleteObject(brush);
}

void ScreenDevice::DeviceEllipse(const DeviceRect& r, bool filled) {
    if (!dc_) return;
    const COLORREF color = ::GetTextColor(dc_);
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HBRUSH brush = filled ? CreateSolidBrush(color) : nullptr;
    HGDIOBJ oldPen = SelectObject(dc_, pen);
    HGDIOBJ oldBrush = SelectObject(dc_, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
    Ellipse(dc_, r.left, r.top, r.right, r.bottom);
    SelectObject(dc_, oldBrush);
    SelectObject(dc_, oldPen);
    if (brush) DeleteObject(brush);
    DeleteObject(pen);
}

void ScreenDevice::DeviceInvertRect(const DeviceRect& r) {
    RECT rect = ToRect(r);
    if (dc_) InvertRect(dc_, &rect);
}

void ScreenDevice::DeviceInvalidate(const DeviceRect& pixels, bool updateNow) {
    HWND window = WindowHandle();
    if (!window) return;
    RECT rect = ToRect(pixels);
    InvalidateRect(window, &rect, FALSE);
    if (updateNow) UpdateWindow(window);
}

void ScreenDevice::DeviceClientSize(int32_t& width, int32_t& height) {
    RECT rect = {};
    if (WindowHandle()) GetClientRect(WindowHandle(), &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
}

void ScreenDevice::DeviceOuterSize(int32_t& width, int32_t& height) {
    RECT rect = {};
    if (WindowHandle()) GetWindowRect(WindowHandle(), &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
}

int ScreenDevice::DeviceDpi(bool horizontal) {
    if (dc_) return GetDeviceCaps(dc_, horizontal ? LOGPIXELSX : LOGPIXELSY);
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, horizontal ? LOGPIXELSX : LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}
