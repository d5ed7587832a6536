#include "layout/StyleApplication.h"

#include <cmath>

#include "html/CssDeclarations.h"
#include "html/CssTokenizer.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "html/PageProperties.h"
#include "html/StyleSheet.h"
#include "layout/ElementAccessors.h"
#include "layout/PaintDevice.h"
#include "layout/PaintTree.h"

namespace {
constexpr int kCssLarger = 0x2007;
constexpr int kCssUppercase = 0x47;

int32_t Truncate(double v) {
    if (v >= 2147483647.0) return 2147483647 - 1;
    if (v <= -2147483648.0) return -2147483647;
    return static_cast<int32_t>(v);
}

int16_t ClampEdge(int32_t v) { return v == kNoLength ? 0 : Clamp16(v); }

// Which declarations apply in the state: none, link rules, and first-line or
// first-letter rules while such a run is set up.
bool Applies(int pseudo, uint32_t state, uint32_t& marks) {
    switch (pseudo) {
        case 0:
        case 1: return true;
        case 5:
            if (!(state & kStateFirstLineRun)) return false;
            marks |= kStateFirstLineApplied;
            return true;
        case 6:
            if (!(state & kStateFirstLetterRun)) return false;
            marks |= kStateFirstLetterApplied;
            return true;
        default: return false;
    }
}

int32_t FontSizeKeyword(int keyword, int32_t current) {
    const FontStyle& base = g_fontTable ? g_fontTable->ForElement(0) : FontTable::DefaultStyle();
    const int32_t baseSize = FontHeightOf(base);
    if (keyword == kCssLarger) return Truncate(current * 1.2);
    if (keyword == kCssSmaller) return Truncate(current * 0.8);
    const int steps = keyword - kCssMedium;
    const double factor = std::pow(1.2, steps < 0 ? -steps : steps);
    return Truncate((steps < 0 ? baseSize / factor : baseSize * factor) + 0.5);
}

bool IsKeyword(const StyleDeclaration* d, int keyword) {
    return d->Kind() == kDeclKeyword && d->GetKeyword() == keyword;
}
}  // namespace

FontPreferences& StyleFontPreferences() {
    static FontPreferences preferences;
    return preferences;
}

void ClearElementFont(FontSpec& fontSpec) { fontSpec.Set(-1, 0, -1, -1, -1, 0); }

int32_t ConvertCssLength(PaintDevice& device, float value, int unit, bool horizontal, int32_t reference) {
    const double v = value;
    switch (unit & 0xFF) {
        case kUnitNone:
        case kUnitEm: return Truncate(v * device.GetFontHeight());
        case kUnitPercent: return Truncate(v * reference / 100.0);
        case kUnitEx: return Truncate(v * device.GetTextExtent("x", 1));
        case kUnitPx: return Truncate(v);
        case kUnitCm: return Truncate(v * device.Dpi(horizontal) / 2.54);
        case kUnitMm: return Truncate(v * device.Dpi(horizontal) / 25.4);
        case kUnitIn: return Truncate(v * device.Dpi(horizontal));
        case kUnitPt: return Truncate(v * device.Dpi(horizontal) / 72.0);
        case kUnitPc: return Truncate(v * device.Dpi(horizontal) * 12.0 / 72.0);
        default: return kNoLength;
    }
}

int32_t CssValueToLength(PaintDevice& device, const StyleDeclaration* value, bool horizontal, int32_t reference) {
    if (!value || value->Kind() != kDeclNumber) return kNoLength;
    return ConvertCssLength(device, value->GetNumber(), value->GetUnit(), horizontal, reference);
}

