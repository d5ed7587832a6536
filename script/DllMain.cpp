// Entry point of ZNTJS32.dll. The engine keeps no per-thread state, so the
// library ignores thread notifications.
#include <windows.h>

void UseSystemLocalTime();  // LocalTimeWin32.cpp

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        // Dates follow the system's time zone, not the C library's reading of TZ.
        UseSystemLocalTime();
    }
    return TRUE;
}
