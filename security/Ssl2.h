// What is particular to SSL 2.0: the record with its 2- or 3-byte header,
// the handshake messages with their type codes, the mapping between SSL 2.0
// error codes and the library's errors, and the SSL 2.0 key schedule.
// Record MAC and encryption are the shared record protection's.
#pragma once
#include <memory>

#include "security/ProtocolVersion.h"
#include "security/RecordProtection.h"

constexpr uint32_t kSsl2MaxBody = 0x7FFF;

class Ssl2Record : public ProtectableRecord {
public:
    Ssl2Record();

    uint32_t PaddingCount() const { return headerPadding_; }
    bool Escape() const { return escape_; }
    void SetEscape(bool escape) { escape_ = escape; }
    // The header this record is written with: 2 or 3 bytes, 0 when its
    // length cannot be written.
    uint32_t HeaderSize() const;

    uint32_t EncodedSize() const override { return HeaderSize() + length_; }
    bool IsComplete() const override { return headerState_ == 0 && state_ == 0; }
    const uint8_t* ReadLengthField(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* WriteLengthField(uint8_t* out, uint32_t value) const override;

protected:
    std::unique_ptr<ProtectableRecord> NewOutputRecord() const override;
    bool MacFirst() const override { return true; }
    // P bytes of the value P; the count also chooses the header.
    void FillPadding(uint32_t count, uint32_t blockSize, ProtectableRecord& output) override;
    bool ReceivedPadding(const uint8_t* plain, uint32_t length, uint32_t blockSize,
                         uint32_t& padding) const override;

private:
    uint32_t headerState_ = 0;
    uint32_t word_ = 0;
    uint32_t headerPadding_ = 0;
    bool escape_ = false;
};

enum : uint32_t {
    kSsl2Error = 0,
    kSsl2ClientHello = 1,
    kSsl2ClientMasterKey = 2,
    kSsl2ClientFinished = 3,
    kSsl2ServerHello = 4,
    kSsl2ServerVerify = 5,
    kSsl2ServerFinished = 6,
    kSsl2RequestCertificate = 7,
    kSsl2ClientCertificate = 8,
    kSsl2NoMessage = 9,
};

// One SSL 2.0 handshake message: a type byte and the body of that type.
// Fields a type does not use stay empty.
class Ssl2Message : public ErrorHolder {
public:
    Ssl2Message();

    uint32_t Type() const { return type_; }
    // Empties the fields and takes the type (9 for none).
    void SetType(uint32_t type);

    // Consumes what is available and resumes on the next call; the body of
    // the types that run to the end of the record takes every byte given.
    const uint8_t* ReadMessage(const uint8_t* in, uint32_t& remaining);
    bool IsComplete() const { return complete_; }
    uint32_t MessageSize() const;
    uint8_t* WriteMessage(uint8_t* out) const;
    // 1 when well-formed; otherwise the error is raised on the target.
    int CheckMessage(ErrorHolder* target) const;

    // ERROR: the code as read (0, 1, 2, 4 and 6 stay, others read as 7).
    uint32_t errorCode = 0;
    // CLIENT-HELLO and SERVER-HELLO.
    uint32_t version = 0;
    uint8_t sessionIdHit = 0;
    uint8_t certificateType = 0;
    ShortByteVector cipherKinds;
    ShortByteVector sessionId;  // CLIENT-HELLO; SERVER-FINISHED's body
    ShortByteVector challenge;  // CLIENT-HELLO; SERVER-VERIFY's body
    ShortByteVector certificate;  // SERVER-HELLO, CLIENT-CERTIFICATE
    ShortByteVector connectionId;  // SERVER-HELLO; CLIENT-FINISHED's body
    // CLIENT-MASTER-KEY.
    uint8_t cipherKind[3] = {0, 0, 0};
    ShortByteVector clearKey;
    ShortByteVector encryptedKey;
    ShortByteVector keyArg;
    // REQUEST-CERTIFICATE's body, CLIENT-CERTIFICATE's response.
    ShortByteVector response;

private:
    bool TryParse();
    ShortByteVector* RestOfRecord();

    uint32_t type_ = kSsl2NoMessage;
    bool complete_ = false;
    bool badType_ = false;
    ShortByteVector pending_;
};

// The version field of a CLIENT-HELLO for a version item, and the item for
// a SERVER-HELLO's version field.
uint32_t Ssl2HelloVersion(const ProtocolVersionItem& item);
ProtocolVersionItem Ssl2ServerVersion(uint32_t field);
// A received ERROR code as the library's error pair.
SecurityErrorCode Ssl2ErrorFromCode(uint32_t code);
// The SSL 2.0 code of an ERROR message to send for the error code.
uint32_t Ssl2CodeForError(uint32_t code);

enum : int {
    kSsl2ValueConnectionId = 1,
    kSsl2ValueChallenge = 2,
    kSsl2ValueKeyArg = 4,
    kSsl2ValueHashA = 5,
    kSsl2ValueHashB = 6,
    kSsl2ValueHashOut = 7,
};

class Ssl2Version : public ProtocolVersion {
public:
    Ssl2Version();
    ~Ssl2Version() override;

    ProtocolVersionItem VersionNumber() const override { return ProtocolVersionItem(2, 0); }
    std::unique_ptr<RecordMac> NewRecordMac() const override;
    std::unique_ptr<ProtectableRecord> NewRecord() const override;
    void SetMd5(const DigestBase* digest) override;
    void SetSha1(const DigestBase*) override {}
    void UpdateHandshakeHashes(const uint8_t*, uint32_t) override {}
    void CertificateVerifyHashes(ByteVector& md5Out, ByteVector& shaOut) override;
    void ComputeFinished(bool, ByteVector& out) override { out.Resize(0); }
    void SetValue(int which, const ByteVector& value) override;
    void GetValue(int which, ByteVector& out) override;
    void ComputeMasterSecret(ByteVector& out, const ByteVector&) override { out.Resize(0); }
    // Here the pairs are the write side's and the read side's.
    void ComputeKeyBlock(const ByteVector& masterKey, CipherPair write, CipherPair read, bool exportSuite,
                         uint32_t exportKeyLength) override;
    int TranslateError(ErrorHolder& error) const override;
    int UsesSsl3Records() const override { return 0; }
    std::unique_ptr<ProtocolVersion> NewSameVersion() const override;
    // MD5(master key || '0' + i || seed) for i = 0, 1, ...
    void Prf(uint32_t length, const ByteVector& secret, const char* label, const ByteVector& seed,
             ByteVector& out) override;

private:
    DigestSlot first_;
    DigestSlot second_;
    ShortByteVector challenge_;
    ShortByteVector connectionId_;
    ShortByteVector keyArg_;
};
