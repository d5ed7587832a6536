#include "core/DialogRuntime.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/AppGlobals.h"
#include "core/HelpContexts.h"
#include "core/Preferences.h"
#include "resources/CoreIds.h"

namespace {

const char kFontProperty[] = "BLDCTRLPROPHFONT";
const char kBrushProperty[] = "BLDPROPHBRUSH";
constexpr COLORREF kLightGrey = RGB(192, 192, 192);

bool g_helpMode = false;
HelpPageOpener g_helpOpener = nullptr;
std::vector<HWND> g_modelessDialogs;

bool KeyDown(int key) {
    return GetKeyState(key) < 0;
}

HCURSOR HelpCursor() {
    HCURSOR c = LoadCursorA(g_instance, "HELP");
    return c ? c : LoadCursor(nullptr, IDC_HELP);
}

void EnterHelpMode() {
    g_helpMode = true;
    SetCursor(HelpCursor());
}

void LeaveHelpMode(HWND window) {
    g_helpMode = false;
    HCURSOR cursor = window ? reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR)) : nullptr;
    SetCursor(cursor ? cursor : LoadCursor(nullptr, IDC_ARROW));
}

bool ActiveWindowHasMenu() {
    HWND active = GetActiveWindow();
    return active && GetMenu(active);
}

bool IsColourMessage(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

// The shared context-help step of windows and dialogs.
BOOL HelpFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int helpContext, bool dialog,
               LRESULT* result) {
    if (g_helpMessage && message == g_helpMessage) {
        if (helpContext) {
            OpenHelpTopic(window, 1, helpContext);
            return TRUE;
        }
        if (wParam && g_frameWindow && window != g_frameWindow) {
            // A document frame without its own page asks the frame.
            *result = SendMessageA(g_frameWindow, message, wParam, lParam);
            return TRUE;
        }
        return FALSE;
    }
    switch (message) {
        case WM_KEYDOWN:
            if (g_helpMode && wParam == VK_ESCAPE) {
                LeaveHelpMode(window);
                return TRUE;
            }
            return FALSE;
        case WM_COMMAND: {
            if (!g_helpMode || KeyDown(VK_ESCAPE)) return FALSE;
            LeaveHelpMode(window);
            int code = HIWORD(wParam);
            if (lParam == 0 && (code == 0 || code == 1)) {
                int context = MapCommandHelp(window, LOWORD(wParam));
                if (context) OpenHelpTopic(window, 1, context);
            } else if (g_helpMessage) {
                PostMessageA(window, g_helpMessage, 0, 0);
            }
            return TRUE;
        }
        case WM_SETCURSOR:
            if (!g_helpMode) return FALSE;
            SetCursor(HelpCursor());
            *result = TRUE;
            if (dialog) SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_ACTIVATE:
            g_helpMode = false;
            return FALSE;
        case WM_ENTERIDLE:
            if (wParam == MSGF_MENU && KeyDown(VK_F1)) {
                if (KeyDown(VK_SHIFT)) {
                    if (ActiveWindowHasMenu()) EnterHelpMode();
                } else {
                    // Enter picks the highlighted item, which then arrives as a
                    // command in help mode and opens its page.
                    g_helpMode = true;
                    SendMessageA(reinterpret_cast<HWND>(lParam), WM_KEYDOWN, VK_RETURN, 0);
                }
            } else if (wParam == MSGF_DIALOGBOX && g_helpMode && KeyDown(VK_ESCAPE)) {
                LeaveHelpMode(window);
            }
            return FALSE;
        default:
            return FALSE;
    }
}

HBRUSH PanelBrush(HWND window) {
    return static_cast<HBRUSH>(GetPropA(window, kBrushProperty));
}

// The style of a dialog template (plain or extended) in a writable copy.
DWORD* TemplateStyle(void* copy) {
    auto* words = static_cast<WORD*>(copy);
    if (words[0] == 1 && words[1] == 0xFFFF) return reinterpret_cast<DWORD*>(static_cast<BYTE*>(copy) + 12);
    return static_cast<DWORD*>(copy);
}

HWND ChildOfKind(HWND parent, int kind) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (QueryPanelKind(c) == kind) return c;
    return nullptr;
}

