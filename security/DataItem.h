// Items: everything the security library sends, receives or stores. An item
// knows its encoded size, writes its encoding, and is parsed incrementally:
// Read may be called with any piece of the input (one byte at a time if the
// socket delivers it so) and resumes where it stopped.
//
// Integers and length fields are big-endian, 1 to 4 bytes wide.
#pragma once
#include <cstddef>
#include <cstdint>

#include "security/ErrorHolder.h"

// Writes the low 8*width bits of value, most significant byte first; answers
// out advanced by width.
uint8_t* WriteBigEndian(uint8_t* out, uint32_t value, unsigned width);

// A resumable reader of one big-endian field. The caller owns state and
// counter; base is the field's first state. At state == base the value is
// zeroed and the field begins; at base + 1 bytes are shifted in while input
// remains; base + 2 means done. A field in any other state consumes nothing.
const uint8_t* ReadBigEndian(const uint8_t* in, uint32_t& remaining, uint32_t& value, uint32_t& state,
                             uint32_t base, uint32_t& counter, unsigned width);

class DataItem : public ErrorHolder {
public:
    DataItem() = default;
    // Starts complete: size bytes of value, all of them present.
    explicit DataItem(uint32_t size) : size_(size), position_(size) {}
    DataItem(const DataItem& other) : ErrorHolder(other) {}
    DataItem& operator=(const DataItem&) { return *this; }
    ~DataItem() override = default;

    // Called once Read has filled the item.
    virtual void OnComplete() {}
    virtual uint32_t EncodedSize() const { return size_; }
    // Consumes from in, decreasing remaining; answers in advanced.
    virtual const uint8_t* Read(const uint8_t* in, uint32_t& remaining);
    // Writes EncodedSize bytes; answers out advanced.
    virtual uint8_t* Write(uint8_t* out) const;
    // A new[] buffer of EncodedSize bytes (the caller deletes it); null and
    // size 0 when it cannot be allocated.
    virtual uint8_t* EncodeToNewBuffer(uint32_t& size) const;
    virtual bool IsComplete() const;
    // 1 when no error is set and the item is complete; otherwise 0 and, when
    // the item has no error of its own, (511, 80) into the report.
    virtual int Check(ErrorHolder* report) const;

    uint32_t State() const { return state_; }

protected:
    // Marks the report for a failed check without an error of one's own.
    int FailCheck(ErrorHolder* report) const;

    uint32_t size_ = 0;
    uint8_t* data_ = nullptr;
    uint32_t position_ = 0;
    uint32_t state_ = 0;
};

// An item of two bytes held inside the object.
class TwoByteItem : public DataItem {
public:
    TwoByteItem(uint8_t first, uint8_t second);
    TwoByteItem(const TwoByteItem& other) : TwoByteItem(other.bytes_[0], other.bytes_[1]) {}
    TwoByteItem& operator=(const TwoByteItem& other);
    bool operator==(const TwoByteItem& o) const { return bytes_[0] == o.bytes_[0] && bytes_[1] == o.bytes_[1]; }

protected:
    uint8_t bytes_[2];
};

// A (major, minor) pair, 3.1 by default.
class ProtocolVersionItem : public TwoByteItem {
public:
    ProtocolVersionItem() : TwoByteItem(3, 1) {}
    ProtocolVersionItem(uint8_t major, uint8_t minor) : TwoByteItem(major, minor) {}
    uint8_t Major() const { return bytes_[0]; }
    uint8_t Minor() const { return bytes_[1]; }
};

// The two bytes of an SSL 3.0/TLS cipher-suite code.
class CipherSuiteItem : public TwoByteItem {
public:
    CipherSuiteItem() : TwoByteItem(0, 0) {}
    CipherSuiteItem(uint8_t high, uint8_t low) : TwoByteItem(high, low) {}
    uint8_t High() const { return bytes_[0]; }
    uint8_t Low() const { return bytes_[1]; }
    uint16_t Code() const { return static_cast<uint16_t>(bytes_[0] << 8 | bytes_[1]); }
};

// An alert: level and description bytes standing for a (class, code) pair.
class AlertItem : public DataItem {
public:
    AlertItem();
    AlertItem(uint32_t errorClass, uint32_t code);
    explicit AlertItem(const ErrorHolder& holder);
    AlertItem(const AlertItem& other) : AlertItem(other.Pair().errorClass, other.Pair().code) {}
    AlertItem& operator=(const AlertItem& other);

    void SetPair(uint32_t errorClass, uint32_t code);
    const SecurityErrorCode& Pair() const { return pair_; }
    void OnComplete() override;
    uint8_t* Write(uint8_t* out) const override;
    // Only a pair whose class and code are both valid passes.
    int Check(ErrorHolder* report) const override;

private:
    SecurityErrorCode pair_;
    uint8_t bytes_[2];
};

// A count byte and up to 255 one-byte values.
class ByteListItem : public DataItem {
public:
    ByteListItem();
    ByteListItem(const ByteListItem& other);
    ByteListItem& operator=(const ByteListItem& other);

    void SetCount(uint8_t count);
    uint8_t Count() const { return bytes_[0]; }
    bool Contains(uint8_t value) const;
    // Past the count: a shared dummy value, and the shared out-of-range flag
    // is set.
    uint8_t& At(unsigned index);
    static bool OutOfRange() { return outOfRange_; }

    uint32_t EncodedSize() const override { return Count() + 1u; }
    const uint8_t* Read(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* Write(uint8_t* out) const override;
    bool IsComplete() const override { return state_ == 0; }

private:
    uint8_t bytes_[256];
    static uint8_t dummy_;
    static bool outOfRange_;
};

// The one-byte body of change_cipher_spec: always 1.
class ChangeCipherSpecBody : public DataItem {
public:
    ChangeCipherSpecBody();
    const uint8_t* Read(const uint8_t* in, uint32_t& remaining) override;

private:
    uint8_t byte_ = 1;
};
