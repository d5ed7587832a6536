// The MACs that guard records: SSL 2.0's keyed digest, SSL 3.0's nested pad
// construction and TLS's HMAC. Each keeps its digest and its MAC secret;
// TlsHmac is also the HMAC of the TLS pseudo-random function.
#pragma once
#include <memory>

#include "security/ByteVector.h"
#include "security/MessageDigest.h"

// A 64-bit record sequence number as two 32-bit words.
struct SequenceNumber {
    uint32_t high = 0;
    uint32_t low = 0;

    void Increment() {
        if (++low == 0) ++high;
    }
    // A logical right shift of the whole value; 64 or more bits give 0.
    void ShiftRight(unsigned bits);
    // Writes the unshifted value to the target, then shifts itself.
    void CopyShifted(SequenceNumber& target, unsigned bits) {
        target = *this;
        ShiftRight(bits);
    }
    // The eight big-endian bytes.
    void Write(uint8_t out[8]) const;
};

class RecordMac : public ErrorHolder {
public:
    RecordMac();
    RecordMac(const RecordMac& other);
    RecordMac& operator=(const RecordMac&) = delete;
    ~RecordMac() override = default;

    virtual uint32_t Size() const { return digest_.Current().Size(); }
    virtual int Kind() const { return digest_.Current().Kind(); }
    virtual void Init() { digest_.Current().Init(); }
    virtual void Update(const uint8_t* data, uint32_t length) { digest_.Current().Update(data, length); }
    virtual void Final(uint8_t* out) { digest_.Current().Final(out); }
    void ClearOutput(ByteVector& vector) { vector.Resize(0); }
    // The holder, the secret and the digest are all healthy.
    int Check(ErrorHolder* target);
    virtual void SetDigest(const DigestBase* digest);
    // Copies the secret; answers the position after it.
    virtual const uint8_t* SetSecret(const uint8_t* bytes, uint32_t length);
    const ByteVector& Secret() const { return secret_; }

    // The MAC of one record into out (resized to Size).
    virtual void ComputeMac(const SequenceNumber& sequence, const ProtocolVersionItem& version,
                            uint32_t contentType, uint32_t length, const uint8_t* data, uint32_t paddingLength,
                            const uint8_t* padding, ByteVector& out) = 0;
    virtual std::unique_ptr<RecordMac> NewSameKind() const = 0;
    virtual std::unique_ptr<RecordMac> Clone() const = 0;

protected:
    DigestSlot digest_;
    SecureShortByteVector secret_;
};

class Ssl2RecordMac : public RecordMac {
public:
    void ComputeMac(const SequenceNumber& sequence, const ProtocolVersionItem& version, uint32_t contentType,
                    uint32_t length, const uint8_t* data, uint32_t paddingLength, const uint8_t* padding,
                    ByteVector& out) override;
    std::unique_ptr<RecordMac> NewSameKind() const override;
    std::unique_ptr<RecordMac> Clone() const override;
};

class Ssl3RecordMac : public RecordMac {
public:
    void ComputeMac(const SequenceNumber& sequence, const ProtocolVersionItem& version, uint32_t contentType,
                    uint32_t length, const uint8_t* data, uint32_t paddingLength, const uint8_t* padding,
                    ByteVector& out) override;
    std::unique_ptr<RecordMac> NewSameKind() const override;
    std::unique_ptr<RecordMac> Clone() const override;
};

class TlsHmac : public RecordMac {
public:
    TlsHmac();
    TlsHmac(const TlsHmac& other);
    ~TlsHmac() override;

    void Init() override;
    void Update(const uint8_t* data, uint32_t length) override;
    void Final(uint8_t* out) override;
    void SetDigest(const DigestBase* digest) override;
    const uint8_t* SetSecret(const uint8_t* bytes, uint32_t length) override;
    void ComputeMac(const SequenceNumber& sequence, const ProtocolVersionItem& version, uint32_t contentType,
                    uint32_t length, const uint8_t* data, uint32_t paddingLength, const uint8_t* padding,
                    ByteVector& out) override;
    std::unique_ptr<RecordMac> NewSameKind() const override;
    std::unique_ptr<RecordMac> Clone() const override;

private:
    DigestSlot outer_;
    uint8_t innerPad_[64];
    uint8_t outerPad_[64];
};

// Compares two byte strings in time that depends on the length alone.
bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, uint32_t n);
// Zero-fills bytes the compiler may not treat as dead before a free.
void WipeMemory(void* p, size_t n);
