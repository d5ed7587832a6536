// Window-system state of the running program, set during start-up and read
// everywhere: the instance, the frame window and its MDI client, the frame's
// accelerators and the two registered messages of the panel scheme.
#pragma once
#include <windows.h>

extern HINSTANCE g_instance;
extern HWND g_frameWindow;  // class "BLDZINTU"; null until created
extern HWND g_mdiClient;    // the frame's MDI client; null until created
extern HACCEL g_accelerators;
// Loaded when the frame is made: the arrow and hour-glass of the system and
// our "SELECT" cursor for text selection.
extern HCURSOR g_arrowCursor;
extern HCURSOR g_waitCursor;
extern HCURSOR g_selectCursor;
extern UINT g_toolbarMessage;  // "ZUVToolbarMessage": asks a panel its kind
extern UINT g_helpMessage;     // "ZUVHelpMessage": asks a window for its help page

// Registers the two messages above (start-up does it once; tests may too).
void RegisterPanelMessages();
