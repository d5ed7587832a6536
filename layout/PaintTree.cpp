#include "layout/PaintTree.h"

#include <cfloat>
#include <utility>

#include "core/RecycledRecords.h"
#include "html/ElementRecords.h"
#include "html/HtmlElement.h"
#include "layout/ElementAccessors.h"
#include "layout/FontTable.h"
#include "layout/LayoutElement.h"
#include "net/UrlHandle.h"

namespace {

constexpr uint16_t kUnderlineFlag = 0x0800;
constexpr uint16_t kStrikeOutFlag = 0x1000;
constexpr uint16_t kOverlineFlag = 0x2000;
constexpr int kLinkFontCode = 256;

struct PaintFrameValues {
    LayoutElement* element = nullptr;
    LayoutElement* next = nullptr;  // the next child to visit
    bool childrenDone = false;
    LayoutElement* pending = nullptr;  // the first trailing reference still to honour
    bool inherited = false;            // pending belongs to the parent's frame too
    bool reference = false;            // pushed for a referred element
    int32_t x = 0, y = 0;              // the element's absolute position
    bool backgroundSet = false;
    bool savedDefaultBackground = false;
    DeviceColor savedBackground = 0;
    bool fontChanged = false;
    LogFont savedFont;
    bool colorSet = false;
    DeviceColor savedColor = 0;
    bool extraSet = false;
    int savedExtra = 0;
    bool spacingSet = false;
    float savedSpacing = 0.0f;
    bool link = false;
};

struct PaintFrame : ListNode, PaintFrameValues {
    void Reset() { static_cast<PaintFrameValues&>(*this) = PaintFrameValues(); }
};

// Frames are taken for each paint and given back after it.
RecycledRecords<PaintFrame>& PaintFrames() {
    static RecycledRecords<PaintFrame> frames(0);
    return frames;
}

LayoutElement* FirstTrailingReference(const LayoutElement& e) {
    LayoutElement* first = nullptr;
    for (LayoutElement* c = e.LastChild(); c && c->GetKind() == LayoutElement::kReferenceBox; c = c->PrevSibling()) {
        first = c;
    }
    return first;
}

LayoutElement* NextReference(const LayoutElement* ref) {
    LayoutElement* next = ref->NextSibling();
    return next && next->GetKind() == LayoutElement::kReferenceBox ? next : nullptr;
}

LayoutElement* Referred(const LayoutElement* ref) { return static_cast<const ReferenceBox*>(ref)->Referred(); }

class Painter {
public:
    Painter(PaintDevice& device, const PaintRequest& request, int pass)
        : device_(device), request_(request), pass_(pass) {
        visibleLeft_ = request.viewX + request.clipX;
        visibleTop_ = request.viewY + request.clipY;
        visibleRight_ = visibleLeft_ + request.clipWidth;
        visibleBottom_ = static_cast<int64_t>(visibleTop_) + request.clipHeight;
        leaf_.request = &request;
        if (request.selection.startElement) {
            selection_ = request.selection;
            // A selection made backwards is painted from its first end.
            if (selection_.endElement && selection_.endElement != selection_.startElement &&
                selection_.endElement->IsBefore(selection_.startElement)) {
                std::swap(selection_.startElement, selection_.endElement);
                std::swap(selection_.startOffset, selection_.endOffset);
            }
            leaf_.selection = &selection_;
        }
    }

    ~Painter() {
        while (ListNode* n = stack_.Last()) PaintFrames().Give(static_cast<PaintFrame*>(n));
    }

