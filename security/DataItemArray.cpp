#include "security/DataItemArray.h"

#include <cstring>
#include <new>

// Room for this many more pointers is reserved whenever the array grows.
static constexpr uint32_t kPointerSlack = 32;

DataItemArray::DataItemArray() {
    encoded_.SetRaw(true);
    encoded_.SetParent(this);
}

DataItemArray::~DataItemArray() {
    Resize(0);
}

bool DataItemArray::Resize(uint32_t n) {
    if (n == count_) return true;
    if (n > capacity_) {
        if (n > UINT32_MAX - kPointerSlack) {
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            return false;
        }
        uint32_t slots = n + kPointerSlack;
        DataItem** fresh = new (std::nothrow) DataItem*[slots];
        if (!fresh) {
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            return false;
        }
        for (uint32_t i = 0; i < slots; ++i) fresh[i] = i < count_ ? items_[i] : nullptr;
        delete[] items_;
        items_ = fresh;
        capacity_ = slots;
    }
    if (n <= count_) {
        for (uint32_t i = n; i < count_; ++i) {
            delete items_[i];
            items_[i] = nullptr;
        }
        count_ = n;
        if (n == 0) {
            delete[] items_;
            items_ = nullptr;
            capacity_ = 0;
        }
        return true;
    }
    for (uint32_t i = count_; i < n; ++i) {
        DataItem* element = NewElement();
        if (!element) {
            for (uint32_t j = count_; j < i; ++j) {
                delete items_[j];
                items_[j] = nullptr;
            }
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            return false;
        }
        element->SetParent(this);
        items_[i] = element;
    }
    count_ = n;
    return true;
}

bool DataItemArray::Adopt(DataItem* element) {
    if (!element) return false;
    if (count_ == capacity_) {
        // Grows the pointer array only; Resize would make elements.
        uint32_t slots = count_ + 1 + kPointerSlack;
        DataItem** fresh = new (std::nothrow) DataItem*[slots];
        if (!fresh) {
            delete element;
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            return false;
        }
        for (uint32_t i = 0; i < slots; ++i) fresh[i] = i < count_ ? items_[i] : nullptr;
        delete[] items_;
        items_ = fresh;
        capacity_ = slots;
    }
    element->SetParent(this);
    items_[count_++] = element;
    return true;
}

bool DataItemArray::Copy(const DataItemArray& other) {
    if (this == &other) return true;
    if (!Resize(other.count_)) return false;
    for (uint32_t i = 0; i < count_; ++i) AssignElement(*items_[i], *other.items_[i]);
    return true;
}

void DataItemArray::ClearError() {
    DataItem::ClearError();
    encoded_.ClearError();
    for (uint32_t i = 0; i < count_; ++i)
        if (items_[i]) items_[i]->ClearError();
}

uint32_t DataItemArray::ElementsSize() const {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < count_; ++i)
        if (items_[i]) sum += items_[i]->EncodedSize();
    return sum;
}

uint8_t* DataItemArray::Write(uint8_t* out) const {
    out = WriteLengthField(out, ElementsSize());
    for (uint32_t i = 0; i < count_; ++i) out = items_[i]->Write(out);
    return out;
}

const uint8_t* DataItemArray::ReadLengthField(const uint8_t* in, uint32_t& remaining) {
    return ReadBigEndian(in, remaining, pendingLength_, state_, 0, counter_, LengthFieldWidth());
}

// States 0-2: the length field; 3: gathering the list's bytes.
const uint8_t* DataItemArray::Read(const uint8_t* in, uint32_t& remaining) {
    if (state_ <= 2) {
        in = ReadLengthField(in, remaining);
        if (state_ != 2) return in;
        encoded_.ClearError();
        if (!encoded_.Resize(pendingLength_)) {
            state_ = 0;
            return in;
        }
        state_ = 3;
    }
    // A raw vector reads exactly its preset length.
    if (encoded_.Length() > 0) in = encoded_.Read(in, remaining);
    if (encoded_.State() != 0) return in;
    state_ = 0;
    ParseGathered();
    return in;
}

void DataItemArray::ParseGathered() {
    Resize(0);
    uint32_t left = encoded_.Length();
    const uint8_t* p = encoded_.Data();
    for (uint32_t i = 1; left > 0; ++i) {
        if (!Resize(i)) return;
        DataItem* element = items_[i - 1];
        p = element->Read(p, left);
        if (element->GetError()) return;
        if (!element->IsComplete()) {
            RaiseSecurityError(kErrorFatal, kCodeDecodeError);
            return;
        }
    }
}

int DataItemArray::FailExtra(ErrorHolder* report) const {
    if (report) report->RaiseSecurityError(kErrorFatal, kCodeIllegalParameter);
    return 0;
}

int DataItemArray::Check(ErrorHolder* report) const {
    if (GetError()) return FailCheck(report);
    if (!encoded_.Check(report)) return 0;
    if (count_ > capacity_ || (count_ && !items_)) return FailCheck(report);
    for (uint32_t i = 0; i < count_; ++i) {
        if (!items_[i]) return FailCheck(report);
        if (!items_[i]->Check(report)) return 0;
    }
    if (ElementsSize() >= MaxEncodedLength()) return FailExtra(report);
    return ExtraCheck(report);
}

int CertificateList::ExtraCheck(ErrorHolder* report) const {
    for (uint32_t i = 0; i < Count(); ++i)
        if (Item(i).Length() == 0) return FailExtra(report);
    return 1;
}

int CipherSuiteList::ExtraCheck(ErrorHolder* report) const {
    uint32_t size = EncodedSize();
    if (size == 0 || size % 2 != 0 || Count() == 0) return FailExtra(report);
    return 1;
}

Ssl2CipherKindItem::Ssl2CipherKindItem(uint8_t a, uint8_t b, uint8_t c) : DataItem(3) {
    bytes_[0] = a;
    bytes_[1] = b;
    bytes_[2] = c;
    data_ = bytes_;
}

Ssl2CipherKindItem& Ssl2CipherKindItem::operator=(const Ssl2CipherKindItem& other) {
    std::memcpy(bytes_, other.bytes_, 3);
    return *this;
}

bool Ssl2CipherKindItem::operator==(const Ssl2CipherKindItem& o) const {
    return std::memcmp(bytes_, o.bytes_, 3) == 0;
}

int Ssl2CipherKindList::ExtraCheck(ErrorHolder* report) const {
    uint32_t size = EncodedSize();
    if (size < 3 || (size - 2) % 3 == 0) return 1;
    return FailExtra(report);
}

bool UnparsedItemList::Append(std::unique_ptr<DataItem> element) {
    return Adopt(element.release());
}