uint64_t ApplyFontSpec(PaintDevice& device, const FontSpec& fontSpec, TextStyleRecord& text, bool exact) {
    if (fontSpec.values[kSpecFace] >= 0) device.SetFaceById(static_cast<uint16_t>(fontSpec.values[kSpecFace]));
    if (fontSpec.values[kSpecSize] > 0) device.SetFontHeight(fontSpec.values[kSpecSize]);
    if (fontSpec.values[kSpecWeight] > 0) device.SetWeight(fontSpec.values[kSpecWeight]);
    if (fontSpec.values[kSpecItalic] >= 0) device.SetItalic(fontSpec.values[kSpecItalic]);
    if (text.letterSpacing != 32767) {
        const int previous = device.SetTextCharacterExtra(text.letterSpacing);
        if (previous != text.letterSpacing) {
            text.previousLetterSpacing = previous;
        } else {
            device.SetTextCharacterExtra(previous);
        }
    }
    if (text.wordSpacing != FLT_MAX) device.SetWordSpacing(text.wordSpacing);
    const int32_t fontHeight = device.GetFontHeight();
    int32_t line = text.lineHeightAbsolute > 0   ? text.lineHeightAbsolute
                   : text.lineHeightRelative > 0 ? text.lineHeightRelative
                                                 : device.GetLineHeight();
    if (line < fontHeight && !(exact && text.lineHeightAbsolute > 0)) line = fontHeight;
    return (static_cast<uint64_t>(static_cast<uint32_t>(fontHeight)) << 32) | static_cast<uint32_t>(line);
}

