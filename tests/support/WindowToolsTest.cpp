// Real windows under Wine: finding them, pumping their messages, and a modal
// box that the presser closes so that it cannot hang the run.
#include <gtest/gtest.h>

#include "tests/support/WindowTools.h"

using namespace testing_support;

TEST(WindowTools, FindsAWindowByClassAndReadsItsTitle) {
    HWND w = CreateTestWindow(nullptr, "hello there");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(FindWindowByClass("ZintuTestWindow"), w);
    EXPECT_EQ(WindowTitle(w), "hello there");
    EXPECT_EQ(FindWindowByClass("ZintuTestWindow", "another"), nullptr);
    DestroyWindow(w);
}

TEST(WindowTools, PumpUntilSeesAPostedMessage) {
    static int seen = 0;
    HWND w = CreateTestWindow([](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_USER + 7) seen = static_cast<int>(wp);
        return DefWindowProcA(h, m, wp, lp);
    });
    PostMessageA(w, WM_USER + 7, 42, 0);
    EXPECT_TRUE(PumpUntil([] { return seen == 42; }));
    DestroyWindow(w);
}

TEST(DialogPresser, ClosesAModalMessageBox) {
    DialogPresser presser("Zintu test box", IDCANCEL);
    int result = MessageBoxA(nullptr, "Press me", "Zintu test box", MB_OKCANCEL);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_GE(presser.Presses(), 1);
    EXPECT_NE(presser.SeenText().find("Press me"), std::string::npos);
}

TEST(Screenshot, SavesABitmapFile) {
    ASSERT_TRUE(SaveScreenshot("screen.bmp"));
    FILE* f = fopen("screen.bmp", "rb");
    ASSERT_NE(f, nullptr);
    char magic[2] = {};
    fread(magic, 1, 2, f);
    fclose(f);
    EXPECT_EQ(std::string(magic, 2), "BM");
    remove("screen.bmp");
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
