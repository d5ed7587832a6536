#include "html/CssDeclarations.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "html/CssTokenizer.h"
#include "html/FontFaces.h"
#include "html/HtmlTables.h"
#include "html/PageUrls.h"
#include "net/UrlNames.h"

ListDeclaration::ListDeclaration(uint16_t word, const int16_t* ids, int count) : StyleDeclaration(word) {
    count_ = count > kMaxFontFaces ? kMaxFontFaces : count;
    std::memcpy(ids_, ids, count_ * sizeof(int16_t));
}

StringDeclaration::StringDeclaration(uint16_t word, const char* text) : StyleDeclaration(word) {
    if (!text) return;
    size_t n = std::strlen(text);
    text_.reset(new char[n + 1]);
    std::memcpy(text_.get(), text, n + 1);
}

StyleDeclaration* StringDeclaration::Clone() const {
    return text_ ? new StringDeclaration(PropertyWord(), text_.get()) : nullptr;
}

std::unique_ptr<DeclarationList> CopyDeclarationList(const DeclarationList& list) {
    auto copy = std::make_unique<DeclarationList>();
    for (const StyleDeclaration* d = list.First(); d; d = DeclarationList::Next(d)) {
        if (StyleDeclaration* c = d->Clone()) c->AppendTo(*copy);
    }
    return copy;
}

