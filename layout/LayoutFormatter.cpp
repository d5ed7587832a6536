#include "layout/LayoutFormatter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "html/CssTokenizer.h"
#include "html/ElementRecords.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "html/PageProperties.h"
#include "html/StyleSheet.h"
#include "layout/ElementAccessors.h"
#include "layout/LayoutTable.h"
#include "layout/ListMarkers.h"
#include "layout/PaintDevice.h"
#include "layout/PaintTree.h"

namespace {
bool IsPreformattedType(int type) {
    return type == kTagPre || type == kTagListing || type == kTagPlaintext || type == kTagXmp;
}

bool IsInlineContainer(int type) {
    switch (type) {
        case kTagA: case kTagI: case kTagB: case kTagU: case kTagS: case kTagEm: case kTagTt: case kTagKbd:
        case kTagVar: case kTagWbr: case kTagBig: case kTagDfn: case kTagSub: case kTagSup: case kTagFont:
        case kTagNobr: case kTagCite: case kTagCode: case kTagSamp: case kTagSpan: case kTagSmall:
        case kTagStrike: case kTagStrong:
            return true;
        default:
            return false;
    }
}

// Types that take no part in layout.
bool IsWithoutLayout(int type) {
    switch (type) {
        case kTagBase: case kTagScript: case kTagStyle: case kTagBody: case kTagParam: case kTagApplet:
        case kTagHead: case kTagTitle: case kTagOption: case kTagMeta: case kTagLink: case kTagMap:
        case kTagArea:
            return true;
        default:
            return false;
    }
}

// Content placed in lines: text, inline elements and form controls (which
// the content model does not count as inline, yet they wrap like words).
bool FlowsInLine(const HtmlElement* e) {
    const int type = e->Type();
    return type == kTextNode || e->IsInline() || type == kTagInput || type == kTagSelect || type == kTagTextarea ||
           type == kTagKeygen;
}

bool IsListType(int type) { return type == kTagOl || type == kTagUl || type == kTagMenu || type == kTagDir; }

// Numbers, Roman numerals and letters; the other markers are bullets.
bool IsNumberedMarker(int type) { return type >= kMarkerDecimal && type <= kMarkerUpperAlpha; }

bool HoldsPiece(const LayoutElement* line) { return line && line->FirstChild() != nullptr; }

// Whether what comes next stands first on the line: nothing is on it yet,
// or its last piece ends with a space. Without a line the flag stays.
bool FirstOnLine(LayoutElement* line, bool otherwise) {
    if (!line) return otherwise;
    const LayoutElement* last = line->LastLeaf();
    return !HoldsPiece(line) || (last && last != line && last->EndsWithSpace());
}

// Where the element's content lies in a node's text: normal text ends with
// one space that belongs to no fragment.
int UsableLength(const char* text, bool preformatted) {
    int n = static_cast<int>(std::strlen(text));
    if (!preformatted && n > 0 && text[n - 1] == ' ') --n;
    return n;
}

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
}  // namespace

LayoutFormatter::LayoutFormatter(PaintDevice& device, const PageProperties* page) : device_(device), page_(page) {}

LayoutFormatter::~LayoutFormatter() { states_.Clear(); }

int32_t LayoutFormatter::LineHeight() { return device_.GetLineHeight(); }

int32_t LayoutFormatter::NumberColumn(const HtmlElement* list) {
    int items = 0;
    for (const HtmlElement* c = list->FirstChild(); c; c = c->NextSibling()) items += c->Type() == kTagLi;
    std::string nines = std::to_string(items < 100 ? 100 : items);
    for (char& c : nines) c = '9';
    nines += ". ";
    return device_.GetTextExtent(nines.c_str(), static_cast<int>(nines.size()));
}

int LayoutFormatter::ListMarkerStyle(const HtmlElement* list) {
    const ListRecord* record = list->RecordAs<ListRecord>();
    if (record && record->type != kMarkerUnset) return record->type;
    return list->Type() == kTagOl ? kMarkerDecimal : kMarkerDisc;
}

void LayoutFormatter::MakeRoomForMarkers(const HtmlElement* e, StyledBlock& edges) {
    if (!IsListType(e->Type())) return;
    // The markers hang left of their items' text: the list makes room for
    // them, or they would lie beyond the left edge of the page and be lost
    // on screen and in saved text.
    const int32_t room = IsNumberedMarker(ListMarkerStyle(e)) ? NumberColumn(e) : 3 * MarkerUnit();
    const int32_t inset = edges.metrics.padding[BoxMetrics::kLeft] + edges.style.borders.Width(BoxBorders::kLeft);
    if (edges.metrics.margin[BoxMetrics::kLeft] + inset < room) {
        edges.metrics.margin[BoxMetrics::kLeft] = Clamp16(room - inset);
    }
}

