#include "windows/DocumentView.h"

#include <algorithm>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"
#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FrameTree.h"
#include "documents/HtmlDocument.h"
#include "layout/DisplayPaletteWin32.h"
#include "layout/PaintDevice.h"
#include "resources/CoreIds.h"
#include "windows/AuthenticationDialog.h"
#include "windows/LoadNotices.h"
#include "windows/FrameSetCommands.h"
#include "windows/Navigation.h"
#include "windows/OpenUrl.h"
#include "windows/ScriptWindowList.h"
#include "windows/ViewArithmetic.h"
#include "windows/ViewMouse.h"
#include "windows/WindowCommands.h"
#include "windows/WindowList.h"

namespace {

constexpr const char* kViewClass = "ZUV_MDICHILD";
bool g_failedForWant = false;

bool KeyDown(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

Document* CurrentDocumentOf(HWND view) {
    DocumentList* list = g_windowList ? g_windowList->GetDocumentList(view) : nullptr;
    return list ? list->GetCurrentDocument() : nullptr;
}

// The document a scroll acts on: the view's, or in frame mode the frame's
// whose pane the window is.
Document* ScrolledDocument(HWND window, bool frameMode, HWND* owner) {
    *owner = frameMode ? GetParent(window) : window;
    Document* document = CurrentDocumentOf(*owner);
    if (frameMode && document && document->HasFrames() && document->GetKind() == kDocHtml) {
        FrameNode* frame = static_cast<HtmlDocument*>(document)->FindFrameByWindow(window);
        document = frame ? frame->CurrentDocument() : nullptr;
    }
    return document;
}

int32_t ClientExtent(HWND window, bool vertical) {
    RECT client = {};
    GetClientRect(window, &client);
    return vertical ? client.bottom : client.right;
}

// Scrolls the pixels of the view by the layout distance with the DC at one
// to one (the window's own DC keeps the view's scale otherwise).
void MoveContent(HWND window, int32_t deltaUnits, int scale, bool vertical) {
    HDC dc = GetDC(window);
    if (dc) {
        SetWindowExtEx(dc, 100, 100, nullptr);
        SetViewportExtEx(dc, 100, 100, nullptr);
    }
    int32_t pixels = view_math::ScrollPixels(deltaUnits, scale);
    ScrollWindow(window, vertical ? 0 : pixels, vertical ? pixels : 0, nullptr, nullptr);
    if (dc) {
        SetViewportExtEx(dc, scale, scale, nullptr);
        ReleaseDC(window, dc);
    }
    UpdateWindow(window);
}

void InvalidateEdgeStrip(HWND window, bool vertical, bool leadingEdge) {
    RECT client = {};
    GetClientRect(window, &client);
    RECT strip = client;
    if (vertical) {
        if (leadingEdge) strip.bottom = std::min<LONG>(client.top + 2, client.bottom);
        else strip.top = std::max<LONG>(client.bottom - 2, client.top);
    } else {
        if (leadingEdge) strip.right = std::min<LONG>(client.left + 2, client.right);
        else strip.left = std::max<LONG>(client.right - 2, client.left);
    }
    InvalidateRect(window, &strip, FALSE);
}

LRESULT Scroll(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool frameMode, bool vertical) {
    if (!g_windowList) return 0;
    HWND owner = nullptr;
    Document* document = ScrolledDocument(window, frameMode, &owner);
    if (document) {
        const int scale = g_windowList->GetScale(owner);
        int32_t content = vertical ? document->GetContentHeight() : document->GetContentWidth();
        int32_t unit = 1;
        if (vertical)
            unit = frameMode ? ComputeScrollUnit(window, content, scale) : g_windowList->GetScrollUnit(owner);
        view_math::ScrollState state{vertical ? document->ScrollY() : static_cast<int16_t>(document->ScrollX()),
                                     view_math::LogicalSize(ClientExtent(window, vertical), scale), content, unit};
        const int request = LOWORD(wParam);
        const int32_t thumb = HIWORD(wParam);
        const int32_t amount = static_cast<int32_t>(lParam);
        int32_t next = view_math::NewScrollOffset(message == kMsgScrollBy ? view_math::kScrollByAmount : request,
                                                  thumb, amount, state);
        if (next != state.offset) {
            if (frameMode) InvalidateEdgeStrip(window, vertical, next < state.offset);
            if (vertical) document->SetScrollY(next);
            else document->SetScrollX(next);
            SetScrollPos(window, vertical ? SB_VERT : SB_HORZ, next / std::max<int32_t>(unit, 1), TRUE);
            MoveContent(window, state.offset - next, scale, vertical);
            if (frameMode) {
                InvalidateEdgeStrip(window, vertical, next < state.offset);
                UpdateWindow(window);
            }
        }
    }
    if (message == kMsgScrollBy) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// An empty range hides the bar; the bar is shown or hidden explicitly, since
// not every system hides it from the range alone.
void SetRangeAndPosition(HWND view, int bar, int32_t maximum, int32_t position) {
    const LONG_PTR style = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
    const bool wasShown = (GetWindowLongPtrA(view, GWL_STYLE) & style) != 0;
    SetScrollRange(view, bar, 0, maximum, TRUE);
    if (maximum > 0) SetScrollPos(view, bar, position, TRUE);
    ShowScrollBar(view, bar, maximum > 0);
    // The view does not take the size messages of its own placement, so the
    // place a bar leaves (or covers) is painted here.
    if (wasShown != (maximum > 0)) InvalidateRect(view, nullptr, FALSE);
}

void Zoom(HWND view, LPARAM lParam) {
    if (!g_windowList) return;
    int target = view_math::ZoomTarget(g_windowList->GetScale(view), static_cast<uint32_t>(lParam));
    g_windowList->SetScale(view, target);
    UpdateScrollBars(view, CurrentDocumentOf(view));
    InvalidateRect(view, nullptr, FALSE);
}

void OnCreate(HWND view) {
    HDC dc = GetDC(view);
    if (dc) {
        SetBkMode(dc, TRANSPARENT);
        SelectDisplayPalette(dc, false);
        ReleaseDC(view, dc);
    }
}

// Answers false when the window's object could not be made: the view is not
// created then.
bool AddToList(HWND view) {
    if (!g_windowList) return true;
    RECT client = {};
    GetClientRect(view, &client);
    if (!g_windowList->Add(view, client.right + 1, client.bottom + 1)) return false;
    g_windowList->SetLoadState(view, kWindowJustMade);
    g_windowList->SetActiveWindow(view);
    if (HWND parent = GetParent(view)) SetFocus(parent);
    return true;
}

void OnDestroy(HWND view) {
    if (!g_windowList) return;
    g_windowList->Remove(view);
    if (g_preferences && g_preferences->Get(PrefInt::AutoTile) && g_mdiClient) {
        SendMessageA(g_mdiClient, WM_MDITILE, 0, 0);
        if (DocumentWindow* active = g_windowList->FindWindowById(g_windowList->GetActiveWindow()))
            SetFocus(active->Frame());
    }
}

void ActivateView(HWND view) {
    if (!g_windowList) return;
    if (HWND parent = GetParent(view)) SetFocus(parent);
    g_windowList->SetActiveWindow(view);
    if (g_windowList->GetLoadState(view) != kWindowLoading) EnableDocumentCommands(view);
    else DisableDocumentCommands(view);
}

// A view a little larger than its document (a scroll bar just went away)
// shows the page's background beyond it rather than what was there.
void FillBeyondDocument(HWND view, Document& document, const RECT& units) {
    PaintDevice* device = g_windowList ? g_windowList->GetPaintDevice(view) : nullptr;
    if (!device) return;
    if (units.right > document.Width())
        device->FillBackground({document.Width(), units.top, units.right, units.bottom});
    if (units.bottom > document.Height())
        device->FillBackground({units.left, document.Height(), units.right, units.bottom});
}

void OnPaint(HWND view) {
    if (g_windowList) g_windowList->ApplyPendingSize(view);
    RECT update = {};
    if (!GetUpdateRect(view, &update, FALSE)) return;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(view, &ps);
    const int scale = g_windowList ? g_windowList->GetScale(view) : 100;
    // The paint rectangle in layout units, whole units covering its pixels.
    RECT units = {static_cast<LONG>(ps.rcPaint.left * 100 / scale), static_cast<LONG>(ps.rcPaint.top * 100 / scale),
                  static_cast<LONG>((ps.rcPaint.right * 100 + scale - 1) / scale),
                  static_cast<LONG>((ps.rcPaint.bottom * 100 + scale - 1) / scale)};
    if (Document* document = CurrentDocumentOf(view)) {
        if (scale > 100) {
            if (units.left > 0) --units.left;
            if (units.top > 0) --units.top;
            ++units.right;
            ++units.bottom;
        }
        HRGN clip = CreateRectRgn(view_math::DeviceCorner(units.left, scale), view_math::DeviceCorner(units.top, scale),
                                  view_math::DeviceCorner(units.right, scale),
                                  view_math::DeviceCorner(units.bottom, scale));
        if (clip) SelectClipRgn(dc, clip);
        // First, while only the paint rectangle clips: the page may leave its
        // own clipping behind.
        FillBeyondDocument(view, *document, units);
        (void)document->Paint(units);
        if (clip) {
            SelectClipRgn(dc, nullptr);
            DeleteObject(clip);
        }
    } else {
        COLORREF background = g_preferences ? g_preferences->GetBackgroundColor() : RGB(255, 255, 255);
        HBRUSH brush = CreateSolidBrush(background);
        RECT fill = units;
        ++fill.right;
        ++fill.bottom;
        FillRect(dc, &fill, brush);
        DeleteObject(brush);
    }
    EndPaint(view, &ps);
}

void MdiNext(HWND view, bool previous) {
    if (g_mdiClient) SendMessageA(g_mdiClient, WM_MDINEXT, reinterpret_cast<WPARAM>(GetParent(view)), previous);
}

// The keys that are done once handled (result 0); false for the others.
bool FirstGroupKey(HWND window, HWND view, WPARAM key, bool ctrl, bool shift, bool frameMode) {
    switch (key) {
        case '0': case VK_ADD:
            SendMessageA(view, kMsgZoom, 0, view_math::RelativeZoom(ctrl ? 100 : 10));
            return true;
        case '9': case VK_SUBTRACT:
            SendMessageA(view, kMsgZoom, 0, view_math::RelativeZoom(ctrl ? -100 : -10));
            return true;
        case '7':
            SendMessageA(view, kMsgZoom, 0, view_math::RelativeZoom(-100));
            return true;
        case '8':
            SendMessageA(view, kMsgZoom, 0, view_math::RelativeZoom(100));
            return true;
        case '6': case VK_MULTIPLY:
            SendMessageA(view, kMsgZoom, 0, view_math::AbsoluteZoom(100));
            return true;
        case VK_PRIOR: case VK_NEXT: {
            bool up = key == VK_PRIOR;
            HWND target = window;
            if (shift && !frameMode && g_windowList) {
                if (HWND linked = g_windowList->GetLink(view, 1)) target = linked;
            }
            if (ctrl)
                ScrollViewHorizontally(target, WM_HSCROLL, up ? SB_PAGELEFT : SB_PAGERIGHT, 0, frameMode);
            else
                ScrollViewVertically(target, WM_VSCROLL, up ? SB_PAGEUP : SB_PAGEDOWN, 0, frameMode);
            return true;
        }
        case VK_UP: case VK_DOWN:
            // Moving between links belongs to the link selection of the page.
            if (!ctrl) ScrollViewVertically(window, WM_VSCROLL, key == VK_UP ? SB_LINEUP : SB_LINEDOWN, 0, frameMode);
            return true;
        default:
            return false;
    }
}

// Tab: the page's next (previous) link or field in document order, brought
// into view.
void TabStep(HWND window, HWND view, bool backwards, bool frameMode) {
    Document* document = WindowDocument(view, window);
    RECT focus = {};
    if (!document || !document->MoveLinkFocus(!backwards, &focus)) return;
    const int32_t top = document->ScrollY(), bottom = top + document->Height();
    int32_t dy = 0;
    if (focus.top < top) dy = focus.top - top;
    else if (focus.bottom > bottom) dy = std::min<int32_t>(focus.bottom - bottom, focus.top - top);
    if (dy != 0) ScrollViewByPixels(window, frameMode, dy);
}

void CycleImageModeOf(HWND view) {
    if (DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr) w->CycleImageMode();
}

// H: the address field of the bottom bar, its list of addresses dropped
// down for a choice by the keys.
void DropAddressList(HWND view) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    HWND bar = w ? w->BottomToolbar() : nullptr;
    HWND combo = bar && IsWindowVisible(bar) ? GetDlgItem(bar, kBarAddressCombo) : nullptr;
    if (!combo) return;
    SetFocus(combo);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
}

void SecondGroupKey(HWND window, HWND view, WPARAM key, bool ctrl, bool alt, bool frameMode) {
    switch (key) {
        case VK_TAB: TabStep(window, view, KeyDown(VK_SHIFT), frameMode); break;
        case VK_END: ScrollViewVertically(window, WM_VSCROLL, SB_BOTTOM, 0, frameMode); break;
        case VK_HOME:
            if (!ctrl) ScrollViewVertically(window, WM_VSCROLL, SB_TOP, 0, frameMode);
            break;
        case VK_LEFT: case VK_RIGHT:
            if (!ctrl && !alt)
                ScrollViewHorizontally(window, WM_HSCROLL, key == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT, 0, frameMode);
            else
                (void)NavigateInWindow(view, key == VK_RIGHT);
            break;
        case 'X': case 'Z': (void)NavigateInWindow(view, key == 'X'); break;
        case 'A': case 'Q': MoveToLink(view, window, key == 'A'); break;
        case VK_RETURN: ActivateCurrentElement(view, window, KeyDown(VK_SHIFT)); break;
        case VK_SPACE:
            if (!ctrl) ActivateCurrentElement(view, window, KeyDown(VK_SHIFT));
            break;
        case 'G':
            if (!ctrl) CycleImageModeOf(view);
            else if (g_windowList) g_windowList->SetDocumentMode(view, 255);
            break;
        case VK_F12:
            if (ctrl) CycleImageModeOf(view);
            break;
        case 'H': DropAddressList(view); break;
        case 'I':
            // Handled where the frame's Load All Images is.
            if (ctrl) (void)CommandDispatcher(view, WM_COMMAND, CMD_LOAD_ALL_IMAGES_DOC, 0);
            break;
        case VK_ESCAPE: (void)StopWindowLoad(view, false); break;
        case '1': MdiNext(view, true); break;
        case '2': MdiNext(view, false); break;
        case '3': (void)NextFrame(view, KeyDown(VK_SHIFT)); break;
        case '4':
            if (g_mdiClient) {
                ShowWindow(GetParent(view), SW_MINIMIZE);
                PostMessageA(g_mdiClient, WM_MDINEXT, reinterpret_cast<WPARAM>(GetParent(view)), 0);
            }
            break;
        case '5':
            if (g_mdiClient) PostMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
            break;
        default: break;
    }
}

LRESULT OnCommand(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!CommandDispatcher(view, message, wParam, lParam)) (void)HandleViewControlCommand(view, wParam, lParam, false);
    return 0;
}

LRESULT OnInternalMessage(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsgAuthNeeded) {
        (void)RequestAuthentication(view, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        return 0;
    }
    if (IsLoadNotice(message)) return HandleLoadNotice(view, message, wParam, lParam);
    switch (message) {
        case kMsgZoom:
            Zoom(view, lParam);
            return 0;
        case kMsgScrollBy:
            return ScrollViewVertically(view, message, 0, static_cast<int32_t>(wParam), false);
        case 0x8005:
            if (g_windowList) g_windowList->LowerSecurityLevel(view, static_cast<int>(lParam));
            return 1;
        case 0x8020:
            OpenStartUrls(view);
            return 0;
        case kMsgOpenScriptTarget:
            if (OpenScriptTarget(view, static_cast<uint32_t>(wParam))) return 0;
            break;
        case kMsgScriptHistoryMove:
            if (MoveInHistoryForScript(view, wParam, lParam)) return 0;
            break;
        default:
            break;
    }
    if (g_windowList) {
        if (MessageHandler* handler = g_windowList->GetMessageHandler(view))
            handler->Dispatch(message, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
    }
    return 0;
}

}  // namespace

ATOM RegisterViewClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS | CS_OWNDC | CS_SAVEBITS;
    wc.lpfnWndProc = DocumentViewProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "ZINTU");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kViewClass;
    return RegisterClassA(&wc);
}

