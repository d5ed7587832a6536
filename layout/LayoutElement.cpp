#include "layout/LayoutElement.h"

#include <cctype>
#include <cstring>

#include "core/RecordSlabs.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/FormControl.h"
#include "layout/RepaintRegion.h"

namespace {
// Under AddressSanitizer boxes come from the heap, where it sees every
// read past a box and every use of a freed one.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kBoxesOnHeap = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kBoxesOnHeap = true;
#else
constexpr bool kBoxesOnHeap = false;
#endif
#else
constexpr bool kBoxesOnHeap = false;
#endif

RecordSlabs& BoxSlabs() {
    // Never destroyed: a layout that a static owner frees at exit still
    // gives its boxes back to it.
    static RecordSlabs* slabs = new RecordSlabs;
    return *slabs;
}
}  // namespace

void* LayoutElement::operator new(size_t size) {
    static_assert(alignof(BlockBox) <= RecordSlabs::kGrain && alignof(TextFragment) <= RecordSlabs::kGrain,
                  "boxes fit the slabs' alignment");
    return kBoxesOnHeap ? ::operator new(size) : BoxSlabs().Allocate(size);
}

void LayoutElement::operator delete(void* box, size_t size) {
    if (kBoxesOnHeap) {
        ::operator delete(box);
    } else {
        BoxSlabs().Free(box, size);
    }
}

RecycledRecords<BoxMetrics>& BoxMetricsRecords() {
    static RecycledRecords<BoxMetrics> records(0);
    return records;
}

void BoxMetrics::CopyFrom(const BoxMetricsValues& other) {
    for (int i = 0; i < 4; ++i) {
        margin[i] = other.margin[i];
        padding[i] = other.padding[i];
    }
    valignCode = other.valignCode;
    valignValue = other.valignValue;
}

int32_t CombineMargins(int32_t a, int32_t b) {
    if (a >= 0 && b >= 0) return a > b ? a : b;
    if (a < 0 && b < 0) return a < b ? a : b;
    return a + b;
}