int32_t LayoutFormatter::MarkerUnit() {
    const int32_t x = device_.GetTextExtent("x", 1);
    return x < 3 ? 3 : x;
}

const BoxStyle* LayoutFormatter::StyleFor(const TextStyleRecord& text) {
    LogFont font;
    device_.GetLogFont(font);
    BoxStyle style;
    style.font = styles_.Font(font);
    style.decorations = text.decorations;
    style.textColor = device_.GetTextColor();
    if (text.letterSpacing != 32767) style.letterSpacing = text.letterSpacing;
    return styles_.Style(style);
}

void LayoutFormatter::DropStatesAfter(LayoutState& state) {
    while (ListNode* n = state.Next()) {
        n->Remove();
        delete static_cast<LayoutState*>(n);
    }
}

LayoutState& LayoutFormatter::NestedState(LayoutState& outer, HtmlElement* element) {
    if (auto* next = static_cast<LayoutState*>(outer.Next())) {
        if (next->element == element) return *next;
        DropStatesAfter(outer);
    }
    auto* state = new LayoutState;
    state->element = element;
    state->nextChild = element->FirstChild();
    state->blockState = outer.blockState;
    state->nobr = outer.nobr;
    state->alignment = outer.alignment;
    state->preformatted = outer.preformatted;
    state->text = outer.text;
    state->AppendTo(states_);
    return *state;
}

int LayoutFormatter::FormatStep(HtmlElement* root, BlockBox* rootBox, int budget, HtmlElement* stop) {
    if (complete_) return kResultDone;
    budget_ = &budget;
    stop_ = stop;
    auto* top = static_cast<LayoutState*>(states_.First());
    if (!top) {
        top = new LayoutState;
        top->element = root;
        top->nextChild = root->FirstChild();
        top->blockState = top;
        top->block = rootBox;
        top->floatContext = true;
        ClearElementFont(top->fontSpec);
        top->AppendTo(states_);
    }
    const Call call{true, false, false, 4};
    const int r = ChildrenLoop(root, *top, call, true);
    if (r == kResultBudgetOut || r == kResultStopped || r == kResultAwaitImage) return r;
    // The page ends below its last float.
    ClearFloats(*top, kClearAll, 4);
    CloseLine(*top, 4);
    rootBox->Finish();
    states_.Clear();
    complete_ = true;
    return kResultDone;
}

void LayoutFormatter::ApplyStyle(HtmlElement* e, TextStyleRecord& text, ElementStyleResult& style) {
    FontSpec fontSpec;
    ClearElementFont(fontSpec);
    StyleDeclarationList declarations;
    const bool styles = page_ && page_->cssMode;
    if (styles) page_->ComputeElementStyle(e, declarations);
    ApplyElementStyle(device_, nullptr, page_, e, styles ? &declarations : nullptr, text, fontSpec, false, style);
    ApplyFontSpec(device_, fontSpec, text, false);
    if (fontSpec.values[kSpecColor] != -1) device_.SetTextColor(fontSpec.values[kSpecColor] & 0x00FFFFFF);
}

int LayoutFormatter::Format(HtmlElement* e, LayoutState& outer, Call call) {
    if (e == stop_ && !e->FirstChild()) return kResultStopped;
    const int type = e->Type();
    // One still open waits: an APPLET becomes an EMBED when it closes.
    if (IsWithoutLayout(type)) return IsOpen(e) ? kResultStopped : kResultNothing;

    LogFont savedFont;
    device_.GetLogFont(savedFont);
    const float savedSpacing = device_.WordSpacing();
    const DeviceColor savedColor = device_.GetTextColor();

    int r = kResultNothing;
    TextStyleRecord text = outer.text;
    ElementStyleResult style;
    if (type != kTextNode) ApplyStyle(e, text, style);
    if (style.display != 1) {
        // A CLEAR is applied once, when the element starts.
        LayoutState* resumed = static_cast<LayoutState*>(outer.Next());
        const bool starting = !resumed || resumed->element != e;
        bool flowCleared = false;
        if (starting && type != kTextNode) {
            int clear = e->GetClear();
            if (style.clear == kCssLeft) clear = kClearLeft;
            if (style.clear == kCssRight) clear = kClearRight;
            if (style.clear == kCssBoth) clear = kClearAll;
            if (style.clear == kCssNone) clear = 0;
            if (clear) flowCleared = ClearFloats(outer, clear, call.alignment);
        }
        const int floatSide =
            style.floatKeyword == kFloatLeft || style.floatKeyword == kFloatRight ? style.floatKeyword : 0;
        LayoutState& nested = NestedState(outer, e);
        nested.text = text;
        if (type == kTextNode) {
            r = FormatText(e, nested, call);
        } else if (type == kTagBr) {
            r = FormatBreak(e, outer, flowCleared);
        } else if (type == kTagHr) {
            r = FormatRule(e, outer);
        } else if (type == kTagImg) {
            r = FormatImage(e, nested, call, floatSide);
        } else if (type == kTagEmbed) {
            r = FormatEmbed(e, nested, call);
        } else if (type == kTagInput || type == kTagSelect || type == kTagTextarea || type == kTagKeygen) {
            // A KEYGEN is its list of key sizes.
            r = FormatControl(e, nested, call);
        } else if (IsInlineContainer(type) && style.display != 0x31 && !floatSide) {
            r = FormatInline(e, nested, call);
        } else if (type == kTagTable) {
            r = TableLayout(*this).Format(e, nested, call);
        } else if (HtmlElement::IsEmptyType(type)) {
            r = kResultNothing;
        } else {
            r = FormatBlock(e, nested, call, floatSide);
        }
        if (nested.pendingFloat && r != kResultBudgetOut && r != kResultStopped && r != kResultAwaitImage) {
            EndFloat(outer, nested);
        }
    }
    device_.SetLogFont(savedFont);
    device_.SetWordSpacing(savedSpacing);
    device_.SetTextColor(savedColor);
    return r;
}

