// The commands of the menus and keys on real document windows in the real
// frame under Wine and Xvfb, with pages from nginx and a scripted server on
// 127.0.0.1: reload, home and the home page dialog, the link commands, the
// program's own pages, view source through a recording program, full screen,
// the menu bar and the program's shortcut keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/FrameWindow.h"
#include "app/MessageLoop.h"
#include "core/AppGlobals.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "net/Base64.h"
#include "net/UrlRegistry.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "tests/app/TestFrame.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "app/FrameCommands.h"
#include "windows/AuthenticationDialog.h"
#include "windows/BrowsingCommands.h"
#include "windows/OpenUrl.h"
#include "windows/WindowCommands.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

// An HTTP/1.0 reply of a page with the given title.
std::string Reply(const std::string& statusAndHeaders, const std::string& title) {
    const std::string body = "<html><head><title>" + title + "</title></head><p>" + title + "</p></html>";
    return "HTTP/1.0 " + statusAndHeaders + "Content-Type: text/html\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

class WindowCommands : public FrameTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(FrameTest::SetUp());
        RegisterBrowsingCommands();
    }

    HWND Showing(const std::string& url) {
        HWND view = NewWindow();
        if (!view || !OpenTypedUrl(view, url.c_str(), nullptr, true, 0) || !WaitFor(view, url)) return nullptr;
        return view;
    }
    void Command(int id, HWND to = nullptr) {
        SendMessageA(to ? to : frame_, WM_COMMAND, id, 0);
        PumpFor(std::chrono::milliseconds(50));
    }
    std::string IniValue(const char* section, const char* key) {
        char text[400] = "";
        GetPrivateProfileStringA(section, key, "(none)", text, sizeof text, ini_.c_str());
        return text;
    }
};

// --- reload --------------------------------------------------------------------------

TEST_F(WindowCommands, ReloadAsksTheServerAgainForTheWholeDocument) {
    ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"},
                           {ScriptStep::Send, Reply("200 OK\r\nLast-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n", "Again")},
                           {ScriptStep::Close, ""}});
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/again.html";
    HWND view = Showing(url);
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(server.Connections(), 1);
    struct Step {
        int command;
        int connections;
    } steps[] = {{CMD_RELOAD, 2}, {CMD_DOC_RELOAD, 3}, {CMD_RELOAD_ALL, 4}};
    for (const Step& s : steps) {
        Command(s.command);
        EXPECT_TRUE(PumpUntil([&] { return server.Connections() >= s.connections; })) << s.command;
        EXPECT_TRUE(WaitFor(view, url)) << s.command;
    }
    const std::string received = server.Received();
    EXPECT_EQ(received.find("If-Modified-Since"), std::string::npos) << "a reload takes no copy:\n" << received;
    EXPECT_EQ(g_windowList->GetDocumentList(view)->GetCount(), 1) << "a reload adds no history";
    // A fresh window has nothing to reload.
    HWND fresh = NewWindow();
    g_windowList->SetActiveWindow(fresh);
    EXPECT_EQ(ReloadWindow(fresh), 0);
    Command(CMD_RELOAD);
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(server.Connections(), 4);
    EXPECT_TRUE(g_boxTexts.empty()) << (g_boxTexts.empty() ? "" : g_boxTexts.front());
}

// --- home ------------------------------------------------------------------------------

TEST_F(WindowCommands, WithoutAHomePageTheUserIsTold) {
    HWND view = NewWindow();
    ASSERT_NE(view, nullptr);
    Command(CMD_HOME);
    ASSERT_EQ(g_boxTexts.size(), 1u);
    EXPECT_NE(g_boxTexts[0].find("No home page defined"), std::string::npos) << g_boxTexts[0];
    EXPECT_EQ(Shown(view), "");
}

class HomeCommands : public WindowCommands {
protected:
    std::string MoreIni() const override { return "HOME URL=" + Url("/other.html") + "\r\n"; }
};

