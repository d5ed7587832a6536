// Text fragments: one word or run of a text element's text.
#include <cctype>
#include <cstring>
#include <utility>

#include "html/HtmlElement.h"
#include "layout/LayoutElement.h"
#include "layout/PaintTree.h"

namespace {
constexpr int kTransformLimit = 4096;

bool IsSpace(char c) { return c == ' ' || static_cast<unsigned char>(c) == 0xA0; }

// The run as it is drawn: texts of 4096 characters or more stay as they are.
const char* Transformed(const char* text, int length, int transform, char* buffer) {
    if (transform == 0 || length >= kTransformLimit) return text;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        switch (transform) {
            case 1: buffer[i] = (i == 0 || text[i - 1] == ' ') ? static_cast<char>(std::toupper(c)) : text[i]; break;
            case 2: buffer[i] = static_cast<char>(std::toupper(c)); break;
            default: buffer[i] = static_cast<char>(std::tolower(c)); break;
        }
    }
    return buffer;
}
}  // namespace

TextFragment::TextFragment(LayoutElement* parent, const LayoutRequest* request, const BoxMetricsValues* metrics,
                           HtmlElement* text, int offset, int length)
    : ContentBox(parent, request, metrics, text),
      length_(static_cast<uint16_t>(length < 0 ? 0 : (length > kMaxRun ? kMaxRun : length))),
      offset_(static_cast<uint16_t>(offset < 0 ? 0 : (offset > 0xFFFF ? 0xFFFF : offset))) {
    Place(parent);
}

const char* TextFragment::TextPointer() const {
    const HtmlElement* element = Element();
    const char* text = element ? element->GetText() : nullptr;
    return text ? text + offset_ : nullptr;
}

bool TextFragment::EndsWithSpace() const {
    const char* text = TextPointer();
    return text && length_ > 0 && IsSpace(text[length_ - 1]);
}

void TextFragment::ApplyTextStyle(PaintDevice& device) const {
    const BoxStyle* chain[64];
    int n = 0;
    for (const LayoutElement* e = this; e && n < 64; e = e->Parent()) {
        if (e->Style() && (n == 0 || chain[n - 1] != e->Style())) chain[n++] = e->Style();
    }
    for (int i = n - 1; i >= 0; --i) {
        const BoxStyle& s = *chain[i];
        if (s.font) device.SetLogFont(*s.font);
        if (s.fontHeight > 0) device.SetFontHeight(Has(kSmallText) && i == 0 ? s.fontHeight * 8 / 10 : s.fontHeight);
        if (s.faceId >= 0) device.SetFaceById(static_cast<uint16_t>(s.faceId));
        if (s.weight > 0) device.SetWeight(s.weight);
        if (s.italic >= 0) device.SetItalic(s.italic);
        if (s.decorations & 1) device.SetUnderline();
        if (s.decorations & 2) device.StrikeOutOn();
        if (s.decorations & 4) device.SetOverline();
        if (s.letterSpacing != 32767) device.SetTextCharacterExtra(s.letterSpacing);
        if (s.wordSpacing != FLT_MAX) device.SetWordSpacing(s.wordSpacing);
    }
}

int32_t TextFragment::MeasurePrefix(PaintDevice& device, int n) const {
    const char* text = TextPointer();
    if (!text || n <= 0) return 0;
    if (n > length_) n = length_;
    char buffer[kTransformLimit];
    const char* shown = Transformed(text, length_, (Flags() & kTransformMask) >> 6, buffer);
    return Has(kClassFlag) ? device.GetTextExtentNbsp(shown, n) : device.GetTextExtent(shown, n);
}

LayoutElement* TextFragment::CharacterAt(PaintDevice& device, int32_t x, int32_t y, bool search, int& index,
                                         int32_t& offset) {
    index = 0;
    offset = 0;
    const int32_t left = x - X();
    if (left <= 0 || length_ == 0) return this;
    const int32_t width = Width();
    if (left >= width) {
        index = length_;
        offset = width;
        return this;
    }
    ApplyTextStyle(device);
    // An estimate first; an empty preformatted fragment has no width.
    int i = width > 0 ? static_cast<int>(static_cast<int64_t>(left) * length_ / width) : 0;
    if (i > length_) i = length_;
    while (i > 0 && MeasurePrefix(device, i) > left) --i;
    while (i < length_ && MeasurePrefix(device, i + 1) <= left) ++i;
    const int32_t before = MeasurePrefix(device, i);
    if (i < length_) {
        const int32_t after = MeasurePrefix(device, i + 1);
        if (after - left < left - before) {
            index = i + 1;
            offset = after;
            return this;
        }
    }
    index = i;
    offset = before;
    return this;
}

LayoutElement* TextFragment::FindFor(const HtmlElement* element, int& count) {
    if (Element() != element) return nullptr;
    const int visible = CountVisibleChars(length_);
    if (count <= visible) return this;
    count -= visible;
    return nullptr;
}

int TextFragment::CountVisibleChars(int n) const {
    const char* text = TextPointer();
    if (!text) return 0;
    if (n > length_) n = length_;
    int visible = 0;
    for (int i = 0; i < n; ++i) visible += !IsSpace(text[i]);
    return visible;
}