// --- children ------------------------------------------------------------------

void LayoutFormatter::Advance(LayoutState& state, HtmlElement* child) {
    state.lastDone = child;
    state.nextChild = child->NextSibling();
    DropStatesAfter(state);
}

bool LayoutFormatter::IsOpen(const HtmlElement* e) const {
    return stop_ && (e == stop_ || e->Contains(stop_));
}

int LayoutFormatter::ChildrenLoop(HtmlElement* e, LayoutState& state, Call call, bool block) {
    bool first = call.firstElement;
    bool secondPass = call.secondPass;
    // Children that arrived since the step that found the element open.
    if (!state.nextChild) state.nextChild = state.lastDone ? state.lastDone->NextSibling() : e->FirstChild();
    // A loop resumed in a later step sees the line as the step before left it.
    if (state.nextChild != e->FirstChild()) first = FirstOnLine(state.blockState->line, first);
    while (HtmlElement* child = state.nextChild) {
        LayoutState& bs = *state.blockState;
        const bool inlineChild = FlowsInLine(child);
        if (block && inlineChild && !bs.line && ResumesInline(state, child)) {
            StartLine(bs);
            first = true;
        }
        Call childCall{first, secondPass, state.preformatted, state.alignment};
        int r = Format(child, state, childCall);
        if (block && r == kResultNoFit) {
            if (inlineChild && HoldsPiece(bs.line)) {
                r = kResultLineFull;
            } else if (first) {
                childCall.secondPass = true;
                r = Format(child, state, childCall);
            }
        }
        if (r == kResultUnbreakable) {
            if (!block) return r;
            HtmlElement* context = nullptr;
            for (ListNode* n = state.Next(); n; n = n->Next()) {
                if (static_cast<LayoutState*>(n)->nobr) context = static_cast<LayoutState*>(n)->nobr;
            }
            MoveRunToNewLine(bs, context);
            continue;
        }
        if (r == kResultLineEnded && child->Type() == kTagBr) {
            if (!block) {
                Advance(state, child);
                return kResultLineFull;
            }
            CloseLine(bs, state.alignment == 7 ? 4 : state.alignment);
            r = kResultDone;
        }
        if (r == kResultLineFull || r == kResultLineEnded || r == kResultNoFit) {
            if (!block) return r;
            CloseLine(bs, r == kResultLineEnded && state.alignment == 7 ? 4 : state.alignment);
            if (r == kResultLineEnded) Advance(state, child);
            secondPass = false;
            first = true;
            continue;
        }
        if (r != kResultDone && r != kResultNothing) return r;
        // The child is done.
        Advance(state, child);
        secondPass = false;
        first = FirstOnLine(bs.line, first);
        if (block && state.alignment == 4 && budget_ && --*budget_ < 0) return kResultBudgetOut;
    }
    // An element still open waits here for its further children; the next
    // step goes on after its last one.
    if (IsOpen(e)) return kResultStopped;
    return kResultDone;
}