    int Run(LayoutElement& root) {
        const LayoutElement* parent = root.Parent();
        baseX_ = request_.originX - (parent ? parent->AbsoluteX() : 0);
        baseY_ = request_.originY - (parent ? parent->AbsoluteY() : 0);
        const int32_t x = request_.originX + root.X(), y = request_.originY + root.Y();
        if (!Overlaps(x, y, root.Width(), ExtentHeight(root))) return answer_;
        Visit(root, x, y, false);
        while (!stopped_) {
            auto* f = static_cast<PaintFrame*>(stack_.Last());
            if (!f) break;
            LayoutElement* child = f->childrenDone ? nullptr : f->next;
            if (child && child->GetKind() == LayoutElement::kReferenceBox) {
                child = nullptr;
                f->childrenDone = true;
            }
            if (HonourReferences(*f, child)) continue;
            if (!child) {
                Leave();
                continue;
            }
            f->next = child->NextSibling();
            const int32_t cx = f->x + child->X(), cy = f->y + child->Y();
            if (!child->Has(LayoutElement::kOutOfFlow)) {
                const bool beyond =
                    f->element->Has(LayoutElement::kVerticalFlow) ? cy >= visibleBottom_ : cx >= visibleRight_;
                if (beyond) {
                    f->childrenDone = true;
                    continue;
                }
            }
            if (!Overlaps(cx, cy, child->Width(), ExtentHeight(*child)) &&
                !(f->pending && child->Contains(Referred(f->pending)))) {
                continue;
            }
            Visit(*child, cx, cy, false);
        }
        return answer_;
    }

private:
    bool Overlaps(int32_t x, int32_t y, int32_t w, int64_t h) const {
        return w > 0 && h > 0 && x < visibleRight_ && x + w > visibleLeft_ && y < visibleBottom_ &&
               y + h > visibleTop_;
    }

    // Pushes a frame for the element and enters it; a leaf is painted and
    // left at once.
    void Visit(LayoutElement& e, int32_t x, int32_t y, bool reference) {
        PaintFrame* f = PaintFrames().Take();
        if (!f) {
            stopped_ = true;
            return;
        }
        auto* parent = static_cast<PaintFrame*>(stack_.Last());
        f->element = &e;
        f->next = e.FirstChild();
        f->x = x;
        f->y = y;
        f->reference = reference;
        f->pending = FirstTrailingReference(e);
        if (!f->pending && parent && !parent->reference && !reference) {
            f->pending = parent->pending;
            f->inherited = true;
        }
        f->AppendTo(stack_);
        e.SetFlags(LayoutElement::kPainted, true);
        Decorate(*f);
        if (pass_ == 0) ApplyTextStyle(*f, parent);
        if (e.IsContainer()) return;
        if (pass_ == 0 && e.IsContentBox()) {
            leaf_.originX = x - e.X();
            leaf_.originY = y - e.Y();
            leaf_.link = f->link;
            answer_ = static_cast<ContentBox&>(e).Paint(device_, leaf_);
            if (answer_ == 1 && leaf_.selection) {
                leaf_.selection = nullptr;
                if (request_.stopAfterSelection) stopped_ = true;
            }
        }
        Leave();
    }

    void Leave() {
        auto* f = static_cast<PaintFrame*>(stack_.Last());
        if (!f) return;
        if (pass_ == 0) RestoreTextStyle(*f);
        if (f->backgroundSet) {
            if (f->savedDefaultBackground) {
                device_.UseDefaultBackground();
            } else {
                device_.SetBackgroundColor(f->savedBackground);
            }
        }
        f->Remove();
        if (auto* parent = static_cast<PaintFrame*>(stack_.Last())) {
            if (f->inherited) {
                parent->pending = f->pending;
            } else {
                // References to elements inside the element just left are done.
                while (parent->pending && f->element->Contains(Referred(parent->pending))) {
                    parent->pending = NextReference(parent->pending);
                }
            }
        }
        PaintFrames().Give(f);
    }

    // Visits a referred element that comes before the next child (or, once
    // the children are done, whose reference is a child of this element).
    bool HonourReferences(PaintFrame& f, LayoutElement* next) {
        while (LayoutElement* ref = f.pending) {
            LayoutElement* referred = Referred(ref);
            if (next && referred == next) {
                f.pending = NextReference(ref);
                return false;
            }
            const bool now = next ? referred->IsBefore(next) : ref->Parent() == f.element;
            if (!now) return false;
            f.pending = NextReference(ref);
            const int32_t x = baseX_ + referred->AbsoluteX(), y = baseY_ + referred->AbsoluteY();
            if (Overlaps(x, y, referred->Width(), ExtentHeight(*referred))) {
                Visit(*referred, x, y, true);
                return true;
            }
        }
        return false;
    }

