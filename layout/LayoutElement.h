// The boxes of a formatted page.
//
// A formatted page is a tree of layout elements (TreeNode: a node owns its
// children). Each element is a rectangle placed relative to its parent's
// top left corner, in layout units; most stand for one HtmlElement of the
// page's element tree, which outlives the layout. The formatter makes them
// in document order: a new element attaches itself to its container and
// places itself after its previous sibling, collapsing vertical margins on
// the way. Finishing an element completes its size from its children and
// applies its margins. While a parent is painted, the moves and size
// changes of its children are recorded in the current RepaintRegion.
//
// Block and content boxes hold a BoxMetrics record (margins, padding,
// alignment) from a free list until their margins are applied, and a link
// to their computed BoxStyle (borders, background, text style), which the
// formatter owns for the life of the layout.
#pragma once
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/ListNode.h"
#include "core/RecycledRecords.h"
#include "core/TreeNode.h"
#include "layout/LogFont.h"
#include "layout/PaintDevice.h"

class FormControl;
class HtmlElement;
struct LeafPaint;
struct PaintRequest;

// A side value of a border: style code - 0x200 in bits 12-15, width in
// bits 0-11.
struct BoxBorders {
    enum Side { kLeft = 0, kRight = 1, kTop = 2, kBottom = 3 };
    uint16_t side[4] = {};
    DeviceColor color[4] = {kUseTextColor, kUseTextColor, kUseTextColor, kUseTextColor};
    int Width(int s) const { return side[s] & 0x0FFF; }
    int Style(int s) const { return side[s] ? 0x200 + (side[s] >> 12) : 0; }
    void Set(int s, int style, int width) {
        if (width < 0) width = 0;
        if (width > 0x0FFF) width = 0x0FFF;
        side[s] = static_cast<uint16_t>(((style - 0x200) & 0xF) << 12 | width);
    }
};

// The computed style of an element as layout and painting read it. Unset
// values: face -1, height 0, italic -1, weight 0, letter spacing 32767,
// word spacing FLT_MAX.
struct BoxStyle {
    const BoxStyle* parent = nullptr;  // the enclosing element's style
    const LogFont* font = nullptr;
    int32_t faceId = -1;
    int32_t fontHeight = 0;
    int32_t italic = -1;
    int32_t weight = 0;
    uint8_t decorations = 0;  // 1 underline, 2 strike-out, 4 overline
    int32_t letterSpacing = 32767;
    float wordSpacing = FLT_MAX;
    int32_t backgroundImage = 0;                  // above 0: an image of the page
    DeviceColor backgroundColor = kUseTextColor;  // kUseTextColor: none
    int32_t backgroundY = 0;                      // image position
    int16_t backgroundX = 0;
    uint16_t backgroundRepeat = 0;  // BackgroundRepeat (layout/PaintTree.h)
    DeviceColor textColor = kUseTextColor;        // kUseTextColor: the device's
    BoxBorders borders;
};

// Margins, padding, alignment and line values of a box while it is laid out.
struct BoxMetricsValues {
    enum Edge { kTop = 0, kLeft = 1, kRight = 2, kBottom = 3 };
    int16_t margin[4] = {};
    int16_t padding[4] = {};
    int16_t layoutValue1 = 0;
    int16_t layoutValue2 = 0;  // the height above the baseline
    int16_t valignCode = 80;   // baseline
    int16_t valignValue = 0;
    int16_t lineAscent = 0;
    int16_t lineDescent = 0;
    uint8_t flags = 0;  // kTopCollapsed, kBottomCollapsed
    static constexpr uint8_t kTopCollapsed = 0x04;
    static constexpr uint8_t kBottomCollapsed = 0x08;
};

struct BoxMetrics : ListNode, BoxMetricsValues {
    void Reset() { static_cast<BoxMetricsValues&>(*this) = BoxMetricsValues(); }
    // Margins, padding, alignment (not the layout values or flags).
    void CopyFrom(const BoxMetricsValues& other);
};

// The free list of BoxMetrics records; it only grows.
RecycledRecords<BoxMetrics>& BoxMetricsRecords();

