#include <algorithm>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "core/GlobalMemory.h"
#include "core/PoolChunk.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZINTU_TEST_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZINTU_TEST_ADDRESS_SANITIZER 1
#endif
#endif

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
    // Pixel chunks (not zero-filled) reopen as the others do.
    for (bool zeroed : {true, false}) {
        for (const Case& c : cases) {
            PoolChunk chunk(zeroed);
            unsigned char* first = static_cast<unsigned char*>(chunk.Allocate(c.used));
            ASSERT_NE(first, nullptr);
            first[c.used - 1] = 7;
            chunk.Finish();
            GlobalMemoryFaultsForTesting().failGrowths = c.failGrowths;
            EXPECT_EQ(chunk.Reopen(), c.reopened) << c.used << (zeroed ? "" : " pixels");
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

// Chunks that are not zero-filled hold decoded pixels: pictures of
// hundreds of them come and go. Each keeps its bytes whatever is taken and
// given back around it, and zero-filled chunks stay zero-filled after them.
TEST(PoolChunkPixels, ChunksKeepTheirBytesApartAsPicturesComeAndGo) {
    struct Live {
        std::unique_ptr<PoolChunk> chunk;
        unsigned char* bytes;
        unsigned char mark;
    };
    std::vector<Live> live;
    int made = 0;
    auto take = [&](int count) {
        for (int i = 0; i < count; ++i, ++made) {
            auto chunk = std::make_unique<PoolChunk>(false);
            ASSERT_TRUE(chunk->IsUsable());
            auto* bytes = static_cast<unsigned char*>(chunk->Allocate(PoolChunk::kSize));
            ASSERT_NE(bytes, nullptr);
            auto mark = static_cast<unsigned char>(made * 7 + 1);
            memset(bytes, mark, PoolChunk::kSize);
            live.push_back(Live{std::move(chunk), bytes, mark});
        }
    };
    auto check = [&](const char* when) {
        for (const Live& l : live) {
            const unsigned char* begin = l.bytes;
            const unsigned char* end = begin + PoolChunk::kSize;
            ASSERT_TRUE(std::all_of(begin, end, [&](unsigned char b) { return b == l.mark; }))
                << when << ": chunk marked " << int{l.mark};
        }
    };
    struct Step {
        const char* what;
        int take;
        int keepEvery;  // of the chunks held, every n-th stays; 0: all stay
    } steps[] = {
        {"a first picture of 150 chunks", 150, 0},
        {"every third given back, 60 more", 60, 3},
        {"all but every tenth given back, 200 more", 200, 10},
        {"all given back, 70 more", 70, -1},
    };
    for (const Step& step : steps) {
        if (step.keepEvery != 0) {
            std::vector<Live> kept;
            for (size_t i = 0; i < live.size(); ++i) {
                if (step.keepEvery > 0 && i % static_cast<size_t>(step.keepEvery) == 0)
                    kept.push_back(std::move(live[i]));
            }
            live = std::move(kept);
        }
        take(step.take);
        check(step.what);
    }
    live.clear();
    PoolChunk zeroed;
    ASSERT_TRUE(zeroed.IsUsable());
    const unsigned char* start = zeroed.Start();
    EXPECT_TRUE(std::all_of(start, start + PoolChunk::kSize, [](unsigned char b) { return b == 0; }));
}

#ifdef ZINTU_TEST_ADDRESS_SANITIZER
// The decoders are fuzzed natively: a row written past its chunk must be
// caught there, as it would corrupt the system heap on Windows.
TEST(PoolChunkPixelsDeathTest, WritingPastAPixelChunkIsCaught) {
    PoolChunk chunk(false);
    auto* bytes = static_cast<volatile unsigned char*>(chunk.Allocate(PoolChunk::kSize));
    ASSERT_NE(bytes, nullptr);
    bytes[PoolChunk::kSize - 1] = 1;
    EXPECT_DEATH(bytes[PoolChunk::kSize] = 1, "");
    EXPECT_DEATH(bytes[PoolChunk::kSize + 100] = 1, "");
    chunk.Finish();
    PoolChunk small(false);
    auto* piece = static_cast<volatile unsigned char*>(small.Allocate(100));
    small.Finish();
    EXPECT_DEATH(piece[100] = 1, "") << "past the used size of a finished chunk";
}
#endif

}  // namespace
