// Record files on real files: the exact bytes of each field, reading past the
// end, and a hostile file whose string does not fit the reader's buffer.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

#include "core/RecordFile.h"
#include "tests/support/TestPaths.h"

using testing_support::ReadWholeFile;
using testing_support::ScratchDir;
using testing_support::WriteWholeFile;

namespace {

// Writes through the given writer into a fresh file and answers its bytes.
template <typename Write>
std::string BytesWritten(const ScratchDir& dir, Write write) {
    std::string path = dir.File("out.dat");
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    write(f);
    std::fclose(f);
    return ReadWholeFile(path);
}

FILE* OpenWith(const ScratchDir& dir, const std::string& bytes) {
    std::string path = dir.File("in.dat");
    WriteWholeFile(path, bytes);
    return std::fopen(path.c_str(), "rb");
}

TEST(RecordFile, FieldsAreBigEndianWithSixteenBitStringLengths) {
    ScratchDir dir;
    struct Case {
        const char* name;
        std::string expected;
        void (*write)(FILE*);
    };
    const Case cases[] = {
        {"u16 1013", std::string("\x03\xF5", 2), [](FILE* f) { WriteRecordU16(1013, f); }},
        {"u32", std::string("\x01\x02\x03\x04", 4), [](FILE* f) { WriteRecordU32(0x01020304, f); }},
        {"byte", std::string("\xFE", 1), [](FILE* f) { WriteRecordByte(0xFE, f); }},
        {"abc",
         std::string("\x00\x03"
                     "abc",
                     5),
         [](FILE* f) { EXPECT_TRUE(WriteRecordString("abc", f)); }},
        {"null", std::string("\x00\x00", 2), [](FILE* f) { EXPECT_TRUE(WriteRecordString(nullptr, f)); }},
        {"empty", std::string("\x00\x00", 2), [](FILE* f) { EXPECT_TRUE(WriteRecordString("", f)); }},
    };
    for (const Case& c : cases) EXPECT_EQ(BytesWritten(dir, c.write), c.expected) << c.name;
}

TEST(RecordFile, ReadsRoundTripEveryField) {
    ScratchDir dir;
    std::string longest(kMaxRecordStringLength, 'x');
    BytesWritten(dir, [&](FILE* f) {
        WriteRecordU16(1013, f);
        WriteRecordByte(200, f);
        WriteRecordU32(0xFEDCBA98u, f);
        EXPECT_TRUE(WriteRecordString(longest.c_str(), f));
        EXPECT_TRUE(WriteRecordString("tail", f));
    });
    FILE* f = std::fopen(dir.File("out.dat").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadRecordU16(f), 1013);
    EXPECT_EQ(ReadRecordByte(f), 200);
    EXPECT_EQ(ReadRecordU32(f), 0xFEDCBA98u);
    std::string buffer(kMaxRecordStringLength + 1, '\0');
    EXPECT_EQ(ReadRecordString(&buffer[0], buffer.size(), f), static_cast<int>(kMaxRecordStringLength));
    EXPECT_EQ(std::string(buffer.c_str()), longest);
    char tail[8];
    EXPECT_EQ(ReadRecordString(tail, sizeof tail, f), 4);
    EXPECT_STREQ(tail, "tail");
    std::fclose(f);
}

TEST(RecordFile, ReadingPastTheEndGivesZerosAndPartialValues) {
    ScratchDir dir;
    FILE* f = OpenWith(dir, "\x07");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadRecordU16(f), 7);
    EXPECT_EQ(ReadRecordU16(f), 0);
    EXPECT_EQ(ReadRecordU32(f), 0u);
    EXPECT_EQ(ReadRecordByte(f), 0);
    char text[4] = "xyz";
    EXPECT_EQ(ReadRecordString(text, sizeof text, f), 0);
    EXPECT_STREQ(text, "");
    std::fclose(f);

    f = OpenWith(dir, std::string("\x01\x02\x03", 3));
    EXPECT_EQ(ReadRecordU32(f), 0x010203u);
    std::fclose(f);

    // A string cut short by the end of the file reports the bytes it holds.
    f = OpenWith(dir, std::string("\x00\x05"
                                  "ab",
                                  4));
    char room[8];
    EXPECT_EQ(ReadRecordString(room, sizeof room, f), 2);
    EXPECT_STREQ(room, "ab");
    std::fclose(f);
}

