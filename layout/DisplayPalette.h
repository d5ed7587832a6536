// The program's display palette (one global object, made at start-up after
// the preferences and destroyed at exit).
//
// On a display of 8 bits per pixel it owns a 256-entry palette that every
// window and image painting selects before drawing, with the document
// background, link and visited-link colours in fixed entries so that they
// show exactly. Elsewhere it only remembers those colours (and, on 4-bit
// displays, the system's colours).
//
// The entries and colour rules here are platform-free; the system palette
// is reached through a PaletteSystem (the GDI one in DisplayPaletteWin32).
#pragma once
#include <cstdint>
#include <vector>

struct PaletteEntry {
    uint8_t red = 0, green = 0, blue = 0, flags = 0;
};

// Colours are palette-relative colour values: 0x02 in the top byte, then
// blue, green, red.
constexpr uint32_t PaletteRgb(int red, int green, int blue) {
    return 0x02000000u | (static_cast<uint32_t>(blue & 0xFF) << 16) | (static_cast<uint32_t>(green & 0xFF) << 8) |
           static_cast<uint32_t>(red & 0xFF);
}
constexpr int RedOf(uint32_t c) { return c & 0xFF; }
constexpr int GreenOf(uint32_t c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(uint32_t c) { return (c >> 16) & 0xFF; }

// Per channel: 0 in 101..149, else 255 - c.
uint32_t ContrastColor(uint32_t color);
uint32_t DarkShade(uint32_t color);
uint32_t LightShade(uint32_t color);

class PaletteSystem {
public:
    virtual ~PaletteSystem() = default;
    // Creates the system palette from the 256 entries; false when it fails.
    virtual bool Create(const PaletteEntry* entries) = 0;
    // Entry i of the created palette changed.
    virtual void EntryChanged(int index, const PaletteEntry& entry) = 0;
};

class DisplayPalette {
public:
    static constexpr int kEntries = 256;

    // depth: bits per pixel times planes. system: borrowed, used on 8-bit
    // displays (null: no system palette). systemEntries: the system colours
    // of a 4-bit display (empty when they could not be read).
    DisplayPalette(int depth, uint32_t background, uint32_t link, uint32_t visitedLink, PaletteSystem* system,
                   const std::vector<PaletteEntry>& systemEntries = {});

    int Depth() const { return depth_; }
    bool HasPalette() const { return hasPalette_; }
    const PaletteEntry& Entry(int i) const { return entries_[i & 0xFF]; }

    // 1 when an entry was written for the colour (or, for the background,
    // for one of its shades), else 0.
    int SetBackgroundColor(uint32_t color);
    int SetLinkColor(uint32_t color);
    int SetVisitedLinkColor(uint32_t color);

    uint32_t BackgroundColor() const { return background_; }
    uint32_t BackgroundDarkShade() const { return dark_; }
    uint32_t BackgroundLightShade() const { return light_; }
    uint32_t LinkColor() const { return link_; }
    uint32_t VisitedLinkColor() const { return visited_; }

    // Red, green and blue of every entry (count 3, each table length long);
    // empty when there are none.
    const std::vector<uint8_t>& ChannelTable(int channel) const { return channels_[channel]; }
    const std::vector<uint8_t>& Greys() const { return greys_; }

private:
    void BuildEntries();
    void FillChannels(const PaletteEntry* entries, int count);
    bool HoldsColor(uint32_t color) const;
    int WriteColor(uint32_t color, int entry, int contrastEntry);
    int WriteShades();
    void Put(int index, uint32_t color);

    int depth_;
    bool eightBit_;
    bool hasPalette_ = false;
    PaletteSystem* system_;
    PaletteEntry entries_[kEntries];
    std::vector<uint8_t> greys_;
    std::vector<uint8_t> channels_[3];
    uint32_t background_ = 0;
    uint32_t dark_ = 0;
    uint32_t light_ = 0;
    uint32_t link_ = 0;
    uint32_t visited_ = 0;
};

// The program's palette; null while there is none.
extern DisplayPalette* g_displayPalette;