void TextFragment::DropLeadingSpace(PaintDevice& device) {
    if (length_ == 0) return;
    ++offset_;
    --length_;
    ApplyTextStyle(device);
    SetWidth(MeasurePrefix(device, length_));
}

int TextFragment::WordGaps() const {
    const char* text = TextPointer();
    if (!text) return 0;
    int gaps = 0;
    for (int i = 1; i < length_; ++i) {
        if (text[i] == ' ' && text[i - 1] != ' ') ++gaps;
    }
    if (length_ > 1 && text[length_ - 1] == ' ' && text[length_ - 2] != ' ') --gaps;
    return gaps;
}

void TextFragment::SetWordSpacing(float spacing) {
    if (!ownStyle_ || Style() != ownStyle_.get()) {
        const BoxStyle shared = Style() ? *Style() : BoxStyle();
        if (ownStyle_) {
            *ownStyle_ = shared;
        } else {
            ownStyle_ = std::make_unique<BoxStyle>(shared);
        }
        SetStyle(ownStyle_.get());
    }
    ownStyle_->wordSpacing = spacing;
}

bool TextFragment::MeasureRange(PaintDevice& device, int first, int last, int32_t& start, int32_t& end) const {
    start = end = 0;
    if (first < 0 || last < first || last > length_) return false;
    ApplyTextStyle(device);
    start = first == 0 ? 0 : MeasurePrefix(device, first) + 1;
    const char* text = TextPointer();
    if (!text) return false;
    char buffer[kTransformLimit];
    const char* shown = Transformed(text, length_, (Flags() & kTransformMask) >> 6, buffer);
    const int32_t w = Has(kClassFlag) ? device.GetTextExtentNbsp(shown + first, last - first)
                                      : device.GetTextExtent(shown + first, last - first);
    end = start + w;
    return true;
}

int TextFragment::SplitAtLastSpace(PaintDevice& device, const char*& rest, int& restLength, int32_t& restWidth) {
    const char* text = TextPointer();
    if (!text || length_ < 3) return 0;
    int space = length_ - 2;
    while (space > 0 && text[space] != ' ') --space;
    if (space < 1) return 0;
    ApplyTextStyle(device);
    rest = text + space + 1;
    restLength = length_ - space - 1;
    restWidth = Has(kClassFlag) ? device.GetTextExtentNbsp(rest, restLength) : device.GetTextExtent(rest, restLength);
    length_ = static_cast<uint16_t>(space);
    SetWidth(MeasurePrefix(device, length_));
    return 1;
}

int TextFragment::IndexAtOffset(PaintDevice& device, int32_t offset) const {
    int i = 0;
    while (i < length_ && MeasurePrefix(device, i + 1) <= offset) ++i;
    return i;
}

int TextFragment::Paint(PaintDevice& device, LeafPaint& leaf) {
    const PaintRequest& request = *leaf.request;
    const char* text = TextPointer();
    const int32_t x = leaf.originX + X() - request.viewX;
    const int32_t top = leaf.originY + Y() - request.viewY;
    if (text && length_ > 0 && device.IsNotScreen()) {
        // A printer's font may be wider or narrower than the screen's: the
        // line makes room for what is really drawn.
        char buffer[kTransformLimit];
        const char* shown = Transformed(text, length_, (Flags() & kTransformMask) >> 6, buffer);
        const int32_t w = Has(kClassFlag) ? device.GetTextExtentNbsp(shown, length_) : device.GetTextExtent(shown, length_);
        if (w != Width() && Parent()) Parent()->ChildWidthChanged(this, w);
    }
    // The selected part of this fragment, in x offsets.
    const PaintSelection* selection = leaf.selection;
    bool selected = false;
    int32_t from = 0, to = Width();
    if (selection) {
        if (leaf.phase == 0 && selection->startElement == this) {
            leaf.phase = 1;
            from = selection->startOffset;
        }
        if (leaf.phase == 1) {
            selected = true;
            if (selection->endElement == this) {
                to = selection->endOffset;
                leaf.phase = 2;
            }
            if (selection->startElement == this && selection->endElement == this && to < from) std::swap(from, to);
            if (from < 0) from = 0;
            if (to > Width()) to = Width();
        }
    }
    if (text && length_ > 0 && (!request.selectionOnly || selected)) {
        char buffer[kTransformLimit];
        const char* shown = Transformed(text, length_, (Flags() & kTransformMask) >> 6, buffer);
        int first = 0, last = length_;
        if (request.selectionOnly) {
            first = IndexAtOffset(device, from);
            last = IndexAtOffset(device, to);
        }
        const int32_t y = top + (static_cast<int32_t>(Height()) - device.GetLineHeight()) / 2;
        const int32_t at = x + MeasurePrefix(device, first);
        if (last > first) {
            if (Has(kClassFlag)) {
                device.DrawTextNbsp(at, y, shown + first, last - first);
            } else {
                device.DrawText(at, y, shown + first, last - first);
            }
        }
    }
    if (selected && to > from) device.InvertArea(x + from, top, to - from, static_cast<int32_t>(Height()));
    return !selection || leaf.phase == 2 ? 1 : 0;
}
