// Cutting a laid-out page into pages for printing and text output.
//
// What lies above the cut stays where it is; what lies from the cut on
// moves into fresh block and line boxes that copy the containers it came
// from. Lines and content boxes move whole, so a line of text is never cut
// in two.
#include <vector>

#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/LayoutElement.h"
#include "layout/PagePainting.h"

namespace {

int32_t Bottom(const LayoutElement& e) {
    return e.Y() + static_cast<int32_t>(e.Height());
}

bool IsLineOrContent(const LayoutElement& e) {
    return e.GetKind() == LayoutElement::kLineBox || e.IsContentBox();
}

bool WantsBreakBefore(const LayoutElement& e) {
    return e.GetKind() == LayoutElement::kBlockBox && e.Has(LayoutElement::kClassFlag);
}

bool IsReference(const LayoutElement* e) {
    return e && e->GetKind() == LayoutElement::kReferenceBox;
}

// A block somewhere inside the element that wants a page break before it.
bool HoldsBreak(const LayoutElement& e) {
    const TreeNode* end = e.NextInOrder(true);
    for (const TreeNode* n = e.FirstChild(); n && n != end; n = n->NextInOrder(false)) {
        if (WantsBreakBefore(*static_cast<const LayoutElement*>(n))) return true;
    }
    return false;
}

bool IsTableRow(const LayoutElement& e) {
    return e.Element() && e.Element()->Type() == kTagTr;
}

// A reference box stands for an element of its holder's subtree; one whose
// element went to the other part would paint that element on the wrong
// page, so it is dropped.
bool IsStray(const LayoutElement& e) {
    return IsReference(&e) && !e.Parent()->Contains(static_cast<const ReferenceBox&>(e).Referred());
}

void Drop(std::vector<LayoutElement*>& strays) {
    for (LayoutElement* e : strays) {
        e->Detach();
        delete e;
    }
    strays.clear();
}

// Every reference box of the page that keeps the part above the cut.
void DropStrayReferences(LayoutElement& page) {
    std::vector<LayoutElement*> strays;
    const TreeNode* end = page.NextInOrder(true);
    for (TreeNode* n = page.FirstChild(); n && n != end; n = n->NextInOrder(false)) {
        if (IsStray(*static_cast<LayoutElement*>(n))) strays.push_back(static_cast<LayoutElement*>(n));
    }
    Drop(strays);
}

// In the rest, only a reference box that moved beside a cut element can
// have left its element behind: one that moved inside a whole subtree took
// its element along. Those sit at the end of the fresh containers, which
// lead the rest (a row's part holds nothing else), so the walk stays near
// the cut instead of reading the rest of the document on every page.
void DropStrayReferencesOfRest(LayoutElement& part) {
    std::vector<LayoutElement*> strays;
    std::vector<LayoutElement*> fresh{&part};
    while (!fresh.empty()) {
        LayoutElement* p = fresh.back();
        fresh.pop_back();
        for (LayoutElement* c = p->LastChild(); IsReference(c); c = c->PrevSibling()) {
            if (IsStray(*c)) strays.push_back(c);
        }
        if (!p->Has(LayoutElement::kVerticalFlow)) {
            for (LayoutElement* c = p->FirstChild(); c && !IsReference(c); c = c->NextSibling()) fresh.push_back(c);
        } else if (LayoutElement* first = p->FirstChild(); first && !IsReference(first)) {
            fresh.push_back(first);
        }
    }
    Drop(strays);
}

}  // namespace

LayoutElement* LayoutElement::SplitAtHeight(LayoutElement* newParent, int32_t cut) {
    LayoutElement* part = SplitAt(newParent, cut, false);
    if (part) {
        DropStrayReferences(*this);
        DropStrayReferencesOfRest(*part);
    }
    return part;
}

