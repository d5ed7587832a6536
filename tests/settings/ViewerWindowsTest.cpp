// Documents loaded in real document windows (the frame, its window list and
// the viewer table from a real ini file) go where the viewer table says: a
// GIF that nginx sends as "application/octet-stream" is shown while server
// types are not trusted and asks the user while they are; the "Unknown
// type" dialog's answers act on its own window; an action-3 type runs the
// program with the cache file; an action-1 type is saved where the user
// says in the system's save dialog, and so is a shown page by File > Save
// As; OK in "Associate" reaches a window whose document is still arriving.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/FrameWindow.h"
#include "app/SettingsHandOver.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "net/UrlRecord.h"
#include "resources/CoreIds.h"
#include "resources/ViewerIds.h"
#include "settings/ViewerDialogs.h"
#include "settings/ViewerDispatch.h"
#include "settings/ViewerTable.h"
#include "tests/app/TestFrame.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

int NoBox(HWND, const char*, const char*, UINT) {
    return IDOK;
}

class ViewerWindowTest : public ::testing::Test {
protected:
    // The frame on an ini file of the given [USER PREFS] lines and further
    // sections.
    void Start(const std::string& userPrefs, const std::string& sections = "") {
        InstallSettingsHandOver();
        frame_ = StartTestFrame(frameWindow_, ini_,
                                "[USER PREFS]\r\nSHOW PROGRESS DIALOG=0\r\nPLUGIN PATH=" + dir_.File("none") +
                                    "\r\nZINTU DIRECTORY=" + dir_.File("user") + "\r\n" + userPrefs + sections,
                                NoBox);
        ASSERT_NE(frame_, nullptr);
    }
    void TearDown() override { EndTestFrame(frame_); }
    std::string Address(const char* path) {
        return "http://127.0.0.1:" + std::to_string(ServerPortFromEnv("NGINX")) + path;
    }
    HWND Open(const char* path) {
        int tile = 1;
        HWND window = g_windowList->OpenNewWindow(&tile);
        EXPECT_NE(window, nullptr);
        EXPECT_NE(OpenTypedUrl(window, Address(path).c_str(), nullptr, false, 0), nullptr);
        return window;
    }
    // The address of the window's shown document ("" for none).
    std::string Shown(HWND window) {
        DocumentList* list = g_windowList->GetDocumentList(window);
        Document* d = list ? list->GetCurrentDocument() : nullptr;
        const char* name = d ? d->GetUrl().GetName() : nullptr;
        return name ? name : "";
    }
    bool WaitIdle(HWND window) {
        return PumpUntil([&] { return g_windowList->GetLoadState(window) == kWindowIdle; },
                         std::chrono::seconds(15));
    }

    ScratchDir dir_;
    std::string ini_ = dir_.File("zintu.ini");
    FrameWindow frameWindow_;
    HWND frame_ = nullptr;
};

TEST_F(ViewerWindowTest, AGifSentAsOctetStreamIsShownUnlessServerTypesAreTrusted) {
    Start("TRUST SERVER TYPES=0\r\n");
    HWND window = Open("/wrong/a.gif");
    ASSERT_TRUE(PumpUntil([&] { return Shown(window) == Address("/wrong/a.gif"); }, std::chrono::seconds(15)));
    EXPECT_TRUE(WaitIdle(window));
    EXPECT_EQ(UnknownTypeDialogOf(reinterpret_cast<ViewerWindow>(window)), nullptr);
}

TEST_F(ViewerWindowTest, TrustedServerTypesAskAndTheDialogActsOnItsOwnWindow) {
    Start("TRUST SERVER TYPES=1\r\n");
    HWND window = Open("/wrong/a.gif");
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (dialog = UnknownTypeDialogOf(reinterpret_cast<ViewerWindow>(window))); },
                          std::chrono::seconds(15)));
    EXPECT_TRUE(WaitIdle(window)) << "the load ends while the user is asked";
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(WindowTitle(dialog), Address("/wrong/a.gif"));
    char type[100] = "";
    GetDlgItemTextA(dialog, IDC_UNKNOWN_TYPE, type, sizeof type);
    EXPECT_STREQ(type, "application/octet-stream");
    EXPECT_EQ(Shown(window), "") << "nothing is shown before the user answers";
    CheckWindowScreenshot(dialog, "unknowndoc-window");

    // "Use Zintu": the document is shown in the dialog's window.
    PressDialogButton(dialog, IDC_UNKNOWN_USE_ZINTU);
    EXPECT_TRUE(PumpUntil([&] { return Shown(window) == Address("/wrong/a.gif"); }, std::chrono::seconds(10)));
    EXPECT_FALSE(IsWindow(dialog));

    // Cancel while another window is the active one stops only the
    // dialog's window.
    HWND second = Open("/wrong/a.gif?again");
    ASSERT_TRUE(PumpUntil([&] { return (dialog = UnknownTypeDialogOf(reinterpret_cast<ViewerWindow>(second))); },
                          std::chrono::seconds(15)));
    HWND other = Open("/small.html");
    g_windowList->SetActiveWindow(other);
    PressDialogButton(dialog, IDCANCEL);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, std::chrono::seconds(5)));
    EXPECT_EQ(g_windowList->GetLoadState(second), kWindowIdle);
    EXPECT_TRUE(PumpUntil([&] { return Shown(other) == Address("/small.html"); }, std::chrono::seconds(15)))
        << "the active window's load goes on";
    EXPECT_EQ(Shown(second), "");
}

