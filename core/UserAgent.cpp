#include "core/UserAgent.h"

#include <windows.h>

#include "core/MessageBoxes.h"
#include "core/TextRoutines.h"
#include "core/Win32Utilities.h"
#include "resources/CoreStringIds.h"

size_t BuildUserAgent(char* buffer, size_t size) {
    // Both texts are looked up once and kept for the run.
    static char pattern[100];
    static char system[64];
    static bool looked = false;
    if (!looked) {
        LoadStringResource(IDS_USER_AGENT, pattern, sizeof pattern);
        GetWindowsVersionText(system);
        looked = true;
    }
    return FormatUserAgent(pattern, system, buffer, size);
}
