#include "html/ElementRecords.h"
#include "html/FontFaces.h"

#include <cstring>

#include "html/HtmlElement.h"
#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "html/StyleSheet.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"

namespace {

constexpr int kMaxUrlText = 4096;

bool NonEmpty(const AttributeSlot& s) {
    return s.value && s.valueLength > 0;
}
bool HasPercent(const AttributeSlot& s) {
    return s.value && std::memchr(s.value, '%', s.valueLength);
}
int Keyword(const AttributeSlot& s) {
    return s.value ? LookupKeyword(s.value, s.valueLength) : 0;
}
int Number(const AttributeSlot& s) {
    return SlotNumber(s.value, s.valueLength);
}
int Clamp(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}
bool IsSpaceByte(unsigned char c) {
    return c <= ' ' || c == 0x7F || c == 0x80 || c == 0x81 || (c >= 0x8D && c <= 0x90);
}

// Left, right, center and justify keywords to alignment codes; 0 otherwise.
int AlignFromKeyword(int keyword) {
    switch (keyword) {
        case kKeyLeft:
            return kAlignLeft;
        case kKeyRight:
            return kAlignRight;
        case kKeyCenter:
            return kAlignCenter;
        case kKeyJustify:
            return kAlignJustify;
        default:
            return 0;
    }
}

int ClearFromKeyword(int keyword) {
    switch (keyword) {
        case kKeyLeft:
            return kClearLeft;
        case kKeyRight:
            return kClearRight;
        case kKeyAll:
            return kClearAll;
        default:
            return 0;
    }
}

// Takes a text attribute once: the first occurrence that gives a text.
void TakeText(OwnedText& field, const AttributeSlot& s, bool decode = true) {
    if (field.IsSet() || !s.value) return;
    field = decode ? OwnedText::Decoded(s.value, s.valueLength) : OwnedText(s.value, s.valueLength);
}

// A length: the number, negated when the value holds "%".
int LengthValue(const AttributeSlot& s) {
    int n = Number(s);
    return HasPercent(s) ? -n : n;
}

std::unique_ptr<UrlHandle> NewUrl(const UrlHandle& url) {
    return std::make_unique<UrlHandle>(url);
}

// The value copied, cut to 4096 bytes, trimmed and terminated.
std::string TrimmedUrlText(const AttributeSlot& s) {
    int length = s.valueLength < kMaxUrlText ? s.valueLength : kMaxUrlText;
    std::string buffer(s.value ? s.value : "", length);
    buffer.push_back('\0');
    char* start = TrimAttributeValue(&buffer[0], length);
    return std::string(start, length);
}

// The value cut, trimmed and entity-decoded.
std::string DecodedUrlText(const AttributeSlot& s) {
    std::string text = TrimmedUrlText(s);
    DecodeEntities(&text[0]);
    text.resize(std::strlen(text.c_str()));
    return text;
}

// ALT of IMG and AREA: white space collapsed, one space added, decoded. The
// buffer has room for the added space and the NUL.
OwnedText AltText(const AttributeSlot& s) {
    std::unique_ptr<char[]> buffer(new char[s.valueLength + 2]);
    buffer[0] = '\0';
    CollapseWhiteSpace(s.value, s.valueLength, buffer.get(), s.valueLength + 1);
    DecodeEntities(buffer.get());
    return OwnedText(buffer.get());
}

// ACTION of FORM and ISINDEX: made absolute against the base when there is one.
OwnedText AbsoluteAction(const AttributeSlot& s, PageProperties* page) {
    std::string text = DecodedUrlText(s);
    if (page && page->GetBaseUrl() && !page->GetBaseUrl()->IsEmpty() && !text.empty()) {
        UrlHandle url = page->FindUrl(page->GetBaseUrl(), text.c_str());
        return OwnedText(url.GetName() ? url.GetName() : text.c_str());
    }
    return OwnedText(text.c_str());
}

// The common reading of URL attributes (A, AREA, LINK, FRAME, SCRIPT, EMBED,
// BGSOUND and form fields): decoded, split at "#", resolved against the base.
std::unique_ptr<UrlHandle> ParseUrlAttribute(const AttributeSlot& s, PageProperties* page,
                                             OwnedText* fragmentOut) {
    if (!page) return nullptr;
    std::string text = TrimmedUrlText(s);
    const UrlHandle* base = page->GetBaseUrl();
    if (text.size() >= 11 && EqualNoCase(text.c_str(), "javascript:", 11))
        return NewUrl(page->FindUrl(base, text.c_str()));
    DecodeEntities(&text[0]);
    text.resize(std::strlen(text.c_str()));
    std::string fragment;
    size_t hash = text.find('#');
    if (hash != std::string::npos) {
        fragment = text.substr(hash + 1);
        text.resize(hash);
    }
    if (fragmentOut && !fragment.empty()) *fragmentOut = OwnedText(fragment.c_str());
    if (!base || base->IsEmpty()) return NewUrl(page->FindUrl(nullptr, text.c_str(), fragment.c_str()));
    // A link that is only a fragment (or names the page itself) stays on the
    // page's own record.
    if (text.empty() || (base->GetName() && text == base->GetName()))
        return NewUrl(UrlHandle(base->Record(), fragment.empty() ? nullptr : fragment.c_str()));
    return NewUrl(page->FindUrl(base, text.c_str(), fragment.c_str()));
}

// IMG SRC and BODY BACKGROUND: no "#" split and no javascript: exception.
std::unique_ptr<UrlHandle> ParseImageUrl(const AttributeSlot& s, PageProperties* page, bool icons) {
    if (!page) return nullptr;
    std::string text = DecodedUrlText(s);
    if (icons && !text.empty()) {
        static const char* const kIcons[] = {"internal-directory", "internal-unknown", "internal-html",
                                             "internal-binary"};
        for (const char* icon : kIcons) {
            // Compared over the value's own length, case kept: a leading part
            // of an icon name takes that icon.
            if (text.size() <= std::strlen(icon) && std::memcmp(icon, text.data(), text.size()) == 0)
                return NewUrl(page->IconUrl(icon));
        }
    }
    return NewUrl(page->FindUrl(page->GetBaseUrl(), text.c_str()));
}

const char* LinkEventText(int eventId, const OwnedText& click, const OwnedText& out, const OwnedText& over) {
    if (eventId == kEventLinkClick) return click.Get();
    if (eventId == kEventMouseOut) return out.Get();
    return eventId == kEventMouseOver ? over.Get() : nullptr;
}

void AppendField(std::string& out, const char* name, const std::string& value) {
    out += ' ';
    out += name;
    out += '=';
    out += value;
}
void AppendInt(std::string& out, const char* name, long value) {
    AppendField(out, name, std::to_string(value));
}
void AppendText(std::string& out, const char* name, const OwnedText& text) {
    if (text.IsSet()) AppendField(out, name, std::string("\"") + text.Get() + "\"");
}
void AppendUrl(std::string& out, const char* name, const UrlField& url) {
    if (url) AppendField(out, name, "<" + PageUrls::FullName(*url) + ">");
}
void AppendHex(std::string& out, const char* name, int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, value < 0 ? "%d" : "0x%08X", value);
    AppendField(out, name, buffer);
}

}  // namespace

OwnedText::OwnedText(const char* text, int length) {
    if (!text) return;
    text_.reset(new char[length + 1]);
    std::memcpy(text_.get(), text, length);
    text_[length] = '\0';
}

OwnedText& OwnedText::operator=(const OwnedText& other) {
    if (this != &other) *this = other.text_ ? OwnedText(other.text_.get()) : OwnedText();
    return *this;
}

