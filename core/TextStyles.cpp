// The text styles of the preferences: fonts and colours per style id.
#include <windows.h>

#include <cstring>

#include "core/AppGlobals.h"
#include "core/Preferences.h"

namespace {

struct StyleSections {
    int id;
    const char* font;   // null: no font section
    const char* color;  // null: no colour section
    int systemColor;    // GetSysColor index of the default colour
};

const StyleSections kStyles[] = {
    {0, "FONT.NORMAL", "COLOR.NORMAL", COLOR_WINDOWTEXT},
    {1, "FONT.FORM.TEXT", "COLOR.FORM.TEXT", COLOR_WINDOWTEXT},
    {3, "FONT.FORM.BUTTON", "COLOR.FORM.BUTTON", COLOR_WINDOWTEXT},
    {4, "FONT.NEWS.GROUP", "COLOR.NEWS.GROUP", COLOR_WINDOWTEXT},
    {5, "FONT.NART.HEAD", "COLOR.NART.HEAD", COLOR_WINDOWTEXT},
    {6, "FONT.NART.BODY", "COLOR.NART.BODY", COLOR_WINDOWTEXT},
    {268, "FONT.H1", "COLOR.H1", COLOR_WINDOWTEXT},
    {269, "FONT.H2", "COLOR.H2", COLOR_WINDOWTEXT},
    {270, "FONT.H3", "COLOR.H3", COLOR_WINDOWTEXT},
    {271, "FONT.H4", "COLOR.H4", COLOR_WINDOWTEXT},
    {272, "FONT.H5", "COLOR.H5", COLOR_WINDOWTEXT},
    {273, "FONT.H6", "COLOR.H6", COLOR_WINDOWTEXT},
    {283, "FONT.PRE", "COLOR.PRE", COLOR_WINDOWTEXT},
    {kStyleUi, "FONT.UI", "COLOR.UI", COLOR_BTNTEXT},
    {kStyleUiBackground, nullptr, "COLOR.UIBG", COLOR_BTNFACE},
    {kStyleUiDisabled, "FONT.UIDIS", "COLOR.UIDIS", COLOR_GRAYTEXT},
    {kStyleUiProgress, nullptr, "COLOR.UIPROGRESS", COLOR_HIGHLIGHT},
    {kStyleUiButtonBackground, nullptr, "COLOR.UIBUTTONBG", COLOR_BTNHIGHLIGHT},
    {kStyleHotlistTree, "FONT.HOTLISTTREE", "COLOR.UIHOTLISTTREEFONT", COLOR_WINDOWTEXT},
};

const StyleSections* FindStyle(int id) {
    for (const StyleSections& style : kStyles) {
        if (style.id == id) return &style;
    }
    return nullptr;
}

// Pixels of 8 and 12 points on the display, measured once per run.
struct DisplayMeasure {
    int p8;
    int p12;
};

const DisplayMeasure& MeasureDisplay() {
    static DisplayMeasure measure = [] {
        HWND window = g_frameWindow;
        HDC dc = GetDC(window);
        int perInch = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(window, dc);
        return DisplayMeasure{MulDiv(8, perInch, 72), MulDiv(12, perInch, 72)};
    }();
    return measure;
}

// Default height and weight of a style's font.
void FontDefaults(int id, LOGFONTA* font) {
    const DisplayMeasure& m = MeasureDisplay();
    *font = LOGFONTA{};
    font->lfWeight = 400;
    switch (id) {
        case 268:
            font->lfHeight = -(m.p12 + 12), font->lfWeight = 700;
            break;
        case 269:
            font->lfHeight = -(m.p12 + 6), font->lfWeight = 700;
            break;
        case 270:
            font->lfHeight = -(m.p12 + 2), font->lfWeight = 700;
            break;
        case 271:
            font->lfHeight = -m.p12, font->lfWeight = 700;
            break;
        case 272:
            font->lfHeight = -(m.p12 - 2), font->lfWeight = 700;
            break;
        case 273:
            font->lfHeight = -(m.p12 - 4), font->lfWeight = 700;
            break;
        case 5:
            font->lfHeight = -m.p12, font->lfWeight = 700;
            break;
        case kStyleUi:
        case kStyleUiDisabled:
        case kStyleHotlistTree:
            font->lfHeight = -m.p8;
            break;
        default:
            font->lfHeight = -m.p12;
            break;
    }
    bool fixed = id == 283 || id == 6 || id == 1;
    std::strcpy(font->lfFaceName, fixed ? "Courier New" : "Times New Roman");
    font->lfPitchAndFamily = fixed ? 0x31 : 0x12;
}

// The font keys in the order written; the first five are the 32-bit fields.
const char* const kFontKeys[13] = {
    "HEIGHT",    "WIDTH",   "ESCAPEMENT",   "ORIENTATION",   "WEIGHT",  "ITALIC",        "UNDERLINE",
    "STRIKEOUT", "CHARSET", "OUTPRECISION", "CLIPPRECISION", "QUALITY", "PITCHANDFAMILY"};

LONG* LongField(LOGFONTA* font, int index) {
    LONG* fields[5] = {&font->lfHeight, &font->lfWidth, &font->lfEscapement, &font->lfOrientation,
                       &font->lfWeight};
    return fields[index];
}

BYTE* ByteField(LOGFONTA* font, int index) {
    BYTE* fields[8] = {&font->lfItalic,  &font->lfUnderline,     &font->lfStrikeOut,
                       &font->lfCharSet, &font->lfOutPrecision,  &font->lfClipPrecision,
                       &font->lfQuality, &font->lfPitchAndFamily};
    return fields[index - 5];
}

}  // namespace

