#include "layout/PaintDevice.h"

#include <cstring>

#include "layout/DisplayPalette.h"
#include "layout/FontTable.h"

namespace {
PaintDevice::ScaleLookup g_scaleLookup = nullptr;

constexpr DeviceColor kPaletteBlack = 0x02000000;
constexpr DeviceColor kSplitterLight = 0x02F4F4F4;
constexpr DeviceColor kSplitterDark = 0x02252525;
constexpr DeviceColor kStockLightGrey = 0x00C0C0C0;
constexpr int kLongText = 4096;

DeviceColor Halve(DeviceColor c, bool light) {
    auto channel = [light](int v) { return light ? 255 - ((255 - v) >> 1) : v >> 1; };
    return 0x02000000u | (static_cast<DeviceColor>(channel((c >> 16) & 0xFF)) << 16) |
           (static_cast<DeviceColor>(channel((c >> 8) & 0xFF)) << 8) |
           static_cast<DeviceColor>(channel(c & 0xFF));
}

DeviceRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) {
    DeviceRect rect;
    rect.left = l, rect.top = t, rect.right = r, rect.bottom = b;
    return rect;
}
}  // namespace

void PaintDevice::SetScaleLookup(ScaleLookup lookup) {
    g_scaleLookup = lookup;
}

PaintDevice::DefaultColors PaintDevice::DefaultBackground() {
    if (g_displayPalette) {
        return {g_displayPalette->BackgroundColor(), g_displayPalette->BackgroundLightShade(),
                g_displayPalette->BackgroundDarkShade()};
    }
    const DeviceColor white = 0x02FFFFFF;
    return {white, Halve(white, true), Halve(white, false)};
}

PaintDevice::PaintDevice(void* window, bool sizedThroughParent) : sizedThroughParent_(sizedThroughParent) {
    ResetState(window);
}

PaintDevice::~PaintDevice() = default;

void PaintDevice::ResetState(void* window) {
    window_ = window;
    faceId_ = 0;
    background_ = 0xFFFFFFFF;
    light_ = dark_ = 0;
    useDefaultBackground_ = true;
    textColor_ = 0;
    wordSpacing_ = 0.0f;
    characterExtra_ = 0;
    metricsStale_ = true;
    wanted_ = LogFont();
    wanted_.height = 1;
    realised_ = LogFont();
    fontChanged_ = true;
}

void PaintDevice::MarkFontChanged(bool metrics) {
    fontChanged_ = true;
    if (metrics) metricsStale_ = true;
}

int32_t PaintDevice::ToPixels(int32_t units, int scale) {
    return static_cast<int32_t>((static_cast<int64_t>(units) * scale + 99) / 100);
}

int32_t PaintDevice::ToUnits(int32_t pixels, int scale) {
    if (scale <= 0) return pixels;
    return static_cast<int32_t>((static_cast<int64_t>(pixels) * 100 + scale - 1) / scale);
}

int PaintDevice::CountWordGaps(const char* text, int length) {
    int gaps = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == ' ' && (i == 0 || text[i - 1] != ' ')) ++gaps;
    }
    if (length > 0 && text[length - 1] == ' ' && gaps > 0) --gaps;
    return gaps;
}

// --- operations ---------------------------------------------------------------

int PaintDevice::LookupScale(void* window) {
    if (!window || !g_scaleLookup) return 100;
    int scale = g_scaleLookup(window);
    return scale > 0 ? scale : 100;
}

int PaintDevice::GetScale() {
    return LookupScale(window_);
}

void PaintDevice::InvalidateArea(int32_t x, int32_t y, int32_t w, int32_t h, bool updateNow) {
    if (!window_) return;
    int s = GetScale();
    DeviceRect r;
    r.left = ToPixels(x, s);
    r.top = ToPixels(y, s);
    if (s >= 100) {
        r.right = ToPixels(x + w, s);
        r.bottom = ToPixels(y + h, s);
    } else {
        r.right = r.left + w;
        r.bottom = r.top + h;
    }
    DeviceInvalidate(r, updateNow);
}

