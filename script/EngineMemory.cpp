#include "script/EngineMemory.h"

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define ZNTJS_PLAIN_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZNTJS_PLAIN_MALLOC 1
#endif
#endif

namespace {
long liveBlocks = 0;
long liveBytes = 0;
long failCountdown = 0;

// The size sits in front of the block so that Free can subtract it (and
// find the block's size class).
struct alignas(std::max_align_t) BlockHeader {
    size_t size;
};

#ifndef ZNTJS_PLAIN_MALLOC
// Scripts make and drop small values all the time (numbers, frames, argument
// lists). The process heap is slow for that, so small blocks come from
// per-size free lists carved out of larger slabs. Under AddressSanitizer
// every block goes to malloc, so that a use after free is still caught.
constexpr size_t kGrain = sizeof(BlockHeader);
constexpr size_t kLargestSmall = 512;
constexpr size_t kClassCount = kLargestSmall / kGrain + 1;
constexpr size_t kSlabSize = 64 * 1024;

struct FreeBlock {
    FreeBlock* next;
};
struct Slab {
    Slab* next;
};

FreeBlock* freeLists[kClassCount];
Slab* slabs = nullptr;
char* slabCursor = nullptr;
char* slabEnd = nullptr;
long liveSmallBlocks = 0;

size_t ClassOf(size_t total) {
    return (total + kGrain - 1) / kGrain;
}

void* TakeSmall(size_t cls) {
    if (FreeBlock* b = freeLists[cls]) {
        freeLists[cls] = b->next;
        return b;
    }
    size_t bytes = cls * kGrain;
    if (static_cast<size_t>(slabEnd - slabCursor) < bytes) {
        // The rest of the old slab stays unused; it is small next to a slab.
        auto* slab = static_cast<Slab*>(std::malloc(kSlabSize));
        if (!slab) return nullptr;
        slab->next = slabs;
        slabs = slab;
        slabCursor = reinterpret_cast<char*>(slab) + kGrain;
        slabEnd = reinterpret_cast<char*>(slab) + kSlabSize;
    }
    void* p = slabCursor;
    slabCursor += bytes;
    return p;
}
#endif
}  // namespace

namespace EngineMemory {

void* Allocate(size_t size) noexcept {
    if (failCountdown > 0 && --failCountdown == 0) return nullptr;
    size_t total = sizeof(BlockHeader) + size;
    if (total < size) return nullptr;
    BlockHeader* header;
#ifndef ZNTJS_PLAIN_MALLOC
    if (total <= kLargestSmall) {
        header = static_cast<BlockHeader*>(TakeSmall(ClassOf(total)));
        if (header) ++liveSmallBlocks;
    } else {
        header = static_cast<BlockHeader*>(std::malloc(total));
    }
#else
    header = static_cast<BlockHeader*>(std::malloc(total));
#endif
    if (!header) return nullptr;
    header->size = size;
    ++liveBlocks;
    liveBytes += static_cast<long>(size);
    return header + 1;
}

void Free(void* block) noexcept {
    if (!block) return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    --liveBlocks;
    liveBytes -= static_cast<long>(header->size);
#ifndef ZNTJS_PLAIN_MALLOC
    size_t total = sizeof(BlockHeader) + header->size;
    if (total <= kLargestSmall) {
        auto* b = reinterpret_cast<FreeBlock*>(header);
        size_t cls = ClassOf(total);
        b->next = freeLists[cls];
        freeLists[cls] = b;
        --liveSmallBlocks;
        return;
    }
#endif
    std::free(header);
}

void ReleaseUnused() noexcept {
#ifndef ZNTJS_PLAIN_MALLOC
    // Slabs go back only when none of their blocks is in use.
    if (liveSmallBlocks != 0) return;
    while (Slab* s = slabs) {
        slabs = s->next;
        std::free(s);
    }
    slabCursor = slabEnd = nullptr;
    for (FreeBlock*& f : freeLists) f = nullptr;
#endif
}

long LiveBlocks() noexcept {
    return liveBlocks;
}
long LiveBytes() noexcept {
    return liveBytes;
}
void FailAfter(long n) noexcept {
    failCountdown = n;
}

}  // namespace EngineMemory
