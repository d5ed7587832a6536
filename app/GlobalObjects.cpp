#include "app/GlobalObjects.h"

#include <clocale>
#include <cstring>
#include <memory>
#include <new>

#include "app/DocumentViewers.h"
#include "app/FrameWindow.h"
#include "app/SettingsHandOver.h"
#include "core/AppGlobals.h"
#include "core/DelayedMessageQueue.h"
#include "core/ListNode.h"
#include "core/MemoryManager.h"
#include "core/MessageBoxes.h"
#include "core/MessageHandler.h"
#include "core/MruList.h"
#include "core/Preferences.h"
#include "core/Session.h"
#include "documents/ScriptHost.h"
#include "layout/AnimationClockWin32.h"
#include "layout/BuiltInPicturesWin32.h"
#include "layout/DisplayPaletteWin32.h"
#include "layout/JpegLibrary.h"
#include "layout/SystemFonts.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"
#include "net/Winsock.h"
#include "settings/Hotlist.h"
#include "settings/ViewerSystemWin32.h"
#include "settings/ViewerTable.h"
#include "settings/ViewerTableIni.h"
#include "windows/OpenUrlDialog.h"
#include "windows/ScriptWindowList.h"
#include "windows/WindowList.h"

MruList* g_typedUrls = nullptr;
extern NodeList* g_progressList;

namespace {

// The owner of every URL record and of the disk cache (UrlRegistry::Instance
// reaches it).
UrlRegistry* g_urlRegistry = nullptr;

template <typename T>
void Free(T*& object) {
    delete object;
    object = nullptr;
}

// Programs, the shell and the "Unknown type" dialog for the viewer decisions.
Win32ViewerSystem g_viewerSystem;

// Loads the script engine on a page's first script; scripts reach the
// windows through the list, and the navigator's MIME types come from the
// viewer table.
ScriptHost* g_scriptHost = nullptr;
class ProgramScriptWindows : public ScriptWindowList {
public:
    const char* MimeTypeAt(int index) override {
        ViewerTable* table = GetViewerTable();
        return table && index >= 0 ? table->MimeTypeAt(static_cast<unsigned>(index)) : nullptr;
    }
};
ProgramScriptWindows g_scriptWindows;

// Clearing deletes the entries, and with them their windows.
void FreeProgressList() {
    if (!g_progressList) return;
    while (ListNode* n = g_progressList->First()) {
        n->Remove();
        delete n;
    }
    Free(g_progressList);
}

// The font table on the display's fonts, its generic families bound to the
// faces the settings name.
void CreateFontTable() {
    const char* generic[FontTable::kGenericCount] = {};
    if (g_preferences) {
        generic[0] = g_preferences->Get(PrefText::CssSerif);
        generic[1] = g_preferences->Get(PrefText::CssSansSerif);
        generic[2] = g_preferences->Get(PrefText::CssCursive);
        generic[3] = g_preferences->Get(PrefText::CssFantasy);
        generic[4] = g_preferences->Get(PrefText::CssMonospace);
    }
    FontTable* table = CreateScreenFontTable(generic, 20);
    if (table && g_preferences) FillFontTable(*table, *g_preferences);
}

}  // namespace

