/* ZNJPG320.DLL: incremental JPEG decompression over libjpeg for the
 * program's JpegImage. Data arrives in pieces: the source manager suspends
 * when it runs dry, and the program hands the unused bytes in again with the
 * next piece. libjpeg reports errors by a long jump, which stays inside each
 * export here and comes back to the program as the error flag. */
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
/* libjpeg's header needs size_t and FILE declared before it. */
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "JpegRecord.h"

#define MAX_DECODER_MEMORY (256L * 1024 * 1024)

typedef struct ErrorManager {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
} ErrorManager;

typedef struct Decoder {
    struct jpeg_decompress_struct info;
    ErrorManager error;
    struct jpeg_source_mgr source;
    JpegRecord* record;
    int parametersSet;
} Decoder;

static void ErrorExit(j_common_ptr info) {
    ErrorManager* error = (ErrorManager*)info->err;
    longjmp(error->jump, 1);
}

static void QuietMessage(j_common_ptr info) {
    (void)info;
}

static void InitSource(j_decompress_ptr info) {
    (void)info;
}

/* Nothing more now: libjpeg suspends and backs up to where it can resume. */
static boolean FillInputBuffer(j_decompress_ptr info) {
    (void)info;
    return FALSE;
}

static void SkipInputData(j_decompress_ptr info, long count) {
    Decoder* decoder = (Decoder*)info->client_data;
    struct jpeg_source_mgr* source = info->src;
    if (count <= 0) return;
    if ((size_t)count > source->bytes_in_buffer) {
        decoder->record->skipBytes += (uint32_t)(count - (long)source->bytes_in_buffer);
        source->next_input_byte += source->bytes_in_buffer;
        source->bytes_in_buffer = 0;
    } else {
        source->next_input_byte += count;
        source->bytes_in_buffer -= (size_t)count;
    }
}

static void TermSource(j_decompress_ptr info) {
    (void)info;
}

static void TakeSource(Decoder* decoder) {
    decoder->source.next_input_byte = decoder->record->source;
    decoder->source.bytes_in_buffer = decoder->record->sourceBytes;
}

static void GiveSource(Decoder* decoder) {
    decoder->record->source = decoder->source.next_input_byte;
    decoder->record->sourceBytes = (uint32_t)decoder->source.bytes_in_buffer;
}

int ZNJPG_CALL InitDecompressJpeg(JpegRecord* record, void* sourceArea, void* errorArea) {
    Decoder* decoder;
    (void)sourceArea;
    (void)errorArea;
    if (!record) return 0;
    decoder = (Decoder*)calloc(1, sizeof(Decoder));
    if (!decoder) return 0;
    decoder->record = record;
    decoder->info.err = jpeg_std_error(&decoder->error.pub);
    decoder->error.pub.error_exit = ErrorExit;
    decoder->error.pub.output_message = QuietMessage;
    if (setjmp(decoder->error.jump)) {
        free(decoder);
        return 0;
    }
    jpeg_create_decompress(&decoder->info);
    /* A progressive picture is held whole while its scans arrive; beyond
     * this the picture is refused (an error), not allocated. */
    decoder->info.mem->max_memory_to_use = MAX_DECODER_MEMORY;
    decoder->info.client_data = decoder;
    decoder->source.init_source = InitSource;
    decoder->source.fill_input_buffer = FillInputBuffer;
    decoder->source.skip_input_data = SkipInputData;
    decoder->source.resync_to_restart = jpeg_resync_to_restart;
    decoder->source.term_source = TermSource;
    decoder->info.src = &decoder->source;
    record->decoder = decoder;
    return 1;
}