LayoutElement* LayoutElement::MakeSplitPart(LayoutElement* newParent) const {
    LayoutRequest request;
    request.width = Width();
    // A part grows to what it receives when it is finished; starting it at
    // the whole element's height would push what follows it down by the
    // share that stayed on the earlier page. A height that the page gave
    // stays.
    if (Has(kHeightGiven))
        request.height = static_cast<int32_t>(Height() > 0x7FFFFFFF ? 0x7FFFFFFF : Height());
    request.widthGiven = Has(kWidthGiven);
    request.heightGiven = Has(kHeightGiven);
    LayoutElement* part;
    if (GetKind() == kBlockBox) {
        auto* block = new BlockBox(nullptr, &request, nullptr, Element(), Has(kVerticalFlow));
        block->SetStyle(Style());
        part = block;
    } else if (GetKind() == kLineBox) {
        part = new LineBox(nullptr, &request);
    } else {
        return nullptr;
    }
    if (newParent) part->MoveInto(*newParent);
    part->SetX(X());
    return part;
}

void LayoutElement::MoveFollowingInto(LayoutElement* first, LayoutElement& part, int32_t shift) {
    for (LayoutElement* k = first; k;) {
        LayoutElement* next = k->NextSibling();
        const int32_t x = k->X(), y = k->Y();
        k->Detach();
        k->AttachTo(part);
        k->SetX(x);
        k->SetY(y - shift);
        k = next;
    }
}

LayoutElement* LayoutElement::SplitAt(LayoutElement* newParent, int32_t cut, bool kept) {
    // Nothing lies below a cut beyond the element, but a break wanted
    // inside it still starts a page there.
    const bool beyond = static_cast<int64_t>(cut) >= static_cast<int64_t>(Height());
    if (beyond && !(GetKind() == kBlockBox && HoldsBreak(*this))) return nullptr;
    if (IsContainer() && !Has(kVerticalFlow) && FirstChild()) return SplitRow(newParent, cut, kept);
    for (LayoutElement* k = FirstChild(); k; k = k->NextSibling()) {
        if (IsReference(k)) continue;  // they follow the elements they stand for
        const int32_t top = k->Y(), bottom = Bottom(*k);
        bool splitPoint = false;
        if (WantsBreakBefore(*k)) {
            k->SetFlags(kClassFlag, false);  // the break is made once
            splitPoint = true;
        } else if (top >= cut) {
            splitPoint = true;
        } else if (IsLineOrContent(*k) && bottom > cut) {
            // A line taller than what is left of the page moves to the next
            // one, unless nothing stays above it: then it would be just as
            // tall at the top of every later page, and the pages would never
            // end, so it stays here and is clipped.
            splitPoint = kept;
        } else if (bottom > cut || (k->GetKind() == kBlockBox && HoldsBreak(*k))) {
            return SplitInside(k, newParent, cut, kept);
        }
        if (splitPoint) {
            LayoutElement* part = MakeSplitPart(newParent);
            if (!part) return nullptr;
            MoveFollowingInto(k, *part, top);
            part->Finish();
            return part;
        }
        kept = true;
    }
    if (!beyond) SetHeight(cut);
    return nullptr;
}

LayoutElement* LayoutElement::SplitInside(LayoutElement* child, LayoutElement* newParent, int32_t cut,
                                          bool kept) {
    LayoutElement* part = MakeSplitPart(newParent);
    if (!part) return nullptr;
    LayoutElement* following = child->NextSibling();
    LayoutElement* firstInFlow = following;
    while (IsReference(firstInFlow)) firstInFlow = firstInFlow->NextSibling();
    const int32_t gap = firstInFlow ? firstInFlow->Y() - Bottom(*child) : 0;

    int32_t partBottom = 0;
    if (LayoutElement* piece = child->SplitAt(nullptr, cut - child->Y(), kept)) {
        piece->MoveInto(*part);
        piece->SetX(child->X());
        partBottom = Bottom(*piece);
    }
    if (following) {
        const int32_t shift = firstInFlow ? firstInFlow->Y() - (partBottom + gap) : 0;
        MoveFollowingInto(following, *part, shift);
    }
    if (part->FirstChild()) {
        part->Finish();
        return part;
    }
    part->Detach();
    delete part;
    if (static_cast<int64_t>(cut) < static_cast<int64_t>(Height())) SetHeight(cut);
    return nullptr;
}