// The order is fixed: later objects may use earlier ones while they are
// made, and the frame's users rely on each being null until made. Objects of
// subsystems still to come take their places in this order: the script
// host, the plug-in library list and manager before the URL registry; the
// window list, the help viewer and the tokenizer tables after the font
// table and before the hotlist; the viewer table after the history list;
// the news manager and the text-style records after the delayed-message
// queue; the transfer-window class last.
void CreateGlobalObjects(HWND frame) {
    // Character classes (letters of the user's language in names and
    // searches) follow the user's settings, not the "C" default.
    std::setlocale(LC_CTYPE, "");
    // Every window and image painting selects the display palette, so it
    // comes first; the document colours are the settings'.
    if (g_preferences) {
        CreateDisplayPalette(g_preferences->GetBackgroundColor(), g_preferences->GetLinkColor(),
                             g_preferences->GetVisitedLinkColor());
    } else {
        CreateDisplayPalette(RGB(255, 255, 255), RGB(0, 0, 255), RGB(0, 0, 128));
    }
    g_scriptHost = new (std::nothrow) ScriptHost;
    InstallScriptWindowServices(&g_scriptWindows);
    g_urlRegistry = new (std::nothrow) UrlRegistry(GetUrlSettings());
    // Past a budget the memory manager asks the registry to drop the data of
    // records nobody uses.
    if (g_memoryManager) g_memoryManager->SetUrlReleaser(g_urlRegistry);
    int typed = g_preferences ? g_preferences->Get(PrefInt::MaxDirectHistoryLines) : 0;
    g_typedUrls = new (std::nothrow) MruList(typed);
    SetTypedAddresses(g_typedUrls);
    g_mainHandler = new (std::nothrow) MessageHandler(frame);
    CreateFontTable();
    g_windowList = new (std::nothrow) WindowList;
    // The hotlist's file is read now; the windows find nicknames and mark
    // visits in it from here on.
    CreateHotlist(g_preferences ? g_preferences->Get(PrefText::HotListFile) : nullptr);
    // The viewer table from the ini files, the built-in rows and the plug-in
    // scan; a file without [FILE TYPES] gets the table written.
    if (g_preferences) {
        std::unique_ptr<ViewerTable> viewers = LoadViewerTable(*g_preferences);
        if (ReadWholeFileTypesSection(*g_preferences, g_preferences->IniPath()).empty())
            SaveViewerTable(*viewers, *g_preferences);
        AdoptViewerTable(std::move(viewers));
    }
    SetViewerSystem(&g_viewerSystem);
    // Every document a window loads goes where the viewer table says.
    InstallDocumentViewers();
    g_progressList = new (std::nothrow) NodeList;
    g_delayedMessages = new (std::nothrow) DelayedMessageQueue(frame);
    // Animated images post their next frames through the delayed queue.
    if (g_delayedMessages) InstallAnimationClock();
    InstallBuiltInPictures();
    SetTimer(frame, FrameTimerId, 100, nullptr);
    if (g_preferences) LoadUserStyleSheet(*g_preferences);
}

void RestoreSavedSession(HWND frame, bool noWindows) {
    RestoreSession(frame, noWindows, g_typedUrls, nullptr);
}

void DestroyGlobalObjects(HWND frame) {
    KillTimer(frame, FrameTimerId);
    // What the next run restores, while the windows and lists are there.
    SaveSession(g_typedUrls, nullptr);
    // The document windows go first: their documents hold URL records,
    // images and fonts that are freed below. Their views, destroyed after
    // the frame, find no list and leave it alone.
    RemoveDocumentViewers();
    Free(g_windowList);
    // Every change was written when it was made.
    DestroyHotlist();
    // The pages have let their script objects go: the engine may go too.
    Free(g_scriptHost);
    RemoveScriptWindowServices();
    SetTypedAddresses(nullptr);
    Free(g_typedUrls);
    SetViewerSystem(nullptr);
    AdoptViewerTable(nullptr);
    DestroyMessageBoxes();
    if (g_selectCursor) DestroyCursor(g_selectCursor);
    g_selectCursor = nullptr;
    FreeUserStyleSheet();
    if (g_memoryManager) g_memoryManager->SetUrlReleaser(nullptr);
    Free(g_urlRegistry);  // writes the cache index and the visited links
    FreeProgressList();
    DestroyScreenFontTable();
    Free(g_mainHandler);
    RemoveAnimationClock();
    RemoveBuiltInPictures();
    Free(g_delayedMessages);
    DestroyDisplayPalette();
    // Tearing the preferences down marks the run as ended cleanly.
    Free(g_preferences);
    Free(g_memoryManager);
    // After the images that may still hold its decoders.
    UnloadJpegLibrary();
    // A blocking call is cancelled rather than waited for: the process ends.
    if (!UnloadWinsock()) CancelBlockingSocketCall();
}
