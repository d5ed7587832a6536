// String fields, bounded joining and comparison with escaped text.
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "core/StringHelpers.h"

namespace {

std::string Text(const char* p) {
    return p ? p : "(null)";
}

TEST(StringHelpers, StringFieldsOwnTheirText) {
    struct Case {
        const char* name;
        void (*set)(char**, const char*);
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"field, text", SetStringField, "abc", "abc"},
        {"field, empty", SetStringField, "", nullptr},
        {"field, null", SetStringField, nullptr, nullptr},
        {"always, empty", SetStringFieldAlways, "", ""},
        {"always, null", SetStringFieldAlways, nullptr, ""},
        {"always, text", SetStringFieldAlways, "x y", "x y"},
    };
    for (const Case& c : cases) {
        char* field = static_cast<char*>(std::malloc(4));  // an old text to free
        std::strcpy(field, "old");
        char source[16] = {};
        const char* text = c.text ? std::strcpy(source, c.text) : nullptr;
        c.set(&field, text);
        EXPECT_EQ(Text(field), Text(c.expected)) << c.name;
        if (field && text) {
            EXPECT_NE(field, text) << c.name << ": must be a copy";
        }
        FreeStringField(&field);
        EXPECT_EQ(field, nullptr);
    }
    char* field = nullptr;
    SetStringFieldN(&field, "abcdef", 3);
    EXPECT_EQ(Text(field), "abc");
    SetStringFieldN(&field, "ab", 10);
    EXPECT_EQ(Text(field), "ab");
    SetStringFieldN(&field, "abc", 0);
    EXPECT_EQ(field, nullptr);
}

TEST(StringHelpers, JoiningStaysWithinTheRoom) {
    char room[8] = "ab";
    EXPECT_TRUE(StrCatParts(room, sizeof room, {"c", nullptr, "de"}));
    EXPECT_STREQ(room, "abcde");
    EXPECT_FALSE(StrCatParts(room, sizeof room, {"fg", "hij"}));
    EXPECT_STREQ(room, "abcdefg") << "cut at the room, terminated";

    char formatted[10] = "n=";
    EXPECT_TRUE(AppendFormat(formatted, sizeof formatted, "%d", 42));
    EXPECT_STREQ(formatted, "n=42");
    EXPECT_FALSE(AppendFormat(formatted, sizeof formatted, "%s", "123456789"));
    EXPECT_EQ(std::strlen(formatted), 9u);

    char* joined = StrConcatNew({"http://", nullptr, "host", "/", "path"});
    EXPECT_STREQ(joined, "http://host/path");
    std::free(joined);
}

TEST(StringHelpers, ComparesEscapedText) {
    struct Case {
        const char* escaped;
        const char* plain;
        size_t n;
        int expected;
    };
    const Case cases[] = {
        {"subject", "subject", 7, 0},
        {"%73ubject", "subject", 7, 0},
        {"%73UBJECT", "subject", 7, -1},
        {"Subject", "subject", 7, -1},
        {"subjecz", "subject", 7, 1},
        {"subj", "subject", 7, -1},
        {"%7", "s", 1, -1},
        {"%zz", "s", 1, -1},
        {"sub=x", "subject", 3, 0},
        {"%E9", "a", 1, -1},  // compared as signed bytes
    };
    for (const Case& c : cases) EXPECT_EQ(CompareEscaped(c.escaped, c.plain, c.n), c.expected) << c.escaped;
}

TEST(StringHelpers, WalksAListOfPaths) {
    char list[] = "c:\\up\\one.txt, \"d:\\my files\\two.txt\";;c:\\folder\\ e:three";
    char* cursor = list;
    char* name = nullptr;
    char* path = NextListPath(&cursor, &name);
    EXPECT_STREQ(path, "c:\\up\\one.txt");
    EXPECT_STREQ(name, "one.txt");
    path = NextListPath(&cursor, &name);
    EXPECT_STREQ(path, "d:\\my files\\two.txt");
    EXPECT_STREQ(name, "two.txt");
    path = NextListPath(&cursor, &name);
    EXPECT_STREQ(path, "e:three") << "a folder entry is skipped";
    EXPECT_STREQ(name, "three");
    EXPECT_EQ(NextListPath(&cursor, &name), nullptr);
    EXPECT_EQ(cursor, nullptr);
    EXPECT_EQ(NextListPath(&cursor, &name), nullptr);
}

}  // namespace