TEST_F(HomeCommands, HomeOpensTheWindowsOwnOrTheProgramsHomePage) {
    HWND view = Showing(Url("/text.html"));
    ASSERT_NE(view, nullptr);
    Command(CMD_HOME);
    ASSERT_TRUE(WaitFor(view, Url("/other.html")));
    EXPECT_EQ(g_windowList->Count(), 1) << "in the active window";
    // Shown already: without force nothing happens; with force it loads.
    EXPECT_EQ(GoHome(view, false, false), nullptr);
    EXPECT_EQ(GoHome(view, true, false), view);
    ASSERT_TRUE(WaitFor(view, Url("/other.html")));
    // The window's own home page comes first.
    g_windowList->SetWindowHomeUrl(view, Url("/chain1.html").c_str());
    Command(CMD_DOC_HOME);
    ASSERT_TRUE(WaitFor(view, Url("/chain1.html")));
    // With no document window a new one opens.
    SendMessageA(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(GetParent(view)), 0);
    PumpFor(std::chrono::milliseconds(100));
    ASSERT_EQ(g_windowList->Count(), 0);
    Command(CMD_HOME);
    ASSERT_EQ(g_windowList->Count(), 1);
    EXPECT_TRUE(WaitFor(g_windowList->GetActiveWindow(), Url("/other.html")));
    EXPECT_TRUE(g_boxTexts.empty()) << (g_boxTexts.empty() ? "" : g_boxTexts.front());
}

TEST_F(HomeCommands, TheHomePageDialogSetsBothHomePages) {
    HWND view = Showing(Url("/chain2.html"));
    ASSERT_NE(view, nullptr);
    g_windowList->SetActiveWindow(view);
    std::string globalShown, windowShown;
    {
        DialogDriver driver("Set Home Page", [&](HWND dialog) {
            char text[400] = "";
            GetDlgItemTextA(dialog, IDC_HOME_GLOBAL, text, sizeof text);
            globalShown = text;
            GetDlgItemTextA(dialog, IDC_HOME_WINDOW, text, sizeof text);
            windowShown = text;
            CheckWindowScreenshot(dialog, "home-page-dialog");
            // The window's own: the page it shows; the program's: typed.
            SendMessageA(GetDlgItem(dialog, IDC_HOME_USE_ACTIVE_WINDOW), BM_CLICK, 0, 0);
            SetDlgItemTextA(dialog, IDC_HOME_GLOBAL, Url("/chain3.html").c_str());
        }, IDOK);
        Command(CMD_SET_HOME);
        EXPECT_TRUE(driver.Found());
    }
    EXPECT_EQ(globalShown, Url("/other.html"));
    EXPECT_EQ(windowShown, "");
    EXPECT_EQ(std::string(g_windowList->GetWindowHomeUrl(view)), Url("/chain2.html"));
    EXPECT_EQ(std::string(g_preferences->GetHomeUrl()), Url("/chain3.html"));
    EXPECT_EQ(IniValue("USER PREFS", "HOME URL"), Url("/chain3.html")) << "written at once";
    // Cancel keeps everything; empty fields on OK remove both home pages.
    {
        DialogDriver driver("Set Home Page", [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_HOME_GLOBAL, "");
            SetDlgItemTextA(dialog, IDC_HOME_WINDOW, "");
        }, IDCANCEL);
        Command(CMD_SET_HOME);
    }
    EXPECT_EQ(std::string(g_windowList->GetWindowHomeUrl(view)), Url("/chain2.html"));
    {
        DialogDriver driver("Set Home Page", [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_HOME_GLOBAL, "");
            SetDlgItemTextA(dialog, IDC_HOME_WINDOW, "");
        }, IDOK);
        Command(CMD_SET_HOME);
    }
    EXPECT_EQ(g_windowList->GetWindowHomeUrl(view), nullptr);
    EXPECT_EQ(std::string(g_preferences->GetHomeUrl()), "");
    EXPECT_EQ(IniValue("USER PREFS", "HOME URL"), "");
}

// --- links and the program's own pages ------------------------------------------------