int32_t PaintDevice::GetTextExtent(const char* text, int length) {
    RealizeFont();
    if (GetFontHeight() < 1 || !text || length <= 0) return 0;
    int32_t width = DeviceTextExtent(text, length);
    if (wordSpacing_ != 0.0f) width += static_cast<int32_t>(CountWordGaps(text, length) * wordSpacing_);
    return width;
}

void PaintDevice::DrawSpacedText(int32_t x, int32_t y, const char* text, int length) {
    float at = static_cast<float>(x);
    int start = 0;
    while (start < length) {
        int end = start;
        // A piece runs up to and including a space; a run of spaces stays
        // in the piece up to its last space.
        while (end < length && text[end] != ' ') ++end;
        while (end < length && text[end] == ' ') ++end;
        DeviceTextOut(static_cast<int32_t>(at), y, text + start, end - start);
        at += static_cast<float>(DeviceTextExtent(text + start, end - start)) + wordSpacing_;
        start = end;
    }
}

void PaintDevice::DrawText(int32_t x, int32_t y, const char* text, int length) {
    RealizeFont();
    if (GetFontHeight() < 1 || !text || length <= 0) return;
    if (wordSpacing_ == 0.0f) {
        DeviceTextOut(x, y, text, length);
    } else {
        DrawSpacedText(x, y, text, length);
    }
    if (wanted_.underline & kDecorOverline) {
        int32_t extent =
            DeviceTextExtent(text, length) + static_cast<int32_t>(CountWordGaps(text, length) * wordSpacing_);
        Line(x, y, x + extent, y, DeviceTextColor());
    }
}

void PaintDevice::DrawTextNbsp(int32_t x, int32_t y, const char* text, int length) {
    if (!text || length <= 0 || length >= kLongText) {
        DrawText(x, y, text, length);
        return;
    }
    char copy[kScratchSize];
    for (int i = 0; i < length; ++i) copy[i] = static_cast<unsigned char>(text[i]) == 0xA0 ? ' ' : text[i];
    DrawText(x, y, copy, length);
}

int32_t PaintDevice::GetTextExtentNbsp(const char* text, int length) {
    if (!text || length <= 0 || length >= kLongText) return GetTextExtent(text, length);
    char copy[kScratchSize];
    for (int i = 0; i < length; ++i) copy[i] = static_cast<unsigned char>(text[i]) == 0xA0 ? ' ' : text[i];
    return GetTextExtent(copy, length);
}

const char* PaintDevice::ExpandTabs(const char* text, int length, int& outLength) {
    int tabs = 0;
    for (int i = 0; i < length; ++i) tabs += text[i] == '\t';
    if (tabs == 0) {
        outLength = length;
        return text;
    }
    if (length + 7 * tabs >= kLongText) return nullptr;
    int n = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == '\t') {
            std::memset(scratch_ + n, ' ', 8);
            n += 8;
        } else {
            scratch_[n++] = text[i];
        }
    }
    outLength = n;
    return scratch_;
}

int32_t PaintDevice::GetTabbedTextExtent(const char* text, int length) {
    if (!text || length <= 0) return 0;
    int n = 0;
    const char* expanded = ExpandTabs(text, length, n);
    if (expanded) return GetTextExtent(expanded, n) & 0xFFFF;
    RealizeFont();
    if (GetFontHeight() < 1) return 0;
    return DeviceTabbedExtent(text, length) & 0xFFFF;
}

void PaintDevice::DrawTabbedText(int32_t x, int32_t y, const char* text, int length) {
    if (GetFontHeight() < 1 || !text || length <= 0) return;
    RealizeFont();
    int n = 0;
    const char* expanded = ExpandTabs(text, length, n);
    if (expanded) {
        DeviceTextOut(x, y, expanded, n);
    } else {
        DeviceTabbedOut(x, y, text, length);
    }
}

void PaintDevice::DrawClippedText(int32_t x, int32_t y, const char* text, int length,
                                  const DeviceRect& clip) {
    RealizeFont();
    if (GetFontHeight() < 1 || !text || length <= 0) return;
    DeviceClippedOut(x, y, text, length, clip);
}

