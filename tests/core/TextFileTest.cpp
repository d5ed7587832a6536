// Text files and recent lists on real files.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/MruList.h"
#include "core/TextFile.h"
#include "tests/support/TestPaths.h"

using testing_support::ReadWholeFile;
using testing_support::ScratchDir;
using testing_support::WriteWholeFile;

namespace {

std::vector<std::string> Entries(MruList& list) {
    std::vector<std::string> entries;
    for (const char* e = list.First(); e; e = list.Next()) entries.push_back(e);
    return entries;
}

using List = std::vector<std::string>;

TEST(TextFile, ReadsWholeLinesAndDropsOnlyTheLineEnd) {
    ScratchDir dir;
    std::string longLine(1200, 'q');
    WriteWholeFile(dir.File("t.txt"), "first\r\n\n" + longLine + "\nlast");
    TextFile file(dir.File("t.txt").c_str(), "rb");
    ASSERT_TRUE(file.IsOpen());
    EXPECT_STREQ(file.ReadLine(), "first");
    EXPECT_EQ(file.ReadLine(), nullptr) << "an empty line is skipped";
    EXPECT_EQ(file.ReadLine(), longLine) << "a long line stays one line";
    EXPECT_STREQ(file.ReadLine(), "last") << "a last line without newline keeps its last character";
    EXPECT_EQ(file.ReadLine(), nullptr);
}

TEST(TextFile, ReadsIntoTheCallersBufferAndNumbers) {
    ScratchDir dir;
    WriteWholeFile(dir.File("n.txt"), "12\n\nabcdefgh\n-70000\n");
    TextFile file(dir.File("n.txt").c_str(), "r");
    EXPECT_EQ(file.ReadShort(), 12);
    char buffer[4];
    EXPECT_STREQ(file.ReadLineInto(buffer, sizeof buffer), "");
    EXPECT_STREQ(file.ReadLineInto(buffer, sizeof buffer), "abc") << "cut to the buffer";
    EXPECT_EQ(file.ReadLong(), -70000) << "the rest of a cut line is skipped";
    EXPECT_EQ(file.ReadShort(), -1);
    EXPECT_EQ(static_cast<uint16_t>(file.ReadShort()), 0xFFFF);
    EXPECT_EQ(file.ReadLong(), -1);
    EXPECT_EQ(file.ReadLineInto(nullptr, 4), nullptr);

    TextFile none(nullptr, "r");
    EXPECT_FALSE(none.IsOpen());
    EXPECT_EQ(none.ReadLine(), nullptr);
    EXPECT_FALSE(none.WriteLine("x"));
    TextFile missing(dir.File("missing.txt").c_str(), "r");
    EXPECT_FALSE(missing.IsOpen());
}

TEST(TextFile, ReaderKeepsWritersOut) {
    ScratchDir dir;
    WriteWholeFile(dir.File("s.txt"), "1\n");
    TextFile reader(dir.File("s.txt").c_str(), "r", TextFileShare::DenyWrite);
    ASSERT_TRUE(reader.IsOpen());
#ifdef _WIN32
    TextFile writer(dir.File("s.txt").c_str(), "w", TextFileShare::DenyReadWrite);
    EXPECT_FALSE(writer.IsOpen()) << "a file being read is not truncated under the reader";
#endif
    TextFile second(dir.File("s.txt").c_str(), "r", TextFileShare::DenyWrite);
    EXPECT_TRUE(second.IsOpen());
}

TEST(TextFile, WritesLines) {
    ScratchDir dir;
    {
        TextFile file(dir.File("w.txt").c_str(), "wb", TextFileShare::DenyReadWrite);
        EXPECT_TRUE(file.WriteShort(-3));
        EXPECT_TRUE(file.WriteLong(123456789));
        EXPECT_TRUE(file.WriteLine("text"));
        EXPECT_FALSE(file.WriteLine(nullptr));
    }
    EXPECT_EQ(ReadWholeFile(dir.File("w.txt")), "-3\n123456789\ntext\n");
}

TEST(MruList, MostRecentFirstWithoutDuplicates) {
    MruList list(3);
    for (const char* text : {"a", "b", "c", "d"}) list.Add(text);
    EXPECT_EQ(Entries(list), (List{"d", "c", "b"}));
    list.Add("b");
    EXPECT_EQ(Entries(list), (List{"b", "d", "c"}));
    list.Add("  c \t");
    EXPECT_EQ(Entries(list), (List{"c", "b", "d"})) << "trimmed before it is compared";
    list.Add(nullptr);
    list.Add("   ");
    EXPECT_EQ(list.Count(), 3);
    list.SetCapacity(2);
    EXPECT_EQ(Entries(list), (List{"c", "b"}));
    list.SetCapacity(-4);
    EXPECT_EQ(list.Count(), 0);
    list.Add("x");
    EXPECT_EQ(list.First(), nullptr);
}

TEST(MruList, SavesOldestFirstAndReloadsInOrder) {
    ScratchDir dir;
    std::string path = dir.File("typed.txt");
    MruList list(3);
    for (const char* text : {"a", "b", "c", "d", "b"}) list.Add(text);
    {
        TextFile out(path.c_str(), "wb", TextFileShare::DenyReadWrite);
        EXPECT_TRUE(list.SaveTo(out));
    }
    EXPECT_EQ(ReadWholeFile(path), "3\nc\nd\nb\n");
    TextFile in(path.c_str(), "rb");
    MruList loaded(3);
    loaded.LoadFrom(in);
    EXPECT_EQ(Entries(loaded), (List{"b", "d", "c"}));
}

TEST(MruList, LoadingKeepsTheMostRecentThatFit) {
    ScratchDir dir;
    std::string path = dir.File("ten.txt");
    WriteWholeFile(path, "10\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n");
    MruList list(5);
    {
        TextFile in(path.c_str(), "rb");
        list.LoadFrom(in);
    }
    EXPECT_EQ(Entries(list), (List{"10", "9", "8", "7", "6"}));

    MruList empty(0);
    {
        TextFile out(path.c_str(), "wb");
        EXPECT_TRUE(empty.SaveTo(out));
    }
    EXPECT_EQ(ReadWholeFile(path), "0\n");
}

}  // namespace
