// Record protection shared by the SSL 3.0/TLS 1.0 and SSL 2.0 record
// classes: Protect computes the MAC, pads, encrypts and counts the write
// sequence number up; Unprotect decrypts, checks padding and MAC and counts
// the read sequence number up. Both work in slices, so that a large record
// can be processed a piece at a time between window messages: call again
// with the same record until it answers a record or raises an error.
#pragma once
#include <memory>

#include "core/ListNode.h"
#include "security/BlockCipher.h"
#include "security/ByteVector.h"
#include "security/PublicKey.h"
#include "security/RecordMac.h"

enum : uint32_t {
    kContentChangeCipherSpec = 20,
    kContentAlert = 21,
    kContentHandshake = 22,
    kContentApplicationData = 23,
    kContentSsl2 = 509,   // a record in SSL 2.0 format
    kContentIgnored = 510,  // an internal kind every state ignores
    kContentUnknown = 511,
};

// The keys of one direction of a connection.
class CipherState {
public:
    CipherState();
    CipherState(const CipherState&) = delete;
    CipherState& operator=(const CipherState&) = delete;

    std::unique_ptr<CipherBase> cipher;  // absent before any keys exist
    std::unique_ptr<RecordMac> mac;
    std::unique_ptr<PublicKey> key;  // the client's private key (SSL 2.0)
    DigestSlot slots[2];
    uint32_t flag = 0;
    SequenceNumber sequence;

    // The record-layer state of the direction: 2 with a cipher, plus 1
    // with the flag.
    uint32_t RecordLayerState() const { return (cipher ? 2u : 0u) + (flag ? 1u : 0u); }
};

class ProtectableRecord : public ByteVector, public ListNode {
public:
    ProtectableRecord(uint32_t maximum, unsigned width);
    ProtectableRecord(const ProtectableRecord&) = delete;
    ProtectableRecord& operator=(const ProtectableRecord&) = delete;
    ~ProtectableRecord() override;

    uint32_t ContentType() const { return contentType_; }
    void SetContentType(uint32_t type) { contentType_ = type; }
    const ProtocolVersionItem& Version() const { return version_; }
    void SetVersion(const ProtocolVersionItem& version) { version_ = version; }

    // Drop any partial output, zero the counters and mark a protection (or
    // unprotection) as under way.
    virtual void BeginProtect();
    // The protected record once finished; null while unfinished or after a
    // failure, which leaves its error on this record.
    virtual std::unique_ptr<ProtectableRecord> Protect(CipherState& state, uint32_t sliceLimit);
    virtual void BeginUnprotect();
    // The plaintext record once finished and verified; null otherwise. A
    // record whose MAC or padding is wrong is never handed out.
    virtual std::unique_ptr<ProtectableRecord> Unprotect(CipherState& state, uint32_t sliceLimit);
    bool ProtectionPending() const { return pending_; }

protected:
    // An empty record of the same class (for SSL 2.0 with this one's header
    // flags).
    virtual std::unique_ptr<ProtectableRecord> NewOutputRecord() const = 0;
    // SSL 2.0 records carry the MAC before the data.
    virtual bool MacFirst() const { return false; }
    // The padding of count bytes to send, into padding_; a block size of 1
    // means a stream cipher.
    virtual void FillPadding(uint32_t count, uint32_t blockSize, ProtectableRecord& output) = 0;
    // The padding length of a received record whose decrypted body is
    // plain (length bytes); false when it is not well-formed. For a
    // stream cipher the answer may be 0.
    virtual bool ReceivedPadding(const uint8_t* plain, uint32_t length, uint32_t blockSize,
                                 uint32_t& padding) const = 0;

    ProtocolVersionItem version_;
    uint32_t contentType_;
    uint8_t padding_[256];
    uint32_t paddingCount_ = 0;

private:
    void Fail(const ErrorHolder* source);
    void Reset();

    bool pending_ = false;
    std::unique_ptr<ProtectableRecord> output_;
    uint32_t plainLength_ = 0;
    uint32_t consumed_ = 0;
    uint32_t outputPosition_ = 0;
    uint32_t expectedLength_ = 0;
    uint32_t macSize_ = 0;
    SecureShortByteVector mac_;
};

// Checks of enumerated fields read from records and messages: a value
// outside its list answers the list's sentinel, or, with a target, raises
// (511, 80) there and answers the sentinel too.
uint32_t CheckHandshakeType(uint32_t value, ErrorHolder* target = nullptr);
uint32_t CheckContentType(uint32_t value, ErrorHolder* target = nullptr);
uint32_t CheckAlertLevel(uint32_t value, ErrorHolder* target = nullptr);
uint32_t CheckAlertCode(uint32_t value, ErrorHolder* target = nullptr);
// Only the null method (0) is acceptable.
uint32_t CheckCompressionMethod(uint32_t value, ErrorHolder* target = nullptr);
