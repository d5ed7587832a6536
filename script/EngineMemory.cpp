#include "script/EngineMemory.h"

#include <cstdlib>

namespace {
long liveBlocks = 0;
long liveBytes = 0;
long failCountdown = 0;

// The size sits in front of the block so that Free can subtract it.
struct alignas(std::max_align_t) BlockHeader {
    size_t size;
};
}  // namespace

namespace EngineMemory {

void* Allocate(size_t size) noexcept {
    if (failCountdown > 0 && --failCountdown == 0) return nullptr;
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
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
    std::free(header);
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