    void FillClipped(int32_t x, int32_t y, int32_t w, int64_t h) {
        int64_t left = x > visibleLeft_ ? x : visibleLeft_;
        int64_t top = y > visibleTop_ ? y : visibleTop_;
        int64_t right = static_cast<int64_t>(x) + w < visibleRight_ ? static_cast<int64_t>(x) + w : visibleRight_;
        int64_t bottom = y + h < visibleBottom_ ? y + h : visibleBottom_;
        if (right <= left || bottom <= top) return;
        DeviceRect r;
        r.left = static_cast<int32_t>(left - request_.viewX);
        r.top = static_cast<int32_t>(top - request_.viewY);
        r.right = static_cast<int32_t>(right - 1 - request_.viewX);
        r.bottom = static_cast<int32_t>(bottom - 1 - request_.viewY);
        device_.FillBackground(r);
    }

    void Decorate(PaintFrame& f) {
        const LayoutElement& e = *f.element;
        const BoxStyle* style = e.Style();
        if (!style) return;
        int32_t x = f.x, y = f.y, w = e.Width();
        int64_t h = e.Height();
        if (const BoxMetrics* m = e.Metrics()) {
            x += m->margin[BoxMetrics::kLeft];
            y += m->margin[BoxMetrics::kTop];
            w -= m->margin[BoxMetrics::kLeft] + m->margin[BoxMetrics::kRight];
            h -= m->margin[BoxMetrics::kTop] + m->margin[BoxMetrics::kBottom];
        }
        const bool hasColor = style->backgroundColor != kUseTextColor;
        if (hasColor) {
            f.backgroundSet = true;
            f.savedDefaultBackground = device_.UsesDefaultBackground();
            f.savedBackground = device_.GetBackgroundColor();
            device_.SetBackgroundColor(style->backgroundColor);
        }
        if (w <= 0 || h <= 0) return;
        if (pass_ == 1) {
            int32_t iw = 0, ih = 0;
            if (style->backgroundImage > 0 && request_.images) {
                request_.images->ShowBoxBackground(const_cast<LayoutElement&>(e), f.x, f.y);
            }
            const bool image = style->backgroundImage > 0 && request_.images &&
                               request_.images->ImageSize(style->backgroundImage, iw, ih) && iw > 0 && ih > 0;
            if (image) {
                if ((style->backgroundRepeat & kRepeatMask) != kRepeatBoth && (hasColor || !e.Parent())) {
                    FillClipped(x, y, w, h);
                }
                BackgroundTiles tiles;
                const DeviceRect visible{visibleLeft_, visibleTop_, visibleRight_,
                                         static_cast<int32_t>(visibleBottom_ > INT32_MAX ? INT32_MAX : visibleBottom_)};
                if (ComputeBackgroundTiles(x, y, w, static_cast<int32_t>(h > INT32_MAX ? INT32_MAX : h), iw, ih,
                                           style->backgroundX, style->backgroundY, style->backgroundRepeat, visible,
                                           request_.viewX, request_.viewY, tiles)) {
                    request_.images->DrawTiles(device_, style->backgroundImage, tiles);
                }
            } else if (hasColor) {
                FillClipped(x, y, w, h);
            }
        }
        const BoxBorders& b = style->borders;
        const bool borders = b.side[0] || b.side[1] || b.side[2] || b.side[3];
        if (borders && (e.Has(LayoutElement::kVerticalFlow) ? pass_ == 1 : pass_ == 0)) {
            DrawBorders(b, x - request_.viewX, y - request_.viewY, w, static_cast<int32_t>(h > INT32_MAX ? INT32_MAX : h));
        }
    }

    // Each side lies inside the box, in the room the layout kept for it.
    void DrawBorders(const BoxBorders& b, int32_t x, int32_t y, int32_t w, int32_t h) {
        const int32_t top = b.Width(BoxBorders::kTop), left = b.Width(BoxBorders::kLeft);
        const int32_t right = b.Width(BoxBorders::kRight), bottom = b.Width(BoxBorders::kBottom);
        device_.DrawBorderSide(x, y + top - 1, w, top, b.Style(BoxBorders::kTop), b.color[BoxBorders::kTop], true, 0,
                               0, 0);
        device_.DrawBorderSide(x + left - 1, y, h, left, b.Style(BoxBorders::kLeft), b.color[BoxBorders::kLeft], false,
                               0, 0, 0);
        device_.DrawBorderSide(x + w - right, y, h, right, b.Style(BoxBorders::kRight), b.color[BoxBorders::kRight],
                               false, 1, 0, 0);
        device_.DrawBorderSide(x, y + h - bottom, w, bottom, b.Style(BoxBorders::kBottom),
                               b.color[BoxBorders::kBottom], true, 1, 0, 0);
    }

