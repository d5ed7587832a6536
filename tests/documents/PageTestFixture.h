// What a page document needs around it in a window test: a main window
// whose handler takes the program's messages, the delayed-message queue,
// sockets, and a URL registry whose cache lies in a folder of the test's
// own, with page contents and the screen fonts installed.
#pragma once

#include <windows.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "core/DelayedMessageQueue.h"
#include "core/MessageHandler.h"
#include "html/UrlContentFeed.h"
#include "layout/SystemFonts.h"
#include "net/NetSettings.h"
#include "net/SocketRegistry.h"
#include "net/UrlPageContent.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace testing_support {

inline LRESULT CALLBACK PageTestMainProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_TIMER && wp == DelayedMessageQueue::kTimerId && g_delayedMessages) {
        g_delayedMessages->OnTimer();
        return 0;
    }
    if (message >= 0x8000 && message < 0xC000 && g_mainHandler) {
        g_mainHandler->Dispatch(message, static_cast<uint32_t>(wp), static_cast<uint32_t>(lp));
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

class PageTestFixture : public ::testing::Test {
protected:
    // folder: the prefix of the test's folder; timer: the delayed queue's
    // timer (null for the real one).
    void SetUpPages(const char* folder, DelayTimer* timer = nullptr) {
        static bool registered = false;
        if (!registered) {
            registered = true;
            WNDCLASSA wc = {};
            wc.lpfnWndProc = PageTestMainProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "ZintuPageTestMain";
            RegisterClassA(&wc);
        }
        root_ = std::filesystem::temp_directory_path() /
                (folder + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "cache");
        mainWindow_ = CreateWindowExA(0, "ZintuPageTestMain", "main", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
        main_ = std::make_unique<MessageHandler>(mainWindow_);
        g_mainHandler = main_.get();
        delayed_ = std::make_unique<DelayedMessageQueue>(mainWindow_, timer);
        g_delayedMessages = delayed_.get();
        sockets_ = std::make_unique<SocketRegistry>();
        g_socketRegistry = sockets_.get();
        GetNetSettings() = NetSettings{};
        GetUrlSettings() = UrlSettings();
        GetUrlSettings().cacheDirectory = (root_ / "cache").string();
        GetUrlSettings().emptyOnExit = true;
        urls_ = std::make_unique<UrlRegistry>(GetUrlSettings());
        InstallPageContentFactory();
        const char* generic[5] = {"Times New Roman", "Arial", nullptr, nullptr, "Courier New"};
        CreateScreenFontTable(generic, 20);
    }
    // After the test's own documents and URL handles are gone.
    void TearDownPages() {
        DestroyScreenFontTable();
        urls_.reset();
        SetPageContentFactory(nullptr);
        g_socketRegistry = nullptr;
        sockets_.reset();
        g_delayedMessages = nullptr;
        delayed_.reset();
        g_mainHandler = nullptr;
        main_.reset();
        DestroyWindow(mainWindow_);
        std::filesystem::remove_all(root_);
    }

    std::filesystem::path root_;
    HWND mainWindow_ = nullptr;
    std::unique_ptr<MessageHandler> main_;
    std::unique_ptr<DelayedMessageQueue> delayed_;
    std::unique_ptr<SocketRegistry> sockets_;
    std::unique_ptr<UrlRegistry> urls_;
};

}  // namespace testing_support