int32_t ParseRgb(const char* text, int length) {
    if (length > 4095) length = 4095;
    std::string copy(text, length);
    int32_t parts[3];
    int count = 0;
    const char* p = copy.c_str();
    for (;;) {
        while (IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
        const char* numberStart = p;
        if (*p == '+' || *p == '-') ++p;
        if (!IsAsciiDigit(static_cast<unsigned char>(*p)) && *p != '.') return -1;
        char* after;
        double value = std::strtod(numberStart, &after);
        p = after;
        while (IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
        if (*p == '%') {
            value = value * 255 / 100;
            ++p;
        }
        // Clamped before converting: a long digit run must not overflow.
        long v = value < 0 ? 0 : (value > 255 ? 255 : static_cast<long>(value));
        while (IsHtmlSpace(static_cast<unsigned char>(*p))) ++p;
        if (count == 3) return -1;
        parts[count++] = v < 0 ? 0 : (v > 255 ? 255 : static_cast<int32_t>(v));
        if (*p == '\0') break;
        if (*p != ',') return -1;
        ++p;
    }
    if (count != 3) return -1;
    return parts[0] | (parts[1] << 8) | (parts[2] << 16);
}

namespace {

// A CSS number as an integer, clamped to a range every caller can hold.
int IntegerOf(float value) {
    if (!(value > -1e6f)) return -1000000;
    if (value > 1e6f) return 1000000;
    return static_cast<int>(value);
}

class Parser {
public:
    Parser(DeclarationList& list, const UrlHandle* base, const CssValue* values, int count, bool important)
        : list_(list), base_(base), values_(values), count_(count), important_(important) {}

    int Parse(int property);

private:
    uint16_t Word(int property) const {
        return static_cast<uint16_t>(property | (important_ ? kImportant : 0));
    }
    void Keyword(int property, int code) { (new KeywordDeclaration(Word(property), code))->AppendTo(list_); }
    void Number(int property, float value, int unit) {
        (new NumberDeclaration(Word(property), value, unit))->AppendTo(list_);
    }
    void Integer(int property, int32_t value) {
        (new IntegerDeclaration(Word(property), value))->AppendTo(list_);
    }
    void Length(int property, const CssValue& v) { Number(property, NumberOf(v), CssUnitOf(v.kind)); }

    static float NumberOf(const CssValue& v) {
        std::string text(v.start, v.length);
        return std::strtof(text.c_str(), nullptr);
    }
    static int KeywordOf(const CssValue& v) {
        return v.kind == kCssIdent ? LookupCssKeyword(v.start, v.length) : kCssUnknownKeyword;
    }
    // A colour value as RGB (red in the low byte), -1 when it is none.
    static int32_t ColourOf(const CssValue& v) {
        if (v.kind == kCssIdent && (KeywordOf(v) & kCssColourBit) && KeywordOf(v) != kCssUnknownKeyword) {
            int32_t c = ParseColour(v.start, v.length);
            return c < 0 ? -1 : (c & 0xFFFFFF);
        }
        if (v.kind == kCssHash && (v.length == 3 || v.length == 6)) {
            std::string text = "#" + std::string(v.start, v.length);
            int32_t c = ParseColour(text.c_str(), static_cast<int>(text.size()));
            return c < 0 ? -1 : (c & 0xFFFFFF);
        }
        if (v.kind == kCssRgb) return ParseRgb(v.start, v.length);
        return -1;
    }
    std::string ResolveUrl(const CssValue& v) const;

    int BoxLength(int property, bool allowAuto);
    int SingleKeyword(int property, std::initializer_list<int> allowed, bool nonIdentIgnored = false);
    int Colour(int property);
    int FontSize(int property, const CssValue& v, bool store);
    int FontWeight();
    int TextDecoration();
    int UrlOrNone(int property);
    int Spacing(int property);
    int FourSides(int property);
    int BorderLoop(int property);
    int Background();
    int ListStyle();
    int FontFamily(int from);
    int Font();
    int BackgroundPosition(int& index);

    DeclarationList& list_;
    const UrlHandle* base_;
    const CssValue* values_;
    int count_;
    bool important_;
};

bool IsLengthToken(const CssValue& v) {
    return IsCssNumber(v.kind);
}

int Parser::BoxLength(int property, bool allowAuto) {
    if (count_ != 1) return 0;
    const CssValue& v = values_[0];
    int k = KeywordOf(v);
    if (k == kCssInherit || (allowAuto && k == kCssAuto)) {
        Keyword(property, k);
        return 1;
    }
    if (!IsLengthToken(v)) return 0;
    Length(property, v);
    return 1;
}

int Parser::SingleKeyword(int property, std::initializer_list<int> allowed, bool nonIdentIgnored) {
    const CssValue& v = values_[0];
    if (v.kind != kCssIdent) return nonIdentIgnored ? 1 : 0;
    int k = KeywordOf(v);
    for (int a : allowed) {
        if (a == k) {
            Keyword(property, k);
            return 1;
        }
    }
    return 0;
}

int Parser::Colour(int property) {
    const CssValue& v = values_[0];
    int k = KeywordOf(v);
    if (k == kCssInherit || (k == kCssTransparent && property == kPropBackgroundColor)) {
        Keyword(property, k);
        return 1;
    }
    int32_t rgb = ColourOf(v);
    if (rgb < 0) return 0;
    if (property == kPropBorderColor) {
        for (int side :
             {kPropBorderTopColor, kPropBorderRightColor, kPropBorderBottomColor, kPropBorderLeftColor})
            Integer(side, rgb);
    } else {
        Integer(property, rgb);
    }
    return 1;
}

int Parser::FontSize(int property, const CssValue& v, bool store) {
    int k = KeywordOf(v);
    if (k == kCssInherit || (k >= kCssXxSmall && k <= kCssSmaller)) {
        if (store) Keyword(property, k);
        return 1;
    }
    if (!IsLengthToken(v)) return 0;
    int unit = CssUnitOf(v.kind);
    bool unitOk = unit == kUnitPercent || unit == kUnitEm || unit == kUnitEx || unit == kUnitPx ||
                  unit == kUnitCm || unit == kUnitMm || unit == kUnitIn || unit == kUnitPt || unit == kUnitPc;
    if (!unitOk || NumberOf(v) < 0) return 0;
    if (store) Length(property, v);
    return 1;
}

int Parser::FontWeight() {
    const CssValue& v = values_[0];
    int k = KeywordOf(v);
    if (k == kCssNormal) return Number(kPropFontWeight, 4, kUnitNone), 1;
    if (k == kCssBold) return Number(kPropFontWeight, 7, kUnitNone), 1;
    if (k == kCssBolder || k == kCssLighter || k == kCssInherit) return Keyword(kPropFontWeight, k), 1;
    if (IsLengthToken(v) && CssUnitOf(v.kind) == kUnitNone) {
        int n = IntegerOf(NumberOf(v));
        if (n < 100 || n > 900) return 0;
        Number(kPropFontWeight, static_cast<float>(n / 100), kUnitNone);
        return 1;
    }
    return 0;
}

int Parser::TextDecoration() {
    int first = KeywordOf(values_[0]);
    if (first == kCssNone || first == kCssInherit) {
        if (count_ != 1) return 0;
        Keyword(kPropTextDecoration, first);
        return 1;
    }
    int flags = 0;
    for (int i = 0; i < count_; ++i) {
        int k = KeywordOf(values_[i]);
        if (k >= kCssUnderline && k <= kCssBlink)
            flags |= 0x10 << (k - kCssUnderline);
        else
            return 0;
    }
    if (flags) Keyword(kPropTextDecoration, flags);
    return 1;
}

std::string Parser::ResolveUrl(const CssValue& v) const {
    std::string text(v.start, v.length);
    // Quotes around the address are not part of it.
    size_t a = text.find_first_not_of(" \t\r\n"), b = text.find_last_not_of(" \t\r\n");
    text = a == std::string::npos ? "" : text.substr(a, b - a + 1);
    if (text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0])
        text = text.substr(1, text.size() - 2);
    size_t hash = text.find('#');
    std::string fragment;
    if (!base_ || base_->IsEmpty()) {
        if (hash != std::string::npos) text.resize(hash);
    }
    std::string out;
    int scheme;
    bool ok;
    if (base_ && !base_->IsEmpty() && base_->GetName()) {
        UrlBase from{base_->GetName(), kSchemeHttp};
        ok = ResolveUrlName(&from, text, ResolveOptions(), out, scheme);
    } else {
        ok = ResolveUrlName(nullptr, text, ResolveOptions(), out, scheme);
    }
    return ok ? out : std::string();
}

int Parser::UrlOrNone(int property) {
    const CssValue& v = values_[0];
    int k = KeywordOf(v);
    if (k == kCssNone || k == kCssInherit) return Keyword(property, k), 1;
    if (v.kind != kCssUrl) return 0;
    std::string url = ResolveUrl(v);
    if (!url.empty()) (new StringDeclaration(Word(property), url.c_str()))->AppendTo(list_);
    return 1;
}

int Parser::Spacing(int property) {
    const CssValue& v = values_[0];
    int k = KeywordOf(v);
    bool spacing = property == kPropWordSpacing || property == kPropLetterSpacing;
    if (k == kCssInherit || (spacing && k == kCssNormal) ||
        (property == kPropVerticalAlign &&
         (k == kCssTop || k == kCssBottom || (k >= kCssBaseline && k <= kCssTextBottom)))) {
        Keyword(property, k);
        return 1;
    }
    if (!IsLengthToken(v)) return 0;
    if (spacing && CssUnitOf(v.kind) == kUnitPercent) return 1;
    Length(property, v);
    return 1;
}

int Parser::FourSides(int property) {
    static const int kSides[][4] = {
        {kPropMarginTop, kPropMarginRight, kPropMarginBottom, kPropMarginLeft},
        {kPropPaddingTop, kPropPaddingRight, kPropPaddingBottom, kPropPaddingLeft},
        {kPropBorderTopWidth, kPropBorderRightWidth, kPropBorderBottomWidth, kPropBorderLeftWidth},
        {kPropBorderTopStyle, kPropBorderRightStyle, kPropBorderBottomStyle, kPropBorderLeftStyle},
    };
    int which = property == kPropMargin        ? 0
                : property == kPropPadding     ? 1
                : property == kPropBorderWidth ? 2
                                               : 3;
    if (count_ > 4) return 1;  // more than four values: ignored
    int k0 = KeywordOf(values_[0]);
    if (k0 == kCssInherit || (which == 0 && k0 == kCssAuto)) {
        if (count_ != 1) return 0;
        for (int side : kSides[which]) Keyword(side, k0);
        return 1;
    }
    // Each value: a keyword code (> 0) or a length (code 0).
    int codes[4];
    float numbers[4];
    int units[4];
    bool anyKeyword = false;
    for (int i = 0; i < count_; ++i) {
        const CssValue& v = values_[i];
        int k = KeywordOf(v);
        codes[i] = 0;
        if (which == 3) {
            if (!(k == kCssNone || (k >= kCssHidden && k <= kCssOutset))) return 0;
            codes[i] = k;
        } else if (which == 2 && (k == kCssThin || k == kCssMedium || k == kCssThick)) {
            codes[i] = k;
            numbers[i] = k == kCssThin ? 1.0f : (k == kCssMedium ? 3.0f : 6.0f);
            units[i] = kUnitPx;
            continue;
        } else if (IsLengthToken(v)) {
            numbers[i] = NumberOf(v);
            units[i] = CssUnitOf(v.kind);
        } else {
            return 0;
        }
        anyKeyword = anyKeyword || codes[i];
    }
    static const int kPick[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
    for (int side = 0; side < 4; ++side) {
        int i = kPick[count_ - 1][side];
        if (which == 3 || (anyKeyword && codes[i])) {
            Keyword(kSides[which][side], codes[i]);
        } else {
            Number(kSides[which][side], numbers[i], units[i]);
        }
    }
    return 1;
}

int Parser::BorderLoop(int property) {
    struct Side {
        int style, colour, width;
    };
    static const Side kTop{kPropBorderTopStyle, kPropBorderTopColor, kPropBorderTopWidth};
    static const Side kRight{kPropBorderRightStyle, kPropBorderRightColor, kPropBorderRightWidth};
    static const Side kBottom{kPropBorderBottomStyle, kPropBorderBottomColor, kPropBorderBottomWidth};
    static const Side kLeft{kPropBorderLeftStyle, kPropBorderLeftColor, kPropBorderLeftWidth};
    static const Side kAll[] = {kTop, kRight, kBottom, kLeft};
    const Side* first = &kLeft;
    int sideCount = 1;
    bool onlyStyle = false, onlyWidth = false;
    switch (property) {
        case kPropBorder:
            first = kAll, sideCount = 4;
            break;
        case kPropBorderTop:
            first = &kTop;
            break;
        case kPropBorderRight:
            first = &kRight;
            break;
        case kPropBorderBottom:
            first = &kBottom;
            break;
        case kPropBorderLeft:
            break;
        case kPropBorderTopStyle:
            first = &kTop, onlyStyle = true;
            break;
        case kPropBorderRightStyle:
            first = &kRight, onlyStyle = true;
            break;
        case kPropBorderBottomStyle:
            first = &kBottom, onlyStyle = true;
            break;
        case kPropBorderLeftStyle:
            onlyStyle = true;
            break;
        case kPropBorderTopWidth:
            first = &kTop, onlyWidth = true;
            break;
        case kPropBorderRightWidth:
            first = &kRight, onlyWidth = true;
            break;
        case kPropBorderBottomWidth:
            first = &kBottom, onlyWidth = true;
            break;
        default:
            onlyWidth = true;
            break;
    }
    struct Range {
        const Side* b;
        const Side* e;
        const Side* begin() const { return b; }
        const Side* end() const { return e; }
    } sides{first, first + sideCount};
    for (int i = 0; i < count_; ++i) {
        const CssValue& v = values_[i];
        int k = KeywordOf(v);
        if (!onlyWidth && (k == kCssNone || (k >= kCssHidden && k <= kCssOutset))) {
            for (const Side& s : sides) Keyword(s.style, k);
        } else if (!onlyWidth && !onlyStyle && ColourOf(v) >= 0) {
            int32_t rgb = ColourOf(v);
            for (const Side& s : sides) Integer(s.colour, rgb);
        } else if (!onlyStyle && (k == kCssThin || k == kCssMedium || k == kCssThick)) {
            float px = k == kCssThin ? 1.0f : (k == kCssMedium ? 3.0f : 6.0f);
            for (const Side& s : sides) Number(s.width, px, kUnitPx);
        } else if (!onlyStyle && IsLengthToken(v)) {
            if (NumberOf(v) < 0) return 0;
            for (const Side& s : sides) Length(s.width, v);
        } else if (v.kind == kCssIdent) {
            return 1;  // an unknown keyword ends the declaration; what was stored stays
        } else {
            return 0;
        }
    }
    return 1;
}

int Parser::BackgroundPosition(int& index) {
    const CssValue& v = values_[index];
    if (IsLengthToken(v)) {
        float h = NumberOf(v);
        int hu = CssUnitOf(v.kind);
        float second = 50;
        int secondUnit = kUnitPercent;
        if (index + 1 < count_ && IsLengthToken(values_[index + 1])) {
            ++index;
            second = NumberOf(values_[index]);
            secondUnit = CssUnitOf(values_[index].kind);
        }
        (new PairDeclaration(Word(kPropBackgroundPosition), h, hu, second, secondUnit))->AppendTo(list_);
        return 1;
    }
    int a = KeywordOf(v);
    if (a < kCssLeft || a > kCssBottom) return 0;
    int h = 0, vert = 0;
    bool secondIsIdent = index + 1 < count_ && values_[index + 1].kind == kCssIdent;
    if (!secondIsIdent) {
        h = vert = 0;
    } else {
        int b = KeywordOf(values_[index + 1]);
        ++index;
        bool bKnown = b >= kCssLeft && b <= kCssBottom;
        if (b == kCssUnknownKeyword) return 0;
        auto is = [&](int x, int y) { return (a == x && b == y) || (a == y && b == x); };
        if (!bKnown) {
            // A keyword followed by another identifier that is no position.
            switch (a) {
                case kCssTop:
                    h = 50, vert = 0;
                    break;
                case kCssLeft:
                    h = 0, vert = 50;
                    break;
                case kCssRight:
                    h = 100, vert = 50;
                    break;
                case kCssBottom:
                    h = 50, vert = 100;
                    break;
                default:
                    h = 0, vert = 0;
            }
        } else if (is(kCssLeft, kCssTop)) {
            h = 0, vert = 0;
        } else if (is(kCssCenter, kCssTop)) {
            h = 50, vert = 0;
        } else if (is(kCssRight, kCssTop)) {
            h = 100, vert = 0;
        } else if (is(kCssCenter, kCssLeft)) {
            h = 0, vert = 50;
        } else if (a == kCssCenter && b == kCssCenter) {
            // Both centred: the middle of the box in both directions.
            h = 50, vert = 50;
        } else if (is(kCssCenter, kCssRight)) {
            h = 100, vert = 50;
        } else if (is(kCssBottom, kCssLeft)) {
            h = 0, vert = 100;
        } else if (is(kCssBottom, kCssCenter)) {
            h = 50, vert = 100;
        } else if (is(kCssBottom, kCssRight)) {
            h = 100, vert = 100;
        } else {
            return 0;
        }
    }
    (new PairDeclaration(Word(kPropBackgroundPosition), static_cast<float>(h), kUnitPercent,
                         static_cast<float>(vert), kUnitPercent))
        ->AppendTo(list_);
    return 1;
}

int Parser::Background() {
    for (int i = 0; i < count_; ++i) {
        const CssValue& v = values_[i];
        int k = KeywordOf(v);
        if (k == kCssScroll || k == kCssFixed) {
            Keyword(kPropBackgroundAttachment, k);
        } else if (k >= kCssRepeat && k <= kCssNoRepeat) {
            Keyword(kPropBackgroundRepeat, k);
        } else if ((k >= kCssLeft && k <= kCssBottom) || IsLengthToken(v)) {
            if (!BackgroundPosition(i)) return 0;
        } else if (v.kind == kCssHash ||
                   (v.kind == kCssIdent && (k & kCssColourBit) && k != kCssUnknownKeyword)) {
            int32_t rgb = ColourOf(v);
            if (rgb >= 0) Integer(kPropBackgroundColor, rgb);
        } else if (v.kind == kCssUrl) {
            std::string url = ResolveUrl(v);
            if (!url.empty())
                (new StringDeclaration(Word(kPropBackgroundImage), url.c_str()))->AppendTo(list_);
        } else if (v.kind == kCssIdent && k == kCssUnknownKeyword) {
            return 1;  // an unknown identifier ends the declaration
        }
    }
    return 1;
}

int Parser::ListStyle() {
    if (KeywordOf(values_[0]) == kCssInherit) {
        if (count_ != 1) return 0;
        Keyword(kPropListStyle, kCssInherit);
        return 1;
    }
    bool position = false, type = false, image = false;
    for (int i = 0; i < count_; ++i) {
        const CssValue& v = values_[i];
        int k = KeywordOf(v);
        if ((k == kCssInside || k == kCssOutside) && !position) {
            Keyword(kPropListStylePosition, k);
            position = true;
        } else if ((k == kCssNone || (k >= kCssDisc && k <= kCssUpperAlpha)) && !type) {
            Keyword(kPropListStyleType, k);
            type = true;
        } else if (v.kind == kCssUrl && !image) {
            std::string url = ResolveUrl(v);
            if (!url.empty())
                (new StringDeclaration(Word(kPropListStyleImage), url.c_str()))->AppendTo(list_);
            image = true;
        } else {
            return 0;
        }
    }
    return 1;
}

int Parser::FontFamily(int from) {
    int16_t ids[kMaxFontFaces];
    int count = 0;
    int i = from;
    while (i < count_) {
        const CssValue& v = values_[i];
        if (v.kind == ',') {
            ++i;
            continue;
        }
        if (v.kind == kCssString || v.kind == kCssEscapedString) {
            if (count < kMaxFontFaces) ids[count++] = FaceIdForName(v.start, v.length);
            ++i;
            continue;
        }
        if (v.kind != kCssIdent) return 0;
        int k = KeywordOf(v);
        if (k >= kCssSerif && k <= kCssMonospace) {
            if (count < kMaxFontFaces) ids[count++] = FaceIdForName(v.start, v.length);
            ++i;
            continue;
        }
        // A name of several words runs to the next ",".
        int last = i;
        while (last + 1 < count_ && values_[last + 1].kind == kCssIdent) ++last;
        const char* start = v.start;
        const char* end = values_[last].start + values_[last].length;
        if (count < kMaxFontFaces) ids[count++] = FaceIdForName(start, static_cast<int>(end - start));
        i = last + 1;
    }
    if (count == 0) return 0;
    (new ListDeclaration(Word(kPropFontFamily), ids, count))->AppendTo(list_);
    return 1;
}

int Parser::Font() {
    int first = KeywordOf(values_[0]);
    if (first >= kCssCaption && first <= kCssStatusbar) return 1;
    int style = -1, variant = -1, weight = -1;  // keyword codes, or -2 for "normal"
    float weightNumber = -1;
    int sizeIndex = -1, lineIndex = -1, familyIndex = -1;
    bool slash = false;
    for (int i = 0; i < count_ && familyIndex < 0; ++i) {
        const CssValue& v = values_[i];
        int k = KeywordOf(v);
        if (slash) {
            if (!IsLengthToken(v) && k != kCssNormal) return 0;
            lineIndex = i;
            slash = false;
            continue;
        }
        if (v.kind == '/') {
            slash = true;
            continue;
        }
        if (sizeIndex >= 0 && (v.kind == kCssString || v.kind == kCssEscapedString || v.kind == kCssIdent)) {
            familyIndex = i;
            break;
        }
        if (v.kind == kCssString || v.kind == kCssEscapedString) return 0;
        if (k == kCssItalic || k == kCssOblique) {
            if (style == -2) {  // a "normal" taken for the style moves on
                if (variant == -1)
                    variant = -2;
                else if (weight == -1)
                    weight = -2;
            }
            style = k;
        } else if (k == kCssSmallCaps) {
            if (variant == -2 && weight == -1) weight = -2;
            variant = k;
        } else if (k == kCssBold) {
            weight = k;
            weightNumber = 7;
        } else if (k == kCssBolder || k == kCssLighter) {
            weight = k;
        } else if (k == kCssNormal || k == kCssInherit) {
            if (style == -1)
                style = -2;
            else if (variant == -1)
                variant = -2;
            else if (weight == -1)
                weight = -2;
        } else if (IsLengthToken(v) && CssUnitOf(v.kind) == kUnitNone && weight == -1 && sizeIndex < 0) {
            int n = IntegerOf(NumberOf(v));
            if (n < 100 || n > 900) return 0;
            weight = 0;
            weightNumber = static_cast<float>(n / 100);
        } else if (IsLengthToken(v) || (k >= kCssXxSmall && k <= kCssSmaller)) {
            if (sizeIndex >= 0) return 0;
            if (IsLengthToken(v) && NumberOf(v) < 0) continue;  // a negative size counts as none
            sizeIndex = i;
        }
    }
    if (familyIndex < 0 || sizeIndex < 0) return 0;
    DeclarationList scratch;
    Parser family(scratch, base_, values_, count_, important_);
    if (!family.FontFamily(familyIndex)) return 0;
    if (style > 0) Keyword(kPropFontStyle, style);
    if (variant > 0) Keyword(kPropFontVariant, variant);
    if (weight == -2)
        Number(kPropFontWeight, 4, kUnitNone);
    else if (weight == kCssBolder || weight == kCssLighter)
        Keyword(kPropFontWeight, weight);
    else if (weight >= 0 && weightNumber >= 0)
        Number(kPropFontWeight, weightNumber, kUnitNone);
    const CssValue& size = values_[sizeIndex];
    if (IsLengthToken(size))
        Length(kPropFontSize, size);
    else
        Keyword(kPropFontSize, KeywordOf(size));
    if (lineIndex >= 0) {
        if (IsLengthToken(values_[lineIndex]))
            Length(kPropLineHeight, values_[lineIndex]);
        else
            Keyword(kPropLineHeight, kCssNormal);
    }
    while (StyleDeclaration* d = scratch.First()) {
        d->Remove();
        d->AppendTo(list_);
    }
    return 1;
}

int Parser::Parse(int property) {
    switch (property) {
        case kPropTop:
        case kPropLeft:
        case kPropRight:
        case kPropBottom:
        case kPropWidth:
        case kPropHeight:
        case kPropMarginTop:
        case kPropMarginRight:
        case kPropMarginBottom:
        case kPropMarginLeft:
            return BoxLength(property, true);
        case kPropMaxWidth:
        case kPropMinWidth:
        case kPropMaxHeight:
        case kPropMinHeight:
        case kPropPaddingTop:
        case kPropPaddingRight:
        case kPropPaddingBottom:
        case kPropPaddingLeft:
            return BoxLength(property, false);
        case kPropLineHeight:
            if (count_ == 1 && KeywordOf(values_[0]) == kCssNormal) return Keyword(property, kCssNormal), 1;
            return BoxLength(property, false);
        case kPropFontSize:
            if (count_ != 1) return 0;
            return FontSize(property, values_[0], true);
        case kPropColor:
        case kPropBackgroundColor:
        case kPropBorderTopColor:
        case kPropBorderRightColor:
        case kPropBorderBottomColor:
        case kPropBorderLeftColor:
        case kPropBorderColor:
            return Colour(property);
        case kPropClear:
            return SingleKeyword(property, {kCssLeft, kCssRight, kCssNone, kCssInherit, kCssBoth});
        case kPropFloat:
            return SingleKeyword(property, {kCssLeft, kCssRight, kCssNone, kCssInherit});
        case kPropDisplay: {
            int k = KeywordOf(values_[0]);
            if ((k >= kCssInline && k <= kCssTableCaption) || k == kCssNone || k == kCssInherit)
                return Keyword(property, k), 1;
            return 0;
        }
        case kPropTextAlign:
            return SingleKeyword(property, {kCssJustify, kCssLeft, kCssRight, kCssCenter, kCssInherit});
        case kPropFontStyle:
            return SingleKeyword(property, {kCssNormal, kCssItalic, kCssOblique, kCssInherit}, true);
        case kPropFontVariant:
            return SingleKeyword(property, {kCssNormal, kCssSmallCaps, kCssInherit}, true);
        case kPropFontWeight:
            return FontWeight();
        case kPropTextTransform:
            return SingleKeyword(property, {kCssCapitalize, 0x47, kCssLowercase, kCssNone, kCssInherit});
        case kPropTextDecoration:
            return TextDecoration();
        case kPropListStyleType: {
            int k = KeywordOf(values_[0]);
            if ((k >= kCssDisc && k <= kCssUpperAlpha) || k == kCssNone || k == kCssInherit)
                return Keyword(property, k), 1;
            return 0;
        }
        case kPropListStylePosition:
            return SingleKeyword(property, {kCssInside, kCssOutside, kCssInherit});
        case kPropListStyleImage:
        case kPropBackgroundImage:
            return UrlOrNone(property);
        case kPropBackgroundRepeat: {
            int k = KeywordOf(values_[0]);
            if (count_ == 1 && ((k >= kCssRepeat && k <= kCssNoRepeat) || k == kCssInherit))
                Keyword(property, k);
            return 1;
        }
        case kPropBackgroundAttachment: {
            int k = KeywordOf(values_[0]);
            if (k == kCssScroll || k == kCssFixed || k == kCssInherit) Keyword(property, k);
            return 1;
        }
        case kPropPageBreakBefore:
            return SingleKeyword(property, {kCssAlways, kCssInherit});
        case kPropFontSizeAdjust:
            return SingleKeyword(property, {kCssZ, kCssNone, kCssInherit}, true);
        case kPropTextIndent:
        case kPropWordSpacing:
        case kPropLetterSpacing:
        case kPropVerticalAlign:
            return Spacing(property);
        case kPropMargin:
        case kPropPadding:
        case kPropBorderWidth:
        case kPropBorderStyle:
            return FourSides(property);
        case kPropBorder:
        case kPropBorderTop:
        case kPropBorderRight:
        case kPropBorderBottom:
        case kPropBorderLeft:
        case kPropBorderTopStyle:
        case kPropBorderRightStyle:
        case kPropBorderBottomStyle:
        case kPropBorderLeftStyle:
        case kPropBorderTopWidth:
        case kPropBorderRightWidth:
        case kPropBorderBottomWidth:
        case kPropBorderLeftWidth:
            return BorderLoop(property);
        case kPropBackground:
            return Background();
        case kPropListStyle:
            return ListStyle();
        case kPropFontFamily:
            return FontFamily(0);
        case kPropFont:
            return Font();
        case kPropBackgroundPosition: {
            int index = 0;
            return BackgroundPosition(index);
        }
        default:
            return 1;
    }
}

}  // namespace

int ParseDeclaration(DeclarationList& list, const UrlHandle* base, const char* name, int nameLength,
                     const CssValue* values, int count, bool important) {
    int property = name ? LookupProperty(name, nameLength) : -1;
    if (property < 0 || count <= 0) return 0;
    // Declarations are made aside and kept only when the whole is valid.
    DeclarationList made;
    Parser parser(made, base, values, count, important);
    int result = parser.Parse(property);
    if (result) {
        while (StyleDeclaration* d = made.First()) {
            d->Remove();
            d->AppendTo(list);
        }
    }
    // clear and float with nothing usable are ignored rather than invalid.
    if (!result && (property == kPropClear || property == kPropFloat) && values[0].kind != kCssIdent)
        return 1;
    return result;
}

std::unique_ptr<DeclarationList> ParseStyleAttribute(const char* text, const char* end,
                                                     const UrlHandle* base) {
    auto list = std::make_unique<DeclarationList>();
    CssTokenizer tokenizer;
    CssValue values[kMaxValueTokens];
    int count = 0;
    const char* name = nullptr;
    int nameLength = 0;
    enum { kName, kColon, kValues, kSkip } state = kName;
    int previous = 0;
    const char* p = text;
    for (;;) {
        const char* start;
        int length;
        int kind = tokenizer.NextToken(p, start, length, end, false, true);
        if (kind == kCssComment) continue;
        if (kind == kCssNeedMore || kind == kCssStop) {
            if (state == kValues) ParseDeclaration(*list, base, name, nameLength, values, count, false);
            break;
        }
        switch (state) {
            case kName:
                if (kind == kCssIdent) {
                    name = start;
                    nameLength = length;
                    state = kColon;
                } else if (kind != ';') {
                    state = kSkip;
                }
                break;
            case kColon:
                state = kind == ':' ? kValues : (kind == ';' ? kName : kSkip);
                count = 0;
                break;
            case kSkip:
                if (kind == ';') state = kName;
                break;
            case kValues:
                if (kind == ';') {
                    ParseDeclaration(*list, base, name, nameLength, values, count, previous == kCssImportant);
                    state = kName;
                    count = 0;
                } else if (kind == kCssIdent || kind == kCssString || kind == kCssEscapedString ||
                           kind == kCssHash || kind == kCssUrl || kind == kCssRgb || IsCssNumber(kind)) {
                    if (IsCssNumber(kind) && previous == '-' && start > text && start[-1] == '-') {
                        --start;
                        ++length;
                    }
                    values[count++] = CssValue{start, length, kind};
                    if (count == kMaxValueTokens) {
                        ParseDeclaration(*list, base, name, nameLength, values, count, false);
                        return list;
                    }
                }
                break;
        }
        previous = kind;
    }
    return list;
}