bool LayoutFormatter::ResumesInline(LayoutState& state, HtmlElement* child) {
    // A child that a later step continues resumes at the element of the
    // innermost state: a block there opens no line in this one.
    auto* next = static_cast<LayoutState*>(state.Next());
    if (!next || next->element != child) return true;
    // Nor does a float being filled, or a block already begun inside the
    // child (an inline element may hold one): their lines are their own.
    for (;;) {
        if (next->pendingFloat || next->blockState == next) return false;
        auto* deeper = static_cast<LayoutState*>(next->Next());
        if (!deeper) break;
        next = deeper;
    }
    const HtmlElement* resume = next->nextChild  ? next->nextChild
                                : next->lastDone ? next->lastDone->NextSibling()
                                                 : nullptr;
    const HtmlElement* at = resume && next->element->Type() != kTextNode ? resume : next->element;
    return FlowsInLine(at);
}

int LayoutFormatter::FormatInline(HtmlElement* e, LayoutState& state, Call call) {
    if (e->Type() == kTagNobr || (e->Type() == kTagWbr && state.nobr)) state.nobr = e;
    const int r = ChildrenLoop(e, state, call, false);
    return r;
}

int LayoutFormatter::FormatBlock(HtmlElement* e, LayoutState& state, Call call, int floatSide) {
    const int type = e->Type();
    // NOEMBED shows only while plug-ins are off, NOSCRIPT only while
    // scripts are.
    if ((type == kTagNoembed && pluginsEnabled_) || (type == kTagNoscript && scriptingEnabled_)) return kResultNothing;
    if (!e->FirstChild()) {
        // A lone empty P still separates: an empty line of the line height.
        const HtmlElement* prev = e->PrevSibling();
        const HtmlElement* next = e->NextInOrder(true);
        if (type != kTagP || (prev && prev->Type() == kTagP) || (next && next->Type() == kTagP)) return kResultNothing;
        // What follows decides, and it has not arrived yet.
        if (!next && stop_) return kResultStopped;
        LayoutState& bs = *state.blockState;
        CloseLine(bs, call.alignment == 7 ? 4 : call.alignment);
        if (!bs.block) return kResultNothing;
        LayoutRequest request;
        request.height = LineHeight();
        request.widthGiven = request.heightGiven = true;
        (new LineBox(bs.block, &request))->Finish();
        return kResultDone;
    }
    if (!state.started) {
        state.started = true;
        LayoutState& outerBlock = *state.blockState;
        state.preformatted = call.preformatted || IsPreformattedType(type);
        int align = call.alignment;
        if (state.text.textAlign == kCssLeft) align = 4;
        else if (state.text.textAlign == kCssRight) align = 5;
        else if (state.text.textAlign == kCssCenter) align = 6;
        else if (state.text.textAlign == kCssJustify) align = 7;
        else if (type == kTagCenter || type == kTagCaption) align = 6;
        else if (e->GetAlignment(false) > 4 && e->GetAlignment(false) <= 7) align = e->GetAlignment(false);
        state.alignment = align;
        if (IsListType(type)) {
            const ListRecord* list = e->RecordAs<ListRecord>();
            state.listCounter = type == kTagOl && list && list->value > 1 ? list->value - 1 : 0;
            state.numberColumn = NumberColumn(e);
            state.listMarkerStyle = ListMarkerStyle(e);
        }
        StyledBlock edges;
        StyleDeclarationList declarations;
        if (page_ && page_->cssMode) page_->ComputeElementStyle(e, declarations);
        const int32_t available = outerBlock.block ? outerBlock.block->Width() - outerBlock.block->HorizontalExtra() : 0;
        MakeStyledBlock(device_, e, &declarations, available, e->Parent() && e->Parent()->IsInList(), edges);
        MakeRoomForMarkers(e, edges);
        const int32_t backgroundImage = NumberBackgroundImage(edges);
        const BoxStyle* blockStyle = styles_.Style(edges.style);
        if (floatSide) {
            StartFloat(e, state, floatSide, available, &edges.metrics, call.alignment);
            state.block = state.pendingFloat;
            state.block->SetStyle(blockStyle);
            // A floated block is as wide as its style asks, else it shrinks
            // to its content once formatted.
            for (const WeightedDeclaration* w = declarations.First(); w; w = StyleDeclarationList::Next(w)) {
                if (w->declaration->PropertyId() != kPropWidth) continue;
                const int32_t given = CssValueToLength(device_, w->declaration, true, available);
                if (given != kNoLength && given >= 0) {
                    state.block->SetWidth(given + state.block->HorizontalExtra());
                    state.block->SetFlags(LayoutElement::kWidthGiven, true);
                }
                break;
            }
            state.floatContext = true;
        } else {
            CloseLine(outerBlock, call.alignment);
            LayoutRequest request;
            request.width = available;
            state.block = new BlockBox(outerBlock.block, &request, &edges.metrics, e);
            state.block->SetStyle(blockStyle);
        }
        RegisterBackgroundBox(backgroundImage, state.block);
        state.pendingIndent = edges.textIndent;
        DeviceTextMetrics metrics;
        device_.GetTextMetrics(metrics);
        state.block->SetLineMetrics(Clamp16(metrics.ascent), Clamp16(metrics.descent));
        state.blockState = &state;
        state.line = nullptr;
        if (type == kTagLi) {
            // The marker waits for the item's first line.
            LayoutState* list = &outerBlock;
            int markerType = e->GetListMarkerStyle();
            if (markerType == kMarkerUnset) markerType = list->listMarkerStyle ? list->listMarkerStyle : kMarkerDisc;
            const ListRecord* item = e->RecordAs<ListRecord>();
            // The count stops at the largest number rather than overflow
            // after an item numbered so.
            const int32_t next = list->listCounter < INT32_MAX ? list->listCounter + 1 : INT32_MAX;
            const int32_t number = item && item->value != 0 ? item->value : next;
            list->listCounter = number;
            const int32_t unit = MarkerUnit();
            int32_t width = 3 * unit;
            if (IsNumberedMarker(markerType)) {
                const std::string label = ListMarkerText(number, markerType) + " ";
                width = list->numberColumn;
                const int32_t labelWidth = device_.GetTextExtent(label.c_str(), static_cast<int>(label.size()));
                if (labelWidth > width) width = labelWidth;
            }
            LayoutRequest markerRequest;
            markerRequest.width = width;
            markerRequest.height = LineHeight();
            markerRequest.value2 = Clamp16(metrics.ascent);
            state.pendingMarker = new ListMarkerBox(nullptr, &markerRequest, nullptr, e, number, unit, markerType, width);
        }
    }
    Call inner{true, false, state.preformatted, state.alignment};
    const int r = ChildrenLoop(e, state, inner, true);
    if (r == kResultBudgetOut || r == kResultStopped || r == kResultAwaitImage) return r;
    // A floated block holds the floats inside it.
    if (state.floatContext) ClearFloats(state, kClearAll, state.alignment == 7 ? 4 : state.alignment);
    // The last line of a justified block keeps its words' spacing.
    CloseLine(state, state.alignment == 7 ? 4 : state.alignment);
    if (state.pendingMarker) {
        delete state.pendingMarker;
        state.pendingMarker = nullptr;
    }
    if (state.block == state.pendingFloat && !state.block->Has(LayoutElement::kWidthGiven)) state.block->SetWidth(0);
    state.block->Finish();
    return kResultDone;
}

