#include "layout/BitmapStrip.h"

#include <cstdlib>
#include <vector>

namespace {

// Where the source shows its background colour the mask is white: laid over
// the target, the source's own pixels replace the target's only where the
// mask is black.
constexpr DWORD kPaintThroughMask = 0x00B8074A;  // pattern where the source is black, else the target

// The colour depth of the DC drawn on last: a change rebuilds the strips.
int g_bitsPerPixel = 0;
int g_planes = 0;

int Clamp(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

COLORREF Shifted(COLORREF colour, int by) {
    return RGB(Clamp(GetRValue(colour) + by), Clamp(GetGValue(colour) + by), Clamp(GetBValue(colour) + by));
}

// A screen-compatible bitmap of the image's first frame; null when the image
// has nothing to show.
HBITMAP BitmapOfImage(HDC screen, const Image& image) {
    uint32_t size = image.GetDibSize();
    if (size == 0) return nullptr;
    std::vector<uint8_t> dib(size);
    if (!image.CopyDib(dib.data(), size)) return nullptr;
    auto* info = reinterpret_cast<BITMAPINFO*>(dib.data());
    uint32_t table = info->bmiHeader.biBitCount <= 8 ? 4u << info->bmiHeader.biBitCount : 0;
    return CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, dib.data() + 40 + table, info, DIB_RGB_COLORS);
}

// The stand-in picture: a 16 x 16 cross on white.
HBITMAP Cross(HDC screen) {
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    HDC dc = bitmap ? CreateCompatibleDC(screen) : nullptr;
    if (!dc) return bitmap;
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 16, 16, WHITENESS);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 16, 16);
    MoveToEx(dc, 15, 0, nullptr);
    LineTo(dc, -1, 16);
    SelectObject(dc, oldPen);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

}  // namespace

BitmapStrip::BitmapStrip(const char* fileName) : image_(ImageHandle::MakeForFile(fileName)) {
    Build();
}

BitmapStrip::BitmapStrip(HINSTANCE module, const char* resourceName, int cells, bool keepDc)
    : cells_(cells > 0 ? cells : 1),
      module_(module),
      resource_(resourceName ? resourceName : ""),
      keepDc_(keepDc) {
    Build();
}

BitmapStrip::~BitmapStrip() {
    Release();
}

void BitmapStrip::Release() {
    if (memoryDc_) {
        SelectObject(memoryDc_, previous_);
        DeleteDC(memoryDc_);
        memoryDc_ = nullptr;
    }
    if (working_) DeleteObject(working_);
    working_ = nullptr;
}

HBITMAP BitmapStrip::LoadSource(HDC screen) {
    HBITMAP source = nullptr;
    if (!resource_.empty()) source = LoadBitmapA(module_, resource_.c_str());
    if (!source && resource_.empty() && !image_.IsEmpty() && image_->IsComplete())
        source = BitmapOfImage(screen, *image_.Get());
    return source ? source : Cross(screen);
}

bool BitmapStrip::Build() {
    Release();
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    DisplayModeChanged(screen);
    HBITMAP source = LoadSource(screen);
    BITMAP shape{};
    bool built = false;
    if (source && GetObject(source, sizeof shape, &shape) && shape.bmWidth >= cells_ && shape.bmHeight > 0) {
        sourceWidth_ = shape.bmWidth;
        sourceHeight_ = shape.bmHeight;
        cellWidth_ = sourceWidth_ / cells_;
        cellHeight_ = sourceHeight_;
        workingWidth_ = (cells_ + 1) * cellWidth_;
        workingHeight_ = 2 * sourceHeight_;
        working_ = CreateBitmap(workingWidth_, workingHeight_, shape.bmPlanes, shape.bmBitsPixel, nullptr);
        HDC from = CreateCompatibleDC(screen);
        HDC to = CreateCompatibleDC(screen);
        HBITMAP mono = CreateBitmap(sourceWidth_, sourceHeight_, 1, 1, nullptr);
        HDC monoDc = CreateCompatibleDC(screen);
        if (working_ && from && to && mono && monoDc) {
            HGDIOBJ oldFrom = SelectObject(from, source);
            HGDIOBJ oldTo = SelectObject(to, working_);
            HGDIOBJ oldMono = SelectObject(monoDc, mono);
            BitBlt(to, 0, 0, sourceWidth_, sourceHeight_, from, 0, 0, SRCCOPY);
            background_ = GetPixel(from, 1, 1);
            // Colour to monochrome: pixels of the background colour become
            // white; back to colour: white stays white, the rest black.
            SetBkColor(from, background_);
            BitBlt(monoDc, 0, 0, sourceWidth_, sourceHeight_, from, 0, 0, SRCCOPY);
            SetBkColor(to, RGB(255, 255, 255));
            SetTextColor(to, RGB(0, 0, 0));
            BitBlt(to, 0, sourceHeight_, sourceWidth_, sourceHeight_, monoDc, 0, 0, SRCCOPY);
            SelectObject(monoDc, oldMono);
            SelectObject(from, oldFrom);
            SelectObject(to, oldTo);
            built = true;
        }
        if (monoDc) DeleteDC(monoDc);
        if (mono) DeleteObject(mono);
        if (from) DeleteDC(from);
        if (to) DeleteDC(to);
    }
    if (source) DeleteObject(source);
    ReleaseDC(nullptr, screen);
    if (!built) {
        Release();
        return false;
    }
    ++builds_;
    if (keepDc_) {
        memoryDc_ = CreateCompatibleDC(nullptr);
        if (memoryDc_) previous_ = SelectObject(memoryDc_, working_);
    }
    return true;
}