bool Preferences::ReadFont(int styleId, LOGFONTA* font) const {
    const StyleSections* style = FindStyle(styleId);
    if (!style || !style->font || !font) return false;
    FontDefaults(styleId, font);
    const char* path = iniPath_.c_str();
    for (int i = 0; i < 13; ++i) {
        if (i < 5) {
            LONG* field = LongField(font, i);
            *field = ReadInt(style->font, kFontKeys[i], *field, path);
        } else {
            BYTE* field = ByteField(font, i);
            *field = static_cast<BYTE>(ReadInt(style->font, kFontKeys[i], *field, path));
        }
    }
    char face[30];
    ReadString(style->font, "FACENAME", font->lfFaceName, face, sizeof face, path);
    std::strcpy(font->lfFaceName, face);
    return true;
}

void Preferences::WriteFont(int styleId, const LOGFONTA& font) const {
    const StyleSections* style = FindStyle(styleId);
    if (!style || !style->font) return;
    LOGFONTA copy = font;
    const char* path = iniPath_.c_str();
    for (int i = 0; i < 13; ++i) {
        int value = i < 5 ? static_cast<int>(*LongField(&copy, i)) : *ByteField(&copy, i);
        WriteInt(style->font, kFontKeys[i], value, path);
    }
    copy.lfFaceName[LF_FACESIZE - 1] = '\0';
    WriteString(style->font, "FACENAME", copy.lfFaceName, path);
}

COLORREF Preferences::ReadColor(int styleId) const {
    const StyleSections* style = FindStyle(styleId);
    if (!style || !style->color) return 0;
    return ReadColorKeys(style->color, GetSysColor(style->systemColor));
}

void Preferences::WriteColor(int styleId, COLORREF color) const {
    const StyleSections* style = FindStyle(styleId);
    if (style && style->color) WriteColorKeys(style->color, color);
}

void Preferences::LoadUiObjects() {
    FreeUiObjects();
    LOGFONTA font;
    if (ReadFont(kStyleUi, &font)) uiFont_ = CreateFontIndirectA(&font);
    if (ReadFont(kStyleUiDisabled, &font)) uiDisabledFont_ = CreateFontIndirectA(&font);
    uiColor_ = ReadColor(kStyleUi);
    uiDisabledColor_ = ReadColor(kStyleUiDisabled);
    uiBackgroundColor_ = ReadColor(kStyleUiBackground);
    buttonBackgroundColor_ = ReadColor(kStyleUiButtonBackground);
    progressColor_ = ReadColor(kStyleUiProgress);
    uiBackgroundBrush_ = CreateSolidBrush(uiBackgroundColor_);
    buttonBackgroundBrush_ = CreateSolidBrush(buttonBackgroundColor_);
    progressBrush_ = CreateSolidBrush(progressColor_);
}

void Preferences::FreeUiObjects() {
    for (HGDIOBJ* object :
         {reinterpret_cast<HGDIOBJ*>(&uiFont_), reinterpret_cast<HGDIOBJ*>(&uiDisabledFont_),
          reinterpret_cast<HGDIOBJ*>(&uiBackgroundBrush_), reinterpret_cast<HGDIOBJ*>(&progressBrush_),
          reinterpret_cast<HGDIOBJ*>(&buttonBackgroundBrush_)}) {
        if (*object) DeleteObject(*object);
        *object = nullptr;
    }
}

void Preferences::ReplaceFont(HFONT* font, int styleId, const LOGFONTA& record) {
    WriteFont(styleId, record);
    if (*font) DeleteObject(*font);
    *font = CreateFontIndirectA(&record);
}

void Preferences::ReplaceBrush(HBRUSH* brush, COLORREF* kept, int styleId, COLORREF color) {
    WriteColor(styleId, color);
    if (*brush) DeleteObject(*brush);
    *brush = CreateSolidBrush(color);
    *kept = color;
}

void Preferences::SetUiFont(const LOGFONTA& font) {
    ReplaceFont(&uiFont_, kStyleUi, font);
}

void Preferences::SetUiDisabledFont(const LOGFONTA& font) {
    ReplaceFont(&uiDisabledFont_, kStyleUiDisabled, font);
}

void Preferences::SetUiColor(COLORREF color) {
    WriteColor(kStyleUi, color);
    uiColor_ = color;
}

void Preferences::SetUiDisabledColor(COLORREF color) {
    WriteColor(kStyleUiDisabled, color);
    uiDisabledColor_ = color;
}

void Preferences::SetUiBackgroundColor(COLORREF color) {
    ReplaceBrush(&uiBackgroundBrush_, &uiBackgroundColor_, kStyleUiBackground, color);
}

void Preferences::SetButtonBackgroundColor(COLORREF color) {
    ReplaceBrush(&buttonBackgroundBrush_, &buttonBackgroundColor_, kStyleUiButtonBackground, color);
}

void Preferences::SetProgressColor(COLORREF color) {
    ReplaceBrush(&progressBrush_, &progressColor_, kStyleUiProgress, color);
}

void Preferences::MeasureButtonLabels() {
    int type = Get(PrefInt::ToolbarType);
    if (type != 1 && type != 2 && type != 4) return;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old =
        SelectObject(dc, uiFont_ ? static_cast<HGDIOBJ>(uiFont_) : GetStockObject(DEFAULT_GUI_FONT));
    int widest = 0;
    int height = 0;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (UINT id = 21203; id <= 21232; ++id) {
        char label[64];
        int length = LoadStringA(instance, id, label, sizeof label);
        if (length <= 0) continue;
        SIZE size;
        if (!GetTextExtentPoint32A(dc, label, length, &size)) continue;
        widest = size.cx > widest ? size.cx : widest;
        height = size.cy > height ? size.cy : height;
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    if (widest + 10 > buttonWidth_) buttonWidth_ = widest + 10;
    if (height > 0) buttonHeight_ += height + 6;
}
