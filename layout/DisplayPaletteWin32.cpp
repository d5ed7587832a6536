#include "layout/DisplayPaletteWin32.h"

#include <vector>

namespace {

class GdiPalette : public PaletteSystem {
public:
    ~GdiPalette() override {
        if (palette_) DeleteObject(palette_);
    }
    bool Create(const PaletteEntry* entries) override {
        // A LOGPALETTE of 256 entries: the header and the entries that follow it.
        std::vector<unsigned char> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
        LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(block.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = 256;
        for (int i = 0; i < 256; ++i) {
            logical->palPalEntry[i] = PALETTEENTRY{entries[i].red, entries[i].green, entries[i].blue, 0};
        }
        HDC screen = GetDC(nullptr);
        SetSystemPaletteUse(screen, SYSPAL_STATIC);
        palette_ = CreatePalette(logical);
        if (palette_) {
            HPALETTE old = SelectPalette(screen, palette_, FALSE);
            RealizePalette(screen);
            SelectPalette(screen, old, FALSE);
        }
        ReleaseDC(nullptr, screen);
        return palette_ != nullptr;
    }
    void EntryChanged(int index, const PaletteEntry& entry) override {
        if (!palette_) return;
        PALETTEENTRY e = {entry.red, entry.green, entry.blue, 0};
        SetPaletteEntries(palette_, index, 1, &e);
    }
    HPALETTE Handle() const { return palette_; }

private:
    HPALETTE palette_ = nullptr;
};

GdiPalette* g_gdiPalette = nullptr;

uint32_t ToPaletteColor(COLORREF c) { return PaletteRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }
}  // namespace

DisplayPalette* CreateDisplayPalette(COLORREF background, COLORREF link, COLORREF visitedLink) {
    DestroyDisplayPalette();
    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    const bool paletted = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    std::vector<PaletteEntry> system;
    if (depth == 4) {
        PALETTEENTRY entries[16];
        const UINT n = GetSystemPaletteEntries(screen, 0, 16, entries);
        for (UINT i = 0; i < n; ++i) system.push_back({entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0});
    }
    ReleaseDC(nullptr, screen);
    if (depth == 8 && paletted) g_gdiPalette = new GdiPalette;
    g_displayPalette = new DisplayPalette(depth, ToPaletteColor(background), ToPaletteColor(link),
                                          ToPaletteColor(visitedLink), g_gdiPalette, system);
    return g_displayPalette;
}

void DestroyDisplayPalette() {
    delete g_displayPalette;
    g_displayPalette = nullptr;
    delete g_gdiPalette;
    g_gdiPalette = nullptr;
}

int SelectDisplayPalette(HDC dc, bool background) {
    if (!dc || !g_gdiPalette || !g_gdiPalette->Handle()) return 0;
    SelectPalette(dc, g_gdiPalette->Handle(), background ? TRUE : FALSE);
    return static_cast<int>(RealizePalette(dc));
}
