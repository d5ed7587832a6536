// What happens to a loaded document, as the viewer table decides: twice per
// document, when it starts to arrive (HandleDocumentStart) and once it has
// loaded (HandleLoadedDocument). Platform-free: the document windows and the
// system (programs, the shell, the "Unknown type" dialog) are reached
// through the two interfaces below, which the layers that own them register.
//
// Call order: the document windows register their ViewerWindows at start-up
// and unregister it (null) before they go; the settings subsystem registers
// its ViewerSystem. A decision made without a registered interface does
// nothing beyond storing nothing.
#pragma once

#include <cstdint>
#include <string>

#include "net/UrlHandle.h"

class UrlRecord;
class ViewerTable;

// A document window, named by its view window's handle as a number.
using ViewerWindow = uintptr_t;

// The document windows' part (the window list keeps these per window).
class ViewerWindows {
public:
    virtual ~ViewerWindows() = default;
    // The pending action (-1: not decided yet) and its handler (program or
    // plug-in path); 0 and "" for a window that does not exist.
    virtual int PendingAction(ViewerWindow window) = 0;
    virtual void SetPendingAction(ViewerWindow window, int action) = 0;
    virtual std::string PendingHandler(ViewerWindow window) = 0;
    virtual void SetPendingHandler(ViewerWindow window, const std::string& handler) = 0;
    // True also for a window that does not exist.
    virtual bool IsSaving(ViewerWindow window) = 0;
    virtual void SetSaving(ViewerWindow window, bool saving) = 0;
    // File > Save As for the window's document.
    virtual void SaveDocumentAs(ViewerWindow window) = 0;
    // Shows the URL in the window: its history entry when it has one, else
    // a new document (replacing the current one).
    virtual void ShowInWindow(ViewerWindow window, const UrlHandle& url, bool withPlugin) = 0;
    // Plays a sound file in the window's document view.
    virtual void PlaySound(ViewerWindow window, const std::string& path, bool midi) = 0;
    virtual void SetLoadFinished(ViewerWindow window) = 0;
    // Stops the window's loading (asks first for a download).
    virtual void StopLoad(ViewerWindow window) = 0;
    // The global table was replaced ("Associate" OK): every window is told,
    // and a decision taken from the old table and not yet carried out is
    // taken again from the new one.
    virtual void ViewerTableReplaced() = 0;
};

// Programs, the shell and the "Unknown type" dialog.
class ViewerSystem {
public:
    virtual ~ViewerSystem() = default;
    // Starts the program with the argument; false when it could not start
    // (the user has been told).
    virtual bool RunProgram(const std::string& program, const std::string& argument) = 0;
    // Opens the file with its registered application.
    virtual bool ShellOpen(const std::string& path) = 0;
    virtual void OpenUnknownTypeDialog(ViewerWindow window, const UrlHandle& url) = 0;
};

void SetViewerWindows(ViewerWindows* windows);
ViewerWindows* GetViewerWindows();
void SetViewerSystem(ViewerSystem* system);
ViewerSystem* GetViewerSystem();

struct ViewerChoice {
    int action = -1;
    std::string handler;  // the program, or for action 6 the plug-in path
};

// The entry's action and handler for a URL, without a window. A server's
// "text/plain" or "application/octet-stream" is overruled by a known file
// extension unless the user trusts server types.
ViewerChoice LookupViewerForUrl(const ViewerTable& table, const UrlRecord& url);

void HandleDocumentStart(ViewerTable& table, ViewerWindow window, const UrlHandle& url);
void HandleLoadedDocument(ViewerTable& table, ViewerWindow window, const UrlHandle& url);
void ShowDocument(ViewerWindow window, const UrlHandle& url, bool withPlugin);

// The argument that action 3 hands the program for the local file: the
// bare name followed by ",HD" (media mark 1) or ",CD" (2), else the path.
std::string ProgramArgument(const std::string& localFile, int mediaMark);