void PaintDevice::DrawEtchedFrame(int32_t x, int32_t y, int32_t w, int32_t h, const char* caption,
                                  int captionLength) {
    const int32_t dark[10] = {x + w - 2, y + 1,     x + 1,     y + 1,     x + 1,
                              y + h - 1, x + w - 1, y + h - 1, x + w - 1, y - 1};
    DevicePolyline(dark, 5, DarkShade(), kPenSolid);
    const int32_t light[10] = {x, y + h - 1, x, y, x + w - 2, y, x + w - 2, y + h - 2, x, y + h - 2};
    DevicePolyline(light, 5, LightShade(), kPenSolid);
    if (caption && captionLength != 0) {
        RealizeFont();
        DeviceTextInRect(Rect(x + 4, y + 3, x + w - 2, y + h - 2), caption, captionLength, true);
    }
}

int PaintDevice::DrawImage(int32_t x, int32_t y, const DeviceRect& clip, int32_t w, int32_t h, Image& image,
                           int32_t tileWidth, int32_t tileHeight, bool background) {
    ImagePlacement placement;
    placement.x = x;
    placement.y = y;
    placement.width = w;
    placement.height = h;
    placement.clipLeft = clip.left;
    placement.clipTop = clip.top;
    placement.clipRight = clip.right;
    placement.clipBottom = clip.bottom;
    placement.tileWidth = tileWidth;
    placement.tileHeight = tileHeight;
    placement.background = background;
    placement.printing = IsNotScreen();
    return DeviceDrawImage(image, placement, GetBackgroundColor());
}

void PaintDevice::DrawHorizontalRule(int32_t x, int32_t y, int32_t w, int32_t h, bool shaded) {
    if (!shaded) {
        DeviceFillRect(Rect(x, y, x + w, y + h), kPaletteBlack);
        return;
    }
    Line(x, y, x + w, y, DarkShade());
    if (h > 1) Line(x, y + h - 1, x + w, y + h - 1, LightShade());
    if (h > 2) {
        Line(x, y, x, y + h - 1, DarkShade());
        Line(x + w, y, x + w, y + h - 1, LightShade());
    }
}

void PaintDevice::DrawDottedLine(int32_t x, int32_t y, int32_t w) {
    Line(x, y, x + w, y, DeviceTextColor(), kPenDashDotDot);
}

void PaintDevice::FillDisc(int32_t x, int32_t y, int32_t w, int32_t h) {
    DeviceEllipse(Rect(x, y, x + w, y + h), true);
}

void PaintDevice::DrawFrameRect(int32_t x, int32_t y, int32_t w, int32_t h, int penStyle) {
    const int32_t xy[10] = {x, y, x + w - 1, y, x + w - 1, y + h - 1, x, y + h - 1, x, y};
    DevicePolyline(xy, 5, DeviceTextColor(), penStyle);
}

void PaintDevice::DrawCircle(int32_t x, int32_t y, int32_t w, int32_t h) {
    DeviceEllipse(Rect(x, y, x + w, y + h), false);
}

void PaintDevice::DrawCross(int32_t x, int32_t y, int32_t w, int32_t h) {
    Line(x, y, x + w - 1, y + h - 1, DarkShade());
    Line(x + w - 1, y, x, y + h - 1, DarkShade());
}

void PaintDevice::MakeBorderShades(DeviceColor color, DeviceColor& dark, DeviceColor& light) {
    int c[3] = {static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF)};
    auto diff = [](int a, int b) { return a > b ? a - b : b - a; };
    bool grey = diff(c[0], c[1]) < 10 && diff(c[2], c[1]) < 10;
    int d[3], l[3];
    for (int i = 0; i < 3; ++i) {
        if (grey) {
            d[i] = c[i] >> 1;
            l[i] = 255 - ((255 - c[i]) >> 1);
        } else {
            d[i] = (c[i] >> 1) + (c[i] >> 2);
            l[i] = 255 - ((255 - c[i]) >> 1) - (255 - c[i]) / 4;
        }
    }
    dark = 0x02000000u | (d[2] << 16) | (d[1] << 8) | d[0];
    light = 0x02000000u | (l[2] << 16) | (l[1] << 8) | l[0];
}