    void ApplyTextStyle(PaintFrame& f, const PaintFrame* parent) {
        const LayoutElement& e = *f.element;
        const BoxStyle* style = e.Style();
        const uint16_t flags = e.Flags();
        HtmlElement* anchor = e.Element() ? EnclosingLink(e.Element()) : nullptr;
        f.link = anchor != nullptr;
        const bool visited = anchor && request_.linkVisited && request_.linkVisited(anchor, request_.linkContext);
        const FontStyle& linkFont = g_fontTable ? g_fontTable->ForElement(kLinkFontCode) : FontTable::DefaultStyle();

        device_.GetLogFont(f.savedFont);
        bool font = false;
        if (style && style->font) device_.SetLogFont(*style->font), font = true;
        int32_t height = style ? style->fontHeight : 0;
        if (flags & LayoutElement::kSmallText) height = (height > 0 ? height : device_.GetFontHeight()) * 8 / 10;
        if (height > 0) device_.SetFontHeight(height), font = true;
        if (style && style->faceId >= 0) device_.SetFaceById(static_cast<uint16_t>(style->faceId)), font = true;
        if (style && style->weight > 0 && style->weight != device_.GetWeight()) device_.SetWeight(style->weight), font = true;
        const int italic = style ? style->italic : -1;
        if (italic == 1 && !device_.IsItalic()) device_.ItalicOn(), font = true;
        if ((italic == 0 || italic == 2) && device_.IsItalic()) device_.ItalicOff(), font = true;
        const uint8_t own = style ? style->decorations : 0;
        bool underline = (own & 1) || (flags & kUnderlineFlag);
        bool strike = (own & 2) || (flags & kStrikeOutFlag);
        if (f.link) {
            const bool linkUnderline = visited ? request_.visitedUnderline : linkFont.Underline() != 0;
            const bool linkStrike = visited ? request_.visitedStrikeOut : linkFont.StrikeOut() != 0;
            const bool complete = style && style->font;
            if (linkUnderline && (complete || !device_.IsUnderline())) underline = true;
            if (linkStrike && (complete || !device_.IsStrikeOut())) strike = true;
        }
        if (underline) device_.SetUnderline(), font = true;
        if (strike) device_.StrikeOutOn(), font = true;
        if ((own & 4) || (flags & kOverlineFlag)) device_.SetOverline(), font = true;
        f.fontChanged = font;
        if (style && style->letterSpacing != 32767) {
            f.extraSet = true;
            f.savedExtra = device_.SetTextCharacterExtra(style->letterSpacing);
        }
        if (style && style->wordSpacing != FLT_MAX) {
            f.spacingSet = true;
            f.savedSpacing = device_.WordSpacing();
            device_.SetWordSpacing(style->wordSpacing);
        }
        DeviceColor color = style ? style->textColor : kUseTextColor;
        if (color == kUseTextColor) {
            if (f.link) {
                color = visited ? request_.visitedColor : request_.linkColor;
            } else if (!parent) {
                // Elements below take their ancestors' colour from the device.
                color = request_.inheritedColor;
                if (color == kUseTextColor && FontTable::DefaultStyle().Color() != -1) {
                    color = static_cast<DeviceColor>(FontTable::DefaultStyle().Color());
                }
            }
        }
        if (color != kUseTextColor && color != device_.GetTextColor()) {
            f.colorSet = true;
            f.savedColor = device_.GetTextColor();
            device_.SetTextColor(color);
        }
    }

    void RestoreTextStyle(PaintFrame& f) {
        if (f.fontChanged || request_.restoreFontAlways) device_.SetLogFont(f.savedFont);
        if (f.colorSet) device_.SetTextColor(f.savedColor);
        if (f.extraSet) device_.SetTextCharacterExtra(f.savedExtra);
        if (f.spacingSet) device_.SetWordSpacing(f.savedSpacing);
    }

    PaintDevice& device_;
    const PaintRequest& request_;
    const int pass_;
    int32_t visibleLeft_, visibleTop_, visibleRight_;
    int64_t visibleBottom_;
    int32_t baseX_ = 0, baseY_ = 0;
    NodeList stack_;
    PaintSelection selection_;
    LeafPaint leaf_;
    int answer_ = 1;
    bool stopped_ = false;
};

}  // namespace

