#include "security/ProtocolVersion.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "security/Ssl2.h"
#include "security/SslRecord.h"

Ssl3Version::Ssl3Version() {
    for (ErrorHolder* member : {static_cast<ErrorHolder*>(&prfMd5_), static_cast<ErrorHolder*>(&prfSha1_),
                                static_cast<ErrorHolder*>(&handshakeMd5_), static_cast<ErrorHolder*>(&handshakeSha1_),
                                static_cast<ErrorHolder*>(&serverRandom_), static_cast<ErrorHolder*>(&clientRandom_),
                                static_cast<ErrorHolder*>(&masterSecret_)})
        member->SetParent(this);
}

// The master secret vector wipes itself when freed.
Ssl3Version::~Ssl3Version() = default;

std::unique_ptr<RecordMac> Ssl3Version::NewRecordMac() const {
    return std::unique_ptr<RecordMac>(new (std::nothrow) Ssl3RecordMac);
}

std::unique_ptr<ProtectableRecord> Ssl3Version::NewRecord() const {
    std::unique_ptr<ProtectableRecord> record(new (std::nothrow) SslProtectedRecord);
    if (record) record->SetVersion(VersionNumber());
    return record;
}

void Ssl3Version::SetMd5(const DigestBase* digest) {
    prfMd5_.SetFresh(digest);
    handshakeMd5_.SetFresh(digest);
    handshakeMd5_.Current().Init();
}

void Ssl3Version::SetSha1(const DigestBase* digest) {
    prfSha1_.SetFresh(digest);
    handshakeSha1_.SetFresh(digest);
    handshakeSha1_.Current().Init();
}

void Ssl3Version::UpdateHandshakeHashes(const uint8_t* data, uint32_t length) {
    handshakeMd5_.Current().Update(data, length);
    handshakeSha1_.Current().Update(data, length);
}

bool Ssl3Version::HealthyDigests() {
    if (GetError()) return false;
    for (DigestSlot* slot : {&prfMd5_, &prfSha1_, &handshakeMd5_, &handshakeSha1_})
        if (!slot->Check(this)) return false;
    return true;
}

static uint32_t Ssl3PadLength(int kind) {
    return kind == kDigestMd5 ? 48 : kind == kDigestSha1 ? 40 : 0;
}

void Ssl3Version::Ssl3HandshakeHash(DigestSlot& running, const char* sender, ByteVector& out) {
    out.Resize(0);
    std::unique_ptr<DigestBase> inner = running.Current().Clone();
    std::unique_ptr<DigestBase> outer = running.Current().NewSameKind();
    if (!inner || !outer) {
        RaiseSecurityError(kErrorLibrary, kCodeOutOfMemory);
        return;
    }
    uint32_t n = Ssl3PadLength(inner->Kind());
    if (sender) UpdateString(*inner, sender);
    UpdateVector(*inner, masterSecret_);
    UpdateRepeated(*inner, 0x36, n);
    SecureShortByteVector innerResult;
    FinalInto(*inner, innerResult);
    outer->Init();
    UpdateVector(*outer, masterSecret_);
    UpdateRepeated(*outer, 0x5c, n);
    UpdateVector(*outer, innerResult);
    FinalInto(*outer, out);
    if (inner->GetError() || outer->GetError()) {
        RaiseFrom(inner->GetError() ? *inner : *outer);
        out.Resize(0);
    }
}

void Ssl3Version::CertificateVerifyHashes(ByteVector& md5Out, ByteVector& shaOut) {
    Ssl3HandshakeHash(handshakeMd5_, nullptr, md5Out);
    Ssl3HandshakeHash(handshakeSha1_, nullptr, shaOut);
}

