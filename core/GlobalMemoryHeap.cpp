// The native stand-in for global memory: a block is taken from the C heap at
// the largest size it is ever given, so that resizing never moves it. Under
// AddressSanitizer the part beyond the current size is poisoned, so that a
// chunk that writes past its capacity is caught as it would corrupt the
// system heap on Windows.
#include <cstdlib>
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

namespace {

struct HeapBlock {
    uint32_t reserved;
    unsigned char* data;
};

}  // namespace

bool AllocateGlobalBlock(uint32_t size, GlobalBlock& block, bool zeroed) {
    block = GlobalBlock();
    if (InjectedAllocationFault()) return false;
    auto* heapBlock = new (std::nothrow) HeapBlock{
        size,
        static_cast<unsigned char*>(zeroed ? std::calloc(size ? size : 1, 1) : std::malloc(size ? size : 1))};
    if (!heapBlock) return false;
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
        ASAN_UNPOISON_MEMORY_REGION(heapBlock->data, heapBlock->reserved);
        std::free(heapBlock->data);
        delete heapBlock;
    }
    block = GlobalBlock();
}