OwnedText OwnedText::Decoded(const char* text, int length) {
    OwnedText copy(text, length);
    DecodeEntities(copy.Data());
    return copy;
}

int32_t SlotNumber(const char* value, int length) {
    if (!value) return 0;
    const char* p = value;
    const char* end = value + length;
    while (p < end && IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    long long n = 0;
    for (; p < end && IsAsciiDigit(static_cast<unsigned char>(*p)); ++p) {
        n = n * 10 + (*p - '0');
        if (n > 0x7FFFFFFF) n = 0x7FFFFFFF;
    }
    return static_cast<int32_t>(negative ? -n : n);
}

int ParseLoop(const char* value, int length) {
    if (!value || length <= 0 || LookupKeyword(value, length) == kKeyInfinite) return 255;
    int n = SlotNumber(value, length);
    return (n < 0 || n > 255) ? 255 : n;
}

void CollapseWhiteSpace(const char* source, int length, char* destination, int capacity) {
    if (!source || length <= 0 || !destination || length > capacity) return;
    int out = 0;
    bool inSpace = false;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(source[i]);
        if (IsSpaceByte(c)) {
            if (!inSpace) destination[out++] = ' ';
            inSpace = true;
        } else {
            destination[out++] = static_cast<char>(c);
            inSpace = false;
        }
    }
    if (out < capacity) destination[out++] = ' ';
    destination[out] = '\0';
}

// ---------------------------------------------------------------------------

bool ElementRecord::TakeCommon(const AttributeSlot& s, const RecordContext& context) {
    switch (s.code) {
        case kAttrId:
            TakeText(id_, s);
            return true;
        case kAttrClass:
            TakeText(class_, s);
            return true;
        case kAttrStyle:
            if (!style_.IsSet() && s.value && context.page && context.page->cssMode) {
                style_.Set(ParseStyleAttribute(s.value, s.value + s.valueLength, context.page->GetBaseUrl()));
            }
            return true;
        default:
            return false;
    }
}

int32_t ElementRecord::CompiledHandler(int eventId) const {
    for (const auto& entry : compiled_) {
        if (entry.first == eventId) return entry.second;
    }
    return 0;
}

void ElementRecord::SetCompiledHandler(int eventId, int32_t handler) {
    for (auto& entry : compiled_) {
        if (entry.first == eventId) {
            entry.second = handler;
            return;
        }
    }
    compiled_.emplace_back(eventId, handler);
}

void ElementRecord::DumpCommon(std::string& out) const {
    AppendText(out, "id", id_);
    AppendText(out, "class", class_);
    if (style_.IsSet()) {
        int count = 0;
        for (const ListNode* d = style_.Get()->First(); d; d = d->Next()) ++count;
        AppendInt(out, "style", count);
    }
}

// ---------------------------------------------------------------------------

AnchorRecord::AnchorRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrHref:
                if (!href && s->value) href = ParseUrlAttribute(*s, context.page, &fragment);
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
            case kAttrTarget:
                TakeText(target, *s);
                break;
            case kAttrTitle:
                if (!title.IsSet() && s->value) {
                    OwnedText decoded = OwnedText::Decoded(s->value, s->valueLength);
                    int length = static_cast<int>(std::strlen(decoded.Get()));
                    const char* trimmed = TrimAttributeValue(decoded.Data(), length);
                    title = OwnedText(trimmed, length);
                }
                break;
            case kAttrShortcut:
                if (s->value) {
                    int n = s->valueLength < 3 ? s->valueLength : 3;
                    std::memset(shortcut, 0, sizeof shortcut);
                    std::memcpy(shortcut, s->value, n);
                }
                break;
            case kAttrOnclick:
                TakeText(onClick, *s, false);
                break;
            case kAttrOnmouseover:
                TakeText(onMouseOver, *s, false);
                break;
            case kAttrOnmouseout:
                TakeText(onMouseOut, *s, false);
                break;
        }
    }
    // A mail link carries its TITLE in place of a fragment.
    if (href && title.IsSet() && !href->IsEmpty() && (*href)->GetScheme() == kSchemeMailto)
        href = NewUrl(UrlHandle(href->Record(), title.Get()));
}

const char* AnchorRecord::GetEventHandlerText(int eventId) const {
    return LinkEventText(eventId, onClick, onMouseOut, onMouseOver);
}

void AnchorRecord::Dump(std::string& out) const {
    AppendUrl(out, "href", href);
    AppendText(out, "fragment", fragment);
    AppendText(out, "name", name);
    AppendText(out, "target", target);
    AppendText(out, "title", title);
    if (shortcut[0]) AppendField(out, "shortcut", shortcut);
    AppendText(out, "onclick", onClick);
    AppendText(out, "onmouseover", onMouseOver);
    AppendText(out, "onmouseout", onMouseOut);
    DumpCommon(out);
}

BlockRecord::BlockRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool alignGiven = false, clearGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        if (s->code == kAttrAlign && !alignGiven && NonEmpty(*s)) {
            int a = AlignFromKeyword(Keyword(*s));
            if (a) align = a;
            alignGiven = true;
        } else if (s->code == kAttrClear && !clearGiven && NonEmpty(*s)) {
            clear = ClearFromKeyword(Keyword(*s));
            clearGiven = true;
        }
    }
}

void BlockRecord::Dump(std::string& out) const {
    AppendInt(out, "align", align);
    if (clear) AppendInt(out, "clear", clear);
    DumpCommon(out);
}

ListRecord::ListRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool typeGiven = false, valueGiven = false, clearGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrType:
                if (typeGiven || !NonEmpty(*s)) break;
                typeGiven = true;
                if (s->valueLength == 1) {
                    switch (s->value[0]) {
                        case 'a':
                            type = kMarkerLowerAlpha;
                            break;
                        case 'A':
                            type = kMarkerUpperAlpha;
                            break;
                        case 'i':
                            type = kMarkerLowerRoman;
                            break;
                        case 'I':
                            type = kMarkerUpperRoman;
                            break;
                        case 'n':
                        case 'N':
                            type = kMarkerDecimal;
                            break;
                    }
                } else {
                    switch (Keyword(*s)) {
                        case kKeyDisc:
                            type = kMarkerDisc;
                            break;
                        case kKeyCircle:
                            type = kMarkerCircle;
                            break;
                        case kKeySquare:
                            type = kMarkerSquare;
                            break;
                    }
                }
                break;
            case kAttrValue:
            case kAttrStart:
                if (!valueGiven && NonEmpty(*s)) {
                    value = Number(*s);
                    valueGiven = true;
                }
                break;
            case kAttrClear:
                if (!clearGiven && NonEmpty(*s)) {
                    clear = ClearFromKeyword(Keyword(*s));
                    clearGiven = true;
                }
                break;
        }
    }
}

void ListRecord::Dump(std::string& out) const {
    AppendInt(out, "type", type);
    if (value) AppendInt(out, "value", value);
    if (clear) AppendInt(out, "clear", clear);
    DumpCommon(out);
}

ClearRecord::ClearRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        if (s->code == kAttrClear && !clear) clear = ClearFromKeyword(Keyword(*s));
    }
}

void ClearRecord::Dump(std::string& out) const {
    AppendInt(out, "clear", clear);
    DumpCommon(out);
}