// Both zero or positive: the larger; both negative: the more negative;
// mixed: the sum.
int32_t CombineMargins(int32_t a, int32_t b);
// 16-bit layout values clamp to -32768..32767.
int16_t Clamp16(int32_t v);

// What the formatter hands to a constructor.
struct LayoutRequest {
    int32_t width = 0;
    int32_t height = 0;
    int16_t value1 = 0;
    int16_t value2 = 0;
    bool widthGiven = false;
    bool heightGiven = false;
};

// A running pair of collapsing margins.
struct MarginPair {
    int32_t positive = 0;
    int32_t negative = 0;
    void Join(int32_t m) {
        if (m > positive) positive = m;
        if (m < negative) negative = m;
    }
    int32_t Combined() const { return positive + negative; }
};

class LayoutElement : public TreeNode {
public:
    enum Kind : int {
        kBlockBox = 1,
        kLineBox = 2,
        kTextFragment = 3,
        kImageBox = 4,
        kFormControlBox = 5,
        kEmbedBox = 6,
        kReferenceBox = 7,
        kRuleBox = 8,
        kAltTextBox = 9,
        kListMarkerBox = 10,
    };
    enum Flag : uint16_t {
        kVerticalFlow = 0x0001,
        kWidthGiven = 0x0002,
        kHeightGiven = 0x0004,
        kClassFlag = 0x0008,  // no-break spaces / image awaited / page break before
        kSmallText = 0x0010,
        kOutOfFlow = 0x0020,
        kTransformMask = 0x00C0,
        kPainted = 0x0100,
        kOverlapsFloats = 0x0200,
        kNotInWidth = 0x0400,
        kDecorationMask = 0x7800,
        kFinished = 0x8000,
    };

    ~LayoutElement() override;

    // Boxes come from slabs of their own size (core/RecordSlabs.h): a long
    // page makes hundreds of thousands of them.
    static void* operator new(size_t size);
    static void operator delete(void* box, size_t size);