void Ssl3Version::ComputeFinished(bool isClient, ByteVector& out) {
    out.Resize(0);
    const char* sender = isClient ? "CLNT" : "SRVR";
    SecureShortByteVector md5, sha;
    Ssl3HandshakeHash(handshakeMd5_, sender, md5);
    Ssl3HandshakeHash(handshakeSha1_, sender, sha);
    if (GetError() || md5.Length() != 16 || sha.Length() != 20) return;
    out.Concat(md5, sha);
}

void Ssl3Version::SetValue(int which, const ByteVector& value) {
    switch (which) {
        case kValueServerRandom: serverRandom_.Assign(value); break;
        case kValueClientRandom: clientRandom_.Assign(value); break;
        case kValueMasterSecret: masterSecret_.Assign(value); break;
        default: break;
    }
}

// Block i of SSL 3.0's function: MD5(secret || SHA-1(T_i || secret || seed)),
// T_i being the letter 'A' + i - 1 written i times.
void Ssl3Version::Prf(uint32_t length, const ByteVector& secret, const char*, const ByteVector& seed,
                      ByteVector& out) {
    out.Resize(0);
    if (!HealthyDigests()) return;
    DigestBase& md5 = prfMd5_.Current();
    DigestBase& sha = prfSha1_.Current();
    uint32_t blocks = (length + 15) / 16;
    // 26 letters give 416 bytes, more than any key block needs.
    if (blocks > 26 || !out.Resize(blocks * 16)) {
        if (!out.GetError()) RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        out.Resize(0);
        return;
    }
    uint8_t letters[26];
    uint8_t inner[20];
    for (uint32_t i = 1; i <= blocks; ++i) {
        std::memset(letters, 'A' + static_cast<int>(i) - 1, i);
        sha.Init();
        sha.Update(letters, i);
        UpdateVector(sha, secret);
        UpdateVector(sha, seed);
        sha.Final(inner);
        md5.Init();
        UpdateVector(md5, secret);
        md5.Update(inner, sizeof inner);
        md5.Final(out.Data() + (i - 1) * 16);
    }
    WipeMemory(inner, sizeof inner);
    out.Resize(length);
    if (!HealthyDigests()) out.Resize(0);
}

void Ssl3Version::ComputeMasterSecret(ByteVector& out, const ByteVector& preMasterSecret) {
    SecureShortByteVector seed;
    seed.Concat(clientRandom_, serverRandom_);
    SecureShortByteVector secret;
    Prf(48, preMasterSecret, "master secret", seed, secret);
    out.Assign(secret);
    if (out.Length() != 48) out.Resize(0);
}

void Ssl3Version::ComputeKeyBlock(const ByteVector& masterSecret, CipherPair client, CipherPair server,
                                  bool exportSuite, uint32_t exportKeyLength) {
    uint32_t m = client.mac ? client.mac->Size() : 0;
    uint32_t k = client.cipher ? client.cipher->KeyLength() : 0;
    uint32_t v = client.cipher ? client.cipher->IvLength() : 0;
    uint32_t e = exportKeyLength;
    uint32_t length = exportSuite ? 2 * (m + e) : 2 * (m + k + v);
    SecureShortByteVector seed;
    seed.Concat(serverRandom_, clientRandom_);
    SecureShortByteVector block;
    Prf(length, masterSecret, "key expansion", seed, block);
    if (GetError() || block.Length() != length) {
        if (!GetError()) RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        return;
    }
    const uint8_t* p = block.Data();
    for (RecordMac* mac : {client.mac, server.mac}) {
        if (mac) mac->SetSecret(p, m);
        p += m;
    }
    if (k != 0 || v != 0) {
        if (exportSuite) {
            ExportKeys(p, p + e, e, client, server);
        } else {
            for (BlockCipher* cipher : {client.cipher, server.cipher}) {
                if (cipher) cipher->SetKey(p);
                p += k;
            }
            if (v) {
                for (BlockCipher* cipher : {client.cipher, server.cipher}) {
                    if (cipher) cipher->SetIv(p);
                    p += v;
                }
            }
        }
    }
    for (ErrorHolder* part : {static_cast<ErrorHolder*>(client.cipher), static_cast<ErrorHolder*>(server.cipher),
                              static_cast<ErrorHolder*>(client.mac), static_cast<ErrorHolder*>(server.mac)})
        if (part && part->GetError() && !GetError()) RaiseFrom(*part);
}

