#include "layout/FloatLayout.h"

#include "layout/LayoutElement.h"

namespace {
int32_t Bottom(const LayoutElement& box) { return box.AbsoluteY() + static_cast<int32_t>(box.Height()); }

// The right end of a parent's content, relative to the parent.
int32_t ContentRight(const LayoutElement& parent) { return parent.Width() - parent.RightEdge(); }
}  // namespace

void FloatMarginsAt(FloatList& list, int32_t y, int32_t& left, int32_t& right) {
    left = right = -1;
    for (FloatEntry* e = list.Last(); e && (left < 0 || right < 0);) {
        FloatEntry* prev = FloatList::Prev(e);
        if (Bottom(*e->box) <= y) {
            FloatList::Delete(e);
        } else if (e->left && left < 0) {
            left = e->box->AbsoluteX() + e->box->Width();
        } else if (!e->left && right < 0) {
            right = e->box->AbsoluteX();
        }
        e = prev;
    }
}

int32_t ShiftRightFloatsPastBox(FloatList& list, LayoutElement& box) {
    const int32_t end = box.AbsoluteX() + box.Width();
    int32_t shift = 0;
    for (FloatEntry* e = list.Last(); e; e = FloatList::Prev(e)) {
        if (e->left || e->box == &box) continue;
        if (shift == 0) {
            shift = end - e->box->AbsoluteX();
            if (shift <= 0) return 0;
        }
        e->box->SetX(e->box->X() + shift);
    }
    return shift;
}

void FitBoxBesideFloats(FloatList& list, LayoutElement& box, int mode) {
    int32_t left, right;
    FloatMarginsAt(list, box.AbsoluteY(), left, right);
    const int32_t parentX = box.AbsoluteX() - box.X();
    // Only ever moved right: a float that ends inside the parent's edges
    // does not pull the box over them.
    if (left >= 0 && left - parentX > box.X()) {
        const int32_t end = box.X() + box.Width();
        box.SetX(left - parentX);
        if (mode == 0) box.SetWidth(end - box.X() < 0 ? 0 : end - box.X());
    }
    if (mode == kFloatRight && box.Parent()) {
        const int32_t against = ContentRight(*box.Parent()) - box.Width();
        if (against > box.X()) box.SetX(against);
    }
    if (right < 0) return;
    if (mode == kFloatRight) {
        // A right float goes to the left of the right floats before it;
        // pushing them aside would push them out of the view.
        if (box.AbsoluteX() + box.Width() > right) box.SetX(right - parentX - box.Width());
    } else if (box.AbsoluteX() + box.Width() > right) {
        if (mode == 0) {
            const int32_t w = right - box.AbsoluteX();
            box.SetWidth(w < 0 ? 0 : w);
        } else {
            ShiftRightFloatsPastBox(list, box);
        }
    }
}

void AlignBoxBetweenFloats(FloatList& list, int alignment, LayoutElement& box) {
    LayoutElement* parent = box.Parent();
    if ((alignment != 5 && alignment != 6) || !parent || !parent->Has(LayoutElement::kVerticalFlow)) return;
    int32_t left, right;
    FloatMarginsAt(list, box.AbsoluteY(), left, right);
    const int32_t parentX = parent->AbsoluteX();
    const int32_t low = left > parentX ? left : parentX;
    int32_t high = parentX + parent->Width();
    if (right >= 0 && right < high) high = right;
    int32_t room = high - low;
    if (box.Width() > room) {
        box.SetX(low - parentX);
        room += ShiftRightFloatsPastBox(list, box);
        if (box.Width() > room) return;
    }
    if (alignment == 5) {
        box.SetX(low + room - parentX - box.Width());
    } else {
        box.SetX((room - box.Width()) / 2 + low - parentX);
    }
}

bool TakeOutFloats(FloatList& list, int side, int32_t& lowest) {
    bool taken = false;
    for (FloatEntry* e = list.Last(); e;) {
        FloatEntry* prev = FloatList::Prev(e);
        if ((side & 1 && e->left) || (side & 2 && !e->left)) {
            const int32_t bottom = Bottom(*e->box);
            if (!taken || bottom > lowest) lowest = bottom;
            taken = true;
            FloatList::Delete(e);
        }
        e = prev;
    }
    return taken;
}