SIZE WindowSizeOf(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void DrawEdges(HDC dc, RECT r, bool pressed) {
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    FrameRect(dc, &r, black);
    InflateRect(&r, -1, -1);
    COLORREF topLeft = pressed ? RGB(127, 127, 127) : RGB(255, 255, 255);
    COLORREF bottomRight = pressed ? kLightGrey : RGB(127, 127, 127);
    HPEN light = CreatePen(PS_SOLID, 1, topLeft);
    HPEN dark = CreatePen(PS_SOLID, 1, bottomRight);
    HGDIOBJ old = SelectObject(dc, light);
    MoveToEx(dc, r.left, r.bottom - 1, nullptr);
    LineTo(dc, r.left, r.top);
    LineTo(dc, r.right, r.top);
    SelectObject(dc, dark);
    if (pressed) {
        // The pressed look: a light-grey inner line inside the dark edge.
        MoveToEx(dc, r.left + 1, r.bottom - 1, nullptr);
        LineTo(dc, r.left + 1, r.top + 1);
        LineTo(dc, r.right, r.top + 1);
    } else {
        MoveToEx(dc, r.left, r.bottom - 1, nullptr);
        LineTo(dc, r.right - 1, r.bottom - 1);
        LineTo(dc, r.right - 1, r.top - 1);
    }
    SelectObject(dc, old);
    DeleteObject(light);
    DeleteObject(dark);
}

void CoverWithCheckerboard(HDC dc, const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left + ((y - r.top) & 1); x < r.right; x += 2) SetPixel(dc, x, y, kLightGrey);
}

}  // namespace

bool InHelpMode() {
    return g_helpMode;
}

void SetHelpPageOpener(HelpPageOpener opener) {
    g_helpOpener = opener;
}

BOOL WindowProcFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int helpContext,
                     LRESULT* result) {
    *result = 0;
    return HelpFront(window, message, wParam, lParam, helpContext, false, result);
}

BOOL DialogProcFront(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, int panelKind, int helpContext,
                     LRESULT* result, int colourFlags) {
    *result = 0;
    if (g_toolbarMessage && message == g_toolbarMessage) {
        if (lParam) *reinterpret_cast<LONG*>(lParam) = panelKind;
        *result = TRUE;
        return TRUE;
    }
    if ((colourFlags & DialogGreyControls) && IsColourMessage(message)) {
        HBRUSH brush = ControlColor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
        if (!brush) return FALSE;
        *result = reinterpret_cast<LRESULT>(brush);
        return TRUE;
    }
    return HelpFront(dialog, message, wParam, lParam, helpContext, true, result);
}

LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == g_frameWindow) return DefFrameProcA(window, g_mdiClient, message, wParam, lParam);
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_MDICHILD)
        return DefMDIChildProcA(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

int QueryPanelKind(HWND window) {
    LONG kind = 0;
    if (g_toolbarMessage && window)
        SendMessageA(window, g_toolbarMessage, 0, reinterpret_cast<LPARAM>(&kind));
    return kind;
}

HWND CreatePanelFromTemplate(const char* templateName, HWND parent, UINT message, DLGPROC procedure,
                             LPARAM parameter, int kind, bool parentIsFrame) {
    if (parentIsFrame) parent = g_frameWindow;
    if (!parent || !IsWindow(parent)) return nullptr;
    if (kind == PanelClient && parent == g_frameWindow && g_mdiClient) return nullptr;
    // A panel asked to host a panel hands it to the window it belongs to.
    while (QueryPanelKind(parent) != PanelNone && GetParent(parent)) parent = GetParent(parent);

    HRSRC found = FindResourceA(g_instance, templateName, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    HGLOBAL loaded = found ? LoadResource(g_instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(g_instance, found) : 0;
    if (!bytes || !size) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    void* copy = block ? GlobalLock(block) : nullptr;
    if (!copy) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    memcpy(copy, bytes, size);
    // The old panel goes only once the new one's template is at hand.
    if (HWND old = ChildOfKind(parent, kind)) DestroyWindow(old);
    DWORD* style = TemplateStyle(copy);
    if (kind == PanelClient)
        *style = (*style & 0x1A33FF7D) | WS_CHILD | WS_CLIPSIBLINGS;
    else
        *style = (*style & ~0xA1000002u) | WS_CHILD | WS_CLIPSIBLINGS;
    HWND panel = CreateDialogIndirectParamA(g_instance, static_cast<LPCDLGTEMPLATEA>(copy), parent, procedure,
                                            parameter);
    GlobalUnlock(block);
    GlobalFree(block);
    if (!panel) return nullptr;
    if (kind == PanelClient) {
        FitWindowToPanel(parent, panel);
        SetFocus(panel);
    } else if (message == WM_COMMAND && kind >= PanelTopBar && kind <= PanelRight) {
        if (HWND client = ChildOfKind(parent, PanelClient)) FitWindowToPanel(parent, client);
        RECT r;
        GetClientRect(parent, &r);
        PostMessageA(parent, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right, r.bottom));
    }
    return panel;
}

PanelMargins MeasurePanels(HWND window) {
    PanelMargins m;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        SIZE s = WindowSizeOf(c);
        switch (QueryPanelKind(c)) {
            case PanelTopBar:
                m.top = s.cy;
                break;
            case PanelBottomBar:
                m.bottom = s.cy;
                break;
            case PanelLeft:
                m.left = s.cx;
                break;
            case PanelRight:
                m.right = s.cx;
                break;
            default:
                break;
        }
    }
    return m;
}

int LayoutChildPanels(HWND window, UINT, WPARAM sizeType, int width, int height, bool full) {
    if (sizeType != SIZE_RESTORED && sizeType != SIZE_MAXIMIZED) return 0;
    PanelMargins m = MeasurePanels(window);
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        SIZE s = WindowSizeOf(c);
        RECT to;
        switch (QueryPanelKind(c)) {
            case PanelTopBar:
                to = full ? RECT{0, 0, width, s.cy} : RECT{m.left, 0, width - m.right, s.cy};
                break;
            case PanelBottomBar:
                to = full ? RECT{0, height - s.cy, width, height}
                          : RECT{m.left, height - s.cy, width - m.right, height};
                break;
            case PanelLeft:
                to = full ? RECT{0, m.top, s.cx, height - m.bottom} : RECT{0, 0, s.cx, height};
                break;
            case PanelRight:
                to = full ? RECT{width - s.cx, m.top, width, height - m.bottom}
                          : RECT{width - s.cx, 0, width, height};
                break;
            case PanelClient:
                MoveWindow(c, m.left, m.top, width - m.left - m.right, height - m.top - m.bottom, FALSE);
                continue;
            default:
                continue;
        }
        MoveWindow(c, to.left, to.top, to.right - to.left, to.bottom - to.top, FALSE);
        InvalidateRect(c, nullptr, TRUE);
    }
    if (window == g_frameWindow && g_mdiClient)
        MoveWindow(g_mdiClient, m.left, m.top, width - m.left - m.right, height - m.top - m.bottom, TRUE);
    return 1;
}

void FitWindowToPanel(HWND window, HWND panel) {
    PanelMargins m = MeasurePanels(window);
    SIZE p = WindowSizeOf(panel);
    RECT want{0, 0, m.left + p.cx + m.right, m.top + p.cy + m.bottom};
    AdjustWindowRectEx(&want, GetWindowLongA(window, GWL_STYLE), GetMenu(window) != nullptr,
                       GetWindowLongA(window, GWL_EXSTYLE));
    int w = want.right - want.left, h = want.bottom - want.top;
    RECT now;
    GetWindowRect(window, &now);
    POINT at{now.left, now.top};
    RECT area;
    HWND parent = GetParent(window);
    if (parent && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
        ScreenToClient(parent, &at);
        GetClientRect(parent, &area);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    // Keep the window on its parent: move it back when it would leave it.
    at.x = std::max<LONG>(area.left, std::min<LONG>(at.x, area.right - w));
    at.y = std::max<LONG>(area.top, std::min<LONG>(at.y, area.bottom - h));
    SetWindowPos(window, nullptr, at.x, at.y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    MoveWindow(panel, m.left, m.top, p.cx, p.cy, TRUE);
}

void FocusClientPanel(HWND window) {
    if (HWND c = ChildOfKind(window, PanelClient)) SetFocus(c);
}

void FocusActivePanel(HWND window) {
    HWND active = GetActiveWindow();
    if (active && active != window && active != g_frameWindow) return;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        int kind = QueryPanelKind(c);
        if (kind >= PanelTopBar && kind <= PanelClient) SetFocus(c);
    }
}

BOOL SetControlFont(HWND dialog, int controlId, int height, int width, int escapement, int orientation,
                    int weight, DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                    DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                    const char* face) {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) return FALSE;
    HFONT font = CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                             charSet, outPrecision, clipPrecision, quality, pitchAndFamily, face);
    if (!font) return FALSE;
    ReleaseControlFont(dialog, controlId);
    SetPropA(control, kFontProperty, font);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return TRUE;
}