void Ssl3Version::ExportKeys(const uint8_t* clientMaterial, const uint8_t* serverMaterial, uint32_t e,
                             CipherPair client, CipherPair server) {
    DigestBase& md5 = prfMd5_.Current();
    SecureShortByteVector out;
    auto hash = [&](const uint8_t* material, uint32_t n, const ByteVector& first, const ByteVector& second) {
        md5.Init();
        if (n) md5.Update(material, n);
        UpdateVector(md5, first);
        UpdateVector(md5, second);
        FinalInto(md5, out);
    };
    hash(clientMaterial, e, clientRandom_, serverRandom_);
    if (client.cipher && out.Length() >= client.cipher->KeyLength()) client.cipher->SetKey(out.Data());
    hash(serverMaterial, e, serverRandom_, clientRandom_);
    if (server.cipher && out.Length() >= server.cipher->KeyLength()) server.cipher->SetKey(out.Data());
    if (client.cipher && client.cipher->IvLength()) {
        hash(nullptr, 0, clientRandom_, serverRandom_);
        if (out.Length() >= client.cipher->IvLength()) client.cipher->SetIv(out.Data());
        hash(nullptr, 0, serverRandom_, clientRandom_);
        if (server.cipher && out.Length() >= server.cipher->IvLength()) server.cipher->SetIv(out.Data());
    }
    if (md5.GetError()) RaiseFrom(md5);
}

// What SSL 3.0 does with an error it is about to send: (class result) of
// the table, where a result of 0 means it is not sent.
namespace {
struct Translation {
    uint32_t code;
    int rule;  // 0 keep, 1 becomes x, 2 code becomes x, 3 class becomes fatal
    uint32_t to;
    int result;
};

int Apply(ErrorHolder& error, const Translation& t) {
    SecurityErrorCode pair = error.Error();
    if (t.rule == 1) error.SetSecurityError(kErrorFatal, t.to);
    if (t.rule == 2) error.SetSecurityError(pair.errorClass, t.to);
    if (t.rule == 3) error.SetSecurityError(kErrorFatal, pair.code);
    return t.result;
}

int Translate(ErrorHolder& error, const Translation* table, size_t count, const Translation& otherwise) {
    if (error.Error().errorClass == kErrorLibrary) error.SetSecurityError(kErrorFatal, error.Error().code);
    uint32_t code = error.Error().code;
    for (size_t i = 0; i < count; ++i)
        if (table[i].code == code) return Apply(error, table[i]);
    return Apply(error, otherwise);
}
}  // namespace

int Ssl3Version::TranslateError(ErrorHolder& error) const {
    static const Translation table[] = {
        {0, 0, 0, 1},    {10, 0, 0, 1},   {20, 0, 0, 1},  {30, 0, 0, 1},  {40, 0, 0, 1},  {41, 0, 0, 1},
        {42, 0, 0, 1},   {43, 0, 0, 1},   {44, 0, 0, 1},  {45, 0, 0, 1},  {46, 0, 0, 1},  {47, 0, 0, 1},
        {21, 1, 20, 1},  {22, 1, 47, 0},  {48, 2, 46, 1}, {49, 2, 46, 1}, {50, 1, 47, 0}, {51, 1, 42, 1},
        {60, 1, 40, 1},  {70, 1, 40, 1},  {71, 1, 40, 1}, {80, 1, 47, 0}, {90, 1, 47, 0}, {100, 1, 47, 0},
        {296, 1, 40, 1}, {317, 2, 45, 1}, {336, 1, 47, 0},
    };
    return Translate(error, table, sizeof table / sizeof *table, {0, 1, 47, 0});
}