int LayoutFormatter::FormatBreak(HtmlElement* e, LayoutState& outer, bool flowCleared) {
    LayoutState& bs = *outer.blockState;
    // A CLEAR that moved the flow below the floats has ended the line.
    if (flowCleared && !bs.line) return kResultLineEnded;
    if (!bs.line) StartLine(bs);
    if (!e->FirstChild() && bs.line) {
        SetKeepFlag(*bs.line, true);
        if (static_cast<int32_t>(bs.line->Height()) < LineHeight()) bs.line->SetHeight(LineHeight());
    }
    return kResultLineEnded;
}

int LayoutFormatter::FormatRule(HtmlElement* e, LayoutState& outer) {
    LayoutState& bs = *outer.blockState;
    CloseLine(bs, outer.alignment);
    StartLine(bs);
    if (!bs.line) return kResultNothing;
    const int32_t limit = LineRoom(bs);
    int32_t width = GetRuleWidth(e);
    if (width < 0) width = GetRuleWidthUnit(e) == 2 ? limit * -width / 100 : limit;
    if (width == 0 || width > limit) width = limit;
    LayoutRequest request;
    request.width = width;
    request.height = GetRuleSize(e) + 10;
    new RuleBox(bs.line, &request, nullptr, e);
    CloseLine(bs, e->GetAlignment(false) == 4 ? 4 : (e->GetAlignment(false) == 5 ? 5 : 6));
    return kResultDone;
}

// --- text ------------------------------------------------------------------------

int LayoutFormatter::FormatText(HtmlElement* e, LayoutState& state, Call call) {
    const char* text = e->GetText();
    if (!text) return kResultNothing;
    const int usable = UsableLength(text, call.preformatted);
    int r = kResultNothing;
    bool placed = false;
    while (state.textPosition < usable) {
        LayoutState& bs = *state.blockState;
        if (!bs.line) {
            if (placed && !call.preformatted) return kResultLineFull;
            StartLine(bs);
            if (!bs.line) return kResultNothing;
            call.firstElement = true;
        }
        r = call.preformatted ? PlacePreformattedLine(e, state) : PlaceTextRun(e, state, call);
        if (r == kResultDone) {
            placed = true;
            call.firstElement = false;
            call.secondPass = false;
            continue;
        }
        if (r == kResultLineEnded && state.textPosition < static_cast<int>(std::strlen(text))) {
            CloseLine(bs, state.alignment == 7 ? 4 : state.alignment);
            continue;
        }
        return r;
    }
    return placed || r == kResultDone ? kResultDone : kResultNothing;
}