TEST_F(ViewerWindowTest, AnActionThreeTypeRunsTheProgramWithTheCacheFile) {
    std::string record = ProgramFolder() + "recorded-args.txt";
    DeleteFileA(record.c_str());
    Start("TRUST SERVER TYPES=0\r\n", "[FILE TYPES SECTION INFO]\r\nVERSION=1\r\n[FILE TYPES]\r\n"
                                      "application/x-zintu-record=3," + ProgramFolder() + "record_args.exe,,,zrec\r\n");
    HWND window = Open("/wrong/doc.zrec");
    ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES; },
                          std::chrono::seconds(20)));
    Sleep(200);
    std::string args = ReadWholeFile(record);
    UrlHandle url = g_windowList->GetWindowUrl(window);
    ASSERT_FALSE(url.IsEmpty());
    std::string file = url->GetLocalFilePath(true);
    ASSERT_FALSE(file.empty());
    EXPECT_NE(args.find(file), std::string::npos) << args << " / " << file;
    EXPECT_EQ(ReadWholeFile(file), "a document for a viewer program\n") << "the program gets the whole document";
    EXPECT_TRUE(WaitIdle(window));
    EXPECT_EQ(Shown(window), "");
}

TEST_F(ViewerWindowTest, AnActionOneTypeIsSavedWhereTheUserSays) {
    Start("TRUST SERVER TYPES=0\r\n", "[FILE TYPES SECTION INFO]\r\nVERSION=1\r\n[FILE TYPES]\r\n"
                                      "application/x-zintu-save=1,,,,zsav\r\n");
    std::string saved = dir_.File("kept.zsav");
    std::string proposed;
    HWND window = nullptr;
    {
        DialogDriver driver("Save As", [&](HWND d) {
            CheckWindowScreenshot(d, "save-document");
            proposed = TypeFileName(d, saved);
        }, IDOK);
        window = Open("/wrong/doc.zsav");
        ASSERT_TRUE(PumpUntil([&] { return ReadWholeFile(saved) == "a document the user keeps\n"; },
                              std::chrono::seconds(20)));
        EXPECT_TRUE(driver.Found());
    }
    EXPECT_EQ(proposed, "doc.zsav");
    EXPECT_TRUE(WaitIdle(window));
    EXPECT_EQ(Shown(window), "") << "a saved document is not shown";

    // Cancelled, nothing is written and the window stops.
    std::string none = dir_.File("none.zsav");
    {
        DialogDriver driver("Save As", [&](HWND d) { TypeFileName(d, none); }, IDCANCEL);
        HWND second = Open("/wrong/other.zsav");
        ASSERT_TRUE(PumpUntil([&] { return driver.Found(); }, std::chrono::seconds(20)));
        EXPECT_TRUE(WaitIdle(second));
        EXPECT_EQ(Shown(second), "");
    }
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(GetFileAttributesA(none.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ViewerWindowTest, SaveInTheUnknownTypeDialogWritesTheDocument) {
    Start("TRUST SERVER TYPES=0\r\n");
    HWND window = Open("/wrong/other.zsav");
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (dialog = UnknownTypeDialogOf(reinterpret_cast<ViewerWindow>(window))); },
                          std::chrono::seconds(15)));
    std::string saved = dir_.File("asked.zsav");
    DialogDriver driver("Save As", [&](HWND d) { TypeFileName(d, saved); }, IDOK);
    PressDialogButton(dialog, IDC_UNKNOWN_SAVE);
    ASSERT_TRUE(PumpUntil([&] { return ReadWholeFile(saved) == "another document\n"; },
                          std::chrono::seconds(20)));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(WaitIdle(window));
    EXPECT_EQ(Shown(window), "");
}