RuleRecord::RuleRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool alignGiven = false, sizeGiven = false, widthGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrAlign:
                if (!alignGiven && NonEmpty(*s)) {
                    int k = Keyword(*s);
                    align = k == kKeyLeft ? kAlignLeft : (k == kKeyRight ? kAlignRight : 0);
                    alignGiven = true;
                }
                break;
            case kAttrSize:
                if (!sizeGiven && NonEmpty(*s)) {
                    size = Number(*s);
                    sizeGiven = true;
                }
                break;
            case kAttrWidth:
                if (!widthGiven && NonEmpty(*s)) {
                    width = Number(*s);
                    widthUnit = HasPercent(*s) ? 2 : 3;
                    widthGiven = true;
                }
                break;
            case kAttrNoshade:
                noShade = 1;
                break;
        }
    }
}

void RuleRecord::Dump(std::string& out) const {
    AppendInt(out, "align", align);
    AppendInt(out, "size", size);
    AppendInt(out, "width", width);
    AppendInt(out, "unit", widthUnit);
    if (noShade) AppendInt(out, "noshade", 1);
    DumpCommon(out);
}

CellRecord::CellRecord(const AttributeSlot* slots, const RecordContext& context) {
    implied = context.implied ? 1 : 0;
    bool given[8] = {};
    for (const AttributeSlot* s = slots; s && s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrAlign:
                if (!given[0] && NonEmpty(*s)) {
                    int k = Keyword(*s);
                    align = static_cast<uint8_t>(k == kKeyMiddle ? kAlignCenter : AlignFromKeyword(k));
                    given[0] = true;
                }
                break;
            case kAttrValign:
                if (!given[1] && NonEmpty(*s)) {
                    switch (Keyword(*s)) {
                        case kKeyTop:
                            valign = 3;
                            break;
                        case kKeyMiddle:
                            valign = 2;
                            break;
                        case kKeyBottom:
                            valign = 1;
                            break;
                        case kKeyBaseline:
                            valign = 9;
                            break;
                        default:
                            valign = 0;
                    }
                    given[1] = true;
                }
                break;
            case kAttrColspan:
                if (!given[2] && NonEmpty(*s)) {
                    colSpan = Number(*s) < 1 ? 1 : Number(*s);
                    given[2] = true;
                }
                break;
            case kAttrRowspan:
                if (!given[3] && NonEmpty(*s)) {
                    rowSpan = Number(*s) < 1 ? 1 : Number(*s);
                    given[3] = true;
                }
                break;
            case kAttrWidth:
                if (!given[4] && NonEmpty(*s)) {
                    width = LengthValue(*s);
                    given[4] = true;
                }
                break;
            case kAttrHeight:
                if (!given[5] && NonEmpty(*s)) {
                    height = LengthValue(*s);
                    given[5] = true;
                }
                break;
            case kAttrNowrap:
                noWrap = 1;
                break;
            case kAttrBorder:
                border = 1;
                break;
            case kAttrBgcolor:
                if (!given[6] && NonEmpty(*s)) {
                    bgColor = ParseColour(s->value, s->valueLength);
                    given[6] = true;
                }
                break;
            case kAttrDp:
                if (!given[7] && NonEmpty(*s)) {
                    dp = static_cast<uint8_t>(s->value[0]);
                    given[7] = true;
                }
                break;
        }
    }
}

void CellRecord::Dump(std::string& out) const {
    AppendInt(out, "align", align);
    AppendInt(out, "valign", valign);
    AppendInt(out, "colspan", colSpan);
    AppendInt(out, "rowspan", rowSpan);
    AppendInt(out, "width", width);
    AppendInt(out, "height", height);
    AppendHex(out, "bgcolor", bgColor);
    if (noWrap) AppendInt(out, "nowrap", 1);
    if (border) AppendInt(out, "border", 1);
    if (dp != '.') AppendField(out, "dp", std::string(1, static_cast<char>(dp)));
    if (implied) AppendInt(out, "implied", 1);
    DumpCommon(out);
}

TableRecord::TableRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool done[8] = {};
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrBorder:
                border = s->value ? Clamp(Number(*s), 0, 255) : 1;
                break;
            case kAttrAlign:
                if (!done[0] && NonEmpty(*s)) {
                    int k = Keyword(*s);
                    align = static_cast<uint8_t>(k == kKeyJustify ? 0 : AlignFromKeyword(k));
                    given |= 1;
                    done[0] = true;
                }
                break;
            case kAttrClear:
                if (!done[1] && NonEmpty(*s)) {
                    clear = ClearFromKeyword(Keyword(*s));
                    given |= 16;
                    done[1] = true;
                }
                break;
            case kAttrWidth:
                if (!done[2] && NonEmpty(*s)) {
                    width = LengthValue(*s);
                    given |= 2;
                    done[2] = true;
                }
                break;
            case kAttrHeight:
                if (!done[3] && NonEmpty(*s)) {
                    height = LengthValue(*s);
                    given |= 4;
                    done[3] = true;
                }
                break;
            case kAttrBgcolor:
                if (bgColor == -1 && s->value) bgColor = ParseColour(s->value, s->valueLength);
                break;
            case kAttrCellpadding:
                if (!done[4] && NonEmpty(*s)) {
                    cellPadding = Number(*s);
                    given |= 64;
                    done[4] = true;
                }
                break;
            case kAttrCellspacing:
                if (!done[5] && NonEmpty(*s)) {
                    cellSpacing = Number(*s);
                    given |= 128;
                    done[5] = true;
                }
                break;
            case kAttrHspace:
                hspace = static_cast<uint8_t>(s->value ? Clamp(Number(*s), 0, 253) : 0);
                break;
            case kAttrVspace:
                vspace = static_cast<uint8_t>(s->value ? Clamp(Number(*s), 0, 253) : 0);
                break;
            case kAttrNoflow:
                noFlow = 1;
                break;
            case kAttrColspec:
                TakeText(colSpec, *s, false);
                break;
            case kAttrDp:
                if (!done[6] && NonEmpty(*s)) {
                    dp = static_cast<uint8_t>(s->value[0]);
                    given |= 32;
                    done[6] = true;
                }
                break;
        }
    }
}

void TableRecord::Dump(std::string& out) const {
    AppendInt(out, "border", border);
    AppendInt(out, "align", align);
    AppendInt(out, "width", width);
    AppendInt(out, "height", height);
    AppendInt(out, "cellpadding", cellPadding);
    AppendInt(out, "cellspacing", cellSpacing);
    AppendHex(out, "bgcolor", bgColor);
    AppendInt(out, "hspace", hspace);
    AppendInt(out, "vspace", vspace);
    if (clear) AppendInt(out, "clear", clear);
    if (noFlow) AppendInt(out, "noflow", 1);
    AppendText(out, "colspec", colSpec);
    if (dp != '.') AppendField(out, "dp", std::string(1, static_cast<char>(dp)));
    DumpCommon(out);
}

// ---------------------------------------------------------------------------

namespace {
// START of IMG: a list of FILEOPEN and MOUSEOVER; FILEOPEN alone 0,
// MOUSEOVER alone 1, both 2.
int ParseImageStart(const char* value, int length) {
    bool fileOpen = false, mouseOver = false;
    const char* p = value;
    const char* end = value + length;
    while (p < end) {
        if (end - p >= 8 && EqualNoCase(p, "FILEOPEN", 8)) {
            fileOpen = true;
            p += 8;
        } else if (end - p >= 9 && EqualNoCase(p, "MOUSEOVER", 9)) {
            mouseOver = true;
            p += 9;
        } else {
            break;
        }
        if (p < end && *p == ',') ++p;
    }
    if (fileOpen && mouseOver) return 2;
    return mouseOver ? 1 : 0;
}
}  // namespace