void OnViewActivate(HWND view) {
    ActivateView(view);
}

bool ViewFailedForWant() {
    return g_failedForWant;
}

HWND CreateViewWindow(HWND parent) {
    g_failedForWant = false;
    HWND view = CreateWindowExA(WS_EX_TRANSPARENT, kViewClass, "", WS_CHILD | WS_VSCROLL | WS_HSCROLL, 0, 0, 1, 1,
                                parent, nullptr, g_instance ? g_instance : GetModuleHandleA(nullptr), nullptr);
    if (!view && !g_failedForWant) ShowStringMessage(GetActiveWindow(), IDS_CANNOT_CREATE_WINDOW, kViewClass, MB_ICONINFORMATION);
    return view;
}

LRESULT ScrollViewVertically(HWND window, UINT message, WPARAM request, LPARAM amount, bool frameMode) {
    return Scroll(window, message, request, amount, frameMode, true);
}

LRESULT ScrollViewHorizontally(HWND window, UINT message, WPARAM request, LPARAM amount, bool frameMode) {
    return Scroll(window, message, request, amount, frameMode, false);
}

void ScrollViewByPixels(HWND window, bool frameMode, int32_t amount) {
    (void)ScrollViewVertically(window, kMsgScrollBy, 0, amount, frameMode);
}

