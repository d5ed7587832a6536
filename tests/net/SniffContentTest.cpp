#include <gtest/gtest.h>
#include <string>

#include "net/SniffContent.h"

namespace {

TEST(SniffContent, DecidesFromTheFirstBytes) {
    const struct {
        const char* what;
        std::string data;
        int kind;
    } cases[] = {
        {"html after blank lines", "  \r\n\n <p>Hello <b>world</b>", kKindHtml},
        {"doctype", "<!DOCTYPE HTML PUBLIC \"x\">", kKindHtml},
        {"lower-case doctype found by the tag scan", "<!doctype html><title>t</title>", kKindHtml},
        {"end tag only", "text</p>", kKindHtml},
        {"words without a tag", "  \r\nHello world, a < b and c > d\n", kKindText},
        {"latin-1 text", "caf\xE9 cr\xE8me\r\n", kKindText},
        {"control byte", std::string("text\x01more text", 14), kKindUnknownType},
        {"short with control byte", std::string("a\x01", 2), kKindUnknownType},
        {"gif", std::string("GIF89a\x01\x00\x01\x00", 10), kKindGif},
        {"jfif at the start", std::string("JFIF\x00\x01", 6), kKindJpeg},
        // A real JFIF file: SOI marker first, "JFIF" at byte 6.
        {"jpeg start bytes", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11), kKindJpeg},
        {"exif jpeg",
         std::string("\xFF\xD8\xFF\xE1\x00\x10"
                     "Exif\x00",
                     11),
         kKindJpeg},
        {"binary", std::string("\x89PNG\r\n\x1a\n\x00", 9), kKindUnknownType},
        {"empty", "", kKindUnknownType},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SniffContent(c.data.data(), static_cast<long>(c.data.size())), c.kind) << c.what;
    }
    EXPECT_EQ(SniffContent(nullptr, 5), kKindUnknownType);
    EXPECT_EQ(SniffContent("x", -1), kKindUnknownType);
}

}  // namespace
