// CSS lengths in layout units and the application of declarations to an
// element's font and text style, on the device with fixed metrics (96 dots
// per inch, characters half the font height wide).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "html/CssDeclarations.h"
#include "html/CssTokenizer.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "html/StyleSheet.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/StyleApplication.h"

namespace {

TEST(CssLengths, UnitsInLayoutUnits) {
    FixedMetricsDevice device(640, 480);
    device.SetFontHeight(10);
    const struct {
        float value;
        int unit;
        int32_t reference, expected;
    } cases[] = {
        {72, kUnitPt, 0, 96},     {1, kUnitIn, 0, 96},       {50, kUnitPercent, 300, 150},
        {2, kUnitEm, 0, 20},      {1.5f, kUnitNone, 0, 15},  {2, kUnitEx, 0, 10},
        {10.9f, kUnitPx, 0, 10},  {1, kUnitCm, 0, 37},      {10, kUnitMm, 0, 37},
        {1, kUnitPc, 0, 16},      {-7.9f, kUnitPx, 0, -7},   {3, kUnitS, 0, kNoLength},
        {72, kCssNumberBit | kUnitPt, 0, 96},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertCssLength(device, c.value, c.unit, true, c.reference), c.expected)
            << c.value << " unit " << c.unit;
    }
    KeywordDeclaration keyword(kPropWidth, kCssAuto);
    EXPECT_EQ(CssValueToLength(device, &keyword, true, 100), kNoLength);
}

struct StyleFixture : ::testing::Test {
    FixedMetricsDevice device{640, 480};
    DeclarationList owned;
    StyleDeclarationList list;
    TextStyleRecord text;
    FontSpec fontSpec;
    ElementStyleResult result;
    std::unique_ptr<HtmlElement> element{new HtmlElement(nullptr, kTagP, nullptr, false)};
    void SetUp() override {
        device.SetFontHeight(16);
        ClearElementFont(fontSpec);
    }
    void Add(StyleDeclaration* d) {
        d->AppendTo(owned);
        (new WeightedDeclaration(d, 0))->AppendTo(list);
    }
    static uint16_t Word(int property, int pseudo = 0) {
        return static_cast<uint16_t>(property | pseudo << kPseudoShift);
    }
    void Apply(uint32_t* state = nullptr) {
        ApplyElementStyle(device, state, nullptr, element.get(), &list, text, fontSpec, false, result);
    }
};

TEST_F(StyleFixture, FontSizeKeywordsFollowTheFormula) {
    const struct {
        int keyword, size;
    } cases[] = {{0x2003, 16}, {0x2005, 23}, {0x2006, 28}, {0x2000, 9}, {0x2002, 13}};
    for (const auto& c : cases) {
        owned.Clear();
        list.Clear();
        Add(new KeywordDeclaration(Word(kPropFontSize), c.keyword));
        Apply();
        EXPECT_EQ(fontSpec.values[kSpecSize], c.size) << std::hex << c.keyword;
    }
}

TEST_F(StyleFixture, RelativeSizesStepFromTheCurrentFont) {
    device.SetFontHeight(20);
    Add(new KeywordDeclaration(Word(kPropFontSize), 0x2008));
    Apply();
    EXPECT_EQ(fontSpec.values[kSpecSize], 16);
    owned.Clear();
    list.Clear();
    Add(new NumberDeclaration(Word(kPropFontSize), 150, kUnitPercent));
    Apply();
    EXPECT_EQ(fontSpec.values[kSpecSize], 24);
}

TEST_F(StyleFixture, SpacingAndWeightAreClamped) {
    Add(new NumberDeclaration(Word(kPropLetterSpacing), 40000, kUnitPx));
    Add(new NumberDeclaration(Word(kPropWordSpacing), -50000, kUnitPx));
    Add(new NumberDeclaration(Word(kPropFontWeight), 12, kUnitNone));
    Apply();
    EXPECT_EQ(text.letterSpacing, 32766);
    EXPECT_EQ(text.wordSpacing, -32768.0f);
    EXPECT_EQ(fontSpec.values[kSpecWeight], 9);
    owned.Clear();
    list.Clear();
    Add(new NumberDeclaration(Word(kPropFontWeight), 0, kUnitNone));
    Apply();
    EXPECT_EQ(fontSpec.values[kSpecWeight], 1);
}