int32_t ComputeScrollUnit(HWND window, int32_t contentHeight, int scale) {
    RECT r = {};
    GetWindowRect(window, &r);
    return view_math::PaneScrollUnit(r.bottom - r.top, contentHeight, scale);
}

void UpdateScrollBars(HWND view, Document* document) {
    if (!g_windowList || !g_windowList->IsDocumentWindow(view)) return;
    if (!g_windowList->GetShowScrollBars(view)) {
        SetScrollRange(view, SB_VERT, 0, 0, TRUE);
        SetScrollRange(view, SB_HORZ, 0, 0, TRUE);
        return;
    }
    if (!document) return;
    const int scale = g_windowList->GetScale(view);
    view_math::ScrollState vertical{document->ScrollY(), view_math::LogicalSize(ClientExtent(view, true), scale),
                                    document->GetContentHeight(), 1};
    int32_t hidden = view_math::MaximumOffset(vertical);
    int32_t unit = view_math::ScrollUnit(hidden);
    g_windowList->SetScrollUnit(view, unit);
    // Rounded up, so that the thumb at the end of the bar reaches the end.
    SetRangeAndPosition(view, SB_VERT, (hidden + unit - 1) / unit, document->ScrollY() / unit);
    view_math::ScrollState horizontal{static_cast<int16_t>(document->ScrollX()),
                                      view_math::LogicalSize(ClientExtent(view, false), scale),
                                      document->GetContentWidth(), 1};
    SetRangeAndPosition(view, SB_HORZ, view_math::MaximumOffset(horizontal), horizontal.offset);
}

