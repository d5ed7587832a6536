#include "security/ByteVector.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

// Growth leaves some slack and never allocates less than this, so appending
// small pieces does not reallocate each time.
static constexpr uint32_t kGrowthSlack = 16;
static constexpr uint32_t kMinimumCapacity = 64;

// Zeroing that the compiler may not drop as a dead store before a free.
static void WipeBytes(uint8_t* p, uint32_t n) {
    volatile uint8_t* v = p;
    while (n--) *v++ = 0;
}

ByteVector::ByteVector(uint32_t maximum, unsigned width, bool wipe)
    : wipe_(wipe), maximum_(std::min(maximum, kMaxVectorLength)), width_(width) {}

ByteVector::ByteVector(const ByteVector& other)
    : DataItem(other), raw_(other.raw_), maximum_(other.maximum_), width_(other.width_) {
    Assign(other);
}

ByteVector& ByteVector::operator=(const ByteVector& other) {
    if (this != &other) Assign(other);
    return *this;
}

ByteVector::~ByteVector() {
    Release();
}

void ByteVector::Release() {
    if (!borrowed_ && data_) {
        if (wipe_) WipeBytes(data_, capacity_);
        delete[] data_;
    }
    data_ = nullptr;
    capacity_ = 0;
}

bool ByteVector::Resize(uint32_t n) {
    if (borrowed_) {
        if (n > maximum_) {
            RaiseSecurityError(kErrorLibrary, kCodeIllegalParameter);
            return false;
        }
        length_ = n;
        return true;
    }
    if (n == length_) return true;
    if (n > maximum_) {
        RaiseSecurityError(kErrorLibrary, kCodeIllegalParameter);
        return false;
    }
    if (n > capacity_) {
        // The slack must not wrap a length near the top of the range into a
        // small buffer that the copy after it would overrun.
        uint64_t wanted = std::max<uint64_t>(uint64_t{n} + kGrowthSlack, kMinimumCapacity);
        if (wanted > UINT32_MAX || wanted > SIZE_MAX) {
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            return false;
        }
        uint32_t newCapacity = static_cast<uint32_t>(wanted);
        uint8_t* fresh = new (std::nothrow) uint8_t[newCapacity];
        if (!fresh) {
            RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
            return false;
        }
        if (length_) std::memcpy(fresh, data_, length_);
        Release();
        data_ = fresh;
        capacity_ = newCapacity;
    }
    length_ = n;
    if (n == 0) Release();
    return true;
}

void ByteVector::Assign(const ByteVector& other) {
    if (this == &other) return;
    if (other.wipe_) wipe_ = true;
    SetBytes(other.data_, other.length_);
}

const uint8_t* ByteVector::SetBytes(const uint8_t* bytes, uint32_t n) {
    if (!Resize(n)) return bytes;
    if (n && bytes) std::memmove(data_, bytes, n);
    return bytes ? bytes + n : bytes;
}

void ByteVector::SetString(const char* s) {
    SetBytes(reinterpret_cast<const uint8_t*>(s), s ? static_cast<uint32_t>(std::strlen(s)) : 0);
}

void ByteVector::Append(const uint8_t* bytes, uint32_t n) {
    if (!bytes || n == 0) return;
    if (n > maximum_ - std::min(length_, maximum_)) {
        RaiseSecurityError(kErrorLibrary, kCodeIllegalParameter);
        return;
    }
    uint32_t old = length_;
    // The bytes may lie inside this vector, whose buffer Resize may move.
    bool inside = data_ && bytes >= data_ && bytes < data_ + capacity_;
    uint32_t insideOffset = inside ? static_cast<uint32_t>(bytes - data_) : 0;
    if (!Resize(old + n)) return;
    std::memmove(data_ + old, inside ? data_ + insideOffset : bytes, n);
}

void ByteVector::AppendString(const char* s) {
    if (s) Append(reinterpret_cast<const uint8_t*>(s), static_cast<uint32_t>(std::strlen(s)));
}

int ByteVector::AppendFormat(char* buffer, size_t bufferSize, const char* format, ...) {
    if (!buffer || !format || bufferSize == 0) return -1;
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, bufferSize, format, args);
    va_end(args);
    if (n < 0) return -1;
    // A text longer than the buffer was cut: append what the buffer holds.
    if (static_cast<size_t>(n) >= bufferSize) n = static_cast<int>(bufferSize - 1);
    if (n > 0) Append(reinterpret_cast<const uint8_t*>(buffer), static_cast<uint32_t>(n));
    return n;
}

void ByteVector::Concat(const ByteVector& a, const ByteVector& b) {
    ByteVector joined(maximum_, width_, wipe_ || a.wipe_ || b.wipe_);
    joined.Append(a);
    joined.Append(b);
    if (joined.GetError()) {
        RaiseFrom(joined);
        return;
    }
    Assign(joined);
}

bool ByteVector::Equals(const ByteVector& other) const {
    if (length_ != other.length_) return false;
    return length_ == 0 || std::memcmp(data_, other.data_, length_) == 0;
}