int16_t Clamp16(int32_t v) { return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

uint16_t ClampRequestedHeight(int64_t h) { return static_cast<uint16_t>(h < 0 ? 0 : (h > 32767 ? 32767 : h)); }

uint16_t ClampSetHeight(int64_t h) { return static_cast<uint16_t>(h < 0 ? 0 : (h > 65535 ? 65535 : h)); }

// ---------------------------------------------------------------------------

LayoutElement::LayoutElement(bool vertical, const LayoutRequest* request) {
    if (vertical) flags_ |= kVerticalFlow;
    if (request) {
        width_ = Clamp16(request->width);
        if (request->widthGiven) flags_ |= kWidthGiven;
        if (request->heightGiven) flags_ |= kHeightGiven;
    }
}

LayoutElement::~LayoutElement() {
    if (metrics_) BoxMetricsRecords().Give(metrics_);
}

void LayoutElement::TakeMetrics(const BoxMetricsValues* metrics, const LayoutRequest* request) {
    metrics_ = BoxMetricsRecords().Take();
    if (!metrics_) return;
    if (metrics) metrics_->CopyFrom(*metrics);
    if (request) {
        metrics_->layoutValue1 = request->value1;
        metrics_->layoutValue2 = request->value2;
    }
}

void LayoutElement::Place(LayoutElement* parent) {
    if (!parent) return;
    AttachTo(*parent);
    PlaceAfterPrevious();
}

void LayoutElement::AttachTo(LayoutElement& container) {
    LayoutElement* last = container.LastChild();
    while (last && last->GetKind() == kReferenceBox) last = last->PrevSibling();
    if (last) {
        InsertAfterSibling(*last);
    } else if (LayoutElement* first = container.FirstChild()) {
        InsertBeforeSibling(*first);
    } else {
        AppendToParent(container);
    }
}

void LayoutElement::SetLayoutValues(int16_t a, int16_t b) {
    if (!metrics_) return;
    metrics_->layoutValue1 = a;
    metrics_->layoutValue2 = b;
}

void LayoutElement::VerticalAlign(int& code, int& value) const {
    code = metrics_ ? metrics_->valignCode : 80;
    value = metrics_ ? metrics_->valignValue : 0;
}

void LayoutElement::CopyMetricsFrom(const BoxMetricsValues& other) {
    if (metrics_) metrics_->CopyFrom(other);
}

void LayoutElement::SetLineMetrics(int16_t ascent, int16_t descent) {
    if (!metrics_) return;
    metrics_->lineAscent = ascent;
    metrics_->lineDescent = descent;
}

// --- edges ------------------------------------------------------------------------

int32_t LayoutElement::TopEdge() const {
    return Margin(BoxMetrics::kTop) + Padding(BoxMetrics::kTop) + BorderWidth(BoxBorders::kTop);
}
int32_t LayoutElement::LeftEdge() const {
    return Margin(BoxMetrics::kLeft) + Padding(BoxMetrics::kLeft) + BorderWidth(BoxBorders::kLeft);
}
int32_t LayoutElement::RightEdge() const {
    return Margin(BoxMetrics::kRight) + Padding(BoxMetrics::kRight) + BorderWidth(BoxBorders::kRight);
}
int32_t LayoutElement::BottomEdge() const {
    return Margin(BoxMetrics::kBottom) + Padding(BoxMetrics::kBottom) + BorderWidth(BoxBorders::kBottom);
}
int32_t LayoutElement::TopBarrier() const { return Padding(BoxMetrics::kTop) + BorderWidth(BoxBorders::kTop); }
int32_t LayoutElement::BottomBarrier() const {
    return Padding(BoxMetrics::kBottom) + BorderWidth(BoxBorders::kBottom);
}
int32_t LayoutElement::HorizontalExtra() const { return LeftEdge() + RightEdge(); }

// --- placement --------------------------------------------------------------------

LayoutElement* LayoutElement::PreviousInFlow() const {
    LayoutElement* prev = PrevSibling();
    while (prev && prev->Has(kOutOfFlow)) prev = prev->PrevSibling();
    return prev;
}

void LayoutElement::PlaceAfterPrevious() {
    LayoutElement* parent = Parent();
    if (!parent) return;
    x_ = 0;
    y_ = 0;
    LayoutElement* prev = PreviousInFlow();
    const bool vertical = parent->Has(kVerticalFlow);
    const bool isLine = GetKind() == kLineBox;
    if (vertical) {
        if (prev) {
            y_ = prev->Y() + static_cast<int32_t>(prev->Height());
            if (isLine) {
                MarginPair pair;
                y_ += prev->CollapseBottomMargin(pair);
            }
        } else if (isLine) {
            MarginPair pair;
            parent->CollapseTopMargin(pair, false);
        }
        if (!isLine && !Has(kOutOfFlow) && Margin(BoxMetrics::kTop) != 0) {
            MarginPair pair;
            CollapseTopMargin(pair, false);
        }
    } else if (prev) {
        x_ = Clamp16(prev->X() + prev->Width());
    }
    const bool afterInColumn = prev && vertical;
    if (!afterInColumn) y_ += parent->BorderWidth(BoxBorders::kTop);
    if (!prev || vertical) x_ = Clamp16(x_ + parent->BorderWidth(BoxBorders::kLeft));
    if (!afterInColumn) y_ += parent->Margin(BoxMetrics::kTop) + parent->Padding(BoxMetrics::kTop);
    if (!prev || vertical) x_ = Clamp16(x_ + parent->Margin(BoxMetrics::kLeft) + parent->Padding(BoxMetrics::kLeft));
}

int32_t LayoutElement::CollapseTopMargin(MarginPair& pair, bool fromChild) {
    LayoutElement* parent = Parent();
    // Answered to a child: its y, below this element's border and padding.
    const int32_t barrier = fromChild ? TopBarrier() : 0;
    if (!parent || !parent->Has(kVerticalFlow)) return pair.Combined() + barrier;
    if (metrics_ && (metrics_->flags & BoxMetrics::kTopCollapsed)) {
        return TopBarrier() != 0 ? pair.Combined() + TopBarrier() : 0;
    }
    const int32_t margin = Margin(BoxMetrics::kTop);
    if (Has(kOutOfFlow)) {
        if (margin > pair.positive) pair.positive = margin;
        return pair.Combined() + TopBarrier();
    }
    // A child's margin stays inside a box with padding or a border on top.
    if (barrier != 0) return pair.Combined() + barrier;
    pair.Join(margin);
    if (metrics_) metrics_->flags |= BoxMetrics::kTopCollapsed;
    int32_t answer;
    if (LayoutElement* prev = PreviousInFlow()) {
        // The sibling's height loses its bottom margin while it collapses.
        const int32_t collapsed = prev->CollapseBottomMargin(pair);
        SetY(prev->Y() + static_cast<int32_t>(prev->Height()) + collapsed);
        answer = 0;
    } else {
        SetY(parent->CollapseTopMargin(pair, true));
        answer = TopBarrier();
    }
    if (metrics_) {
        metrics_->margin[BoxMetrics::kTop] = 0;
        if (Height() != 0) SetHeight(static_cast<int64_t>(Height()) - margin);
    }
    return answer;
}

int32_t LayoutElement::CollapseBottomMargin(MarginPair& pair) { return CollapseBottom(pair, this); }

int32_t LayoutElement::CollapseBottom(MarginPair& pair, LayoutElement* start) {
    if (metrics_ && (metrics_->flags & BoxMetrics::kBottomCollapsed)) return pair.Combined() + BottomBarrier();
    if (!metrics_) {
        if (GetKind() == kLineBox) return pair.Combined();
        return pair.Combined();
    }
    const int32_t margin = metrics_->margin[BoxMetrics::kBottom];
    pair.Join(margin);
    metrics_->flags |= BoxMetrics::kBottomCollapsed;
    LayoutElement* last = LastChild();
    while (last && last->GetKind() == kReferenceBox) last = last->PrevSibling();
    if (last) {
        if (BottomBarrier() == 0) {
            last->CollapseBottom(pair, start);
        } else {
            MarginPair own;
            last->CollapseBottom(own, last);
        }
    }
    if (margin != 0) {
        TakeOutBottomMargin(margin, start);
        metrics_->margin[BoxMetrics::kBottom] = 0;
    }
    return pair.Combined();
}

void LayoutElement::TakeOutBottomMargin(int32_t margin, LayoutElement* start) {
    // The element loses the margin, then so do its ancestors up to the one
    // whose following sibling can move up by it instead.
    SetHeight(static_cast<int64_t>(Height()) - margin);
    for (LayoutElement* e = this; e != start && !e->Has(kOutOfFlow);) {
        LayoutElement* next = e->NextSibling();
        while (next && next->Has(kOutOfFlow)) next = next->NextSibling();
        if (next) {
            next->SetY(next->Y() - margin);
            return;
        }
        e = e->Parent();
        if (!e) return;
        e->SetHeight(static_cast<int64_t>(e->Height()) - margin);
    }
}

void LayoutElement::CompleteLayout(bool finishChildren) {
    const int32_t right = RightEdge(), bottom = BottomEdge();
    const bool vertical = Has(kVerticalFlow);
    if (!Has(kWidthGiven)) {
        if (vertical) {
            int32_t widest = Width();
            for (LayoutElement* c = FirstChild(); c && c->GetKind() != kReferenceBox; c = c->NextSibling()) {
                if (c->Has(kNotInWidth)) continue;
                int32_t w = c->X() + c->Width() + right;
                if (w > widest) widest = w;
            }
            SetWidth(widest);
        } else {
            LayoutElement* last = LastChild();
            while (last && last->GetKind() == kReferenceBox) last = last->PrevSibling();
            if (last) {
                int32_t w = last->X() + last->Width() + right;
                if (finishChildren || w > Width()) SetWidth(w);
            }
        }
    }
    if (Has(kHeightGiven)) return;
    if (vertical) {
        LayoutElement* last = LastChild();
        while (last && (last->GetKind() == kReferenceBox || last->Has(kOutOfFlow))) last = last->PrevSibling();
        if (!last) return;
        if (finishChildren) {
            last->Finish();
        } else {
            last->CompleteLayout(false);
        }
        int64_t h = static_cast<int64_t>(last->Y()) + last->Height() + bottom;
        if (h > static_cast<int64_t>(Height())) SetHeight(h);
    } else {
        int32_t baseline = AlignLine(TopEdge(), bottom);
        SetLayoutValues(0, Clamp16(baseline));
    }
}

void LayoutElement::SettleLastDescendants() {
    for (LayoutElement* e = LastChild(); e;) {
        while (e && e->GetKind() == kReferenceBox) e = e->PrevSibling();
        if (!e) break;
        MarginPair pair;
        e->CollapseBottomMargin(pair);
        e->ApplyMargins();
        e = e->LastChild();
    }
}

void LayoutElement::Finish() {
    if (Has(kFinished)) return;
    if (!Has(kOutOfFlow)) {
        LayoutElement* prev = PreviousInFlow();
        if (prev && prev->Has(kFinished)) prev->SettleLastDescendants();
    }
    flags_ |= kFinished;
    CompleteLayout(true);
    for (LayoutElement* c = FirstChild(); c && c->GetKind() != kReferenceBox; c = c->NextSibling()) {
        if (!c->Has(kOutOfFlow)) c->ApplyMargins();
    }
    if (!Parent()) {
        MarginPair pair;
        int32_t collapsed = CollapseBottomMargin(pair);
        SetHeight(static_cast<int64_t>(Height()) + BottomBarrier() + collapsed);
        SettleLastDescendants();
    }
}

void LayoutElement::ApplyMargins() {
    if (!metrics_) return;
    const int32_t top = metrics_->margin[BoxMetrics::kTop], left = metrics_->margin[BoxMetrics::kLeft];
    const int32_t right = metrics_->margin[BoxMetrics::kRight], bottom = metrics_->margin[BoxMetrics::kBottom];
    if (top || left || right || bottom) {
        SetX(X() + left);
        SetY(Y() + top);
        SetWidth(Width() - left - right);
        SetHeight(static_cast<int64_t>(Height()) - top - bottom);
        for (LayoutElement* c = FirstChild(); c; c = c->NextSibling()) {
            if (c->GetKind() == kReferenceBox) continue;
            c->SetX(c->X() - left);
            c->SetY(c->Y() - top);
        }
        for (LayoutElement* c = FirstChild(); c; c = c->NextSibling()) {
            if (c->GetKind() == kReferenceBox) continue;
            if (c->X() < 0 || c->Y() < 0 || c->X() + c->Width() > Width() ||
                c->Y() + static_cast<int64_t>(c->Height()) > Height()) {
                c->PlaceReference();
            }
        }
    }
    // From now on only the style link is kept.
    BoxMetricsRecords().Give(metrics_);
    metrics_ = nullptr;
}

int32_t LayoutElement::AbsoluteX() const {
    int32_t x = 0;
    for (const LayoutElement* e = this; e; e = e->Parent()) x += e->X();
    return x;
}

int32_t LayoutElement::AbsoluteY() const {
    int32_t y = 0;
    for (const LayoutElement* e = this; e; e = e->Parent()) y += e->Y();
    return y;
}

void LayoutElement::RecordChange(int32_t oldX, int32_t oldY, int32_t oldW, int32_t oldH, int32_t x, int32_t y,
                                 int32_t w, int32_t h) {
    RepaintRegion* region = RepaintRegion::Current();
    LayoutElement* parent = Parent();
    if (!region || !parent || !parent->Has(kPainted)) return;
    flags_ &= ~kPainted;
    const int32_t px = parent->AbsoluteX(), py = parent->AbsoluteY();
    const int32_t left = oldX < x ? oldX : x, top = oldY < y ? oldY : y;
    const int32_t right = (oldX + oldW > x + w) ? oldX + oldW : x + w;
    const int32_t bottom = (oldY + oldH > y + h) ? oldY + oldH : y + h;
    region->Add(px + left, py + top, right - left, bottom - top);
}

void LayoutElement::SetX(int32_t x) {
    const int16_t v = Clamp16(x);
    if (v != x_) RecordChange(x_, y_, width_, static_cast<int32_t>(Height()), v, y_, width_, Height());
    x_ = v;
}

void LayoutElement::SetY(int32_t y) {
    if (y != y_) RecordChange(x_, y_, width_, static_cast<int32_t>(Height()), x_, y, width_, Height());
    y_ = y;
}

void LayoutElement::SetWidth(int32_t w) {
    const int16_t v = Clamp16(w);
    if (v != width_) {
        // The strip between the old and the new right edge.
        RecordChange(x_, y_, width_, static_cast<int32_t>(Height()), x_, y_, v, Height());
    }
    width_ = v;
}

// --- line alignment ------------------------------------------------------------------

int32_t LayoutElement::AlignLine(int32_t top, int32_t extraBelow) {
    const BoxMetrics* reference = metrics_ ? metrics_ : (Parent() ? Parent()->Metrics() : nullptr);
    const int32_t r1 = reference ? reference->lineAscent : 0;
    const int32_t r2 = reference ? reference->lineDescent : 0;
    const bool inLine = GetKind() == kLineBox;
    int32_t baseline = top;
    // Each restart moves the baseline down or makes the line taller, both
    // bounded, so the loop ends.
    for (int round = 0; round < 1000; ++round) {
        bool restart = false;
        const int32_t lineHeight = static_cast<int32_t>(Height());
        for (LayoutElement* c = FirstChild(); c && c->GetKind() != kReferenceBox; c = c->NextSibling()) {
            if (c->Has(kOutOfFlow)) continue;
            int code, value;
            c->VerticalAlign(code, value);
            const int32_t above = c->LayoutValue2();
            int32_t t = 0, b = 0;
            if (inLine && c->GetKind() != kImageBox && c->Metrics()) {
                t = c->TopEdge();
                b = c->BottomEdge();
            }
            const int32_t h = static_cast<int32_t>(c->Height());
            int32_t y;
            switch (code) {
                case 0: y = baseline - value - above; break;
                case 69: y = lineHeight - t - b - h; break;
                case 80: y = baseline - above; break;
                case 81: y = baseline - h / 2 - t - b; break;
                case 82: y = baseline - r1 - t - h / 2; break;
                case 83: y = baseline - r1 - t; break;
                case 84: y = baseline - (h - t - b) / 2; break;
                case 85: y = baseline + r2 - t - b - h; break;
                default: y = top - t; break;
            }
            if (y + t < top) {
                baseline += top - (y + t);
                restart = true;
                break;
            }
            c->SetY(y);
            if (!c->Has(kNotInWidth) && y + h + extraBelow - b > static_cast<int32_t>(Height())) {
                SetHeight(y + h + extraBelow - b);
                restart = true;
                break;
            }
        }
        if (!restart) break;
    }
    return baseline;
}

// --- references -------------------------------------------------------------------------

void LayoutElement::PlaceReference() {
    int32_t x = X(), y = Y();
    LayoutElement* holder = Parent();
    if (!holder) return;
    for (LayoutElement* a = holder; a; a = a->Parent()) {
        if (!a->Has(kFinished) && a->Height() == 0) a->CompleteLayout(false);
        const HtmlElement* element = a->Element();
        const bool cell = element && (element->Type() == kTagTd || element->Type() == kTagTh);
        holder = a;
        if (cell || (x >= 0 && y >= 0 && x + Width() <= a->Width() &&
                     y + static_cast<int64_t>(Height()) <= a->Height())) {
            break;
        }
        if (!a->Parent()) break;
        x += a->X();
        y += a->Y();
    }
    if (holder == Parent()) return;
    new ReferenceBox(holder, this);
}

// --- queries -------------------------------------------------------------------------------

bool LayoutElement::EndsWithSpace() const {
    if (!IsContainer()) return false;
    for (LayoutElement* leaf = const_cast<LayoutElement*>(this)->LastLeaf(); leaf;) {
        if (leaf->GetKind() == kFormControlBox && leaf->Element() && leaf->Element()->GetFormFieldType() == 6) {
            leaf = static_cast<LayoutElement*>(leaf->PrevLeaf());
            continue;
        }
        return leaf != this && leaf->EndsWithSpace();
    }
    return false;
}

LayoutElement* LayoutElement::FirstLeaf(bool markers) {
    if (!FirstChild()) {
        if (GetKind() == kListMarkerBox && !markers) return nullptr;
        return this;
    }
    for (LayoutElement* c = FirstChild(); c; c = c->NextSibling()) {
        if (LayoutElement* leaf = c->FirstLeaf(markers)) return leaf;
    }
    return nullptr;
}

LayoutElement* LayoutElement::LastLeaf() {
    if (!LastChild()) return this;
    for (LayoutElement* c = LastChild(); c; c = c->PrevSibling()) {
        if (c->GetKind() == kReferenceBox) continue;
        if (LayoutElement* leaf = c->LastLeaf()) return leaf;
    }
    return nullptr;
}

LayoutElement* LayoutElement::LastTextFragment() {
    for (LayoutElement* c = LastChild(); c; c = c->PrevSibling()) {
        if (LayoutElement* t = c->LastTextFragment()) return t;
    }
    return nullptr;
}

LayoutElement* LayoutElement::FirstTextFragment() {
    for (LayoutElement* c = FirstChild(); c; c = c->NextSibling()) {
        if (LayoutElement* t = c->FirstTextFragment()) return t;
    }
    return nullptr;
}

bool LayoutElement::StartsLine() const { return false; }

bool ContentBox::StartsLine() const {
    const LayoutElement* parent = Parent();
    if (!parent) return false;
    if (parent->GetKind() == kLineBox) return parent->FirstChild() == this;
    if (parent->IsContainer()) return true;
    return parent->StartsLine();
}

LayoutElement* LayoutElement::CharacterAt(PaintDevice& device, int32_t x, int32_t y, bool search, int& index,
                                          int32_t& offset) {
    if (IsContainer()) {
        const int32_t cx = x - X(), cy = y - Y();
        // Elements that references stand for are searched first.
        for (LayoutElement* c = LastChild(); c && c->GetKind() == kReferenceBox; c = c->PrevSibling()) {
            if (LayoutElement* hit = c->CharacterAt(device, cx, cy, search, index, offset)) return hit;
        }
        for (LayoutElement* c = FirstChild(); c && c->GetKind() != kReferenceBox; c = c->NextSibling()) {
            if (cx >= c->X() && cx < c->X() + c->Width() && cy >= c->Y() &&
                cy < c->Y() + static_cast<int64_t>(c->Height())) {
                if (LayoutElement* hit = c->CharacterAt(device, cx, cy, search, index, offset)) return hit;
            }
        }
        return nullptr;
    }
    if (GetKind() == kReferenceBox) return nullptr;
    index = 0;
    offset = 0;
    return this;
}

LayoutElement* LayoutElement::ElementAt(int32_t x, int32_t y) {
    if (x < X() || x >= X() + Width() || y < Y() || y >= Y() + static_cast<int64_t>(Height())) {
        if (!IsContainer()) return nullptr;
    }
    if (!IsContainer()) return this;
    const int32_t cx = x - X(), cy = y - Y();
    for (LayoutElement* c = LastChild(); c; c = c->PrevSibling()) {
        if (LayoutElement* hit = c->ElementAt(cx, cy)) return hit;
    }
    if (x < X() || x >= X() + Width() || y < Y() || y >= Y() + static_cast<int64_t>(Height())) return nullptr;
    return this;
}

LayoutElement* LayoutElement::FindFor(const HtmlElement* element, int& count) {
    if (Element() == element && element) return this;
    for (LayoutElement* c = FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() == kReferenceBox) continue;
        if (LayoutElement* found = c->FindFor(element, count)) return found;
    }
    return nullptr;
}