int ZNJPG_CALL ReadJpegHeader(JpegRecord* record, int* error) {
    Decoder* decoder = record ? (Decoder*)record->decoder : NULL;
    int result;
    if (!decoder) {
        *error = 1;
        return 0;
    }
    TakeSource(decoder);
    if (setjmp(decoder->error.jump)) {
        GiveSource(decoder);
        *error = 1;
        return 0;
    }
    result = jpeg_read_header(&decoder->info, TRUE) == JPEG_HEADER_OK;
    GiveSource(decoder);
    /* Baseline and progressive pictures only: libjpeg's arithmetic decoder
     * cannot wait for data, so such a picture would fail or not depending
     * on how its data happened to arrive. */
    if (result && decoder->info.arith_code) {
        *error = 1;
        return 0;
    }
    return result;
}

static void SetParameters(Decoder* decoder, unsigned char** colourMap, int hasColourMap, int colours,
                          int singlePass, int ditherMode, int dctMethod, int smoothing) {
    struct jpeg_decompress_struct* info = &decoder->info;
    info->out_color_space = info->jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_EXT_BGR;
    info->dct_method = dctMethod == 1 ? JDCT_IFAST : dctMethod == 2 ? JDCT_FLOAT : JDCT_ISLOW;
    info->do_block_smoothing = smoothing ? TRUE : FALSE;
    if (hasColourMap && colourMap && colours > 0) {
        info->quantize_colors = TRUE;
        info->colormap = colourMap;
        info->actual_number_of_colors = colours;
        info->dither_mode = ditherMode == 1 ? JDITHER_ORDERED : ditherMode == 2 ? JDITHER_FS : JDITHER_NONE;
        info->two_pass_quantize = singlePass ? FALSE : TRUE;
    }
    decoder->parametersSet = 1;
}

int ZNJPG_CALL StartDecompressJpeg(JpegRecord* record, int* error, unsigned char** colourMap,
                                   int hasColourMap, int colours, int singlePass, int ditherMode,
                                   int dctMethod, int smoothing) {
    Decoder* decoder = record ? (Decoder*)record->decoder : NULL;
    struct jpeg_decompress_struct* info;
    if (!decoder) {
        *error = 1;
        return 0;
    }
    info = &decoder->info;
    TakeSource(decoder);
    if (setjmp(decoder->error.jump)) {
        GiveSource(decoder);
        *error = 1;
        return 0;
    }
    if (!decoder->parametersSet) {
        SetParameters(decoder, colourMap, hasColourMap, colours, singlePass, ditherMode, dctMethod,
                      smoothing);
    }
    if (!jpeg_start_decompress(info)) {
        GiveSource(decoder);
        return 0;
    }
    GiveSource(decoder);
    record->outputWidth = info->output_width;
    record->outputHeight = info->output_height;
    record->outputColourSpace = info->out_color_space == JCS_GRAYSCALE ? 1 : 2;
    record->outputComponents = info->output_components;
    record->colourCount = info->quantize_colors ? info->actual_number_of_colors : 0;
    record->colourMap = info->quantize_colors ? info->colormap : NULL;
    return 1;
}

int ZNJPG_CALL DecompressJpeg(JpegRecord* record, int* error, unsigned char** rows, int rowCount) {
    Decoder* decoder = record ? (Decoder*)record->decoder : NULL;
    volatile int produced = 0;
    if (!decoder || !rows || rowCount <= 0) {
        if (!decoder) *error = 1;
        return 0;
    }
    TakeSource(decoder);
    if (setjmp(decoder->error.jump)) {
        GiveSource(decoder);
        *error = 1;
        return produced;
    }
    while (produced < rowCount && decoder->info.output_scanline < decoder->info.output_height) {
        JDIMENSION got =
            jpeg_read_scanlines(&decoder->info, rows + produced, (JDIMENSION)(rowCount - produced));
        if (got == 0) break;
        produced += (int)got;
    }
    GiveSource(decoder);
    return produced;
}

void ZNJPG_CALL DestroyDecompressJpeg(JpegRecord* record) {
    Decoder* decoder = record ? (Decoder*)record->decoder : NULL;
    if (!decoder) return;
    jpeg_destroy_decompress(&decoder->info);
    free(decoder);
    record->decoder = NULL;
}
