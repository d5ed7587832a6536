#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "core/HashedListTable.h"

namespace {

struct Keyed : ListNode {
    explicit Keyed(const char* key) : key(key) {}
    const char* Key() const override { return key; }
    const char* key;
};

TEST(HashKeyStringTest, PicksTheBucketOfEachKey) {
    struct Case {
        const char* key;
        uint16_t buckets;
        uint16_t expected;
    };
    const Case cases[] = {
        {nullptr, 1024, 0},
        {"", 1024, 0},
        {"abc", 64, 35},
        {"abc", 1024, 611},
        {"abc", 2729, 1777},
        {"abcde", 64, 4},
        {"abcde", 1024, 516},
        // A tail byte of 0x80 or more is sign-extended: -23.
        {"\x61\xE9", 100, 23},
        {"\x61\xE9", 2729, 23},
        // ...and wipes the bytes before it: 0xFFFFE962 = -5790.
        {"\x61\xE9\x62", 1024, 670},
        // Two groups XOR to 0x80000000, whose magnitude is 2147483648.
        {"\x01\x01\x01\x81\x01\x01\x01\x01", 1000, 648},
        {"\x01\x01\x01\x81\x01\x01\x01\x01", 2729, 800},
        {"abc", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HashKeyString(c.key, c.buckets), c.expected)
            << (c.key ? c.key : "(null)") << " in " << c.buckets;
    }
}

TEST(HashedListTableTest, BucketCountIsCappedAt2729) {
    const std::pair<uint32_t, uint32_t> cases[] = {{4096, 2729}, {2730, 2729}, {2729, 2729},
                                                   {1024, 1024}, {512, 512},   {64, 64}};
    for (auto [asked, expected] : cases) {
        HashedListTable table(asked);
        EXPECT_EQ(table.BucketCount(), expected) << asked;
        EXPECT_EQ(table.NodeCount(), 0u);
    }
}

TEST(HashedListTableTest, AddAndFind) {
    HashedListTable table(64);
    Keyed first("abc"), twin("abc"), upper("ABC"), longer("abcd"), keyless(nullptr);
    for (Keyed* n : {&first, &twin, &upper, &longer, &keyless}) table.Add(n);
    table.Add(nullptr);
    EXPECT_EQ(table.NodeCount(), 4u);
    EXPECT_FALSE(keyless.IsLinked());

    EXPECT_EQ(table.Find("abc"), &first) << "the node added first wins";
    EXPECT_EQ(table.Find("ABC"), &upper) << "keys compare case-sensitively";
    EXPECT_EQ(table.Find("abcd"), &longer);
    EXPECT_EQ(table.Find("ab"), nullptr);
    EXPECT_EQ(table.Find(nullptr), nullptr);

    table.Remove(&first);
    EXPECT_EQ(table.Find("abc"), &twin);
    for (Keyed* n : {&twin, &upper, &longer}) table.Remove(n);
    EXPECT_EQ(table.NodeCount(), 0u);
    EXPECT_EQ(table.Find("abcd"), nullptr);
}

TEST(HashedListTableTest, FindSkipsNodesWithoutKey) {
    // A node can lose its key after it was filed; Find must step over it.
    HashedListTable table(64);
    Keyed fading("abc"), kept("abc");
    table.Add(&fading);
    table.Add(&kept);
    fading.key = nullptr;
    EXPECT_EQ(table.Find("abc"), &kept);
    table.Remove(&fading);
    table.Remove(&kept);
}

TEST(HashedListTableTest, RemovingAnUnlinkedNodeChangesNothing) {
    HashedListTable table(64);
    Keyed a("a"), b("b"), stray("a");
    table.Add(&a);
    table.Add(&b);
    table.Remove(&stray);
    table.Remove(nullptr);
    table.Remove(&a);
    table.Remove(&a);
    EXPECT_EQ(table.NodeCount(), 1u);
    // The count still matches what the iterator finds.
    EXPECT_EQ(table.IterFirst(), &b);
    EXPECT_EQ(table.IterNext(), nullptr);
    table.Remove(&b);
}

std::vector<ListNode*> Iterate(HashedListTable& table) {
    std::vector<ListNode*> seen;
    for (ListNode* n = table.IterFirst(); n; n = table.IterNext()) seen.push_back(n);
    return seen;
}

// In a table of 64 buckets "abcde" lies in bucket 4 and "abc" in 35.
TEST(HashedListTableTest, IteratorWalksBucketsInOrder) {
    HashedListTable table(64);
    Keyed late1("abc"), early1("abcde"), late2("abc"), early2("abcde");
    for (Keyed* n : {&late1, &early1, &late2, &early2}) table.Add(n);
    EXPECT_EQ(Iterate(table), (std::vector<ListNode*>{&early1, &early2, &late1, &late2}));
    EXPECT_EQ(table.IterNext(), nullptr) << "stays at the end";
    for (Keyed* n : {&late1, &early1, &late2, &early2}) table.Remove(n);
    EXPECT_EQ(table.IterFirst(), nullptr);
}

TEST(HashedListTableTest, RemovingTheCurrentNodeKeepsTheWalkGoing) {
    HashedListTable table(64);
    Keyed a1("abcde"), a2("abcde"), a3("abcde"), b1("abc"), b2("abc");
    for (Keyed* n : {&a1, &a2, &a3, &b1, &b2}) table.Add(n);

    // Remove the middle of a bucket, the first of a bucket (the walk starts
    // that bucket again), and the last (the walk goes on to the next bucket).
    std::vector<ListNode*> seen;
    for (ListNode* n = table.IterFirst(); n; n = table.IterNext()) {
        seen.push_back(n);
        if (n == &a2 || n == &b1 || n == &a3) table.Remove(n);
    }
    EXPECT_EQ(seen, (std::vector<ListNode*>{&a1, &a2, &a3, &b1, &b2}));
    EXPECT_EQ(table.NodeCount(), 2u);
    EXPECT_EQ(Iterate(table), (std::vector<ListNode*>{&a1, &b2}));
    table.Remove(&a1);
    table.Remove(&b2);
}

TEST(HashedListTableTest, LentArrayIsUsedAsGivenAndKept) {
    auto buckets = std::make_unique<NodeList[]>(2473);
    Keyed node("abc");
    {
        HashedListTable table(buckets.get(), 2473);
        EXPECT_EQ(table.BucketCount(), 2473u);
        table.Add(&node);
        EXPECT_EQ(table.Find("abc"), &node);
        // The table is gone; its node and the array stay.
    }
    EXPECT_EQ(buckets[HashKeyString("abc", 2473)].First(), &node);

    // A table counts only what it added: a node linked behind its back is
    // not walked when the count is 0.
    HashedListTable other(buckets.get(), 2473);
    EXPECT_EQ(other.IterFirst(), nullptr);
    node.Remove();
}

TEST(HashedListTableTest, TableWithoutBucketsIgnoresNodes) {
    HashedListTable table(0u);
    Keyed node("abc");
    table.Add(&node);
    EXPECT_FALSE(node.IsLinked());
    EXPECT_EQ(table.NodeCount(), 0u);
    EXPECT_EQ(table.Find("abc"), nullptr);
    EXPECT_EQ(table.IterFirst(), nullptr);
}

}  // namespace
