#include "windows/LinkHint.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/AppGlobals.h"
#include "core/Preferences.h"
#include "windows/WindowList.h"

namespace {

constexpr char kHintClass[] = "ZintuLinkHint";
// The longest link text the hint shows.
constexpr size_t kHintTextLimit = 399;
HWND g_hint = nullptr;
// Ticks of the frame's 100 ms timer since the pointer came onto a link.
constexpr int kHintDelayTicks = 10;
int g_hintTicks = kHintDelayTicks;

LRESULT CALLBACK HintProc(HWND hint, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hint, &ps);
        RECT r;
        GetClientRect(hint, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
        char text[kHintTextLimit + 1] = {};
        GetWindowTextA(hint, text, sizeof text);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        // A shadow line inside the border sets the hint off the page.
        FrameRect(dc, &r, GetSysColorBrush(COLOR_3DSHADOW));
        InflateRect(&r, -2, -2);
        DrawTextA(dc, text, -1, &r, DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        EndPaint(hint, &ps);
        return 0;
    }
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    return DefWindowProcA(hint, message, wParam, lParam);
}

HWND MakeHint() {
    HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HintProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kHintClass;
    (void)RegisterClassA(&wc);
    return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kHintClass, "",
                           WS_POPUP | WS_BORDER, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
}

// Whether the hint at r should move to the pointer at p: it has gone more
// than 10 pixels beyond the hint or 80 away from it.
bool PointerWentAway(const RECT& r, POINT p) {
    const bool outside = p.x < r.left - 10 || p.x > r.right + 10 || p.y < r.top - 10 || p.y > r.bottom + 10;
    return outside || std::abs(p.x - r.left) > 80 || std::abs(p.y - r.top) > 80;
}

}  // namespace

void UpdateLinkHint(bool immediately) {
    const char* link = g_windowList ? g_windowList->GetLinkText() : nullptr;
    if (!link || !*link) {
        HideLinkHint();
        return;
    }
    if (!g_hint || !IsWindow(g_hint)) g_hint = MakeHint();
    if (!g_hint) return;
    const std::string text(link, strnlen(link, kHintTextLimit));
    SetWindowTextA(g_hint, text.c_str());
    HDC dc = GetDC(g_hint);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(g_hint, dc);
    const int width = extent.cx + 6, height = extent.cy + 6;
    POINT p = {};
    GetCursorPos(&p);
    RECT now = {};
    GetWindowRect(g_hint, &now);
    int x = p.x, y = p.y + 20;
    if (IsWindowVisible(g_hint) && !immediately && !PointerWentAway(now, p)) {
        x = now.left;
        y = now.top;
    }
    // Inside the screen: 5 pixels from its right edge, above the pointer
    // when it would pass the bottom.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (x + width > screenWidth - 5) x = screenWidth - 5 - width;
    if (x < 0) x = 0;
    if (y + height > screenHeight) y -= 60;
    SetWindowPos(g_hint, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(g_hint, nullptr, TRUE);
}

void HideLinkHint() {
    g_hintTicks = kHintDelayTicks;
    if (g_hint && IsWindow(g_hint)) ShowWindow(g_hint, SW_HIDE);
}

void RestartLinkHintDelay() {
    g_hintTicks = 0;
}

void AdvanceLinkHintDelay(HWND frame) {
    if (g_hintTicks >= kHintDelayTicks || ++g_hintTicks < kHintDelayTicks) return;
    if (!g_preferences || !g_preferences->Get(PrefInt::PopupLinkAddress)) return;
    // A hint over another program's window would be out of place.
    if (frame && GetActiveWindow() != frame) return;
    const char* link = g_windowList ? g_windowList->GetLinkText() : nullptr;
    if (link && *link) UpdateLinkHint(false);
}

HWND LinkHintWindow() {
    return g_hint;
}
