// Blocks of the system's global memory, the backing store of pool chunks.
//
// On Windows a block is a movable, zero-filled global memory object locked
// for its whole life, so its address never changes and resizing can only
// happen in place. Elsewhere (the native build that runs the sanitizers and
// fuzzers) the same calls are served from the C heap, and blocks that need
// no zero-fill (pixels) from regions of huge pages. This is the only
// platform seam of the pools: everything above it is portable.
#pragma once
#include <cstdint>

struct GlobalBlock {
    void* handle = nullptr;
    unsigned char* start = nullptr;  // locked address; null when not held
};

// Takes and locks a block, zero-filled unless the caller will write all of
// it before reading; false (block left empty) when the system has no memory
// for it.
[[nodiscard]] bool AllocateGlobalBlock(uint32_t size, GlobalBlock& block, bool zeroed = true);
// Gives back the tail of the block beyond size; the block stays where it is.
void ShrinkGlobalBlock(const GlobalBlock& block, uint32_t size);
// Grows the block to size without moving it; false when it cannot grow in
// place, and the block then keeps its size.
[[nodiscard]] bool GrowGlobalBlockInPlace(const GlobalBlock& block, uint32_t size);
// Unlocks and frees the block and empties the descriptor.
void FreeGlobalBlock(GlobalBlock& block);

// Fault injection for tests: the next `count` allocations (or growths in
// place) fail as if the system were out of memory. Both start at 0.
struct GlobalMemoryFaults {
    int failAllocations = 0;
    int failGrowths = 0;
};
GlobalMemoryFaults& GlobalMemoryFaultsForTesting();
// For the implementations: true (and one fault used up) when the next
// allocation or growth is to fail.
bool InjectedAllocationFault();
bool InjectedGrowthFault();