TEST_F(WindowCommands, LinkCommandsOpenTheLinkOfTheLastContextMenu) {
    HWND view = Showing(Url("/chain1.html"));
    ASSERT_NE(view, nullptr);
    // Without a link under the last menu nothing happens.
    g_windowList->SetContextUrl(UrlHandle());
    Command(CMD_LINK_GET, view);
    Command(CMD_LINK_GET_NEW, view);
    PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(g_windowList->Count(), 1);
    EXPECT_EQ(Shown(view), Url("/chain1.html"));
    // The menus send their commands to the view they were opened on.
    g_windowList->SetContextUrl(UrlRegistry::Instance()->FindWithFragment(Url("/chain2.html").c_str()));
    Command(CMD_LINK_GET, view);
    ASSERT_TRUE(WaitFor(view, Url("/chain2.html")));
    EXPECT_EQ(g_windowList->GetDocumentList(view)->GetCount(), 2);
    g_windowList->SetContextUrl(UrlRegistry::Instance()->FindWithFragment(Url("/chain3.html").c_str()));
    Command(CMD_IMGLINK_GET_NEW, view);
    ASSERT_EQ(g_windowList->Count(), 2);
    HWND fresh = g_windowList->GetActiveWindow();
    ASSERT_NE(fresh, view);
    EXPECT_TRUE(WaitFor(fresh, Url("/chain3.html")));
    EXPECT_EQ(Shown(view), Url("/chain2.html")) << "the first window keeps its page";
    EXPECT_TRUE(g_boxTexts.empty()) << (g_boxTexts.empty() ? "" : g_boxTexts.front());
}

class SpecialPages : public WindowCommands {
protected:
    std::string MoreIni() const override { return "[FIXED URLS]\r\nSEARCH=" + Url("/text.html") + "\r\n"; }
};

TEST_F(SpecialPages, TheProgramsPagesOpenInWindowsOfTheirOwnWithoutABottomBar) {
    struct Case {
        int command;
        const char* address;
        int kind;
    } cases[] = {{CMD_SHOW_CACHE, "zintu:cache", 2},
                 {CMD_SHOW_PLUGINS, "zintu:plugins", 3},
                 {CMD_SHOW_HISTORY, "zintu:history", 4}};
    int windows = 0;
    for (const Case& c : cases) {
        Command(c.command);
        ASSERT_EQ(g_windowList->Count(), ++windows) << c.address;
        HWND view = g_windowList->GetActiveWindow();
        EXPECT_TRUE(WaitFor(view, c.address)) << c.address << ": " << Shown(view);
        EXPECT_EQ(g_windowList->GetSpecialKind(view), c.kind) << c.address;
        EXPECT_EQ(g_windowList->GetBottomToolbar(view), nullptr) << c.address;
    }
    CheckWindowScreenshot(frame_, "special-pages");
    Command(CMD_NEW_SEARCH_WINDOW);
    ASSERT_EQ(g_windowList->Count(), ++windows);
    EXPECT_TRUE(WaitFor(g_windowList->GetActiveWindow(), Url("/text.html")));
    EXPECT_TRUE(g_boxTexts.empty()) << (g_boxTexts.empty() ? "" : g_boxTexts.front());
}

// --- view source -----------------------------------------------------------------------

class ViewSource : public WindowCommands {
protected:
    void SetUp() override {
        std::string recorder = ZINTU_RECORD_ARGS_EXE;
        for (char& c : recorder)
            if (c == '/') c = '\\';
        recorder_ = dir_.File("record_args.exe");
        ASSERT_TRUE(CopyFileA(("Z:" + recorder).c_str(), recorder_.c_str(), FALSE));
        WindowCommands::SetUp();
    }
    std::string MoreIni() const override { return "SOURCE VIEWER=" + recorder_ + "\r\n"; }
    std::string recorder_;
};

TEST_F(ViewSource, TheSourceViewerOfThePreferencesGetsTheDocumentsFile) {
    HWND view = Showing(Url("/chain1.html"));
    ASSERT_NE(view, nullptr);
    const std::string record = dir_.File("recorded-args.txt");
    for (int command : {CMD_SOURCE, CMD_VIEW_SOURCE}) {
        DeleteFileA(record.c_str());
        Command(command);
        std::string line;
        ASSERT_TRUE(PumpUntil([&] { return !(line = ReadWholeFile(record)).empty(); }, std::chrono::seconds(20)))
            << command;
        // The program, then the file that holds the page's text.
        size_t after = line.find("record_args.exe");
        ASSERT_NE(after, std::string::npos) << line;
        std::string file = line.substr(line.find_first_not_of("\" ", after + 15));
        while (!file.empty() && (file.back() == '"' || file.back() == ' ')) file.pop_back();
        EXPECT_NE(ReadWholeFile(file).find("<title>Chain one</title>"), std::string::npos) << command << ": " << line;
    }
}

