#include <windows.h>

#include "core/MessageBoxes.h"
#include "security/CryptoLibrary.h"
#include "security/SecurityStrings.h"

static const char kCryptoLibraryName[] = "ZNCRY32.DLL";

static HMODULE g_library = nullptr;

using VersionFunction = uint32_t (*)();
using TableFunction = CryptoSlotTable (*)();

// The warning names the missing file; before the message boxes exist (tests,
// early start-up) nothing is shown.
static void WarnMissingLibrary() {
    if (g_messageBoxes) g_messageBoxes->ShowError(nullptr, IDS_SECURITY_NO_CRYPTO_LIBRARY, nullptr, kCryptoLibraryName);
}

int LoadCryptoLibrary() {
    if (crypto::Table()) return 1;
    HMODULE library = LoadLibraryA(kCryptoLibraryName);
    if (reinterpret_cast<UINT_PTR>(library) <= 32) {
        WarnMissingLibrary();
        return 0;
    }
    auto version = reinterpret_cast<VersionFunction>(GetProcAddress(library, "ZNCRY_DLL_version"));
    auto table = reinterpret_cast<TableFunction>(GetProcAddress(library, "ZNCRY_DLL_jump_table"));
    CryptoSlotTable slots = version && version() == kCryptoLibraryVersion && table ? table() : nullptr;
    if (!slots) {
        FreeLibrary(library);
        return 0;
    }
    g_library = library;
    crypto::SetTable(slots);
    return 1;
}

void UnloadCryptoLibrary() {
    crypto::SetTable(nullptr);
    if (g_library) FreeLibrary(g_library);
    g_library = nullptr;
}
