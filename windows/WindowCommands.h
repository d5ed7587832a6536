// Commands that act on a document window (the active one, or the one a bar
// or a menu belongs to): reload, home pages, stop, the link commands of the
// link menus, the program's own pages, full screen and the menu bar, and the
// keys the message loop offers before anything else sees them.
#pragma once
#include <windows.h>

// The document window a command acts on: the view or document frame it
// was given (a context menu's, a bar's), else the active window; null when
// there is none.
HWND CommandTargetWindow(HWND window);

// Loads the window's current document again from its server (no copy and
// no conditional request). 0 when the window shows nothing.
int ReloadWindow(HWND view);

// The window's own home page, else [USER PREFS] HOME URL, opened in the
// window (a new one when there is no window and newWindow is set). Without
// force nothing happens when the window already shows it. Without any home
// page the user is told. Answers the window that loads, or null.
HWND GoHome(HWND view, bool force, bool newWindow);

// Searches the active document (a frame set's active frame) for the text
// from where the last search stopped, with the find dialog's FR_DOWN,
// FR_MATCHCASE and FR_WHOLEWORD flags. A match is selected and scrolled
// into view; without one the user is told. True when found.
bool FindInActiveDocument(const char* text, DWORD flags);

// Switches the frame between its own placement and one whose client area
// covers the screen (its border and caption beyond the edges). Nothing
// changes while full screen is locked ("/NoChangeFullScreen", kiosk mode).
void ToggleFullScreen(bool on);
bool IsFullScreen();
// Shows or hides the frame's menu bar (the menu is kept while hidden).
void ToggleMenuBar(bool show);

// The keys of the program that act before the focus window sees them (F7,
// F8, F9, Ctrl+F11, Shift+F2); true when the key was taken.
bool HandleShortcutKey(const MSG& message);

// The keyboard's link moves of a view (pane: the frame's pane in a frame
// set, else the view): the next (previous) link is marked and scrolled into
// view, and its address shown on the status line, in the window's status
// and link texts and, with [USER PREFS] POPUP LINK ADDRESS on, in the hint.
// Without a link the texts are cleared and the hint hidden. News lists and
// groups show no address.
void MoveToLink(HWND view, HWND pane, bool forward);
// Enter on a view: the marked link opened in its target (a new window with
// newWindow), the page's address as referrer.
void ActivateCurrentElement(HWND view, HWND pane, bool newWindow);

// Registers the handlers of these commands with the dispatcher.
void RegisterWindowCommands();