// --- the frame's commands: clipboard, select all, find, new window, images ---------

class FrameCommands : public WindowCommands {
protected:
    void SetUp() override {
        WindowCommands::SetUp();
        RegisterFrameCommands();
    }
    // A window with its bottom bar showing the page.
    HWND ShowingWithBar(const char* path) {
        HWND view = Showing(Url(path));
        if (view) g_windowList->ShowBottomToolbar(view, true);
        SetForegroundWindow(frame_);
        PumpFor(std::chrono::milliseconds(100));
        return view;
    }
};

TEST_F(FrameCommands, CopyAndSelectAllTakeThePageOrTheFieldWithTheFocus) {
    HWND view = ShowingWithBar("/chain1.html");
    ASSERT_NE(view, nullptr);
    DocumentWindow* w = g_windowList->FindWindowById(view);
    SetFocus(w->Frame());
    ClearClipboard();
    Command(CMD_COPY);
    EXPECT_EQ(ClipboardText(), "") << "nothing selected, nothing copied";
    Command(CMD_SELECT_ALL);
    Command(CMD_COPY);
    const std::string page = ClipboardText();
    EXPECT_NE(page.find("Onward to chain two"), std::string::npos) << page;
    EXPECT_NE(page.find("Page one of a chain of three linked pages."), std::string::npos) << page;
    // The address field has the focus: it copies its own text, though the
    // page still has its selection.
    HWND edit = GetWindow(GetDlgItem(w->BottomToolbar(), IDC_BAR_HISTORY), GW_CHILD);
    SetWindowTextA(edit, "typed in the field");
    SetFocus(edit);
    Command(CMD_SELECT_ALL);
    PumpFor(std::chrono::milliseconds(100));
    Command(CMD_COPY);
    EXPECT_EQ(ClipboardText(), "typed in the field");
    // The addresses of the document and of the link under the last menu.
    Command(CMD_COPY_DOCUMENT_ADDRESS);
    EXPECT_EQ(ClipboardText(), Url("/chain1.html"));
    g_windowList->SetContextUrl(UrlRegistry::Instance()->FindWithFragment(Url("/chain2.html#part").c_str()));
    Command(CMD_COPY_LINK_ADDRESS);
    EXPECT_EQ(ClipboardText(), Url("/chain2.html#part"));
}

TEST_F(FrameCommands, SelectAllReachesTheEndOfALongText) {
    // Longer than the 32767 characters an old end position would stop at.
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 200,
                                100, frame_, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, EM_SETLIMITTEXT, 100000, 0);
    SetWindowTextA(edit, std::string(40000, 'x').c_str());
    SetFocus(edit);
    Command(CMD_SELECT_ALL);
    PumpFor(std::chrono::milliseconds(100));
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 40000u);
    DestroyWindow(edit);
}

TEST_F(FrameCommands, FindSelectsAndScrollsToEachMatchAndTellsWhenThereIsNone) {
    HWND view = ShowingWithBar("/page.html");
    ASSERT_NE(view, nullptr);
    SendMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
    PumpFor(std::chrono::milliseconds(200));
    Document* d = CurrentDocument(view);
    ASSERT_EQ(d->ScrollY(), 0);
    HWND find = nullptr;
    Command(CMD_FIND);
    ASSERT_TRUE(PumpUntil([&] { return (find = FindWindowA(nullptr, "Find")) != nullptr; }));
    Command(CMD_FIND);
    EXPECT_EQ(FindWindowA(nullptr, "Find"), find) << "one find dialog";
    auto findNext = [&](const char* text) {
        SetDlgItemTextA(find, 0x480, text);
        SendMessageA(find, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(find, IDOK)));
        PumpFor(std::chrono::milliseconds(200));
    };
    ClearClipboard();
    findNext("needle");
    SetFocus(g_windowList->FindWindowById(view)->Frame());
    Command(CMD_COPY);
    EXPECT_EQ(ClipboardText(), "needle") << "the match is selected";
    // The second match lies below what the window shows: it scrolls there.
    const int32_t shownBottom = d->ScrollY() + d->Height();
    findNext("needle");
    EXPECT_GT(d->ScrollY(), 0) << "shown " << d->Height() << " of " << d->GetContentHeight();
    EXPECT_LT(d->ScrollY(), shownBottom);
    Command(CMD_COPY);
    EXPECT_EQ(ClipboardText(), "needle");
    EXPECT_TRUE(g_boxTexts.empty()) << (g_boxTexts.empty() ? "" : g_boxTexts.front());
    findNext("zebra");
    ASSERT_EQ(g_boxTexts.size(), 1u);
    EXPECT_EQ(g_boxTexts[0], "Search string not found");
    SendMessageA(find, WM_COMMAND, IDCANCEL, 0);
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(IsWindow(find));
}