TEST_F(StyleFixture, OnlyPlainAndLinkRulesApply) {
    for (int pseudo : {2, 3, 4}) Add(new IntegerDeclaration(Word(kPropColor, pseudo), 0x0000FF));
    Add(new KeywordDeclaration(Word(kPropFontStyle, 1), kCssItalic));
    Add(new KeywordDeclaration(Word(kPropTextAlign, 5), kCssCenter));
    uint32_t state = 0;
    Apply(&state);
    EXPECT_EQ(fontSpec.values[kSpecColor], -1) << "visited, active and hover never apply";
    EXPECT_EQ(fontSpec.values[kSpecItalic], 1) << "link rules apply";
    EXPECT_EQ(text.textAlign, 0) << "first-line rules only in a first-line run";
    EXPECT_TRUE(state & kStateStyleFromRule);
    state = kStateFirstLineRun;
    Apply(&state);
    EXPECT_EQ(text.textAlign, kCssCenter);
    EXPECT_TRUE(state & kStateFirstLineApplied);
    Add(new IntegerDeclaration(Word(kPropColor), 0x00FF00));
    Apply();
    EXPECT_EQ(fontSpec.values[kSpecColor], 0x00FF00 | kColorFromStyle);
}

TEST_F(StyleFixture, DecorationsTransformsAndFloats) {
    Add(new KeywordDeclaration(Word(kPropTextDecoration), 0x10 | 0x40));
    Add(new KeywordDeclaration(Word(kPropTextTransform), 0x47));
    Add(new KeywordDeclaration(Word(kPropFloat), kCssRight));
    Add(new NumberDeclaration(Word(kPropLineHeight), 2, kUnitEm));
    Apply();
    EXPECT_EQ(text.decorations, 1 | 2);
    EXPECT_EQ(text.transform, 2);
    EXPECT_EQ(result.floatKeyword, kCssRight);
    EXPECT_EQ(text.lineHeightRelative, 32);
    const uint64_t heights = ApplyFontSpec(device, fontSpec, text, false);
    EXPECT_EQ(heights >> 32, 16u);
    EXPECT_EQ(heights & 0xFFFFFFFF, 32u);
}

TEST_F(StyleFixture, StyledBlocksTakeMarginsBordersAndBackground) {
    Add(new NumberDeclaration(Word(kPropMargin), 10, kUnitPx));
    Add(new NumberDeclaration(Word(kPropPaddingLeft), 50, kUnitPercent));
    Add(new KeywordDeclaration(Word(kPropBorderTopStyle), kBorderDouble));
    Add(new NumberDeclaration(Word(kPropBorderTopWidth), 40000, kUnitPx));
    Add(new IntegerDeclaration(Word(kPropBackgroundColor), 0x123456));
    Add(new KeywordDeclaration(Word(kPropMarginRight), kCssAuto));
    StyledBlock block;
    ASSERT_TRUE(MakeStyledBlock(device, element.get(), &list, 300, false, block));
    EXPECT_EQ(block.metrics.margin[BoxMetrics::kTop], 10);
    EXPECT_EQ(block.metrics.padding[BoxMetrics::kLeft], 150);
    EXPECT_EQ(block.style.borders.Style(BoxBorders::kTop), kBorderDouble);
    EXPECT_EQ(block.style.borders.Width(BoxBorders::kTop), 0x0FFF);
    EXPECT_EQ(block.style.backgroundColor, 0x123456u);
    EXPECT_EQ(block.autoMargins, 2);
    StyledBlock none;
    StyleDeclarationList empty;
    EXPECT_FALSE(MakeStyledBlock(device, element.get(), &empty, 300, false, none));
}

}  // namespace
