// Text styles on a real ini file and the real display (96 pixels per inch
// under the test display): defaults, sections, round trips and UI objects.
#include <windows.h>

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "core/Preferences.h"
#include "tests/support/TestPaths.h"

using testing_support::ScratchDir;
using testing_support::WriteWholeFile;

namespace {

class TextStylesTest : public ::testing::Test {
protected:
    std::unique_ptr<Preferences> Load(const std::string& ini) {
        WriteWholeFile(iniPath_, "[USER PREFS]\r\nZINTU DIRECTORY=" + dir_.File("user") + "\r\n" + ini);
        auto prefs = std::make_unique<Preferences>(iniPath_.c_str());
        prefs->LoadAll();
        return prefs;
    }
    ScratchDir dir_;
    std::string iniPath_ = dir_.File("styles.ini");
};

int DisplayDpi() {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

TEST_F(TextStylesTest, DefaultsFollowTheDisplay) {
    ASSERT_EQ(DisplayDpi(), 96) << "the test display is 96 pixels per inch";
    auto prefs = Load("");
    struct Case {
        int style;
        LONG height;
        LONG weight;
        const char* face;
        BYTE pitchAndFamily;
    };
    const Case cases[] = {
        {268, -28, 700, "Times New Roman", 0x12},  // H1: 12 points (16 pixels) + 12
        {273, -12, 700, "Times New Roman", 0x12},
        {5, -16, 700, "Times New Roman", 0x12},
        {0, -16, 400, "Times New Roman", 0x12},
        {283, -16, 400, "Courier New", 0x31},
        {6, -16, 400, "Courier New", 0x31},
        {kStyleUi, -11, 400, "Times New Roman", 0x12},  // 8 points
        {kStyleHotlistTree, -11, 400, "Times New Roman", 0x12},
    };
    for (const Case& c : cases) {
        LOGFONTA font;
        ASSERT_TRUE(prefs->ReadFont(c.style, &font)) << c.style;
        EXPECT_EQ(font.lfHeight, c.height) << c.style;
        EXPECT_EQ(font.lfWeight, c.weight) << c.style;
        EXPECT_STREQ(font.lfFaceName, c.face) << c.style;
        EXPECT_EQ(font.lfPitchAndFamily, c.pitchAndFamily) << c.style;
        EXPECT_EQ(font.lfItalic, 0) << c.style;
    }
    LOGFONTA untouched{};
    untouched.lfHeight = 99;
    for (int style : {2, kStyleUiBackground, 12345}) {
        EXPECT_FALSE(prefs->ReadFont(style, &untouched)) << style;
        EXPECT_EQ(untouched.lfHeight, 99);
    }
    EXPECT_EQ(prefs->ReadColor(2), 0u);
    EXPECT_EQ(prefs->ReadColor(0), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(prefs->ReadColor(kStyleUiBackground), GetSysColor(COLOR_BTNFACE));
}

TEST_F(TextStylesTest, SectionKeepsTheDefaultsItDoesNotName) {
    auto prefs = Load("[FONT.PRE]\r\nFACENAME=Arial\r\n[COLOR.H1]\r\nRED=10\r\nGREEN=20\r\nBLUE=30\r\n");
    LOGFONTA font;
    ASSERT_TRUE(prefs->ReadFont(283, &font));
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, -16);
    EXPECT_EQ(font.lfWeight, 400);
    EXPECT_EQ(font.lfPitchAndFamily, 0x31);
    EXPECT_EQ(prefs->ReadColor(268), RGB(10, 20, 30));
}

TEST_F(TextStylesTest, FontRoundTripsThroughItsFourteenKeys) {
    auto prefs = Load("");
    LOGFONTA written{};
    written.lfHeight = -21;
    written.lfWidth = 7;
    written.lfEscapement = 900;
    written.lfOrientation = 450;
    written.lfWeight = 600;
    written.lfItalic = 1;
    written.lfUnderline = 1;
    written.lfStrikeOut = 1;
    written.lfCharSet = 238;
    written.lfOutPrecision = 3;
    written.lfClipPrecision = 2;
    written.lfQuality = 5;
    written.lfPitchAndFamily = 0x22;
    std::strcpy(written.lfFaceName, "Lucida Sans Unicode Extra Long");  // 30 characters
    prefs->WriteFont(270, written);
    LOGFONTA read;
    ASSERT_TRUE(prefs->ReadFont(270, &read));
    EXPECT_EQ(std::memcmp(&read, &written, offsetof(LOGFONTA, lfFaceName)), 0);
    EXPECT_STREQ(read.lfFaceName, "Lucida Sans Unicode Extra Lon") << "cut to 29 characters";

    char keys[2000];
    DWORD length = GetPrivateProfileSectionA("FONT.H3", keys, sizeof keys, iniPath_.c_str());
    int count = 0;
    for (const char* key = keys; key < keys + length && *key; key += std::strlen(key) + 1) ++count;
    EXPECT_EQ(count, 14);
    prefs->WriteFont(2, written);  // no section: nothing written
    EXPECT_EQ(GetPrivateProfileSectionA("FONT.", keys, sizeof keys, iniPath_.c_str()), 0u);
}

TEST_F(TextStylesTest, UiObjectsAreMadeAndReplaced) {
    auto prefs = Load("[COLOR.UIPROGRESS]\r\nRED=255\r\nGREEN=0\r\nBLUE=0\r\n");
    ASSERT_NE(prefs->GetUiFont(), nullptr);
    ASSERT_NE(prefs->GetUiDisabledFont(), nullptr);
    ASSERT_NE(prefs->GetProgressBrush(), nullptr);
    EXPECT_EQ(prefs->GetProgressColor(), RGB(255, 0, 0));
    LOGBRUSH brush;
    ASSERT_EQ(GetObjectA(prefs->GetProgressBrush(), sizeof brush, &brush), static_cast<int>(sizeof brush));
    EXPECT_EQ(brush.lbColor, RGB(255, 0, 0));

    HBRUSH old = prefs->GetUiBackgroundBrush();
    prefs->SetUiBackgroundColor(RGB(1, 2, 3));
    EXPECT_NE(prefs->GetUiBackgroundBrush(), old);
    EXPECT_EQ(prefs->GetUiBackgroundColor(), RGB(1, 2, 3));
    EXPECT_EQ(prefs->ReadColor(kStyleUiBackground), RGB(1, 2, 3)) << "written at once";

    LOGFONTA font;
    ASSERT_TRUE(prefs->ReadFont(kStyleUi, &font));
    font.lfHeight = -20;
    prefs->SetUiFont(font);
    LOGFONTA made;
    ASSERT_GT(GetObjectA(prefs->GetUiFont(), sizeof made, &made), 0);
    EXPECT_EQ(made.lfHeight, -20);
    ASSERT_TRUE(prefs->ReadFont(kStyleUi, &font));
    EXPECT_EQ(font.lfHeight, -20);
}

}  // namespace