void PaintDevice::DrawBorderSide(int32_t x, int32_t y, int32_t length, int32_t width, int style,
                                 DeviceColor color, bool horizontal, int side, int32_t bevelStart,
                                 int32_t bevelEnd) {
    if (style < kBorderDotted || style > kBorderOutset || width <= 0 || length <= 0) return;
    if (color == kUseTextColor) color = DeviceTextColor();
    DeviceColor first = color, second = color;
    if (style >= kBorderGroove) {
        DeviceColor dark, light;
        MakeBorderShades(color, dark, light);
        bool lightFirst = style == kBorderInset || style == kBorderGroove ? side == 0 : side != 0;
        first = lightFirst ? light : dark;
        second = first;
        if (style == kBorderGroove || style == kBorderRidge) second = first == light ? dark : light;
    }
    DrawBorderLines(x, y, length, width, style, first, second, horizontal, side, bevelStart, bevelEnd);
}

void PaintDevice::DrawBorderLines(int32_t x, int32_t y, int32_t length, int32_t width, int style,
                                  DeviceColor first, DeviceColor second, bool horizontal, int side,
                                  int32_t bevelStart, int32_t bevelEnd) {
    int32_t dash = 0, gap = 5;
    if (style == kBorderDotted || style == kBorderDashed) {
        dash = style == kBorderDotted ? 5 : 20;
        if (length % (dash + gap) != dash) {
            // The gap that makes the side end closest to a whole dash.
            auto miss = [&](int32_t g) {
                int32_t r = length % (dash + g);
                return r > dash ? r - dash : dash - r;
            };
            for (int32_t g : {6, 4, 7, 3}) {
                if (miss(g) < miss(gap)) gap = g;
            }
        }
    }
    const int32_t skipAt = width / 3 + (width % 3) / 2;
    for (int32_t i = 0; i < width; ++i) {
        if (style == kBorderDouble && width >= 3 && i == skipAt) {
            i += width - 2 * skipAt;
            if (i >= width) break;
        }
        const int32_t start = static_cast<int32_t>((i + 0.99999) * bevelStart / width);
        const int32_t end = length - static_cast<int32_t>((i + 0.99999) * bevelEnd / width);
        if (end <= start) continue;
        const int32_t offset = side == 0 ? -i : i;
        const DeviceColor color = i >= width / 2 ? second : first;
        auto segment = [&](int32_t from, int32_t to) {
            if (horizontal) {
                Line(x + from, y + offset, x + to, y + offset, color);
            } else {
                Line(x + offset, y + from, x + offset, y + to, color);
            }
        };
        if (dash == 0) {
            segment(start, end);
            continue;
        }
        // Dashes keep the phase of the side's start on every line.
        for (int32_t at = 0; at < end; at += dash + gap) {
            int32_t from = at < start ? start : at;
            int32_t to = at + dash < end ? at + dash : end;
            if (to > from) segment(from, to);
        }
    }
}

void PaintDevice::DrawBevel(int32_t x, int32_t y, int32_t w, int32_t h, int thickness, bool sunken) {
    const DeviceColor topLeft = sunken ? DarkShade() : LightShade();
    const DeviceColor bottomRight = sunken ? LightShade() : DarkShade();
    for (int k = 0; k < thickness; ++k) {
        const int32_t l = x + k, t = y + k, r = x + w - 1 - k, b = y + h - 1 - k;
        Line(l, t, r, t, topLeft);
        Line(l, t, l, b, topLeft);
        Line(l, b, r + 1, b, bottomRight);
        Line(r, t, r, b, bottomRight);
    }
}

