// The one output-device interface through which layouts are measured and
// painted.
//
// All coordinates are layout units. A window's DC maps layout units to
// pixels by the window's scale in percent (pixels = units * scale / 100);
// the device converts only where it talks to the window manager
// (invalidation, window sizes). The public virtual operations below keep
// their meaning and their order in every device; the screen device
// (ScreenDevice, GDI) and the devices of tests and plain text derive from
// this class and supply the drawing primitives at the end.
//
// The device holds the wanted logical font, which its user sets before
// drawing, and realises it lazily before each text operation (RealizeFont).
// Text operations do nothing, and measure 0, while the font height is
// below 1; operations that need a window do nothing without one.
#pragma once
#include <cstdint>

#include "layout/Image.h"
#include "layout/LogFont.h"

// The system's headers name some of their functions by macros that would
// rename these operations in the files that include them: the devices use
// the system's functions by their full names.
#undef DrawText
#undef GetTextMetrics
#undef GetTabbedTextExtent

// A colour as the system takes it: red, green, blue in the low three bytes;
// a top byte of 0x02 makes it palette-relative.
using DeviceColor = uint32_t;
constexpr DeviceColor kUseTextColor = 0xFFFFFFFF;

struct DeviceRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct DeviceTextMetrics {
    int32_t height = 0, ascent = 0, descent = 0, internalLeading = 0, externalLeading = 0;
    int32_t aveCharWidth = 0, maxCharWidth = 0, weight = 0;
};

// Pen styles of lines and frames.
enum PenStyle : int { kPenSolid = 0, kPenDash = 1, kPenDot = 2, kPenDashDot = 3, kPenDashDotDot = 4 };

// Decoration bits of the logical font's underline field.
constexpr uint8_t kDecorUnderline = 1;
constexpr uint8_t kDecorOverline = 2;

// CSS border styles.
enum BorderStyleCode : int {
    kBorderHidden = 0x202,
    kBorderDotted = 0x203,
    kBorderDashed = 0x204,
    kBorderSolid = 0x205,
    kBorderDouble = 0x206,
    kBorderGroove = 0x207,
    kBorderRidge = 0x208,
    kBorderInset = 0x209,
    kBorderOutset = 0x20a,
};

class PaintDevice {
public:
    // The scale of the document window whose view is the given window, from
    // the window list above this library; registered by it. Without it every
    // window shows at 100 %.
    using ScaleLookup = int (*)(void* window);
    static void SetScaleLookup(ScaleLookup lookup);
    // The registered answer for a window; 100 without a lookup or window.
    static int LookupScale(void* window);

    // The default document background and its shades, from the display
    // palette; registered with it. Without one: white with its halves.
    struct DefaultColors {
        DeviceColor background, light, dark;
    };
    static DefaultColors DefaultBackground();

    // window: the device window (opaque here), may be null.
    PaintDevice(void* window, bool sizedThroughParent);

