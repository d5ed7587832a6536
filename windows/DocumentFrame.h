// The document frame: class "ZUV_ObjWin", the MDI child of the main frame's
// MDI client that carries a document window's caption, bars and view, takes
// dropped files and passes its commands on. Also the window arrangement
// commands (cascade, tile, arrange icons) and view source.
#pragma once
#include <windows.h>

#include <shellapi.h>

ATOM RegisterDocumentFrameClass(HINSTANCE instance);
// Registers the frame and the view classes; false when either failed.
bool RegisterDocumentWindowClasses(HINSTANCE instance);
// Registers the handlers of the commands these windows carry out.
void RegisterDocumentWindowCommands();

// Makes a whole document window (frame, view, its object in the window
// list) and answers its id, or null. setIdle: the window starts idle;
// autoTile: tile the windows after it when AUTO TILE is on; show: visible.
HWND CreateDocumentWindow(bool setIdle, bool autoTile, bool show);
LRESULT CALLBACK DocumentFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);

// The most windows one drop of files opens.
constexpr int kMaxDroppedWindows = 30;
// Opens dropped files: the first in this window when it is idle, the rest
// (at most 30 windows) in new windows. Answers how many windows it opened.
int OpenDroppedFiles(HWND frame, HDROP drop);

void CmdTileWindows();
// View source of the active window (of its active frame in a frame set);
// false when the viewer could not start.
bool ViewSourceOfActiveWindow();