ImageRecord::ImageRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool alignGiven = false, borderTaken = false, loopSet = false;
    bool hspaceGiven = false, vspaceGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrSrc:
                if (!src && NonEmpty(*s)) src = ParseImageUrl(*s, context.page, true);
                break;
            case kAttrAlt:
                if (!alt.IsSet() && s->value) alt = AltText(*s);
                break;
            case kAttrAlign:
                if (!alignGiven && NonEmpty(*s)) {
                    switch (Keyword(*s)) {
                        case kKeyTop:
                            align = 3;
                            break;
                        case kKeyLeft:
                            align = 4;
                            break;
                        case kKeyRight:
                            align = 5;
                            break;
                        case kKeyMiddle:
                        case kKeyAbsmiddle:
                        case kKeyCenter:
                            align = 2;
                            break;
                        default:
                            align = 1;
                    }
                    given |= 1;
                    alignGiven = true;
                }
                break;
            case kAttrBorder:
                if (!borderTaken) {
                    border = s->value ? Clamp(Number(*s), 0, 255) : 1;
                    borderGiven = 1;
                    borderTaken = true;
                }
                break;
            case kAttrHspace:
                if (!hspaceGiven) {
                    hspace = static_cast<uint8_t>(s->value ? Clamp(Number(*s), 0, 253) : 0);
                    given |= 32;
                    hspaceGiven = true;
                }
                break;
            case kAttrVspace:
                if (!vspaceGiven) {
                    vspace = static_cast<uint8_t>(s->value ? Clamp(Number(*s), 0, 253) : 0);
                    given |= 16;
                    vspaceGiven = true;
                }
                break;
            case kAttrWidth:
                if (!(given & 4) && NonEmpty(*s)) {
                    int n = Number(*s) < 0 ? 0 : Number(*s);
                    width = HasPercent(*s) ? -n : n;
                    given |= 4;
                }
                break;
            case kAttrHeight:
                if (!(given & 8) && NonEmpty(*s)) {
                    int n = Number(*s) < 0 ? 0 : Number(*s);
                    height = HasPercent(*s) ? -n : n;
                    given |= 8;
                }
                break;
            case kAttrUsemap:
                if (!useMap && s->value && context.page) {
                    // Resolved against the page's own address, not BASE.
                    std::string text = DecodedUrlText(*s);
                    std::string fragment;
                    size_t hash = text.find('#');
                    if (hash != std::string::npos) {
                        fragment = text.substr(hash + 1);
                        text.resize(hash);
                    }
                    const UrlHandle* own = context.page->GetDocumentUrl();
                    if (text.empty() && own)
                        useMap =
                            NewUrl(UrlHandle(own->Record(), fragment.empty() ? nullptr : fragment.c_str()));
                    else
                        useMap = NewUrl(context.page->FindUrl(own, text.c_str(), fragment.c_str()));
                }
                break;
            case kAttrIsmap:
                isMap = 1;
                break;
            case kAttrDynsrc:
                if (!dynSrc && NonEmpty(*s)) dynSrc = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrControls:
                controls = 1;
                break;
            case kAttrLoop:
                loop = static_cast<uint8_t>(ParseLoop(s->value, s->valueLength));
                loopSet = true;
                break;
            case kAttrStart:
                if (!(given & 2) && s->value) {
                    start = static_cast<uint8_t>(ParseImageStart(s->value, s->valueLength));
                    given |= 2;
                }
                break;
            case kAttrIconsrc:
                if (!iconSrc && NonEmpty(*s)) iconSrc = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrIcontext:
                TakeText(iconText, *s);
                break;
            case kAttrIconborder:
                if (!iconBorder) iconBorder = s->value ? Clamp(Number(*s), 0, 255) : 1;
                break;
            case kAttrIconbgcolor:
                if (iconBgColor == -1 && s->value) iconBgColor = ParseColour(s->value, s->valueLength);
                break;
            case kAttrPreload:
                if (!s->value) {
                    preload = 1;
                } else {
                    int k = Keyword(*s);
                    preload = k == kKeySilent ? 2 : (k == kKeyNo ? 0 : 1);
                }
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
            case kAttrOnload:
                TakeText(onLoad, *s, false);
                break;
            case kAttrOnabort:
                TakeText(onAbort, *s, false);
                break;
            case kAttrOnerror:
                TakeText(onError, *s, false);
                break;
        }
    }
    (void)loopSet;
    // Images floated to a side get the default spacing unless given.
    if (align == 4 || align == 5) {
        if (hspace == kSpaceUnset) hspace = kSpaceDefault;
        if (vspace == kSpaceUnset) vspace = kSpaceDefault;
    }
}

ImageRecord::ImageRecord(const ImageRecord& o)
    : ElementRecord(o),
      controls(o.controls),
      preload(o.preload),
      iconBgColor(o.iconBgColor),
      iconBorder(o.iconBorder),
      iconText(o.iconText),
      loop(o.loop),
      start(o.start),
      alt(o.alt),
      isMap(o.isMap),
      align(o.align),
      width(o.width),
      height(o.height),
      borderGiven(o.borderGiven),
      border(o.border),
      given(o.given),
      name(o.name),
      imageIndex(o.imageIndex),
      onAbort(o.onAbort),
      onError(o.onError),
      onLoad(o.onLoad) {
    if (o.src) src = NewUrl(*o.src);
    if (o.dynSrc) dynSrc = NewUrl(*o.dynSrc);
    if (o.iconSrc) iconSrc = NewUrl(*o.iconSrc);
    if (o.useMap) useMap = NewUrl(*o.useMap);
    // The copy keeps the resolved spacing.
    hspace = static_cast<uint8_t>(o.GetHSpace());
    vspace = static_cast<uint8_t>(o.GetVSpace());
}

namespace {
int ResolvedSpace(uint8_t value) {
    return value == kSpaceUnset ? 0 : (value == kSpaceDefault ? 3 : value);
}
}  // namespace

int ImageRecord::GetHSpace() const {
    return ResolvedSpace(hspace);
}
int ImageRecord::GetVSpace() const {
    return ResolvedSpace(vspace);
}

const char* ImageRecord::GetEventHandlerText(int eventId) const {
    switch (eventId) {
        case kEventAbort:
            return onAbort.Get();
        case kEventError:
            return onError.Get();
        case kEventImageLoad:
            return onLoad.Get();
        default:
            return nullptr;
    }
}

void ImageRecord::Dump(std::string& out) const {
    AppendUrl(out, "src", src);
    AppendText(out, "alt", alt);
    AppendInt(out, "align", align);
    AppendInt(out, "width", width);
    AppendInt(out, "height", height);
    AppendInt(out, "border", border);
    if (borderGiven) AppendInt(out, "bordergiven", 1);
    AppendInt(out, "hspace", hspace);
    AppendInt(out, "vspace", vspace);
    AppendUrl(out, "usemap", useMap);
    if (isMap) AppendInt(out, "ismap", 1);
    AppendUrl(out, "dynsrc", dynSrc);
    if (loop != 1) AppendInt(out, "loop", loop);
    if (start) AppendInt(out, "start", start);
    AppendUrl(out, "iconsrc", iconSrc);
    AppendText(out, "name", name);
    DumpCommon(out);
}

FontRecord::FontRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool colourTaken = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrSize: {
                if (size != kFontSizeUnset || !NonEmpty(*s)) break;
                char sign = s->value[0];
                if ((sign == '+' || sign == '-') && s->valueLength == 1) break;  // a lone sign is ignored
                int n = Number(*s);
                int base = context.page ? context.page->baseFontSize : 3;
                size = static_cast<uint8_t>(Clamp((sign == '+' || sign == '-') ? base + n : n, 1, 7));
                break;
            }
            case kAttrColor:
                if (!colourTaken && NonEmpty(*s)) {
                    color = ParseColour(s->value, s->valueLength);
                    colourTaken = true;
                }
                break;
            case kAttrFace:
                TakeText(face, *s);
                break;
        }
    }  // The face of the first listed name that the font table knows.
    if (face.IsSet()) {
        const char* p = face.Get();
        while (*p == ',' || IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
        const char* end = p;
        while (*end && *end != ',') ++end;
        while (end > p && IsHtmlSpace(static_cast<unsigned char>(end[-1]))) --end;
        if (end > p) faceId = FaceIdForName(p, static_cast<int>(end - p));
    }
}