uint8_t* ByteVector::CopyOut(uint32_t offset, uint8_t* out, uint32_t n) const {
    if (offset > length_) return out;
    uint32_t count = std::min(n, length_ - offset);
    if (count) std::memcpy(out, data_ + offset, count);
    return out + count;
}

uint8_t* ByteVector::CopyOutZeroFilled(uint32_t offset, uint8_t* out, uint32_t n) const {
    uint8_t* end = offset > length_ ? out : CopyOut(offset, out, n);
    uint32_t copied = static_cast<uint32_t>(end - out);
    std::memset(end, 0, n - copied);
    return out + n;
}

uint32_t ByteVector::CopyFrom(uint32_t offset, const ByteVector& other, uint32_t otherOffset, uint32_t n) {
    if (offset > length_ || otherOffset > other.length_) return 0;
    uint32_t count = std::min(n, length_ - offset);
    uint32_t copied = std::min(count, other.length_ - otherOffset);
    if (copied) std::memmove(data_ + offset, other.data_ + otherOffset, copied);
    if (count > copied) std::memset(data_ + offset + copied, 0, count - copied);
    return count;
}

// Borrowing: with p set, the vector refers to p and no longer owns storage;
// Resize then only changes the length. A null p ends borrowing with fresh own
// storage of the current length (the borrowed bytes are not carried over).
void ByteVector::SetExternalBuffer(uint8_t* p) {
    if (p) {
        if (!borrowed_) Release();
        data_ = p;
        capacity_ = length_;
        borrowed_ = true;
        return;
    }
    if (!borrowed_) return;
    borrowed_ = false;
    data_ = nullptr;
    capacity_ = 0;
    uint32_t keep = length_;
    length_ = 0;
    Resize(keep);
}

uint8_t* ByteVector::WriteLengthField(uint8_t* out, uint32_t value) const {
    return WriteBigEndian(out, value, width_);
}

const uint8_t* ByteVector::ReadLengthField(const uint8_t* in, uint32_t& remaining) {
    return ReadBigEndian(in, remaining, pendingLength_, state_, 0, counter_, width_);
}

uint8_t* ByteVector::Write(uint8_t* out) const {
    if (!raw_) out = WriteLengthField(out, length_);
    if (length_) std::memcpy(out, data_, length_);
    return out + length_;
}

void ByteVector::BeginBytes(uint32_t length) {
    if (!Resize(length)) {
        state_ = 0;
        return;
    }
    position_ = 0;
    state_ = 3;
}

// States: 0 idle, 1-2 in the length field, 3 in the bytes.
const uint8_t* ByteVector::Read(const uint8_t* in, uint32_t& remaining) {
    if (state_ == 0 && raw_) {
        position_ = 0;
        state_ = 3;
    }
    do {
        if (state_ <= 2) {
            in = ReadLengthField(in, remaining);
            if (state_ == 2) BeginBytes(pendingLength_);
            if (state_ != 3) return in;
        }
        uint32_t n = std::min(remaining, length_ - position_);
        if (n) std::memcpy(data_ + position_, in, n);
        in += n;
        remaining -= n;
        position_ += n;
        if (position_ >= length_) {
            state_ = 0;
            OnComplete();
        }
    } while (state_ != 0 && remaining > 0);
    return in;
}

int ByteVector::Check(ErrorHolder* report) const {
    if (GetError() || state_ != 0) return FailCheck(report);
    return 1;
}

int ByteVector::ReadFrom(FILE* stream, ErrorHolder* report) {
    auto fail = [&](uint32_t errorClass, uint32_t code) {
        state_ = 0;
        RaiseSecurityError(errorClass, code);
        if (report) report->RaiseSecurityError(errorClass, code);
        return 0;
    };
    uint32_t length = length_;
    if (!raw_) {
        uint8_t field[4];
        if (std::fread(field, 1, width_, stream) != width_) return fail(kErrorLibrary, kCodeInternalError);
        length = 0;
        for (unsigned i = 0; i < width_; ++i) length = length << 8 | field[i];
    }
    if (length > maximum_) return fail(kErrorLibrary, kCodeIllegalParameter);
    // The length comes from a file that may be damaged: storage grows with
    // the bytes actually read, so a huge length in a short file costs no
    // huge allocation.
    if (!Resize(0)) return fail(error_.errorClass, error_.code);
    while (length_ < length) {
        uint32_t done = length_;
        uint32_t piece = std::min(length - done, kVectorFileChunk);
        if (!Resize(done + piece)) return fail(error_.errorClass, error_.code);
        if (std::fread(data_ + done, 1, piece, stream) != piece) {
            Resize(done);
            return fail(kErrorLibrary, kCodeInternalError);
        }
    }
    state_ = 0;
    return 1;
}

void ByteVector::WriteTo(FILE* stream) const {
    if (!raw_) {
        uint8_t field[4];
        std::fwrite(field, 1, WriteLengthField(field, length_) - field, stream);
    }
    for (uint32_t done = 0; done < length_;) {
        uint32_t piece = std::min(length_ - done, kVectorFileChunk);
        std::fwrite(data_ + done, 1, piece, stream);
        done += piece;
    }
}
