// Works a popup menu (a context menu) from another thread, since the menu
// runs its own loop: waits for it to open, reads it, takes a picture, then
// presses keys in it, which choose or close it.
#pragma once
#include <windows.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/WindowTools.h"

namespace testing_support {

struct MenuSeen {
    UINT firstId = 0;
    int items = 0;
    bool leftOpen = false;  // the keys did not close it
};

class MenuWatcher {
public:
    // shot: the picture of the window taken while the menu is open, saved
    // under that name (none when empty).
    MenuWatcher(HWND window, std::string shot, std::vector<WORD> keys)
        : thread_([this, window, shot = std::move(shot), keys = std::move(keys)] {
              Watch(window, shot, keys);
          }) {}
    ~MenuWatcher() {
        if (thread_.joinable()) thread_.join();
    }
    MenuWatcher(const MenuWatcher&) = delete;
    MenuWatcher& operator=(const MenuWatcher&) = delete;
    // Waits until the keys were pressed; what the menu held.
    MenuSeen Finish() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    void Watch(HWND window, const std::string& shot, const std::vector<WORD>& keys) {
        for (int i = 0; i < 100; ++i) {
            HWND popup = FindWindowA("#32768", nullptr);
            if (popup && IsWindowVisible(popup)) {
                auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
                seen_.items = GetMenuItemCount(menu);
                seen_.firstId = GetMenuItemID(menu, 0);
                Sleep(300);
                if (!shot.empty()) CheckWindowScreenshot(window, shot);
                break;
            }
            Sleep(50);
        }
        for (WORD key : keys) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_KEYBOARD;
            in[0].ki.wVk = in[1].ki.wVk = key;
            in[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, in, sizeof in[0]);
            Sleep(150);
        }
        // A menu the keys left open is closed, so that a run never hangs in
        // its loop; the test sees it as still open.
        for (int i = 0; i < 20; ++i) {
            HWND popup = FindWindowA("#32768", nullptr);
            if (!popup || !IsWindowVisible(popup)) return;
            Sleep(100);
        }
        seen_.leftOpen = true;
        if (HWND popup = FindWindowA("#32768", nullptr)) PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        Sleep(200);
        if (HWND popup = FindWindowA("#32768", nullptr)) PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    }

    MenuSeen seen_;
    std::thread thread_;
};

}  // namespace testing_support
