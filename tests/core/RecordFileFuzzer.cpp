// Record files come from disk and may be damaged or hostile: reading any
// bytes as any sequence of fields must stay within the buffers and never
// report more bytes than the buffer holds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/RecordFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!f) return 0;
    char small[16];
    char large[300];
    for (int step = 0; step < 64 && !std::feof(f); ++step) {
        switch (ReadRecordByte(f) % 5) {
            case 0:
                (void)ReadRecordU16(f);
                break;
            case 1:
                (void)ReadRecordU32(f);
                break;
            case 2: {
                int got = ReadRecordString(small, sizeof small, f);
                if (got >= static_cast<int>(sizeof small) ||
                    (got >= 0 && std::strlen(small) > static_cast<size_t>(got)))
                    std::abort();
                break;
            }
            case 3: {
                int got = ReadRecordString(large, sizeof large, f);
                if (got >= static_cast<int>(sizeof large)) std::abort();
                break;
            }
            case 4:
                (void)ReadRecordBytes(small, sizeof small, ReadRecordByte(f), f);
                break;
        }
    }
    std::fclose(f);
    return 0;
}