void PaintDevice::DrawSplitterBar(int32_t x, int32_t y, int32_t length, int thickness, bool horizontal) {
    if (horizontal) {
        Line(x, y - thickness, x + length + 1, y - thickness, kSplitterLight);
        Line(x, y - 1, x + length + 1, y - 1, kSplitterDark);
        DeviceFillRect(Rect(x - 1, y - thickness + 1, x + length + 2, y - 1), kStockLightGrey);
    } else {
        Line(x - thickness, y, x - thickness, y + length + 1, kSplitterLight);
        Line(x - 1, y, x - 1, y + length + 1, kSplitterDark);
        DeviceFillRect(Rect(x - thickness + 1, y - 1, x - 1, y + length + 2), kStockLightGrey);
    }
}

void PaintDevice::InvertArea(int32_t x, int32_t y, int32_t w, int32_t h) {
    DeviceInvertRect(Rect(x, y, x + w, y + h));
}

void PaintDevice::InvertFrame(int32_t x, int32_t y, int32_t w, int32_t h, int32_t t) {
    if (t <= 0 || 2 * t > w || 2 * t > h) return;
    DeviceInvertRect(Rect(x, y, x + t, y + h));
    DeviceInvertRect(Rect(x + w - t, y, x + w, y + h));
    if (2 * t < w) {
        DeviceInvertRect(Rect(x + t, y, x + w - t, y + t));
        DeviceInvertRect(Rect(x + t, y + h - t, x + w - t, y + h));
    }
}

DeviceColor PaintDevice::GetBackgroundColor() {
    return useDefaultBackground_ ? DefaultBackground().background : background_;
}

void PaintDevice::SetBackgroundColor(DeviceColor color) {
    if (!useDefaultBackground_ && color == background_) return;
    background_ = color;
    light_ = Halve(color, true);
    dark_ = Halve(color, false);
    useDefaultBackground_ = false;
}

void PaintDevice::UseDefaultBackground() {
    useDefaultBackground_ = true;
}

bool PaintDevice::UsesDefaultBackground() {
    return useDefaultBackground_;
}

DeviceColor PaintDevice::LightShade() {
    return useDefaultBackground_ ? DefaultBackground().light : light_;
}

DeviceColor PaintDevice::DarkShade() {
    return useDefaultBackground_ ? DefaultBackground().dark : dark_;
}

void PaintDevice::FillBackground(const DeviceRect& rect) {
    DeviceFillRect(Rect(rect.left, rect.top, rect.right + 1, rect.bottom + 1),
                   GetBackgroundColor() | 0x02000000u);
}

int32_t PaintDevice::GetViewWidth() {
    int32_t w = 0, h = 0;
    DeviceClientSize(w, h);
    if (!sizedThroughParent_ && w < 100) w = 100;
    return ToUnits(w, GetScale());
}

int32_t PaintDevice::GetViewHeight() {
    int32_t w = 0, h = 0;
    DeviceClientSize(w, h);
    return ToUnits(h, GetScale());
}

void PaintDevice::SetBold() {
    SetWeight(7);
}
void PaintDevice::ClearBold() {
    SetWeight(4);
}
bool PaintDevice::IsBold() {
    return wanted_.weight == 700;
}

void PaintDevice::SetItalic(int flag) {
    if ((flag != 0 && flag != 1) || wanted_.italic == flag) return;
    wanted_.italic = static_cast<uint8_t>(flag);
    MarkFontChanged(true);
}

void PaintDevice::ItalicOn() {
    SetItalic(1);
}
void PaintDevice::ItalicOff() {
    SetItalic(0);
}
bool PaintDevice::IsItalic() {
    return wanted_.italic != 0;
}

void PaintDevice::SetOverline() {
    wanted_.underline |= kDecorOverline;
    MarkFontChanged(false);
}
bool PaintDevice::IsOverline() {
    return (wanted_.underline & kDecorOverline) != 0;
}

void PaintDevice::SetUnderline() {
    wanted_.underline |= kDecorUnderline;
    MarkFontChanged(false);
}

void PaintDevice::ClearDecorations() {
    wanted_.underline = 0;
    MarkFontChanged(false);
}
bool PaintDevice::IsUnderline() {
    return (wanted_.underline & kDecorUnderline) != 0;
}

