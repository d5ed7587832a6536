#include "core/Session.h"

#include <string>

#include "core/CommandLine.h"
#include "core/DelayedMessageQueue.h"
#include "core/InternalMessages.h"
#include "core/MruList.h"
#include "core/Preferences.h"
#include "core/StartupSettings.h"
#include "core/TextFile.h"

namespace {

WindowSetKeeper* g_windowSetKeeper = nullptr;

constexpr uint32_t kStartupTypeStartUrls = 2;
constexpr DWORD kStartUrlsDelayMs = 500;

void ApplyFramePlacement(HWND frame) {
    if (!frame || !g_preferences) return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    int show = SW_SHOWNORMAL;
    g_preferences->ReadWindowPlacement(&placement.rcNormalPosition, &show, KioskFullScreen != 0);
    placement.showCmd = static_cast<UINT>(show);
    SetWindowPlacement(frame, &placement);
}

void LoadList(MruList* list, PrefText file) {
    const char* path = g_preferences->Get(file);
    if (!list || !path || !*path) return;
    TextFile text(path, "r", TextFileShare::DenyWrite);
    if (text.IsOpen()) list->LoadFrom(text);
}

void SaveList(const MruList* list, PrefText file) {
    const char* path = g_preferences->Get(file);
    if (!list || !path || !*path) return;
    std::string fresh = std::string(path) + ".new";
    bool written;
    {
        TextFile text(fresh.c_str(), "w", TextFileShare::DenyReadWrite);
        written = text.IsOpen() && list->SaveTo(text);
        written = text.Close() && written;
    }
    if (written && MoveFileExA(fresh.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return;
    DeleteFileA(fresh.c_str());
}

}  // namespace

void SetWindowSetKeeper(WindowSetKeeper* keeper) {
    g_windowSetKeeper = keeper;
}

void RestoreSession(HWND frame, bool noWindows, MruList* typedAddresses, MruList* history) {
    if (!g_preferences) return;
    bool windowSet = false;
    if (!noWindows && LoadDocumentsAtStartup()) {
        if (static_cast<uint32_t>(g_preferences->Get(PrefInt::StartupType)) == kStartupTypeStartUrls) {
            ApplyFramePlacement(frame);
            if (g_delayedMessages)
                g_delayedMessages->Add(frame, kMsgOpenStartUrls, kStartupTypeStartUrls, 0, kStartUrlsDelayMs);
            windowSet = true;
        } else if (g_windowSetKeeper) {
            g_windowSetKeeper->RestoreWindowSet(g_preferences->Get(PrefText::WindowsStorageFile));
            windowSet = true;
        }
    }
    if (!windowSet) ApplyFramePlacement(frame);
    LoadList(typedAddresses, PrefText::DirectHistoryFile);
    LoadList(history, PrefText::GlobalHistoryFile);
}

void SaveSession(const MruList* typedAddresses, const MruList* history) {
    if (!g_preferences) return;
    if (g_preferences->Get(PrefInt::SaveWindows) && g_windowSetKeeper)
        g_windowSetKeeper->SaveWindowSet(g_preferences->Get(PrefText::WindowsStorageFile));
    SaveList(typedAddresses, PrefText::DirectHistoryFile);
    SaveList(history, PrefText::GlobalHistoryFile);
}