std::unique_ptr<ProtocolVersion> Ssl3Version::NewSameVersion() const {
    return std::unique_ptr<ProtocolVersion>(new (std::nothrow) Ssl3Version);
}

std::unique_ptr<RecordMac> Tls1Version::NewRecordMac() const {
    return std::unique_ptr<RecordMac>(new (std::nothrow) TlsHmac);
}

void Tls1Version::PHash(DigestSlot& digest, const uint8_t* secret, uint32_t secretLength, const ByteVector& seed,
                        uint32_t length, ByteVector& out) {
    out.Resize(0);
    TlsHmac hmac;
    hmac.SetDigest(&digest.Current());
    hmac.SetSecret(secret, secretLength);
    uint32_t size = hmac.Size();
    if (size == 0 || size > 64 || !out.Resize(length + size)) {
        if (!GetError()) RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        out.Resize(0);
        return;
    }
    uint8_t a[64];
    hmac.Init();
    hmac.Update(seed.Data(), seed.Length());
    hmac.Final(a);
    for (uint32_t done = 0; done < length; done += size) {
        hmac.Init();
        hmac.Update(a, size);
        hmac.Update(seed.Data(), seed.Length());
        hmac.Final(out.Data() + done);
        hmac.Init();
        hmac.Update(a, size);
        hmac.Final(a);
    }
    WipeMemory(a, sizeof a);
    if (hmac.GetError() || hmac.Check(nullptr) == 0) {
        RaiseSecurityError(kErrorLibrary, kCodeInternalError);
        out.Resize(0);
        return;
    }
    out.Resize(length);
}

void Tls1Version::Prf(uint32_t length, const ByteVector& secret, const char* label, const ByteVector& seed,
                      ByteVector& out) {
    out.Resize(0);
    if (!HealthyDigests()) return;
    uint32_t half = (secret.Length() + 1) / 2;
    SecureShortByteVector labelled;
    if (label) labelled.AppendString(label);
    labelled.Append(seed);
    SecureByteVector sha;
    PHash(prfMd5_, secret.Data(), half, labelled, length, out);
    PHash(prfSha1_, secret.Data() + (secret.Length() - half), half, labelled, length, sha);
    if (GetError() || out.Length() != length || sha.Length() != length) {
        out.Resize(0);
        return;
    }
    for (uint32_t i = 0; i < length; ++i) out.Data()[i] ^= sha.Data()[i];
}

void Tls1Version::ComputeMasterSecret(ByteVector& out, const ByteVector& preMasterSecret) {
    masterSecret_.Resize(0);
    SecureShortByteVector seed;
    seed.Concat(clientRandom_, serverRandom_);
    SecureShortByteVector secret;
    Prf(48, preMasterSecret, "master secret", seed, secret);
    out.Assign(secret);
    if (out.Length() != 48) out.Resize(0);
}

void Tls1Version::CertificateVerifyHashes(ByteVector& md5Out, ByteVector& shaOut) {
    FinalInto(handshakeMd5_.Current(), md5Out);
    FinalInto(handshakeSha1_.Current(), shaOut);
}

void Tls1Version::ComputeFinished(bool isClient, ByteVector& out) {
    out.Resize(0);
    SecureShortByteVector md5, sha, hashes;
    CertificateVerifyHashes(md5, sha);
    if (md5.Length() != 16 || sha.Length() != 20) return;
    hashes.Concat(md5, sha);
    SecureShortByteVector verify;
    Prf(12, masterSecret_, isClient ? "client finished" : "server finished", hashes, verify);
    if (verify.Length() == 12) out.Assign(verify);
}

