#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "core/CoarseClock.h"
#include "core/MemoryManager.h"
#include "core/PoolChunk.h"
#include "tests/core/MemoryTestSupport.h"

namespace {

using Log = std::vector<std::string>;

// Holds decoded or parsed content in a pool of its kind and frees it when
// asked, unless it is busy; every question is logged under its name.
class FakeContent {
public:
    FakeContent(std::string name, Log& log, bool agrees, PoolKind kind)
        : name_(std::move(name)), log_(log), agrees_(agrees), pool_(kind) {}

    void Fill(uint32_t bytes) {
        ASSERT_NE(pool_.Allocate(bytes), nullptr);
        pool_.Finish();
    }

protected:
    int Release() {
        log_.push_back(name_);
        if (!agrees_) return 0;
        pool_.FreeAll();
        return 1;
    }

private:
    std::string name_;
    Log& log_;
    bool agrees_;
    MemoryPool pool_;
};

class FakeDocument : public ReleasableDocument, public FakeContent {
public:
    FakeDocument(std::string name, Log& log, bool agrees = true)
        : FakeContent(std::move(name), log, agrees, PoolKind::Document) {}
    int ReleaseData() override { return Release(); }
};

class FakeImage : public ReleasableImage, public FakeContent {
public:
    FakeImage(std::string name, Log& log, bool agrees = true)
        : FakeContent(std::move(name), log, agrees, PoolKind::Image) {}
    void AddUse() override { ++uses; }
    void DropUse() override { --uses; }
    int ReleaseData() override { return Release(); }

    int uses = 0;
};

class CountingReleaser : public UnusedUrlReleaser {
public:
    void ReleaseUnusedData() override { ++purges; }
    int purges = 0;
};

bool LiesIn(const MemoryPool& pool, const void* piece) {
    for (int n = 1; n <= pool.ChunkCount(); ++n) {
        uint32_t used = 0;
        pool.GetChunkInfo(n, used);
        auto* base = static_cast<const unsigned char*>(pool.ChunkBase(n));
        auto* at = static_cast<const unsigned char*>(piece);
        if (at >= base && at < base + used) return true;
    }
    return false;
}

using MemoryManagerTest = ManagerTest;

TEST_F(MemoryManagerTest, WithoutACurrentPoolPoolCallsAnswerNothing) {
    unsigned char byte = 0;
    EXPECT_EQ(manager_.Allocate(10), nullptr);
    EXPECT_EQ(manager_.FreeBlock(&byte, 1), 0);

    MemoryPool pool(PoolKind::Document);
    EXPECT_EQ(manager_.SwapCurrentPool(&pool), nullptr);
    void* piece = manager_.Allocate(24);
    ASSERT_NE(piece, nullptr);
    EXPECT_TRUE(LiesIn(pool, piece));
    EXPECT_EQ(manager_.FreeBlock(&byte, 1), 0);
    EXPECT_EQ(manager_.FreeBlock(piece, 24), 1);
    EXPECT_EQ(manager_.Allocate(24), piece);

    MemoryPool inner(PoolKind::Uncounted);
    EXPECT_EQ(manager_.SwapCurrentPool(&inner), &pool);
    EXPECT_EQ(manager_.SwapCurrentPool(&pool), &inner) << "the bracket restores the outer pool";
    EXPECT_EQ(manager_.SwapCurrentPool(nullptr), &pool);
}

TEST_F(MemoryManagerTest, StringCopiesComeFromThePoolOrTheHeap) {
    // Exactly the bytes of "ab" and its terminator, so that the sanitizers
    // catch a copy that reads on.
    std::unique_ptr<char[]> shortText(new char[3]{'a', 'b', '\0'});
    struct Case {
        const char* name;
        bool strNDup;
        const char* text;
        size_t n;
        const char* expected;
    } cases[] = {
        {"StrDup", false, "hello", 0, "hello"},
        {"StrDup of an empty string", false, "", 0, ""},
        {"StrNDup cuts", true, "abcdef", 2, "ab"},
        {"StrNDup whole", true, "abcdef", 6, "abcdef"},
        {"StrNDup stops at a short string's end", true, shortText.get(), 4096, "ab"},
        {"StrNDup of nothing", true, "abc", 0, ""},
    };
    MemoryPool pool(PoolKind::Document);
    for (bool withPool : {true, false}) {
        manager_.SwapCurrentPool(withPool ? &pool : nullptr);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (withPool ? " in a pool" : " on the heap"));
            char* copy = c.strNDup ? manager_.StrNDup(c.text, c.n) : manager_.StrDup(c.text);
            if (!c.strNDup && !withPool && !*c.text) {
                EXPECT_EQ(copy, nullptr) << "an empty heap copy is no string";
                continue;
            }
            ASSERT_NE(copy, nullptr);
            EXPECT_STREQ(copy, c.expected);
            EXPECT_NE(copy, c.text);
            EXPECT_EQ(LiesIn(pool, copy), withPool);
            if (!withPool) std::free(copy);
        }
        EXPECT_EQ(manager_.StrDup(nullptr), nullptr);
        EXPECT_EQ(manager_.StrNDup(nullptr, 5), nullptr);
    }
}

