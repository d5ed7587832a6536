// UrlHandle: how every URL is passed around. A value type of two counted
// pointers: the shared UrlRecord (one per distinct URL, owned jointly by the
// registry and all handles) and a shared buffer with the fragment after '#',
// so that references to one page with different fragments share one record.
//
// The default handle refers to one shared empty record and one shared empty
// fragment buffer, made on first use and kept for the whole run.
#pragma once

#include <cstdint>

class UrlRecord;

// The text after '#' of one reference, shared between copies of a handle.
struct FragmentBuffer {
    char* text = nullptr;  // owned, or null for no fragment
    int32_t refCount = 1;
};

class UrlHandle {
public:
    UrlHandle();
    // Refers to record (null: the shared empty record) and takes a count on
    // it; a non-null fragment gets a fresh buffer of its own.
    UrlHandle(UrlRecord* record, const char* fragment);
    // Makes a new record from name (resolved against no base when resolve is
    // set) and takes over its initial count.
    UrlHandle(const char* name, bool resolve, const char* fragment = nullptr);
    UrlHandle(const UrlHandle& other);
    UrlHandle& operator=(const UrlHandle& other) { return Assign(other); }
    ~UrlHandle();

    UrlHandle& Assign(const UrlHandle& other);

    bool IsEmpty() const;
    UrlRecord* Record() const { return record_; }
    UrlRecord* operator->() const { return record_; }
    // The record's name; null for the empty record.
    const char* GetName() const;
    // The fragment, or null.
    const char* GetFragment() const { return fragment_->text; }

    bool operator==(const UrlHandle& other) const { return record_ == other.record_; }
    bool operator!=(const UrlHandle& other) const { return record_ != other.record_; }

    // The shared empty record (made on first use).
    static UrlRecord* EmptyRecord();

private:
    UrlRecord* record_;
    FragmentBuffer* fragment_;

    static FragmentBuffer* EmptyFragment();
    static FragmentBuffer* NewFragment(const char* text);
    static void Release(UrlRecord* record, const UrlRecord* keep);
    static void Release(FragmentBuffer* buffer, const FragmentBuffer* keep);
};
