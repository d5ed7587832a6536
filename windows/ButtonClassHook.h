// Gives every group box of the program the bold variant of the default GUI
// font, by replacing the window procedure of the system "BUTTON" class while
// the program runs.
#pragma once
#include <windows.h>

#include <string>

class ButtonClassHook {
public:
    ButtonClassHook() = default;
    ~ButtonClassHook() { Remove(); }
    ButtonClassHook(const ButtonClassHook&) = delete;
    ButtonClassHook& operator=(const ButtonClassHook&) = delete;

    // Replaces the class procedure (reached through a hidden window of the
    // class owned by the owner); 0 when the window cannot be made.
    int Install(HWND owner);
    // Puts the kept procedure back and destroys the hidden window.
    void Remove();
    bool IsInstalled() const { return keptProc_ != nullptr; }
    WNDPROC KeptProc() const { return keptProc_; }

private:
    std::string className_ = "BUTTON";
    HWND classWindow_ = nullptr;
    WNDPROC keptProc_ = nullptr;
};

// The one hook of the program and its font.
extern ButtonClassHook g_buttonClassHook;
extern HFONT g_boldGuiFont;

// Start-up: makes the bold font and installs the hook. Shut-down: the reverse.
void CreateBoldGuiFont(HWND owner);
void ReleaseBoldGuiFont();

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ButtonClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
