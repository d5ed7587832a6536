#include "core/HashedListTable.h"

#include <algorithm>
#include <cstring>
#include <new>

uint16_t HashKeyString(const char* key, uint16_t bucketCount) {
    if (!key || !*key || bucketCount == 0) return 0;
    const size_t length = std::strlen(key);
    const auto* bytes = reinterpret_cast<const unsigned char*>(key);
    uint32_t whole = 0;
    size_t i = 0;
    for (; i + 4 <= length; i += 4) {
        whole ^= uint32_t(bytes[i]) | uint32_t(bytes[i + 1]) << 8 | uint32_t(bytes[i + 2]) << 16 |
                 uint32_t(bytes[i + 3]) << 24;
    }
    uint32_t tail = 0;
    for (; i < length; ++i) {
        // Sign-extended: a byte of 0x80 or more sets every bit above its own.
        tail = tail << 8 | uint32_t(int32_t(int8_t(bytes[i])));
    }
    const uint32_t x = whole ^ tail;
    const uint32_t magnitude = (x & 0x80000000u) ? 0u - x : x;
    return uint16_t(magnitude % bucketCount);
}

HashedListTable::HashedListTable(uint32_t requestedBuckets) {
    const uint32_t count = std::min(requestedBuckets, kMaxBuckets);
    if (count == 0) return;
    owned_.reset(new (std::nothrow) NodeList[count]);
    if (!owned_) return;
    buckets_ = owned_.get();
    bucketCount_ = count;
}

HashedListTable::HashedListTable(NodeList* buckets, uint32_t bucketCount)
    : buckets_(buckets), bucketCount_(buckets ? bucketCount : 0) {}

NodeList* HashedListTable::BucketFor(const char* key) const {
    // The hash works on 16-bit bucket counts.
    const auto count = uint16_t(bucketCount_);
    if (!buckets_ || count == 0) return nullptr;
    return &buckets_[HashKeyString(key, count)];
}

void HashedListTable::Add(ListNode* node) {
    if (!node || !node->Key()) return;
    NodeList* bucket = BucketFor(node->Key());
    if (!bucket) return;
    node->AppendTo(*bucket);
    ++nodeCount_;
}

ListNode* HashedListTable::Find(const char* key) const {
    if (!key) return nullptr;
    NodeList* bucket = BucketFor(key);
    if (!bucket) return nullptr;
    for (ListNode* node = bucket->First(); node; node = node->Next()) {
        const char* nodeKey = node->Key();
        if (nodeKey && std::strcmp(nodeKey, key) == 0) return node;
    }
    return nullptr;
}

void HashedListTable::Remove(ListNode* node) {
    if (!node || !node->IsLinked()) return;
    if (iterNode_ == node) iterNode_ = node->Prev();
    node->Remove();
    if (nodeCount_ > 0) --nodeCount_;
}

ListNode* HashedListTable::IterFirst() {
    iterBucket_ = 0;
    iterNode_ = nullptr;
    if (nodeCount_ == 0) return nullptr;
    return IterNext();
}

ListNode* HashedListTable::IterNext() {
    while (iterBucket_ < bucketCount_) {
        iterNode_ = iterNode_ ? iterNode_->Next() : buckets_[iterBucket_].First();
        if (iterNode_) return iterNode_;
        ++iterBucket_;
    }
    return nullptr;
}
