// The formatter's boxes that are not text: images and their placeholders,
// embeds, form controls, and the floats that lines flow around.
#include <cstring>

#include "html/CssTokenizer.h"
#include "html/ElementRecords.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/ElementAccessors.h"
#include "layout/FormControl.h"
#include "layout/LayoutFormatter.h"
#include "layout/PaintDevice.h"

namespace {
// Vertical alignment codes of a box in its line.
constexpr int16_t kAlignBaseline = 80;
constexpr int16_t kAlignTop = 68;
constexpr int16_t kAlignMiddle = 84;

int32_t Clamp16Size(int64_t v) { return v < 0 ? 0 : (v > 32767 ? 32767 : static_cast<int32_t>(v)); }

// The last piece of a line that stands for an element of the page (list
// markers and references do not).
const LayoutElement* LastContentPiece(const LayoutElement* line) {
    for (const LayoutElement* c = line ? line->LastChild() : nullptr; c; c = c->PrevSibling()) {
        if (c->GetKind() != LayoutElement::kReferenceBox && c->GetKind() != LayoutElement::kListMarkerBox &&
            c->Element()) {
            return c;
        }
    }
    return nullptr;
}

int32_t WidestWord(PaintDevice& device, const char* text, int length) {
    int32_t widest = 0;
    for (int i = 0; i < length;) {
        int end = i;
        while (end < length && text[end] != ' ') ++end;
        const int32_t w = device.GetTextExtent(text + i, end - i);
        if (w > widest) widest = w;
        i = end + 1;
    }
    return widest;
}
}  // namespace

static const char kImagePlaceholder[] = "IMAGE ";

// The placeholder text of an image: its ALT, else "IMAGE "; null when the
// ALT is empty or a single space (no placeholder).
const char* PlaceholderText(const HtmlElement* e) {
    const ImageRecord* image = e->Type() == kTagImg ? e->RecordAs<ImageRecord>() : nullptr;
    const char* alt = image ? image->alt.Get() : nullptr;
    if (!alt) return kImagePlaceholder;
    if (alt[0] == '\0' || std::strcmp(alt, " ") == 0) return nullptr;
    return alt;
}


// --- floats --------------------------------------------------------------------

FloatList* LayoutFormatter::FloatsOf(LayoutState& state, bool make) {
    for (ListNode* n = &state; n; n = n->Prev()) {
        auto* s = static_cast<LayoutState*>(n);
        if (!s->floatContext) continue;
        if (!s->floats && make) s->floats = std::make_unique<FloatList>();
        return s->floats.get();
    }
    return nullptr;
}

void LayoutFormatter::StartFloat(HtmlElement* e, LayoutState& state, int side, int32_t width,
                                 const BoxMetricsValues* edges, int alignment) {
    LayoutState& bs = *state.blockState;
    // The float goes below the line it interrupts.
    CloseLine(bs, alignment);
    if (state.pendingFloat || !bs.block) return;
    LayoutRequest request;
    request.width = Clamp16Size(width);
    auto* box = new BlockBox(bs.block, &request, edges, e);
    box->SetFlags(LayoutElement::kOutOfFlow, true);
    state.pendingFloat = box;
    state.pendingFloatSide = side;
}

void LayoutFormatter::EndFloat(LayoutState& outer, LayoutState& state) {
    BlockBox* box = state.pendingFloat;
    const bool left = state.pendingFloatSide != kFloatRight;
    state.pendingFloat = nullptr;
    box->Finish();
    if (!left && box->Parent()) {
        const LayoutElement& parent = *box->Parent();
        box->SetX(parent.Width() - parent.RightEdge() - box->Width());
    }
    FloatList* floats = FloatsOf(outer, true);
    if (!floats) return;
    FitBoxBesideFloats(*floats, *box, left ? kFloatLeft : kFloatRight);
    floats->Add(box, left);
}

bool LayoutFormatter::ClearFloats(LayoutState& state, int side, int alignment) {
    FloatList* floats = FloatsOf(state, false);
    if (!floats || floats->IsEmpty()) return false;
    int32_t lowest = 0;
    const bool taken = TakeOutFloats(*floats, side, lowest);
    LayoutState& bs = *state.blockState;
    LineBox* line = bs.line;
    const bool lineStays = line && (line->FirstChild() || line->Has(0x1000));
    CloseLine(bs, alignment);
    if (!taken || !bs.block) return false;
    if (lineStays && line->AbsoluteY() + static_cast<int32_t>(line->Height()) >= lowest) return false;
    // An empty line at the floats' bottom: the flow goes on below it.
    LayoutRequest request;
    auto* spacer = new LineBox(bs.block, &request);
    const int32_t target = lowest - bs.block->AbsoluteY();
    if (spacer->Y() >= target) {
        spacer->Detach();
        delete spacer;
        return false;
    }
    spacer->Finish();
    spacer->SetY(target);
    return true;
}

