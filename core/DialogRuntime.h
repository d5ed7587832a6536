// The run-time shared by every window and dialog of the program: the common
// front of window and dialog procedures (context help, the panel-kind query,
// control colours), windows built from panels of dialog templates, 3-D
// buttons, control fonts and brushes, the registered modeless dialogs, and
// message boxes from the string table.
#pragma once
#include <windows.h>

// Kinds of child panels, answered to "ZUVToolbarMessage" through lParam.
enum PanelKind {
    PanelNone = 0,
    PanelTopBar = 1,
    PanelBottomBar = 2,
    PanelLeft = 3,
    PanelRight = 4,
    PanelClient = 5,
};

// Colour flags of DialogProcFront: give static texts, buttons and the dialog
// itself the light-grey background. Dialogs that paint their own colours
// (the splash) pass 0.
constexpr int DialogGreyControls = 1;

// Every window procedure starts with this; answers TRUE with *result set when
// it handled the message (help mode, help requests).
BOOL WindowProcFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int helpContext,
                     LRESULT* result);
// Every dialog procedure starts with this: answers the panel-kind query,
// colours the controls, then acts as WindowProcFront. A handled message's
// dialog result is in *result (and in DWLP_MSGRESULT where that matters).
BOOL DialogProcFront(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, int panelKind, int helpContext,
                     LRESULT* result, int colourFlags = DialogGreyControls);
// DefFrameProc for the frame, DefMDIChildProc for MDI children, else
// DefWindowProc.
LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The kind a window answers to the panel-kind query (PanelNone for others).
int QueryPanelKind(HWND window);
// Makes a panel of the given kind from a dialog template as a child of the
// parent (the frame when parentIsFrame), replacing an existing child of that
// kind. message is the message the caller is handling (WM_COMMAND refits the
// parent to its client panel). Answers the panel or null.
HWND CreatePanelFromTemplate(const char* templateName, HWND parent, UINT message, DLGPROC procedure,
                             LPARAM parameter, int kind, bool parentIsFrame = false);
struct PanelMargins {
    int left = 0, top = 0, right = 0, bottom = 0;
};
// Thickness of the bars (heights) and side panels (widths) of a window.
PanelMargins MeasurePanels(HWND window);
// The WM_SIZE step of windows built from panels. Answers 1, or 0 for size
// types other than SIZE_RESTORED and SIZE_MAXIMIZED.
int LayoutChildPanels(HWND window, UINT message, WPARAM sizeType, int width, int height,
                      bool barsSpanFullWidth);
void FitWindowToPanel(HWND window, HWND panel);
void FocusClientPanel(HWND window);
void FocusActivePanel(HWND window);

BOOL SetControlFont(HWND dialog, int controlId, int height, int width, int escapement, int orientation,
                    int weight, DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                    DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                    const char* face);
BOOL ReleaseControlFont(HWND dialog, int controlId);
BOOL ReleaseWindowBrush(HWND window);
HBRUSH ControlColor(HWND control, HDC dc);
HBRUSH StockOrPanelBrush(HWND window, int stockObject);
HBRUSH LightGreyBrush();
int MdiClientCommand(HWND window, UINT message);

// A message box with string-table text id (0: empty), the appended text after
// one space when the whole stays within 200 characters, caption "Zintu".
int ShowStringMessage(HWND owner, UINT stringId, const char* appended, UINT style);
// Shows "Cannot create dialog box" with the template name.
void ReportDialogFailure(const char* templateName);

// Help: kind 1 shows the page of a help context, kind 3 the index.
void OpenHelpTopic(HWND window, int kind, int helpContext);
// The help context of a menu command; for others posts "ZUVHelpMessage" to
// the window and answers 0.
int MapCommandHelp(HWND window, int commandId);
// The help viewer installs how a page is shown (none: pages are not shown).
using HelpPageOpener = void (*)(HWND window, const char* page);
void SetHelpPageOpener(HelpPageOpener opener);
// The message loop's F1 and Shift+F1 step; never takes the message.
void HandleHelpKeys(const MSG& message);
bool InHelpMode();

BOOL RegisterModelessDialog(HWND dialog);
BOOL UnregisterModelessDialog(HWND dialog);
BOOL RegisteredDialogMessage(MSG* message);

// Draws an owner-drawn button with 3-D edges and the image that fits its
// state (bitmap resource names; null for none). iconImages: the names are
// icon resources.
BOOL DrawButton3D(const DRAWITEMSTRUCT* item, const char* normal, const char* disabled, const char* pressed,
                  const char* focused, int flags);
constexpr int Button3DIconImages = 1;
// The WM_DRAWITEM step of dialog procedures: buttons titled "WMP3DBUTTON".
BOOL HandleDraw3dButton(const DRAWITEMSTRUCT* item);
BOOL BlitBitmap(HDC dc, const char* bitmapName, int x, int y, int width, int height, DWORD rop, int flag);