TEST_F(MemoryManagerTest, StringTooLargeForAChunkGivesNull) {
    std::string huge(PoolChunk::kSize, 'x');
    MemoryPool pool(PoolKind::Document);
    manager_.SwapCurrentPool(&pool);
    EXPECT_EQ(manager_.StrDup(huge.c_str()), nullptr);
    EXPECT_EQ(manager_.StrNDup(huge.c_str(), huge.size()), nullptr);
    EXPECT_EQ(pool.ChunkCount(), 0);
    char* fits = manager_.StrNDup(huge.c_str(), PoolChunk::kSize - 1);
    ASSERT_NE(fits, nullptr);
    EXPECT_EQ(std::strlen(fits), PoolChunk::kSize - 1);
}

TEST_F(MemoryManagerTest, AllocateFromPoolOrHeap) {
    EXPECT_EQ(manager_.AllocateFromPoolOrHeap(0), nullptr);
    void* heap = manager_.AllocateFromPoolOrHeap(16);
    ASSERT_NE(heap, nullptr);
    std::memset(heap, 1, 16);
    std::free(heap);

    MemoryPool pool(PoolKind::Uncounted);
    pool.SetCurrent(1);
    EXPECT_EQ(manager_.AllocateFromPoolOrHeap(0), nullptr);
    void* pooled = manager_.AllocateFromPoolOrHeap(16);
    EXPECT_TRUE(LiesIn(pool, pooled));
}

TEST_F(MemoryManagerTest, SetCountedStringReplacesTheFieldsHeapCopy) {
    char* field = nullptr;
    std::string text = "first";
    manager_.SetCountedString(&field, text.c_str());
    text = "changed";
    EXPECT_STREQ(field, "first");
    manager_.SetCountedString(&field, "second");
    EXPECT_STREQ(field, "second");
    manager_.SetCountedString(&field, "");
    ASSERT_NE(field, nullptr) << "an empty name is still a name";
    EXPECT_STREQ(field, "");
    manager_.SetCountedString(&field, nullptr);
    EXPECT_EQ(field, nullptr);
}

TEST_F(MemoryManagerTest, SmallNodesAreRecycledClearedAndNeverFreedEarly) {
    EXPECT_EQ(manager_.SpareSmallNodes(), 50u);
    std::vector<SmallNode*> taken;
    for (int i = 0; i < 51; ++i) {
        SmallNode* node = manager_.TakeSmallNode();
        ASSERT_NE(node, nullptr) << "the 51st comes from the heap";
        EXPECT_EQ(node->data, nullptr);
        EXPECT_EQ(node->word, 0u);
        EXPECT_FALSE(node->IsLinked());
        taken.push_back(node);
    }
    EXPECT_EQ(manager_.SpareSmallNodes(), 0u);

    // Given back while still in its user's list: it leaves that list.
    NodeList userList;
    int marker = 0;
    taken[0]->data = &marker;
    taken[0]->word = 9;
    taken[0]->AppendTo(userList);
    for (SmallNode* node : taken) manager_.ReturnSmallNode(node);
    EXPECT_TRUE(userList.IsEmpty());
    EXPECT_EQ(manager_.SpareSmallNodes(), 51u);
    SmallNode* again = manager_.TakeSmallNode();
    EXPECT_EQ(again, taken[0]) << "taken from the front, given back to the end";
    EXPECT_EQ(again->data, nullptr);
    manager_.ReturnSmallNode(again);
}

TEST_F(MemoryManagerTest, DocumentTrimAsksTheLeastRecentlyIdleAndStopsBelowBudget) {
    Log asked;
    std::vector<std::unique_ptr<FakeDocument>> documents;
    for (int i = 1; i <= 8; ++i) {
        documents.push_back(std::make_unique<FakeDocument>("d" + std::to_string(i), asked));
        documents.back()->Fill(65000);
        if (i < 8) manager_.TouchDocument(documents.back().get());
    }
    // The eighth page's 65000 bytes made 520000.
    EXPECT_EQ(asked, Log({"d1"}));
    EXPECT_EQ(manager_.DocumentUsage(), 455000u);
    EXPECT_EQ(manager_.IdleDocumentCount(), 6u);

    // Reaching the budget exactly is not below it.
    manager_.SetDocumentBudget(390000);
    EXPECT_EQ(asked, Log({"d1", "d2", "d3"}));
    EXPECT_EQ(manager_.DocumentUsage(), 325000u);
    for (auto& document : documents) manager_.ForgetDocument(document.get());
}

TEST_F(MemoryManagerTest, RefusingDocumentKeepsItsPlaceInFront) {
    Log asked;
    FakeDocument busy("busy", asked, false), a("a", asked), b("b", asked), c("c", asked);
    for (FakeDocument* document : {&busy, &a, &b, &c}) {
        document->Fill(60000);
        manager_.TouchDocument(document);
    }
    manager_.SetDocumentBudget(200000);  // usage 240000: trims at once
    EXPECT_EQ(asked, Log({"busy", "a"}));
    asked.clear();
    manager_.SetDocumentBudget(150000);
    EXPECT_EQ(asked, Log({"busy", "b"}));
    EXPECT_EQ(manager_.DocumentUsage(), 120000u);
    for (FakeDocument* document : {&busy, &a, &b, &c}) manager_.ForgetDocument(document);
}