LayoutElement* LayoutElement::SplitRow(LayoutElement* newParent, int32_t cut, bool kept) {
    LayoutElement* part = MakeSplitPart(newParent);
    if (!part) return nullptr;
    part->SetHeight(1);  // grows when it is finished
    // The cells keep their own heights on this page; the row keeps the part
    // above the cut, so that a band of the page that starts inside the row
    // still reaches its cells.
    SetHeight(cut);
    for (LayoutElement* k = FirstChild(); k; k = k->NextSibling()) {
        if (IsReference(k)) continue;
        LayoutElement* cell = k;
        int32_t at = cut - k->Y();
        if (k->Height() == 0 && IsTableRow(*this)) {
            // A cell that continues from the rows above: the rows below hold
            // it at the same x.
            for (LayoutElement* row = NextSibling(); row && cell == k; row = row->NextSibling()) {
                for (LayoutElement* c = row->FirstChild(); c; c = c->NextSibling()) {
                    if (!IsReference(c) && c->X() == k->X() && c->Height() > 0) {
                        cell = c;
                        at = cut + Y() - (row->Y() + c->Y());
                        break;
                    }
                }
            }
        }
        if (LayoutElement* piece = cell->SplitAt(nullptr, at, kept)) {
            piece->MoveInto(*part);
            piece->SetX(k->X());
        }
    }
    part->Finish();
    return part;
}

// --- the page loop's cut -------------------------------------------------------------

bool PageCutter::Handles(const LayoutElement& root) {
    return !root.Parent() && root.GetKind() == LayoutElement::kBlockBox && root.Has(LayoutElement::kVerticalFlow);
}

PageCutter::PageCutter(LayoutElement& root) : root_(root), height_(root.Height()) {}

std::unique_ptr<LayoutElement> PageCutter::NextPage(int32_t cut) {
    // The steps of SplitAt on a vertical block, on the rest as it would lie
    // in a part of its own: tops are measured from top_.
    const bool beyond = static_cast<int64_t>(cut) >= height_;
    if (beyond && !HoldsBreak(root_)) {
        Settle();
        return nullptr;
    }
    bool kept = false;
    for (LayoutElement* k = root_.FirstChild(); k; k = k->NextSibling()) {
        if (IsReference(k)) continue;
        const int32_t top = k->Y() - top_, bottom = top + static_cast<int32_t>(k->Height());
        bool splitPoint = false;
        if (WantsBreakBefore(*k)) {
            k->SetFlags(LayoutElement::kClassFlag, false);
            splitPoint = true;
        } else if (top >= cut) {
            splitPoint = true;
        } else if (IsLineOrContent(*k) && bottom > cut) {
            splitPoint = kept;
        } else if (bottom > cut || (k->GetKind() == LayoutElement::kBlockBox && HoldsBreak(*k))) {
            return CutInside(k, cut, kept);
        }
        if (splitPoint) return CutBefore(k);
        kept = true;
    }
    if (!beyond) height_ = cut;
    Settle();
    return nullptr;
}

std::unique_ptr<LayoutElement> PageCutter::CutBefore(LayoutElement* child) {
    const int32_t top = child->Y();
    std::unique_ptr<LayoutElement> page = TakePage(child);
    height_ = RestHeight(top);
    top_ = top;
    DropStrayReferences(*page);
    DropStrayReferencesOfRest(root_);
    return page;
}

std::unique_ptr<LayoutElement> PageCutter::CutInside(LayoutElement* child, int32_t cut, bool kept) {
    LayoutElement* following = child->NextSibling();
    LayoutElement* firstInFlow = following;
    while (IsReference(firstInFlow)) firstInFlow = firstInFlow->NextSibling();
    const int32_t gap = firstInFlow ? firstInFlow->Y() - Bottom(*child) : 0;

    // The part of the child from the cut on leads the rest, placed as the
    // first child of a fresh part: below the part's top border.
    LayoutElement* piece = child->SplitAt(nullptr, cut - (child->Y() - top_), kept);
    const int32_t pieceY = root_.BorderWidth(BoxBorders::kTop);
    const int32_t partBottom = piece ? pieceY + static_cast<int32_t>(piece->Height()) : 0;
    if (!piece && !following) {
        if (static_cast<int64_t>(cut) < height_) height_ = cut;
        Settle();
        return nullptr;
    }
    // The following siblings come up to the remembered gap below the piece.
    const int32_t shift = firstInFlow ? (firstInFlow->Y() - top_) - (partBottom + gap) : 0;
    const int32_t top = top_ + shift;
    std::unique_ptr<LayoutElement> page = TakePage(following);
    if (piece) {
        if (following) {
            piece->InsertBeforeSibling(*following);
        } else {
            piece->AttachTo(root_);
        }
        piece->SetX(child->X());
        piece->SetY(pieceY + top);
        // Finishing the part gives its children's metrics back.
        piece->ApplyMargins();
    }
    height_ = RestHeight(top);
    top_ = top;
    DropStrayReferences(*page);
    DropStrayReferencesOfRest(root_);
    return page;
}

