// The outside JPEG decoder ZNJPG320.DLL, loaded by name on first use, once
// per run: when it is missing or incomplete it is not tried again, and JPEG
// images stay empty.
#pragma once
#include "outside/ZNJPG320/JpegRecord.h"

struct JpegEntryPoints {
    InitDecompressJpegFn init = nullptr;
    ReadJpegHeaderFn readHeader = nullptr;
    StartDecompressJpegFn start = nullptr;
    DecompressJpegFn decompress = nullptr;
    DestroyDecompressJpegFn destroy = nullptr;
};

// 1 when the library is usable.
int LoadJpegLibrary();
// Frees a loaded library (at exit); a JPEG after that loads it again.
void UnloadJpegLibrary();
const JpegEntryPoints& JpegLibrary();
// How many times loading was tried in this run (0 or 1).
int JpegLibraryLoadAttempts();

// The decoding choices of the preferences' "JPEG" section.
struct JpegOptions {
    int dctMethod = 0;
    int ditherMode = 2;
    bool singlePass = true;
    bool smoothing = true;
};
JpegOptions ReadJpegOptions();