LayoutElement* LayoutElement::FindInRect(int32_t x, int32_t y, int32_t w, int32_t h, bool backwards) {
    if (!FirstChild()) return this;
    for (LayoutElement* c = backwards ? LastChild() : FirstChild(); c;
         c = backwards ? c->PrevSibling() : c->NextSibling()) {
        if (c->GetKind() == kReferenceBox) continue;
        if (c->X() >= x + w || c->X() + c->Width() <= x || c->Y() >= y + h ||
            c->Y() + static_cast<int64_t>(c->Height()) <= y) {
            continue;
        }
        if (LayoutElement* leaf = c->FindInRect(x - c->X(), y - c->Y(), w, h, backwards)) return leaf;
    }
    return nullptr;
}

void LayoutElement::ChildWidthChanged(LayoutElement* child, int32_t newWidth) {
    if (!IsContainer() || Has(kVerticalFlow) || !child) return;
    const int32_t diff = newWidth - child->Width();
    child->SetWidth(newWidth);
    for (LayoutElement* c = child->NextSibling(); c; c = c->NextSibling()) c->SetX(c->X() + diff);
    if (LayoutElement* parent = Parent()) parent->ChildWidthChanged(this, Width() + diff);
}

int LayoutElement::WordGaps() const {
    int gaps = 0;
    for (LayoutElement* c = FirstChild(); c && c->GetKind() != kReferenceBox; c = c->NextSibling()) {
        gaps += c->WordGaps();
    }
    return gaps;
}

