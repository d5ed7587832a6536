#include "windows/ButtonClassHook.h"

#include "core/Win32Utilities.h"

ButtonClassHook g_buttonClassHook;
HFONT g_boldGuiFont = nullptr;

namespace {
bool g_hookActive = false;
// The system's procedure, kept for good: buttons made while the hook was
// installed keep calling through it after the hook is removed.
WNDPROC g_systemButtonProc = nullptr;
}  // namespace

int ButtonClassHook::Install(HWND owner) {
    if (keptProc_) return 1;
    classWindow_ = CreateWindowExA(0, className_.c_str(), "", 0, 0, 0, 0, 0, owner, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    if (!classWindow_) return 0;
    keptProc_ = reinterpret_cast<WNDPROC>(
        SetClassLongPtrA(classWindow_, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonClassProc)));
    if (!g_systemButtonProc) g_systemButtonProc = keptProc_;
    return 1;
}

void ButtonClassHook::Remove() {
    if (keptProc_) {
        // The hidden window goes with its owner (the frame closes before the
        // hook is removed); another one reaches the class then.
        HWND reach = IsWindow(classWindow_)
                         ? classWindow_
                         : CreateWindowExA(0, className_.c_str(), "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                           GetModuleHandleA(nullptr), nullptr);
        if (reach) {
            SetClassLongPtrA(reach, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(keptProc_));
            DestroyWindow(reach);
        }
    }
    keptProc_ = nullptr;
    classWindow_ = nullptr;
}

void CreateBoldGuiFont(HWND owner) {
    LOGFONTA font{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    g_boldGuiFont = CreateFontIndirectA(&font);
    g_buttonClassHook.Install(owner);
    g_hookActive = true;
}

void ReleaseBoldGuiFont() {
    g_hookActive = false;
    g_buttonClassHook.Remove();
    DeleteGdiObject(reinterpret_cast<HGDIOBJ*>(&g_boldGuiFont));
}

extern "C" LRESULT CALLBACK ButtonClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC kept = g_systemButtonProc;
    if (!kept) return DefWindowProcA(window, message, wParam, lParam);
    if (g_hookActive && message == WM_CREATE && g_boldGuiFont &&
        (GetWindowLongA(window, GWL_STYLE) & 15) == BS_GROUPBOX) {
        LRESULT created = CallWindowProcA(kept, window, message, wParam, lParam);
        // Posted, so it arrives after the dialog has set its own font.
        if (created == 0) PostMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(g_boldGuiFont), TRUE);
        return created;
    }
    return CallWindowProcA(kept, window, message, wParam, lParam);
}
