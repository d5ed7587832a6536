#include "windows/BarPainting.h"

#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "resources/BrowsingIds.h"

namespace {

HBRUSH FaceBrush() {
    HBRUSH brush = g_preferences ? g_preferences->GetUiBackgroundBrush() : nullptr;
    return brush ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

COLORREF TextColour(bool disabled) {
    if (!g_preferences) return GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    return disabled ? g_preferences->GetUiDisabledColor() : g_preferences->GetUiColor();
}

// A one-pixel bevel: white top and left, dark bottom and right; reversed
// when sunken.
void DrawBevel(HDC dc, const RECT& r, bool sunken) {
    HPEN light = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HPEN dark = CreatePen(PS_SOLID, 1, RGB(64, 64, 64));
    HGDIOBJ old = SelectObject(dc, sunken ? dark : light);
    MoveToEx(dc, r.left, r.bottom - 1, nullptr);
    LineTo(dc, r.left, r.top);
    LineTo(dc, r.right - 1, r.top);
    SelectObject(dc, sunken ? light : dark);
    LineTo(dc, r.right - 1, r.bottom - 1);
    LineTo(dc, r.left, r.bottom - 1);
    SelectObject(dc, old);
    DeleteObject(light);
    DeleteObject(dark);
}

void DrawFace(const DRAWITEMSTRUCT* item, bool sunken, const std::string& text, UINT format) {
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    FillRect(dc, &r, FaceBrush());
    DrawBevel(dc, r, sunken);
    if (text.empty()) return;
    InflateRect(&r, -3, -1);
    if (sunken && item->CtlType == ODT_BUTTON) OffsetRect(&r, 1, 1);
    HGDIOBJ old = SelectObject(dc, BarFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, TextColour(item->itemState & ODS_DISABLED));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
    SelectObject(dc, old);
}

bool IsButton(HWND control) {
    char name[16] = "";
    GetClassNameA(control, name, sizeof name);
    return lstrcmpiA(name, "Button") == 0;
}

}  // namespace

HFONT BarFont() {
    HFONT font = g_preferences ? g_preferences->GetUiFont() : nullptr;
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void DrawBarItem(const DRAWITEMSTRUCT* item, const std::string& fieldText) {
    if (!item || !(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return;
    if (IsButton(item->hwndItem)) {
        char label[64] = "";
        GetWindowTextA(item->hwndItem, label, sizeof label);
        DrawFace(item, (item->itemState & ODS_SELECTED) != 0, label, DT_CENTER);
        return;
    }
    DrawFace(item, true, fieldText, DT_LEFT);
}

int ImageModeLabelId(bool imagesOff, bool imagesRestricted) {
    if (imagesOff) return IDS_IMAGES_LOAD;
    return imagesRestricted ? IDS_IMAGES_SHOW : IDS_IMAGES_OFF;
}

void DrawImageModeButton(const DRAWITEMSTRUCT* item, bool imagesOff, bool imagesRestricted) {
    if (!item || !(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return;
    char label[32] = "";
    LoadStringResource(static_cast<UINT>(ImageModeLabelId(imagesOff, imagesRestricted)), label, sizeof label);
    DrawFace(item, (item->itemState & ODS_SELECTED) != 0, label, DT_CENTER);
}
