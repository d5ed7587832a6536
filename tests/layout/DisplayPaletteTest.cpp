// The display palette's entries and colour rules, on a palette system that
// records what it is told.
#include <gtest/gtest.h>

#include <vector>

#include "layout/DisplayPalette.h"

namespace {

struct RecordingPalette : PaletteSystem {
    bool created = false;
    std::vector<int> changed;
    bool Create(const PaletteEntry*) override { return created = true; }
    void EntryChanged(int index, const PaletteEntry&) override { changed.push_back(index); }
};

bool EntryIs(const DisplayPalette& p, int i, int r, int g, int b) {
    const PaletteEntry& e = p.Entry(i);
    return e.red == r && e.green == g && e.blue == b;
}

TEST(DisplayPalette, ContrastColours) {
    EXPECT_EQ(ContrastColor(PaletteRgb(120, 60, 200)), PaletteRgb(0, 195, 55));
    EXPECT_EQ(ContrastColor(PaletteRgb(101, 149, 150)), PaletteRgb(0, 0, 105));
    EXPECT_EQ(DarkShade(PaletteRgb(200, 100, 1)), PaletteRgb(100, 50, 0));
    EXPECT_EQ(LightShade(PaletteRgb(200, 100, 1)), PaletteRgb(228, 178, 128));
}

TEST(DisplayPalette, EightBitPaletteHoldsThePageColours) {
    RecordingPalette system;
    DisplayPalette palette(8, PaletteRgb(120, 60, 200), PaletteRgb(0, 0, 238), PaletteRgb(85, 26, 139), &system);
    EXPECT_TRUE(system.created);
    EXPECT_TRUE(palette.HasPalette());
    EXPECT_TRUE(EntryIs(palette, 10, 120, 60, 200));
    EXPECT_TRUE(EntryIs(palette, 245, 0, 195, 55));
    EXPECT_TRUE(EntryIs(palette, 11, 60, 30, 100)) << "dark shade";
    EXPECT_TRUE(EntryIs(palette, 12, 0, 0, 238));
    EXPECT_TRUE(EntryIs(palette, 243, 255, 255, 17));
    EXPECT_TRUE(EntryIs(palette, 13, 85, 26, 139));
    // Fixed entries, the cube and its complement, the greys.
    EXPECT_TRUE(EntryIs(palette, 9, 164, 200, 240));
    EXPECT_TRUE(EntryIs(palette, 255, 255, 255, 255));
    EXPECT_TRUE(EntryIs(palette, 14, 23, 23, 23));
    EXPECT_TRUE(EntryIs(palette, 15, 23, 23, 65));
    EXPECT_TRUE(EntryIs(palette, 121, 107, 233, 233));
    EXPECT_TRUE(EntryIs(palette, 241, 232, 232, 232));
    EXPECT_TRUE(EntryIs(palette, 134, 148, 22, 22));
    EXPECT_TRUE(EntryIs(palette, 122, 11, 11, 11));
    EXPECT_TRUE(EntryIs(palette, 133, 244, 244, 244));
    EXPECT_EQ(palette.ChannelTable(0).size(), 256u);
    EXPECT_EQ(palette.Greys(), (std::vector<uint8_t>{0, 255}));
}

TEST(DisplayPalette, AColourAlreadyInThePaletteIsNotWritten) {
    RecordingPalette system;
    DisplayPalette palette(8, PaletteRgb(192, 192, 192), PaletteRgb(0, 0, 238), PaletteRgb(85, 26, 139), &system);
    system.changed.clear();
    EXPECT_EQ(palette.SetLinkColor(PaletteRgb(255, 0, 0)), 0);
    EXPECT_TRUE(EntryIs(palette, 12, 0, 0, 238));
    EXPECT_TRUE(EntryIs(palette, 243, 255, 255, 17));
    EXPECT_TRUE(system.changed.empty());
    EXPECT_EQ(palette.LinkColor(), PaletteRgb(255, 0, 0));
    EXPECT_EQ(palette.SetLinkColor(PaletteRgb(10, 20, 30)), 1);
    EXPECT_EQ(system.changed, (std::vector<int>{12, 243}));
}

TEST(DisplayPalette, DeepDisplaysOnlyRememberColours) {
    for (int depth : {16, 24, 32}) {
        DisplayPalette palette(depth, PaletteRgb(120, 60, 200), 0, 0, nullptr);
        EXPECT_FALSE(palette.HasPalette());
        EXPECT_EQ(palette.SetBackgroundColor(PaletteRgb(1, 2, 3)), 0) << depth;
        EXPECT_EQ(palette.BackgroundDarkShade(), PaletteRgb(0, 1, 1));
        EXPECT_TRUE(palette.ChannelTable(0).empty());
    }
    std::vector<PaletteEntry> system = {{0, 0, 0, 0}, {128, 0, 0, 0}, {192, 192, 192, 0}};
    DisplayPalette four(4, 0, 0, 0, nullptr, system);
    EXPECT_EQ(four.Greys(), (std::vector<uint8_t>{0, 2}));
    EXPECT_EQ(four.ChannelTable(0).size(), 3u);
}

}  // namespace