void FontRecord::Dump(std::string& out) const {
    AppendInt(out, "size", size);
    AppendHex(out, "color", color);
    AppendText(out, "face", face);
    if (const char* known = FaceNameForId(faceId)) AppendField(out, "faceid", known);
    DumpCommon(out);
}

// ---------------------------------------------------------------------------

AreaRecord::AreaRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool shapeGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrShape:
                if (!shapeGiven && NonEmpty(*s)) {
                    switch (Keyword(*s)) {
                        case kKeyCircle:
                        case kKeyCirc:
                            shape = 2;
                            break;
                        case kKeyPoly:
                        case kKeyPolygon:
                            shape = 3;
                            break;
                        case kKeyDefault:
                            shape = 0;
                            break;
                        default:
                            shape = 1;
                    }
                    shapeGiven = true;
                }
                break;
            case kAttrCoords:
                if (coords.empty() && s->value) {
                    const char* p = s->value;
                    const char* end = p + s->valueLength;
                    while (p < end && static_cast<int>(coords.size()) < kMaxCoords) {
                        while (p < end && !IsAsciiDigit(static_cast<unsigned char>(*p)) && *p != '+' &&
                               *p != '-')
                            ++p;
                        if (p == end) break;
                        const char* numberStart = p;
                        while (p < end &&
                               (IsAsciiDigit(static_cast<unsigned char>(*p)) || *p == '+' || *p == '-'))
                            ++p;
                        // Saturating: a long digit run must not overflow.
                        int32_t n = SlotNumber(numberStart, static_cast<int>(p - numberStart));
                        coords.push_back(n < 0 ? 0 : n);
                    }
                }
                break;
            case kAttrHref:
                if (!href && s->value) href = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrNohref:
                noHref = 1;
                break;
            case kAttrAlt:
                if (!alt.IsSet() && s->value) alt = AltText(*s);
                break;
            case kAttrTarget:
                TakeText(target, *s);
                break;
            case kAttrOnclick:
                TakeText(onClick, *s, false);
                break;
            case kAttrOnmouseover:
                TakeText(onMouseOver, *s, false);
                break;
            case kAttrOnmouseout:
                TakeText(onMouseOut, *s, false);
                break;
        }
    }
}

namespace {
int MinimumCoords(int shape) {
    return shape == 1 ? 4 : (shape == 2 ? 3 : (shape == 3 ? 2 : 0));
}

bool InPolygon(const std::vector<int32_t>& c, int x, int y) {
    // Even-odd rule over count / 2 vertices.
    int n = static_cast<int>(c.size()) / 2;
    bool inside = false;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        long long xi = c[2 * i], yi = c[2 * i + 1], xj = c[2 * j], yj = c[2 * j + 1];
        if ((yi > y) != (yj > y)) {
            long long lhs = (x - xi) * (yj - yi);
            long long rhs = (xj - xi) * (y - yi);
            if ((yj - yi) > 0 ? lhs < rhs : lhs > rhs) inside = !inside;
        }
    }
    return inside;
}
}  // namespace

int AreaRecord::HitTest(int x, int y, UrlHandle& url) const {
    int count = static_cast<int>(coords.size());
    if (shape == 0 || count < MinimumCoords(shape)) return 0;
    bool hit = false;
    if (shape == 1) {
        hit = x >= coords[0] && x < coords[2] && y >= coords[1] && y < coords[3];
    } else if (shape == 2) {
        long long dx = x - coords[0], dy = y - coords[1], r = coords[2];
        hit = dx * dx + dy * dy < r * r;
    } else {
        hit = InPolygon(coords, x, y);
    }
    if (!hit) return 0;
    url = (noHref || !href) ? UrlHandle() : *href;
    return 1;
}

UrlHandle AreaRecord::GetHref() const {
    if (!href || static_cast<int>(coords.size()) < MinimumCoords(shape)) return UrlHandle();
    return *href;
}

const char* AreaRecord::GetEventHandlerText(int eventId) const {
    return LinkEventText(eventId, onClick, onMouseOut, onMouseOver);
}

void AreaRecord::Dump(std::string& out) const {
    AppendInt(out, "shape", shape);
    std::string list;
    for (size_t i = 0; i < coords.size(); ++i) list += (i ? "," : "") + std::to_string(coords[i]);
    if (!coords.empty()) AppendField(out, "coords", list);
    AppendUrl(out, "href", href);
    if (noHref) AppendInt(out, "nohref", 1);
    AppendText(out, "alt", alt);
    AppendText(out, "target", target);
    DumpCommon(out);
}

MapRecord::MapRecord(const AttributeSlot* slots, const RecordContext&) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == kAttrName && s->value) name = OwnedText::Decoded(s->value, s->valueLength);
    }
}

void MapRecord::Dump(std::string& out) const {
    AppendText(out, "name", name);
}

// ---------------------------------------------------------------------------

FormFieldRecord::FormFieldRecord(int type, const AttributeSlot* slots, const RecordContext& context) {
    PageProperties* page = context.page;
    if (page) {
        if (type == kTagForm) {
            ++page->formCounter;
            page->formClosed = false;
            page->controlCounter = 0;
            formNumber = page->formCounter;
        } else {
            formNumber = page->formCounter;
            controlNumber = ++page->controlCounter;
        }
    }
    bool typeGiven = false, sizeGiven = false, rowsGiven = false, colsGiven = false, maxGiven = false;
    bool methodGiven = false, actionGiven = false, srcGiven = false;
    for (const AttributeSlot* s = slots; s && s->code; ++s) {
        switch (s->code) {
            case kAttrType:
                if (!typeGiven && s->value) {
                    typeGiven = true;
                    int k = Keyword(*s);
                    if ((k >= kKeyText && k <= kKeyPassword) || k == kKeyFile)
                        fieldType = k - 31;
                    else if (k == kKeyButton || k == kKeyPushbutton)
                        fieldType = kFieldButton;
                }
                break;
            case kAttrSize:
                if (!sizeGiven && NonEmpty(*s)) {
                    sizeGiven = true;
                    const char* comma = static_cast<const char*>(std::memchr(s->value, ',', s->valueLength));
                    if (comma) {
                        cols = SlotNumber(s->value, static_cast<int>(comma - s->value));
                        rows = SlotNumber(comma + 1, static_cast<int>(s->value + s->valueLength - comma - 1));
                    } else {
                        size = Number(*s);
                    }
                }
                break;
            case kAttrRows:
                if (!rowsGiven && NonEmpty(*s)) {
                    rows = Number(*s);
                    rowsGiven = true;
                }
                break;
            case kAttrCols:
                if (!colsGiven && NonEmpty(*s)) {
                    cols = Number(*s);
                    colsGiven = true;
                }
                break;
            case kAttrMaxlength:
                if (!maxGiven && NonEmpty(*s)) {
                    maxLength = Number(*s);
                    maxGiven = true;
                }
                break;
            case kAttrMethod:
                if (!methodGiven && NonEmpty(*s)) {
                    method = Keyword(*s) == kKeyPost ? 2 : 0;
                    methodGiven = true;
                }
                break;
            case kAttrAction:
                if (!actionGiven && s->value) {
                    actionGiven = true;
                    action = AbsoluteAction(*s, page);
                }
                break;
            case kAttrEnctype:
                TakeText(encType, *s, false);
                break;
            case kAttrChallenge:
                if (type == kTagKeygen) TakeText(encType, *s, false);
                break;
            case kAttrTarget:
                TakeText(target, *s);
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
            case kAttrId:
                TakeText(id_, *s);
                break;
            case kAttrClass:
                TakeText(class_, *s);
                break;
            case kAttrStyle:
                TakeCommon(*s, context);
                break;
            case kAttrValue:
                TakeText(value, *s);
                break;
            case kAttrSrc:
                if (!srcGiven && NonEmpty(*s)) {
                    src = ParseUrlAttribute(*s, page, nullptr);
                    srcGiven = true;
                }
                break;
            case kAttrChecked:
                checked = 1;
                break;
            case kAttrSelected:
                selected = 1;
                break;
            case kAttrMultiple:
                multiple = 1;
                break;
            case kAttrAlign:
                alignGiven = 1;
                break;
            case kAttrOnclick:
                TakeText(onClick, *s, false);
                break;
            case kAttrOnfocus:
                TakeText(onFocus, *s, false);
                break;
            case kAttrOnblur:
                TakeText(onBlur, *s, false);
                break;
            case kAttrOnchange:
                TakeText(onChange, *s, false);
                break;
            case kAttrOnsubmit:
                TakeText(onSubmit, *s, false);
                break;
            case kAttrOnreset:
                TakeText(onReset, *s, false);
                break;
        }
    }
    if (type == kTagInput && (fieldType == kFieldText || fieldType == kFieldPassword) && size == 0) size = 15;
    if (type == kTagTextarea) {
        if (!rowsGiven) rows = 1;
        if (!colsGiven) cols = 1;
    }
}

