// The native stand-in for global memory: a block is taken at the largest
// size it is ever given, so that resizing never moves it. Under
// AddressSanitizer the part beyond the current size is poisoned, so that a
// chunk that writes past its capacity is caught as it would corrupt the
// system heap on Windows.
//
// Zero-filled blocks come from the C heap. Blocks the owner fills before
// reading (decoded pixels: tens of megabytes for one large picture) come
// from slots of large regions advised for huge pages: such a picture then
// costs tens of page faults instead of one per 4 KB page, and faulting in
// fresh pages is most of what decoding it costs where a fault is dear (a
// virtual machine). A region goes back to the system when its last slot is
// freed, except one kept for the next picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#include "core/GlobalMemory.h"

#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

#if defined(__unix__)
#include <sys/mman.h>
#define ZINTU_PIXEL_REGIONS 1
#endif

namespace {

struct Region;

struct HeapBlock {
    uint32_t reserved;
    unsigned char* data;
    Region* region;  // null: from the C heap
    int slot;
};

#ifdef ZINTU_PIXEL_REGIONS

constexpr size_t kSlotBytes = 64 * 1024;
#if defined(__SANITIZE_ADDRESS__)
// Poisoned space between slots, as the sanitizer keeps between heap blocks.
constexpr size_t kSlotGap = 4096;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kSlotGap = 4096;
#else
constexpr size_t kSlotGap = 0;
#endif
#else
constexpr size_t kSlotGap = 0;
#endif
constexpr size_t kSlotStride = kSlotBytes + kSlotGap;
constexpr int kSlotsPerRegion = 64;
constexpr size_t kHugePage = 2 * 1024 * 1024;
constexpr size_t kRegionBytes = (kSlotsPerRegion * kSlotStride + kHugePage - 1) / kHugePage * kHugePage;

struct Region {
    unsigned char* base = nullptr;
    uint64_t used = 0;  // a bit per slot
    Region* next = nullptr;
};

std::mutex g_regionsLock;
Region* g_regions = nullptr;  // newest first

// A region aligned to a huge page, so that all of it can be backed by them.
Region* MakeRegion() {
    auto* region = new (std::nothrow) Region;
    if (!region) return nullptr;
    void* mapped =
        mmap(nullptr, kRegionBytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        delete region;
        return nullptr;
    }
    auto* start = static_cast<unsigned char*>(mapped);
    auto* aligned = reinterpret_cast<unsigned char*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) &
                                                     ~static_cast<uintptr_t>(kHugePage - 1));
    if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
    size_t tail = static_cast<size_t>(start + kRegionBytes + kHugePage - (aligned + kRegionBytes));
    if (tail > 0) munmap(aligned + kRegionBytes, tail);
#ifdef MADV_HUGEPAGE
    madvise(aligned, kRegionBytes, MADV_HUGEPAGE);
#endif
    ASAN_POISON_MEMORY_REGION(aligned, kRegionBytes);
    region->base = aligned;
    return region;
}

void DropRegion(Region* region) {
    ASAN_UNPOISON_MEMORY_REGION(region->base, kRegionBytes);
    munmap(region->base, kRegionBytes);
    delete region;
}

constexpr uint64_t kAllSlots = kSlotsPerRegion == 64 ? ~uint64_t{0} : (uint64_t{1} << kSlotsPerRegion) - 1;

bool TakeSlot(HeapBlock& block) {
    std::lock_guard<std::mutex> hold(g_regionsLock);
    Region* region = g_regions;
    while (region && region->used == kAllSlots) region = region->next;
    if (!region) {
        region = MakeRegion();
        if (!region) return false;
        region->next = g_regions;
        g_regions = region;
    }
    int slot = 0;
    while (region->used & (uint64_t{1} << slot)) ++slot;
    region->used |= uint64_t{1} << slot;
    block.region = region;
    block.slot = slot;
    block.data = region->base + static_cast<size_t>(slot) * kSlotStride;
    return true;
}

void GiveSlot(const HeapBlock& block) {
    std::lock_guard<std::mutex> hold(g_regionsLock);
    Region* region = block.region;
    region->used &= ~(uint64_t{1} << block.slot);
    ASAN_POISON_MEMORY_REGION(block.data, kSlotBytes);
    if (region->used != 0) return;
    // Kept while it is the only empty region, so that a picture decoded
    // after another one freed does not map and fault in a region again.
    bool otherEmpty = false;
    for (Region* r = g_regions; r && !otherEmpty; r = r->next) otherEmpty = r != region && r->used == 0;
    if (!otherEmpty) return;
    for (Region** link = &g_regions; *link; link = &(*link)->next) {
        if (*link == region) {
            *link = region->next;
            break;
        }
    }
    DropRegion(region);
}

#endif

}  // namespace

bool AllocateGlobalBlock(uint32_t size, GlobalBlock& block, bool zeroed) {
    block = GlobalBlock();
    if (InjectedAllocationFault()) return false;
    auto* heapBlock = new (std::nothrow) HeapBlock{size, nullptr, nullptr, 0};
    if (!heapBlock) return false;
#ifdef ZINTU_PIXEL_REGIONS
    if (!zeroed && size <= kSlotBytes && TakeSlot(*heapBlock)) {
        ASAN_UNPOISON_MEMORY_REGION(heapBlock->data, size);
    }
#endif
    if (!heapBlock->data) {
        heapBlock->data = static_cast<unsigned char*>(zeroed ? std::calloc(size ? size : 1, 1)
                                                             : std::malloc(size ? size : 1));
    }
    if (!heapBlock->data) {
        delete heapBlock;
        return false;
    }
    block.handle = heapBlock;
    block.start = heapBlock->data;
    return true;
}

void ShrinkGlobalBlock(const GlobalBlock& block, uint32_t size) {
    auto* heapBlock = static_cast<HeapBlock*>(block.handle);
    if (!heapBlock || size > heapBlock->reserved) return;
    ASAN_POISON_MEMORY_REGION(heapBlock->data + size, heapBlock->reserved - size);
}

bool GrowGlobalBlockInPlace(const GlobalBlock& block, uint32_t size) {
    auto* heapBlock = static_cast<HeapBlock*>(block.handle);
    if (!heapBlock) return false;
    if (InjectedGrowthFault()) return false;
    if (size > heapBlock->reserved) return false;
    ASAN_UNPOISON_MEMORY_REGION(heapBlock->data, size);
    return true;
}

void FreeGlobalBlock(GlobalBlock& block) {
    if (auto* heapBlock = static_cast<HeapBlock*>(block.handle)) {
#ifdef ZINTU_PIXEL_REGIONS
        if (heapBlock->region) {
            GiveSlot(*heapBlock);
            delete heapBlock;
            block = GlobalBlock();
            return;
        }
#endif
        ASAN_UNPOISON_MEMORY_REGION(heapBlock->data, heapBlock->reserved);
        std::free(heapBlock->data);
        delete heapBlock;
    }
    block = GlobalBlock();
}