bool BitmapStrip::DisplayModeChanged(HDC dc) {
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    int planes = GetDeviceCaps(dc, PLANES);
    if (bits == g_bitsPerPixel && planes == g_planes) return false;
    g_bitsPerPixel = bits;
    g_planes = planes;
    return true;
}

HDC BitmapStrip::Select() {
    if (memoryDc_) return memoryDc_;
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc) previous_ = SelectObject(dc, working_);
    return dc;
}

void BitmapStrip::Unselect(HDC dc) {
    if (!dc || dc == memoryDc_) return;
    SelectObject(dc, previous_);
    DeleteDC(dc);
}

void BitmapStrip::DrawCell(HDC dc, int n, int x, int y, unsigned flags, COLORREF colour) {
    if (DisplayModeChanged(dc) || !working_) Build();
    if (!working_ || n < 0 || n >= cells_) return;
    if (flags & kCentreX) x -= cellWidth_ / 2;
    if (flags & kCentreY) y -= cellHeight_ / 2;
    HDC strip = Select();
    if (!strip) return;
    const int w = cellWidth_;
    const int h = cellHeight_;
    const int scratch = sourceWidth_;
    const int cell = n * w;
    if (flags & kOverTarget) {
        BitBlt(strip, scratch, 0, w, h, dc, x, y, SRCCOPY);
    } else if (flags & kOverColour) {
        HBRUSH brush = CreateSolidBrush(colour);
        RECT area{scratch, 0, scratch + w, h};
        FillRect(strip, &area, brush);
        DeleteObject(brush);
    } else {
        BitBlt(strip, scratch, 0, w, h, strip, cell, 0, SRCCOPY);
    }
    if ((flags & (kOverTarget | kOverColour)) && !(flags & kEmbossed)) {
        int picture = (flags & kPairedCells) && n + 1 < cells_ ? cell + w : cell;
        BitBlt(strip, scratch, 0, w, h, strip, picture, 0, SRCINVERT);
        BitBlt(strip, scratch, 0, w, h, strip, cell, h, SRCAND);
        if (picture != cell) BitBlt(strip, scratch, 0, w, h, strip, picture, h, SRCAND);
        BitBlt(strip, scratch, 0, w, h, strip, picture, 0, SRCINVERT);
    }
    if (flags & kEmbossed) {
        // A light copy of the picture's shape one pixel down and right, a
        // dark one over it.
        const COLORREF shades[2] = {Shifted(colour, 64), Shifted(colour, -64)};
        for (int i = 0; i < 2; ++i) {
            HBRUSH brush = CreateSolidBrush(GetNearestColor(dc, shades[i]));
            HGDIOBJ old = SelectObject(strip, brush);
            int offset = i == 0 ? 1 : 0;
            BitBlt(strip, scratch + offset, offset, w - offset, h - offset, strip, cell, h,
                   kPaintThroughMask);
            SelectObject(strip, old);
            DeleteObject(brush);
        }
    }
    BitBlt(dc, x, y, w - 2, h - 2, strip, scratch + 1, 1, SRCCOPY);
    Unselect(strip);
}

HBITMAP BitmapStrip::MakeCellBitmap(int n, unsigned flags, COLORREF colour) {
    if (cellWidth_ < 3 || cellHeight_ < 3) return nullptr;
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, cellWidth_ - 2, cellHeight_ - 2);
    HDC dc = bitmap ? CreateCompatibleDC(screen) : nullptr;
    if (dc) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        DrawCell(dc, n, 0, 0, flags & ~(kCentreX | kCentreY), colour);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    ReleaseDC(nullptr, screen);
    return bitmap;
}
