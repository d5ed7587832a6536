// The font table: size steps, the face list (names, ids, generic families,
// limits) and weight steps, on a font system with fixed answers.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "html/FontFaces.h"
#include "layout/FontTable.h"

namespace {

class FixedFonts : public FontSystem {
public:
    std::vector<std::string> families = {"Times New Roman", "Arial", "Courier New"};
    // Realised weight per requested weight; the identity without an entry.
    std::map<int, int> weights;
    int measured = 0;
    void ListFamilies(const std::function<void(const char*)>& add) override {
        for (const std::string& f : families) add(f.c_str());
    }
    int RealizedWeight(const char*, int weight) override {
        ++measured;
        auto it = weights.find(weight);
        return it == weights.end() ? weight : it->second;
    }
};

struct TableFixture : ::testing::Test {
    FixedFonts fonts;
    const char* generic[5] = {"Times New Roman", "Arial", nullptr, "", "Courier New"};
    std::unique_ptr<FontTable> table;
    void SetUp() override {
        table = std::make_unique<FontTable>(&fonts, generic);
        g_fontTable = table.get();
    }
    void TearDown() override {
        g_fontTable = nullptr;
        table.reset();
    }
};

TEST(FontSizeSteps, TwentyPercentFromSixteen) {
    LogFont font;
    font.height = -16;
    const int expected[8] = {0, 10, 13, 16, 19, 22, 26, 31};
    for (int step = 1; step <= 7; ++step) EXPECT_EQ(FontSizeForStep(&font, step), expected[step]) << step;
    font.height = -4;
    EXPECT_EQ(FontSizeForStep(&font, 1), 6) << "never below 6";
    EXPECT_EQ(FontSizeForStep(nullptr, 3), -1);
    EXPECT_EQ(FontHeightOf(FontStyle()), 16);
}

TEST_F(TableFixture, GenericFamiliesComeFirstAndBindToTheirFaces) {
    // Generic families are bound to the settings' faces: their names answer
    // the real face's id, while the ids 0-4 stay theirs.
    const uint16_t times = FindFontFaceId("Times New Roman");
    EXPECT_EQ(times, 5);
    EXPECT_EQ(FindFontFaceId("serif"), times);
    EXPECT_EQ(FindFontFaceId("sans-serif"), FindFontFaceId("Arial"));
    EXPECT_EQ(FindFontFaceId("cursive"), 2) << "not bound without a face";
    EXPECT_EQ(FindFontFaceId("fantasy"), 3);
    EXPECT_EQ(FontFaceFlags(times), kFaceInstalled);
    EXPECT_STREQ(FontFaceName(times), "Times New Roman");
    EXPECT_EQ(FontFaceName(0), nullptr) << "a bound generic family answers through its face";
}

TEST_F(TableFixture, NamesAreFoundWhateverTheirCase) {
    EXPECT_EQ(FindFontFaceId("COURIER NEW"), FindFontFaceId("Courier New"));
    EXPECT_NE(FindFontFaceId("ARIAL"), kUnknownFace);
    EXPECT_EQ(FindFontFaceId("Helvetica"), kUnknownFace);
    EXPECT_EQ(FindFontFaceId(nullptr), kUnknownFace);
}

TEST_F(TableFixture, BindingToAnUnknownFaceKeepsTheFamily) {
    BindGenericFace("cursive", "No Such Face");
    EXPECT_EQ(FindFontFaceId("cursive"), 2);
    BindGenericFace("fantasy", "cursive");
    EXPECT_EQ(FindFontFaceId("fantasy"), 2);
}

TEST(FontTable, AFaceWithIdZeroCanBeBound) {
    FontTable table(nullptr, nullptr);
    g_fontTable = &table;
    ASSERT_EQ(FindFontFaceId("serif"), 0);
    BindGenericFace("fantasy", "serif");
    EXPECT_EQ(FindFontFaceId("fantasy"), 0);
    g_fontTable = nullptr;
}

TEST_F(TableFixture, PageFacesGetOneIdAndLongNamesAreCut) {
    const uint16_t first = GetOrAddFontFace("Made Up Face", 12);
    EXPECT_NE(first, kUnknownFace);
    EXPECT_EQ(GetOrAddFontFace("made up face", 12), first);
    EXPECT_EQ(FontFaceFlags(first), 0);

    const std::string longName(200, 'x');
    const uint16_t cut = GetOrAddFontFace(longName.c_str(), static_cast<int>(longName.size()));
    ASSERT_NE(cut, kUnknownFace);
    EXPECT_EQ(std::strlen(FontFaceName(cut)), 31u);
    EXPECT_EQ(GetOrAddFontFace(longName.c_str(), 40), cut) << "the same cut name";
    EXPECT_EQ(GetOrAddFontFace("", 0), kUnknownFace);
}

TEST_F(TableFixture, TheFaceListHasABound) {
    uint16_t last = 0;
    for (int i = 0; i < kFaceListLimit + 10; ++i) {
        const std::string name = "face " + std::to_string(i);
        last = GetOrAddFontFace(name.c_str(), static_cast<int>(name.size()));
    }
    EXPECT_EQ(last, kUnknownFace);
    EXPECT_NE(FindFontFaceId("face 0"), kUnknownFace);
}

TEST_F(TableFixture, TheCssLayerReachesTheListThroughTheDirectory) {
    EXPECT_EQ(FaceIdForName("Arial", 5), static_cast<int16_t>(FindFontFaceId("Arial")));
    EXPECT_STREQ(FaceNameForId(FaceIdForName("Arial", 5)), "Arial");
    table.reset();
    g_fontTable = nullptr;
    EXPECT_EQ(FaceIdForName("Arial", 5), -1) << "no directory once the table is gone";
}

TEST_F(TableFixture, SpecialAndElementStylesFallBackToTheDefault) {
    EXPECT_EQ(&table->ForSpecial(7), &FontTable::DefaultStyle());
    EXPECT_EQ(&table->ForSpecial(-1), &FontTable::DefaultStyle());
    EXPECT_EQ(&table->ForElement(400), &FontTable::DefaultStyle());
    LogFont font;
    font.height = -20;
    FontSpec numbers;
    numbers.Set(0, 0, 0, 0, 18, 18);
    table->SetForElement(257, std::make_unique<FontStyle>(numbers, 0, 1, &font, -1, 0, 0, 0));
    EXPECT_EQ(table->ForElement(257).Numbers().values[4], 18);
    EXPECT_EQ(FontHeightOf(table->ForElement(257)), 20);
    FontStyle copy;
    copy.Assign(table->ForElement(257));
    EXPECT_NE(copy.Font(), table->ForElement(257).Font()) << "the copy owns its own font";
    EXPECT_EQ(copy.Font()->height, -20);
}

TEST_F(TableFixture, WeightsStepWhereTheFaceReallyChanges) {
    // 100-500 all render alike, 600-900 bold.
    for (int w = 100; w <= 500; w += 100) fonts.weights[w] = 400;
    for (int w = 600; w <= 900; w += 100) fonts.weights[w] = 700;
    const uint16_t arial = FindFontFaceId("Arial");
    EXPECT_EQ(NextFontWeight(arial, 4, true), 6);
    EXPECT_EQ(NextFontWeight(arial, 6, false), 5);
    EXPECT_EQ(NextFontWeight(arial, 9, true), 9);
    const int measured = fonts.measured;
    NextFontWeight(arial, 2, true);
    EXPECT_EQ(fonts.measured, measured) << "measured once";
    EXPECT_EQ(NextFontWeight(kUnknownFace, 4, true), 5);
    EXPECT_EQ(NextFontWeight(kUnknownFace, 1, false), 1);
}

}  // namespace