// --- fitting a box into the line ---------------------------------------------------

int LayoutFormatter::NobrBreakCheck(LayoutState& state, bool secondPass) {
    HtmlElement* context = state.nobr;
    if (!context) return secondPass ? kResultDone : kResultNoFit;
    const LayoutElement* last = LastContentPiece(state.blockState->line);
    if (!last) return context->Type() == kTagNobr || secondPass ? kResultDone : kResultNoFit;
    if (context->Type() == kTagNobr && !context->Contains(last->Element())) return kResultNoFit;
    if (context->Contains(last->Element()) || context->IsBefore(last->Element())) return kResultDone;
    return kResultUnbreakable;
}

int LayoutFormatter::PlaceInline(LayoutState& state, Call call, bool fitTest, int32_t width, bool floated,
                                 LayoutElement*& receiver) {
    receiver = nullptr;
    if (floated) {
        receiver = state.pendingFloat;
        return receiver ? kResultDone : kResultNothing;
    }
    LayoutState& bs = *state.blockState;
    if (!bs.line) StartLine(bs);
    if (!bs.line) return kResultNothing;
    receiver = bs.line;
    if (fitTest && !call.preformatted && width > LineRoom(bs)) {
        const int r = NobrBreakCheck(state, call.secondPass);
        if (r != kResultDone) return r;
    }
    return kResultDone;
}

// --- images ----------------------------------------------------------------------------

int LayoutFormatter::FormatImage(HtmlElement* e, LayoutState& state, Call call, int floatSide) {
    LayoutState& bs = *state.blockState;
    int border = e->HasBorder() ? e->GetBorder() : (EnclosingAnchor(e) || forceImageFrame_ ? 1 : 0);

    ImageSizeRequest size;
    const int given = GetImageSizeFlags(e);
    size.widthGiven = (given & 4) != 0;
    size.heightGiven = (given & 8) != 0;
    size.width = GetImageWidth(e);
    size.height = GetImageHeight(e);
    size.viewWidth = device_.GetViewWidth();
    size.viewHeight = device_.GetViewHeight();
    const UrlHandle url = e->GetImageUrl();
    ImageLookup image;
    if (images_ && !url.IsEmpty()) image = images_->FindImage(e, url);
    size.imageKnown = image.sizeKnown;
    size.imageWidth = image.width;
    size.imageHeight = image.height;
    int32_t width = 0, height = 0;
    const bool sized = ResolveImageSize(size, width, height);

    const char* alt = nullptr;
    bool framed = false;
    if (!sized) {
        // The placeholder: the text in a box, framed where the image would
        // have had a border.
        if (image.loading) imageAwaited_ = true;
        alt = PlaceholderText(e);
        if (!alt) {
            // Nothing shows until the image's size is known; the table still
            // loads it, and tells the page to lay out again when it is.
            if (images_ && !url.IsEmpty()) images_->RegisterImageBox(image.number, nullptr);
            return kResultNothing;
        }
        framed = border > 0;
        border = 0;
        const int length = static_cast<int>(std::strlen(alt));
        DeviceTextMetrics metrics;
        device_.GetTextMetrics(metrics);
        width = device_.GetTextExtent(alt, length) + 8;
        height = metrics.height + 4;
        int32_t room = bs.block ? bs.block->Width() - bs.block->HorizontalExtra() : width;
        if (device_.GetViewWidth() < room) room = device_.GetViewWidth();
        const char* space = std::strchr(alt, ' ');
        if (width > room && space && space[1] != '\0') {
            const int32_t widest = WidestWord(device_, alt, length);
            const int32_t wrap = widest > room ? widest : room;
            height = device_.DrawTextInRect(0, 0, wrap, 32767, alt, length, false) + 4;
            width = wrap + 8;
        }
    }
    const int hspace = e->GetImageHSpace(), vspace = e->GetImageVSpace();
    const int32_t boxWidth = Clamp16Size(static_cast<int64_t>(width) + 2 * border + 2 * hspace);
    const int32_t boxHeight = Clamp16Size(static_cast<int64_t>(height) + 2 * border + 2 * vspace);

    if (floatSide) StartFloat(e, state, floatSide, boxWidth, nullptr, call.alignment);
    LayoutElement* receiver = nullptr;
    // The left spacing counts twice in the fit test.
    const int r = PlaceInline(state, call, true, boxWidth + hspace, floatSide != 0, receiver);
    if (r != kResultDone) return r;

    BoxMetricsValues edges;
    edges.margin[BoxMetricsValues::kLeft] = edges.margin[BoxMetricsValues::kRight] = Clamp16(hspace);
    edges.margin[BoxMetricsValues::kTop] = edges.margin[BoxMetricsValues::kBottom] = Clamp16(vspace);
    const int align = GetImageAlign(e);
    edges.valignCode = align == 3 ? kAlignTop : (align == 2 ? kAlignMiddle : kAlignBaseline);
    LayoutRequest request;
    request.width = boxWidth;
    request.height = boxHeight;
    request.value2 = Clamp16(boxHeight);
    LayoutElement* box;
    if (sized) {
        box = new ImageBox(receiver, &request, &edges, e, image.number, border, !image.sizeKnown);
    } else {
        box = new AltTextBox(receiver, &request, &edges, e, alt, static_cast<int>(std::strlen(alt)), framed);
    }
    if (images_ && !url.IsEmpty()) images_->RegisterImageBox(image.number, box);
    return kResultDone;
}

