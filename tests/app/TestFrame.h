// The program's real frame window, with its global objects, on a test ini
// file: the start-up a window test needs (window classes, preferences,
// message boxes answered by a test function, the page content, the window
// services and commands), and the shut-down that undoes it.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/FrameWindow.h"
#include "core/AppGlobals.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "html/UrlContentFeed.h"
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
    SetPageContentFactory(nullptr);
}

}  // namespace testing_support
