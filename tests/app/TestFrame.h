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
#include "core/AppGlobals.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "documents/DocumentList.h"
#include "html/UrlContentFeed.h"
#include "layout/UrlImages.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/DocumentFrame.h"
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

// The texts of the information and error boxes a test frame showed, in
// place of modal boxes.
inline std::vector<std::string> g_boxTexts;
inline int RecordBoxText(HWND, const char* text, const char*, UINT) {
    g_boxTexts.emplace_back(text ? text : "");
    return IDOK;
}

// A test with the program's frame on preferences every window test wants
// (no progress dialog, the disk cache in the test's scratch folder) and
// what MoreIni adds to them; its boxes are recorded in g_boxTexts.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(dir_.File("cache").c_str(), nullptr);
        g_boxTexts.clear();
        frame_ = StartTestFrame(frameWindow_, ini_,
                                "[USER PREFS]\r\nSHOW PROGRESS DIALOG=0\r\n" + MoreIni() +
                                    "[DISK CACHE]\r\nCACHE DIRECTORY=" + dir_.File("cache") + "\r\n",
                                RecordBoxText);
        ASSERT_NE(frame_, nullptr);
    }
    void TearDown() override { EndTestFrame(frame_); }

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

    ScratchDir dir_;
    std::string ini_ = dir_.File("zintu.ini");
    FrameWindow frameWindow_;
    HWND frame_ = nullptr;
};

}  // namespace testing_support
