// The CSS vocabulary and tokenizer: property names, keywords and units, and
// the tokens of style sheets and STYLE attributes. Names and keywords are
// matched case-sensitively (lower case); unit letters ignore case.
#pragma once

#include <cstdint>

enum CssProperty : int {
    kPropTop = 0,
    kPropClip = 1,
    kPropFont = 2,
    kPropLeft = 3,
    kPropSize = 4,
    kPropClear = 5,
    kPropColor = 6,
    kPropFloat = 7,
    kPropWidth = 8,
    kPropMarks = 9,
    kPropRight = 10,
    kPropMargin = 11,
    kPropWidows = 12,
    kPropBorder = 13,
    kPropBottom = 14,
    kPropCursor = 15,
    kPropHeight = 16,
    kPropContent = 17,
    kPropDisplay = 18,
    kPropOrphans = 19,
    kPropPadding = 20,
    kPropZIndex = 21,
    kPropOverflow = 22,
    kPropPosition = 23,
    kPropRowSpan = 24,
    kPropDirection = 25,
    kPropFontSize = 26,
    kPropMaxWidth = 27,
    kPropMinWidth = 28,
    kPropMaxHeight = 29,
    kPropMinHeight = 30,
    kPropMarginTop = 31,
    kPropTextAlign = 32,
    kPropFontStyle = 33,
    kPropBackground = 34,
    kPropBorderTop = 35,
    kPropListStyle = 36,
    kPropVisibility = 37,
    kPropWhiteSpace = 38,
    kPropLineHeight = 39,
    kPropColumnSpan = 40,
    kPropFontFamily = 41,
    kPropFontWeight = 42,
    kPropBorderLeft = 43,
    kPropPaddingTop = 44,
    kPropMarginLeft = 45,
    kPropTextIndent = 46,
    kPropTextShadow = 47,
    kPropMarginRight = 48,
    kPropPaddingLeft = 49,
    kPropTableLayout = 50,
    kPropBorderColor = 51,
    kPropBorderRight = 52,
    kPropBorderStyle = 53,
    kPropBorderWidth = 54,
    kPropCaptionSide = 55,
    kPropCellSpacing = 56,
    kPropFontVariant = 57,
    kPropWordSpacing = 58,
    kPropBorderBottom = 59,
    kPropMarginBottom = 60,
    kPropPaddingRight = 61,
    kPropPaddingBottom = 62,
    kPropLetterSpacing = 63,
    kPropTextTransform = 64,
    kPropVerticalAlign = 65,
    kPropTextDecoration = 66,
    kPropBorderCollapse = 67,
    kPropListStyleType = 68,
    kPropBackgroundColor = 69,
    kPropBackgroundImage = 70,
    kPropBorderTopColor = 71,
    kPropBorderTopStyle = 72,
    kPropBorderTopWidth = 73,
    kPropFontSizeAdjust = 74,
    kPropListStyleImage = 75,
    kPropPageBreakAfter = 76,
    kPropBackgroundRepeat = 77,
    kPropBorderLeftColor = 78,
    kPropBorderLeftStyle = 79,
    kPropBorderLeftWidth = 80,
    kPropPageBreakBefore = 81,
    kPropBorderRightColor = 82,
    kPropBorderRightStyle = 83,
    kPropBorderRightWidth = 84,
    kPropBorderBottomColor = 85,
    kPropBorderBottomStyle = 86,
    kPropBorderBottomWidth = 87,
    kPropListStylePosition = 88,
    kPropBackgroundPosition = 89,
    kPropBackgroundAttachment = 90,
};

constexpr int kCssPropertyCount = 91;

// Token kinds. A character token is the character's own code.
enum CssToken : int {
    kCssIdent = 2048,
    kCssString = 2050,
    kCssEscapedString = 2051,
    kCssAtKeyword = 2052,
    kCssImportant = 2053,
    kCssHash = 2054,
    kCssComment = 2055,
    kCssFunction = 2057,
    kCssUrl = 2058,
    kCssRgb = 2059,
    kCssIncludes = 2060,
    kCssClass = 2061,
    kCssStop = 61440,      // not a token: the text cannot be read on
    kCssNeedMore = 61441,  // the end of the text, or more is needed
};