FormFieldRecord::FormFieldRecord(const FormFieldRecord& o)
    : ElementRecord(o),
      fieldType(o.fieldType),
      maxLength(o.maxLength),
      size(o.size),
      rows(o.rows),
      cols(o.cols),
      value(o.value),
      name(o.name),
      action(o.action),
      encType(o.encType),
      target(o.target),
      method(o.method),
      selected(o.selected),
      multiple(o.multiple || o.size > 1),
      alignGiven(o.alignGiven),
      checked(o.checked),
      controlNumber(o.controlNumber),
      formNumber(o.formNumber),
      onClick(o.onClick),
      onBlur(o.onBlur),
      onChange(o.onChange),
      onFocus(o.onFocus),
      onSubmit(o.onSubmit),
      onReset(o.onReset) {
    if (o.src) src = NewUrl(*o.src);
    currentValue = !o.currentValue.empty() ? o.currentValue : (o.value.Get() ? o.value.Get() : "");
}

const char* FormFieldRecord::GetEventHandlerText(int eventId) const {
    switch (eventId) {
        case kEventClick:
            return onClick.Get();
        case kEventBlur:
            return onBlur.Get();
        case kEventFocus:
            return onFocus.Get();
        case kEventChange:
            return onChange.Get();
        case kEventSubmit:
            return onSubmit.Get();
        case kEventReset:
            return onReset.Get();
        default:
            return nullptr;
    }
}

void FormFieldRecord::Dump(std::string& out) const {
    AppendInt(out, "type", fieldType);
    AppendInt(out, "form", formNumber);
    AppendInt(out, "control", controlNumber);
    if (maxLength != 32767) AppendInt(out, "maxlength", maxLength);
    if (size) AppendInt(out, "size", size);
    if (rows) AppendInt(out, "rows", rows);
    if (cols) AppendInt(out, "cols", cols);
    AppendText(out, "value", value);
    AppendText(out, "name", name);
    AppendText(out, "action", action);
    AppendText(out, "enctype", encType);
    AppendText(out, "target", target);
    if (method) AppendInt(out, "method", method);
    if (selected) AppendInt(out, "selected", 1);
    if (multiple) AppendInt(out, "multiple", 1);
    if (checked) AppendInt(out, "checked", 1);
    AppendUrl(out, "src", src);
    DumpCommon(out);
}

BodyRecord::BodyRecord(const AttributeSlot* slots, const RecordContext& context) {
    static const struct {
        int code;
        int handler;
    } kHandlers[] = {{kAttrOnload, 143},
                     {kAttrOnunload, 144},
                     {kAttrOnblur, 140},
                     {kAttrOnfocus, 142},
                     {kAttrOnerror, 141}};
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (TakeCommon(*s, context)) continue;
        switch (s->code) {
            case kAttrBackground:
                if (!background && NonEmpty(*s)) background = ParseImageUrl(*s, context.page, false);
                break;
            case kAttrBgcolor:
                if (NonEmpty(*s)) TakeText(bgColor, *s, false);
                break;
            case kAttrText:
                if (NonEmpty(*s)) TakeText(text, *s, false);
                break;
            case kAttrLink:
                if (NonEmpty(*s)) TakeText(link, *s, false);
                break;
            case kAttrVlink:
                if (NonEmpty(*s)) TakeText(vlink, *s, false);
                break;
            default:
                for (const auto& h : kHandlers) {
                    if (h.code == s->code && s->value && context.page)
                        context.page->SetEventHandlerText(h.handler, s->value, s->valueLength);
                }
        }
    }
}

void BodyRecord::Dump(std::string& out) const {
    AppendUrl(out, "background", background);
    AppendText(out, "bgcolor", bgColor);
    AppendText(out, "text", text);
    AppendText(out, "link", link);
    AppendText(out, "vlink", vlink);
    DumpCommon(out);
}

LinkRecord::LinkRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        switch (s->code) {
            case kAttrRel:
                TakeText(rel, *s);
                break;
            case kAttrRev:
                TakeText(rev, *s);
                break;
            case kAttrType:
                TakeText(type, *s);
                break;
            case kAttrHref:
                if (!href && s->value) href = ParseUrlAttribute(*s, context.page, nullptr);
                break;
        }
    }
}

LinkRecord::LinkRecord(const LinkRecord& o)
    : ElementRecord(o), type(o.type), rel(o.rel), rev(o.rev), extraWord(o.extraWord) {
    if (o.href) href = NewUrl(*o.href);
}

LinkRecord::~LinkRecord() = default;

void LinkRecord::Dump(std::string& out) const {
    AppendText(out, "rel", rel);
    AppendText(out, "rev", rev);
    AppendText(out, "type", type);
    AppendUrl(out, "href", href);
}

FrameRecord::FrameRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool given[3] = {};
    for (const AttributeSlot* s = slots; s->code; ++s) {
        switch (s->code) {
            case kAttrSrc:
                if (!src && NonEmpty(*s)) src = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
            case kAttrScrolling:
                if (!given[0] && NonEmpty(*s)) {
                    int k = Keyword(*s);
                    scrolling = k == kKeyYes ? 1 : (k == kKeyNo ? 0 : 2);
                    given[0] = true;
                }
                break;
            case kAttrNoresize:
                noResize = 1;
                break;
            case kAttrMarginwidth:
                if (!given[1] && NonEmpty(*s)) {
                    marginWidth = Number(*s) < 1 ? 1 : Number(*s);
                    given[1] = true;
                }
                break;
            case kAttrMarginheight:
                if (!given[2] && NonEmpty(*s)) {
                    marginHeight = Number(*s) < 1 ? 1 : Number(*s);
                    given[2] = true;
                }
                break;
            case kAttrOnload:
                TakeText(onLoad, *s, false);
                break;
            case kAttrOnunload:
                TakeText(onUnload, *s, false);
                break;
        }
    }
}

