// The frame window (class "BLDZINTU", title "Zintu"): the program's main
// window and the parent of the MDI client that holds the document windows.
// Its creation builds the global objects and its destruction frees them.
// Start-up owns the one object for the whole run.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "core/WindowBase.h"

constexpr UINT FrameTimerId = 1;  // the 100 ms housekeeping timer
constexpr UINT DelayedMessageTimerId = 123;

class FrameWindow : public WindowBase {
public:
    ~FrameWindow() override;

    // Registers the frame's class; false when it could not be.
    static bool RegisterClass(HINSTANCE instance);
    // The window, or null after telling the user.
    HWND Create(HINSTANCE instance);
    // The frame object whose window is open, or null.
    static FrameWindow* Current();

    HMENU FrameMenu() const { return frameMenu_; }    // kept while the menu is hidden
    HMENU WindowMenu() const { return windowMenu_; }  // the MDI window menu
    HWND FindDialog() const { return findDialog_; }   // the find dialog, when open
    void SetFindDialog(HWND dialog) { findDialog_ = dialog; }
    uint32_t LastGoHomeTime() const { return lastGoHomeTime_; }  // preferences clock

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy();
    LRESULT OnFindReplace(LPARAM lParam);
    void OnActivate(WPARAM wParam);
    void OnActivateApp(WPARAM active);
    LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam);
    void OnNonClientDoubleClick(LPARAM lParam);
    LRESULT OnSysKeyDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCommand(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT timerId);
    LRESULT OnStartupFinished();
    LRESULT OnInternalMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CheckGoHomeTimeOut();

    HMENU frameMenu_ = nullptr;
    HMENU windowMenu_ = nullptr;
    HWND findDialog_ = nullptr;
    bool shuttingDown_ = false;  // set while the global objects are freed
    bool closePending_ = false;  // a close waits for a blocking call to end
    uint32_t lastGoHomeTime_ = 0;
    UINT findReplaceMessage_ = 0;
    HWND activeBeforeDeactivation_ = nullptr;
    std::string savedTitle_;
    unsigned ticks_ = 0;
};

// Answers nonzero when the frame class was registered.
int RegisterWindowClasses(HINSTANCE instance);
// The frame's step of the message loop; 1 when one of its filters took the
// message.
int FrameMessageFilter(MSG* message);
// Turns the style into an overlapped window's, less what kiosk mode removes.
int PrepareFrameStyle(DWORD* style);
// The submenu of the item at position (-1: none; -2: the second-to-last
// item's, else the last item's that has one).
HMENU FindWindowMenu(HMENU menu, int position);
