#include <windows.h>

#include "core/GlobalMemory.h"

bool AllocateGlobalBlock(uint32_t size, GlobalBlock& block, bool zeroed) {
    block = GlobalBlock();
    if (InjectedAllocationFault()) return false;
    HGLOBAL handle = GlobalAlloc(zeroed ? GMEM_MOVEABLE | GMEM_ZEROINIT : GMEM_MOVEABLE, size);
    if (!handle) return false;
    void* start = GlobalLock(handle);
    if (!start) {
        GlobalFree(handle);
        return false;
    }
    block.handle = handle;
    block.start = static_cast<unsigned char*>(start);
    return true;
}

void ShrinkGlobalBlock(const GlobalBlock& block, uint32_t size) {
    // A locked block shrinks in place; should the system refuse, the block
    // merely stays larger than it needs to be.
    if (block.handle) GlobalReAlloc(block.handle, size, 0);
}

bool GrowGlobalBlockInPlace(const GlobalBlock& block, uint32_t size) {
    if (!block.handle) return false;
    if (InjectedGrowthFault()) return false;
    // Without GMEM_MOVEABLE a locked block is resized in place or not at all;
    // the same handle back means it succeeded.
    return GlobalReAlloc(block.handle, size, 0) == block.handle;
}

void FreeGlobalBlock(GlobalBlock& block) {
    if (block.handle) {
        GlobalUnlock(block.handle);
        GlobalFree(block.handle);
    }
    block = GlobalBlock();
}
