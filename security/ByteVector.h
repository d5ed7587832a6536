// Byte vectors: the security library's strings of bytes (keys, secrets, DER
// certificates, names, record fragments, file contents). Encoded as a
// big-endian length field of the class's width followed by the bytes; a raw
// vector has no length field (its length is known from elsewhere and set
// before Read). Vectors that hold secrets zero their storage before it is
// freed or abandoned.
#pragma once
#include <cstdarg>
#include <cstdio>

#include "security/DataItem.h"

// The largest length any vector may hold.
constexpr uint32_t kMaxVectorLength = 0xFFFFFFFB;
// The largest piece the file form reads or writes at once.
constexpr uint32_t kVectorFileChunk = 16384;

class ByteVector : public DataItem {
public:
    // Default: 4-byte length field, no wiping.
    ByteVector() : ByteVector(kMaxVectorLength, 4) {}
    ByteVector(uint32_t maximum, unsigned width, bool wipe = false);
    ByteVector(const ByteVector& other);
    ByteVector& operator=(const ByteVector& other);
    ~ByteVector() override;

    uint32_t Length() const { return length_; }
    uint8_t* Data() { return data_; }
    const uint8_t* Data() const { return data_; }
    uint32_t MaximumLength() const { return maximum_; }
    unsigned LengthFieldWidth() const { return width_; }
    bool Wipes() const { return wipe_; }
    void SetWipe(bool wipe) { wipe_ = wipe; }
    void SetRaw(bool raw) { raw_ = raw; }
    bool IsRaw() const { return raw_; }

    // Every length change goes through here: above the maximum raises
    // (511, 47), an allocation failure (511, 336); either way nothing changes.
    bool Resize(uint32_t n);
    void Assign(const ByteVector& other);
    const uint8_t* SetBytes(const uint8_t* bytes, uint32_t n);
    void SetString(const char* s);
    void Append(const uint8_t* bytes, uint32_t n);
    void Append(const ByteVector& other) { Append(other.data_, other.length_); }
    void AppendString(const char* s);
    // printf-style into the caller's buffer of bufferSize bytes (the text is
    // cut to fit), then appended when non-empty. Answers the length appended,
    // -1 without formatting for a null buffer or format.
    int AppendFormat(char* buffer, size_t bufferSize, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    void Concat(const ByteVector& a, const ByteVector& b);
    bool Equals(const ByteVector& other) const;
    // Copies min(n, length - offset) bytes; nothing past the end.
    uint8_t* CopyOut(uint32_t offset, uint8_t* out, uint32_t n) const;
    // Writes exactly n bytes, zeros after the available ones.
    uint8_t* CopyOutZeroFilled(uint32_t offset, uint8_t* out, uint32_t n) const;
    // Copies other's bytes from otherOffset into this vector at offset,
    // within this vector's length; the part past other's end becomes zeros.
    uint32_t CopyFrom(uint32_t offset, const ByteVector& other, uint32_t otherOffset, uint32_t n);
    // Borrows bytes owned by someone else (see the header of the .cpp).
    void SetExternalBuffer(uint8_t* p);

    uint32_t EncodedSize() const override { return length_ + (raw_ ? 0 : width_); }
    const uint8_t* Read(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* Write(uint8_t* out) const override;
    bool IsComplete() const override { return state_ == 0; }
    int Check(ErrorHolder* report) const override;

    // The resumable length field of the class's width.
    virtual const uint8_t* ReadLengthField(const uint8_t* in, uint32_t& remaining);
    virtual uint8_t* WriteLengthField(uint8_t* out, uint32_t value) const;

    // The file form: length field and bytes, in pieces of at most 16384.
    // A short read raises (511, 80) here and on the report and answers 0.
    [[nodiscard]] int ReadFrom(FILE* stream, ErrorHolder* report);
    void WriteTo(FILE* stream) const;

protected:
    // Drops the storage (zeroed first when wiping).
    void Release();
    // Continues after the length field: sizes the vector and moves to the
    // bytes; a refused length stops the parse.
    void BeginBytes(uint32_t length);

    uint32_t length_ = 0;
    bool borrowed_ = false;
    bool raw_ = false;
    bool wipe_ = false;
    uint32_t maximum_;
    uint32_t pendingLength_ = 0;
    uint32_t capacity_ = 0;
    uint32_t width_;
    uint32_t counter_ = 0;
};

class SecureByteVector : public ByteVector {
public:
    SecureByteVector() : ByteVector(kMaxVectorLength, 4, true) {}
    SecureByteVector(const ByteVector& other) : SecureByteVector() { Assign(other); }
    SecureByteVector(const SecureByteVector& other) : SecureByteVector() { Assign(other); }
    SecureByteVector& operator=(const SecureByteVector& other) = default;
};

class SmallByteVector : public ByteVector {
public:
    SmallByteVector() : ByteVector(255, 1) {}
    SmallByteVector(const SmallByteVector& other) : SmallByteVector() { Assign(other); }
    SmallByteVector& operator=(const SmallByteVector& other) = default;
};

class ShortByteVector : public ByteVector {
public:
    ShortByteVector() : ByteVector(65535, 2) {}
    ShortByteVector(const ShortByteVector& other) : ShortByteVector() { Assign(other); }
    ShortByteVector& operator=(const ShortByteVector& other) = default;
};

class SecureShortByteVector : public ByteVector {
public:
    SecureShortByteVector() : ByteVector(65535, 2, true) {}
    SecureShortByteVector(const SecureShortByteVector& other) : SecureShortByteVector() { Assign(other); }
    SecureShortByteVector& operator=(const SecureShortByteVector& other) = default;
};

class MediumByteVector : public ByteVector {
public:
    MediumByteVector() : ByteVector(0xFFFFFF, 3) {}
    MediumByteVector(const MediumByteVector& other) : MediumByteVector() { Assign(other); }
    MediumByteVector& operator=(const MediumByteVector& other) = default;
};