LRESULT OnViewKeyDown(HWND window, WPARAM key, LPARAM lParam) {
    HWND view = window;
    bool frameMode = false;
    // Keys of a page with an active frame act on that frame's pane.
    if (Document* document = CurrentDocumentOf(view); document && document->GetKind() == kDocHtml) {
        if (FrameNode* frame = static_cast<HtmlDocument*>(document)->ActiveFrame()) {
            if (HWND pane = frame->FrameWindow()) {
                window = pane;
                frameMode = true;
            }
        }
    }
    const bool ctrl = KeyDown(VK_CONTROL);
    const bool shift = KeyDown(VK_SHIFT);
    const bool alt = (lParam & (1 << 29)) != 0;
    if (FirstGroupKey(window, view, key, ctrl, shift, frameMode)) return 0;
    if (!(key & 0x8000)) SecondGroupKey(window, view, key, ctrl, alt, frameMode);
    return DefWindowProcA(view, WM_KEYDOWN, key, lParam);
}

bool HandleFramePaneMessage(HWND pane, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND view = GetParent(pane);
    if (!g_windowList || !g_windowList->IsDocumentWindow(view)) return false;
    *result = 0;
    switch (message) {
        case WM_COMMAND:
            // The pane's context menu reports to the pane; its commands are
            // the window's.
            if (!CommandDispatcher(view, message, wParam, lParam)) (void)HandleViewControlCommand(pane, wParam, lParam, true);
            return true;
        case WM_VSCROLL: *result = ScrollViewVertically(pane, message, wParam, lParam, true); return true;
        case WM_HSCROLL: *result = ScrollViewHorizontally(pane, message, wParam, lParam, true); return true;
        default: return HandleViewMouseMessage(pane, message, wParam, lParam, true, result);
    }
}

