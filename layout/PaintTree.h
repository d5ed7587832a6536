// Painting a laid-out page (or any subtree of it) on an output device.
//
// LayoutElement::PaintTree walks the tree without recursion, on a stack of
// paint frames from a free list, in two passes: the background pass draws
// background colours and images and the borders of blocks, the content pass
// draws the borders of inline boxes, text, markers and rules, and inverts
// the selection. Elements outside the visible rectangle are not visited; an
// element that sticks out of its parent is painted, through the reference
// box its layout left in an ancestor, by the ancestor that covers it.
//
// Coordinates are absolute layout units; the device receives them less the
// view position (the scroll position).
#pragma once
#include <cstdint>

#include "layout/PaintDevice.h"

class HtmlElement;
class LayoutElement;

// The height an element covers: its own once it is finished; while it is
// still being filled (a page that is formatted as it arrives), as far down
// as its content so far reaches.
int64_t ExtentHeight(const LayoutElement& e);

// Where the tiles of a background image go, in device coordinates: the
// corner of one tile (the others line up with it), the area that the tiles
// cover (already clipped to the visible rectangle) and the tile size.
struct BackgroundTiles {
    int32_t originX = 0, originY = 0;
    DeviceRect area;  // right and bottom exclusive
    int32_t tileWidth = 0, tileHeight = 0;
};

// Background repeat modes (the low 14 bits of the repeat field).
enum BackgroundRepeat : uint16_t {
    kRepeatBoth = 0x100,
    kRepeatHorizontal = 0x101,
    kRepeatVertical = 0x102,
    kRepeatMask = 0x3FFF,
    kRepeatXPercent = 0x8000,  // the horizontal position is a percentage
    kRepeatYPercent = 0x4000,  // the vertical position is a percentage
};

// The tiles of an image of the given size in a box (absolute units), with
// the box's position fields, clipped to the visible rectangle and moved by
// the view position. Answers false when no tile is visible.
bool ComputeBackgroundTiles(int32_t boxX, int32_t boxY, int32_t boxW, int32_t boxH, int32_t imageW, int32_t imageH,
                            int32_t positionX, int32_t positionY, uint16_t repeat, const DeviceRect& visible,
                            int32_t viewX, int32_t viewY, BackgroundTiles& out);

// What painting asks of the page's images; the page's image table answers.
class PaintImages {
public:
    virtual ~PaintImages() = default;
    // The size of a decoded image; false when the number names none yet.
    virtual bool ImageSize(int32_t number, int32_t& width, int32_t& height) = 0;
    // Draws the image's tiles in one call.
    virtual void DrawTiles(PaintDevice& device, int32_t number, const BackgroundTiles& tiles) = 0;
    // The picture of an image box that is being painted at (x, y) in the
    // page: the window now shows it (and views the image). Null while there
    // is nothing to draw yet.
    virtual Image* ShowImageBox(LayoutElement& box, int32_t x, int32_t y) { return nullptr; }
    // The box's background picture is being painted at (x, y): the window
    // shows it from now on, so that it stays decoded while in view.
    virtual void ShowBoxBackground(LayoutElement& box, int32_t x, int32_t y) {}
};

// A selection of text: from an x offset in a start fragment to one in an
// end fragment, in tree order (PaintTree orders a reversed pair).
struct PaintSelection {
    const LayoutElement* startElement = nullptr;
    int32_t startOffset = 0;
    const LayoutElement* endElement = nullptr;
    int32_t endOffset = 0;
};

// The arguments of a paint.
struct PaintRequest {
    PaintImages* images = nullptr;
    const void* margins = nullptr;  // the window's margins, handed to the leaves
    bool inFrame = false;
    DeviceColor inheritedColor = kUseTextColor;
    DeviceColor linkColor = kUseTextColor;
    DeviceColor visitedColor = kUseTextColor;
    bool restoreFontAlways = false;
    bool pageGivesColor = false;
    int32_t reserved = 0;
    int32_t originX = 0, originY = 0;  // the absolute position of the root's parent
    int32_t viewX = 0, viewY = 0;      // the absolute position at the device's origin
    int32_t clipX = 0, clipY = 0, clipWidth = 0, clipHeight = 0;  // relative to the view
    int32_t handedOn = 0;
    PaintSelection selection;
    bool selectionOnly = false;
    bool stopAfterSelection = false;
    int pass = 0;  // 0 content (runs the background pass first), 1 background
    // The user's settings: [PRINTER] PRINT BACKGROUND, [VISITED LINK]
    // UNDERLINE and STRIKETHROUGH.
    bool printBackground = false;
    bool visitedUnderline = false;
    bool visitedStrikeOut = false;
    // Whether the link of an A element was visited; null: none was.
    bool (*linkVisited)(const HtmlElement* anchor, void* context) = nullptr;
    void* linkContext = nullptr;
};

// What a content box receives to paint itself.
struct LeafPaint {
    const PaintRequest* request = nullptr;
    int32_t originX = 0, originY = 0;  // the absolute position of the box's parent
    // The selection while it is not behind: phase 0 before its start, 1
    // inside it; the box answers whether it is behind now.
    const PaintSelection* selection = nullptr;
    int phase = 0;
    bool link = false;
};

// 1 when the A element (or an ancestor A) of the HTML element holds a link.
HtmlElement* EnclosingLink(HtmlElement* element);
