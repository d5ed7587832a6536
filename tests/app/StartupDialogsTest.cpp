// The splash, problem-solving, progress and prompt dialogs, shown for real.
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "app/StartupDialogs.h"
#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/ListNode.h"
#include "core/Preferences.h"
#include "core/ProgressDialog.h"
#include "core/StartupSettings.h"
#include "resources/CoreIds.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace testing_support;

extern NodeList* g_progressList;

namespace {

class CoreDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        g_instance = GetModuleHandleA(nullptr);
        RegisterPanelMessages();
    }
};

TEST_F(CoreDialogs, SplashShowsTheVersionOnTopAndClosesOnRequest) {
    HWND splash = ShowSplashWindow(1);
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(ShowSplashWindow(1), splash) << "made once";
    EXPECT_TRUE(IsWindowVisible(splash));
    EXPECT_TRUE(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);
    char version[64] = "";
    GetDlgItemTextA(splash, IDC_SPLASH_VERSION, version, sizeof version);
    EXPECT_STREQ(version, "Zintu 3.50 - beta7");
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendDlgItemMessageA(splash, IDC_SPLASH_VERSION, WM_GETFONT, 0, 0)),
               sizeof font, &font);
    EXPECT_EQ(font.lfWeight, FW_BOLD);

    SendMessageA(splash, 0x9007, 0, 0);
    EXPECT_FALSE(IsWindow(splash));
    EXPECT_EQ(SplashWindow(), nullptr);
    EXPECT_EQ(ShowSplashWindow(0), nullptr);
}

TEST_F(CoreDialogs, ProblemSolvingChoicesHoldForThisRunOnly) {
    ScratchDir dir;
    std::string ini = dir.File("problem.ini");
    const std::string text = "[PERFORMANCE]\r\nSYNCHRONOUS DNS LOOKUP=1\r\n";
    WriteWholeFile(ini, text);
    g_preferences = new Preferences(ini.c_str());
    g_preferences->LoadAll();
    bool dnsTicked = false;
    {
        DialogDriver driver(
            "Problem Solving",
            [&](HWND d) {
                dnsTicked = IsDlgButtonChecked(d, IDC_SYNC_DNS) == BST_CHECKED;
                SendDlgItemMessageA(d, IDC_FEW_CONNECTIONS, BM_CLICK, 0, 0);
                SendDlgItemMessageA(d, IDC_SMALL_NETWORK_BUFFER, BM_CLICK, 0, 0);
                SendDlgItemMessageA(d, IDC_NO_DOCUMENTS_AT_START, BM_CLICK, 0, 0);
                SendDlgItemMessageA(d, IDC_SYNC_DNS, BM_CLICK, 0, 0);
            },
            IDC_STARTAGAIN_OK);
        EXPECT_EQ(ShowProblemSolvingDialog(nullptr), 1);
    }
    EXPECT_TRUE(dnsTicked);
    EXPECT_EQ(g_preferences->Get(PrefInt::MaxConnectionsServer), 4);
    EXPECT_EQ(g_preferences->Get(PrefInt::MaxConnectionsTotal), 4);
    EXPECT_EQ(g_preferences->Get(PrefInt::NetworkBufferSize), 1);
    EXPECT_EQ(g_preferences->Get(PrefInt::SynchronousDnsLookup), 0);
    EXPECT_FALSE(LoadDocumentsAtStartup());
    EXPECT_EQ(GetPrivateProfileIntA("PERFORMANCE", "NETWORK BUFFER SIZE", -1, ini.c_str()), -1)
        << "nothing is written";
    EXPECT_EQ(GetPrivateProfileIntA("PERFORMANCE", "SYNCHRONOUS DNS LOOKUP", -1, ini.c_str()), 1);

    {
        DialogDriver driver(
            "Problem Solving", [](HWND) {}, IDC_STARTAGAIN_CANCEL);
        EXPECT_EQ(ShowProblemSolvingDialog(nullptr), 2);
    }
    delete g_preferences;
    g_preferences = nullptr;
}

// The start-up notes open in the user's text viewer, with the file's path
// quoted (the program folder may hold spaces).
TEST_F(CoreDialogs, StartupNotesOpenInTheUsersViewer) {
    ScratchDir dir;
    std::string ini = dir.File("viewer.ini");
    std::string viewer = ZINTU_RECORD_ARGS_EXE;
    for (char& c : viewer)
        if (c == '/') c = '\\';
    // The recorder writes its command line beside itself.
    std::string record = "Z:" + viewer.substr(0, viewer.rfind('\\') + 1) + "recorded-args.txt";
    DeleteFileA(record.c_str());
    WriteWholeFile(ini, "[USER PREFS]\r\nSOURCE VIEWER=Z:" + viewer + "\r\n");
    g_preferences = new Preferences(ini.c_str());
    g_preferences->LoadAll();
    OpenHelpTopic(nullptr, 1, 20094);
    std::string line;
    EXPECT_TRUE(PumpUntil([&] { return !(line = ReadWholeFile(record)).empty(); }, std::chrono::seconds(20)));
    EXPECT_NE(line.find("record_args"), std::string::npos) << line;
    EXPECT_NE(line.find("startup.txt\""), std::string::npos) << line;
    EXPECT_EQ(line.find("notepad"), std::string::npos) << line;
    delete g_preferences;
    g_preferences = nullptr;
}