    // --- the operations, in their order ----------------------------------
    virtual ~PaintDevice();
    virtual int GetScale();
    virtual void InvalidateArea(int32_t x, int32_t y, int32_t w, int32_t h, bool updateNow);
    virtual int32_t GetTextExtent(const char* text, int length);
    virtual void DrawText(int32_t x, int32_t y, const char* text, int length);
    virtual void DrawTextNbsp(int32_t x, int32_t y, const char* text, int length);
    virtual int32_t GetTabbedTextExtent(const char* text, int length);
    virtual void DrawTabbedText(int32_t x, int32_t y, const char* text, int length);
    virtual void DrawClippedText(int32_t x, int32_t y, const char* text, int length, const DeviceRect& clip);
    virtual void DrawEtchedFrame(int32_t x, int32_t y, int32_t w, int32_t h, const char* caption,
                                 int captionLength);
    // The image at (x, y) in w x h, only within clip; with a tile size it
    // repeats over clip from the origin (x, y). Answers 1 when drawn.
    virtual int DrawImage(int32_t x, int32_t y, const DeviceRect& clip, int32_t w, int32_t h, Image& image,
                          int32_t tileWidth, int32_t tileHeight, bool background);
    virtual void DrawHorizontalRule(int32_t x, int32_t y, int32_t w, int32_t h, bool shaded);
    virtual void DrawDottedLine(int32_t x, int32_t y, int32_t w);
    virtual void FillDisc(int32_t x, int32_t y, int32_t w, int32_t h);
    virtual void DrawFrameRect(int32_t x, int32_t y, int32_t w, int32_t h, int penStyle);
    virtual void DrawCircle(int32_t x, int32_t y, int32_t w, int32_t h);
    virtual void DrawCross(int32_t x, int32_t y, int32_t w, int32_t h);
    // side: 0 for the top and left sides, else 1 (which shade a 3-D style
    // takes).
    virtual void DrawBorderSide(int32_t x, int32_t y, int32_t length, int32_t width, int style,
                                DeviceColor color, bool horizontal, int side, int32_t bevelStart,
                                int32_t bevelEnd);
    virtual void DrawBevel(int32_t x, int32_t y, int32_t w, int32_t h, int thickness, bool sunken);
    virtual void DrawSplitterBar(int32_t x, int32_t y, int32_t length, int thickness, bool horizontal);
    virtual void InvertArea(int32_t x, int32_t y, int32_t w, int32_t h);
    virtual void InvertFrame(int32_t x, int32_t y, int32_t w, int32_t h, int32_t t);
    virtual DeviceColor GetBackgroundColor();
    virtual void SetBackgroundColor(DeviceColor color);
    virtual void UseDefaultBackground();
    virtual bool UsesDefaultBackground();
    virtual void FillBackground(const DeviceRect& rect);
    virtual int32_t GetViewWidth();
    virtual int32_t GetViewHeight();
    virtual void SetBold();
    virtual void ClearBold();
    virtual bool IsBold();
    virtual void SetItalic(int flag);
    virtual void ItalicOn();
    virtual void ItalicOff();
    virtual bool IsItalic();
    virtual void SetOverline();
    virtual bool IsOverline();
    virtual void SetUnderline();
    virtual void ClearDecorations();
    virtual bool IsUnderline();
    virtual void StrikeOutOn();
    virtual void StrikeOutOff();
    virtual bool IsStrikeOut();
    virtual void SetFontHeight(int pixels);
    virtual int GetFontHeight();
    virtual int GetLineHeight();
    virtual int GetWeight();
    virtual void SetWeight(int hundreds);
    virtual void SetLogFont(const LogFont& font);
    virtual uint16_t SetFaceById(uint16_t id);
    virtual void GetLogFont(LogFont& out);
    virtual void GetTextMetrics(DeviceTextMetrics& out);
    virtual int GetDescent();
    virtual void SetTextColor(DeviceColor color);
    virtual void SetTextColorRgb(int red, int green, int blue);
    virtual DeviceColor GetTextColor();
    virtual bool IsNotScreen();
    virtual bool IsTextOutput();
    virtual void InvertWindowFrame(int32_t t);
    virtual int32_t DrawTextInRect(int32_t x, int32_t y, int32_t w, int32_t h, const char* text, int length,
                                   bool draw);

    // --- non-virtual ------------------------------------------------------
    void* Window() const { return window_; }
    bool SizedThroughParent() const { return sizedThroughParent_; }
    void RealizeFont();
    // The border shades of a colour (finer than the background's halves).
    static void MakeBorderShades(DeviceColor color, DeviceColor& dark, DeviceColor& light);
    int32_t GetTextExtentNbsp(const char* text, int length);
    float WordSpacing() const { return wordSpacing_; }
    void SetWordSpacing(float spacing) { wordSpacing_ = spacing; }
    uint16_t FaceId() const { return faceId_; }
    // The DC's extra space between characters (letter spacing); answers the
    // previous value.
    int SetTextCharacterExtra(int extra);
    // Dots per inch, horizontally or vertically.
    int Dpi(bool horizontal) { return DeviceDpi(horizontal); }
    DeviceColor LightShade();
    DeviceColor DarkShade();

