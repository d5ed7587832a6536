// The BUTTON class hook on real dialogs, and the small window-system helpers
// on real files, ini files, menus and bitmaps.
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/Win32Utilities.h"
#include "resources/CoreIds.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/ButtonClassHook.h"

using namespace testing_support;

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

HWND FirstChildOfStyle(HWND dialog, LONG kind) {
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[16];
        GetClassNameA(c, name, sizeof name);
        if (!lstrcmpiA(name, "Button") && (GetWindowLongA(c, GWL_STYLE) & 15) == kind) return c;
    }
    return nullptr;
}

HFONT FontOf(HWND w) {
    return reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0));
}

TEST(ButtonClassHook, GroupBoxesGetTheBoldGuiFontWhileInstalled) {
    HWND owner = CreateTestWindow();
    CreateBoldGuiFont(owner);
    ASSERT_NE(g_boldGuiFont, nullptr);
    LOGFONTA bold{};
    GetObjectA(g_boldGuiFont, sizeof bold, &bold);
    EXPECT_EQ(bold.lfWeight, FW_BOLD);

    // The problem-solving dialog has a group box and check boxes.
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), "STARTAGAIN", owner, PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    PumpFor(std::chrono::milliseconds(100));
    HWND group = FirstChildOfStyle(dialog, BS_GROUPBOX);
    HWND check = FirstChildOfStyle(dialog, BS_AUTOCHECKBOX);
    ASSERT_TRUE(group && check);
    EXPECT_EQ(FontOf(group), g_boldGuiFont);
    EXPECT_NE(FontOf(check), g_boldGuiFont);
    EXPECT_EQ(FontOf(check), FontOf(GetDlgItem(dialog, IDC_STARTAGAIN_OK)));

    ReleaseBoldGuiFont();
    EXPECT_EQ(g_boldGuiFont, nullptr);
    EXPECT_FALSE(g_buttonClassHook.IsInstalled());
    // Buttons made while the hook was in place keep working.
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    DestroyWindow(dialog);
    dialog = CreateDialogParamA(GetModuleHandleA(nullptr), "STARTAGAIN", owner, PlainDialogProc, 0);
    PumpFor(std::chrono::milliseconds(100));
    group = FirstChildOfStyle(dialog, BS_GROUPBOX);
    EXPECT_EQ(FontOf(group), FontOf(GetDlgItem(dialog, IDC_STARTAGAIN_OK)));
    DestroyWindow(dialog);
    DestroyWindow(owner);
}

TEST(Win32Utilities, FileExistsOnLongPaths) {
    ScratchDir dir;
    std::string path = dir.Path();
    while (path.size() < 200) {
        path += "\\a-rather-long-folder-name";
        CreateDirectoryA(path.c_str(), nullptr);
    }
    std::string file = path + "\\file.txt";
    ASSERT_GT(file.size(), 127u);
    EXPECT_FALSE(FileExists(file.c_str()));
    WriteWholeFile(file, "x");
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_TRUE(FileExists(path.c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(IsFileWritable(file.c_str()));
    EXPECT_TRUE(IsFileWritable((path + "\\missing.txt").c_str()));
    DeleteFileA(file.c_str());
}

TEST(Win32Utilities, IniSectionsWithIncludes) {
    ScratchDir dir;
    std::string ini = dir.File("sections.ini");
    WriteWholeFile(ini,
                   "[A]\r\n#include=B\r\nx=1\r\n[B]\r\ny=2\r\n[EMPTY]\r\n[C]\r\n#include=NONE\r\nz=3\r\n");
    char out[256];
    struct Case {
        const char* section;
        bool includes;
        std::string text;
    } cases[] = {
        {"A", true, std::string("y=2\0x=1\0\0", 9)},
        {"A", false, std::string("#include=B\0x=1\0\0", 16)},
        {"C", true, std::string("z=3\0\0", 5)},
    };
    for (const auto& c : cases) {
        memset(out, 'Q', sizeof out);
        int length = ReadIniSectionWithIncludes(c.section, out, sizeof out, ini.c_str(), c.includes);
        EXPECT_EQ(std::string(out, length), c.text) << c.section;
    }
    EXPECT_EQ(ReadIniSectionWithIncludes("EMPTY", out, sizeof out, ini.c_str(), true), 0);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(ReadIniSectionWithIncludes("A", out, 8, ini.c_str(), true), 0) << "too small";
    EXPECT_TRUE(IniSectionHasKeys(ini.c_str(), "B"));
    EXPECT_FALSE(IniSectionHasKeys(ini.c_str(), "EMPTY"));
}

TEST(Win32Utilities, WindowsVersionTexts) {
    struct Case {
        DWORD platform, major, minor;
        const char* text;
    } cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, "Windows 95"},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "Windows 98"},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, "Windows 4.90"},
        {VER_PLATFORM_WIN32_NT, 4, 0, "Windows NT 4.0"},
        {VER_PLATFORM_WIN32s, 1, 30, "Win32s 1.30"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatWindowsVersion(c.platform, c.major, c.minor), c.text);
    char text[64];
    EXPECT_EQ(std::string(GetWindowsVersionText(text)).rfind("Windows", 0), 0u);
}

