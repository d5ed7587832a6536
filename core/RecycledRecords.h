// A free list of small records that are made and dropped by the thousand
// (layout and style records). Records are taken from the front, or made on
// the heap when the list is empty, and go back to the end after their Reset;
// the list only grows, and frees its records when it is destroyed.
//
// Record must derive from ListNode, be default-constructible and have a
// Reset() that makes a given-back record ready for its next user.
#pragma once
#include <new>

#include "core/ListNode.h"

template <class Record>
class RecycledRecords {
public:
    explicit RecycledRecords(int prefill) {
        for (int i = 0; i < prefill; ++i) {
            Record* record = new (std::nothrow) Record();
            if (!record) break;
            record->AppendTo(records_);
        }
    }
    ~RecycledRecords() { records_.Clear(); }
    RecycledRecords(const RecycledRecords&) = delete;
    RecycledRecords& operator=(const RecycledRecords&) = delete;

    // A record, or null when the heap is exhausted.
    Record* Take() {
        if (ListNode* node = records_.First()) {
            node->Remove();
            return static_cast<Record*>(node);
        }
        return new (std::nothrow) Record();
    }

    void Give(Record* record) {
        if (!record) return;
        // A record still linked into its user's list would join two rings.
        record->Remove();
        record->Reset();
        record->AppendTo(records_);
    }

    unsigned Count() const { return records_.Count(); }

private:
    NodeList records_;
};
