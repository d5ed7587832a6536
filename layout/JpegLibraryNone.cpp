// The native build has no outside JPEG library: JPEG images stay empty.
#include "layout/JpegLibrary.h"

namespace {
int g_attempts = 0;
JpegEntryPoints g_none;
}  // namespace

int LoadJpegLibrary() {
    g_attempts = 1;
    return 0;
}

void UnloadJpegLibrary() {}
const JpegEntryPoints& JpegLibrary() {
    return g_none;
}
int JpegLibraryLoadAttempts() {
    return g_attempts;
}
JpegOptions ReadJpegOptions() {
    return JpegOptions();
}