HtmlElement* EnclosingLink(HtmlElement* element) {
    HtmlElement* anchor = EnclosingAnchor(element);
    if (!anchor) return nullptr;
    const AnchorRecord* record = anchor->RecordAs<AnchorRecord>();
    const UrlHandle* href = record ? record->href.get() : nullptr;
    return href && !href->IsEmpty() ? anchor : nullptr;
}

int64_t ExtentHeight(const LayoutElement& e) {
    int64_t height = e.Height();
    // A float takes its place only once finished: until then it is not
    // shown. Another box still being filled has its size only once
    // finished: until then it reaches as far down as what it holds so far.
    // Stacked children end with the lowest; side by side ones are each
    // looked at.
    if (e.Has(LayoutElement::kFinished) || !e.IsContainer() || e.Has(LayoutElement::kOutOfFlow))
        return height;
    const bool vertical = e.Has(LayoutElement::kVerticalFlow);
    for (const LayoutElement* c = e.LastChild(); c; c = c->PrevSibling()) {
        if (c->GetKind() == LayoutElement::kReferenceBox || c->Has(LayoutElement::kOutOfFlow)) continue;
        const int64_t bottom = c->Y() + ExtentHeight(*c);
        if (bottom > height) height = bottom;
        if (vertical) break;
    }
    return height;
}

int LayoutElement::PaintTree(PaintDevice& device, const PaintRequest& request) {
    if (request.pass == 0) {
        if (!device.IsNotScreen() || request.printBackground) {
            PaintRequest background = request;
            background.pass = 1;
            Painter(device, background, 1).Run(*this);
        }
        device.SetTextCharacterExtra(0);
        device.SetWordSpacing(0.0f);
    }
    return Painter(device, request, request.pass).Run(*this);
}

int ContentBox::Paint(PaintDevice&, LeafPaint& leaf) { return leaf.selection ? 0 : 1; }

bool ComputeBackgroundTiles(int32_t boxX, int32_t boxY, int32_t boxW, int32_t boxH, int32_t imageW, int32_t imageH,
                            int32_t positionX, int32_t positionY, uint16_t repeat, const DeviceRect& visible,
                            int32_t viewX, int32_t viewY, BackgroundTiles& out) {
    if (boxW <= 0 || boxH <= 0 || imageW <= 0 || imageH <= 0) return false;
    int64_t ox = positionX, oy = positionY;
    if (repeat & kRepeatXPercent) ox = static_cast<int64_t>(boxW) * positionX / 100 - static_cast<int64_t>(imageW) * positionX / 100;
    if (repeat & kRepeatYPercent) oy = static_cast<int64_t>(boxH) * positionY / 100 - static_cast<int64_t>(imageH) * positionY / 100;
    const int mode = repeat & kRepeatMask;
    const bool acrossX = mode == kRepeatBoth || mode == kRepeatHorizontal;
    const bool acrossY = mode == kRepeatBoth || mode == kRepeatVertical;
    const int64_t tileX = boxX + ox, tileY = boxY + oy;
    // The tiles stay inside the box.
    int64_t left = acrossX ? boxX : tileX, right = acrossX ? static_cast<int64_t>(boxX) + boxW : tileX + imageW;
    int64_t top = acrossY ? boxY : tileY, bottom = acrossY ? static_cast<int64_t>(boxY) + boxH : tileY + imageH;
    if (left < boxX) left = boxX;
    if (top < boxY) top = boxY;
    if (right > static_cast<int64_t>(boxX) + boxW) right = static_cast<int64_t>(boxX) + boxW;
    if (bottom > static_cast<int64_t>(boxY) + boxH) bottom = static_cast<int64_t>(boxY) + boxH;
    if (left < visible.left) left = visible.left;
    if (top < visible.top) top = visible.top;
    if (right > visible.right) right = visible.right;
    if (bottom > visible.bottom) bottom = visible.bottom;
    if (right <= left || bottom <= top) return false;
    out.originX = static_cast<int32_t>(tileX - viewX);
    out.originY = static_cast<int32_t>(tileY - viewY);
    out.area.left = static_cast<int32_t>(left - viewX);
    out.area.top = static_cast<int32_t>(top - viewY);
    out.area.right = static_cast<int32_t>(right - viewX);
    out.area.bottom = static_cast<int32_t>(bottom - viewY);
    out.tileWidth = imageW;
    out.tileHeight = imageH;
    return true;
}
