#include "core/MemoryPool.h"

#include <new>

#include "core/MemoryManager.h"
#include "core/PoolChunk.h"

namespace {

void AddUsage(PoolKind kind, uint32_t bytes) {
    if (g_memoryManager) g_memoryManager->AddPoolUsage(kind, bytes);
}

void SubtractUsage(PoolKind kind, uint32_t bytes) {
    if (g_memoryManager) g_memoryManager->SubtractPoolUsage(kind, bytes);
}

}  // namespace

MemoryPool::MemoryPool(PoolKind kind, bool zeroed) : kind_(kind), zeroed_(zeroed) {}

MemoryPool::~MemoryPool() {
    // A current pool that died would leave every later allocation writing
    // into freed memory.
    if (g_memoryManager && g_memoryManager->CurrentPool() == this) g_memoryManager->SwapCurrentPool(nullptr);
    FreeAll();
}

PoolChunk* MemoryPool::LastChunk() const {
    return static_cast<PoolChunk*>(chunks_.Last());
}

PoolChunk* MemoryPool::NthChunk(int n) const {
    if (n < 1) return nullptr;
    ListNode* node = chunks_.First();
    while (node && --n > 0) node = node->Next();
    return static_cast<PoolChunk*>(node);
}

void MemoryPool::FinishChunk(PoolChunk& chunk) {
    chunk.Finish();
    // May trim synchronously; the caller must not rely on the chunk after.
    AddUsage(kind_, chunk.Used());
}

void* MemoryPool::Allocate(uint32_t size) {
    // Checked first: such a request could never fit, and trying it would
    // finish the last chunk and start an empty one for nothing.
    if (size > PoolChunk::kSize) return nullptr;
    if (PoolChunk* last = LastChunk()) {
        if (last->IsFinished() && last->Reopen()) SubtractUsage(kind_, last->Used());
        if (void* piece = last->Allocate(size)) return piece;
        if (!last->IsFinished()) FinishChunk(*last);
    }
    auto* chunk = new (std::nothrow) PoolChunk(zeroed_);
    if (!chunk) return nullptr;
    if (!chunk->IsUsable()) {
        delete chunk;
        return nullptr;
    }
    chunk->AppendTo(chunks_);
    return chunk->Allocate(size);
}

int MemoryPool::FreeBlock(void* address, uint32_t size) {
    for (ListNode* node = chunks_.Last(); node; node = node->Prev()) {
        if (static_cast<PoolChunk*>(node)->FreeBlock(address, size)) return 1;
    }
    return 0;
}

void MemoryPool::FreeAll() {
    uint32_t counted = 0;
    while (ListNode* node = chunks_.First()) {
        auto* chunk = static_cast<PoolChunk*>(node);
        if (chunk->IsFinished()) counted += chunk->Used();
        chunk->Remove();
        delete chunk;
    }
    if (counted != 0) SubtractUsage(kind_, counted);
}

void MemoryPool::Finish() {
    PoolChunk* last = LastChunk();
    if (last && !last->IsFinished()) FinishChunk(*last);
}

void MemoryPool::SetCurrent(int flag) {
    if (g_memoryManager) g_memoryManager->SwapCurrentPool(flag ? this : nullptr);
}

uint32_t MemoryPool::GetChunkInfo(int n, uint32_t& used) const {
    PoolChunk* chunk = NthChunk(n);
    used = chunk ? chunk->Used() : 0;
    return chunk ? chunk->Capacity() : 0;
}

void* MemoryPool::ChunkBase(int n) const {
    PoolChunk* chunk = NthChunk(n);
    return chunk ? chunk->Start() : nullptr;
}