const char* FrameRecord::GetEventHandlerText(int eventId) const {
    return eventId == kEventLoad ? onLoad.Get() : (eventId == kEventUnload ? onUnload.Get() : nullptr);
}

void FrameRecord::Dump(std::string& out) const {
    AppendUrl(out, "src", src);
    AppendText(out, "name", name);
    AppendInt(out, "scrolling", scrolling);
    AppendInt(out, "marginwidth", marginWidth);
    AppendInt(out, "marginheight", marginHeight);
    if (noResize) AppendInt(out, "noresize", 1);
}

FramesetRecord::FramesetRecord(const AttributeSlot* slots, const RecordContext&) {
    bool borderGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        switch (s->code) {
            case kAttrRows:
                if (!rows.IsSet() && s->value) {
                    rows = OwnedText(s->value, s->valueLength);
                    if (!cols.IsSet()) rowsFirst = 1;
                }
                break;
            case kAttrCols:
                TakeText(cols, *s, false);
                break;
            case kAttrBorder:
                if (!borderGiven && NonEmpty(*s)) {
                    border = Number(*s);
                    borderGiven = true;
                }
                break;
            case kAttrOnload:
                TakeText(onLoad, *s, false);
                break;
            case kAttrOnunload:
                TakeText(onUnload, *s, false);
                break;
        }
    }
    int size, unit;
    while (rows.IsSet() && GetEntry(rows.Get(), rowCount, size, unit)) ++rowCount;
    while (cols.IsSet() && GetEntry(cols.Get(), colCount, size, unit)) ++colCount;
}

bool FramesetRecord::GetEntry(const char* list, int index, int& size, int& unit) {
    if (!list) return false;
    const char* p = list;
    for (int i = 0; i < index; ++i) {
        p = std::strchr(p, ',');
        if (!p) return false;
        ++p;
    }
    while (IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
    if (*p == '*') {
        size = 1;
        unit = 0;
        return true;
    }
    if (!IsAsciiDigit(static_cast<unsigned char>(*p))) return false;
    size = SlotNumber(p, static_cast<int>(std::strlen(p)));
    while (IsAsciiDigit(static_cast<unsigned char>(*p)) || *p == '.') ++p;
    while (IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
    unit = *p == '*' ? 0 : (*p == '%' ? 1 : 2);
    return true;
}

const char* FramesetRecord::GetEventHandlerText(int eventId) const {
    return eventId == kEventLoad ? onLoad.Get() : (eventId == kEventUnload ? onUnload.Get() : nullptr);
}

void FramesetRecord::Dump(std::string& out) const {
    AppendText(out, "rows", rows);
    AppendText(out, "cols", cols);
    AppendInt(out, "rowcount", rowCount);
    AppendInt(out, "colcount", colCount);
    AppendInt(out, "border", border);
}

// ---------------------------------------------------------------------------

EmbedRecord::EmbedRecord(const AttributeSlot* slots, const RecordContext& context, bool applet) {
    if (context.page) embedNumber = ++context.page->embedCounter;
    if (applet) type = OwnedText("application/x-java-applet");
    bool typeGiven = false, unitsGiven = false;
    int pairs = applet ? 1 : 0;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->nameLength > 0) ++pairs;
        switch (s->code) {
            case kAttrSrc:
                if (!src && NonEmpty(*s)) src = ParseUrlAttribute(*s, context.page, nullptr);
                break;
            case kAttrWidth:
            case kAttrHeight:
                if (NonEmpty(*s)) {
                    int n = Number(*s) < 0 ? 0 : Number(*s);
                    (s->code == kAttrWidth ? width : height) = HasPercent(*s) ? -n : n;
                }
                break;
            case kAttrType:
                if (!typeGiven && s->value) {
                    typeGiven = true;
                    std::unique_ptr<char[]> buffer(new char[s->valueLength + 1]);
                    buffer[0] = '\0';
                    CollapseWhiteSpace(s->value, s->valueLength, buffer.get(), s->valueLength);
                    type = s->valueLength > 0 ? OwnedText(buffer.get()) : OwnedText("");
                }
                break;
            case kAttrUnits:
                if (!unitsGiven && NonEmpty(*s)) {
                    unitsGiven = true;
                    if (s->valueLength == 2 && Keyword(*s) == kKeyEn) units = 1;
                }
                break;
            case kAttrPluginspace:
                if (!pluginSpace.IsSet() && s->value) {
                    std::unique_ptr<char[]> buffer(new char[s->valueLength + 1]);
                    buffer[0] = '\0';
                    CollapseWhiteSpace(s->value, s->valueLength, buffer.get(), s->valueLength);
                    DecodeEntities(buffer.get());
                    pluginSpace = OwnedText(buffer.get());
                }
                break;
            case kAttrHidden:
                if (NonEmpty(*s)) hidden = Keyword(*s) == kKeyFalse ? 0 : 1;
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
        }
    }
    paramNames.reserve(pairs);
    paramValues.reserve(pairs);
    if (applet) {
        paramNames.emplace_back("type");
        paramValues.push_back(type);
    }
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->nameLength <= 0) continue;
        std::string pairName(s->name, s->nameLength);
        OwnedText value = s->value ? OwnedText(s->value, s->valueLength) : OwnedText();
        if (applet && s->code == kAttrCode) {
            pairName = "java_CODE";
            if (s->value && !(s->valueLength > 5 && EqualNoCase(s->value + s->valueLength - 6, ".class", 6)))
                value = OwnedText((std::string(s->value, s->valueLength) + ".class").c_str());
        } else if (applet && s->code == kAttrCodebase) {
            pairName = "java_CODEBASE";
        }
        paramNames.emplace_back(pairName.c_str());
        paramValues.push_back(std::move(value));
    }
}

void EmbedRecord::SetParams(std::vector<OwnedText> names, std::vector<OwnedText> values) {
    paramNames = std::move(names);
    paramValues = std::move(values);
}

void EmbedRecord::Dump(std::string& out) const {
    AppendUrl(out, "src", src);
    AppendInt(out, "width", width);
    AppendInt(out, "height", height);
    AppendText(out, "type", type);
    AppendInt(out, "units", units);
    AppendText(out, "pluginspace", pluginSpace);
    if (hidden) AppendInt(out, "hidden", 1);
    AppendInt(out, "embed", embedNumber);
    AppendText(out, "name", name);
    for (size_t i = 0; i < paramNames.size(); ++i) {
        AppendField(out, "param",
                    std::string(paramNames[i].IsSet() ? paramNames[i].Get() : "-") + ":" +
                        (paramValues[i].IsSet() ? "\"" + std::string(paramValues[i].Get()) + "\"" : "-"));
    }
}

ParamRecord::ParamRecord(const AttributeSlot* slots, const RecordContext&) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == kAttrName) TakeText(name, *s);
        if (s->code == kAttrValue) TakeText(value, *s);
    }
}

void ParamRecord::Dump(std::string& out) const {
    AppendText(out, "name", name);
    AppendText(out, "value", value);
}

ScriptRecord::ScriptRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s && s->code; ++s) {
        if (s->code == kAttrSrc && !src && NonEmpty(*s)) src = ParseUrlAttribute(*s, context.page, nullptr);
        if (s->code == kAttrLanguage) TakeText(language, *s);
    }
}

void ScriptRecord::Dump(std::string& out) const {
    AppendUrl(out, "src", src);
    AppendText(out, "language", language);
    AppendInt(out, "text", static_cast<long>(text.TotalLength()));
}

