// The document windows as page scripts see them: the window list answers
// the script host's questions (ScriptWindowServices) by window number.
//
// What a script asks a window to open is not opened inside the script: the
// window keeps it as its pending URL and is posted kMsgOpenScriptTarget, so
// that the page whose script asked is never replaced while its script runs.
// Moves in the history go the same way (kMsgScriptHistoryMove).
#pragma once
#include <windows.h>

#include <cstdint>

#include "documents/ScriptWindows.h"

class ScriptWindowList : public ScriptWindowServices {
public:
    int WindowNumber(HWND view) override;
    Document* CurrentDocument(int number) override;
    HWND BoxOwner(int number) override;
    const char* GetName(int number) override;
    void SetName(int number, const char* name) override;
    void SetStatusText(int number, const char* text) override;
    void OpenUrl(int number, int32_t frameId, const UrlHandle& url, const UrlHandle& origin) override;
    int OpenNamedWindow(const char* name, int opener) override;
    void ResizeWindow(int number, int width, int height) override;
    int Opener(int number) override;
    void CloseWindow(int number) override;
    void MoveInHistory(int number, int steps) override;
    void FocusNextWindow(int number) override;
};

// Installed by the application at start-up (services: its own subclass, or
// null for the plain list); Remove restores the neutral answers.
void InstallScriptWindowServices(ScriptWindowList* services);
void RemoveScriptWindowServices();

// A view's answers to the two messages above: true when the message was
// the script's (its tag matched) and was acted on.
bool OpenScriptTarget(HWND view, uint32_t urlId);
bool MoveInHistoryForScript(HWND view, WPARAM steps, LPARAM tag);

// Runs a javascript: URL in the page the window shows (the active frame's
// when the page is a frame set); false when the window shows no page.
bool RunScriptUrlInWindow(HWND view, int32_t frameId, const UrlHandle& url);