// Numbers: bit 0x100, the form in bits 0x20-0xe0 and the unit in the low
// five bits (unit code = 0x100 | low bits).
constexpr int kCssNumberBit = 0x100;
enum CssNumberForm : int { kFormInteger = 0x20, kFormOctal = 0x40, kFormHex = 0x60, kFormReal = 0x80 };
enum CssUnit : int {
    kUnitNone = 0x00,
    kUnitPercent = 0x01,
    kUnitS = 0x02,
    kUnitEm = 0x03,
    kUnitEx = 0x04,
    kUnitPx = 0x05,
    kUnitCm = 0x06,
    kUnitMm = 0x07,
    kUnitIn = 0x08,
    kUnitPt = 0x09,
    kUnitPc = 0x0a,
    kUnitMs = 0x0b,
    kUnitHz = 0x0c,
    kUnitDeg = 0x0d,
    kUnitRad = 0x0e,
    kUnitKhz = 0x0f,
    kUnitGrad = 0x10,
    kUnitOther = 0x11,
};
inline bool IsCssNumber(int kind) {
    return (kind & ~0xFF) == kCssNumberBit;
}
inline int CssUnitOf(int kind) {
    return kind & 0x1F;
}

// Keyword codes used by the declaration parser.
enum CssKeywordCode : int {
    kCssNone = 0x1,
    kCssScroll = 0x2,
    kCssFixed = 0x3,
    kCssInherit = 0x4,
    kCssBoth = 0xb,
    kCssAuto = 0xc,
    kCssNormal = 0xe,
    kCssTransparent = 0xf,
    kCssThin = 0x10,
    kCssThick = 0x12,
    kCssZ = 0x18,
    kCssItalic = 0x19,
    kCssOblique = 0x1a,
    kCssSmallCaps = 0x1b,
    kCssBold = 0x1c,
    kCssBolder = 0x1d,
    kCssLighter = 0x1e,
    kCssCaption = 0x20,
    kCssStatusbar = 0x25,
    kCssAlways = 0x27,
    kCssInline = 0x30,
    kCssTableCaption = 0x3d,
    kCssJustify = 0x40,
    kCssLeft = 0x41,
    kCssRight = 0x42,
    kCssCenter = 0x43,
    kCssTop = 0x44,
    kCssBottom = 0x45,
    kCssCapitalize = 0x46,
    kCssLowercase = 0x48,
    kCssUnderline = 0x49,
    kCssBlink = 0x4c,
    kCssBaseline = 0x50,
    kCssTextBottom = 0x55,
    kCssDisc = 0x60,
    kCssUpperAlpha = 0x67,
    kCssInside = 0x68,
    kCssOutside = 0x69,
    kCssRepeat = 0x100,
    kCssNoRepeat = 0x103,
    kCssHidden = 0x202,
    kCssOutset = 0x20a,
    kCssSerif = 0x13,
    kCssMonospace = 0x17,
    kCssMedium = 0x2003,
    kCssXxSmall = 0x2000,
    kCssSmaller = 0x2008,
    kCssColourBit = 0x1000,
    kCssUnknownKeyword = 0xFFFF,
};

int LookupProperty(const char* name, int length);
const char* PropertyName(int id);
int LookupCssKeyword(const char* name, int length);

class CssTokenizer {
public:
    // inValue: the parser reads a declaration value (or a STYLE attribute),
    // where "." starts a number rather than a class.
    int NextToken(const char*& position, const char*& start, int& length, const char* end, bool more,
                  bool inValue) const;
};

// The form of the number at position (its text runs to the new position).
int ScanNumber(const char*& position, const char* end);
// Skips a comment at position ("/*" ... "*/" or to the end of the line).
int SkipComment(const char*& position, const char* end, bool more, bool blockComment);
