#include "layout/DisplayPalette.h"

#include <cstddef>

DisplayPalette* g_displayPalette = nullptr;

namespace {
int ContrastChannel(int c) { return c >= 101 && c <= 149 ? 0 : 255 - c; }

const uint8_t kLowFixed[10][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                                  {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {164, 200, 240}};
const uint8_t kHighFixed[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
                                   {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
const uint8_t kCubeRed[3] = {23, 65, 107};
const uint8_t kCubeLevels[6] = {23, 65, 107, 149, 191, 233};
const uint8_t kGreys[12] = {11, 36, 50, 78, 92, 120, 135, 163, 179, 205, 219, 244};

// Entries of the colours that may change, and of their contrast colours.
constexpr int kBackgroundEntry = 10, kBackgroundContrast = 245;
constexpr int kDarkEntry = 11, kLightEntry = 244;
constexpr int kLinkEntry = 12, kLinkContrast = 243;
constexpr int kVisitedEntry = 13, kVisitedContrast = 242;
}  // namespace

uint32_t ContrastColor(uint32_t c) {
    return PaletteRgb(ContrastChannel(RedOf(c)), ContrastChannel(GreenOf(c)), ContrastChannel(BlueOf(c)));
}

uint32_t DarkShade(uint32_t c) { return PaletteRgb(RedOf(c) >> 1, GreenOf(c) >> 1, BlueOf(c) >> 1); }

uint32_t LightShade(uint32_t c) {
    auto light = [](int v) { return 255 - ((255 - v) >> 1); };
    return PaletteRgb(light(RedOf(c)), light(GreenOf(c)), light(BlueOf(c)));
}

DisplayPalette::DisplayPalette(int depth, uint32_t background, uint32_t link, uint32_t visitedLink,
                               PaletteSystem* system, const std::vector<PaletteEntry>& systemEntries)
    : depth_(depth), eightBit_(false), system_(system) {
    if (depth == 8 && system_) {
        BuildEntries();
        greys_ = {0, 255};
        hasPalette_ = system_->Create(entries_);
        eightBit_ = true;
        FillChannels(entries_, kEntries);
        SetLinkColor(link);
        SetVisitedLinkColor(visitedLink);
        SetBackgroundColor(background);
        return;
    }
    if (depth == 4 && !systemEntries.empty()) {
        FillChannels(systemEntries.data(), static_cast<int>(systemEntries.size()));
        for (std::size_t i = 0; i < systemEntries.size(); ++i) {
            const PaletteEntry& e = systemEntries[i];
            if (e.red == e.green && e.green == e.blue) greys_.push_back(static_cast<uint8_t>(i));
        }
    }
    link_ = link;
    visited_ = visitedLink;
    background_ = background;
    dark_ = DarkShade(background);
    light_ = LightShade(background);
}

void DisplayPalette::Put(int index, uint32_t color) {
    entries_[index].red = static_cast<uint8_t>(RedOf(color));
    entries_[index].green = static_cast<uint8_t>(GreenOf(color));
    entries_[index].blue = static_cast<uint8_t>(BlueOf(color));
    entries_[index].flags = 0;
}

void DisplayPalette::BuildEntries() {
    for (int i = 0; i < 10; ++i) {
        Put(i, PaletteRgb(kLowFixed[i][0], kLowFixed[i][1], kLowFixed[i][2]));
        Put(246 + i, PaletteRgb(kHighFixed[i][0], kHighFixed[i][1], kHighFixed[i][2]));
    }
    Put(kBackgroundEntry, PaletteRgb(100, 100, 100));
    Put(kBackgroundContrast, PaletteRgb(155, 155, 155));
    Put(kDarkEntry, PaletteRgb(3, 3, 3));
    Put(kLightEntry, PaletteRgb(252, 252, 252));
    Put(kLinkEntry, PaletteRgb(1, 1, 1));
    Put(kLinkContrast, PaletteRgb(254, 254, 254));
    Put(kVisitedEntry, PaletteRgb(2, 2, 2));
    Put(kVisitedContrast, PaletteRgb(253, 253, 253));
    int i = 14;
    for (uint8_t r : kCubeRed) {
        for (uint8_t g : kCubeLevels) {
            for (uint8_t b : kCubeLevels) {
                Put(i, PaletteRgb(r, g, b));
                Put(255 - i, PaletteRgb(255 - r, 255 - g, 255 - b));
                ++i;
            }
        }
    }
    for (int g = 0; g < 12; ++g) Put(122 + g, PaletteRgb(kGreys[g], kGreys[g], kGreys[g]));
}

void DisplayPalette::FillChannels(const PaletteEntry* entries, int count) {
    for (auto& table : channels_) table.assign(count, 0);
    for (int i = 0; i < count; ++i) {
        channels_[0][i] = entries[i].red;
        channels_[1][i] = entries[i].green;
        channels_[2][i] = entries[i].blue;
    }
}

bool DisplayPalette::HoldsColor(uint32_t color) const {
    for (const PaletteEntry& e : entries_) {
        if (e.red == RedOf(color) && e.green == GreenOf(color) && e.blue == BlueOf(color)) return true;
    }
    return false;
}

int DisplayPalette::WriteColor(uint32_t color, int entry, int contrastEntry) {
    if (!eightBit_ || HoldsColor(color)) return 0;
    Put(entry, color);
    if (contrastEntry >= 0) Put(contrastEntry, ContrastColor(color));
    FillChannels(entries_, kEntries);
    if (hasPalette_) {
        system_->EntryChanged(entry, entries_[entry]);
        if (contrastEntry >= 0) system_->EntryChanged(contrastEntry, entries_[contrastEntry]);
    }
    return 1;
}

int DisplayPalette::WriteShades() {
    dark_ = DarkShade(background_);
    light_ = LightShade(background_);
    int written = WriteColor(dark_, kDarkEntry, -1);
    written |= WriteColor(light_, kLightEntry, -1);
    return written;
}

int DisplayPalette::SetBackgroundColor(uint32_t color) {
    background_ = color;
    int written = WriteColor(color, kBackgroundEntry, kBackgroundContrast);
    int shades = WriteShades();
    return written ? 1 : shades;
}

int DisplayPalette::SetLinkColor(uint32_t color) {
    link_ = color;
    return WriteColor(color, kLinkEntry, kLinkContrast);
}

int DisplayPalette::SetVisitedLinkColor(uint32_t color) {
    visited_ = color;
    return WriteColor(color, kVisitedEntry, kVisitedContrast);
}
