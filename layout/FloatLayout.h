// Floats in the flow: the list of boxes that float to the left or right of a
// block formatting context, and the placement of lines and boxes beside
// them.
//
// Floats are BlockBoxes taken out of the flow (kOutOfFlow) that stay in the
// layout tree where they were made; the list only refers to them. All
// positions here are absolute (AbsoluteX/AbsoluteY), since the floats of one
// context sit in different blocks. A context's list is walked from its most
// recent entry back: the most recent left float gives the left edge of the
// free room, the most recent right float the right edge.
#pragma once
#include <cstdint>

#include "core/ListNode.h"

class LayoutElement;

struct FloatEntry : ListNode {
    FloatEntry(LayoutElement* floated, bool onLeft) : box(floated), left(onLeft) {}
    LayoutElement* box;
    bool left;
};

class FloatList {
public:
    FloatList() = default;
    ~FloatList() { entries_.Clear(); }
    FloatList(const FloatList&) = delete;
    FloatList& operator=(const FloatList&) = delete;

    void Add(LayoutElement* box, bool left) { (new FloatEntry(box, left))->AppendTo(entries_); }
    bool IsEmpty() const { return entries_.IsEmpty(); }
    unsigned Count() const { return entries_.Count(); }
    FloatEntry* Last() const { return static_cast<FloatEntry*>(entries_.Last()); }
    static FloatEntry* Prev(FloatEntry* e) { return static_cast<FloatEntry*>(e->Prev()); }
    static void Delete(FloatEntry* e) {
        e->Remove();
        delete e;
    }

private:
    NodeList entries_;
};

// Float keywords as the formatter passes them: 0 for lines and rules.
constexpr int kFloatLeft = 0x41;
constexpr int kFloatRight = 0x42;

// The edges of the free room at absolute y: left is the right end of the
// most recent left float that reaches below y, right the left end of the
// most recent such right float; -1 when there is none. Floats that end at
// or above y are taken out of the list.
void FloatMarginsAt(FloatList& list, int32_t y, int32_t& left, int32_t& right);

// Moves a box beside the floats at its y. Mode 0 (lines, rules) also
// narrows it so that it ends before the right floats; a floated box passes
// its float keyword, and instead of narrowing it pushes the right floats
// aside; a right float goes to the left of the right floats.
void FitBoxBesideFloats(FloatList& list, LayoutElement& box, int mode);

// When the box reaches past the most recent right float, that float and
// every earlier right float move right by the overlap; answers the shift
// (0 when there was no overlap).
int32_t ShiftRightFloatsPastBox(FloatList& list, LayoutElement& box);

// Places a right-aligned (5) or centred (6) box of a vertically stacking
// parent between the floats at its y; other alignments leave it.
void AlignBoxBetweenFloats(FloatList& list, int alignment, LayoutElement& box);

// Takes the floats of a side (1 left, 2 right, 3 both) out of the list and
// answers whether any was taken; lowest is the lowest absolute bottom of
// those taken.
bool TakeOutFloats(FloatList& list, int side, int32_t& lowest);
