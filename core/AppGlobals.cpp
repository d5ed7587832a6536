#include "core/AppGlobals.h"

HINSTANCE g_instance = nullptr;
HWND g_frameWindow = nullptr;
HWND g_mdiClient = nullptr;
HACCEL g_accelerators = nullptr;
UINT g_toolbarMessage = 0;
UINT g_helpMessage = 0;

void RegisterPanelMessages() {
    g_toolbarMessage = RegisterWindowMessageA("ZUVToolbarMessage");
    g_helpMessage = RegisterWindowMessageA("ZUVHelpMessage");
}
