// The negotiated protocol of one side of a connection: its secrets (client
// random, server random, master secret), the running handshake hashes and
// every computation that differs between SSL 2.0, SSL 3.0 and TLS 1.0 -
// pseudo-random function, master secret, key block, Finished values and
// which errors may be sent as alerts. SSL 2.0's members are in Ssl2.h.
#pragma once
#include <memory>

#include "security/BlockCipher.h"
#include "security/ByteVector.h"
#include "security/MessageDigest.h"
#include "security/RecordMac.h"
#include "security/RecordProtection.h"

// The cipher and MAC of one direction, filled by the key block.
struct CipherPair {
    BlockCipher* cipher = nullptr;  // none for a suite without encryption
    RecordMac* mac = nullptr;
};

enum : int {
    kValueServerRandom = 1,
    kValueClientRandom = 2,
    kValueMasterSecret = 3,
};

class ProtocolVersion : public ErrorHolder {
public:
    ~ProtocolVersion() override = default;

    virtual ProtocolVersionItem VersionNumber() const = 0;
    virtual std::unique_ptr<RecordMac> NewRecordMac() const = 0;
    // A record of this version, to be read into or filled and protected.
    virtual std::unique_ptr<ProtectableRecord> NewRecord() const = 0;
    // The digest goes to the pseudo-random function's slot and the running
    // handshake hash of its kind, which starts afresh.
    virtual void SetMd5(const DigestBase* digest) = 0;
    virtual void SetSha1(const DigestBase* digest) = 0;
    virtual void UpdateHandshakeHashes(const uint8_t* data, uint32_t length) = 0;
    virtual void CertificateVerifyHashes(ByteVector& md5Out, ByteVector& shaOut) = 0;
    // The Finished verify data of the client or the server so far; empty
    // on any failure.
    virtual void ComputeFinished(bool isClient, ByteVector& out) = 0;
    virtual void SetValue(int which, const ByteVector& value) = 0;
    virtual void GetValue(int which, ByteVector& out) { out.Resize(0); }
    virtual void ComputeMasterSecret(ByteVector& out, const ByteVector& preMasterSecret) = 0;
    // Derives the keys of both directions from the master secret. The
    // export key length is the suite's, used only for export suites.
    virtual void ComputeKeyBlock(const ByteVector& masterSecret, CipherPair client, CipherPair server,
                                 bool exportSuite, uint32_t exportKeyLength) = 0;
    // 1 when the error (possibly changed) may be sent as an alert of this
    // version, else 0.
    virtual int TranslateError(ErrorHolder& error) const = 0;
    virtual int UsesSsl3Records() const = 0;
    virtual std::unique_ptr<ProtocolVersion> NewSameVersion() const = 0;
    // length bytes of the version's pseudo-random function into out (a
    // vector that wipes itself). SSL 3.0 and SSL 2.0 take no label.
    virtual void Prf(uint32_t length, const ByteVector& secret, const char* label, const ByteVector& seed,
                     ByteVector& out) = 0;
};

class Ssl3Version : public ProtocolVersion {
public:
    Ssl3Version();
    ~Ssl3Version() override;

    ProtocolVersionItem VersionNumber() const override { return ProtocolVersionItem(3, 0); }
    std::unique_ptr<RecordMac> NewRecordMac() const override;
    std::unique_ptr<ProtectableRecord> NewRecord() const override;
    void SetMd5(const DigestBase* digest) override;
    void SetSha1(const DigestBase* digest) override;
    void UpdateHandshakeHashes(const uint8_t* data, uint32_t length) override;
    void CertificateVerifyHashes(ByteVector& md5Out, ByteVector& shaOut) override;
    void ComputeFinished(bool isClient, ByteVector& out) override;
    void SetValue(int which, const ByteVector& value) override;
    void ComputeMasterSecret(ByteVector& out, const ByteVector& preMasterSecret) override;
    void ComputeKeyBlock(const ByteVector& masterSecret, CipherPair client, CipherPair server, bool exportSuite,
                         uint32_t exportKeyLength) override;
    int TranslateError(ErrorHolder& error) const override;
    int UsesSsl3Records() const override { return 1; }
    std::unique_ptr<ProtocolVersion> NewSameVersion() const override;
    void Prf(uint32_t length, const ByteVector& secret, const char* label, const ByteVector& seed,
             ByteVector& out) override;

    const ByteVector& ClientRandom() const { return clientRandom_; }
    const ByteVector& ServerRandom() const { return serverRandom_; }
    const ByteVector& MasterSecret() const { return masterSecret_; }

protected:
    // The keys and IVs of an export suite from E bytes of key material each.
    virtual void ExportKeys(const uint8_t* clientMaterial, const uint8_t* serverMaterial, uint32_t materialLength,
                            CipherPair client, CipherPair server);
    // SSL 3.0's nested hash of the handshake so far: sender may be null.
    void Ssl3HandshakeHash(DigestSlot& running, const char* sender, ByteVector& out);
    // Copies handed to the caller, so that a failing digest is seen here.
    bool HealthyDigests();

    DigestSlot prfMd5_;
    DigestSlot prfSha1_;
    DigestSlot handshakeMd5_;
    DigestSlot handshakeSha1_;
    ShortByteVector serverRandom_;
    ShortByteVector clientRandom_;
    SecureShortByteVector masterSecret_;
};

class Tls1Version : public Ssl3Version {
public:
    ProtocolVersionItem VersionNumber() const override { return ProtocolVersionItem(3, 1); }
    std::unique_ptr<RecordMac> NewRecordMac() const override;
    void CertificateVerifyHashes(ByteVector& md5Out, ByteVector& shaOut) override;
    void ComputeFinished(bool isClient, ByteVector& out) override;
    void ComputeMasterSecret(ByteVector& out, const ByteVector& preMasterSecret) override;
    int TranslateError(ErrorHolder& error) const override;
    std::unique_ptr<ProtocolVersion> NewSameVersion() const override;
    void Prf(uint32_t length, const ByteVector& secret, const char* label, const ByteVector& seed,
             ByteVector& out) override;
    std::unique_ptr<Tls1Version> Clone() const;

protected:
    void ExportKeys(const uint8_t* clientMaterial, const uint8_t* serverMaterial, uint32_t materialLength,
                    CipherPair client, CipherPair server) override;

private:
    // P_hash of RFC 2246 with the digest of the slot: length bytes.
    void PHash(DigestSlot& digest, const uint8_t* secret, uint32_t secretLength, const ByteVector& seed,
               uint32_t length, ByteVector& out);
};

// The object for (major, minor): below 3 SSL 2.0, 3.0, 3.1; any other
// version raises (2, 40) on the report, a failed allocation (2, 336). The
// digests go in through SetMd5 and SetSha1.
std::unique_ptr<ProtocolVersion> MakeProtocolVersion(uint8_t major, uint8_t minor, const DigestBase* md5,
                                                     const DigestBase* sha1, ErrorHolder* report);
