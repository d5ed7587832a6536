// The handshake items of SSL 3.0 and TLS 1.0 that have a structure of their
// own: the pre-master secret, the server's RSA key-exchange parameters, the
// digitally-signed value and the certificate request. Each reads resumably
// (any piece of input, continued on the next call) and writes itself.
#pragma once
#include "security/DataItemArray.h"
#include "security/MessageDigest.h"
#include "security/PublicKey.h"

// Client version (2 bytes) and 46 random bytes; the random part is wiped
// when the item goes.
class PreMasterSecretItem : public DataItem {
public:
    PreMasterSecretItem();
    ~PreMasterSecretItem() override;
    uint8_t* Bytes() { return bytes_; }
    const uint8_t* Read(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* Write(uint8_t* out) const override;

private:
    uint8_t bytes_[48] = {};
};

// Modulus and exponent, each behind a 2-byte length.
class RsaParametersItem : public DataItem {
public:
    RsaParametersItem();
    ShortByteVector modulus;
    ShortByteVector exponent;
    uint32_t EncodedSize() const override { return modulus.EncodedSize() + exponent.EncodedSize(); }
    const uint8_t* Read(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* Write(uint8_t* out) const override;
    bool IsComplete() const override { return state_ == 0; }
    // Both parts present, else (2, 47).
    int Check(ErrorHolder* report) const override;
};

enum : int { kSignedNone = 0, kSignedRsa = 1, kSignedDsa = 2 };

// A signature over MD5 and SHA-1 hashes (RSA) or SHA-1 alone (DSA); without
// a key the hash bytes themselves.
class DigitallySignedItem : public DataItem {
public:
    DigitallySignedItem(int kind, const DigestBase* md5, const DigestBase* sha1);
    void SetKey(PublicKey* key) { key_ = key; }
    void Init();
    void Update(const ByteVector& data);
    void Final();
    // The hash bytes: 36 for RSA, 20 for DSA, none for kind 0.
    uint32_t HashLength() const;
    const uint8_t* Hashes() const { return hashes_; }
    // With a key, the hashes signed with it in private mode; without, the
    // hashes themselves.
    void Sign();
    const ShortByteVector& Signature() const { return signature_; }

    uint32_t EncodedSize() const override { return kind_ == kSignedNone ? 0 : signature_.EncodedSize(); }
    const uint8_t* Read(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* Write(uint8_t* out) const override;
    bool IsComplete() const override { return signature_.IsComplete(); }
    // This received value against a computed one; a mismatch raises (2, 47)
    // on the report.
    int CheckAgainst(const DigitallySignedItem& computed, PublicKey* key, ErrorHolder* report) const;

private:
    int kind_;
    DigestSlot md5_, sha1_;
    uint8_t hashes_[36] = {};
    ShortByteVector signature_;
    PublicKey* key_ = nullptr;  // not owned
};

// Certificate types (1 byte each, behind a count) and the authorities' names.
class CertificateRequestItem : public DataItem {
public:
    CertificateRequestItem();
    ByteListItem types;
    ShortVectorList authorities;
    uint32_t EncodedSize() const override { return types.EncodedSize() + authorities.EncodedSize(); }
    const uint8_t* Read(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* Write(uint8_t* out) const override;
    bool IsComplete() const override { return state_ == 0; }
    // Every type 1 to 6, else (511, 80).
    int Check(ErrorHolder* report) const override;
};
