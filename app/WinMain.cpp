// Program entry: one instance only, the command line, the objects that must
// exist before the frame window, the frame window itself, the message loop,
// and what is left to close after it.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <shellapi.h>
#include <string>
#include <vector>

#include "app/FrameCommands.h"
#include "app/FrameWindow.h"
#include "app/GlobalObjects.h"
#include "app/MessageLoop.h"
#include "app/SettingsHandOver.h"
#include "app/StartupDialogs.h"
#include "core/AppGlobals.h"
#include "core/CommandLine.h"
#include "core/DelayedMessageQueue.h"
#include "core/InternalMessages.h"
#include "core/MemoryManager.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/StartupSettings.h"
#include "documents/FormControlWindows.h"
#include "html/UrlContentFeed.h"
#include "layout/FormSubmission.h"
#include "layout/UrlImages.h"
#include "mailnews/ComposeWindow.h"
#include "mailnews/MimeFormMessage.h"
#include "net/SocketRegistry.h"
#include "net/Winsock.h"
#include "resources/CoreIds.h"
#include "security/SecureConnections.h"
#include "security/SecurityDialogs.h"
#include "security/SecurityPrompts.h"
#include "windows/BrowsingCommands.h"
#include "windows/ButtonClassHook.h"
#include "windows/TimedMessageBox.h"
#include "windows/ViewMouse.h"
#include "windows/DocumentFrame.h"
#include "windows/WindowList.h"

namespace {

std::vector<std::string> ArgumentWords() {
    std::vector<std::string> words;
    for (int i = 0; i < __argc; ++i) words.emplace_back(__argv[i]);
    return words;
}

// The system may refuse a long queue; take the longest it accepts.
void EnlargeMessageQueue() {
    for (int size = 120; size >= 12; size -= 2)
        if (SetMessageQueue(size)) return;
}

void SetMenuChecks(HWND frame) {
    HMENU menu = GetMenu(frame);
    if (!ShowMenu()) {
        // Kept, so that the menu command can bring it back.
        SetMenu(frame, nullptr);
        DrawMenuBar(frame);
        return;
    }
    if (!menu) return;
    int status = StatusLineMode();
    CheckMenuItem(menu,
                  status == 1 ? CMD_STATUS_TOP
                  : status    ? CMD_STATUS_BOTTOM
                              : CMD_STATUS_OFF,
                  MF_CHECKED);
    int toolbar = ToolbarType();
    CheckMenuItem(menu,
                  toolbar == 0   ? CMD_BUTTON_BAR_OFF
                  : toolbar == 1 ? CMD_BUTTON_BAR_SIMPLE
                                 : CMD_BUTTON_BAR_FULL,
                  MF_CHECKED);
    if (KioskNoChangeButtons) EnableMenuItem(menu, CMD_BUTTON_BAR_OFF, MF_BYCOMMAND | MF_GRAYED);
    DrawMenuBar(frame);
}

// The frame is gone and with it every connection: the registry goes, and
// Winsock is unloaded (nothing blocks any more).
void EndSocketLayer() {
    delete g_socketRegistry;
    g_socketRegistry = nullptr;
    (void)UnloadWinsock();
}

// Ends a start that got as far as the preferences: they are torn down (which
// marks the run as ended) before the program returns.
int EndEarly() {
    EndSocketLayer();
    DestroyMessageBoxes();
    delete g_preferences;
    g_preferences = nullptr;
    delete g_memoryManager;
    g_memoryManager = nullptr;
    return 0;
}

// The lower layers reach the higher ones only through what these install:
// the settings hand-over (preferences to the network layer), the maker of
// https connections (security for URL loading), the page content of
// loaded records (the document side), the decoded images of image
// records (the layout side) and the compose windows of mailto addresses;
// the program's message boxes become the document windows' timed box.
void InstallLayerInterfaces() {
    InstallSettingsHandOver();
    SetTimedMessageBox(ShowMessageBox);
    InstallSecureConnections();
    RegisterSecurityCommands();
    InstallPageContentFactory();
    InstallDocumentWindowServices();
    RegisterDocumentWindowCommands();
    RegisterBrowsingCommands();
    RegisterFrameCommands();
    InitWheelSupport();
    InstallUrlImages();
    InstallFormControlWindows();
    InstallMimeFormEncoder();
    RegisterKeygenTextMaker(&MakeFormKeyText);
    RegisterComposeCommands();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    g_instance = instance;
    // Held until the process ends: a second start finds it and leaves.
    HANDLE running = CreateMutexA(nullptr, TRUE, "Zintu Create");
    if (!running || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    std::vector<std::string> words = ArgumentWords();
    if (IsUninstallRequest(words)) return 0;  // the registry backup comes with the settings

    EnlargeMessageQueue();
    RegisterPanelMessages();
    if (!previous && !RegisterWindowClasses(instance)) return 0;

    CommandLineOptions options;
    if (commandLine && *commandLine && words.size() > 1) options = ParseCommandLine(words);
    ApplyKioskFlags(options);
    StartUrls = options.urls;
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    InstallLayerInterfaces();

    g_preferences =
        new (std::nothrow) Preferences(options.iniFile.empty() ? "zintu.ini" : options.iniFile.c_str());
    g_memoryManager = new (std::nothrow) MemoryManager(0, 0);
    // The socket layer's registry lives as long as the memory manager.
    if (g_memoryManager) g_socketRegistry = new (std::nothrow) SocketRegistry;
    if (ShowSplashScreen()) ShowSplashWindow(1);
    if (g_preferences) {
        g_preferences->LoadAll();
        if (g_memoryManager) {
            g_memoryManager->SetImageBudget(g_preferences->Get(PrefInt::MemoryCacheFigures) * 1000u);
            g_memoryManager->SetDocumentBudget(g_preferences->Get(PrefInt::MemoryCacheDocuments) * 1000u);
        }
    }
    if (!CreateMessageBoxes()) {
        // The box has told the user; without the string table nothing else
        // could be shown.
        CloseSplashWindow();
        return EndEarly();
    }

    if (LastRunEndedUncleanly() && ShowProblemDialog()) {
        CloseSplashWindow();
        ShowProblemSolvingDialog(nullptr);
    }

    // The frame's object lives until the message loop has ended.
    FrameWindow frameWindow;
    HWND frame = frameWindow.Create(instance);
    if (!frame) {
        CloseSplashWindow();
        return EndEarly();
    }
    g_accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(ACCEL_FRAME));
    SetMenuChecks(frame);
    DragAcceptFiles(frame, TRUE);
    ShowWindow(frame, show);
    UpdateWindow(frame);
    RestoreSavedSession(frame, options.noWindow || !StartUrls.empty());
    if (!StartUrls.empty() && g_delayedMessages) g_delayedMessages->Add(frame, kMsgOpenStartUrls, 0, 0, 500);
    WriteRunState(1);
    CreateBoldGuiFont(frame);

    PostMessageA(frame, kMsgStartupFinished, 0, 0);
    int code = RunMessageLoop();
    ReleaseBoldGuiFont();
    EndSocketLayer();
    return code;
}