void PaintDevice::StrikeOutOn() {
    wanted_.strikeOut = 1;
    MarkFontChanged(true);
}
void PaintDevice::StrikeOutOff() {
    wanted_.strikeOut = 0;
    MarkFontChanged(true);
}
bool PaintDevice::IsStrikeOut() {
    return wanted_.strikeOut != 0;
}

void PaintDevice::SetFontHeight(int pixels) {
    wanted_.height = -pixels;
    MarkFontChanged(true);
}

int PaintDevice::GetFontHeight() {
    return wanted_.height < 0 ? -wanted_.height : wanted_.height;
}

int PaintDevice::GetLineHeight() {
    return GetFontHeight() * 12 / 10;
}

int PaintDevice::GetWeight() {
    return wanted_.weight / 100;
}

void PaintDevice::SetWeight(int hundreds) {
    if (wanted_.weight == hundreds * 100) return;
    wanted_.weight = hundreds * 100;
    MarkFontChanged(true);
}

void PaintDevice::SetLogFont(const LogFont& font) {
    wanted_ = font;
    MarkFontChanged(true);
}

uint16_t PaintDevice::SetFaceById(uint16_t id) {
    const char* name = FontFaceName(id);
    if (name && std::strncmp(name, wanted_.faceName, sizeof wanted_.faceName) != 0) {
        SetLogFontFace(wanted_, name);
        MarkFontChanged(true);
    }
    faceId_ = id;
    return id;
}

void PaintDevice::GetLogFont(LogFont& out) {
    out = wanted_;
}

void PaintDevice::GetTextMetrics(DeviceTextMetrics& out) {
    RealizeFont();
    if (metricsStale_) {
        DeviceGetMetrics(metrics_);
        metricsStale_ = false;
    }
    out = metrics_;
}

int PaintDevice::GetDescent() {
    DeviceTextMetrics m;
    GetTextMetrics(m);
    return m.descent;
}

void PaintDevice::SetTextColor(DeviceColor color) {
    textColor_ = color;
    DeviceSetTextColor(color);
}

void PaintDevice::SetTextColorRgb(int red, int green, int blue) {
    DeviceSetTextColor(static_cast<DeviceColor>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16));
}

DeviceColor PaintDevice::GetTextColor() {
    return textColor_;
}
bool PaintDevice::IsNotScreen() {
    return false;
}
bool PaintDevice::IsTextOutput() {
    return false;
}

void PaintDevice::InvertWindowFrame(int32_t t) {
    int32_t w = 0, h = 0;
    DeviceOuterSize(w, h);
    int s = GetScale();
    if (s != 100) {
        w = ToUnits(w, s);
        h = ToUnits(h, s);
    }
    InvertFrame(0, 0, w, h, t);
}

int32_t PaintDevice::DrawTextInRect(int32_t x, int32_t y, int32_t w, int32_t h, const char* text, int length,
                                    bool draw) {
    if (!text || length <= 0) return 0;
    RealizeFont();
    return DeviceTextInRect(Rect(x, y, x + w, y + h), text, length, draw);
}

// --- non-virtual ----------------------------------------------------------------

void PaintDevice::RealizeFont() {
    if (!fontChanged_) return;
    const bool same = wanted_.height == realised_.height && wanted_.weight == realised_.weight &&
                      wanted_.italic == realised_.italic &&
                      (wanted_.underline & kDecorUnderline) == (realised_.underline & kDecorUnderline) &&
                      wanted_.strikeOut == realised_.strikeOut &&
                      std::memcmp(wanted_.faceName, realised_.faceName, sizeof wanted_.faceName) == 0;
    fontChanged_ = false;
    if (same) return;
    realised_ = wanted_;
    // The overline is drawn by the device itself; the system never sees it.
    realised_.underline &= kDecorUnderline;
    DeviceSelectFont(realised_);
    metricsStale_ = true;
}

int PaintDevice::SetTextCharacterExtra(int extra) {
    int previous = characterExtra_;
    characterExtra_ = extra;
    DeviceSetCharacterExtra(extra);
    return previous;
}
