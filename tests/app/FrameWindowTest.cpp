// The frame window made in this process: its global objects, internal
// messages, timers and the message loop's filters, with real windows.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/FrameWindow.h"
#include "app/MessageLoop.h"
#include "core/AppGlobals.h"
#include "core/CoarseClock.h"
#include "core/CommandDispatcher.h"
#include "core/CommandLine.h"
#include "core/DelayedMessageQueue.h"
#include "core/InternalMessages.h"
#include "core/MessageBoxes.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "layout/DisplayPalette.h"
#include "layout/FontTable.h"
#include "resources/CoreIds.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace testing_support;

namespace {

struct Recorder : MessageCallback {
    std::vector<uint32_t> seen;
    void OnMessage(uint32_t message, uint32_t, uint32_t) override { seen.push_back(message); }
};

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        g_instance = GetModuleHandleA(nullptr);
        RegisterPanelMessages();
        static bool registered = RegisterWindowClasses(g_instance) != 0;
        ASSERT_TRUE(registered);
        WriteWholeFile(ini_,
                       "[INSTALL]\r\nHELLO=Yes\r\n[STATE]\r\nRUN=1\r\n[SPECIAL]\r\nGO HOME TIME OUT=60\r\n"
                       "[FONT.H1]\r\nHEIGHT=-40\r\nWEIGHT=800\r\nFACENAME=Tahoma\r\n");
        g_preferences = new Preferences(ini_.c_str());
        g_preferences->LoadAll();
        ASSERT_TRUE(CreateMessageBoxes());
        SetCoarseClock(1000);  // the preferences set it from the system clock
        frame_ = frameWindow_.Create(g_instance);
        ASSERT_NE(frame_, nullptr);
    }
    void TearDown() override {
        if (IsWindow(frame_)) DestroyWindow(frame_);
        MSG m;
        while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    ScratchDir dir_;
    std::string ini_ = dir_.File("frame.ini");
    FrameWindow frameWindow_;
    HWND frame_ = nullptr;
};