    LayoutElement* Parent() const { return static_cast<LayoutElement*>(TreeNode::Parent()); }
    LayoutElement* FirstChild() const { return static_cast<LayoutElement*>(TreeNode::FirstChild()); }
    LayoutElement* LastChild() const { return static_cast<LayoutElement*>(TreeNode::LastChild()); }
    LayoutElement* NextSibling() const { return static_cast<LayoutElement*>(TreeNode::NextSibling()); }
    LayoutElement* PrevSibling() const { return static_cast<LayoutElement*>(TreeNode::PrevSibling()); }

    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }
    int32_t Width() const { return width_; }
    uint16_t Flags() const { return flags_; }
    bool Has(uint16_t flag) const { return (flags_ & flag) != 0; }
    void SetFlags(uint16_t flags, bool on) { flags_ = on ? flags_ | flags : flags_ & ~flags; }

    // --- virtual operations, in their order --------------------------------
    // Links the element into its container (see the .cpp for the order of
    // reference boxes).
    virtual void AttachTo(LayoutElement& container);
    virtual int GetKind() const = 0;
    virtual uint32_t Height() const { return 0; }
    virtual void SetHeight(int64_t height) = 0;
    virtual bool IsContainer() const { return false; }
    virtual bool IsContentBox() const { return false; }
    virtual HtmlElement* Element() const { return nullptr; }
    int16_t LayoutValue1() const { return metrics_ ? metrics_->layoutValue1 : 0; }
    int16_t LayoutValue2() const { return metrics_ ? metrics_->layoutValue2 : 0; }
    void SetLayoutValues(int16_t a, int16_t b);
    void VerticalAlign(int& code, int& value) const;
    virtual void CompleteLayout(bool finishChildren);
    BoxMetrics* Metrics() const { return metrics_; }
    virtual bool EndsWithSpace() const;
    virtual LayoutElement* FirstLeaf(bool markers);
    virtual LayoutElement* LastLeaf();
    virtual LayoutElement* LastTextFragment();
    virtual LayoutElement* FirstTextFragment();
    virtual bool StartsLine() const;
    // The leaf under (x, y) (relative to this element's parent) with the
    // character index and its x offset; null when none.
    virtual LayoutElement* CharacterAt(PaintDevice& device, int32_t x, int32_t y, bool search, int& index,
                                       int32_t& offset);
    // Hit test; (x, y) relative to this element's parent.
    virtual LayoutElement* ElementAt(int32_t x, int32_t y);
    // The element made for the HtmlElement; a text fragment consumes
    // visible characters of count.
    virtual LayoutElement* FindFor(const HtmlElement* element, int& count);
    virtual void ChildWidthChanged(LayoutElement* child, int32_t newWidth);
    virtual const char* TextPointer() const { return nullptr; }
    virtual int TextLength() const { return 0; }
    virtual void DropLeadingSpace(PaintDevice& device) {}
    void CopyMetricsFrom(const BoxMetricsValues& other);
    void SetStyle(const BoxStyle* style) { style_ = style; }
    virtual void ApplyMargins();
    const BoxStyle* Style() const { return style_; }
    virtual int WordGaps() const;
    virtual void SetWordSpacing(float spacing);

    // --- placement -----------------------------------------------------------
    void SetX(int32_t x);
    void SetY(int32_t y);
    void SetWidth(int32_t w);
    void SetLineMetrics(int16_t ascent, int16_t descent);
    // Attaches a detached element to another container and places it
    // after its new previous sibling.
    void MoveInto(LayoutElement& container) {
        AttachTo(container);
        PlaceAfterPrevious();
    }
    void Finish();
    int32_t AbsoluteX() const;
    int32_t AbsoluteY() const;
    // The first leaf (forwards or backwards) whose rectangle meets the
    // rectangle given relative to this element.
    LayoutElement* FindInRect(int32_t x, int32_t y, int32_t w, int32_t h, bool backwards);
    void PlaceReference();
    // Line alignment of the children; answers the baseline.
    int32_t AlignLine(int32_t top, int32_t extraBelow);
    int32_t CollapseTopMargin(MarginPair& pair, bool fromChild);
    int32_t CollapseBottomMargin(MarginPair& pair);

    // Edge sums of margins, padding and borders.
    int32_t TopEdge() const;
    int32_t LeftEdge() const;
    int32_t RightEdge() const;
    int32_t BottomEdge() const;
    int32_t TopBarrier() const;
    int32_t BottomBarrier() const;
    int32_t HorizontalExtra() const;

    LayoutElement* PreviousInFlow() const;

    // Cuts the subtree at the cut (a y offset from this element's top) for
    // printing and text output: what lies above stays, what lies from the
    // cut on moves into a new tree of fresh block and line boxes, which is
    // answered (attached to newParent when given, else a root the caller
    // owns). A line or content box across the cut moves whole, so no line
    // of text is cut in two. Null when nothing lies at or below the cut.
    LayoutElement* SplitAtHeight(LayoutElement* newParent, int32_t cut);

    // Paints the subtree (layout/PaintTree.h); answers the last answer of a
    // leaf paint (1 when the selection is behind, or there is none).
    int PaintTree(PaintDevice& device, const PaintRequest& request);

protected:
    // vertical: the children stack; request: null for none.
    LayoutElement(bool vertical, const LayoutRequest* request);
    // Takes a metrics record copied from the given one (or reset) and the
    // request's layout values.
    void TakeMetrics(const BoxMetricsValues* metrics, const LayoutRequest* request);
    // Attaches to the parent (when given) and places itself.
    void Place(LayoutElement* parent);
    void PlaceAfterPrevious();
    void RecordChange(int32_t oldX, int32_t oldY, int32_t oldW, int32_t oldH, int32_t x, int32_t y, int32_t w,
                      int32_t h);
    int32_t BorderWidth(int side) const { return style_ ? style_->borders.Width(side) : 0; }
    int32_t Margin(int edge) const { return metrics_ ? metrics_->margin[edge] : 0; }
    int32_t Padding(int edge) const { return metrics_ ? metrics_->padding[edge] : 0; }
    int32_t CollapseBottom(MarginPair& pair, LayoutElement* start);
    void TakeOutBottomMargin(int32_t margin, LayoutElement* start);
    void SettleLastDescendants();


    BoxMetrics* metrics_ = nullptr;
    const BoxStyle* style_ = nullptr;