TEST_F(FrameCommands, NewWindowsStartIdle) {
    for (int command : {CMD_NEW, CMD_NEW_DOCUMENT_WINDOW}) Command(command);
    ASSERT_EQ(g_windowList->Count(), 2);
    for (HWND view = g_windowList->NextWindowId(true); view; view = g_windowList->NextWindowId(false))
        EXPECT_EQ(g_windowList->GetLoadState(view), kWindowIdle);
    EXPECT_TRUE(g_boxTexts.empty());
}

// --- the locked document dialog --------------------------------------------------------

TEST_F(WindowCommands, ALockedDocumentAsksAndSendsWhatIsTypedUpToTheFieldLimits) {
    ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"},
                           {ScriptStep::Send,
                            Reply("401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"zone\"\r\n", "Refused")},
                           {ScriptStep::Close, ""}});
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/locked.html";
    HWND view = NewWindow();
    ASSERT_NE(view, nullptr);
    std::string firstPrompt, secondPrompt;
    auto type = [](HWND edit, char c, int n) {
        for (int i = 0; i < n; ++i) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
    };
    // One driver for both dialogs: the second opens as soon as the server
    // refuses what the first sent.
    DialogDriver driver(url.c_str(), [&](HWND dialog) {
        firstPrompt = StaticTexts(dialog);
        CheckWindowScreenshot(dialog, "authenticate-dialog");
        // Typed past the limits: the fields stop at 100 and 30.
        type(GetDlgItem(dialog, IDC_AUTH_USER), 'u', 150);
        type(GetDlgItem(dialog, IDC_AUTH_PASSWORD), 'p', 40);
        PressDialogButton(dialog, IDOK);
        for (int i = 0; i < 200; ++i) {
            HWND again = FindWindowA(nullptr, url.c_str());
            if (again && again != dialog && IsWindowVisible(again)) {
                Sleep(200);
                secondPrompt = StaticTexts(again);
                PressDialogButton(again, IDCANCEL);
                return;
            }
            Sleep(50);
        }
    });
    ASSERT_TRUE(OpenTypedUrl(view, url.c_str(), nullptr, true, 0));
    EXPECT_TRUE(PumpUntil([&] { return !secondPrompt.empty() && g_windowList->GetLoadState(view) == kWindowIdle; },
                          std::chrono::seconds(30)));
    EXPECT_TRUE(driver.Found());
    EXPECT_NE(firstPrompt.find("The document is locked"), std::string::npos) << firstPrompt;
    // Refused again, the server's document is asked for again.
    EXPECT_TRUE(secondPrompt.find("Please enter user name and password") != std::string::npos ||
                secondPrompt.find("Please re-enter user name and password") != std::string::npos)
        << secondPrompt;
    // What was sent: exactly the 100 and 30 characters the fields showed.
    const std::string received = server.Received();
    const std::string sent = "Authorization: Basic " + Base64Encode(std::string(100, 'u') + ":" + std::string(30, 'p'));
    EXPECT_NE(received.find(sent + "\r\n"), std::string::npos) << received;
    // Cancelled: the window is idle and shows the server's refusal.
    EXPECT_EQ(g_windowList->GetLoadState(view), kWindowIdle);
    EXPECT_EQ(g_windowList->GetLoginUserName(view) ? std::string(g_windowList->GetLoginUserName(view)) : "", "");
    EXPECT_TRUE(PumpUntil([&] { return Shown(view) == url; }));
    EXPECT_TRUE(g_boxTexts.empty()) << (g_boxTexts.empty() ? "" : g_boxTexts.front());
}