void Tls1Version::ExportKeys(const uint8_t* clientMaterial, const uint8_t* serverMaterial, uint32_t e,
                             CipherPair client, CipherPair server) {
    uint32_t k = client.cipher ? client.cipher->KeyLength() : 0;
    uint32_t v = client.cipher ? client.cipher->IvLength() : 0;
    SecureShortByteVector seed;
    seed.Concat(clientRandom_, serverRandom_);
    SecureShortByteVector material, key;
    material.SetBytes(clientMaterial, e);
    Prf(k, material, "client write key", seed, key);
    if (client.cipher && key.Length() == k) client.cipher->SetKey(key.Data());
    material.SetBytes(serverMaterial, e);
    Prf(k, material, "server write key", seed, key);
    if (server.cipher && key.Length() == k) server.cipher->SetKey(key.Data());
    if (v) {
        SecureShortByteVector empty, ivs;
        Prf(2 * v, empty, "IV block", seed, ivs);
        if (ivs.Length() == 2 * v) {
            if (client.cipher) client.cipher->SetIv(ivs.Data());
            if (server.cipher) server.cipher->SetIv(ivs.Data() + v);
        }
    }
}

int Tls1Version::TranslateError(ErrorHolder& error) const {
    static const Translation table[] = {
        {0, 0, 0, 1},   {10, 0, 0, 1},  {20, 0, 0, 1},  {21, 0, 0, 1},  {22, 0, 0, 1},  {30, 0, 0, 1},
        {40, 0, 0, 1},  {41, 0, 0, 1},  {42, 0, 0, 1},  {43, 0, 0, 1},  {44, 0, 0, 1},  {45, 0, 0, 1},
        {46, 0, 0, 1},  {47, 0, 0, 1},  {48, 0, 0, 1},  {49, 0, 0, 1},  {50, 0, 0, 1},  {51, 0, 0, 1},
        {60, 0, 0, 1},  {70, 0, 0, 1},  {71, 0, 0, 1},  {80, 0, 0, 1},  {90, 0, 0, 1},  {100, 0, 0, 1},
        {296, 1, 40, 1}, {317, 3, 0, 0}, {336, 1, 80, 1},
    };
    // Anything else stays fatal and is not sent.
    return Translate(error, table, sizeof table / sizeof *table, {0, 3, 0, 0});
}

std::unique_ptr<ProtocolVersion> Tls1Version::NewSameVersion() const {
    return std::unique_ptr<ProtocolVersion>(new (std::nothrow) Tls1Version);
}

std::unique_ptr<Tls1Version> Tls1Version::Clone() const {
    std::unique_ptr<Tls1Version> copy(new (std::nothrow) Tls1Version);
    if (!copy) return copy;
    copy->prfMd5_.CopyFrom(prfMd5_);
    copy->prfSha1_.CopyFrom(prfSha1_);
    copy->handshakeMd5_.CopyFrom(handshakeMd5_);
    copy->handshakeSha1_.CopyFrom(handshakeSha1_);
    copy->serverRandom_.Assign(serverRandom_);
    copy->clientRandom_.Assign(clientRandom_);
    copy->masterSecret_.Assign(masterSecret_);
    return copy;
}

std::unique_ptr<ProtocolVersion> MakeProtocolVersion(uint8_t major, uint8_t minor, const DigestBase* md5,
                                                     const DigestBase* sha1, ErrorHolder* report) {
    std::unique_ptr<ProtocolVersion> version;
    if (major < 3)
        version.reset(new (std::nothrow) Ssl2Version);
    else if (major == 3 && minor == 0)
        version.reset(new (std::nothrow) Ssl3Version);
    else if (major == 3 && minor == 1)
        version.reset(new (std::nothrow) Tls1Version);
    else {
        if (report) report->RaiseSecurityError(kErrorFatal, kCodeHandshakeFailure);
        return nullptr;
    }
    if (!version) {
        if (report) report->RaiseSecurityError(kErrorFatal, kCodeOutOfMemory);
        return nullptr;
    }
    version->SetMd5(md5);
    version->SetSha1(sha1);
    return version;
}
