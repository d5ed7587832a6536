/* The decompression record that the program keeps for ZNJPG320.DLL and the
 * five operations the library exports (undecorated names). The program sets
 * source and sourceBytes before every call; the library leaves there what it
 * has not used yet, and in skipBytes what it still wants passed over of the
 * data to come. Errors come back through the error flag: the library never
 * unwinds into the program. Output rows are grey (one byte a pixel), colour
 * indices (with a colour map) or blue, green, red. */
#ifndef ZINTU_JPEG_RECORD_H
#define ZINTU_JPEG_RECORD_H

#include <stdint.h>

/* The C calling convention on both architectures: the plain export names
 * of the .def file are then the functions' own. */
#if defined(_WIN32)
#define ZNJPG_CALL __cdecl
#else
#define ZNJPG_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct JpegRecord {
    void* decoder; /* the library's own, made by InitDecompressJpeg */
    const unsigned char* source;
    uint32_t sourceBytes;
    uint32_t skipBytes;
    uint32_t outputWidth;
    uint32_t outputHeight;
    int32_t outputColourSpace; /* 1 grey */
    int32_t outputComponents;
    int32_t colourCount;       /* with a colour map */
    unsigned char** colourMap; /* red, green, blue arrays, or null */
} JpegRecord;

typedef int(ZNJPG_CALL* InitDecompressJpegFn)(JpegRecord* record, void* sourceArea, void* errorArea);
typedef int(ZNJPG_CALL* ReadJpegHeaderFn)(JpegRecord* record, int* error);
typedef int(ZNJPG_CALL* StartDecompressJpegFn)(JpegRecord* record, int* error, unsigned char** colourMap,
                                               int hasColourMap, int colours, int singlePass, int ditherMode,
                                               int dctMethod, int smoothing);
typedef int(ZNJPG_CALL* DecompressJpegFn)(JpegRecord* record, int* error, unsigned char** rows, int rowCount);
typedef void(ZNJPG_CALL* DestroyDecompressJpegFn)(JpegRecord* record);

#ifdef __cplusplus
}
#endif

#endif
