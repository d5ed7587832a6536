// The plain-text devices: cells of the character grid, blocks and bands,
// the file device's lines and its write failures, the buffer device.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

#include "layout/PlainTextDevice.h"
#include "tests/support/TestPaths.h"

namespace {

// Opens the first block of the device, as the page loop does.
void OpenFirstBand(PlainTextDevice& device) {
    DeviceRect band;
    ASSERT_TRUE(device.NextBand(band));
}

TEST(PlainTextDevice, CellsFillLinesWithSpacesAndKeepWhatIsBehind) {
    PlainTextDevice device(80, 100, nullptr);
    OpenFirstBand(device);
    device.DrawText(50, 0, "ab", 2);
    EXPECT_EQ(device.RowText(0), "     ab");
    device.DrawText(10, 5, "x", 1);  // still row 0: rows are 10 units
    EXPECT_EQ(device.RowText(0), " x   ab") << "only that cell changes";
    device.DrawText(40, 0, "0123", 4);
    EXPECT_EQ(device.RowText(0), " x  0123") << "a text past the line's end ends the line";

    const struct {
        int32_t x, y;
        std::string text;
        std::string row3;
    } cases[] = {
        {790, 30, "tail", std::string(79, ' ') + "t"},           // cut at the last column
        {800, 30, "gone", std::string(79, ' ') + "t"},           // right of the last column
        {-5, 30, "left", std::string(79, ' ') + "t"},            // left of the first column
        {0, 39, "a\r\nb", "a  b" + std::string(75, ' ') + "t"},  // line breaks become spaces
    };
    for (const auto& c : cases) {
        device.DrawText(c.x, c.y, c.text.data(), static_cast<int>(c.text.size()));
        EXPECT_EQ(device.RowText(3), c.row3) << c.x << "," << c.y;
    }
    // Outside the block: dropped without a trace.
    device.DrawText(0, -1, "above", 5);
    device.DrawText(0, 1000, "below the block", 15);
    EXPECT_EQ(device.RowText(99), "");
    EXPECT_EQ(device.GetTextExtent("four", 4), 40);
    EXPECT_EQ(device.GetViewWidth(), 800);
}

TEST(PlainTextDevice, RulesDashesAndBulletsAreCharacters) {
    PlainTextDevice device(20, 10, nullptr);
    OpenFirstBand(device);
    device.DrawHorizontalRule(0, 0, 100, 2, true);
    device.DrawDottedLine(20, 10, 75);
    device.FillDisc(30, 20, 6, 6);
    device.DrawEtchedFrame(0, 30, 100, 20, "alt", 3);
    device.DrawBorderSide(0, 40, 100, 2, kBorderSolid, 0, true, 0, 0, 0);
    EXPECT_EQ(device.RowText(0), "----------");
    EXPECT_EQ(device.RowText(1), "  - - - - ") << "75 units: 8 cells";
    EXPECT_EQ(device.RowText(2), "   *");
    EXPECT_EQ(device.RowText(3), "alt");
    EXPECT_EQ(device.RowText(4), "");
}

TEST(PlainTextDevice, ACharacterTableMapsEveryByteWritten) {
    unsigned char table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(i);
    table[static_cast<unsigned char>('\xe9')] = 'e';
    table[static_cast<unsigned char>('a')] = 'A';
    PlainTextDevice device(10, 5, table);
    table[static_cast<unsigned char>('a')] = 'a';  // the device keeps its own copy
    OpenFirstBand(device);
    device.DrawText(0, 0, "caf\xe9", 4);
    EXPECT_EQ(device.RowText(0), "cAfe");
}

TEST(PlainTextDevice, BlocksOfLinesArePagedAsBands) {
    struct Case {
        int width, lines;
        bool table;
        int perBlock, bands;
    };
    const Case cases[] = {
        {80, 32767, false, 399, 83},  // 399 * 82 bytes stay below 32767
        {80, 32767, true, 396, 83},   // the table takes its 256 bytes
        {80, 100, false, 100, 1},     // small enough for one block
        {40000, 3, false, 1, 3},      // lines wider than a block: one a block
        {80, 0, false, 0, 0},
    };
    unsigned char table[256] = {};
    for (const Case& c : cases) {
        PlainTextDevice device(c.width, c.lines, c.table ? table : nullptr);
        EXPECT_EQ(device.LinesPerBlock(), c.perBlock) << c.width << "x" << c.lines;
        DeviceRect band;
        int bands = 0;
        while (device.NextBand(band) && bands < 1000) {
            EXPECT_EQ(band.top, 10 * c.perBlock * bands);
            EXPECT_EQ(band.bottom - band.top, 10 * c.perBlock);
            EXPECT_EQ(band.right, 10 * c.width);
            ++bands;
        }
        EXPECT_EQ(bands, c.bands) << c.width << "x" << c.lines;
        EXPECT_EQ(device.CurrentBlock(), -1);
        EXPECT_EQ(band.bottom, 0) << "no band left: an empty rectangle";
    }
}

TEST(PlainTextDevice, GrowToFitTakesThePageSizeWhileNothingIsWritten) {
    PlainTextDevice device(80, 32767, nullptr);
    device.GrowToFit(800, 1234);
    EXPECT_EQ(device.Width(), 80);
    EXPECT_EQ(device.Lines(), 124) << "fewer lines: a page of 1234 units";
    device.GrowToFit(1001, 400000);
    EXPECT_EQ(device.Width(), 101) << "wider: ceil(1001 / 10)";
    EXPECT_EQ(device.Lines(), 32767) << "capped";
    device.GrowToFit(500, 400000);
    EXPECT_EQ(device.Width(), 101) << "narrower but as many lines: unchanged";

    OpenFirstBand(device);
    device.DrawText(0, 0, "x", 1);
    device.GrowToFit(2000, 10);
    EXPECT_EQ(device.Width(), 101) << "not while a row is written";
    EXPECT_EQ(device.RowText(0), "x");
    device.EndPage();
    EXPECT_EQ(device.CurrentBlock(), -1);
    device.GrowToFit(2000, 10);
    EXPECT_EQ(device.Width(), 200);
}

TEST(TextBufferDevice, AppendsWholeTextsWhileThereIsRoom) {
    char buffer[10];
    TextBufferDevice device(buffer, 10);
    EXPECT_STREQ(buffer, "");
    device.DrawText(500, 500, "123456789", 9);
    EXPECT_STREQ(buffer, "123456789") << "10 - 0 > 9";
    device.DrawText(0, 0, "x", 1);
    EXPECT_STREQ(buffer, "123456789") << "10 - 9 is not above 1: dropped";

    TextBufferDevice small(buffer, 10);
    small.DrawText(0, 0, "abc", 3);
    small.DrawText(0, 0, "def", 3);
    small.DrawHorizontalRule(0, 0, 100, 2, false);
    small.FillDisc(0, 0, 5, 5);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(small.Used(), 6);
    DeviceRect band;
    EXPECT_FALSE(small.NextBand(band));

    TextBufferDevice none(nullptr, 10);
    none.DrawText(0, 0, "abc", 3);
    EXPECT_EQ(none.Used(), 0);
}

TEST(TextFileDevice, WritesEachRowWithCrLfWhenABandEnds) {
    testing_support::ScratchDir dir;
    const std::string path = dir.File("page.txt");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    {
        TextFileDevice device(file, 80, 5, nullptr);
        DeviceRect band;
        ASSERT_TRUE(device.NextBand(band));
        device.DrawText(0, 0, "first", 5);
        device.DrawText(20, 20, "third", 5);
        ASSERT_FALSE(device.NextBand(band)) << "5 lines fit in one block";
        EXPECT_EQ(device.GetPrintStatus(), 1);
        ASSERT_TRUE(device.NextBand(band));
        device.DrawText(0, 0, "again", 5);
        EXPECT_EQ(device.EndPage(), 1);
        EXPECT_FALSE(device.WriteFailed());
    }
    ASSERT_EQ(std::fclose(file), 0);
    EXPECT_EQ(testing_support::ReadWholeFile(path), "first\r\n\r\n  third\r\nagain\r\n");
}

TEST(TextFileDevice, AFailedWriteIsReportedAsAFailedSave) {
    // A stream that cannot be written, as a full disk or a file that went
    // read-only turns out for the writer.
    testing_support::ScratchDir dir;
    const std::string path = dir.File("existing.txt");
    testing_support::WriteWholeFile(path, "old");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    TextFileDevice device(file, 80, 5, nullptr);
    DeviceRect band;
    ASSERT_TRUE(device.NextBand(band));
    device.DrawText(0, 0, "text", 4);
    device.EndPage();
    EXPECT_TRUE(device.WriteFailed());
    EXPECT_EQ(device.GetPrintStatus(), 2);
    std::fclose(file);

    TextFileDevice noFile(nullptr, 80, 5, nullptr);
    ASSERT_TRUE(noFile.NextBand(band));
    noFile.DrawText(0, 0, "text", 4);
    noFile.EndPage();
    EXPECT_EQ(noFile.GetPrintStatus(), 2);
}

}  // namespace