std::unique_ptr<LayoutElement> PageCutter::TakePage(LayoutElement* before) {
    // Before the first cut the page is the root itself; after it, the part
    // that the previous cut made: fresh metrics, the root's element, style
    // and width.
    LayoutRequest request;
    request.width = root_.Width();
    request.height = static_cast<int32_t>(height_ > 0x7FFFFFFF ? 0x7FFFFFFF : height_);
    request.widthGiven = root_.Has(LayoutElement::kWidthGiven);
    request.heightGiven = root_.Has(LayoutElement::kHeightGiven);
    auto page = std::make_unique<BlockBox>(nullptr, &request, nullptr, root_.Element(), true);
    page->SetStyle(root_.Style());
    page->SetX(root_.X());
    if (!cut_) {
        page->SetY(root_.Y());
        page->SetFlags(root_.Flags() & ~LayoutElement::kPainted, true);
        if (page->metrics_ && root_.metrics_) static_cast<BoxMetricsValues&>(*page->metrics_) = *root_.metrics_;
    } else {
        page->SetFlags(LayoutElement::kFinished, true);
        if (page->metrics_) page->metrics_->flags |= BoxMetrics::kBottomCollapsed;
    }
    cut_ = true;
    for (LayoutElement* k = root_.FirstChild(); k && k != before;) {
        LayoutElement* next = k->NextSibling();
        const int32_t x = k->X(), y = k->Y();
        k->Detach();
        k->AttachTo(*page);
        k->SetX(x);
        k->SetY(y - top_);
        k = next;
    }
    return page;
}

int64_t PageCutter::RestHeight(int32_t top) {
    // Finishing a fresh part: its height reaches the bottom of its last
    // child in the flow and its bottom border, and, being a root, takes the
    // bottom border again with the margin that collapses through its last
    // child.
    const int32_t border = root_.BorderWidth(BoxBorders::kBottom);
    int64_t height = root_.Has(LayoutElement::kHeightGiven) ? height_ : 0;
    if (!root_.Has(LayoutElement::kHeightGiven)) {
        LayoutElement* last = root_.LastChild();
        while (last && (IsReference(last) || last->Has(LayoutElement::kOutOfFlow))) last = last->PrevSibling();
        if (last) {
            const int64_t bottom = static_cast<int64_t>(last->Y()) - top + last->Height() + border;
            if (bottom > height) height = bottom;
        }
    }
    MarginPair pair;
    LayoutElement* last = root_.LastChild();
    while (IsReference(last)) last = last->PrevSibling();
    if (last) {
        if (border == 0) {
            last->CollapseBottom(pair, &root_);
        } else {
            MarginPair own;
            last->CollapseBottom(own, last);
        }
    }
    height += border + pair.Combined();
    for (LayoutElement* e = root_.LastChild(); e;) {
        while (IsReference(e)) e = e->PrevSibling();
        if (!e) break;
        MarginPair settle;
        e->CollapseBottomMargin(settle);
        e->ApplyMargins();
        e = e->LastChild();
    }
    return height < 0 ? 0 : (height > 0x7FFFFFFF ? 0x7FFFFFFF : height);
}

void PageCutter::Settle() {
    // The root becomes the last page: the rest moves up to the top, and
    // after a cut the root takes the form of the part that holds it.
    if (top_ != 0) {
        for (LayoutElement* k = root_.FirstChild(); k; k = k->NextSibling()) k->SetY(k->Y() - top_);
        top_ = 0;
    }
    if (cut_) {
        root_.SetY(0);
        if (root_.metrics_) {
            const uint8_t flags = root_.metrics_->flags;
            root_.metrics_->Reset();
            root_.metrics_->flags = flags;
        }
    }
    if (height_ != static_cast<int64_t>(root_.Height())) root_.SetHeight(height_);
}