TEST_F(MemoryManagerTest, TouchAndForgetOrderTheIdleDocuments) {
    Log asked;
    FakeDocument a("a", asked, false), b("b", asked, false), c("c", asked, false), d("d", asked, false);
    for (FakeDocument* document : {&a, &b, &c, &d}) manager_.TouchDocument(document);
    manager_.TouchDocument(&a);
    manager_.ForgetDocument(&c);
    manager_.ForgetDocument(&c);
    manager_.TouchDocument(nullptr);
    EXPECT_EQ(manager_.IdleDocumentCount(), 3u);

    a.Fill(1000);
    manager_.SetDocumentBudget(0);  // every document refuses
    EXPECT_EQ(asked, Log({"b", "d", "a"}));
    for (FakeDocument* document : {&a, &b, &d}) manager_.ForgetDocument(document);
}

TEST(MemoryManagerPurge, UrlRecordsArePurgedAtThe22ndFullTrimOnceTimeHasPassed) {
    // The clock wraps in the middle: 100 seconds later is a small number.
    uint32_t now = 0xFFFFFFC0u;
    SetCoarseClock(now);
    MemoryManager manager(500000, 500000);
    g_memoryManager = &manager;
    CountingReleaser registry;
    manager.SetUrlReleaser(&registry);
    auto fullTrims = [&](int count) {
        for (int i = 0; i < count; ++i) manager.TrimDocumentMemory();
    };
    auto later = [&](uint32_t seconds) { SetCoarseClock(now += seconds); };
    {
        MemoryPool page(PoolKind::Document);  // held by no idle document
        ASSERT_NE(page.Allocate(100), nullptr);
        page.Finish();
        manager.SetDocumentBudget(0);  // the first full trim: nobody can release the 100 bytes

        later(100);
        fullTrims(20);
        EXPECT_EQ(registry.purges, 0) << "21 full trims";
        fullTrims(1);
        EXPECT_EQ(registry.purges, 1) << "the 22nd";

        fullTrims(21);
        later(20);
        fullTrims(1);
        EXPECT_EQ(registry.purges, 1) << "22 full trims, but only 20 seconds";
        fullTrims(3);
        EXPECT_EQ(registry.purges, 1);
        later(1);
        fullTrims(1);
        EXPECT_EQ(registry.purges, 2) << "the count went on until the time had passed";

        // A trim that reaches its budget is no full trim.
        Log asked;
        FakeDocument idle("idle", asked);
        manager.SetDocumentBudget(1000);
        idle.Fill(50);
        manager.TouchDocument(&idle);
        manager.SetDocumentBudget(120);
        manager.SetDocumentBudget(0);
        later(1000);
        fullTrims(20);
        EXPECT_EQ(asked, Log({"idle"}));
        EXPECT_EQ(registry.purges, 2);
        fullTrims(1);
        EXPECT_EQ(registry.purges, 3);
    }
    g_memoryManager = nullptr;
    RefreshCoarseClock();
}

TEST_F(MemoryManagerTest, ImageTrimReleasesLeastRecentlyUsedImages) {
    Log asked;
    FakeImage busy("busy", asked, false), a("a", asked), b("b", asked), c("c", asked);
    for (FakeImage* image : {&busy, &a, &b, &c}) {
        image->Fill(60000);
        manager_.TouchImage(image);
    }
    manager_.TouchImage(&a);  // a second handle to the same image
    EXPECT_EQ(manager_.ImageCount(), 4u);
    EXPECT_EQ(a.uses, 1);

    manager_.SetImageBudget(130000);  // usage 240000
    EXPECT_EQ(asked, Log({"busy", "b", "c"}));
    EXPECT_EQ(manager_.ImageUsage(), 120000u);
    EXPECT_EQ(b.uses, 0) << "a released image's entry lets go of it";
    EXPECT_EQ(busy.uses, 1);
    EXPECT_EQ(manager_.ImageCount(), 2u);

    asked.clear();
    FakeImage fresh("fresh", asked);
    manager_.TouchImage(&fresh);
    fresh.Fill(20000);  // finishing its pool passes the budget again
    EXPECT_EQ(asked, Log({"busy", "a"}));
    manager_.ForgetImage(&fresh);
    manager_.ForgetImage(&busy);
    EXPECT_EQ(fresh.uses, 0);
    EXPECT_EQ(busy.uses, 0);
    EXPECT_EQ(manager_.ImageCount(), 0u);
}

TEST(MemoryManagerLifetime, DestroyingTheManagerLetsGoOfItsImages) {
    Log asked;
    FakeImage image("image", asked);
    {
        MemoryManager manager(0, 0);
        manager.TouchImage(&image);
        EXPECT_EQ(image.uses, 1);
    }
    EXPECT_EQ(image.uses, 0);
    EXPECT_TRUE(asked.empty());
}

}  // namespace
