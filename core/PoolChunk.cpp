#include "core/PoolChunk.h"

#include <cstring>

namespace {

// A table entry is two 32-bit words: the piece's size, then its offset from
// the chunk start. Entries sit at odd addresses (the capacity is odd), so
// they are copied, never dereferenced in place.
constexpr uint32_t kEntrySize = 8;

void ReadEntry(const unsigned char* at, uint32_t& size, uint32_t& offset) {
    std::memcpy(&size, at, 4);
    std::memcpy(&offset, at + 4, 4);
}

void WriteEntry(unsigned char* at, uint32_t size, uint32_t offset) {
    std::memcpy(at, &size, 4);
    std::memcpy(at + 4, &offset, 4);
}

}  // namespace

PoolChunk::PoolChunk(bool zeroed) {
    if (AllocateGlobalBlock(kSize, block_, zeroed)) capacity_ = kSize;
}

PoolChunk::~PoolChunk() {
    FreeGlobalBlock(block_);
}

void* PoolChunk::Allocate(uint32_t size) {
    if (!IsUsable()) return nullptr;
    if (tableBytes_ != 0) {
        if (void* piece = TakeFreedPiece(size)) return piece;
    }
    if (FreeSpace() < size) return nullptr;
    void* piece = block_.start + used_;
    used_ += size;
    return piece;
}

void* PoolChunk::TakeFreedPiece(uint32_t size) {
    unsigned char* table = block_.start + capacity_ - tableBytes_;
    // The newest entry is at the lowest address.
    for (uint32_t at = 0; at < tableBytes_; at += kEntrySize) {
        uint32_t entrySize, offset;
        ReadEntry(table + at, entrySize, offset);
        if (entrySize != size) continue;
        // Close the gap by moving the newer entries up one place.
        std::memmove(table + kEntrySize, table, at);
        tableBytes_ -= kEntrySize;
        return block_.start + offset;
    }
    return nullptr;
}

int PoolChunk::FreeBlock(void* address, uint32_t size) {
    auto* piece = static_cast<unsigned char*>(address);
    if (!IsUsable() || piece < block_.start || piece >= block_.start + used_) return 0;
    // A piece that runs past what was handed out is not one of ours; taking
    // it would later hand out the free space or the table as a piece.
    uint32_t offset = static_cast<uint32_t>(piece - block_.start);
    if (size > used_ - offset) return 0;
    if (size == 0 || FreeSpace() < kEntrySize + 1) return 1;
    tableBytes_ += kEntrySize;
    WriteEntry(block_.start + capacity_ - tableBytes_, size, offset);
    return 1;
}

void PoolChunk::Finish() {
    if (finished_) return;
    ShrinkGlobalBlock(block_, used_);
    capacity_ = used_;
    tableBytes_ = 0;
    finished_ = true;
}

int PoolChunk::Reopen() {
    if (!finished_) return 1;
    if (capacity_ >= kSize - kReopenSlack) return 0;
    if (!GrowGlobalBlockInPlace(block_, kSize)) return 0;
    capacity_ = kSize;
    finished_ = false;
    return 1;
}