// --- the frame: full screen, the menu bar, keys ---------------------------------------

TEST_F(WindowCommands, FullScreenCoversTheScreenWithTheClientAreaAndComesBack) {
    RECT before;
    GetWindowRect(frame_, &before);
    HMENU menu = GetMenu(frame_);
    Command(CMD_FULL_SCREEN);
    EXPECT_TRUE(IsFullScreen());
    RECT client;
    GetClientRect(frame_, &client);
    POINT origin{0, 0};
    ClientToScreen(frame_, &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(client.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(client.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(GetMenuState(menu, CMD_FULL_SCREEN, MF_BYCOMMAND) & MF_CHECKED);
    Command(CMD_FULL_SCREEN);
    EXPECT_FALSE(IsFullScreen());
    RECT after;
    GetWindowRect(frame_, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_FALSE(GetMenuState(menu, CMD_FULL_SCREEN, MF_BYCOMMAND) & MF_CHECKED);
}

// Real keys through the system's queue and the program's own message loop,
// which offers them to the keyboard hook before anything else sees them.
void CALLBACK EndLoop(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    PostQuitMessage(0);
}

class ShortcutKeys : public WindowCommands {
protected:
    static void Keys(const std::vector<WORD>& held, WORD key) {
        SendKeyPress(key, held);
        UINT_PTR timer = SetTimer(nullptr, 0, 400, EndLoop);
        (void)RunMessageLoop();
        // The loop may have ended before its time (the frame closed).
        KillTimer(nullptr, timer);
    }
};

TEST_F(ShortcutKeys, FunctionKeysReachTheActiveWindowAndTheFrame) {
    HWND view = NewWindow();
    ASSERT_NE(view, nullptr);
    g_windowList->ShowBottomToolbar(view, true);
    SetForegroundWindow(frame_);
    PumpFor(std::chrono::milliseconds(200));
    HMENU menu = GetMenu(frame_);
    ASSERT_NE(menu, nullptr);
    // Ctrl+F11 hides and shows the menu bar.
    Keys({VK_CONTROL}, VK_F11);
    EXPECT_EQ(GetMenu(frame_), nullptr);
    CheckWindowScreenshot(frame_, "frame-without-menu");
    Keys({VK_CONTROL}, VK_F11);
    EXPECT_EQ(GetMenu(frame_), menu);
    // F8 puts the focus into the address field, F9 back on the window.
    Keys({}, VK_F8);
    HWND field = GetDlgItem(g_windowList->GetBottomToolbar(view), IDC_BAR_HISTORY);
    EXPECT_TRUE(GetFocus() == field || IsChild(field, GetFocus()));
    Keys({}, VK_F9);
    EXPECT_EQ(GetFocus(), g_windowList->FindWindowById(view)->Frame());
    // Ctrl+F8 and Ctrl+F7: the bottom bar and the scroll bars.
    Keys({VK_CONTROL}, VK_F8);
    EXPECT_EQ(g_windowList->GetBottomToolbar(view), nullptr);
    Keys({VK_CONTROL}, VK_F8);
    EXPECT_NE(g_windowList->GetBottomToolbar(view), nullptr);
    const bool scrollBars = g_windowList->GetShowScrollBars(view);
    Keys({VK_CONTROL}, VK_F7);
    EXPECT_NE(g_windowList->GetShowScrollBars(view), scrollBars);
    // Plain F2 is the accelerators' (not taken here); Shift+F2 asks for a
    // nickname.
    MSG plain{frame_, WM_KEYDOWN, VK_F2, 0, 0, {}};
    EXPECT_FALSE(HandleShortcutKey(plain));
    bool asked = false;
    {
        DialogDriver driver("AskNickname", [&](HWND) { asked = true; }, IDCANCEL);
        Keys({VK_SHIFT}, VK_F2);
        PumpUntil([&] { return asked; }, std::chrono::seconds(5));
    }
    EXPECT_TRUE(asked);
    // Ctrl+Shift+F9 closes the program.
    Keys({VK_CONTROL, VK_SHIFT}, VK_F9);
    EXPECT_FALSE(IsWindow(frame_));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
