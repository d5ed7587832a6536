// Digests behind one interface: the library's digests (MessageDigest), the
// stand-in before any keys exist (NullDigest), and the record MACs built on
// them elsewhere. DigestSlot is where another object keeps a digest.
#pragma once
#include <memory>

#include "security/ByteVector.h"
#include "security/CryptoSlots.h"

enum : int { kDigestNone = 0, kDigestMd5 = 1, kDigestSha1 = 2 };

class DigestBase : public ErrorHolder {
public:
    ~DigestBase() override = default;
    virtual uint32_t Size() const = 0;
    virtual int Kind() const = 0;
    virtual void Init() = 0;
    // Answers data + length.
    virtual const uint8_t* Update(const uint8_t* data, uint32_t length) = 0;
    // Writes Size bytes; the running digest stays usable. Answers out + Size.
    virtual uint8_t* Final(uint8_t* out) = 0;
    virtual void FinalThrough(ByteVector& out) { out.Resize(0); }
    // 1 while healthy; library errors raise (511, 80) on the target.
    virtual int Check(ErrorHolder* target) = 0;
    virtual std::unique_ptr<DigestBase> NewSameKind() const = 0;
    virtual std::unique_ptr<DigestBase> Clone() const = 0;
};

class MessageDigest : public DigestBase {
public:
    // The descriptor may be null (a digest of kind 0 that cannot run).
    explicit MessageDigest(const CryptoDigestInfo* descriptor);
    MessageDigest(const MessageDigest&) = delete;
    MessageDigest& operator=(const MessageDigest&) = delete;
    ~MessageDigest() override;

    uint32_t Size() const override;
    int Kind() const override;
    void Init() override;
    const uint8_t* Update(const uint8_t* data, uint32_t length) override;
    uint8_t* Final(uint8_t* out) override;
    void FinalThrough(ByteVector& out) override;
    int Check(ErrorHolder* target) override;
    std::unique_ptr<DigestBase> NewSameKind() const override;
    std::unique_ptr<DigestBase> Clone() const override;

    const CryptoDigestInfo* Descriptor() const { return descriptor_; }

private:
    // Raises (511, 80) when the library reported anything.
    bool CheckLibrary();

    const CryptoDigestInfo* descriptor_;
    void* context_ = nullptr;  // the library's, freed through it
};

class NullDigest : public DigestBase {
public:
    uint32_t Size() const override { return 0; }
    int Kind() const override { return kDigestNone; }
    void Init() override {}
    const uint8_t* Update(const uint8_t* data, uint32_t) override { return data; }
    uint8_t* Final(uint8_t* out) override { return out; }
    int Check(ErrorHolder*) override { return 1; }
    std::unique_ptr<DigestBase> NewSameKind() const override { return std::make_unique<NullDigest>(); }
    std::unique_ptr<DigestBase> Clone() const override { return std::make_unique<NullDigest>(); }
};

// The one NullDigest every empty slot refers to; never deleted by a slot.
NullDigest& SharedNullDigest();

void UpdateVector(DigestBase& digest, const ByteVector& vector);
// Feeds n copies of the byte, 64 at a time.
void UpdateRepeated(DigestBase& digest, uint8_t byte, uint32_t n);
void UpdateString(DigestBase& digest, const char* text);
// Sizes the vector and finalises into it; a vector that could not be sized
// (or carries an uncleared error) is emptied instead.
void FinalInto(DigestBase& digest, ByteVector& vector);
void DigestBytes(DigestBase& digest, const uint8_t* bytes, uint32_t n, ByteVector& vector);
void DigestVector(DigestBase& digest, const ByteVector& input, ByteVector& output);

class DigestSlot : public ErrorHolder {
public:
    DigestSlot() = default;
    DigestSlot(const DigestSlot& other) : ErrorHolder() { CopyFrom(other); }
    explicit DigestSlot(const DigestBase* digest) { SetClone(digest); }
    DigestSlot& operator=(const DigestSlot& other);
    ~DigestSlot() override { Reset(); }

    void Reset();
    // Own a fresh digest of the kind, or a copy of its running state. A null
    // digest leaves the slot empty; both answer 0 after raising (511, 336).
    int SetFresh(const DigestBase* digest);
    int SetClone(const DigestBase* digest);
    int CopyFrom(const DigestSlot& other);
    // 0 with an error of the slot's own (copied into the report) or when
    // empty; else the owned digest's Check.
    int Check(ErrorHolder* report);
    void ClearError() override;

    DigestBase& Current() const { return owned_ ? *owned_ : SharedNullDigest(); }
    DigestBase* Owned() const { return owned_.get(); }

private:
    int Adopt(std::unique_ptr<DigestBase> digest);

    std::unique_ptr<DigestBase> owned_;
};