void ApplyElementStyle(PaintDevice& device, uint32_t* stateFlags, const PageProperties* page,
                       const HtmlElement* element, const StyleDeclarationList* declarations, TextStyleRecord& text,
                       FontSpec& fontSpec, bool lineHeightAbsolute, ElementStyleResult& result) {
    if (!element) return;
    const int type = element->Type();
    const bool link = type == kTagA && element->RecordAs<AnchorRecord>() &&
                      static_cast<bool>(element->RecordAs<AnchorRecord>()->href);
    if (type == kTagU) text.decorations |= 1;
    if (type == kTagStrike) text.decorations |= 2;
    const FontStyle& base = g_fontTable && (type != kTagA || link) ? g_fontTable->ForElement(type)
                                                                   : FontTable::DefaultStyle();
    const uint32_t state = stateFlags ? *stateFlags : 0;
    const bool pageFonts = (page && page->cssMode) || StyleFontPreferences().uiEnableFont;

    // Defaults.
    text.letterSpacing = 32767;
    fontSpec.values[kSpecSize] = -1;
    const int16_t faceOfFont = GetFontFaceId(element);
    if (faceOfFont >= 0 && pageFonts) fontSpec.values[kSpecFace] = faceOfFont;
    fontSpec.values[kSpecWeight] = base.Bold() ? 7 : (base.Font() ? base.Font()->weight / 100 : fontSpec.values[kSpecWeight]);
    if ((base.Italic() || (base.Font() && base.Font()->italic)) && !(state & kStateStyleFromRule)) {
        fontSpec.values[kSpecItalic] = 1;
    }

    uint32_t marks = 0;
    int32_t lineHeight = kNoLength;
    bool colorSet = fontSpec.values[kSpecColor] != -1 && (fontSpec.values[kSpecColor] & kColorFromStyle);
    for (const WeightedDeclaration* w = declarations ? declarations->First() : nullptr; w;
         w = StyleDeclarationList::Next(w)) {
        const StyleDeclaration* d = w->declaration;
        const int pseudo = d->PseudoCode();
        if (!Applies(pseudo, state, marks)) continue;
        if (IsKeyword(d, kCssInherit)) continue;
        const int k = d->Kind() == kDeclKeyword ? d->GetKeyword() : 0;
        const int32_t current = device.GetFontHeight();
        switch (d->PropertyId()) {
            case kPropDisplay: result.display = k; break;
            case kPropClear: result.clear = k; break;
            case kPropFloat: result.floatKeyword = k; break;
            case kPropColor:
                if (colorSet || d->Kind() != kDeclInteger || (pseudo == 1 && !link)) break;
                fontSpec.values[kSpecColor] = d->GetValue() | (pseudo == 1 ? 0 : kColorFromStyle);
                colorSet = true;
                break;
            case kPropTextAlign: text.textAlign = k; break;
            case kPropFontSize: {
                int32_t size = kNoLength;
                if (d->Kind() == kDeclNumber) size = CssValueToLength(device, d, false, current);
                if (d->Kind() == kDeclKeyword) {
                    size = FontSizeKeyword(k, current);
                }
                if (size != kNoLength && size > 0) {
                    fontSpec.values[kSpecSize] = size;
                    device.SetFontHeight(size);
                }
                break;
            }
            case kPropFontStyle:
                if (k == kCssNormal) fontSpec.values[kSpecItalic] = 0;
                if (k == kCssItalic || k == kCssOblique) {
                    fontSpec.values[kSpecItalic] = 1;
                    marks |= kStateStyleFromRule;
                }
                break;
            case kPropFontVariant: text.smallCaps = k == kCssSmallCaps; break;
            case kPropFontFamily:
                for (int i = 0; i < d->GetListCount(); ++i) {
                    const int16_t id = d->GetList()[i];
                    if (id >= 0 && (FontFaceFlags(static_cast<uint16_t>(id)) != 0 ||
                                    (FindFontFaceById(static_cast<uint16_t>(id)) == nullptr &&
                                     FontFaceName(static_cast<uint16_t>(id))))) {
                        fontSpec.values[kSpecFace] = id;
                        marks |= kStateFaceFromStyle;
                        break;
                    }
                }
                break;
            case kPropFontWeight: {
                int32_t weight = fontSpec.values[kSpecWeight] > 0 ? fontSpec.values[kSpecWeight] : device.GetWeight();
                if (d->Kind() == kDeclNumber) weight = static_cast<int32_t>(d->GetNumber());
                if (k == kCssBolder || k == kCssLighter) {
                    const int32_t face = fontSpec.values[kSpecFace] >= 0 ? fontSpec.values[kSpecFace] : device.FaceId();
                    weight = NextFontWeight(static_cast<uint16_t>(face), weight, k == kCssBolder);
                }
                fontSpec.values[kSpecWeight] = weight < 1 ? 1 : (weight > 9 ? 9 : weight);
                break;
            }
            case kPropWordSpacing:
                if (k == kCssNormal) {
                    text.wordSpacing = 0.0f;
                } else if (d->Kind() == kDeclNumber) {
                    const int32_t v = CssValueToLength(device, d, true, 0);
                    if (v != kNoLength) text.wordSpacing = v < -32768 ? -32768.0f : static_cast<float>(v);
                }
                break;
            case kPropLetterSpacing:
                if (k == kCssNormal) {
                    text.letterSpacing = 0;
                } else if (d->Kind() == kDeclNumber) {
                    const int32_t v = CssValueToLength(device, d, true, 0);
                    if (v != kNoLength) text.letterSpacing = v < -32768 ? -32768 : (v > 32766 ? 32766 : v);
                }
                break;
            case kPropTextTransform:
                text.transform = k == kCssCapitalize ? 1 : k == kCssUppercase ? 2 : k == kCssLowercase ? 3 : 0;
                break;
            case kPropTextDecoration:
                if (k == kCssNone) {
                    text.decorations = 0;
                } else {
                    if (k & 0x10) text.decorations |= 1;
                    if (k & 0x20) text.decorations |= 4;
                    if (k & 0x40) text.decorations |= 2;
                    if (k & 0x80) text.decorations |= 8;
                }
                break;
            case kPropListStyleType: text.listStyleType = k; break;
            case kPropListStylePosition: text.listStylePosition = k; break;
            case kPropListStyleImage:
                text.listStyleImage = k == kCssNone ? nullptr : d->GetString();
                break;
            case kPropLineHeight:
                if (d->Kind() == kDeclNumber) lineHeight = CssValueToLength(device, d, false, current);
                break;
            default: break;
        }
    }

    // TABLE and IMG aligned left or right float.
    if (!result.floatKeyword && (type == kTagTable || type == kTagImg)) {
        const int align = type == kTagImg ? GetImageAlign(element) : element->GetAlignment(false);
        if (align == 4) result.floatKeyword = kCssLeft;
        if (align == 5) result.floatKeyword = kCssRight;
    }

    // Colours and sizes by element.
    const int32_t current = device.GetFontHeight();
    if (type == kTagA) {
        if (link && page && page->GetLinkColour() != -1 && fontSpec.values[kSpecColor] == -1) {
            fontSpec.values[kSpecColor] = page->GetLinkColour();
        }
    } else if (type == kTagFont) {
        if (pageFonts && GetFontColor(element) != -1 && !colorSet) {
            fontSpec.values[kSpecColor] = GetFontColor(element) | kColorFromStyle;
        }
        if (HasFontSize(element) && fontSpec.values[kSpecSize] == -1) {
            LogFont font;
            device.GetLogFont(font);
            const FontStyle& normal = g_fontTable ? g_fontTable->ForElement(0) : FontTable::DefaultStyle();
            fontSpec.values[kSpecSize] = FontSizeForStep(normal.Font() ? normal.Font() : &font, GetFontSize(element));
        }
    } else if (type == kTagSmall || type == kTagBig || type == kTagSub || type == kTagSup) {
        if (fontSpec.values[kSpecSize] == -1) {
            LogFont font;
            font.height = -current;
            const int step = type == kTagSmall ? 2 : (type == kTagBig ? 4 : 1);
            fontSpec.values[kSpecSize] = FontSizeForStep(&font, step);
        }
    } else {
        const bool pageFace = page && (!page->cssMode || StyleFontPreferences().cssEnableUserFont);
        if (fontSpec.values[kSpecFace] == -1 && pageFace && base.Font() && base.Font()->faceName[0]) {
            const uint16_t id = FindFontFaceId(base.Font()->faceName);
            if (id != kUnknownFace) fontSpec.values[kSpecFace] = id;
        }
        if (fontSpec.values[kSpecSize] == -1 && base.Font()) fontSpec.values[kSpecSize] = FontHeightOf(base);
    }

    if (lineHeight != kNoLength && lineHeight > 0) {
        if (lineHeightAbsolute) {
            text.lineHeightAbsolute = lineHeight;
        } else {
            text.lineHeightRelative = lineHeight;
        }
    }
    if (stateFlags) *stateFlags |= marks;
}