TEST(RecordFile, StringNeedsRoomForItsTerminator) {
    ScratchDir dir;
    std::string file = std::string("\x00\x0A", 2) + "0123456789" + std::string("\x00\x2A", 2);
    char small[10];
    FILE* f = OpenWith(dir, file);
    EXPECT_EQ(ReadRecordString(small, sizeof small, f), kRecordStringTooLong);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(ReadRecordU16(f), 42) << "the string's bytes must be skipped";
    std::fclose(f);

    char exact[11];
    f = OpenWith(dir, file);
    EXPECT_EQ(ReadRecordString(exact, sizeof exact, f), 10);
    EXPECT_STREQ(exact, "0123456789");
    std::fclose(f);
}

TEST(RecordFile, HostileOverlongStringDoesNotShiftLaterFields) {
    ScratchDir dir;
    // version, a 300-byte string where the reader has room for 100, then the
    // fields that must still come out right.
    std::string file = std::string("\x03\xF5", 2) + std::string("\x01\x2C", 2) + std::string(300, '\x41') +
                       std::string("\xDE\xAD\xBE\xEF", 4) +
                       std::string(
                           "\x00\x02"
                           "ok",
                           4);
    FILE* f = OpenWith(dir, file);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadRecordU16(f), 1013);
    char buffer[100];
    EXPECT_EQ(ReadRecordString(buffer, sizeof buffer, f), kRecordStringTooLong);
    EXPECT_EQ(ReadRecordU32(f), 0xDEADBEEFu);
    EXPECT_EQ(ReadRecordString(buffer, sizeof buffer, f), 2);
    EXPECT_STREQ(buffer, "ok");
    std::fclose(f);
}

TEST(RecordFile, StringTooLongForItsLengthIsRefusedAndKeepsTheFileReadable) {
    ScratchDir dir;
    std::string huge(70000, 'z');
    std::string bytes = BytesWritten(dir, [&](FILE* f) {
        EXPECT_FALSE(WriteRecordString(huge.c_str(), f));
        WriteRecordU16(77, f);
    });
    // A wrapped length (70000 - 65536) would make the reader swallow the next field.
    EXPECT_EQ(bytes, std::string("\x00\x00\x00\x4D", 4));
}

TEST(RecordFile, RawBytesNeedRoomForATerminator) {
    ScratchDir dir;
    FILE* f = OpenWith(dir, "abcdef");
    char buffer[4];
    EXPECT_EQ(ReadRecordBytes(buffer, sizeof buffer, 4, f), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ReadRecordBytes(buffer, sizeof buffer, 3, f), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(ReadRecordBytes(buffer, sizeof buffer, 3, f), 3u);
    EXPECT_EQ(ReadRecordBytes(buffer, sizeof buffer, 3, f), 0u);
    std::fclose(f);
}

TEST(RecordFile, PathInTheUserDirectory) {
    struct Case {
        const char* directory;
        const char* expected;  // null when no path may be built
    };
    const std::string tooLong(1020, 'd');
    const Case cases[] = {
        {"C:\\DATA", "C:\\DATA\\cookies.dat"},
        {"C:\\DATA\\", "C:\\DATA\\cookies.dat"},
        {"", nullptr},
        {nullptr, nullptr},
        {tooLong.c_str(), nullptr},
    };
    for (const Case& c : cases) {
        char path[1100] = "unchanged";
        bool built = BuildRecordFilePath(c.directory, "cookies.dat", path, sizeof path);
        EXPECT_EQ(built, c.expected != nullptr) << (c.directory ? c.directory : "(null)");
        if (c.expected) {
            EXPECT_STREQ(path, c.expected);
        }
    }
}

#ifdef _WIN32
// Record-file paths are joined with a backslash: a Windows path.
TEST(RecordFile, OpensInTheDirectory) {
    ScratchDir dir;
    FILE* f = OpenRecordFileIn(dir.Path().c_str(), "vlink.dat", "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WriteRecordU16(1013, f));
    std::fclose(f);
    EXPECT_EQ(ReadWholeFile(dir.File("vlink.dat")), std::string("\x03\xF5", 2));
    EXPECT_EQ(OpenRecordFileIn("", "vlink.dat", "rb"), nullptr);
}
#endif

}  // namespace
