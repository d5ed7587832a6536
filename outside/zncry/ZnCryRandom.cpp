// The random generator and its seed file.
#include <openssl/rand.h>

#include "outside/zncry/ZnCry.h"

namespace zncry {

static int Bytes(uint8_t* out, int count) {
    if (!out || count <= 0) return 0;
    return RAND_bytes(out, count) == 1 ? 1 : 0;
}

static void Add(const void* bytes, int count) {
    // Clock readings and the like: credited with no entropy.
    if (bytes && count > 0) RAND_add(bytes, count, 0.0);
}

static int LoadFile(const char* path, long maxBytes) {
    return path ? RAND_load_file(path, maxBytes) : 0;
}

static int WriteFile(const char* path) {
    return path ? RAND_write_file(path) : 0;
}

void FillRandomSlots(CryptoSlotFunction* table) {
    Put(table, kSlotRandomBytes, &Bytes);
    Put(table, kSlotRandomAdd, &Add);
    Put(table, kSlotRandomLoadFile, &LoadFile);
    Put(table, kSlotRandomWriteFile, &WriteFile);
}

}  // namespace zncry