// --- embeds and form controls ----------------------------------------------------------

int LayoutFormatter::FormatEmbed(HtmlElement* e, LayoutState& state, Call call) {
    const EmbedRecord* record = e->RecordAs<EmbedRecord>();
    if (!pluginsEnabled_ || !record || record->hidden) return kResultNothing;
    LayoutState& bs = *state.blockState;
    int32_t reference = bs.block ? bs.block->Width() - bs.block->HorizontalExtra() : 0;
    if (device_.GetViewWidth() < reference) reference = device_.GetViewWidth();
    int64_t width = GetEmbedWidth(e), height = GetEmbedHeight(e);
    if (width < 0) width = -width * reference / 100 < 1 ? 1 : -width * reference / 100;
    if (height < 0) height = -height * device_.GetViewHeight() / 100 < 1 ? 1 : -height * device_.GetViewHeight() / 100;
    LayoutElement* receiver = nullptr;
    const int r = PlaceInline(state, call, true, Clamp16Size(width), false, receiver);
    if (r != kResultDone) return r;
    LayoutRequest request;
    request.width = Clamp16Size(width);
    request.height = Clamp16Size(height);
    request.value2 = Clamp16(request.height);
    new EmbedBox(receiver, &request, nullptr, e);
    return kResultDone;
}

int LayoutFormatter::FormatControl(HtmlElement* e, LayoutState& state, Call call) {
    // A list or text area still being read is made once it is complete.
    if (e->Type() != kTagInput && stop_ && e->Contains(stop_)) return kResultStopped;
    const int fieldType = e->Type() == kTagInput ? e->GetFormFieldType() : 0;
    if (fieldType == kFieldHidden) return kResultNothing;
    if (fieldType == kFieldImage && !e->GetImageUrl().IsEmpty()) return FormatImage(e, state, call, 0);
    FormControlFactory* factory = RegisteredFormControlFactory();
    if (!factory) return kResultNothing;
    int32_t width = 0, height = 0;
    // The control an earlier layout of the page showed keeps what the user
    // put into it.
    FormControl* control = savedControls_ ? savedControls_->Take(e) : nullptr;
    const bool kept = control != nullptr;
    if (kept) {
        width = control->Width();
        height = control->Height();
    } else {
        control = factory->MakeFormControl(e, device_, width, height);
    }
    if (!control) return kResultNothing;
    LayoutElement* receiver = nullptr;
    const int r = PlaceInline(state, call, !call.secondPass, Clamp16Size(width), false, receiver);
    if (r != kResultDone) {
        if (kept)
            savedControls_->Put(e, control);
        else
            factory->ReleaseFormControl(control);
        return r;
    }
    // Controls other than check boxes and radio buttons stand 2 units
    // taller than the control, which window-less devices draw lower.
    const bool check = fieldType == kFieldCheckbox || fieldType == kFieldRadio;
    LayoutRequest request;
    request.width = Clamp16Size(width);
    request.height = Clamp16Size(static_cast<int64_t>(height) + (check ? 0 : 2));
    request.value2 = Clamp16(request.height - request.height / 4);
    auto* box = new FormControlBox(receiver, &request, nullptr, e, control);
    if (!check) SetKeepFlag(*box, true);
    return kResultDone;
}