// File > Save As writes the active window's page whole: under a page's
// name as its source, byte for byte; under a ".txt" name as the text it
// shows. A cancelled dialog writes nothing.
TEST_F(ViewerWindowTest, SaveAsWritesThePageAsItsSourceOrAsItsText) {
    Start("TRUST SERVER TYPES=0\r\n");
    HWND window = Open("/small.html");
    ASSERT_TRUE(PumpUntil([&] { return Shown(window) == Address("/small.html"); }, std::chrono::seconds(15)));
    ASSERT_TRUE(WaitIdle(window));
    const std::string source = ReadWholeFile(SourcePath("tests/net/data/urlload-www/small.html"));
    ASSERT_FALSE(source.empty());
    struct Case {
        const char* file;
        int button;
    };
    const Case cases[] = {{"page.htm", IDOK}, {"page.txt", IDOK}, {"cancelled.htm", IDCANCEL}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = dir_.File(c.file);
        std::string proposed;
        {
            DialogDriver driver("Save As", [&](HWND d) {
                if (c.button == IDOK && std::string(c.file) == "page.htm") CheckWindowScreenshot(d, "save-as");
                proposed = TypeFileName(d, path);
            }, c.button);
            SendMessageA(frame_, WM_COMMAND, CMD_SAVE_AS, 0);
            EXPECT_TRUE(driver.Found());
        }
        EXPECT_EQ(proposed, "small.html");
        PumpFor(std::chrono::milliseconds(200));
        std::string written = ReadWholeFile(path);
        if (c.button == IDCANCEL) {
            EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
        } else if (std::string(c.file) == "page.htm") {
            EXPECT_EQ(written, source);
        } else {
            EXPECT_NE(written.find("A small page.\r\n"), std::string::npos) << written;
            EXPECT_EQ(written.find('<'), std::string::npos) << written;
            EXPECT_EQ(written.find("Small"), std::string::npos) << "the title is not page text: " << written;
        }
    }
    EXPECT_EQ(Shown(window), Address("/small.html")) << "the window keeps its page";

    // The frame menu's Save As takes the document the context menu was
    // opened on, not the active window's.
    HWND other = Open("/target.html");
    ASSERT_TRUE(PumpUntil([&] { return Shown(other) == Address("/target.html"); }, std::chrono::seconds(15)));
    ASSERT_TRUE(WaitIdle(other));
    g_windowList->SetActiveWindow(other);
    std::atomic<bool> menuClosed{false};
    std::thread closer([&] {
        for (int i = 0; i < 200 && !menuClosed; ++i) {
            HWND menu = FindWindowA("#32768", nullptr);
            if (menu && IsWindowVisible(menu)) {
                PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                menuClosed = true;
            }
            Sleep(50);
        }
    });
    SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 40));
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(40, 40));
    closer.join();
    ASSERT_TRUE(menuClosed) << "the context menu opened";
    std::string framePath = dir_.File("frame.htm");
    {
        DialogDriver driver("Save As", [&](HWND d) { TypeFileName(d, framePath); }, IDOK);
        SendMessageA(frame_, WM_COMMAND, CMD_DOC_SAVE_AS, 0);
        EXPECT_TRUE(driver.Found());
    }
    EXPECT_EQ(ReadWholeFile(framePath), source);
}

// OK in "Associate" while a document is still arriving: what the old table
// chose for it (open with the registered application) gives way to the
// new table's choice (show it) when it has all arrived.
TEST_F(ViewerWindowTest, OkInAssociateLetsADocumentStillArrivingFollowTheNewTable) {
    Start("TRUST SERVER TYPES=0\r\n", "[FILE TYPES SECTION INFO]\r\nVERSION=1\r\n[FILE TYPES]\r\n"
                                      "application/x-zintu-late=4,,,,zlate\r\n");
    ScriptedServer server({{ScriptStep::Expect, "\r\n\r\n"},
                           {ScriptStep::Send,
                            "HTTP/1.0 200 OK\r\nContent-Type: application/x-zintu-late\r\n\r\nthe first part, "},
                           {ScriptStep::Pause, "", 3000},
                           {ScriptStep::Send, "the last part\n"},
                           {ScriptStep::Close}});
    int tile = 1;
    HWND window = g_windowList->OpenNewWindow(&tile);
    ASSERT_NE(window, nullptr);
    std::string address = "http://127.0.0.1:" + std::to_string(server.Port()) + "/late.zlate";
    ASSERT_NE(OpenTypedUrl(window, address.c_str(), nullptr, false, 0), nullptr);
    ViewerWindows* windows = GetViewerWindows();
    ASSERT_NE(windows, nullptr);
    const auto viewer = reinterpret_cast<ViewerWindow>(window);
    ASSERT_TRUE(PumpUntil([&] { return windows->PendingAction(viewer) == kViewerRegistered; },
                          std::chrono::seconds(10)));
    ASSERT_NE(g_windowList->GetLoadState(window), kWindowIdle) << "the document is still arriving";
    DialogDriver driver("Associate", [&](HWND d) {
        for (int id : {IDC_VIEWER_SAVE, IDC_VIEWER_SHOW, IDC_VIEWER_ASK, IDC_VIEWER_RUN, IDC_VIEWER_REGISTERED,
                       IDC_VIEWER_APPLICATION, IDC_VIEWER_PLUGIN})
            CheckDlgButton(d, id, id == IDC_VIEWER_SHOW ? BST_CHECKED : BST_UNCHECKED);
    }, IDOK);
    EXPECT_EQ(OpenViewersDialog(frame_, "application/x-zintu-late"), IDOK);
    EXPECT_EQ(GetViewerTable()->FindByMimeType("application/x-zintu-late")->action, kViewerShow);
    ASSERT_TRUE(PumpUntil([&] { return Shown(window) == address; }, std::chrono::seconds(15)));
    EXPECT_TRUE(WaitIdle(window));
    EXPECT_EQ(windows->PendingAction(viewer), kViewerShow);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
