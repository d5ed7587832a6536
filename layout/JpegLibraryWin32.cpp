// ZNJPG320.DLL, loaded beside the program by name on the first JPEG.
#include <windows.h>

#include "core/Preferences.h"
#include "layout/JpegLibrary.h"

namespace {

// 0 not tried, 1 tried and failed, otherwise the loaded module.
HMODULE g_module = nullptr;
bool g_tried = false;
int g_attempts = 0;
JpegEntryPoints g_entries;

template <class Fn>
bool Find(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_module, name)));
    return fn != nullptr;
}

}  // namespace

int LoadJpegLibrary() {
    if (g_tried) return g_module ? 1 : 0;
    g_tried = true;
    ++g_attempts;
    g_module = LoadLibraryA("ZNJPG320.DLL");
    if (!g_module) return 0;
    JpegEntryPoints& e = g_entries;
    bool all = Find(e.init, "InitDecompressJpeg") && Find(e.readHeader, "ReadJpegHeader") &&
               Find(e.start, "StartDecompressJpeg") && Find(e.decompress, "DecompressJpeg") &&
               Find(e.destroy, "DestroyDecompressJpeg");
    if (!all) {
        FreeLibrary(g_module);
        g_module = nullptr;
        g_entries = JpegEntryPoints();
        return 0;
    }
    return 1;
}

void UnloadJpegLibrary() {
    if (g_module) FreeLibrary(g_module);
    g_module = nullptr;
    g_entries = JpegEntryPoints();
    // A frame made again after this one went loads it again on its first JPEG.
    g_tried = false;
}

const JpegEntryPoints& JpegLibrary() {
    return g_entries;
}
int JpegLibraryLoadAttempts() {
    return g_attempts;
}

JpegOptions ReadJpegOptions() {
    JpegOptions options;
    if (!g_preferences) return options;
    const char* ini = g_preferences->IniPath();
    int dct = g_preferences->ReadInt("JPEG", "DCT METHOD", 0, ini);
    options.dctMethod = dct == 0 ? 0 : dct == 1 ? 1 : 2;
    int dither = g_preferences->ReadInt("JPEG", "DITHERING", 0, ini);
    options.ditherMode = dither == 0 ? 2 : dither == 1 ? 1 : 0;
    options.singlePass = g_preferences->ReadInt("JPEG", "PASSES", 0, ini) == 0;
    options.smoothing = g_preferences->ReadInt("JPEG", "SMOOTHING", 0, ini) == 0;
    return options;
}