BOOL ReleaseControlFont(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    HFONT font = control ? static_cast<HFONT>(GetPropA(control, kFontProperty)) : nullptr;
    if (!font) return FALSE;
    SendMessageA(control, WM_SETFONT, 0, FALSE);
    DeleteObject(font);
    RemovePropA(control, kFontProperty);
    return TRUE;
}

BOOL ReleaseWindowBrush(HWND window) {
    HBRUSH brush = PanelBrush(window);
    if (!brush) return FALSE;
    DeleteObject(brush);
    RemovePropA(window, kBrushProperty);
    return TRUE;
}

HBRUSH LightGreyBrush() {
    static HBRUSH brush = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    return brush;
}

HBRUSH ControlColor(HWND control, HDC dc) {
    char name[32] = "";
    GetClassNameA(control, name, sizeof name);
    // The dialog itself (class "#32770") is painted like its static texts.
    if (!lstrcmpiA(name, "BUTTON") || !lstrcmpiA(name, "STATIC") || !lstrcmpiA(name, "SCROLLBAR") ||
        !lstrcmpiA(name, "#32770")) {
        SetBkColor(dc, kLightGrey);
        return LightGreyBrush();
    }
    return nullptr;  // edit fields and lists keep the system colours
}

HBRUSH StockOrPanelBrush(HWND window, int stockObject) {
    if (HGDIOBJ stock = GetStockObject(stockObject)) return static_cast<HBRUSH>(stock);
    return PanelBrush(window);
}

int MdiClientCommand(HWND, UINT message) {
    if (!g_mdiClient) return 0;
    if (message == WM_MDIGETACTIVE) {
        HWND child = reinterpret_cast<HWND>(SendMessageA(g_mdiClient, WM_MDIGETACTIVE, 0, 0));
        if (child) SendMessageA(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
        return 1;
    }
    SendMessageA(g_mdiClient, message, 0, 0);
    return 1;
}

int ShowStringMessage(HWND owner, UINT stringId, const char* appended, UINT style) {
    char text[201] = "";
    if (stringId != 0 && LoadStringA(g_instance, stringId, text, 200) <= 0) {
        MessageBoxA(owner, "Cannot load string.", "Zintu", MB_ICONHAND | MB_SYSTEMMODAL);
        return 0;
    }
    std::string whole = text;
    if (appended && whole.size() + 1 + strlen(appended) < 201) whole += std::string(" ") + appended;
    return MessageBoxA(owner, whole.c_str(), "Zintu", style);
}

void ReportDialogFailure(const char* templateName) {
    ShowStringMessage(GetActiveWindow(), IDS_CANNOT_CREATE_DIALOG, templateName, MB_ICONHAND);
}

void OpenHelpTopic(HWND window, int kind, int helpContext) {
    if (kind == 3) {
        if (g_helpOpener) g_helpOpener(window, "index.htm");
        return;
    }
    if (kind != 1) return;
    const char* page = HelpPageOfContext(helpContext);
    if (page) {
        if (g_helpOpener) g_helpOpener(window, page);
        return;
    }
    // The start-up notes are a text file beside the program, shown in the
    // user's text viewer.
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    if (char* slash = strrchr(path, '\\')) slash[1] = '\0';
    const char* viewer = g_preferences ? g_preferences->Get(PrefText::SourceViewer) : nullptr;
    if (!viewer || !*viewer) viewer = "notepad.exe";
    std::string command = std::string(viewer) + " \"" + path + "startup.txt\"";
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    WinExec(command.c_str(), SW_SHOWNORMAL);
    SetCursor(old);
}

int MapCommandHelp(HWND window, int commandId) {
    int context = HelpContextOfCommand(commandId);
    if (!context && g_helpMessage) PostMessageA(window, g_helpMessage, 0, 0);
    return context;
}

void HandleHelpKeys(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_F1) return;
    bool shift = KeyDown(VK_SHIFT), ctrl = KeyDown(VK_CONTROL), alt = KeyDown(VK_MENU);
    if (shift && !ctrl && !alt) {
        if (ActiveWindowHasMenu()) EnterHelpMode();
        return;
    }
    if (shift || ctrl || alt) return;
    g_helpMode = false;
    HWND active = GetActiveWindow();
    if (!active || !g_helpMessage) return;
    if (active == g_frameWindow && g_mdiClient) {
        HWND child = reinterpret_cast<HWND>(SendMessageA(g_mdiClient, WM_MDIGETACTIVE, 0, 0));
        if (child) {
            PostMessageA(child, g_helpMessage, 1, 0);
            return;
        }
    }
    PostMessageA(active, g_helpMessage, 0, 0);
}

