#include "layout/SystemFonts.h"

#include <cstring>
#include <memory>

#include "core/Preferences.h"

namespace {

const char kSysInfoClass[] = "ZINTU ASysInfo class window";

class GdiFontSystem : public FontSystem {
public:
    void ListFamilies(const std::function<void(const char*)>& add) override {
        HDC screen = GetDC(nullptr);
        EnumFontFamiliesA(screen, nullptr, &GdiFontSystem::OnFamily, reinterpret_cast<LPARAM>(&add));
        ReleaseDC(nullptr, screen);
    }
    int RealizedWeight(const char* face, int weight) override {
        LOGFONTA logfont = {};
        logfont.lfHeight = -18;
        logfont.lfWeight = weight;
        std::strncpy(logfont.lfFaceName, face, sizeof logfont.lfFaceName - 1);
        HFONT font = CreateFontIndirectA(&logfont);
        HDC screen = GetDC(nullptr);
        HGDIOBJ old = SelectObject(screen, font);
        TEXTMETRICA tm = {};
        GetTextMetricsA(screen, &tm);
        SelectObject(screen, old);
        ReleaseDC(nullptr, screen);
        DeleteObject(font);
        return tm.tmWeight;
    }

private:
    static int CALLBACK OnFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM data) {
        (*reinterpret_cast<const std::function<void(const char*)>*>(data))(font->lfFaceName);
        return 1;
    }
};

GdiFontSystem g_gdiFonts;

struct SystemFontInfo {
    int uses = 0;
    HWND window = nullptr;
    HFONT font = nullptr;
    LOGFONTA logfont = {};
    TEXTMETRICA metrics = {};
} g_info;

LRESULT CALLBACK SysInfoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WININICHANGE && wParam == SPI_SETNONCLIENTMETRICS) LoadSystemFontInfo();
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

FontTable* CreateScreenFontTable(const char* const genericFaces[FontTable::kGenericCount], int sizeStepPercent) {
    DestroyScreenFontTable();
    g_fontTable = new FontTable(&g_gdiFonts, genericFaces);
    g_fontTable->SetSizeStepPercent(sizeStepPercent);
    return g_fontTable;
}

void DestroyScreenFontTable() {
    delete g_fontTable;
    g_fontTable = nullptr;
}

void FillFontTable(FontTable& table, const Preferences& preferences) {
    auto styleOf = [&](int id) -> std::unique_ptr<FontStyle> {
        LOGFONTA system = {};
        if (!preferences.ReadFont(id, &system)) return nullptr;
        LogFont font;
        static_assert(sizeof font == sizeof system, "LogFont mirrors LOGFONTA");
        std::memcpy(static_cast<void*>(&font), &system, sizeof font);
        FontSpec numbers;
        return std::make_unique<FontStyle>(numbers, font.italic ? 1 : 0, font.weight >= FW_BOLD ? 1 : 0,
                                           &font, -1, 0, font.underline, font.strikeOut);
    };
    for (int id = 0; id < FontTable::kSpecialSlots; ++id) {
        if (auto style = styleOf(id)) table.SetSpecial(id, std::move(style));
    }
    for (int id : {0, 268, 269, 270, 271, 272, 273, 283}) {
        if (auto style = styleOf(id)) table.SetForElement(id, std::move(style));
    }
}

void LoadSystemFontInfo() {
    if (g_info.font) DeleteObject(g_info.font);
    g_info.font = nullptr;
    NONCLIENTMETRICSA metrics = {};
    // The size of the record that every system since the first knows.
    metrics.cbSize = 340;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0)) return;
    g_info.logfont = metrics.lfMenuFont;
    g_info.font = CreateFontIndirectA(&g_info.logfont);
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!display) return;
    HGDIOBJ old = SelectObject(display, g_info.font);
    GetTextMetricsA(display, &g_info.metrics);
    SelectObject(display, old);
    DeleteDC(display);
}

void AcquireSystemFontInfo() {
    if (g_info.uses++ > 0) return;
    LoadSystemFontInfo();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SysInfoWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kSysInfoClass;
    RegisterClassA(&wc);
    g_info.window = CreateWindowExA(0, kSysInfoClass, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                    wc.hInstance, nullptr);
}

void ReleaseSystemFontInfo() {
    if (g_info.uses <= 0 || --g_info.uses > 0) return;
    if (g_info.window) DestroyWindow(g_info.window);
    g_info.window = nullptr;
    if (g_info.font) DeleteObject(g_info.font);
    g_info.font = nullptr;
}

HFONT SystemMenuFont() { return g_info.font; }
const LOGFONTA& SystemMenuLogFont() { return g_info.logfont; }
const TEXTMETRICA& SystemMenuMetrics() { return g_info.metrics; }
