// A row of equally sized pictures (tool-bar buttons, icons) from one bitmap
// resource or one image file, prepared once with a transparency mask, and
// drawn cell by cell: as it is, transparently over what is there, over a
// solid colour, or embossed (the disabled look).
//
// The working bitmap holds the source at (0, 0) and its mask below it (white
// where the source has the background colour, the colour of pixel (1, 1));
// the column right of the cells is the scratch cell where a drawing is
// composed before it is copied out less a one-pixel border.
#pragma once
#include <windows.h>

#include <string>

#include "layout/Image.h"

class BitmapStrip {
public:
    enum DrawFlags : unsigned {
        kCentreX = 1,
        kCentreY = 2,
        kOverTarget = 4,  // over the pixels already at (x, y)
        kEmbossed = 8,
        kOverColour = 16,   // over a solid colour
        kPairedCells = 32,  // the picture of the next cell, the masks of both
    };

    // One cell, from an image file (a missing or unreadable file gives the
    // 16 x 16 picture of a cross).
    explicit BitmapStrip(const char* fileName);
    BitmapStrip(HINSTANCE module, const char* resourceName, int cells, bool keepDc);
    BitmapStrip(const BitmapStrip&) = delete;
    BitmapStrip& operator=(const BitmapStrip&) = delete;
    ~BitmapStrip();

    bool Build();
    // True when the DC's colour depth or planes differ from the last DC's
    // (which are then remembered).
    static bool DisplayModeChanged(HDC dc);
    void DrawCell(HDC dc, int n, int x, int y, unsigned flags, COLORREF colour);
    // A new bitmap of the cell drawn less its border; the caller owns it.
    HBITMAP MakeCellBitmap(int n, unsigned flags, COLORREF colour);

    int Cells() const { return cells_; }
    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }
    COLORREF BackgroundColour() const { return background_; }
    // Times the strip was built (a changed display rebuilds it).
    int BuildCount() const { return builds_; }

private:
    void Release();
    // The source picture: the resource, the image, or the cross.
    HBITMAP LoadSource(HDC screen);
    HDC Select();
    void Unselect(HDC dc);

    HBITMAP working_ = nullptr;
    COLORREF background_ = 0;
    int cells_ = 1;
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    int cellWidth_ = 0;
    int cellHeight_ = 0;
    int workingWidth_ = 0;
    int workingHeight_ = 0;
    HINSTANCE module_ = nullptr;
    std::string resource_;  // empty: no resource
    HDC memoryDc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    ImageHandle image_;
    bool keepDc_ = false;
    int builds_ = 0;
};
