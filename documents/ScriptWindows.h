// What the script host needs of the document windows above it. Scripts name
// a window by its number (the lowest free number from 1) and a frame of it by
// its frame id (-1 for the window's own document). The window layer installs
// its services at start-up; until then (and in tests without windows) every
// answer is the neutral one: no window.
#pragma once
#include <windows.h>

#include <cstdint>

#include "net/UrlHandle.h"

class Document;

class ScriptWindowServices {
public:
    virtual ~ScriptWindowServices() = default;
    // The number of the document window whose view is window, 0 for none.
    virtual int WindowNumber(HWND view) { return 0; }
    // The current document of a window, or null when there is no such window.
    virtual Document* CurrentDocument(int number) { return nullptr; }
    // The window that owns the boxes a script opens (alert, confirm, prompt).
    virtual HWND BoxOwner(int number) { return nullptr; }
    // The window's name for scripts and frames' targets.
    virtual const char* GetName(int number) { return ""; }
    virtual void SetName(int number, const char* name) {}
    // Shown on the status line when the window is the current one.
    virtual void SetStatusText(int number, const char* text) {}
    // Opens url in the window (frameId -1) or in one of its frames; origin
    // is the page that asked.
    virtual void OpenUrl(int number, int32_t frameId, const UrlHandle& url, const UrlHandle& origin) {}
    // The window of that name, opened when there is none (name null or empty:
    // a new window, or the opener itself when windows are reused); it records
    // its opener. 0 when no window could be had.
    virtual int OpenNamedWindow(const char* name, int opener) { return 0; }
    // Resizes the window's frame to width x height pixels.
    virtual void ResizeWindow(int number, int width, int height) {}
    // The window that opened this one by a script, 0 when none did.
    virtual int Opener(int number) { return 0; }
    // Closes the window (only asked for windows a script opened).
    virtual void CloseWindow(int number) {}
    // Moves steps entries in the window's history (negative: back).
    virtual void MoveInHistory(int number, int steps) {}
    // Focus to the next window of the list (the previous one when there is
    // no next one).
    virtual void FocusNextWindow(int number) {}
    // The index-th MIME type and plug-in of the viewer table, null past the end.
    virtual const char* MimeTypeAt(int index) { return nullptr; }
    virtual const char* PluginAt(int index) { return nullptr; }
};

// Installed by the window layer; null restores the neutral services.
void SetScriptWindowServices(ScriptWindowServices* services);
ScriptWindowServices& ScriptWindows();
