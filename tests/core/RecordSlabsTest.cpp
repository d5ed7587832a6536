// Slabs of small records: pieces of one size share a slab and never
// overlap, a freed piece serves the next record of its size, empty slabs go
// back but for the last of their size, and large pieces bypass the slabs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "core/RecordSlabs.h"

namespace {

struct Piece {
    unsigned char* at;
    size_t size;
};

TEST(RecordSlabs, PiecesOfEverySizeKeepTheirBytesUntilFreed) {
    RecordSlabs slabs;
    std::vector<Piece> pieces;
    const size_t sizes[] = {1, 8, 9, 88, 96, 112, 200, RecordSlabs::kLargest, RecordSlabs::kLargest + 1, 4000};
    for (int round = 0; round < 300; ++round) {
        for (size_t size : sizes) {
            auto* p = static_cast<unsigned char*>(slabs.Allocate(size));
            ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % RecordSlabs::kGrain, 0u) << "size " << size;
            std::memset(p, static_cast<int>(pieces.size() & 0xFF), size);
            pieces.push_back({p, size});
        }
    }
    // Every piece still holds what was written into it: none overlaps another.
    for (size_t i = 0; i < pieces.size(); ++i) {
        const unsigned char want = static_cast<unsigned char>(i & 0xFF);
        ASSERT_TRUE(std::all_of(pieces[i].at, pieces[i].at + pieces[i].size, [&](unsigned char b) { return b == want; }))
            << "piece " << i << " of " << pieces[i].size << " bytes was overwritten";
    }
    // Freed in a shuffled order, all slabs but one per size go back.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::shuffle(pieces.begin(), pieces.end(), std::mt19937(seed));
    for (const Piece& p : pieces) slabs.Free(p.at, p.size);
    // 1 and 8 share the grain's size; 513 and 4000 come from the heap.
    EXPECT_EQ(slabs.SlabCount(), 7u) << "one slab stays for each size that slabs serve";
}

TEST(RecordSlabs, AFreedPieceServesTheNextRecordOfItsSizeOnly) {
    RecordSlabs slabs;
    void* a = slabs.Allocate(96);
    void* b = slabs.Allocate(96);
    slabs.Free(a, 96);
    EXPECT_NE(slabs.Allocate(104), a) << "another size takes its own slab";
    EXPECT_EQ(slabs.Allocate(90), a) << "sizes round up to the grain: 90 is served as 96";
    slabs.Free(b, 96);
}

TEST(RecordSlabs, AnEmptiedSlabGoesBackUnlessItIsTheLastOfItsSize) {
    RecordSlabs slabs;
    std::vector<void*> pieces;
    while (slabs.SlabCount() < 3) pieces.push_back(slabs.Allocate(128));
    const size_t held = pieces.size();
    // Free the first slab's pieces (they were handed out first).
    size_t freed = 0;
    while (slabs.SlabCount() == 3 && freed < held) slabs.Free(pieces[freed++], 128);
    EXPECT_EQ(slabs.SlabCount(), 2u) << "the emptied slab went back after " << freed << " pieces";
    for (size_t i = freed; i < held; ++i) slabs.Free(pieces[i], 128);
    EXPECT_EQ(slabs.SlabCount(), 1u);
    // The slab that stayed serves again without a new one.
    void* again = slabs.Allocate(128);
    EXPECT_EQ(slabs.SlabCount(), 1u);
    slabs.Free(again, 128);
}

}  // namespace