TEST(Win32Utilities, MenusAreSearchedDepthFirst) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(MENU_FRAME));
    ASSERT_NE(menu, nullptr);
    HMENU holder = FindMenuWithCommand(menu, CMD_BUTTON_BAR_SIMPLE);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(FindMenuItemPosition(holder, CMD_BUTTON_BAR_SIMPLE), 1);
    int position = -1;
    HMENU view = FindParentMenu(menu, holder, &position);
    EXPECT_EQ(view, FindMenuWithCommand(menu, CMD_SCROLL_BARS));
    EXPECT_EQ(GetSubMenu(view, position), holder);
    EXPECT_TRUE(MenuContainsSubmenu(menu, holder));
    EXPECT_EQ(FindMenuWithCommand(menu, 12345), nullptr);
    EXPECT_EQ(FindMenuItemPosition(menu, CMD_BUTTON_BAR_SIMPLE), -1) << "only the top level";

    EXPECT_EQ(EnableMenuCommand(menu, CMD_BUTTON_BAR_SIMPLE, false), MF_ENABLED);
    EXPECT_EQ(GetMenuState(holder, CMD_BUTTON_BAR_SIMPLE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(EnableMenuCommand(menu, CMD_BUTTON_BAR_SIMPLE, true), MF_GRAYED);
    EXPECT_EQ(EnableMenuCommand(menu, 12345, true), -1);
    DestroyMenu(menu);
}

TEST(Win32Utilities, GreyDrawingLeavesTheCallersBitmapAlone) {
    // A 2x1 24-bit DIB: pure red and pure blue.
    struct {
        BITMAPINFOHEADER h;
        BYTE bits[8];
    } dib{};
    dib.h = {sizeof(BITMAPINFOHEADER), 2, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const BYTE pixels[8] = {0, 0, 255, 255, 0, 0, 0, 0};  // BGR red, BGR blue
    memcpy(dib.bits, pixels, sizeof pixels);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 4, 4);
    SelectObject(dc, target);
    DrawDibWithPalette(dc, reinterpret_cast<BITMAPINFO*>(&dib));
    EXPECT_EQ(memcmp(dib.bits, pixels, sizeof pixels), 0) << "the caller's pixels were changed";
    BYTE grey = GreyOf(255, 0, 0);
    EXPECT_EQ(grey, 147);  // sqrt(255² / 3)
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(grey, grey, grey));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(grey, grey, grey));

    // And a DIB made from a bitmap has the bitmap's size; bit fields are refused.
    HGLOBAL packed = CreateDibFromBitmap(target, BI_RGB, nullptr);
    ASSERT_NE(packed, nullptr);
    auto* info = static_cast<BITMAPINFO*>(GlobalLock(packed));
    EXPECT_EQ(info->bmiHeader.biWidth, 4);
    EXPECT_EQ(info->bmiHeader.biHeight, 4);
    GlobalUnlock(packed);
    GlobalFree(packed);
    EXPECT_EQ(CreateDibFromBitmap(target, BI_BITFIELDS, nullptr), nullptr);
    DeleteDC(dc);
    DeleteObject(target);
    ReleaseDC(nullptr, screen);
}

TEST(Win32Utilities, CenterWindowStaysOnTheScreen) {
    HWND over = CreateTestWindow();
    SetWindowPos(over, nullptr, -300, -300, 200, 200, SWP_NOZORDER);
    HWND window = CreateTestWindow();
    SetWindowPos(window, nullptr, 0, 0, 300, 100, SWP_NOZORDER | SWP_NOMOVE);
    CenterWindow(window, over);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    CenterWindow(window, nullptr);
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 300) / 2);
    DestroyWindow(window);
    DestroyWindow(over);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