void LayoutElement::SetWordSpacing(float spacing) {
    int before = 0;
    for (LayoutElement* c = FirstChild(); c && c->GetKind() != kReferenceBox; c = c->NextSibling()) {
        const int own = c->WordGaps();
        c->SetX(c->X() + static_cast<int32_t>(spacing * before));
        c->SetWordSpacing(spacing);
        c->SetWidth(c->Width() + static_cast<int32_t>(spacing * own));
        before += own;
    }
}

// --- concrete boxes ------------------------------------------------------------------------

BlockBox::BlockBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element,
                   bool vertical)
    : LayoutElement(vertical, request), height_(request ? request->height : 0), element_(element) {
    TakeMetrics(metrics, request);
    Place(parent);
}

void BlockBox::SetHeight(int64_t height) {
    const int32_t v = static_cast<int32_t>(height < 0 ? 0 : (height > 0x7FFFFFFF ? 0x7FFFFFFF : height));
    if (v != height_) RecordChange(X(), Y(), Width(), height_, X(), Y(), Width(), v);
    height_ = v;
}

LineBox::LineBox(LayoutElement* parent, const LayoutRequest* request)
    : LayoutElement(false, request), height_(ClampRequestedHeight(request ? request->height : 0)) {
    Place(parent);
}

void LineBox::SetHeight(int64_t height) {
    const uint16_t v = ClampSetHeight(height);
    if (v != height_) RecordChange(X(), Y(), Width(), height_, X(), Y(), Width(), v);
    height_ = v;
}

