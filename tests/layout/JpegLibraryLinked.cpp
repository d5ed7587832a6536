// For the native image benchmark only: our ZNJPG320 linked in (over the
// system's libjpeg) in place of the library the program loads by name.
#include "layout/JpegLibrary.h"

extern "C" {
int ZNJPG_CALL InitDecompressJpeg(JpegRecord*, void*, void*);
int ZNJPG_CALL ReadJpegHeader(JpegRecord*, int*);
int ZNJPG_CALL StartDecompressJpeg(JpegRecord*, int*, unsigned char**, int, int, int, int, int, int);
int ZNJPG_CALL DecompressJpeg(JpegRecord*, int*, unsigned char**, int);
void ZNJPG_CALL DestroyDecompressJpeg(JpegRecord*);
}

int LoadJpegLibrary() {
    return 1;
}
void UnloadJpegLibrary() {}
const JpegEntryPoints& JpegLibrary() {
    static JpegEntryPoints entries = [] {
        JpegEntryPoints e;
        e.init = InitDecompressJpeg;
        e.readHeader = ReadJpegHeader;
        e.start = StartDecompressJpeg;
        e.decompress = DecompressJpeg;
        e.destroy = DestroyDecompressJpeg;
        return e;
    }();
    return entries;
}
int JpegLibraryLoadAttempts() {
    return 1;
}
JpegOptions ReadJpegOptions() {
    return JpegOptions();
}
