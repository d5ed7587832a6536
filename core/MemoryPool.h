// A pool of many small pieces that die together: a list of PoolChunks, in
// the order they were made, given back to the system as a whole.
//
// Each pool has a kind that says under which of the memory manager's budgets
// its bytes count. A chunk's bytes count once it is finished (its used size),
// and stop counting when it is reopened or freed, so the usage of a kind is
// always the sum of the used sizes of the finished chunks of that kind.
// Finishing a chunk of a counted pool trims at once: before Allocate returns,
// idle documents and unused images may have released their memory.
#pragma once
#include <cstdint>

#include "core/ListNode.h"

enum class PoolKind : uint8_t {
    Uncounted = 0,  // preferences and other long-lived owners
    Image = 1,      // images and their decoders
    Document = 2,   // parsed pages, laid-out pages, news documents and headers
};

class PoolChunk;

class MemoryPool {
public:
    // Pieces are zero-filled unless zeroed is off: then the owner writes
    // every piece before reading it (decoded pixels), and saves filling
    // megabytes twice.
    explicit MemoryPool(PoolKind kind, bool zeroed = true);
    MemoryPool(const MemoryPool&) = delete;
    MemoryPool& operator=(const MemoryPool&) = delete;
    // Frees every chunk; stops being the current pool if it was.
    virtual ~MemoryPool();

    PoolKind Kind() const { return kind_; }

    // A piece of size bytes, or null. A request larger than a chunk
    // (PoolChunk::kSize) always fails and leaves the pool as it was.
    void* Allocate(uint32_t size);
    // Offers a piece back to the chunks, last to first; 1 when one took it.
    int FreeBlock(void* address, uint32_t size);
    // Frees every chunk and takes their bytes off the usage of the kind.
    void FreeAll();
    // Finishes the last chunk, so that its bytes count against the budget.
    void Finish();
    // Nonzero: this pool becomes the memory manager's current pool. Zero:
    // the current pool is cleared, whichever pool it was.
    void SetCurrent(int flag);

    // Capacity of the n-th chunk (from 1, in list order) and its used size
    // through used; 0 and 0 when there is no such chunk. With ChunkBase, lets
    // an owner walk the raw contents of its pool.
    uint32_t GetChunkInfo(int n, uint32_t& used) const;
    // Start of the n-th chunk (from 1), or null.
    void* ChunkBase(int n) const;
    int ChunkCount() const { return static_cast<int>(chunks_.Count()); }

private:
    PoolChunk* LastChunk() const;
    PoolChunk* NthChunk(int n) const;
    void FinishChunk(PoolChunk& chunk);

    NodeList chunks_;
    PoolKind kind_;
    bool zeroed_;
};