namespace {
// A background position pair: a percentage is kept as it is (painting
// places the picture at that fraction of the room the box leaves beside
// it) and flagged in the repeat field, a length becomes units.
void SetBackgroundPosition(PaintDevice& device, const StyleDeclaration* d, BoxStyle& style) {
    uint16_t repeat = static_cast<uint16_t>(style.backgroundRepeat & ~(kRepeatXPercent | kRepeatYPercent));
    int32_t x = 0, y = 0;
    if ((d->GetUnit() & 0xFF) == kUnitPercent) {
        x = Truncate(d->GetNumber());
        repeat |= kRepeatXPercent;
    } else {
        x = ConvertCssLength(device, d->GetNumber(), d->GetUnit(), true, 0);
    }
    if ((d->GetSecondUnit() & 0xFF) == kUnitPercent) {
        y = Truncate(d->GetSecondNumber());
        repeat |= kRepeatYPercent;
    } else {
        y = ConvertCssLength(device, d->GetSecondNumber(), d->GetSecondUnit(), false, 0);
    }
    style.backgroundX = ClampEdge(x);
    style.backgroundY = y == kNoLength ? 0 : y;
    style.backgroundRepeat = repeat;
}
}  // namespace

bool MakeStyledBlock(PaintDevice& device, const HtmlElement* element, const StyleDeclarationList* declarations,
                     int32_t availableWidth, bool nestedList, StyledBlock& out) {
    bool any = false;
    auto length = [&](const StyleDeclaration* d, bool horizontal) {
        return CssValueToLength(device, d, horizontal, availableWidth);
    };
    auto setSides = [&](int16_t* sides, const StyleDeclaration* d, std::initializer_list<int> which) {
        const int32_t v = length(d, true);
        if (v == kNoLength) return;
        for (int s : which) sides[s] = ClampEdge(v);
        any = true;
    };
    for (const WeightedDeclaration* w = declarations ? declarations->First() : nullptr; w;
         w = StyleDeclarationList::Next(w)) {
        const StyleDeclaration* d = w->declaration;
        if (d->PseudoCode() > 1) continue;
        const int k = d->Kind() == kDeclKeyword ? d->GetKeyword() : 0;
        int16_t* margin = out.metrics.margin;
        int16_t* padding = out.metrics.padding;
        switch (d->PropertyId()) {
            case kPropMargin: setSides(margin, d, {0, 1, 2, 3}); break;
            case kPropMarginTop: setSides(margin, d, {BoxMetrics::kTop}); break;
            case kPropMarginBottom: setSides(margin, d, {BoxMetrics::kBottom}); break;
            case kPropMarginLeft:
                if (k == kCssAuto) SetAutoLeftMargin(out.autoMargins, true), any = true;
                setSides(margin, d, {BoxMetrics::kLeft});
                break;
            case kPropMarginRight:
                if (k == kCssAuto) SetAutoRightMargin(out.autoMargins, true), any = true;
                setSides(margin, d, {BoxMetrics::kRight});
                break;
            case kPropPadding: setSides(padding, d, {0, 1, 2, 3}); break;
            case kPropPaddingTop: setSides(padding, d, {BoxMetrics::kTop}); break;
            case kPropPaddingLeft: setSides(padding, d, {BoxMetrics::kLeft}); break;
            case kPropPaddingRight: setSides(padding, d, {BoxMetrics::kRight}); break;
            case kPropPaddingBottom: setSides(padding, d, {BoxMetrics::kBottom}); break;
            case kPropTextIndent: {
                const int32_t v = length(d, true);
                if (v != kNoLength) out.textIndent = ClampEdge(v), any = true;
                break;
            }
            case kPropHeight: {
                const int32_t v = length(d, false);
                if (v != kNoLength) out.height = ClampEdge(v), any = true;
                break;
            }
            case kPropVerticalAlign:
                out.metrics.valignCode = static_cast<int16_t>(k);
                if (d->Kind() == kDeclNumber) {
                    out.metrics.valignCode = 0;
                    out.metrics.valignValue = ClampEdge(length(d, false));
                }
                any = true;
                break;
            case kPropBorderTopColor: out.style.borders.color[BoxBorders::kTop] = d->GetValue(), any = true; break;
            case kPropBorderLeftColor: out.style.borders.color[BoxBorders::kLeft] = d->GetValue(), any = true; break;
            case kPropBorderRightColor: out.style.borders.color[BoxBorders::kRight] = d->GetValue(), any = true; break;
            case kPropBorderBottomColor:
                out.style.borders.color[BoxBorders::kBottom] = d->GetValue(), any = true;
                break;
            case kPropBorderTopStyle:
            case kPropBorderLeftStyle:
            case kPropBorderRightStyle:
            case kPropBorderBottomStyle:
            case kPropBorderTopWidth:
            case kPropBorderLeftWidth:
            case kPropBorderRightWidth:
            case kPropBorderBottomWidth: {
                const int id = d->PropertyId();
                const int side = (id == kPropBorderTopStyle || id == kPropBorderTopWidth)     ? BoxBorders::kTop
                                 : (id == kPropBorderLeftStyle || id == kPropBorderLeftWidth) ? BoxBorders::kLeft
                                 : (id == kPropBorderRightStyle || id == kPropBorderRightWidth)
                                     ? BoxBorders::kRight
                                     : BoxBorders::kBottom;
                BoxBorders& b = out.style.borders;
                const bool isStyle = id == kPropBorderTopStyle || id == kPropBorderLeftStyle ||
                                     id == kPropBorderRightStyle || id == kPropBorderBottomStyle;
                if (isStyle) {
                    if (k >= 0x201 && k <= kBorderOutset) b.Set(side, k, b.Width(side) ? b.Width(side) : 3);
                } else {
                    int32_t v = length(d, true);
                    if (k == kCssThin) v = 1;
                    if (k == kCssThin + 1) v = 3;
                    if (k == kCssThick) v = 5;
                    if (v != kNoLength) b.Set(side, b.Style(side) ? b.Style(side) : kBorderSolid, v);
                }
                any = true;
                break;
            }
            case kPropBackgroundColor:
                if (d->Kind() == kDeclInteger) out.style.backgroundColor = d->GetValue(), any = true;
                break;
            case kPropBackgroundImage:
                out.backgroundUrl = d->Kind() == kDeclString ? d->GetString() : nullptr;
                any = true;
                break;
            case kPropBackgroundRepeat:
                if (k >= kCssRepeat && k <= kCssNoRepeat) {
                    out.style.backgroundRepeat =
                        static_cast<uint16_t>((out.style.backgroundRepeat & ~kRepeatMask) | k);
                    any = true;
                }
                break;
            case kPropBackgroundPosition:
                if (d->Kind() == kDeclPair) {
                    SetBackgroundPosition(device, d, out.style);
                    any = true;
                }
                break;
            case kPropPageBreakBefore: out.pageBreakBefore = k == kCssAlways; break;
            default: break;
        }
    }
    const int type = element ? element->Type() : 0;
    if (type == kTagImg) {
        const int h = element->GetImageHSpace(), v = element->GetImageVSpace();
        out.metrics.margin[BoxMetrics::kLeft] = ClampEdge(out.metrics.margin[BoxMetrics::kLeft] + h);
        out.metrics.margin[BoxMetrics::kRight] = ClampEdge(out.metrics.margin[BoxMetrics::kRight] + h);
        out.metrics.margin[BoxMetrics::kTop] = ClampEdge(out.metrics.margin[BoxMetrics::kTop] + v);
        out.metrics.margin[BoxMetrics::kBottom] = ClampEdge(out.metrics.margin[BoxMetrics::kBottom] + v);
        any = any || h || v;
    } else if (type == kTagTable) {
        const int h = GetTableHSpace(element), v = GetTableVSpace(element);
        out.metrics.margin[BoxMetrics::kLeft] = ClampEdge(out.metrics.margin[BoxMetrics::kLeft] + h);
        out.metrics.margin[BoxMetrics::kRight] = ClampEdge(out.metrics.margin[BoxMetrics::kRight] + h);
        out.metrics.margin[BoxMetrics::kTop] = ClampEdge(out.metrics.margin[BoxMetrics::kTop] + v);
        out.metrics.margin[BoxMetrics::kBottom] = ClampEdge(out.metrics.margin[BoxMetrics::kBottom] + v);
        any = any || h || v;
    }
    if (type == kTagSub && out.metrics.valignCode == 80) out.metrics.valignCode = 0x51;
    if (type == kTagSup && out.metrics.valignCode == 80) out.metrics.valignCode = 0x52;
    const bool list = type == kTagUl || type == kTagOl || type == kTagDl || type == kTagMenu || type == kTagDir;
    if (list && nestedList) {
        const FontStyle& style = g_fontTable ? g_fontTable->ForElement(type) : FontTable::DefaultStyle();
        out.metrics.margin[BoxMetrics::kLeft] = ClampEdge(out.metrics.margin[BoxMetrics::kLeft] +
                                                          style.Numbers().values[0]);
        any = true;
    }
    return any;
}