LRESULT CALLBACK DocumentViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (WindowProcFront(view, message, wParam, lParam, kViewHelpContext, &result)) return result;
    if (HandleViewMouseMessage(view, message, wParam, lParam, false, &result)) return result;
    switch (message) {
        case WM_CREATE:
            OnCreate(view);
            if (!AddToList(view)) {
                g_failedForWant = true;
                return -1;
            }
            return DefWindowProcA(view, message, wParam, lParam);
        case WM_DESTROY:
            OnDestroy(view);
            return DefWindowProcA(view, message, wParam, lParam);
        case WM_MOVE: FocusActivePanel(view); return 0;
        case WM_SIZE:
            LayoutChildPanels(view, message, wParam, LOWORD(lParam), HIWORD(lParam), false);
            return DefWindowProcA(view, message, wParam, lParam);
        case WM_SETFOCUS: FocusClientPanel(view); return 0;
        case WM_PAINT:
            OnPaint(view);
            return DefWindowProcA(view, message, wParam, lParam);
        case WM_ERASEBKGND: return 0;
        case WM_CHILDACTIVATE:
            ActivateView(view);
            return DefWindowProcA(view, message, wParam, lParam);
        case WM_WINDOWPOSCHANGING: case WM_WINDOWPOSCHANGED: return 0;
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTTAB;
        case WM_KEYDOWN: return OnViewKeyDown(view, wParam, lParam);
        case WM_COMMAND: return OnCommand(view, message, wParam, lParam);
        case WM_HSCROLL: return ScrollViewHorizontally(view, message, wParam, lParam, false);
        case WM_VSCROLL: return ScrollViewVertically(view, message, wParam, lParam, false);
        case WM_MBUTTONDOWN:
            // Ctrl with the middle button goes back to 100 %.
            if (wParam & MK_CONTROL) SendMessageA(view, kMsgZoom, 0, view_math::AbsoluteZoom(100));
            return 0;
        case WM_PARENTNOTIFY:
            return g_windowList ? DefWindowProcA(view, message, wParam, lParam) : 0;
        default:
            break;
    }
    if (message >= 0x8000 && message < 0xC000) return OnInternalMessage(view, message, wParam, lParam);
    return DefWindowProcA(view, message, wParam, lParam);
}
