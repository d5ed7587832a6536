// What an element's attributes and computed CSS style mean for layout: the
// font to push to the device, the text style of its text, its float, clear
// and display keywords, and the edge record of a block. CSS lengths become
// layout units here.
#pragma once
#include <cfloat>
#include <cstdint>

#include "layout/FontTable.h"
#include "layout/LayoutElement.h"

class HtmlElement;
class PageProperties;
class PaintDevice;
class StyleDeclaration;
class StyleDeclarationList;

constexpr int32_t kNoLength = 0x7fffffff;

// FontSpec of an element: colour (-1 unset; 0x40000000 marks a colour set
// by a style rule or FONT COLOR), weight in hundreds (0 unset), italic (-1
// unset), face id (-1 unset), font size in pixels (-1 unset).
enum ElementFontField { kSpecColor = 0, kSpecWeight = 1, kSpecItalic = 2, kSpecFace = 3, kSpecSize = 4 };
constexpr int32_t kColorFromStyle = 0x40000000;
void ClearElementFont(FontSpec& fontSpec);

// The text style of an element's text.
struct TextStyleRecord {
    int32_t lineHeightAbsolute = 0;
    int32_t lineHeightRelative = 0;
    uint8_t decorations = 0;  // 1 underline, 2 strike-out, 4 overline, 8 blink
    int transform = 0;        // 1 capitalise, 2 upper case, 3 lower case
    int textAlign = 0;        // the keyword
    bool smallCaps = false;
    int32_t letterSpacing = 32767;
    int32_t previousLetterSpacing = 0;
    float wordSpacing = FLT_MAX;
    int listStyleType = 0;
    int listStylePosition = 0;
    const char* listStyleImage = nullptr;
};

// Bits of the formatter state's flag word that the style application reads
// and marks.
enum StyleStateFlag : uint32_t {
    kStateFirstLetterRun = 0x01,
    kStateFirstLineRun = 0x02,
    kStateFirstLetterApplied = 0x04,
    kStateFirstLineApplied = 0x08,
    kStateFaceFromStyle = 0x40,
    kStateStyleFromRule = 0x80,
};

// The user's font settings that decide whether pages choose fonts.
struct FontPreferences {
    bool uiEnableFont = false;       // "UI ENABLE FONT"
    bool cssEnableUserFont = false;  // "CSS ENABLE USER FONT"
};
FontPreferences& StyleFontPreferences();

struct ElementStyleResult {
    int floatKeyword = 0;  // 0x41 left, 0x42 right
    int clear = 0;
    int display = 0;
};

// Device units for a CSS number with its unit (with or without the number
// bit 0x100), or kNoLength. Results truncate toward zero.
int32_t ConvertCssLength(PaintDevice& device, float value, int unit, bool horizontal, int32_t reference);
// The same for a declaration; kNoLength unless it is a number with a unit.
int32_t CssValueToLength(PaintDevice& device, const StyleDeclaration* value, bool horizontal, int32_t reference);

// Pushes the font to the device; answers the font height (high 32 bits)
// and the line height (low 32 bits).
uint64_t ApplyFontSpec(PaintDevice& device, const FontSpec& fontSpec, TextStyleRecord& text, bool exact);

// stateFlags: the formatter state's flag word, or null. declarations: the
// element's computed style, or null.
void ApplyElementStyle(PaintDevice& device, uint32_t* stateFlags, const PageProperties* page,
                       const HtmlElement* element, const StyleDeclarationList* declarations, TextStyleRecord& text,
                       FontSpec& fontSpec, bool lineHeightAbsolute, ElementStyleResult& result);

// The edge record of a block from its declarations: margins, padding,
// borders, background. availableWidth resolves percentages. Answers false
// when the element has nothing of it.
struct StyledBlock {
    BoxMetricsValues metrics;
    BoxStyle style;
    uint8_t autoMargins = 0;  // 1 left, 2 right
    int32_t textIndent = 0;
    int32_t height = kNoLength;
    bool pageBreakBefore = false;
    // The style's background image: an absolute URL held by the
    // declarations, or null.
    const char* backgroundUrl = nullptr;
};
bool MakeStyledBlock(PaintDevice& device, const HtmlElement* element, const StyleDeclarationList* declarations,
                     int32_t availableWidth, bool nestedList, StyledBlock& out);