int32_t LayoutFormatter::LineRoom(LayoutState& bs) {
    if (!bs.line) return 0;
    const LayoutElement* last = bs.line->LastChild();
    while (last && last->GetKind() == LayoutElement::kReferenceBox) last = last->PrevSibling();
    const int32_t used = last ? last->X() + last->Width() : 0;
    const int32_t limit = bs.line->Width();
    return limit - used;
}

void LayoutFormatter::StartLine(LayoutState& bs) {
    if (!bs.block) return;
    int32_t width = bs.block->Width() - bs.block->HorizontalExtra();
    const int32_t view = device_.GetViewWidth() - bs.block->AbsoluteX();
    if (cellDepth_ == 0 && view < width && view > 0) width = view;
    if (width < 0) width = 0;
    // A first-line indent is taken once, by the block's first line.
    int32_t indent = 0;
    if (bs.pendingIndent && !bs.block->FirstChild()) indent = bs.pendingIndent <= width ? bs.pendingIndent : width / 2;
    bs.pendingIndent = 0;
    width -= indent;
    LayoutRequest request;
    request.width = width;
    request.height = 1;
    bs.line = new LineBox(bs.block, &request);
    if (indent) bs.line->SetX(bs.line->X() + indent);
    if (FloatList* floats = FloatsOf(bs, false)) FitBoxBesideFloats(*floats, *bs.line, 0);
    bs.nobr = nullptr;
    // The line keeps its limit until it is closed; pieces are placed from
    // its left end.
    if (bs.pendingMarker) {
        ListMarkerBox* marker = bs.pendingMarker;
        bs.pendingMarker = nullptr;
        marker->AttachTo(*bs.line);
        marker->SetX(-marker->Width());
        marker->SetY(0);
        marker->SetFlags(LayoutElement::kNotInWidth, true);
    }
}

void LayoutFormatter::CloseLine(LayoutState& bs, int alignment) {
    LineBox* line = bs.line;
    if (!line) return;
    bs.line = nullptr;
    if (!line->FirstChild() && !line->Has(0x1000)) {
        line->Detach();
        delete line;
        return;
    }
    const int32_t limit = line->Width();
    line->Finish();
    int32_t width = 0;
    for (LayoutElement* c = line->FirstChild(); c; c = c->NextSibling()) {
        if (!c->Has(LayoutElement::kNotInWidth)) width = c->X() + c->Width() > width ? c->X() + c->Width() : width;
    }
    line->SetWidth(width);
    if (width >= limit) return;
    if (alignment == 5) line->SetX(line->X() + limit - width);
    if (alignment == 6) line->SetX(line->X() + (limit - width) / 2);
    if (alignment == 7) {
        const int gaps = line->WordGaps();
        if (gaps > 0) {
            // A trailing space does not count in the free width.
            LayoutElement* last = line->LastChild();
            if (last && last->GetKind() == LayoutElement::kTextFragment && last->EndsWithSpace()) {
                LogFont font;
                device_.GetLogFont(font);
                static_cast<TextFragment*>(last)->ApplyTextStyle(device_);
                const int32_t space = device_.GetTextExtent(" ", 1);
                device_.SetLogFont(font);
                last->SetWidth(last->Width() - space);
                width -= space;
            }
            line->SetWordSpacing(static_cast<float>(limit - width) / gaps);
            line->SetWidth(limit);
        }
    }
}

int LayoutFormatter::PlacePreformattedLine(HtmlElement* e, LayoutState& state) {
    LayoutState& bs = *state.blockState;
    const char* text = e->GetText();
    const char* cursor = text + state.textPosition;
    const char* start = cursor;
    bool lineBreak = false;
    const int length = NextTextLine(cursor, lineBreak);
    const bool atEnd = *cursor == '\0';
    // A break that ends the text ends the line only when more inline
    // content follows in the block: while the parent is open that is not
    // known yet, and the line waits.
    if (lineBreak && atEnd && !e->NextSibling() && e->Parent() && IsOpen(e->Parent())) return kResultStopped;
    state.textPosition = static_cast<int>(cursor - text);
    const bool lastOfBlock = !e->NextSibling() ? !e->Parent() || !e->Parent()->IsInline()
                                               : !e->NextSibling()->IsInline();
    if (length > 0 || !(atEnd && lineBreak && lastOfBlock)) {
        DeviceTextMetrics metrics;
        device_.GetTextMetrics(metrics);
        LayoutRequest request;
        request.width = device_.GetTextExtent(start, length);
        request.height = LineHeight();
        request.value2 = Clamp16(metrics.ascent);
        auto* fragment = new TextFragment(bs.line, &request, nullptr, e, static_cast<int>(start - text), length);
        fragment->SetStyle(StyleFor(state.text));
    }
    if (!lineBreak) return kResultDone;
    if (!atEnd) return kResultLineEnded;
    return lastOfBlock ? kResultDone : kResultLineEnded;
}