    // Spaces that do not follow another space, less one when the text ends
    // in a space: where word spacing is added.
    static int CountWordGaps(const char* text, int length);
    // ceil(v * s / 100) and ceil(v * 100 / s) in integers.
    static int32_t ToPixels(int32_t units, int scale);
    static int32_t ToUnits(int32_t pixels, int scale);

    static constexpr int kScratchSize = 4097;

protected:
    // Moves the device to another window (the font and cached state start
    // over).
    void ResetState(void* window);
    void MarkFontChanged(bool metrics);

    // --- primitives of a concrete device ---------------------------------
    // Creates and selects the font (decoration bits already reduced to the
    // underline).
    virtual void DeviceSelectFont(const LogFont& font) = 0;
    virtual int32_t DeviceTextExtent(const char* text, int length) = 0;
    virtual void DeviceTextOut(int32_t x, int32_t y, const char* text, int length) = 0;
    // Extent and output with the system's default tab stops.
    virtual int32_t DeviceTabbedExtent(const char* text, int length) = 0;
    virtual void DeviceTabbedOut(int32_t x, int32_t y, const char* text, int length) = 0;
    virtual void DeviceClippedOut(int32_t x, int32_t y, const char* text, int length,
                                  const DeviceRect& clip) = 0;
    // Word-wrapped, centred text in the rectangle; answers its height; only
    // measures when draw is false.
    virtual int32_t DeviceTextInRect(const DeviceRect& rect, const char* text, int length, bool draw) = 0;
    virtual void DeviceGetMetrics(DeviceTextMetrics& out) = 0;
    virtual void DeviceSetTextColor(DeviceColor color) = 0;
    virtual DeviceColor DeviceTextColor() = 0;
    virtual int DeviceSetCharacterExtra(int extra) = 0;
    virtual void DevicePolyline(const int32_t* xy, int points, DeviceColor color, int penStyle) = 0;
    // Devices without pictures (plain text, measuring) draw none.
    virtual int DeviceDrawImage(Image& image, const ImagePlacement& placement, DeviceColor background) {
        return 0;
    }
    virtual void DeviceFillRect(const DeviceRect& rect, DeviceColor color) = 0;
    // Filled with the text colour, or only outlined with a hollow brush.
    virtual void DeviceEllipse(const DeviceRect& rect, bool filled) = 0;
    virtual void DeviceInvertRect(const DeviceRect& rect) = 0;
    // Pixels of the device window.
    virtual void DeviceInvalidate(const DeviceRect& pixels, bool updateNow) = 0;
    virtual void DeviceClientSize(int32_t& width, int32_t& height) = 0;
    virtual void DeviceOuterSize(int32_t& width, int32_t& height) = 0;
    virtual int DeviceDpi(bool horizontal) = 0;

    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, DeviceColor color, int penStyle = kPenSolid) {
        const int32_t xy[4] = {x1, y1, x2, y2};
        DevicePolyline(xy, 2, color, penStyle);
    }

private:
    void DrawSpacedText(int32_t x, int32_t y, const char* text, int length);
    const char* ExpandTabs(const char* text, int length, int& outLength);
    void DrawBorderLines(int32_t x, int32_t y, int32_t length, int32_t width, int style, DeviceColor first,
                         DeviceColor second, bool horizontal, int side, int32_t bevelStart, int32_t bevelEnd);

    bool sizedThroughParent_;
    void* window_ = nullptr;
    uint16_t faceId_ = 0;
    DeviceColor background_ = 0xFFFFFFFF;
    DeviceColor light_ = 0;
    DeviceColor dark_ = 0;
    bool useDefaultBackground_ = true;
    DeviceColor textColor_ = 0;
    float wordSpacing_ = 0.0f;
    int characterExtra_ = 0;
    DeviceTextMetrics metrics_;
    bool metricsStale_ = true;
    LogFont wanted_;
    LogFont realised_;
    bool fontChanged_ = true;
    char scratch_[kScratchSize];
};