private:
    friend class PageCutter;
    // The helpers of SplitAtHeight. kept: something above this element
    // stays on the page being cut.
    LayoutElement* SplitAt(LayoutElement* newParent, int32_t cut, bool kept);
    LayoutElement* MakeSplitPart(LayoutElement* newParent) const;
    LayoutElement* SplitRow(LayoutElement* newParent, int32_t cut, bool kept);
    LayoutElement* SplitInside(LayoutElement* child, LayoutElement* newParent, int32_t cut, bool kept);
    static void MoveFollowingInto(LayoutElement* first, LayoutElement& part, int32_t shift);

    int16_t x_ = 0;
    int32_t y_ = 0;
    int16_t width_ = 0;
    uint16_t flags_ = 0;
};

// Heights of line, content and reference boxes: a new box holds at most
// 32767, a set height at most 65535 (kept unsigned).
uint16_t ClampRequestedHeight(int64_t h);
uint16_t ClampSetHeight(int64_t h);

class BlockBox : public LayoutElement {
public:
    BlockBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element,
             bool vertical = true);
    int GetKind() const override { return kBlockBox; }
    uint32_t Height() const override { return static_cast<uint32_t>(height_ < 0 ? 0 : height_); }
    int32_t SignedHeight() const { return height_; }
    void SetHeight(int64_t height) override;
    bool IsContainer() const override { return true; }
    HtmlElement* Element() const override { return element_; }

private:
    int32_t height_;
    HtmlElement* element_;
};

class LineBox : public LayoutElement {
public:
    LineBox(LayoutElement* parent, const LayoutRequest* request);
    int GetKind() const override { return kLineBox; }
    uint32_t Height() const override { return height_; }
    void SetHeight(int64_t height) override;
    bool IsContainer() const override { return true; }

private:
    uint16_t height_;
};

class ContentBox : public LayoutElement {
public:
    uint32_t Height() const override { return height_; }
    void SetHeight(int64_t height) override;
    bool IsContentBox() const override { return true; }
    HtmlElement* Element() const override { return element_; }
    bool StartsLine() const override;
    // Draws the box; answers 1 when the selection is behind it (or there
    // is none), 0 while it is still ahead or continues.
    virtual int Paint(PaintDevice& device, LeafPaint& leaf);

protected:
    ContentBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element);

private:
    uint16_t height_;
    HtmlElement* element_;
};

class TextFragment : public ContentBox {
public:
    // A run of the text element's text; offsets and lengths are 16-bit,
    // so the formatter cuts text into runs of at most kMaxRun.
    static constexpr int kMaxRun = 32767;
    TextFragment(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* text,
                 int offset, int length);
    int GetKind() const override { return kTextFragment; }
    bool EndsWithSpace() const override;
    LayoutElement* LastTextFragment() override { return this; }
    LayoutElement* FirstTextFragment() override { return this; }
    LayoutElement* CharacterAt(PaintDevice& device, int32_t x, int32_t y, bool search, int& index,
                               int32_t& offset) override;
    LayoutElement* FindFor(const HtmlElement* element, int& count) override;
    const char* TextPointer() const override;
    int TextLength() const override { return length_; }
    void DropLeadingSpace(PaintDevice& device) override;
    int WordGaps() const override;
    void SetWordSpacing(float spacing) override;
    int Offset() const { return offset_; }

    // Puts the styles of the ancestors (root first) and its own on the
    // device.
    void ApplyTextStyle(PaintDevice& device) const;
    int CountVisibleChars(int n) const;
    // Pixel offsets of the characters first..last; false beyond the length.
    bool MeasureRange(PaintDevice& device, int first, int last, int32_t& start, int32_t& end) const;
    // Keeps the characters before the last space (before the final
    // character) and answers the rest: 0 when nothing was split.
    int SplitAtLastSpace(PaintDevice& device, const char*& rest, int& restLength, int32_t& restWidth);
    // The width of the first n characters, transformed as drawn.
    int32_t MeasurePrefix(PaintDevice& device, int n) const;
    int Paint(PaintDevice& device, LeafPaint& leaf) override;
    // The number of characters whose width fits in the offset.
    int IndexAtOffset(PaintDevice& device, int32_t offset) const;

private:
    uint16_t length_;
    uint16_t offset_;
    // A private copy once word spacing is set (justified lines only): the
    // other runs share their style.
    std::unique_ptr<BoxStyle> ownStyle_;
};