// True when the line holds a piece that does not belong to the run.
static bool HoldsPieceOutside(const LayoutElement* line, const HtmlElement* context) {
    for (const LayoutElement* c = line ? line->FirstChild() : nullptr; c; c = c->NextSibling()) {
        if (!c->Element() || !context->Contains(c->Element())) return true;
    }
    return false;
}

int LayoutFormatter::PlaceTextRun(HtmlElement* e, LayoutState& state, Call call) {
    LayoutState& bs = *state.blockState;
    const char* text = e->GetText();
    const int length = static_cast<int>(std::strlen(text));
    const int usable = UsableLength(text, false);
    int pos = state.textPosition;
    const bool inNobr = state.nobr != nullptr;
    const bool forced = call.secondPass;
    const int32_t room = LineRoom(bs);
    // A leading space at the start of a line is not placed.
    if (call.firstElement && pos < usable && text[pos] == ' ' && !HoldsPiece(bs.line)) ++pos;
    const int start = pos;
    int32_t width = 0;
    bool smallCut = false;
    bool lowerRun = false;
    const int32_t fullHeight = device_.GetFontHeight();
    int result = -1;
    while (pos < usable) {
        // The next word with its separating space.
        int end = pos;
        if (text[end] == ' ') ++end;
        while (end < usable && text[end] != ' ') ++end;
        if (state.text.smallCaps) {
            // A small-capitals run ends where the case changes; a lower-case
            // run is drawn in capitals at 0.8 of the height.
            auto isLetter = [](char c) { return IsLower(c) || IsUpper(c); };
            int at = pos;
            while (at < end && !isLetter(text[at])) ++at;
            if (pos == start && at < end) {
                lowerRun = IsLower(text[at]);
                if (lowerRun) device_.SetFontHeight(fullHeight * 8 / 10);
            }
            int cut = at;
            while (cut < end && (!isLetter(text[cut]) || IsLower(text[cut]) == lowerRun)) ++cut;
            if (cut < end) {
                end = cut;
                smallCut = true;
            }
        }
        std::string shown(text + pos, end - pos);
        if (lowerRun) {
            for (char& c : shown) c = static_cast<char>(IsLower(c) ? c - 32 : c);
        }
        const int32_t w = device_.GetTextExtentNbsp(shown.c_str(), static_cast<int>(shown.size()));
        if (width + w > room) {
            if (inNobr && HoldsPieceOutside(bs.line, state.nobr)) {
                // The whole run moves to a new line.
                result = kResultUnbreakable;
                break;
            }
            if (pos == start && !forced && !inNobr) {
                result = kResultNoFit;
                break;
            }
            // Forced, or inside a run that may not break: the words stay.
            if (pos > start && !inNobr) break;
        }
        width += w;
        pos = end;
        if (smallCut) break;
    }
    if (state.text.smallCaps) device_.SetFontHeight(fullHeight);
    if (result >= 0) return result;
    // The space that ends a node's text belongs to no fragment.
    state.textPosition = pos >= usable ? length : pos;
    if (pos == start) return state.textPosition >= usable ? kResultNothing : kResultNoFit;
    if (lowerRun) device_.SetFontHeight(fullHeight * 8 / 10);
    DeviceTextMetrics metrics;
    device_.GetTextMetrics(metrics);
    if (lowerRun) device_.SetFontHeight(fullHeight);
    LayoutRequest request;
    request.width = width;
    request.height = LineHeight();
    request.value2 = Clamp16(metrics.ascent + (LineHeight() - device_.GetLineHeight()) / 2);
    auto* fragment = new TextFragment(bs.line, &request, nullptr, e, start, pos - start);
    fragment->SetStyle(StyleFor(state.text));
    if (lowerRun) fragment->SetFlags(LayoutElement::kSmallText | 0x0080, true);
    if (state.text.transform) fragment->SetFlags(static_cast<uint16_t>((state.text.transform & 3) << 6), true);
    if (state.textPosition < usable && !smallCut) return kResultLineFull;
    return kResultDone;
}

