// The view of a document window: class "ZUV_MDICHILD", a child of the
// document frame that shows the window's current document. Its handle is
// the window's id. It paints through the document, scrolls with the scroll
// unit (scroll-bar positions stay below 32768), takes the keyboard map and
// zooms. It keeps no state of its own: everything is in the window's
// DocumentWindow, reached through the window list.
#pragma once
#include <windows.h>

#include <cstdint>

class Document;

// The zoom message: an absolute scale in the low word when the high word is
// set, else a signed relative step (see view_math::RelativeZoom).
constexpr UINT kMsgZoom = 0x9002;
// Scrolls the view vertically by wParam layout units.
constexpr UINT kMsgScrollBy = 0x9004;
constexpr int kViewHelpContext = 20081;

ATOM RegisterViewClass(HINSTANCE instance);
// The view inside a document frame; null after telling the user.
HWND CreateViewWindow(HWND parent);
LRESULT CALLBACK DocumentViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The scroll routines; frameMode: window is a pane of a frame set, whose
// parent is the view.
LRESULT ScrollViewVertically(HWND window, UINT message, WPARAM request, LPARAM amount, bool frameMode);
LRESULT ScrollViewHorizontally(HWND window, UINT message, WPARAM request, LPARAM amount, bool frameMode);
void ScrollViewByPixels(HWND window, bool frameMode, int32_t amount);
int32_t ComputeScrollUnit(HWND window, int32_t contentHeight, int scale);
// Sets a view's scroll ranges and positions from the document's extent and
// the window's scale, and stores the window's scroll unit.
void UpdateScrollBars(HWND view, Document* document);
// A frame pane's message that its view answers (the pane's parent is the
// view): the mouse, the wheel, its context menu's commands, its scroll
// bars. True when taken, with the result.
bool HandleFramePaneMessage(HWND pane, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
// The view's window becomes the active one (MDI activation of its frame).
void OnViewActivate(HWND view);
// Whether the last view that failed to be made failed for want of its
// window's objects (the caller reports that as out of memory).
bool ViewFailedForWant();
// The key map of a view (also taken by its frame for keys it gets).
LRESULT OnViewKeyDown(HWND window, WPARAM key, LPARAM lParam);
