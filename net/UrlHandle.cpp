#include "net/UrlHandle.h"

#include <cstring>

#include "net/UrlRecord.h"

UrlRecord* UrlHandle::EmptyRecord() {
    // Deliberately never deleted: handles in other static objects may
    // outlive any destruction order we could pick.
    static UrlRecord* empty = new UrlRecord();
    return empty;
}

FragmentBuffer* UrlHandle::EmptyFragment() {
    static FragmentBuffer* empty = new FragmentBuffer{nullptr, 0};
    return empty;
}

FragmentBuffer* UrlHandle::NewFragment(const char* text) {
    if (text == nullptr) {
        FragmentBuffer* empty = EmptyFragment();
        ++empty->refCount;
        return empty;
    }
    size_t n = std::strlen(text);
    auto* buffer = new FragmentBuffer;
    buffer->text = new char[n + 1];
    std::memcpy(buffer->text, text, n + 1);
    buffer->refCount = 1;
    return buffer;
}

void UrlHandle::Release(UrlRecord* record, const UrlRecord* keep) {
    if (record->ReleaseRef() < 1 && record != keep && record != EmptyRecord()) delete record;
}

void UrlHandle::Release(FragmentBuffer* buffer, const FragmentBuffer* keep) {
    if (--buffer->refCount < 1 && buffer != keep && buffer != EmptyFragment()) {
        delete[] buffer->text;
        delete buffer;
    }
}

UrlHandle::UrlHandle() : record_(EmptyRecord()), fragment_(EmptyFragment()) {
    record_->AddRef();
    ++fragment_->refCount;
}

UrlHandle::UrlHandle(UrlRecord* record, const char* fragment)
    : record_(record ? record : EmptyRecord()), fragment_(NewFragment(fragment)) {
    record_->AddRef();
}

UrlHandle::UrlHandle(const char* name, bool resolve, const char* fragment)
    : record_(new UrlRecord(name, resolve)), fragment_(NewFragment(fragment)) {}

UrlHandle::UrlHandle(const UrlHandle& other) : record_(other.record_), fragment_(other.fragment_) {
    record_->AddRef();
    ++fragment_->refCount;
}

UrlHandle::~UrlHandle() {
    Release(record_, nullptr);
    Release(fragment_, nullptr);
}

UrlHandle& UrlHandle::Assign(const UrlHandle& other) {
    // Counting the other handle up first keeps a self-assignment (or an
    // assignment of a handle that holds the last count) from deleting the
    // record being assigned.
    UrlRecord* record = other.record_;
    FragmentBuffer* fragment = other.fragment_;
    record->AddRef();
    ++fragment->refCount;
    Release(record_, record);
    Release(fragment_, fragment);
    record_ = record;
    fragment_ = fragment;
    return *this;
}

bool UrlHandle::IsEmpty() const {
    return record_ == EmptyRecord();
}

const char* UrlHandle::GetName() const {
    return record_->GetName(false);
}