ContentBox::ContentBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics,
                       HtmlElement* element)
    : LayoutElement(false, request), height_(ClampRequestedHeight(request ? request->height : 0)), element_(element) {
    TakeMetrics(metrics, request);
}

void ContentBox::SetHeight(int64_t height) {
    const uint16_t v = ClampSetHeight(height);
    if (v != height_) RecordChange(X(), Y(), Width(), height_, X(), Y(), Width(), v);
    height_ = v;
}

ImageBox::ImageBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element,
                   int32_t imageNumber, int border, bool awaited)
    : ContentBox(parent, request, metrics, element),
      imageNumber_(imageNumber),
      border_(static_cast<uint8_t>(border < 0 ? 0 : (border > 255 ? 255 : border))) {
    if (awaited) SetFlags(kClassFlag, true);
    Place(parent);
}

FormControlBox::FormControlBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics,
                               HtmlElement* element, FormControl* control)
    : ContentBox(parent, request, metrics, element), control_(control) {
    if (metrics_ && element && element->GetFormFieldType() == 6) metrics_->valignCode = 68;
    Place(parent);
}

FormControlBox::~FormControlBox() = default;

EmbedBox::EmbedBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element)
    : ContentBox(parent, request, metrics, element) {
    Place(parent);
}

RuleBox::RuleBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics, HtmlElement* element)
    : ContentBox(parent, request, metrics, element) {
    Place(parent);
}