TEST_F(CoreDialogs, OneProgressWindowServesEveryEntry) {
    ScratchDir dir;
    std::string ini = dir.File("colours.ini");
    WriteWholeFile(ini, "[COLOR.UIPROGRESS]\r\nRED=200\r\nGREEN=10\r\nBLUE=20\r\n");
    g_preferences = new Preferences(ini.c_str());
    g_preferences->LoadAll();
    const COLORREF progressColour = RGB(200, 10, 20);
    NodeList list;
    g_progressList = &list;
    HWND window = OpenProgressDialog(nullptr, "Saving", "Saving the page", 0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowTitle(window), "Saving");
    char text[64] = "";
    GetDlgItemTextA(window, IDC_PROGRESS_TEXT, text, sizeof text);
    EXPECT_STREQ(text, "Saving the page");
    EXPECT_EQ(OpenProgressDialog(nullptr, "Other", "other", 1), window);
    EXPECT_EQ(WindowTitle(window), "Saving");

    ProgressDialog::SetBarState(window, 37);
    EXPECT_EQ(ProgressDialog::GetBarState(window), 37u);
    EXPECT_EQ(ProgressDialog::IsPercentStyle(window), 0) << "the first entry answers";
    EXPECT_EQ(ProgressDialog::IsCancelled(window), 0);
    EXPECT_EQ(ProgressDialog::GetBarState(nullptr), 0u);
    PumpFor(std::chrono::milliseconds(50));  // paints the bar
    // Without percent style 37 puts the moving block at 85% of the width,
    // painted in the user's progress colour.
    HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    RECT inside;
    GetClientRect(bar, &inside);
    InvalidateRect(bar, nullptr, TRUE);
    UpdateWindow(bar);
    HDC dc = GetDC(bar);
    COLORREF block = GetPixel(dc, inside.right * 87 / 100, inside.bottom / 2);
    ReleaseDC(bar, dc);
    EXPECT_EQ(block, progressColour);

    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(ProgressDialog::IsCancelled(window), 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(ProgressWindow(), nullptr);

    while (ListNode* n = list.First()) {
        n->Remove();
        delete n;
    }
    g_progressList = nullptr;
    EXPECT_EQ(OpenProgressDialog(nullptr, "x", "y", 1), nullptr) << "no list, no dialog";
    delete g_preferences;
    g_preferences = nullptr;
}

TEST(ProgressBar, FillsWithinTheBar) {
    struct Case {
        unsigned value;
        bool percent;
        int from, to;
    } cases[] = {
        {0, true, 10, 10},    {50, true, 10, 110},   {100, true, 10, 210}, {150, true, 10, 210},
        {255, true, 10, 210}, {37, false, 180, 190}, {0, false, 10, 20},   {19, false, 200, 210},
    };
    for (const auto& c : cases) {
        int from = -1, to = -1;
        ProgressDialog::BarExtent(10, 200, c.value, c.percent, &from, &to);
        EXPECT_EQ(from, c.from) << c.value << " " << c.percent;
        EXPECT_EQ(to, c.to) << c.value << " " << c.percent;
    }
}

TEST_F(CoreDialogs, TextPromptShowsThePromptAndKeepsTheAnswer) {
    char buffer[32] = "first answer";
    std::string seenPrompt, seenAnswer;
    {
        DialogDriver driver(
            "Script Generated Prompt",
            [&](HWND d) {
                char t[64] = "";
                GetDlgItemTextA(d, IDC_PROMPT_TEXT, t, sizeof t);
                seenPrompt = t;
                GetDlgItemTextA(d, IDC_PROMPT_ANSWER, t, sizeof t);
                seenAnswer = t;
                SetDlgItemTextA(d, IDC_PROMPT_ANSWER, "typed by the user, longer than the buffer");
            },
            IDOK);
        EXPECT_EQ(AskText(nullptr, "Your name?", buffer, sizeof buffer), 1);
    }
    EXPECT_EQ(seenPrompt, "Your name?");
    EXPECT_EQ(seenAnswer, "first answer");
    EXPECT_STREQ(buffer, "typed by the user, longer than ");  // cut to the buffer

    char one[1] = {'\0'};
    {
        DialogDriver driver(
            "Script Generated Prompt", [](HWND d) { SetDlgItemTextA(d, IDC_PROMPT_ANSWER, "x"); }, IDOK);
        EXPECT_EQ(AskText(nullptr, "Size one", one, 1), 1);
    }
    EXPECT_EQ(one[0], '\0');
    {
        DialogDriver driver(
            "Script Generated Prompt", [](HWND d) { SetDlgItemTextA(d, IDC_PROMPT_ANSWER, "no"); }, IDCANCEL);
        EXPECT_EQ(AskText(nullptr, "Cancel me", buffer, sizeof buffer), 2);
    }
    EXPECT_STREQ(buffer, "typed by the user, longer than ");
    {
        DialogDriver driver(
            "AskNickname", [](HWND) {}, IDCANCEL);
        EXPECT_EQ(AskNickname(nullptr), 2);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
