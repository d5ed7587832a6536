// The mouse and the wheel in a document view ("ZUV_MDICHILD", and a pane
// "FRAMES" of a frame set in frame mode): links followed into their target
// windows, the status text of the link under the mouse, text selection with
// auto-scrolling past the edges, frame-border dragging, the context menus,
// the notifications of the page's form controls, panning with the middle
// button, and the wheel (scrolling, Ctrl: zoom, Shift: history).
#pragma once
#include <windows.h>

#include "net/UrlHandle.h"

class Document;
class HtmlElement;

// Posted by the panning timer to the panned window: one panning step.
constexpr UINT kMsgPanStep = 0x9003;
// The selection's auto-scroll timer of a view.
constexpr UINT_PTR kSelectionTimer = 100;

// The document a window of the view shows: the owner's current document,
// or in a frame set the frame's whose pane the window is.
Document* WindowDocument(HWND owner, HWND window);
// Opens a URL chosen in the document (a link, a form's answer) in its
// target window: the window chosen for this one's links, else the named
// window, else the window itself.
HWND OpenLinkInTarget(const UrlHandle& url, HWND window, Document* document, int target, const char* targetName);
// The link's address ("url#fragment" with a fragment) on the window's
// status and link texts.
void ShowLinkStatus(HWND window, const char* url, const char* fragment);

// The view's handling of a mouse, wheel, timer or control message; true
// when the message was taken (its result in *result). frameMode: window
// is a pane of a frame set, whose parent is the view.
bool HandleViewMouseMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool frameMode,
                            LRESULT* result);

// A WM_COMMAND the command dispatcher did not take: a form control's
// notification (or Enter in a field); true when it was one.
bool HandleViewControlCommand(HWND window, WPARAM wParam, LPARAM lParam, bool frameMode);

// The image and background commands of the context menus (copy, save,
// load the image; reload, copy, save the background, copy its address).
void RegisterViewMouseCommands();
// The document the last context menu was opened on (a frame's in a frame
// set) and its window, while the window (and the frame) still shows what
// it showed then; else null.
Document* ContextMenuDocument(HWND* owner);
// The link element the last context menu was opened on, while its page is
// still shown; else null.
HtmlElement* ContextMenuLink();

// Panning with the middle button.
void StopPanning();
HWND PannedWindow();
// Scrolls amount layout units in steps as fast as the measured speed says.
void SmoothScroll(HWND window, int amount, double* speed, double maxStep, bool frameMode);

// The wheel: set up at start-up (which message a wheel roll arrives as and
// how many lines a notch scrolls).
void InitWheelSupport();
UINT WheelRollMessage();
int WheelScrollLines();
// The message loop's: a roll goes to the window under the mouse (and a
// driver's roll becomes WM_MOUSEWHEEL). True when the message is a roll.
bool TranslateDriverWheelMessage(MSG* message);
// The wheel for windows without handling of their own: posts line scrolls.
// 0 with a key held.
LRESULT ScrollWindowByWheel(HWND window, UINT message, WPARAM wParam);
