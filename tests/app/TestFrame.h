// The program's real frame window, with its global objects, on a test ini
// file: the start-up a window test needs (window classes, preferences,
// message boxes answered by a test function, the page content, the window
// services and commands), and the shut-down that undoes it.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/FrameWindow.h"
#include "app/SettingsHandOver.h"
#include "app/MessageLoop.h"
#include "core/AppGlobals.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "html/UrlContentFeed.h"
#include "layout/UrlImages.h"
#include "tests/support/LocalServer.h"
#include "tests/support/MenuWatcher.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/DocumentFrame.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

namespace testing_support {

// Writes the ini file, reads it and makes an 800 x 600 frame shown on the
// screen; null (with a test failure) when it could not be made.
inline HWND StartTestFrame(FrameWindow& frameWindow, const std::string& iniPath, const std::string& iniText,
                           MessageBoxFunction box) {
    g_instance = GetModuleHandleA(nullptr);
    RegisterPanelMessages();
    static bool registered = RegisterWindowClasses(g_instance) != 0;
    EXPECT_TRUE(registered);
    WriteWholeFile(iniPath, iniText);
    g_preferences = new Preferences(iniPath.c_str());
    g_preferences->LoadAll();
    EXPECT_TRUE(CreateMessageBoxes());
    SetTimedMessageBox(box);
    InstallPageContentFactory();
    // Images decode as the program's start-up has them decode.
    InstallUrlImages();
    InstallDocumentWindowServices();
    RegisterDocumentWindowCommands();
    HWND frame = frameWindow.Create(g_instance);
    EXPECT_NE(frame, nullptr);
    EXPECT_NE(g_windowList, nullptr);
    if (!frame || !g_windowList) return nullptr;
    ShowWindow(frame, SW_SHOW);
    MoveWindow(frame, 0, 0, 800, 600, TRUE);
    PumpFor(std::chrono::milliseconds(50));
    return frame;
}

// Destroys the frame (and with it the global objects and preferences).
inline void EndTestFrame(HWND frame) {
    if (IsWindow(frame)) DestroyWindow(frame);
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    SetTimedMessageBox(nullptr);
    RemoveDocumentWindowServices();
    RemoveUrlImages();
    SetPageContentFactory(nullptr);
}

inline void CALLBACK EndMessageLoop(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    PostQuitMessage(0);
}

// Runs the program's own message loop (keyboard hook, registered dialogs,
// accelerators) for the time.
inline void RunLoopFor(UINT millis) {
    UINT_PTR timer = SetTimer(nullptr, 0, millis, EndMessageLoop);
    (void)RunMessageLoop();
    KillTimer(nullptr, timer);
}

// The request lines the test nginx logged so far (a server whose
// configuration logs to access.log), and how often it holds a GET of the
// path.
inline std::string AccessLog() {
    return ServerFileFromEnv("NGINX", "access.log");
}
inline int Requests(const std::string& path) {
    const std::string log = AccessLog(), line = "\"GET " + path + " ";
    int n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
}

// A point of the pane (a view, or a frame's pane showing the document) over
// a link of its page; (-1, -1) when there is none.
inline POINT LinkPoint(HWND pane, Document* d) {
    RECT client;
    GetClientRect(pane, &client);
    for (LONG y = 2; d && y < client.bottom; y += 4) {
        for (LONG x = 2; x < client.right; x += 4) {
            HtmlElement* element = nullptr;
            if (d->DescribePoint(x, y, &element, nullptr, nullptr) && element) return {x + 4, y + 2};
        }
    }
    return {-1, -1};
}

// The texts of the information and error boxes a test frame showed, in
// place of modal boxes.
inline std::vector<std::string> g_boxTexts;
inline int RecordBoxText(HWND, const char* text, const char*, UINT) {
    g_boxTexts.emplace_back(text ? text : "");
    return IDOK;
}

// A test with the program's frame on preferences every window test wants
// (no progress dialog; the user folder, and with it the disk cache, the
// hotlist and the history files, in the test's scratch folder, handed to
// the network side as at start-up) and what MoreIni adds to them; its boxes
// are recorded in g_boxTexts.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_boxTexts.clear();
        InstallSettingsHandOver();
        frame_ = StartTestFrame(frameWindow_, ini_, BaseIni(), RecordBoxText);
        ASSERT_NE(frame_, nullptr);
    }
    void TearDown() override {
        EndTestFrame(frame_);
        Preferences::SetListener(nullptr);
    }

    // The user folder (made here); a test that starts a second frame may
    // give it another.
    virtual std::string UserFolder() const { return dir_.File("user"); }
    std::string BaseIni() const {
        const std::string user = UserFolder();
        CreateDirectoryA(user.c_str(), nullptr);
        return "[USER PREFS]\r\nZINTU DIRECTORY=" + user + "\r\nSHOW PROGRESS DIALOG=0\r\n" + MoreIni();
    }
    // Lines for [USER PREFS], or whole sections, written before the frame
    // starts.
    virtual std::string MoreIni() const { return ""; }

    // The address of the path on the test nginx.
    static std::string Url(const std::string& path) {
        return "http://127.0.0.1:" + std::to_string(ServerPortFromEnv("NGINX")) + path;
    }
    static Document* CurrentDocument(HWND view) {
        DocumentList* list = g_windowList->GetDocumentList(view);
        return list ? list->GetCurrentDocument() : nullptr;
    }
    // The address of the document the window shows, or "".
    static std::string Shown(HWND view) {
        Document* d = CurrentDocument(view);
        return d && d->GetUrl().GetName() ? d->GetUrl().GetName() : "";
    }
    static bool Idle(HWND view) { return g_windowList->GetLoadState(view) == kWindowIdle; }
    // Runs until the window shows the address, idle.
    static bool WaitFor(HWND view, const std::string& url,
                        std::chrono::milliseconds limit = std::chrono::seconds(15)) {
        return PumpUntil([&] { return Shown(view) == url && Idle(view); }, limit);
    }
    // Runs until the window is idle with a formatted document.
    static bool WaitShown(HWND view, std::chrono::milliseconds limit = std::chrono::seconds(15)) {
        return PumpUntil(
            [&] {
                Document* d = CurrentDocument(view);
                return d && d->IsFormatted() && Idle(view);
            },
            limit);
    }
    static HWND NewWindow() {
        int tile = 1;
        return g_windowList->OpenNewWindow(&tile);
    }
    // A new maximised window showing the page, idle and laid out, its frame
    // in front and its view with the keyboard.
    HWND Showing(const std::string& path) {
        HWND view = NewWindow();
        if (!view) return nullptr;
        SendMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
        const std::string want = Url(path);
        if (!OpenTypedUrl(view, want.c_str(), nullptr, true, 0) || !WaitFor(view, want) || !WaitShown(view))
            return nullptr;
        SetForegroundWindow(frame_);
        SetFocus(view);
        PumpFor(std::chrono::milliseconds(200));
        return view;
    }
    // Right-clicks the window (a view or a frame's pane) at the point and
    // works the context menu with the keys.
    MenuSeen Menu(HWND window, POINT at, std::vector<WORD> keys, const std::string& shot = "") {
        SendMouseTo(window, at);
        MenuWatcher watcher(frame_, shot, std::move(keys));
        SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
        SendMouseButton(MOUSEEVENTF_RIGHTUP);
        const MenuSeen seen = watcher.Finish();
        PumpFor(std::chrono::milliseconds(100));
        return seen;
    }

    ScratchDir dir_;
    std::string ini_ = dir_.File("zintu.ini");
    FrameWindow frameWindow_;
    HWND frame_ = nullptr;
};

}  // namespace testing_support