BOOL RegisterModelessDialog(HWND dialog) {
    if (!dialog) return FALSE;
    if (std::find(g_modelessDialogs.begin(), g_modelessDialogs.end(), dialog) == g_modelessDialogs.end())
        g_modelessDialogs.push_back(dialog);
    return TRUE;
}

BOOL UnregisterModelessDialog(HWND dialog) {
    auto it = std::find(g_modelessDialogs.begin(), g_modelessDialogs.end(), dialog);
    if (it == g_modelessDialogs.end()) return FALSE;
    g_modelessDialogs.erase(it);
    return TRUE;
}

BOOL RegisteredDialogMessage(MSG* message) {
    // A copy: a dialog may unregister itself while handling the message.
    std::vector<HWND> dialogs = g_modelessDialogs;
    for (HWND d : dialogs)
        if (IsWindow(d) && IsDialogMessageA(d, message)) return TRUE;
    return FALSE;
}

BOOL BlitBitmap(HDC dc, const char* bitmapName, int x, int y, int width, int height, DWORD rop, int) {
    HBITMAP bitmap = LoadBitmapA(g_instance, bitmapName);
    if (!bitmap) {
        ShowStringMessage(nullptr, 4004, bitmapName, MB_ICONINFORMATION);
        return FALSE;
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, x, y, width, height, memory, 0, 0, rop);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return TRUE;
}

BOOL DrawButton3D(const DRAWITEMSTRUCT* item, const char* normal, const char* disabled, const char* pressed,
                  const char* focused, int flags) {
    if (!item || item->CtlType != ODT_BUTTON) return FALSE;
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return FALSE;
    bool isPressed = item->itemState & ODS_SELECTED;
    bool isDisabled = item->itemState & ODS_DISABLED;
    const char* image = normal;
    if ((item->itemState & ODS_FOCUS) && focused)
        image = focused;
    else if (isPressed && pressed)
        image = pressed;
    else if (isDisabled && disabled)
        image = disabled;
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    FillRect(dc, &r, LightGreyBrush());
    if (image) {
        int offset = isPressed ? 4 : 3;
        if (flags & Button3DIconImages) {
            if (HICON icon = LoadIconA(g_instance, image))
                DrawIcon(dc, r.left + offset, r.top + offset, icon);
        } else {
            BlitBitmap(dc, image, r.left + offset, r.top + offset, r.right - r.left - 2 * offset,
                       r.bottom - r.top - 2 * offset, SRCCOPY, 0);
        }
    }
    if (isDisabled) CoverWithCheckerboard(dc, r);
    DrawEdges(dc, r, isPressed);
    return TRUE;
}

BOOL HandleDraw3dButton(const DRAWITEMSTRUCT* item) {
    char text[16] = "";
    if (!item || item->CtlType != ODT_BUTTON) return FALSE;
    GetWindowTextA(item->hwndItem, text, sizeof text);
    if (strcmp(text, "WMP3DBUTTON") != 0) return FALSE;
    return DrawButton3D(item, nullptr, nullptr, nullptr, nullptr, 0);
}