void LayoutFormatter::MoveRunToNewLine(LayoutState& bs, HtmlElement* context) {
    LineBox* old = bs.line;
    if (!old || !context) return;
    LayoutElement* from = old->FirstChild();
    while (from && !(from->Element() && context->Contains(from->Element()))) from = from->NextSibling();
    std::vector<LayoutElement*> moving;
    for (LayoutElement* c = from; c; c = c->NextSibling()) moving.push_back(c);
    for (LayoutElement* c : moving) c->Detach();
    CloseLine(bs, 4);
    StartLine(bs);
    if (!bs.line) {
        for (LayoutElement* c : moving) delete c;
        return;
    }
    for (LayoutElement* c : moving) c->MoveInto(*bs.line);
}

// --- dump ----------------------------------------------------------------------------

namespace {
const char* KindName(int kind) {
    static const char* const kNames[] = {"?",   "block", "line", "text",   "image", "control",
                                         "embed", "ref",   "rule", "alt", "marker"};
    return kind >= 1 && kind <= 10 ? kNames[kind] : "?";
}

void DumpBox(const LayoutElement& e, int depth, std::string& out) {
    out.append(static_cast<size_t>(depth) * 2, ' ');
    out += KindName(e.GetKind());
    if (const HtmlElement* element = e.Element()) {
        if (element->Type() >= kTagA && element->Type() < kTagA + kTagCount) {
            out += ' ';
            out += TagName(element->Type());
        }
    }
    out += ' ' + std::to_string(e.X()) + ',' + std::to_string(e.Y()) + ' ' + std::to_string(e.Width()) + 'x' +
           std::to_string(e.Height());
    if ((e.GetKind() == LayoutElement::kTextFragment || e.GetKind() == LayoutElement::kAltTextBox) &&
        e.TextPointer()) {
        out += " \"" + std::string(e.TextPointer(), e.TextLength()) + '"';
    }
    if (e.GetKind() == LayoutElement::kListMarkerBox) {
        const auto& marker = static_cast<const ListMarkerBox&>(e);
        out += " type " + std::to_string(marker.MarkerType()) + " \"" +
               ListMarkerText(marker.Number(), marker.MarkerType()) + '"';
    }
    if (e.GetKind() == LayoutElement::kImageBox && static_cast<const ImageBox&>(e).BorderWidthOfImage()) {
        out += " border " + std::to_string(static_cast<const ImageBox&>(e).BorderWidthOfImage());
    }
    if (e.GetKind() == LayoutElement::kAltTextBox && static_cast<const AltTextBox&>(e).Framed()) out += " framed";
    if (const BoxStyle* style = e.Style(); style && style->backgroundImage > 0) {
        // The picture's number, its repeat mode and where its first tile
        // goes in the box (a percentage of the room beside the picture).
        char text[96];
        std::snprintf(text, sizeof text, " background %d repeat 0x%X at %d%s,%d%s",
                      static_cast<int>(style->backgroundImage), style->backgroundRepeat & kRepeatMask,
                      static_cast<int>(style->backgroundX), (style->backgroundRepeat & kRepeatXPercent) ? "%" : "",
                      static_cast<int>(style->backgroundY), (style->backgroundRepeat & kRepeatYPercent) ? "%" : "");
        out += text;
    }
    if (e.Has(LayoutElement::kSmallText)) out += " small";
    if (e.Has(LayoutElement::kOutOfFlow)) out += " float";
    out += '\n';
    for (const LayoutElement* c = e.FirstChild(); c; c = c->NextSibling()) DumpBox(*c, depth + 1, out);
}
}  // namespace

std::string DumpLayoutTree(const LayoutElement& root) {
    std::string out;
    DumpBox(root, 0, out);
    return out;
}

int32_t LayoutFormatter::NumberBackgroundImage(StyledBlock& edges) {
    if (!images_ || !page_ || !edges.backgroundUrl || !*edges.backgroundUrl) return 0;
    // Finding a URL makes its record in the page's registry; the page
    // itself stays as the formatter found it.
    const UrlHandle url = const_cast<PageProperties*>(page_)->FindUrl(nullptr, edges.backgroundUrl);
    return NumberBackgroundImage(url, edges.style);
}

int32_t LayoutFormatter::NumberBackgroundImage(const UrlHandle& url, BoxStyle& style) {
    if (!images_ || url.IsEmpty()) return 0;
    const int32_t number = images_->FindImage(nullptr, url).number;
    if (number <= 0) return 0;
    style.backgroundImage = number;
    // A picture repeats both ways unless the style says otherwise.
    if ((style.backgroundRepeat & kRepeatMask) == 0) {
        style.backgroundRepeat = static_cast<uint16_t>(style.backgroundRepeat | kRepeatBoth);
    }
    return number;
}

void LayoutFormatter::RegisterBackgroundBox(int32_t number, LayoutElement* box) {
    if (images_ && number > 0 && box) images_->RegisterImageBox(number, box);
}
