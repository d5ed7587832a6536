#include "security/DataItem.h"

#include <algorithm>
#include <cstring>
#include <new>

uint8_t* WriteBigEndian(uint8_t* out, uint32_t value, unsigned width) {
    for (unsigned i = width; i-- > 0;) *out++ = i < 4 ? static_cast<uint8_t>(value >> (8 * i)) : 0;
    return out;
}

const uint8_t* ReadBigEndian(const uint8_t* in, uint32_t& remaining, uint32_t& value, uint32_t& state,
                             uint32_t base, uint32_t& counter, unsigned width) {
    if (state == base) {
        value = 0;
        counter = width;
        state = base + 1;
    }
    while (state == base + 1 && remaining > 0 && counter > 0) {
        value = value << 8 | *in++;
        --remaining;
        --counter;
    }
    if (state == base + 1 && counter == 0) state = base + 2;
    return in;
}

const uint8_t* DataItem::Read(const uint8_t* in, uint32_t& remaining) {
    if (!data_) return in;
    // A complete item read again is parsed afresh.
    if (position_ >= size_) position_ = 0;
    uint32_t n = std::min(remaining, size_ - position_);
    if (n) std::memcpy(data_ + position_, in, n);
    position_ += n;
    remaining -= n;
    if (position_ >= size_) OnComplete();
    return in + n;
}

uint8_t* DataItem::Write(uint8_t* out) const {
    if (!data_ || size_ == 0) return out;
    std::memcpy(out, data_, size_);
    return out + size_;
}

uint8_t* DataItem::EncodeToNewBuffer(uint32_t& size) const {
    uint32_t n = EncodedSize();
    uint8_t* buffer = new (std::nothrow) uint8_t[n ? n : 1];
    if (!buffer) {
        size = 0;
        return nullptr;
    }
    Write(buffer);
    size = n;
    return buffer;
}

bool DataItem::IsComplete() const {
    return data_ ? position_ >= size_ : state_ == 0;
}

int DataItem::FailCheck(ErrorHolder* report) const {
    if (report && !GetError()) report->RaiseSecurityError(kErrorLibrary, kCodeInternalError);
    return 0;
}

int DataItem::Check(ErrorHolder* report) const {
    if (GetError(nullptr) || !IsComplete()) return FailCheck(report);
    return 1;
}

TwoByteItem::TwoByteItem(uint8_t first, uint8_t second) : DataItem(2) {
    bytes_[0] = first;
    bytes_[1] = second;
    data_ = bytes_;
}

TwoByteItem& TwoByteItem::operator=(const TwoByteItem& other) {
    bytes_[0] = other.bytes_[0];
    bytes_[1] = other.bytes_[1];
    return *this;
}

AlertItem::AlertItem() : DataItem(2) {
    data_ = bytes_;
    SetPair(kErrorNone, kCodeUnknown);
}

AlertItem::AlertItem(uint32_t errorClass, uint32_t code) : AlertItem() {
    SetPair(errorClass, code);
}

AlertItem::AlertItem(const ErrorHolder& holder) : AlertItem() {
    SetPair(holder.Error().errorClass, holder.Error().code);
}

AlertItem& AlertItem::operator=(const AlertItem& other) {
    SetPair(other.pair_.errorClass, other.pair_.code);
    return *this;
}

void AlertItem::SetPair(uint32_t errorClass, uint32_t code) {
    pair_.Set(errorClass, code);
    bytes_[0] = static_cast<uint8_t>(pair_.errorClass);
    bytes_[1] = static_cast<uint8_t>(pair_.code);
}

void AlertItem::OnComplete() {
    uint32_t level = bytes_[0] <= kErrorFatal ? uint32_t{bytes_[0]} : uint32_t{kErrorLibrary};
    pair_.Set(level, bytes_[1]);
}

uint8_t* AlertItem::Write(uint8_t* out) const {
    *out++ = static_cast<uint8_t>(pair_.errorClass);
    *out++ = static_cast<uint8_t>(pair_.code);
    return out;
}

int AlertItem::Check(ErrorHolder* report) const {
    if (!DataItem::Check(report)) return 0;
    // A received level or description outside the lists was stored as
    // 511 or 80; the raw bytes tell.
    bool validClass = bytes_[0] <= kErrorFatal;
    bool validCode = IsValidSecurityCode(bytes_[1]) && bytes_[1] == pair_.code;
    if (!validClass || !validCode) return FailCheck(report);
    return 1;
}

uint8_t ByteListItem::dummy_ = 0;
bool ByteListItem::outOfRange_ = false;

ByteListItem::ByteListItem() {
    std::memset(bytes_, 0, sizeof bytes_);
}

ByteListItem::ByteListItem(const ByteListItem& other) : DataItem(other) {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
}

ByteListItem& ByteListItem::operator=(const ByteListItem& other) {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    return *this;
}

void ByteListItem::SetCount(uint8_t count) {
    bytes_[0] = count;
}

bool ByteListItem::Contains(uint8_t value) const {
    for (unsigned i = 0; i < Count(); ++i)
        if (bytes_[1 + i] == value) return true;
    return false;
}

uint8_t& ByteListItem::At(unsigned index) {
    if (index >= Count()) {
        outOfRange_ = true;
        return dummy_;
    }
    return bytes_[1 + index];
}

// State 1: the count byte; state 2: the values, position counting them.
const uint8_t* ByteListItem::Read(const uint8_t* in, uint32_t& remaining) {
    if (state_ == 0) state_ = 1;
    if (state_ == 1 && remaining > 0) {
        bytes_[0] = *in++;
        --remaining;
        position_ = 0;
        state_ = 2;
    }
    if (state_ == 2) {
        uint32_t n = std::min<uint32_t>(remaining, bytes_[0] - position_);
        std::memcpy(bytes_ + 1 + position_, in, n);
        in += n;
        remaining -= n;
        position_ += n;
        if (position_ == bytes_[0]) {
            state_ = 0;
            OnComplete();
        }
    }
    return in;
}

uint8_t* ByteListItem::Write(uint8_t* out) const {
    std::memcpy(out, bytes_, Count() + 1u);
    return out + Count() + 1;
}

ChangeCipherSpecBody::ChangeCipherSpecBody() : DataItem(1) {
    data_ = &byte_;
}

const uint8_t* ChangeCipherSpecBody::Read(const uint8_t* in, uint32_t& remaining) {
    if (remaining == 0) return in;
    byte_ = 1;
    uint8_t got = *in++;
    --remaining;
    position_ = size_;
    if (got != 1) RaiseSecurityError(kErrorFatal, kCodeIllegalParameter);
    return in;
}
