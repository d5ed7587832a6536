#include <gtest/gtest.h>

#include "core/MemoryPool.h"
#include "core/PoolChunk.h"
#include "tests/core/MemoryTestSupport.h"

namespace {

using MemoryPoolTest = ManagerTest;

TEST_F(MemoryPoolTest, FreedPieceIsReusedOnlyForTwentyFourBytes) {
    MemoryPool pool(PoolKind::Document);
    void* piece = pool.Allocate(24);
    ASSERT_NE(piece, nullptr);
    ASSERT_NE(pool.Allocate(8), nullptr);
    ASSERT_EQ(pool.FreeBlock(piece, 24), 1);
    EXPECT_NE(pool.Allocate(23), piece);
    EXPECT_NE(pool.Allocate(25), piece);
    EXPECT_EQ(pool.Allocate(24), piece);
}

TEST_F(MemoryPoolTest, FreeAllTakesOnlyFinishedChunksOffTheirKindsUsage) {
    struct Case {
        PoolKind kind;
        uint32_t imageBefore, documentBefore;
    } cases[] = {
        {PoolKind::Document, 5000, 75000},
        {PoolKind::Image, 70000, 10000},
        {PoolKind::Uncounted, 5000, 10000},
    };
    for (const Case& c : cases) {
        MemoryManager manager(1000000, 1000000);
        g_memoryManager = &manager;
        {
            // Usage of other pools, which must survive.
            MemoryPool otherImages(PoolKind::Image), otherDocuments(PoolKind::Document);
            ASSERT_NE(otherImages.Allocate(5000), nullptr);
            ASSERT_NE(otherDocuments.Allocate(10000), nullptr);
            otherImages.Finish();
            otherDocuments.Finish();

            MemoryPool pool(c.kind);
            ASSERT_NE(pool.Allocate(65000), nullptr);
            // Does not fit: finishes the first chunk. The second stays open,
            // uncounted.
            ASSERT_NE(pool.Allocate(30000), nullptr);
            EXPECT_EQ(pool.ChunkCount(), 2);
            EXPECT_EQ(manager.ImageUsage(), c.imageBefore);
            EXPECT_EQ(manager.DocumentUsage(), c.documentBefore);
            pool.FreeAll();
            EXPECT_EQ(pool.ChunkCount(), 0);
            EXPECT_EQ(manager.ImageUsage(), 5000u) << static_cast<int>(c.kind);
            EXPECT_EQ(manager.DocumentUsage(), 10000u) << static_cast<int>(c.kind);
        }
        g_memoryManager = &manager_;
    }
}

TEST_F(MemoryPoolTest, FreeAllOf65000And30000LowersDocumentUsageBy95000) {
    MemoryPool other(PoolKind::Document);
    ASSERT_NE(other.Allocate(4000), nullptr);
    other.Finish();
    MemoryPool pool(PoolKind::Document);
    ASSERT_NE(pool.Allocate(65000), nullptr);
    ASSERT_NE(pool.Allocate(30000), nullptr);
    pool.Finish();
    ASSERT_EQ(manager_.DocumentUsage(), 99000u);
    pool.FreeAll();
    EXPECT_EQ(manager_.DocumentUsage(), 4000u);

    // Never below 0: the other pool's bytes were already taken off.
    manager_.SubtractPoolUsage(PoolKind::Document, 3000);
    other.FreeAll();
    EXPECT_EQ(manager_.DocumentUsage(), 0u);
}

TEST_F(MemoryPoolTest, RequestLargerThanAChunkFailsAndChangesNothing) {
    MemoryPool pool(PoolKind::Document);
    EXPECT_EQ(pool.Allocate(65472), nullptr);
    EXPECT_EQ(pool.ChunkCount(), 0);

    ASSERT_NE(pool.Allocate(100), nullptr);
    EXPECT_EQ(pool.Allocate(65472), nullptr);
    EXPECT_EQ(pool.Allocate(UINT32_MAX), nullptr);
    EXPECT_EQ(pool.ChunkCount(), 1);
    uint32_t used = 0;
    EXPECT_EQ(pool.GetChunkInfo(1, used), PoolChunk::kSize) << "the open chunk stays open";
    EXPECT_EQ(used, 100u);
    EXPECT_EQ(manager_.DocumentUsage(), 0u);

    EXPECT_NE(pool.Allocate(65471), nullptr) << "a whole chunk still fits a fresh one";
    EXPECT_EQ(pool.ChunkCount(), 2);
    EXPECT_EQ(manager_.DocumentUsage(), 100u);
}

TEST_F(MemoryPoolTest, AllocatingAfterFinishReopensTheLastChunkWhenWorthIt) {
    struct Case {
        const char* name;
        uint32_t finished;  // bytes in the chunk the owner finished
        int failGrowths;
        bool reopened;
    } cases[] = {
        {"gave back more than 2000 bytes", 300, 0, true},
        {"gave back 2000 bytes", 63471, 0, false},
        {"cannot grow in place", 300, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryPool pool(PoolKind::Document);
        auto* first = static_cast<unsigned char*>(pool.Allocate(c.finished));
        pool.Finish();
        EXPECT_EQ(manager_.DocumentUsage(), c.finished);
        GlobalMemoryFaultsForTesting().failGrowths = c.failGrowths;
        auto* next = static_cast<unsigned char*>(pool.Allocate(100));
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(next == first + c.finished, c.reopened) << "the piece follows the previous one";
        EXPECT_EQ(pool.ChunkCount(), c.reopened ? 1 : 2);
        // An open chunk is not counted; a finished one is counted once.
        EXPECT_EQ(manager_.DocumentUsage(), c.reopened ? 0 : c.finished);
        pool.Finish();
        EXPECT_EQ(manager_.DocumentUsage(), c.finished + 100);
        pool.FreeAll();
    }
}

TEST_F(MemoryPoolTest, FailedGlobalAllocationAnswersNullAndAddsNoChunk) {
    MemoryPool pool(PoolKind::Document);
    GlobalMemoryFaultsForTesting().failAllocations = 1;
    EXPECT_EQ(pool.Allocate(10), nullptr);
    EXPECT_EQ(pool.ChunkCount(), 0);

    ASSERT_NE(pool.Allocate(65000), nullptr);
    GlobalMemoryFaultsForTesting().failAllocations = 1;
    EXPECT_EQ(pool.Allocate(1000), nullptr);
    EXPECT_EQ(pool.ChunkCount(), 1);
    EXPECT_EQ(manager_.DocumentUsage(), 65000u) << "the full chunk was finished";

    // Memory is back: the next request is served by a new chunk.
    auto* piece = static_cast<unsigned char*>(pool.Allocate(1000));
    ASSERT_NE(piece, nullptr);
    EXPECT_EQ(piece, pool.ChunkBase(2));
}

TEST_F(MemoryPoolTest, ChunkInfoWalksTheChunksInOrder) {
    MemoryPool pool(PoolKind::Uncounted);
    auto* a = static_cast<unsigned char*>(pool.Allocate(40000));
    auto* b = static_cast<unsigned char*>(pool.Allocate(30000));
    struct Case {
        int n;
        uint32_t capacity, used;
        void* base;
    } cases[] = {
        {0, 0, 0, nullptr}, {1, 40000, 40000, a}, {2, PoolChunk::kSize, 30000, b},
        {3, 0, 0, nullptr}, {-1, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        uint32_t used = 12345;
        EXPECT_EQ(pool.GetChunkInfo(c.n, used), c.capacity) << c.n;
        EXPECT_EQ(used, c.used) << c.n;
        EXPECT_EQ(pool.ChunkBase(c.n), c.base) << c.n;
    }
}

TEST_F(MemoryPoolTest, FreeBlockFindsTheChunkThatOwnsThePiece) {
    MemoryPool pool(PoolKind::Uncounted);
    void* inFirst = pool.Allocate(40000);
    void* inSecond = pool.Allocate(40000);
    ASSERT_EQ(pool.ChunkCount(), 2);
    unsigned char elsewhere[8];
    EXPECT_EQ(pool.FreeBlock(elsewhere, 8), 0);
    EXPECT_EQ(pool.FreeBlock(inFirst, 40000), 1) << "taken, though the finished chunk cannot record it";
    EXPECT_EQ(pool.FreeBlock(inSecond, 40000), 1);
    EXPECT_EQ(pool.Allocate(40000), inSecond);
}

TEST_F(MemoryPoolTest, CurrentPoolIsSetClearedAndForgottenWhenItDies) {
    MemoryPool other(PoolKind::Uncounted);
    {
        MemoryPool pool(PoolKind::Document);
        pool.SetCurrent(1);
        EXPECT_EQ(manager_.CurrentPool(), &pool);
        other.SetCurrent(0);
        EXPECT_EQ(manager_.CurrentPool(), nullptr) << "clearing clears whichever pool is current";
        pool.SetCurrent(1);
    }
    EXPECT_EQ(manager_.CurrentPool(), nullptr);
    EXPECT_EQ(manager_.Allocate(10), nullptr);
}

TEST(MemoryPoolWithoutManager, WorksUncounted) {
    ASSERT_EQ(g_memoryManager, nullptr);
    MemoryPool pool(PoolKind::Document);
    ASSERT_NE(pool.Allocate(100), nullptr);
    pool.Finish();
    pool.SetCurrent(1);
    pool.FreeAll();
    EXPECT_EQ(pool.ChunkCount(), 0);
}

}  // namespace
