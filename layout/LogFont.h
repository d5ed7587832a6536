// The logical font record that the font table and the output devices keep.
// Its fields and their order are those of the system's LOGFONTA (60 bytes),
// so the screen device hands it to the system by copying, while the layout
// code never needs the system's headers.
#pragma once
#include <cstdint>

struct LogFont {
    int32_t height = 0;  // negative: a character height in pixels
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;  // the devices use it for decoration bits
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    char faceName[32] = {};
};
static_assert(sizeof(LogFont) == 60, "LogFont must match LOGFONTA");

// Sets the face name, cut to the field.
void SetLogFontFace(LogFont& font, const char* name);