AltTextBox::AltTextBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics,
                       HtmlElement* element, const char* text, int length, bool framed)
    : ContentBox(parent, request, metrics, element),
      text_(text),
      length_(static_cast<uint16_t>(length < 0 ? 0 : (length > 65535 ? 65535 : length))),
      framed_(framed) {
    if (metrics_) {
        metrics_->valignCode = 69;
        if (element && element->Type() == kTagImg) {
            int align = element->GetAlignment(false);
            if (align == 2) metrics_->valignCode = 84;
            if (align == 3) metrics_->valignCode = 68;
        }
    }
    Place(parent);
}

ListMarkerBox::ListMarkerBox(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics,
                             HtmlElement* element, int32_t number, int bulletSize, int markerType, int markerWidth)
    : ContentBox(parent, request, metrics, element),
      number_(number),
      bulletSize_(static_cast<uint16_t>(bulletSize)),
      type_(static_cast<uint16_t>(markerType)),
      markerWidth_(static_cast<uint16_t>(markerWidth)) {
    Place(parent);
}

ReferenceBox::ReferenceBox(LayoutElement* container, LayoutElement* referred)
    : LayoutElement(false, nullptr), height_(ClampRequestedHeight(referred->Height())), referred_(referred) {
    SetWidth(referred->Width());
    AttachTo(*container);
    SetX(referred->AbsoluteX() - container->AbsoluteX());
    SetY(referred->AbsoluteY() - container->AbsoluteY());
}

void ReferenceBox::AttachTo(LayoutElement& container) {
    LayoutElement* at = container.LastChild();
    // References stay in the document order of the elements they stand for.
    while (at && at->GetKind() == kReferenceBox &&
           !static_cast<ReferenceBox*>(at)->referred_->IsBefore(referred_)) {
        at = at->PrevSibling();
    }
    if (at) {
        InsertAfterSibling(*at);
    } else {
        AppendToParent(container);
    }
}

LayoutElement* ReferenceBox::ElementAt(int32_t x, int32_t y) {
    // The point moves by the offset between the two parents.
    const LayoutElement* own = Parent();
    const LayoutElement* theirs = referred_->Parent();
    if (!own || !theirs) return nullptr;
    return referred_->ElementAt(x - (theirs->AbsoluteX() - own->AbsoluteX()),
                                y - (theirs->AbsoluteY() - own->AbsoluteY()));
}
