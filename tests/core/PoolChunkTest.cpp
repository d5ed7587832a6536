#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

#include "core/GlobalMemory.h"
#include "core/PoolChunk.h"

namespace {

class PoolChunkTest : public ::testing::Test {
protected:
    ~PoolChunkTest() override { GlobalMemoryFaultsForTesting() = GlobalMemoryFaults(); }

    unsigned char* Bump(uint32_t size) { return static_cast<unsigned char*>(chunk_.Allocate(size)); }

    PoolChunk chunk_;
};

TEST_F(PoolChunkTest, HandsOutZeroedPiecesBackToBackWithoutAlignment) {
    ASSERT_TRUE(chunk_.IsUsable());
    EXPECT_EQ(chunk_.Capacity(), 65471u);
    unsigned char* first = Bump(3);
    unsigned char* second = Bump(5);
    unsigned char* third = Bump(1);
    EXPECT_EQ(first, chunk_.Start());
    EXPECT_EQ(second, first + 3);
    EXPECT_EQ(third, second + 5);
    EXPECT_EQ(chunk_.Used(), 9u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(first[i], 0) << i;
}

TEST_F(PoolChunkTest, ExactlyOneChunkFitsAndNotAByteMore) {
    PoolChunk other;
    EXPECT_EQ(other.Allocate(PoolChunk::kSize + 1), nullptr);
    EXPECT_EQ(other.Used(), 0u);
    unsigned char* whole = static_cast<unsigned char*>(other.Allocate(PoolChunk::kSize));
    ASSERT_EQ(whole, other.Start());
    whole[PoolChunk::kSize - 1] = 1;  // the last byte is ours (the sanitizers check)
    EXPECT_EQ(other.Allocate(1), nullptr);
}

TEST_F(PoolChunkTest, FreedPieceIsReusedOnlyForItsExactSize) {
    unsigned char* piece = Bump(24);
    Bump(100);
    ASSERT_EQ(chunk_.FreeBlock(piece, 24), 1);
    EXPECT_EQ(chunk_.TableBytes(), 8u);

    for (uint32_t size : {23u, 25u}) EXPECT_NE(Bump(size), piece) << size;
    EXPECT_EQ(Bump(24), piece);
    EXPECT_EQ(chunk_.TableBytes(), 0u);
    EXPECT_NE(Bump(24), piece) << "a piece is handed out once";
}

TEST_F(PoolChunkTest, NewestFreedPieceComesFirstAndOthersKeepTheirOrder) {
    std::vector<unsigned char*> pieces;
    for (uint32_t size : {16u, 8u, 16u, 24u, 16u}) pieces.push_back(Bump(size));
    for (unsigned char* piece : pieces) ASSERT_EQ(chunk_.FreeBlock(piece, 16), 1);
    // Freed with size 16 each: handed back newest first.
    EXPECT_EQ(chunk_.Allocate(16), pieces[4]);
    EXPECT_EQ(chunk_.Allocate(16), pieces[3]);
    EXPECT_EQ(chunk_.Allocate(16), pieces[2]);
    EXPECT_EQ(chunk_.TakeFreedPiece(16), pieces[1]);
    EXPECT_EQ(chunk_.TakeFreedPiece(16), pieces[0]);
    EXPECT_EQ(chunk_.TakeFreedPiece(16), nullptr);
    EXPECT_EQ(chunk_.TableBytes(), 0u);
}

TEST_F(PoolChunkTest, TakingFromTheMiddleOfTheTableKeepsTheRest) {
    unsigned char* a = Bump(10);
    unsigned char* b = Bump(20);
    unsigned char* c = Bump(30);
    for (auto [piece, size] : {std::pair{a, 10u}, {b, 20u}, {c, 30u}})
        ASSERT_EQ(chunk_.FreeBlock(piece, size), 1);
    EXPECT_EQ(chunk_.TakeFreedPiece(20), b);
    EXPECT_EQ(chunk_.TableBytes(), 16u);
    EXPECT_EQ(chunk_.TakeFreedPiece(30), c);
    EXPECT_EQ(chunk_.TakeFreedPiece(10), a);
}

TEST_F(PoolChunkTest, FreeBlockRefusesWhatItDidNotHandOut) {
    unsigned char* piece = Bump(40);
    unsigned char* start = chunk_.Start();
    unsigned char outside[16] = {};
    struct Case {
        const char* name;
        unsigned char* address;
        uint32_t size;
        int expected;
    } cases[] = {
        {"whole piece", piece, 40, 1},
        {"its tail", piece + 39, 1, 1},
        {"before the chunk", outside, 8, 0},
        {"at the end of what was used", start + 40, 8, 0},
        {"in the free space", start + 1000, 8, 0},
        {"running past what was used", piece + 30, 20, 0},
        {"size that wraps", piece + 1, UINT32_MAX, 0},
    };
    for (const Case& c : cases) {
        uint32_t tableBefore = chunk_.TableBytes();
        EXPECT_EQ(chunk_.FreeBlock(c.address, c.size), c.expected) << c.name;
        if (!c.expected) {
            EXPECT_EQ(chunk_.TableBytes(), tableBefore) << c.name;
        }
    }
}

TEST_F(PoolChunkTest, TableAndBumpShareTheFreeSpace) {
    unsigned char* small = Bump(8);
    Bump(PoolChunk::kSize - 8 - 20);  // 20 bytes left
    ASSERT_EQ(chunk_.FreeBlock(small, 8), 1);
    EXPECT_EQ(chunk_.FreeSpace(), 12u);
    EXPECT_EQ(chunk_.Allocate(13), nullptr);
    EXPECT_NE(chunk_.Allocate(12), nullptr);
}

TEST_F(PoolChunkTest, PieceFreedIntoAFullChunkIsDroppedNotRecorded) {
    unsigned char* piece = Bump(32);
    Bump(PoolChunk::kSize - 32 - 8);  // 8 free bytes: no room for an entry and a byte
    EXPECT_EQ(chunk_.FreeBlock(piece, 32), 1);
    EXPECT_EQ(chunk_.TableBytes(), 0u);
    EXPECT_EQ(chunk_.Allocate(32), nullptr) << "the dropped piece is not handed out again";
}

TEST_F(PoolChunkTest, FinishShrinksToUsedAndForgetsTheTable) {
    unsigned char* piece = Bump(50);
    Bump(50);
    ASSERT_EQ(chunk_.FreeBlock(piece, 50), 1);
    chunk_.Finish();
    EXPECT_TRUE(chunk_.IsFinished());
    EXPECT_EQ(chunk_.Capacity(), 100u);
    EXPECT_EQ(chunk_.TableBytes(), 0u);
    EXPECT_EQ(chunk_.Allocate(50), nullptr);
    EXPECT_EQ(chunk_.FreeBlock(piece, 50), 1) << "still ours, but nowhere to record it";
    EXPECT_EQ(chunk_.TableBytes(), 0u);
}

TEST(PoolChunkReopen, ReopensOnlyWhenFinishingGaveBackEnough) {
    struct Case {
        uint32_t used;
        int failGrowths;
        int reopened;
        uint32_t capacity;
    } cases[] = {
        {100, 0, 1, PoolChunk::kSize}, {63470, 0, 1, PoolChunk::kSize},
        {63471, 0, 0, 63471},                             // gave back exactly 2000 bytes: not worth it
        {65000, 0, 0, 65000},          {100, 1, 0, 100},  // the block cannot grow in place
    };
    for (const Case& c : cases) {
        PoolChunk chunk;
        unsigned char* first = static_cast<unsigned char*>(chunk.Allocate(c.used));
        ASSERT_NE(first, nullptr);
        first[c.used - 1] = 7;
        chunk.Finish();
        GlobalMemoryFaultsForTesting().failGrowths = c.failGrowths;
        EXPECT_EQ(chunk.Reopen(), c.reopened) << c.used;
        GlobalMemoryFaultsForTesting() = GlobalMemoryFaults();
        EXPECT_EQ(chunk.IsFinished(), !c.reopened) << c.used;
        EXPECT_EQ(chunk.Capacity(), c.capacity) << c.used;
        EXPECT_EQ(chunk.Used(), c.used);
        EXPECT_EQ(first[c.used - 1], 7) << "reopening keeps the block in place";
        if (c.reopened) {
            unsigned char* next = static_cast<unsigned char*>(chunk.Allocate(PoolChunk::kSize - c.used));
            EXPECT_EQ(next, first + c.used);
            next[PoolChunk::kSize - c.used - 1] = 1;
        } else {
            EXPECT_EQ(chunk.Allocate(1), nullptr);
        }
    }
    PoolChunk open;
    EXPECT_EQ(open.Reopen(), 1) << "an open chunk is open";
}

TEST(PoolChunkFailure, ChunkWithoutABlockRefusesEverything) {
    GlobalMemoryFaultsForTesting().failAllocations = 1;
    PoolChunk chunk;
    GlobalMemoryFaultsForTesting() = GlobalMemoryFaults();
    EXPECT_FALSE(chunk.IsUsable());
    EXPECT_EQ(chunk.Capacity(), 0u);
    EXPECT_EQ(chunk.Allocate(1), nullptr);
    EXPECT_EQ(chunk.Allocate(0), nullptr);
    unsigned char byte = 0;
    EXPECT_EQ(chunk.FreeBlock(&byte, 1), 0);
    chunk.Finish();
    EXPECT_EQ(chunk.Reopen(), 0);
}

}  // namespace