TEST_F(Frame, CreationMakesTheGlobalsAndDestructionFreesThemInOrder) {
    EXPECT_EQ(g_frameWindow, frame_);
    EXPECT_EQ(WindowTitle(frame_), "Zintu");
    ASSERT_NE(g_mdiClient, nullptr);
    EXPECT_EQ(GetParent(g_mdiClient), frame_);
    ASSERT_NE(g_mainHandler, nullptr);
    EXPECT_EQ(g_mainHandler->Window(), frame_);
    EXPECT_NE(g_delayedMessages, nullptr);
    // The display palette, and the font table with the installed faces and
    // the text styles of the settings.
    EXPECT_NE(g_displayPalette, nullptr);
    ASSERT_NE(g_fontTable, nullptr);
    EXPECT_EQ(FontFaceFlags(FontTable::kGenericCount), kFaceInstalled) << "installed faces follow the generic ones";
    ASSERT_NE(g_fontTable->ForElement(268).Font(), nullptr);
    EXPECT_EQ(g_fontTable->ForElement(268).Font()->height, -40);
    EXPECT_EQ(g_fontTable->ForElement(268).Font()->weight, 800);
    EXPECT_STREQ(g_fontTable->ForElement(268).Font()->faceName, "Tahoma");
    ASSERT_NE(g_fontTable->ForSpecial(0).Font(), nullptr) << "the normal style";
    EXPECT_EQ(g_fontTable->ForSpecial(0).Font()->weight, 400);
    // The MDI window list sits in the "Window" menu, the second-to-last one.
    char title[32] = "";
    HMENU menu = GetMenu(frame_);
    GetMenuStringA(menu, GetMenuItemCount(menu) - 2, title, sizeof title, MF_BYPOSITION);
    EXPECT_STREQ(title, "&Window");
    EXPECT_EQ(frameWindow_.WindowMenu(), GetSubMenu(menu, GetMenuItemCount(menu) - 2));

    DestroyWindow(frame_);
    EXPECT_EQ(g_mainHandler, nullptr);
    EXPECT_EQ(g_delayedMessages, nullptr);
    EXPECT_EQ(g_messageBoxes, nullptr);
    EXPECT_EQ(g_preferences, nullptr);
    EXPECT_EQ(g_fontTable, nullptr);
    EXPECT_EQ(g_displayPalette, nullptr);
    EXPECT_EQ(GetPrivateProfileIntA("STATE", "RUN", -1, ini_.c_str()), 0);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(Frame, InternalMessagesReachTheMainHandlersRegistrations) {
    Recorder recorder;
    ASSERT_TRUE(g_mainHandler->Register(&recorder, 0x8200, 0));
    SendMessageA(frame_, 0x8200, 0, 0);
    SendMessageA(frame_, 0x7FFF, 0, 0);  // not an internal message: the default handling
    EXPECT_EQ(recorder.seen, (std::vector<uint32_t>{0x8200}));

    // Delayed messages arrive through timer 123.
    g_delayedMessages->Add(frame_, 0x8200, 0, 0, 30);
    EXPECT_TRUE(PumpUntil([&] { return recorder.seen.size() == 2; }));
    g_mainHandler->UnregisterAll(&recorder);
}

TEST_F(Frame, TheReturnHomeCountsFromStartUpAndTheClockMovesEveryNinthTick) {
    EXPECT_EQ(frameWindow_.LastGoHomeTime(), 1000u) << "the first tick must not send the window home";
    auto tickAt = [&](uint32_t now) {
        SetCoarseClock(now);
        SendMessageA(frame_, WM_TIMER, FrameTimerId, 0);
    };
    tickAt(1030);
    EXPECT_EQ(frameWindow_.LastGoHomeTime(), 1000u);
    tickAt(1061);
    EXPECT_EQ(frameWindow_.LastGoHomeTime(), 1061u);

    // Nine ticks read the system time into the clock once.
    int refreshed = 0;
    for (int i = 0; i < 9; ++i) {
        tickAt(5);
        if (CoarseClockNow() != 5) ++refreshed;
    }
    EXPECT_EQ(refreshed, 1);
}

TEST_F(Frame, StartupFinishedGreetsOnlyOnce) {
    SendMessageA(frame_, kMsgStartupFinished, 0, 0);
    char hello[16] = "";
    GetPrivateProfileStringA("INSTALL", "HELLO", "", hello, sizeof hello, ini_.c_str());
    EXPECT_STREQ(hello, "NO");
    WritePrivateProfileStringA("INSTALL", "HELLO", "later", ini_.c_str());
    SendMessageA(frame_, kMsgStartupFinished, 0, 0);
    GetPrivateProfileStringA("INSTALL", "HELLO", "", hello, sizeof hello, ini_.c_str());
    EXPECT_STREQ(hello, "later");
}

TEST_F(Frame, MinimisingShowsTheProgramNameAndRestoringTheTitle) {
    SetWindowTextA(frame_, "Zintu - [A page]");
    SendMessageA(frame_, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
    EXPECT_EQ(WindowTitle(frame_), "Zintu");
    SendMessageA(frame_, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    EXPECT_EQ(WindowTitle(frame_), "Zintu");  // the part from " - [" belongs to the child
}

LRESULT DoNothing(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

TEST_F(Frame, AMenuGreysTheCommandsThatNoSubsystemCarriesOut) {
    RegisterCommand(CMD_NEW, DoNothing);
    HMENU file = GetSubMenu(GetMenu(frame_), 0);
    ASSERT_NE(file, nullptr);
    SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    auto grey = [&](UINT id) { return (GetMenuState(file, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    EXPECT_FALSE(grey(CMD_NEW));
    EXPECT_TRUE(grey(CMD_PRINT_MARGINS));
    // Given all the same (a dialog button), nothing pretends to carry it out.
    EXPECT_EQ(CommandDispatcher(frame_, WM_COMMAND, CMD_PRINT_MARGINS, 0), 0);
    ClearCommands();
}

HWND g_b = nullptr;
HWND g_left = nullptr, g_leftFor = nullptr;

TEST_F(Frame, TheLoopKeepsTheCodeOfAQuitItDrainsAndTellsWhereTheMouseWent) {
    SetCursorPos(1000, 750);  // no real mouse moves over the windows below
    HWND a = CreateTestWindow([](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        switch (m) {
            case kMsgMouseLeft:
                g_left = w;
                g_leftFor = reinterpret_cast<HWND>(wp);
                return 0;
            case WM_MOUSEMOVE:
                PostMessageA(w, WM_APP + 1, 0, 0);
                return 0;
            case WM_APP + 1:
                // The loop takes one more waiting message after each one it
                // dispatches, without the mouse-move step: give it a null one.
                PostMessageA(w, WM_NULL, 0, 0);
                PostMessageA(g_b, WM_MOUSEMOVE, 0, 0);
                PostMessageA(w, WM_APP + 2, 0, 0);
                return 0;
            case WM_APP + 2:
                PostQuitMessage(7);
                return 0;
            default:
                return DefWindowProcA(w, m, wp, lp);
        }
    });
    g_b = CreateTestWindow();
    PumpFor(std::chrono::milliseconds(50));  // nothing else waiting before the first move
    PostMessageA(a, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 7);
    EXPECT_EQ(g_left, a);
    EXPECT_EQ(g_leftFor, g_b);
    EXPECT_EQ(g_lastMouseWindow, g_b);
    DestroyWindow(a);
    DestroyWindow(g_b);
}

TEST(FrameMenus, WindowMenuPositions) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(MENU_FRAME));
    int count = GetMenuItemCount(menu);
    EXPECT_EQ(FindWindowMenu(menu, -1), nullptr);
    EXPECT_EQ(FindWindowMenu(menu, -2), GetSubMenu(menu, count - 2));
    EXPECT_EQ(FindWindowMenu(menu, 0), GetSubMenu(menu, 0));
    HMENU single = CreateMenu();
    HMENU only = CreatePopupMenu();
    AppendMenuA(single, MF_POPUP, reinterpret_cast<UINT_PTR>(only), "&Only");
    EXPECT_EQ(FindWindowMenu(single, -2), only);
    DestroyMenu(single);
    DestroyMenu(menu);
}

TEST(FrameStyle, KioskSwitchesRemoveTheSystemMenuAndTheBoxes) {
    struct Case {
        int noSysMenu, noMinMax;
        DWORD absent;
    } cases[] = {
        {0, 0, 0},
        {1, 0, WS_SYSMENU},
        {0, 1, WS_MINIMIZEBOX | WS_MAXIMIZEBOX},
        {1, 1, WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX},
    };
    for (const auto& c : cases) {
        KioskNoSysMenu = c.noSysMenu;
        KioskNoMinMaxButtons = c.noMinMax;
        DWORD style = WS_CAPTION;
        PrepareFrameStyle(&style);
        EXPECT_EQ(style | c.absent, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
        EXPECT_EQ(style & c.absent, 0u);
    }
    KioskNoSysMenu = KioskNoMinMaxButtons = 0;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
