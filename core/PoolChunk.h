// One large block of a MemoryPool, handed out piece by piece.
//
// Pieces are taken by moving an offset (no rounding, no alignment: a caller
// that needs aligned pieces asks only for sizes that keep the alignment).
// A piece handed back early is recorded in a table at the top end of the
// block, growing downward, and is reused only by a request of exactly its
// size. Bump allocation and the table share the free space between them.
//
// A chunk is open (takes requests, records freed pieces) or finished: shrunk
// to its used size, table forgotten. Only a pool's last chunk is ever open.
#pragma once
#include <cstdint>

#include "core/GlobalMemory.h"
#include "core/ListNode.h"

class PoolChunk : public ListNode {
public:
    // Just under 64 KB, so that each chunk is one system allocation.
    static constexpr uint32_t kSize = 65471;
    // A finished chunk is reopened only when finishing gave back more than
    // this many bytes; reopening instead of starting a new chunk avoids a
    // chunk per small request after the owner finished the pool.
    static constexpr uint32_t kReopenSlack = 2000;

    // Takes the block. When the system has none, the chunk holds nothing,
    // has capacity 0 and refuses every request (see IsUsable). Unless
    // zeroed, the pieces hold whatever the block held.
    explicit PoolChunk(bool zeroed = true);
    ~PoolChunk() override;

    bool IsUsable() const { return block_.start != nullptr; }
    unsigned char* Start() const { return block_.start; }
    uint32_t Capacity() const { return capacity_; }
    uint32_t Used() const { return used_; }
    uint32_t TableBytes() const { return tableBytes_; }
    bool IsFinished() const { return finished_; }
    uint32_t FreeSpace() const { return capacity_ - used_ - tableBytes_; }

    // A piece of size bytes (a recorded freed piece of exactly that size
    // first), or null when it does not fit.
    void* Allocate(uint32_t size);
    // Removes and returns the newest recorded piece of exactly size bytes,
    // or null.
    void* TakeFreedPiece(uint32_t size);
    // Hands a piece back. 0 when the piece does not lie wholly within what
    // this chunk handed out (the caller tries another chunk); otherwise 1,
    // whether the piece was recorded or, with no room for an entry, dropped
    // until the pool is freed.
    int FreeBlock(void* address, uint32_t size);
    // Shrinks the block to the used size and forgets the table.
    void Finish();
    // Reopens a finished chunk when that gives back enough room and the
    // block can grow in place; 1 when the chunk is open afterwards.
    int Reopen();

private:
    GlobalBlock block_;
    uint32_t capacity_ = 0;
    uint32_t used_ = 0;
    uint32_t tableBytes_ = 0;
    bool finished_ = false;
};
