// A fixed array of NodeList buckets; each node is filed in the bucket that
// HashKeyString picks for its Key. Only the bucket array is allocated; the
// table neither unlinks nor deletes its nodes when it goes away.
#pragma once
#include <cstdint>
#include <memory>

#include "core/ListNode.h"

// The bucket of a key among bucketCount buckets: the whole 4-byte groups of
// the key XORed as little-endian words, XORed with the tail bytes
// (sign-extended, shifted in), the magnitude of that signed sum modulo the
// count. A null or empty key, or a count of 0, gives 0.
uint16_t HashKeyString(const char* key, uint16_t bucketCount);

class HashedListTable {
public:
    // Larger requests are cut to this many buckets.
    static constexpr uint32_t kMaxBuckets = 2729;

    // Makes its own array of min(requested, kMaxBuckets) buckets. When the
    // array cannot be allocated the table has no buckets: Add ignores nodes
    // and Find and the iterator answer null.
    explicit HashedListTable(uint32_t requestedBuckets);
    // Uses the caller's array as it is (no limit applied); the caller keeps
    // it and it must outlive the table.
    HashedListTable(NodeList* buckets, uint32_t bucketCount);
    HashedListTable(const HashedListTable&) = delete;
    HashedListTable& operator=(const HashedListTable&) = delete;
    virtual ~HashedListTable() = default;

    uint32_t BucketCount() const { return bucketCount_; }
    uint32_t NodeCount() const { return nodeCount_; }

    // Appends the node to the end of its key's bucket. A null node or one
    // whose Key is null is ignored (not linked, not counted).
    void Add(ListNode* node);
    // The first node of the key's bucket whose Key equals the key byte for
    // byte; null for a null key.
    ListNode* Find(const char* key) const;
    // Unlinks one of the table's nodes without deleting it. If the built-in
    // iterator stands on it, the iterator steps back so that IterNext
    // answers the node that followed. A node that is not linked leaves the
    // table unchanged.
    void Remove(ListNode* node);

    // The one built-in iterator: bucket by bucket from bucket 0, first to
    // last within a bucket. A nested walk over the same table restarts it.
    ListNode* IterFirst();
    ListNode* IterNext();

private:
    std::unique_ptr<NodeList[]> owned_;
    NodeList* buckets_ = nullptr;
    uint32_t bucketCount_ = 0;
    uint32_t iterBucket_ = 0;
    ListNode* iterNode_ = nullptr;
    uint32_t nodeCount_ = 0;

    NodeList* BucketFor(const char* key) const;
};
