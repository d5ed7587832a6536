// The commands of frame sets: reloading the active frame, moving the active
// frame on, and the "Frame" submenu's copy of the frame's address, which
// act on the frame's own document.
#pragma once
#include <windows.h>

class Document;

// The document a frame command of the window acts on: the active frame's
// when the window shows a frame set with one, else the window's current
// document; null when it shows nothing.
Document* FrameDocument(HWND view);

// Loads the active frame's document of the window's frame set again from
// its server, into that frame only. 0 when the window shows no frame set
// or none of its frames is active.
int ReloadActiveFrame(HWND view);

// The next frame (the previous one when backwards) of the window's frame
// set becomes the active one: the keys and frame commands act on it.
// False when the window shows no frame set.
bool NextFrame(HWND view, bool backwards);

// Registers the handlers of these commands with the dispatcher.
void RegisterFrameSetCommands();
