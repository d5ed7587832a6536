#include "html/FontFaces.h"

namespace {
FontFaceDirectory* g_directory = nullptr;
}

void RegisterFontFaceDirectory(FontFaceDirectory* directory) { g_directory = directory; }

int16_t FaceIdForName(const char* name, int length) {
    if (!g_directory || !name || length <= 0) return -1;
    return static_cast<int16_t>(g_directory->GetOrAddFaceId(name, length));
}

const char* FaceNameForId(int16_t id) {
    if (!g_directory || id < 0) return nullptr;
    return g_directory->NameOfFace(static_cast<uint16_t>(id));
}
