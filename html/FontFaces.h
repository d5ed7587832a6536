// Font faces by name for the CSS layer. The face list belongs to the
// layout's font table, above this layer: the table registers itself here
// while it lives. Without it no name has a face id.
#pragma once
#include <cstdint>

class FontFaceDirectory {
public:
    virtual ~FontFaceDirectory() = default;
    // The id of the named face, added when unknown; 0xFFFF when none can
    // be had.
    virtual uint16_t GetOrAddFaceId(const char* name, int length) = 0;
    // The face's name, or null.
    virtual const char* NameOfFace(uint16_t id) const = 0;
};

// Borrowed until it is registered again or null is registered.
void RegisterFontFaceDirectory(FontFaceDirectory* directory);

// A face id for a font-family name or FONT FACE, -1 when none.
int16_t FaceIdForName(const char* name, int length);
// The name of a face id, or null.
const char* FaceNameForId(int16_t id);