class ImageBox : public ContentBox {
public:
    ImageBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element,
             int32_t imageNumber, int border, bool awaited);
    int GetKind() const override { return kImageBox; }
    int32_t ImageNumber() const { return imageNumber_; }
    int BorderWidthOfImage() const { return border_; }
    // The box less its border, relative to the parent's origin.
    DeviceRect InnerRect(int32_t originX, int32_t originY) const;
    int Paint(PaintDevice& device, LeafPaint& leaf) override;

private:
    int32_t imageNumber_;
    uint8_t border_;
};

class FormControlBox : public ContentBox {
public:
    // control: the form control object made by the control factory; the box
    // owns it and deletes it (and so its window) with itself.
    FormControlBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element,
                   FormControl* control);
    ~FormControlBox() override;
    int GetKind() const override { return kFormControlBox; }
    FormControl* Control() const { return control_.get(); }
    // Gives the control up (to be kept for the next layout of the page).
    FormControl* ReleaseControl() { return control_.release(); }
    // Places the control: its window is moved there, or it is drawn on a
    // device without windows (2 units lower with flag 0x1000).
    int Paint(PaintDevice& device, LeafPaint& leaf) override;
    // Gives the control its element's default value again.
    void Reset();

private:
    std::unique_ptr<FormControl> control_;
};

class EmbedBox : public ContentBox {
public:
    EmbedBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element);
    int GetKind() const override { return kEmbedBox; }
    uint32_t InstanceKey() const { return instanceKey_; }
    void* PluginWindow() const { return window_; }
    bool WindowShown() const { return windowShown_; }

private:
    uint32_t instanceKey_ = 0;
    void* window_ = nullptr;
    bool windowShown_ = false;
};

class ReferenceBox : public LayoutElement {
public:
    // Made by LayoutElement::PlaceReference in an ancestor of the referred
    // element.
    ReferenceBox(LayoutElement* container, LayoutElement* referred);
    int GetKind() const override { return kReferenceBox; }
    uint32_t Height() const override { return height_; }
    void SetHeight(int64_t height) override { height_ = ClampSetHeight(height); }
    void AttachTo(LayoutElement& container) override;
    void CompleteLayout(bool) override {}
    LayoutElement* ElementAt(int32_t x, int32_t y) override;
    LayoutElement* Referred() const { return referred_; }

private:
    uint16_t height_;
    LayoutElement* referred_;
};

class RuleBox : public ContentBox {
public:
    RuleBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element);
    int GetKind() const override { return kRuleBox; }
    int Paint(PaintDevice& device, LeafPaint& leaf) override;
};

class AltTextBox : public ContentBox {
public:
    AltTextBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element,
               const char* text, int length, bool framed);
    int GetKind() const override { return kAltTextBox; }
    const char* TextPointer() const override { return text_; }
    int TextLength() const override { return length_; }
    bool Framed() const { return framed_; }
    int Paint(PaintDevice& device, LeafPaint& leaf) override;

private:
    const char* text_;
    uint16_t length_;
    bool framed_;
};

class ListMarkerBox : public ContentBox {
public:
    ListMarkerBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element,
                  int32_t number, int bulletSize, int markerType, int markerWidth);
    int GetKind() const override { return kListMarkerBox; }
    int32_t Number() const { return number_; }
    int MarkerType() const { return type_; }
    int BulletSize() const { return bulletSize_; }
    int MarkerWidth() const { return markerWidth_; }
    int Paint(PaintDevice& device, LeafPaint& leaf) override;

private:
    int32_t number_;
    uint16_t bulletSize_;
    uint16_t type_;
    uint16_t markerWidth_;
};
