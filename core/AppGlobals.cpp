#include "core/AppGlobals.h"

HINSTANCE g_instance = nullptr;
HWND g_frameWindow = nullptr;
HWND g_mdiClient = nullptr;
HACCEL g_accelerators = nullptr;
HCURSOR g_arrowCursor = nullptr;
HCURSOR g_waitCursor = nullptr;
HCURSOR g_selectCursor = nullptr;
UINT g_toolbarMessage = 0;
UINT g_helpMessage = 0;

void RegisterPanelMessages() {
    g_toolbarMessage = RegisterWindowMessageA("ZUVToolbarMessage");
    g_helpMessage = RegisterWindowMessageA("ZUVHelpMessage");
}