IsIndexRecord::IsIndexRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == kAttrPrompt) TakeText(prompt, *s);
        if (s->code == kAttrAction && !action.IsSet() && s->value) {
            action = AbsoluteAction(*s, context.page);
        }
    }
}

void IsIndexRecord::Dump(std::string& out) const {
    AppendText(out, "action", action);
    AppendText(out, "prompt", prompt);
}

SoundRecord::SoundRecord(const AttributeSlot* slots, const RecordContext& context) {
    bool loopGiven = false;
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == kAttrSrc && !src && NonEmpty(*s)) src = ParseUrlAttribute(*s, context.page, nullptr);
        if (s->code == kAttrLoop && !loopGiven) {
            loop = ParseLoop(s->value, s->valueLength);
            loopGiven = true;
        }
    }
}

void SoundRecord::Dump(std::string& out) const {
    AppendUrl(out, "src", src);
    AppendInt(out, "loop", loop);
}

PlainRecord::PlainRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) TakeCommon(*s, context);
}

void PlainRecord::Dump(std::string& out) const {
    DumpCommon(out);
}

// ---------------------------------------------------------------------------

void TextPieces::Append(const char* text, int length) {
    if (length > 0) pieces_.emplace_back(text, length);
}

size_t TextPieces::TotalLength() const {
    size_t total = 0;
    for (const std::string& piece : pieces_) total += piece.size();
    return total;
}

template <typename Consumer>
int TextPieces::Feed(Consumer consume, int keepCode, int stopCode, int nothingCode, int stuckCode) const {
    if (pieces_.empty()) return nothingCode;
    if (pieces_.size() == 1) {
        const char* cursor = pieces_[0].data();
        return consume(cursor, cursor + pieces_[0].size(), false);
    }
    std::string buffer;
    int answer = nothingCode;
    size_t piece = 0, offset = 0;
    while (piece < pieces_.size()) {
        // Fill the buffer up to its capacity (one byte stays for a NUL).
        while (piece < pieces_.size() && buffer.size() < kFeedBuffer - 1) {
            size_t take = std::min(pieces_[piece].size() - offset, kFeedBuffer - 1 - buffer.size());
            buffer.append(pieces_[piece], offset, take);
            offset += take;
            if (offset == pieces_[piece].size()) {
                ++piece;
                offset = 0;
            }
        }
        bool more = piece < pieces_.size();
        const char* start = buffer.data();
        const char* cursor = start;
        answer = consume(cursor, start + buffer.size(), more);
        if (answer == stopCode) return answer;
        if (answer == keepCode && more) {
            size_t used = static_cast<size_t>(cursor - start);
            if (used == 0 && buffer.size() >= kFeedBuffer - 1) {
                // Nothing of a full buffer was taken: feeding more cannot make
                // room, so the text is reported as not loadable.
                return stuckCode;
            }
            buffer.erase(0, used);
        } else {
            buffer.clear();
        }
    }
    return answer;
}

int ScriptRecord::Compile(ScriptLoader& loader) {
    int answer = text.Feed([&loader](const char*& cursor, const char* end,
                                     bool more) { return loader.LoadScript(cursor, end, more); },
                           kScriptPartial, kScriptStop, kScriptDone, kScriptSyntaxError);
    compiled = answer == kScriptDone ? 1 : 0;
    return answer;
}

// ---------------------------------------------------------------------------

StyleTextCollector::StyleTextCollector(const AttributeSlot* slots, HtmlElement* owner) : owner_(owner) {
    for (const AttributeSlot* s = slots; s && s->code; ++s) {
        if (s->code == kAttrType) TakeText(type, *s);
    }
}

StyleTextCollector::StyleTextCollector(const StyleTextCollector& o)
    : ElementRecord(o), type(o.type), text_(o.text_), owner_(o.owner_), parsed_(false) {}

StyleTextCollector::~StyleTextCollector() = default;

void StyleTextCollector::Dump(std::string& out) const {
    AppendText(out, "type", type);
    AppendInt(out, "text", static_cast<long>(text_.TotalLength()));
}

std::unique_ptr<StyleSheet> StyleTextCollector::ParseToSheet(PageProperties* page, const UrlHandle* base,
                                                             bool userSheet) {
    parsed_ = true;
    auto sheet = std::make_unique<StyleSheet>(owner_, base);
    text_.Feed([&](const char*& cursor, const char* end,
                   bool more) { return sheet->ParseRules(page, cursor, end, more, userSheet); },
               kCssNeedMore, kCssStop, kCssNeedMore, kCssStop);
    return sheet;
}

void StyleTextCollector::Parse(PageProperties* page, const UrlHandle* base, bool userSheet) {
    if (parsed_) return;
    std::unique_ptr<StyleSheet> sheet = ParseToSheet(page, base, userSheet);
    if (page) page->AddPageStyleSheet(sheet.release());
}

// ---------------------------------------------------------------------------

std::unique_ptr<ElementRecord> MakeElementRecord(int type, const AttributeSlot* slots,
                                                 const RecordContext& context) {
    static const AttributeSlot kNoSlots[1] = {};
    if (!slots) slots = kNoSlots;
    bool empty = slots[0].code == 0;
    switch (type) {
        case kTagForm:
        case kTagInput:
        case kTagSelect:
        case kTagOption:
        case kTagKeygen:
        case kTagTextarea:
            return std::make_unique<FormFieldRecord>(type, slots, context);
        case kTagTh:
        case kTagTr:
        case kTagTd:
            if (empty && !context.implied) return nullptr;
            return std::make_unique<CellRecord>(slots, context);
        default:
            break;
    }
    if (empty) return nullptr;
    switch (type) {
        case kTagA:
        case kTagBase:
            return std::make_unique<AnchorRecord>(slots, context);
        case kTagP:
        case kTagH1:
        case kTagH2:
        case kTagH3:
        case kTagH4:
        case kTagH5:
        case kTagH6:
        case kTagDiv:
            return std::make_unique<BlockRecord>(slots, context);
        case kTagLi:
        case kTagUl:
        case kTagOl:
            return std::make_unique<ListRecord>(slots, context);
        case kTagDl:
        case kTagDt:
        case kTagDd:
        case kTagBr:
            return std::make_unique<ClearRecord>(slots, context);
        case kTagHr:
            return std::make_unique<RuleRecord>(slots, context);
        case kTagTable:
            return std::make_unique<TableRecord>(slots, context);
        case kTagImg:
        case kTagImage:
            return std::make_unique<ImageRecord>(slots, context);
        case kTagFont:
            return std::make_unique<FontRecord>(slots, context);
        case kTagArea:
            return std::make_unique<AreaRecord>(slots, context);
        case kTagMap:
            return std::make_unique<MapRecord>(slots, context);
        case kTagBody:
            return std::make_unique<BodyRecord>(slots, context);
        case kTagLink:
            return std::make_unique<LinkRecord>(slots, context);
        case kTagFrame:
            return std::make_unique<FrameRecord>(slots, context);
        case kTagFrameset:
            return std::make_unique<FramesetRecord>(slots, context);
        case kTagEmbed:
            return std::make_unique<EmbedRecord>(slots, context, false);
        case kTagApplet:
            return std::make_unique<EmbedRecord>(slots, context, true);
        case kTagParam:
            return std::make_unique<ParamRecord>(slots, context);
        case kTagScript:
            return std::make_unique<ScriptRecord>(slots, context);
        case kTagIsindex:
            return std::make_unique<IsIndexRecord>(slots, context);
        case kTagBgsound:
            return std::make_unique<SoundRecord>(slots, context);
        case kTagMeta:
        case kTagStyle:
        case kTagCaption:
            return nullptr;
        default:
            return std::make_unique<PlainRecord>(slots, context);
    }
}
