// A DLL that is nothing but its version block: what the plug-ins page reads.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
